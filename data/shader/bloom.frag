#version 120
// bloom.frag - the neon glow pass (fragment stage only).
//
// Adds a soft halo around the bright parts of the picture (texture unit 0),
// lays scanlines and video noise over it ("noiseLevel": 0 clean, 1 strong,
// several units and more a picture drowned in static), and fades it to
// black with "fadeLevel" (0 black, 1 full). "timer" drives the noise.
// The halo is low-frequency: the pass works it out beforehand at a reduced
// size (glow.frag) and hands it over on texture unit 1 ("glow"). The quad
// keeps the alpha of the current colour, so noise shows on an empty picture
// too. Compiled with CLEAN defined, it is the pass while "noiseLevel" is 0:
// no fringes, no noise.

uniform sampler2D frame;
uniform sampler2D glow;
uniform float noiseLevel;
uniform float timer;
uniform float fadeLevel;

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

void main()
{
    // Faded out, the pass shows black whatever the picture holds.
    if (fadeLevel <= 0.0) {
        gl_FragColor = vec4(0.0, 0.0, 0.0, gl_Color.a);
        return;
    }
    vec2 st = gl_TexCoord[0].st;
#ifdef CLEAN
    vec3 color = texture2D(frame, st).rgb + texture2D(glow, st).rgb;
#else
    float amount = 1.0 - exp(-max(noiseLevel, 0.0) * 0.5);
    float frameNo = floor(timer * 30.0);

    // colour fringes grow with the noise
    float shift = 0.004 * amount;
    vec3 base = vec3(texture2D(frame, st + vec2(shift, 0.0)).r,
                     texture2D(frame, st).g,
                     texture2D(frame, st - vec2(shift, 0.0)).b);
    vec3 color = base + texture2D(glow, st).rgb;
#endif

    float scan = 0.92 + 0.08 * sin(gl_FragCoord.y * 3.14159);
#ifndef CLEAN
    float snow = hash(floor(gl_FragCoord.xy / 2.0) + frameNo * vec2(11.0, 5.0));
    float roll = smoothstep(0.96, 1.0, sin(gl_FragCoord.y * 0.015 + timer * 6.0));
    color = mix(color, vec3(snow) * vec3(0.8, 0.9, 1.0) + roll * 0.3, amount * 0.8);
#endif
    color *= scan * clamp(fadeLevel, 0.0, 1.0);
    gl_FragColor = vec4(color, gl_Color.a);
}
