#version 120
// lattice_overlay.frag - scene 6's final frame in one step: the overlay laid
// over the lattice picture, as the two screen quads would lay them one after
// the other over the cleared frame, but with one pass over the pixels.
//
// The lattice comes with its screen quad's texture coordinate; the overlay's
// quad is parallel to it, so its coordinate is the same point scaled about
// the centre ("overlayScale"), and outside that quad it adds nothing. The
// result is premultiplied (blended with ONE, ONE_MINUS_SRC_ALPHA): the frame
// keeps its colour by the share neither picture covers. With "overlayOnly"
// at 1 the lattice is left out, for the pixels where text in front of the
// lattice's quad keeps it away. With "readBelow" at 1 the frame is drawn
// straight into the motion blur's history: the result is laid over what the
// frame drew before it ("below", at the fragment's place) by the program, not
// by the blend, and weighed by the frame's "share".

uniform sampler2D picture;     // unit 0: the lattice
uniform sampler2D overlay;     // unit 1: the display overlay
uniform vec2 overlayScale;
uniform float overlayOnly;
uniform sampler2D below;       // unit 2: the frame drawn so far (readBelow 1)
uniform vec2 belowScale;       // 1 / its size
uniform float readBelow;
uniform float share;

void main()
{
    vec2 st = gl_TexCoord[0].st;
    vec4 lattice = texture2D(picture, st) * gl_Color;
    vec2 at = (st - 0.5) * overlayScale + 0.5;
    vec4 over = texture2D(overlay, at) * gl_Color;
    if (any(greaterThan(abs(at - 0.5), vec2(0.5))))
        over = vec4(0.0);
    float latticeAlpha = lattice.a * (1.0 - overlayOnly);
    vec4 result = vec4(over.rgb * over.a + lattice.rgb * latticeAlpha * (1.0 - over.a),
                       1.0 - (1.0 - latticeAlpha) * (1.0 - over.a));
    if (readBelow > 0.5)
        result += (1.0 - result.a) * texture2D(below, gl_FragCoord.xy * belowScale);
    gl_FragColor = result * share;
}
