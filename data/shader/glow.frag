#version 120
// glow.frag - the halo of the bloom pass, worked out at a reduced size
// beforehand: the parts of the picture brighter than the threshold, taken
// in twelve directions at two distances around each point. The glow of a
// point is the same as at full size; bloom.frag reads it back between the
// points, which a low-frequency halo allows.

uniform sampler2D picture;

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
        glow += max(texture2D(picture, st + RAYS[i] * 0.0035).rgb - 0.45, 0.0) * 0.6;
        glow += max(texture2D(picture, st + RAYS[i] * 0.009).rgb - 0.45, 0.0) * 0.4;
    }
    gl_FragColor = vec4(glow * (1.1 / 12.0), 1.0);
}
