#version 120
// proc_terrain.frag - dark land under a neon grid that scrolls with it,
// cyan in the valleys and magenta on the heights, fading into a violet
// haze in the distance.

varying vec3 land;
varying float shade;
varying float fog;

void main()
{
    vec2 cell = land.xz / 4.0;
    vec2 edge = abs(fract(cell - 0.5) - 0.5) / max(fwidth(cell), vec2(1.0e-4));
    float line = 1.0 - min(min(edge.x, edge.y), 1.0);
    float high = clamp((land.y + 6.0) / 16.0, 0.0, 1.0);
    vec3 ground = mix(vec3(0.02, 0.05, 0.09), vec3(0.2, 0.05, 0.24), high) * shade;
    vec3 neon = mix(vec3(0.0, 0.9, 1.0), vec3(1.0, 0.2, 0.8), high);
    vec3 color = ground + neon * line * (1.0 - fog * 0.7);
    color = mix(color, vec3(0.06, 0.02, 0.1), fog * fog);
    gl_FragColor = vec4(color, 1.0);
}
