#version 120
// glow_bright.frag - the first step of the bloom pass's glow: what is
// brighter than the threshold, at a quarter of the picture's size. Each
// texel is the mean of the 4 x 4 pixels it covers, each thresholded on its
// own, so that a thin bright line keeps its share of the light.

uniform sampler2D picture;
uniform vec2 texel;     // one texel of the quarter-size picture, in texture coordinates

varying vec2 st;

void main()
{
    vec3 sum = vec3(0.0);
    for (int y = 0; y < 4; y++) {
        for (int x = 0; x < 4; x++) {
            vec2 at = st + (vec2(float(x), float(y)) - 1.5) * 0.25 * texel;
            sum += max(texture2D(picture, at).rgb - 0.45, 0.0);
        }
    }
    gl_FragColor = vec4(sum * (1.0 / 16.0), 1.0);
}
