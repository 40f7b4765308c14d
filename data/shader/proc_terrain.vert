#version 120
// proc_terrain.vert - the terrain flown over in scenes 5 and 6.
//
// The grid arrives flat (y = 0) with each vertex's grid position in
// gl_Vertex and, one call behind, a neighbouring grid position in gl_Normal.
// The height field is sampled at the grid position scrolled by "timer"
// (distance flown), so the land streams towards +z; comparing the height
// at the vertex with the one at its neighbour gives the slope that shades
// the ground. A valley is carved along x = 0 for the ship.

uniform float timer;

varying vec3 land;     // scrolled grid position and height
varying float shade;
varying float fog;

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

float valueNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), u.x),
               mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), u.x), u.y);
}

float height(vec2 p)
{
    float h = valueNoise(p * 0.025) * 1.0 + valueNoise(p * 0.06) * 0.45 + valueNoise(p * 0.15) * 0.15;
    float ridge = 1.0 - abs(valueNoise(p * 0.04 + 17.0) * 2.0 - 1.0);
    h = h * 11.0 + ridge * ridge * 7.0 - 9.0;
    float valley = 1.0 - exp(-p.x * p.x / 700.0);
    return mix(-6.0, h, 0.25 + 0.75 * valley);
}

void main()
{
    vec2 here = vec2(gl_Vertex.x, gl_Vertex.z - timer);
    vec2 there = vec2(gl_Normal.x, gl_Normal.z - timer);
    float h = height(here);
    float reach = max(distance(here, there), 0.5);
    float slope = (h - height(there)) / reach;
    shade = clamp(0.65 + slope * 0.35, 0.25, 1.3);
    land = vec3(here.x, h, here.y);
    vec4 eye = gl_ModelViewMatrix * vec4(gl_Vertex.x, h, gl_Vertex.z, 1.0);
    fog = clamp(-eye.z / 190.0, 0.0, 1.0);
    gl_Position = gl_ProjectionMatrix * eye;
}
