#version 120
// sepia.frag - the film look of the sepia pass (fragment stage only).
//
// Tones the picture sepia and lays old film over it: grain, a flickering
// exposure, vertical scratches that jump with "noise", bursts of TV static
// ("staticNoiseAmmount"), and a fade to black ("fadeLevel", 0 black, 1
// full). "timer" is the scene time in seconds. The fade darkens the picture
// with its grain and scratches; static is laid over the faded picture as
// strongly as the picture shows, except in a scene's first second, where a
// burst of static breaks through the fade-in as a layer of its own, over
// the parts of the picture that are dark or transparent too (scene 4 opens
// on a transparent tunnel window); a picture faded out keeps only its
// grain, and that goes black with it. Textured quads (the render
// target, the overlay) are sampled from texture unit 0 and keep their alpha.
//
// Compiled a second time with PLASTER defined, for untextured geometry such
// as the wall and floor of the round room: that is toned from its lit colour
// instead, as dark plaster with blotches, and has no scratches or vignette.
// Compiled with QUIET defined, it is the pass while the static is at most
// faint (it shows at most 1%, after the first second): no torn lines, and
// the static's average colour in place of its snow, which is all a viewer
// can see of it; PLASTER_QUIET is the plaster while the static is faint.
// Each program pays only for its own path.

#ifdef PLASTER_QUIET
#define PLASTER
#define QUIET
#endif

uniform float timer;
uniform float noise;
uniform float staticNoiseAmmount;
uniform float fadeLevel;
#ifndef PLASTER
uniform sampler2D frame;
#endif

float hash(vec2 p)
{
    return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453);
}

#ifdef PLASTER
float valueNoise(vec2 p)
{
    vec2 i = floor(p);
    vec2 f = fract(p);
    vec2 u = f * f * (3.0 - 2.0 * f);
    return mix(mix(hash(i), hash(i + vec2(1.0, 0.0)), u.x),
               mix(hash(i + vec2(0.0, 1.0)), hash(i + vec2(1.0, 1.0)), u.x), u.y);
}
#endif

void main()
{
    float frameNo = floor(timer * 24.0);
    float jitter = abs(noise);
    float burst = clamp(staticNoiseAmmount, 0.0, 1.5);
    float staticMix = min(burst * burst * 0.55, 0.8);

#ifdef PLASTER
    // dark plaster, the lit brightness with blotches, so that the pictures
    // hanging in front of it stand out
    float lit = dot(gl_Color.rgb, vec3(0.299, 0.587, 0.114));
    float blotch = valueNoise(gl_FragCoord.xy / 70.0) * 0.5 + valueNoise(gl_FragCoord.xy / 11.0) * 0.2;
    vec4 color = vec4(vec3(lit * (0.25 + 0.35 * blotch)), 1.0);
#else
    vec2 st = gl_TexCoord[0].st;
#ifdef QUIET
    vec4 color = texture2D(frame, st) * vec4(gl_Color.rgb, 1.0);
#else
    // static tears whole lines sideways
    float line = floor(gl_FragCoord.y / 3.0);
    float tear = (hash(vec2(line, frameNo)) - 0.5) * 0.03 * staticMix;
    vec4 color = texture2D(frame, st + vec2(tear, 0.0)) * vec4(gl_Color.rgb, 1.0);
#endif
#endif
    float luma = dot(color.rgb, vec3(0.299, 0.587, 0.114));
    vec3 tone = mix(vec3(0.09, 0.055, 0.025), vec3(1.0, 0.9, 0.72), luma);
    tone = mix(tone, tone * tone * 1.4, 0.25);

    // grain and flicker
    float grain = hash(gl_FragCoord.xy + frameNo * vec2(37.0, 17.0)) - 0.5;
    tone += grain * (0.09 + 0.12 * jitter);
    float flicker = 0.93 + 0.05 * hash(vec2(frameNo, 3.7)) + 0.02 * sin(timer * 31.0);
    tone *= flicker;

#ifndef PLASTER
    // vignette, and scratches (more of them when the projector shakes)
    vec2 centred = st - 0.5;
    tone *= 1.0 - 0.9 * dot(centred, centred);
    float epoch = floor(timer * 4.0);
    for (int i = 0; i < 3; i++) {
        float fi = float(i);
        float x = hash(vec2(epoch, fi + 1.3)) + 0.01 * sin(timer * 7.0 + fi);
        float on = step(0.55 - 0.3 * jitter, hash(vec2(epoch, fi + 7.1)));
        float scratch = 1.0 - smoothstep(0.0006, 0.0018, abs(st.x - x));
        tone = mix(tone, vec3(0.95, 0.88, 0.72), scratch * on * 0.35);
    }
#endif

    float fade = clamp(fadeLevel, 0.0, 1.0);
    tone *= fade;

    float opening = 1.0 - smoothstep(0.5, 1.5, timer);
    float staticShown = staticMix * max(fade, opening);
#ifdef QUIET
    // faint static: the snow's average, half the rolling band's mean
    tone = mix(tone, vec3(0.42, 0.394, 0.344), staticShown);
    float alpha = max(color.a, staticShown) * gl_Color.a;
#else
    // TV static with a rolling bright band, over the faded picture
    float snow = hash(floor(gl_FragCoord.xy / 2.0) + frameNo * vec2(13.0, 7.0));
    float band = 0.8 + 0.4 * smoothstep(0.9, 1.0, sin(gl_FragCoord.y * 0.02 - timer * 9.0));
    vec3 snowColor = vec3(snow * band) * vec3(1.0, 0.94, 0.82);
#ifdef PLASTER
    tone = mix(tone, snowColor, staticShown);
    float alpha = gl_Color.a;
#else
    // the first second's burst as a layer over the picture, whatever its
    // alpha; later, static shows as strongly as the picture does
    float layer = 1.0 - smoothstep(0.0, 1.0, timer);
    float layered = color.a + staticShown - color.a * staticShown;
    vec3 over = (tone * color.a * (1.0 - staticShown) + snowColor * staticShown) / max(layered, 1.0e-4);
    tone = mix(mix(tone, snowColor, staticShown), over, layer);
    float alpha = mix(max(color.a, staticShown), layered, layer) * gl_Color.a;
#endif
#endif
    gl_FragColor = vec4(clamp(tone, 0.0, 1.0), alpha);
}
