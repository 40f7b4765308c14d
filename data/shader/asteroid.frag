#version 120
// asteroid.frag - faceted rock under the scene's lights (0 and 1): the
// facet normal comes from the screen-space slope of the surface, the colour
// from dusty grey-brown noise with darker pits.

varying vec3 rock;
varying vec3 eyePos;

float hash(vec3 p)
{
    return fract(sin(dot(p, vec3(12.9898, 78.233, 37.719))) * 43758.5453);
}

float valueNoise(vec3 p)
{
    vec3 i = floor(p);
    vec3 f = fract(p);
    vec3 u = f * f * (3.0 - 2.0 * f);
    float a = mix(hash(i), hash(i + vec3(1.0, 0.0, 0.0)), u.x);
    float b = mix(hash(i + vec3(0.0, 1.0, 0.0)), hash(i + vec3(1.0, 1.0, 0.0)), u.x);
    float c = mix(hash(i + vec3(0.0, 0.0, 1.0)), hash(i + vec3(1.0, 0.0, 1.0)), u.x);
    float d = mix(hash(i + vec3(0.0, 1.0, 1.0)), hash(i + vec3(1.0, 1.0, 1.0)), u.x);
    return mix(mix(a, b, u.y), mix(c, d, u.y), u.z);
}

// diffuse light of one source; a direction of zero length gives none
vec3 lamp(vec4 position, vec4 diffuse, vec3 normal)
{
    vec3 toLight = position.xyz - eyePos * position.w;
    if (dot(toLight, toLight) < 1.0e-8)
        return vec3(0.0);
    return diffuse.rgb * max(dot(normal, normalize(toLight)), 0.0);
}

void main()
{
    vec3 normal = normalize(cross(dFdx(eyePos), dFdy(eyePos)));
    if (dot(normal, eyePos) > 0.0)
        normal = -normal;
    float tone = valueNoise(rock * 2.0);
    vec3 albedo = mix(vec3(0.3, 0.27, 0.24), vec3(0.55, 0.49, 0.42), tone);
    float pits = smoothstep(0.6, 0.8, valueNoise(rock * 6.0 + 11.0));
    albedo *= 1.0 - pits * 0.45;
    albedo *= 0.85 + 0.3 * hash(floor(rock * 40.0));
    vec3 light = vec3(0.1) + gl_LightModel.ambient.rgb * 0.3;
    light += lamp(gl_LightSource[0].position, gl_LightSource[0].diffuse, normal);
    light += lamp(gl_LightSource[1].position, gl_LightSource[1].diffuse, normal);
    gl_FragColor = vec4(albedo * light, 1.0);
}
