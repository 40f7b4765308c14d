#version 120
// glow_spread.frag - the second step of the bloom pass's glow: the bright
// parts (glow_bright.frag) spread into a soft halo by taps in twelve
// directions at two distances, still at a quarter of the picture's size.
// bloom.frag adds the result to the picture.

uniform sampler2D bright;

varying vec2 st;

// The twelve directions of the halo's taps, every 30 degrees, stretched
// to the 16:9 frame: (cos a, 1.7777778 sin a).
const vec2 RAYS[12] = vec2[12](
    vec2(1.0, 0.0), vec2(0.8660254, 0.8888889), vec2(0.5, 1.5396008),
    vec2(0.0, 1.7777778), vec2(-0.5, 1.5396007), vec2(-0.8660254, 0.8888889),
    vec2(-1.0, 0.0), vec2(-0.8660254, -0.8888889), vec2(-0.5, -1.5396008),
    vec2(0.0, -1.7777778), vec2(0.5, -1.5396008), vec2(0.8660254, -0.8888889));

void main()
{
    vec3 glow = vec3(0.0);
    for (int i = 0; i < 12; i++) {
        glow += texture2D(bright, st + RAYS[i] * 0.0035).rgb * 0.6;
        glow += texture2D(bright, st + RAYS[i] * 0.009).rgb * 0.4;
    }
    gl_FragColor = vec4(glow * (1.1 / 12.0), 1.0);
}
