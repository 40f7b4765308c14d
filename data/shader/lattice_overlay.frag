#version 120
// lattice_overlay.frag - scene 6's final frame in one step: the overlay laid
// over the lattice picture, as the two screen quads would lay them one after
// the other over the cleared frame, but with one pass over the pixels.
//
// The overlay's quad is parallel to the lattice's, so where a pixel sees the
// overlay is the lattice quad's texture coordinate scaled about the centre
// ("overlayScale"), and outside that quad it adds nothing. That depends on
// the pixel alone, so the overlay is first sampled once at every pixel of
// the frame, with BAKE defined, into a frame-sized texture; the frame then
// reads it at the fragment's place ("frameOrigin" and "frameScale", 1 / the
// frame's size), one texel a pixel instead of a filtered read of the large
// overlay picture.
//
// The result is premultiplied (blended with ONE, ONE_MINUS_SRC_ALPHA): the
// frame keeps its colour by the share neither picture covers. With
// "overlayOnly" at 1 the lattice is left out, for the pixels where text in
// front of the lattice's quad keeps it away. With "readBelow" at 1 the frame
// is drawn straight into the motion blur's history: the result is laid over
// what the frame drew before it ("below", at the fragment's place) by the
// program, not by the blend, and weighed by the frame's "share".

#ifdef BAKE

uniform sampler2D overlay;     // unit 0: the display overlay
uniform vec2 overlayScale;

void main()
{
    vec2 at = (gl_TexCoord[0].st - 0.5) * overlayScale + 0.5;
    if (any(greaterThan(abs(at - 0.5), vec2(0.5))))
        gl_FragColor = vec4(0.0);
    else
        gl_FragColor = texture2D(overlay, at);
}

#else

uniform sampler2D picture;     // unit 0: the lattice
uniform sampler2D overlay;     // unit 1: the overlay as each pixel sees it
uniform vec2 frameOrigin;
uniform vec2 frameScale;
uniform float overlayOnly;
uniform sampler2D below;       // unit 2: the frame drawn so far (readBelow 1)
uniform float readBelow;
uniform float share;

void main()
{
    vec2 here = (gl_FragCoord.xy - frameOrigin) * frameScale;
    vec4 lattice = texture2D(picture, gl_TexCoord[0].st) * gl_Color;
    vec4 over = texture2D(overlay, here) * gl_Color;
    float latticeAlpha = lattice.a * (1.0 - overlayOnly);
    vec4 result = vec4(over.rgb * over.a + lattice.rgb * latticeAlpha * (1.0 - over.a),
                       1.0 - (1.0 - latticeAlpha) * (1.0 - over.a));
    if (readBelow > 0.5)
        result += (1.0 - result.a) * texture2D(below, here);
    gl_FragColor = result * share;
}

#endif
