#version 120
// tunnel.frag - hyperspace: streaks of light that race along the tunnel
// wall towards the viewer, bright rings, and a white glare at the far end.
// "timer" is the scene time in seconds.

uniform float timer;

varying vec2 wall;
varying float depth;

const float CELLS = 48.0;

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

// value noise that wraps around the wall (CELLS cells per turn)
float wrapNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    float x0 = mod(i.x, CELLS);
    float x1 = mod(i.x + 1.0, CELLS);
    return mix(mix(hash(vec2(x0, i.y)), hash(vec2(x1, i.y)), u.x),
               mix(hash(vec2(x0, i.y + 1.0)), hash(vec2(x1, i.y + 1.0)), u.x), u.y);
}

// whole powers as products: a general pow costs a logarithm and an
// exponential in every pixel
float pow5(float x)
{
    float x2 = x * x;
    return x2 * x2 * x;
}

float pow8(float x)
{
    float x2 = x * x;
    float x4 = x2 * x2;
    return x4 * x4;
}

void main()
{
    float around = wall.s * CELLS;
    float along = wall.t * 40.0 - timer * 9.0;
    float streaks = pow5(wrapNoise(vec2(around, along * 0.12))) * 2.2;
    streaks += pow8(wrapNoise(vec2(around * 2.0 + 7.0, along * 0.3))) * 1.5;
    float wave8 = pow8(0.5 + 0.5 * sin(wall.t * 30.0 - timer * 5.0));
    float rings = wave8 * wave8 * wave8;
    vec3 color = vec3(0.02, 0.04, 0.16);
    color += vec3(0.25, 0.75, 1.0) * streaks;
    color += vec3(0.9, 0.25, 1.0) * rings * 0.8;
    float far = smoothstep(90.0, 190.0, depth);
    color = mix(color, vec3(1.0, 0.96, 1.0), far * 0.85);
    gl_FragColor = vec4(color, 1.0);
}
