/*
 * music_synth.cpp - the synthesizer of the soundtrack: renders every note of
 * the score with its instrument (band-limited oscillators, ADSR envelopes,
 * state-variable filters, FM, a plucked string, synthesized drums and
 * effects noises) into a dry bus, a bus ducked by the kick drum, and sends to
 * a plate-like reverb and a tempo-following ping-pong echo, then mixes them.
 * Noise comes from xorshift generators seeded by the note's index, so the
 * same score always gives the same samples.
 * Depends on: music_score.cpp (beat length for the echo), libm.
 */
#include "music.h"

#include <math.h>
#include <stdint.h>  /* uint32_t noise state */
#include <string.h>  /* memset */
#include <vector>

/* ---- State ---------------------------------------------------------------- */

/* Mix buses of the piece being rendered; the dry bus is the caller's output. */
static float *s_dryL, *s_dryR;
static std::vector<float> s_duckL, s_duckR;   /* pads and bass under the kick   */
static std::vector<float> s_duckAmount;       /* 0..1 gain reduction of it      */
static std::vector<float> s_reverbSend;       /* mono send to the reverb        */
static std::vector<float> s_delaySend;        /* mono send to the echo          */
static size_t s_frames;

static const float SR = (float)MUSIC_RATE;
static const float TWO_PI = 6.283185307179586f;

/* Return levels of the effects. */
static const float REVERB_WET = 2.2f;
static const float DELAY_WET = 0.55f;
static const float DELAY_FEEDBACK = 0.42f;

/* ---- Internal helpers ----------------------------------------------------- */

/* Where one voice of a note goes: its first frame, pan gains and sends. */
struct Voice {
    size_t start;
    size_t frames;
    float gainL, gainR;
    float reverb, delay;
    int ducked;
};

struct Svf {
    float g, k, a1, a2, a3;
    float ic1, ic2;
    float band, high;
};

static inline float noise(uint32_t *state)
{
    uint32_t x = *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return (float)x * (2.0f / 4294967296.0f) - 1.0f;
}

static inline uint32_t seedFor(int index, int salt)
{
    uint32_t s = (uint32_t)(index + 1) * 2654435761u ^ (uint32_t)(salt + 1) * 40503u;
    return s ? s : 1u;
}

static inline float mtof(float pitch)
{
    return 440.0f * powf(2.0f, (pitch - 69.0f) / 12.0f);
}

static void svfSet(Svf *f, float cutoff, float q)
{
    if (cutoff < 20.0f)
        cutoff = 20.0f;
    if (cutoff > 0.45f * SR)
        cutoff = 0.45f * SR;
    f->g = tanf((float)M_PI * cutoff / SR);
    f->k = 1.0f / q;
    f->a1 = 1.0f / (1.0f + f->g * (f->g + f->k));
    f->a2 = f->g * f->a1;
    f->a3 = f->g * f->a2;
}

static void svfInit(Svf *f, float cutoff, float q)
{
    memset(f, 0, sizeof *f);
    svfSet(f, cutoff, q);
}

/* One step of the trapezoidal state-variable filter: returns the low-pass
   output and leaves band- and high-pass in the struct. */
static inline float svfRun(Svf *f, float x)
{
    float v3 = x - f->ic2;
    float v1 = f->a1 * f->ic1 + f->a2 * v3;
    float v2 = f->ic2 + f->a2 * f->ic1 + f->a3 * v3;
    f->ic1 = 2.0f * v1 - f->ic1;
    f->ic2 = 2.0f * v2 - f->ic2;
    f->band = v1;
    f->high = x - f->k * v1 - v2;
    return v2;
}

/* Band-limiting correction at the discontinuity of a unit-phase oscillator. */
static inline float polyBlep(float t, float dt)
{
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0f;
    }
    if (t > 1.0f - dt) {
        t = (t - 1.0f) / dt;
        return t * t + t + t + 1.0f;
    }
    return 0.0f;
}

static inline float sawAt(float phase, float dt)
{
    return 2.0f * phase - 1.0f - polyBlep(phase, dt);
}

static inline float squareAt(float phase, float dt)
{
    float half = phase + 0.5f;
    if (half >= 1.0f)
        half -= 1.0f;
    return (phase < 0.5f ? 1.0f : -1.0f) + polyBlep(phase, dt) - polyBlep(half, dt);
}

static inline float advance(float phase, float dt)
{
    phase += dt;
    return phase >= 1.0f ? phase - 1.0f : phase;
}

/* Attack-decay-sustain while held, exponential release after `hold`. */
static float adsr(float t, float hold, float a, float d, float s, float r)
{
    float x = t < hold ? t : hold;
    float level = x < a ? x / a : s + (1.0f - s) * expf(-(x - a) / d);
    if (t > hold)
        level *= expf(-(t - hold) / r);
    return level;
}

/* The note's own release time where the score gives one. */
static inline float releaseOf(const MusicNote *n, float standard)
{
    return n->release > 0.0f ? n->release : standard;
}

static Voice voiceFor(const MusicNote *n, float pan, double seconds)
{
    Voice v;
    v.start = (size_t)(n->start * MUSIC_RATE);
    size_t want = (size_t)(seconds * MUSIC_RATE);
    v.frames = v.start >= s_frames ? 0 : (want < s_frames - v.start ? want : s_frames - v.start);
    if (pan < -1.0f)
        pan = -1.0f;
    if (pan > 1.0f)
        pan = 1.0f;
    float angle = (pan + 1.0f) * (float)M_PI * 0.25f;
    v.gainL = cosf(angle) * 1.41421356f;
    v.gainR = sinf(angle) * 1.41421356f;
    v.reverb = n->reverb;
    v.delay = n->delay;
    v.ducked = n->ducked && n->instrument != INST_KICK;
    return v;
}

static inline void emit(const Voice *v, size_t i, float l, float r)
{
    size_t at = v->start + i;
    l *= v->gainL;
    r *= v->gainR;
    if (v->ducked) {
        s_duckL[at] += l;
        s_duckR[at] += r;
    } else {
        s_dryL[at] += l;
        s_dryR[at] += r;
    }
    s_reverbSend[at] += (l + r) * v->reverb;
    s_delaySend[at] += (l + r) * v->delay;
}

/* A short linear fade over the last 10 ms of a voice, against clicks. */
static inline float tailFade(const Voice *v, size_t i)
{
    size_t fade = (size_t)(0.01f * SR);
    size_t left = v->frames - i;
    return left < fade ? (float)left / (float)fade : 1.0f;
}

/* ---- Internal helpers: tonal instruments ---------------------------------- */

static void renderPad(const MusicNote *n, int index, int strings)
{
    static const float padCents[6] = { -14.0f, -7.0f, -2.0f, 3.0f, 8.0f, 15.0f };
    static const float stringCents[4] = { -9.0f, -3.0f, 4.0f, 10.0f };
    const float *cents = strings ? stringCents : padCents;
    int voices = strings ? 4 : 6;
    float attack = strings ? 0.35f : fminf(1.4f, (float)n->length * 0.4f);
    float release = releaseOf(n, strings ? 0.9f : 2.0f);
    Voice v = voiceFor(n, n->pan, n->length + release * 5.0);
    float f = mtof(n->pitch);
    float phase[6], dt[6];
    uint32_t seed = seedFor(index, 1);
    for (int k = 0; k < voices; k++) {
        phase[k] = 0.5f * (noise(&seed) + 1.0f);
        dt[k] = f * powf(2.0f, cents[k] / 1200.0f) / SR;
    }
    float base = strings ? 300.0f + 5000.0f * n->bright * n->bright : 220.0f + 6000.0f * n->bright * n->bright;
    Svf fl, fr;
    svfInit(&fl, base, 0.8f);
    svfInit(&fr, base, 0.8f);
    float gain = (strings ? 0.07f : 0.055f) * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        if ((i & 31) == 0) {
            float lfo = 1.0f + 0.18f * sinf(TWO_PI * 0.13f * ((float)n->start + t));
            svfSet(&fl, base * lfo, 0.8f);
            svfSet(&fr, base * lfo * 1.03f, 0.8f);
        }
        float l = 0.0f, r = 0.0f;
        for (int k = 0; k < voices; k++) {
            float s = sawAt(phase[k], dt[k]);
            phase[k] = advance(phase[k], dt[k]);
            if (k & 1)
                r += s;
            else
                l += s;
        }
        float env = adsr(t, (float)n->length, attack, 1.5f, 0.85f, release) * gain * tailFade(&v, i);
        if (strings)
            env *= 0.7f + 0.3f * sinf(TWO_PI * 6.5f * t);
        emit(&v, i, svfRun(&fl, l) * env, svfRun(&fr, r) * env);
    }
}

static void renderBass(const MusicNote *n)
{
    float release = releaseOf(n, 0.07f);
    Voice v = voiceFor(n, n->pan, n->length + release * 6.0f);
    float f = mtof(n->pitch);
    float dt = f / SR, phase = 0.0f;
    Svf filter;
    svfInit(&filter, 200.0f, 1.2f);
    float gain = 0.30f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        if ((i & 15) == 0)
            svfSet(&filter, 60.0f + 1.5f * f + 2600.0f * n->bright * expf(-t / 0.12f), 1.2f);
        float s = 0.6f * sawAt(phase, dt) + 0.6f * sinf(TWO_PI * phase);
        phase = advance(phase, dt);
        float env = adsr(t, (float)n->length, 0.004f, 0.25f, 0.7f, release) * tailFade(&v, i);
        float y = tanhf(1.3f * svfRun(&filter, s)) * env * gain;
        emit(&v, i, y, y);
    }
}

static void renderSub(const MusicNote *n)
{
    float release = releaseOf(n, 0.8f);
    Voice v = voiceFor(n, 0.0f, n->length + release * 5.0f);
    float dt = mtof(n->pitch) / SR, phase = 0.0f;
    float gain = 0.30f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float env = adsr(t, (float)n->length, 0.8f, 1.0f, 1.0f, release) * tailFade(&v, i);
        float y = sinf(TWO_PI * phase) * env * gain;
        phase = advance(phase, dt);
        emit(&v, i, y, y);
    }
}

static void renderLead(const MusicNote *n)
{
    float release = releaseOf(n, 0.3f);
    Voice v = voiceFor(n, n->pan, n->length + release * 6.0f);
    float f = mtof(n->pitch);
    float b = n->bright;
    float phase[2] = { 0.0f, 0.37f };
    float detune[2] = { 0.9965f, 1.0035f };
    Svf filter;
    svfInit(&filter, 1000.0f, 1.0f);
    float attack = b < 0.3f ? 0.07f : 0.025f;
    float gain = 0.22f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float depth = t < 0.25f ? 0.0f : fminf(1.0f, (t - 0.25f) / 0.5f) * 0.18f;
        float vib = powf(2.0f, depth * sinf(TWO_PI * 5.2f * t) / 12.0f);
        if ((i & 15) == 0)
            svfSet(&filter, f * (1.5f + 9.0f * b) + 2000.0f * b * expf(-t / 0.3f), 1.0f);
        float out[2];
        for (int k = 0; k < 2; k++) {
            float dt = f * vib * detune[k] / SR;
            float tri = 1.0f - 4.0f * fabsf(phase[k] - 0.5f);
            out[k] = (1.0f - b) * tri + b * sawAt(phase[k], dt);
            phase[k] = advance(phase[k], dt);
        }
        float env = adsr(t, (float)n->length, attack, 0.5f, 0.75f, release) * gain * tailFade(&v, i);
        float mono = svfRun(&filter, 0.5f * (out[0] + out[1])) * env;
        float side = 0.25f * (out[0] - out[1]) * env;
        emit(&v, i, mono + side, mono - side);
    }
}

/* Plucked string: a delay line one period long, fed with a noise burst and
   averaged on every pass (Karplus-Strong), linearly interpolated so the
   pitch is exact. */
static void renderPluck(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, n->pan, n->length + 0.6);
    float f = mtof(n->pitch);
    float period = SR / f - 0.5f;
    if (period < 2.0f)
        period = 2.0f;
    std::vector<float> y(v.frames + 2, 0.0f);
    uint32_t seed = seedFor(index, 2);
    float smooth = 0.15f + 0.8f * n->bright, lp = 0.0f;
    size_t burst = (size_t)(SR / f);
    float held = powf(10.0f, -3.0f / (2.6f * f));
    float damped = powf(10.0f, -3.0f / (0.25f * f));
    float gain = 0.45f * n->velocity;
    size_t hold = (size_t)(n->length * MUSIC_RATE);
    for (size_t i = 0; i < v.frames; i++) {
        float x = 0.0f;
        if (i < burst) {
            lp += smooth * (noise(&seed) - lp);
            x = lp;
        }
        float pos = (float)i - period;
        float fb = 0.0f;
        if (pos >= 1.0f) {
            size_t p = (size_t)pos;
            float fr = pos - (float)p;
            float a = y[p] + fr * (y[p + 1] - y[p]);
            float c = y[p - 1] + fr * (y[p] - y[p - 1]);
            fb = (i < hold ? held : damped) * 0.5f * (a + c);
        }
        y[i] = x + fb;
        float out = y[i] * gain * tailFade(&v, i);
        emit(&v, i, out, out);
    }
}

static void renderBell(const MusicNote *n)
{
    Voice v = voiceFor(n, n->pan, n->length + 3.0);
    float f = mtof(n->pitch);
    float gain = 0.13f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float index = (1.0f + 3.0f * n->bright) * expf(-t / 0.6f) + 0.3f;
        float y = sinf(TWO_PI * f * t + index * sinf(TWO_PI * 3.5f * f * t));
        y += 0.25f * sinf(TWO_PI * 2.0f * f * t) * expf(-t / 0.5f);
        float env = fminf(1.0f, t / 0.002f) * expf(-t / 1.8f);
        if (t > n->length)
            env *= expf(-(t - (float)n->length) / 0.6f);
        y *= env * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

static void renderEpiano(const MusicNote *n)
{
    Voice v = voiceFor(n, n->pan, n->length + 1.8);
    float f = mtof(n->pitch);
    float gain = 0.16f * n->velocity;
    int tine = 14.0f * f < 15000.0f;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float index = (0.8f + 1.5f * n->bright) * expf(-t / 0.5f) + 0.15f;
        float y = sinf(TWO_PI * f * t + index * sinf(TWO_PI * f * t));
        if (tine)
            y += 0.15f * n->velocity * sinf(TWO_PI * 14.0f * f * t) * expf(-t / 0.03f);
        y *= adsr(t, (float)n->length, 0.002f, 1.2f, 0.35f, 0.35f) * gain * tailFade(&v, i);
        float wobble = 0.3f * sinf(TWO_PI * 4.0f * t);
        emit(&v, i, y * (1.0f - wobble), y * (1.0f + wobble));
    }
}

static void renderArp(const MusicNote *n)
{
    Voice v = voiceFor(n, n->pan, n->length + 0.5);
    float f = mtof(n->pitch);
    float dt = f / SR, dt2 = dt * 1.004f, p1 = 0.0f, p2 = 0.25f;
    Svf filter;
    svfInit(&filter, 1000.0f, 2.0f);
    float gain = 0.10f * n->velocity;
    float b2 = n->bright * n->bright;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        if ((i & 15) == 0)
            svfSet(&filter, 200.0f + 9000.0f * b2 * (0.3f + 0.7f * expf(-t / 0.08f)), 2.0f);
        float s = sawAt(p1, dt) + 0.5f * squareAt(p2, dt2);
        p1 = advance(p1, dt);
        p2 = advance(p2, dt2);
        float y = svfRun(&filter, s) * adsr(t, (float)n->length, 0.002f, 0.15f, 0.4f, 0.08f) * gain *
                  tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

static void renderBleep(const MusicNote *n)
{
    Voice v = voiceFor(n, n->pan, n->length + 0.2);
    float dt = mtof(n->pitch) / SR, phase = 0.0f;
    Svf filter;
    svfInit(&filter, 5000.0f, 0.7f);
    float gain = 0.06f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float y = svfRun(&filter, squareAt(phase, dt));
        phase = advance(phase, dt);
        y *= adsr(t, (float)n->length, 0.001f, 0.05f, 0.5f, 0.03f) * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

/* ---- Internal helpers: drums and effects noises --------------------------- */

static void renderKick(const MusicNote *n, int index)
{
    float decay = 0.15f + 0.2f * n->bright;
    Voice v = voiceFor(n, 0.0f, decay * 5.0f);
    uint32_t seed = seedFor(index, 3);
    float phase = 0.0f, gain = 0.32f * n->velocity;
    float depth = 0.65f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float freq = 51.0f + 140.0f * expf(-t / 0.03f);
        phase = advance(phase, freq / SR);
        float body = sinf(TWO_PI * phase) * expf(-t / decay);
        float click = noise(&seed) * expf(-t / 0.003f) * 0.3f;
        float y = tanhf(2.0f * (body + click)) * gain * tailFade(&v, i);
        emit(&v, i, y, y);
        if (n->ducked) {
            float duck = depth * (t < 0.006f ? t / 0.006f : expf(-(t - 0.006f) / 0.12f));
            size_t at = v.start + i;
            if (duck > s_duckAmount[at])
                s_duckAmount[at] = duck;
        }
    }
}

static void renderSnare(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, n->pan, 0.6);
    uint32_t seed = seedFor(index, 4);
    Svf filter;
    svfInit(&filter, 1200.0f + 2500.0f * n->bright, 0.7f);
    float tail = 0.12f + 0.1f * n->bright, gain = 0.45f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float tone = 0.5f * sinf(TWO_PI * 190.0f * t) * expf(-t / 0.05f) +
                     0.3f * sinf(TWO_PI * 330.0f * t) * expf(-t / 0.03f);
        svfRun(&filter, noise(&seed));
        float y = (tone + filter.high * expf(-t / tail)) * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

static void renderClap(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, n->pan, 0.7);
    uint32_t seed = seedFor(index, 5);
    Svf filter;
    svfInit(&filter, 1300.0f, 1.5f);
    float gain = 0.9f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float env = 0.0f;
        for (int k = 0; k < 3; k++) {
            float at = 0.011f * (float)k;
            if (t >= at)
                env = fmaxf(env, expf(-(t - at) / 0.004f));
        }
        if (t >= 0.034f)
            env = fmaxf(env, expf(-(t - 0.034f) / 0.13f));
        svfRun(&filter, noise(&seed));
        float y = filter.band * env * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

/* Hats and shaker: high-passed noise with a short or long decay. */
static void renderHat(const MusicNote *n, int index)
{
    int open = n->instrument == INST_OPENHAT, shaker = n->instrument == INST_SHAKER;
    float decay = open ? 0.22f : shaker ? 0.05f : 0.035f;
    Voice v = voiceFor(n, n->pan, decay * 5.0f);
    uint32_t seed = seedFor(index, 6);
    Svf filter;
    svfInit(&filter, shaker ? 6000.0f : 7500.0f, shaker ? 1.0f : 0.7f);
    float gain = (open ? 0.30f : shaker ? 0.36f : 0.42f) * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        svfRun(&filter, noise(&seed));
        float s = shaker ? filter.band : filter.high;
        float env = shaker && t < 0.012f ? t / 0.012f : expf(-t / decay);
        float y = s * env * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

static void renderRim(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, n->pan, 0.15);
    uint32_t seed = seedFor(index, 7);
    Svf filter;
    svfInit(&filter, 3000.0f, 1.5f);
    float gain = 0.28f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        svfRun(&filter, noise(&seed));
        float y = sinf(TWO_PI * 1700.0f * t) * expf(-t / 0.012f) + filter.band * expf(-t / 0.008f) +
                  0.5f * sinf(TWO_PI * 500.0f * t) * expf(-t / 0.02f);
        y *= gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

static void renderTom(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, n->pan, 1.5);
    uint32_t seed = seedFor(index, 8);
    float f = mtof(n->pitch), phase = 0.0f, gain = 0.35f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        phase = advance(phase, f * (1.0f + 0.6f * expf(-t / 0.04f)) / SR);
        float y = sinf(TWO_PI * phase) * expf(-t / 0.35f) + 0.2f * noise(&seed) * expf(-t / 0.02f);
        y = tanhf(1.5f * y) * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

/* Crash cymbal: two decorrelated noise channels and six square waves at
   inharmonic ratios, band-limited to the top octaves. */
static void renderCrash(const MusicNote *n, int index)
{
    static const float metal[6] = { 205.3f, 304.4f, 369.6f, 522.7f, 540.0f, 800.0f };
    float decay = 0.5f + 1.5f * n->bright;
    Voice v = voiceFor(n, n->pan, decay * 5.0f);
    uint32_t seedL = seedFor(index, 9), seedR = seedFor(index, 10);
    Svf hl, hr, band;
    svfInit(&hl, 3500.0f, 0.7f);
    svfInit(&hr, 3500.0f, 0.7f);
    svfInit(&band, 8000.0f, 1.2f);
    float phase[6] = { 0 };
    float gain = 0.24f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float ring = 0.0f;
        for (int k = 0; k < 6; k++) {
            phase[k] = advance(phase[k], metal[k] * 1.7f / SR);
            ring += phase[k] < 0.5f ? 1.0f : -1.0f;
        }
        svfRun(&band, ring);
        svfRun(&hl, noise(&seedL));
        svfRun(&hr, noise(&seedR));
        float env = fminf(1.0f, t / 0.001f) * expf(-t / decay) * gain * tailFade(&v, i);
        float m = 0.12f * band.band;
        emit(&v, i, (hl.high + m) * env, (hr.high + m) * env);
    }
}

static void renderBoom(const MusicNote *n, int index)
{
    float decay = 0.8f + 1.2f * n->bright;
    Voice v = voiceFor(n, 0.0f, decay * 5.0f);
    uint32_t seed = seedFor(index, 11);
    Svf filter;
    svfInit(&filter, 200.0f, 0.7f);
    float phase = 0.0f, gain = 0.6f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        phase = advance(phase, (30.0f + 50.0f * expf(-t / 0.15f)) / SR);
        float y = sinf(TWO_PI * phase) * expf(-t / decay) + 0.5f * svfRun(&filter, noise(&seed)) * expf(-t / 0.3f);
        y = tanhf(1.5f * y) * fminf(1.0f, t / 0.002f) * gain * tailFade(&v, i);
        emit(&v, i, y, y);
    }
}

/* Radio static: band-passed stereo noise chopped by a random gate that
   changes every few milliseconds, decaying over the burst. */
static void renderStatic(const MusicNote *n, int index)
{
    float len = (float)n->length;
    Voice v = voiceFor(n, n->pan, len * 2.5f);
    uint32_t seedL = seedFor(index, 12), seedR = seedFor(index, 13), seedGate = seedFor(index, 14);
    Svf fl, fr;
    svfInit(&fl, 2500.0f, 0.7f);
    svfInit(&fr, 2700.0f, 0.7f);
    float gate = 1.0f;
    size_t nextGate = 0;
    float gain = 0.5f * n->velocity;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        if (i >= nextGate) {
            gate = 0.35f + 0.65f * 0.5f * (noise(&seedGate) + 1.0f);
            nextGate = i + (size_t)(SR * (0.004f + 0.02f * 0.5f * (noise(&seedGate) + 1.0f)));
        }
        svfRun(&fl, noise(&seedL));
        svfRun(&fr, noise(&seedR));
        float env = fminf(1.0f, t / 0.005f) * expf(-t / (0.4f * len)) * gate * gain * tailFade(&v, i);
        emit(&v, i, (fl.band + 0.3f * fl.high) * env, (fr.band + 0.3f * fr.high) * env);
    }
}

/* Riser: noise through a band-pass that climbs from 250 Hz to 10 kHz and a
   sine gliding up two octaves, both growing louder over the note. */
static void renderRiser(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, 0.0f, n->length);
    uint32_t seedL = seedFor(index, 15), seedR = seedFor(index, 16);
    Svf fl, fr;
    svfInit(&fl, 250.0f, 2.0f);
    svfInit(&fr, 250.0f, 2.0f);
    float f = mtof(n->pitch), phase = 0.0f, gain = 0.35f * n->velocity;
    float len = (float)n->length;
    for (size_t i = 0; i < v.frames; i++) {
        float u = (float)i / SR / len;
        if ((i & 31) == 0) {
            float c = 250.0f * powf(40.0f, u);
            svfSet(&fl, c, 2.0f);
            svfSet(&fr, c * 1.05f, 2.0f);
        }
        phase = advance(phase, f * powf(4.0f, u) / SR);
        svfRun(&fl, noise(&seedL));
        svfRun(&fr, noise(&seedR));
        float tone = 0.12f * sinf(TWO_PI * phase);
        float env = (0.05f + 0.95f * u * u) * gain * tailFade(&v, i);
        emit(&v, i, (fl.band + tone) * env, (fr.band + tone) * env);
    }
}

static void renderSwell(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, 0.0f, n->length);
    uint32_t seedL = seedFor(index, 17), seedR = seedFor(index, 18);
    Svf hl, hr;
    svfInit(&hl, 4000.0f, 0.7f);
    svfInit(&hr, 4000.0f, 0.7f);
    float gain = 0.3f * n->velocity, len = (float)n->length;
    for (size_t i = 0; i < v.frames; i++) {
        float u = (float)i / SR / len;
        svfRun(&hl, noise(&seedL));
        svfRun(&hr, noise(&seedR));
        float env = u * u * u * gain * tailFade(&v, i);
        emit(&v, i, hl.high * env, hr.high * env);
    }
}

/* Record crackle: a faint band-limited hiss with sparse clicks and pops,
   independent on each side. */
static void renderCrackle(const MusicNote *n, int index)
{
    Voice v = voiceFor(n, 0.0f, n->length);
    uint32_t seed[2] = { seedFor(index, 19), seedFor(index, 20) };
    Svf tone[2];
    float pop[2] = { 0.0f, 0.0f };
    svfInit(&tone[0], 3500.0f, 0.6f);
    svfInit(&tone[1], 3500.0f, 0.6f);
    float popDecay = expf(-1.0f / (0.0008f * SR));
    float gain = 0.35f * n->velocity;
    float fadeIn = 1.5f, fadeOut = 1.0f, len = (float)n->length;
    for (size_t i = 0; i < v.frames; i++) {
        float t = (float)i / SR;
        float out[2];
        for (int c = 0; c < 2; c++) {
            float r = noise(&seed[c]);
            if (fabsf(r) > 1.0f - 7.0f / SR)
                pop[c] = r > 0.0f ? 0.4f + 0.6f * fabsf(noise(&seed[c])) : -0.3f - 0.5f * fabsf(noise(&seed[c]));
            float hiss = 0.02f * noise(&seed[c]);
            svfRun(&tone[c], pop[c] + hiss);
            out[c] = tone[c].band;
            pop[c] *= popDecay;
        }
        float env = fminf(1.0f, t / fadeIn) * fminf(1.0f, (len - t) / fadeOut) * gain;
        if (env < 0.0f)
            env = 0.0f;
        emit(&v, i, out[0] * env, out[1] * env);
    }
}

static void renderNote(const MusicNote *n, int index)
{
    switch (n->instrument) {
    case INST_PAD: renderPad(n, index, 0); break;
    case INST_STRINGS: renderPad(n, index, 1); break;
    case INST_BASS: renderBass(n); break;
    case INST_SUB: renderSub(n); break;
    case INST_LEAD: renderLead(n); break;
    case INST_PLUCK: renderPluck(n, index); break;
    case INST_BELL: renderBell(n); break;
    case INST_EPIANO: renderEpiano(n); break;
    case INST_ARP: renderArp(n); break;
    case INST_BLEEP: renderBleep(n); break;
    case INST_KICK: renderKick(n, index); break;
    case INST_SNARE: renderSnare(n, index); break;
    case INST_CLAP: renderClap(n, index); break;
    case INST_HAT:
    case INST_OPENHAT:
    case INST_SHAKER: renderHat(n, index); break;
    case INST_RIM: renderRim(n, index); break;
    case INST_TOM: renderTom(n, index); break;
    case INST_CRASH: renderCrash(n, index); break;
    case INST_BOOM: renderBoom(n, index); break;
    case INST_STATIC: renderStatic(n, index); break;
    case INST_RISER: renderRiser(n, index); break;
    case INST_SWELL: renderSwell(n, index); break;
    case INST_CRACKLE: renderCrackle(n, index); break;
    default: break;
    }
}

/* ---- Internal helpers: effects -------------------------------------------- */

/* Reverb after the classic Schroeder-Moorer design: eight damped comb
   filters in parallel and four all-passes in series per side, the right
   side's delays slightly longer for width. Input is pre-delayed and
   high-passed so the low end stays dry. */
static void effectReverb(float *left, float *right)
{
    static const int combs[8] = { 1116, 1188, 1277, 1356, 1422, 1491, 1557, 1617 };
    static const int allpasses[4] = { 556, 441, 341, 225 };
    const int spread = 23;
    const float feedback = 0.86f, damp = 0.3f, input = 0.015f;
    size_t predelay = (size_t)(0.025f * SR);
    for (int side = 0; side < 2; side++) {
        std::vector<float> comb[8], allpass[4];
        size_t combAt[8] = { 0 }, allAt[4] = { 0 };
        float store[8] = { 0 };
        for (int k = 0; k < 8; k++)
            comb[k].assign((size_t)(combs[k] + side * spread), 0.0f);
        for (int k = 0; k < 4; k++)
            allpass[k].assign((size_t)(allpasses[k] + side * spread), 0.0f);
        float *out = side ? right : left;
        Svf highpass;
        svfInit(&highpass, 180.0f, 0.7f);
        for (size_t i = 0; i < s_frames; i++) {
            svfRun(&highpass, i >= predelay ? s_reverbSend[i - predelay] : 0.0f);
            float x = highpass.high * input, acc = 0.0f;
            for (int k = 0; k < 8; k++) {
                float y = comb[k][combAt[k]];
                store[k] = y * (1.0f - damp) + store[k] * damp;
                comb[k][combAt[k]] = x + store[k] * feedback;
                if (++combAt[k] == comb[k].size())
                    combAt[k] = 0;
                acc += y;
            }
            for (int k = 0; k < 4; k++) {
                float b = allpass[k][allAt[k]];
                allpass[k][allAt[k]] = acc + b * 0.5f;
                acc = b - acc;
                if (++allAt[k] == allpass[k].size())
                    allAt[k] = 0;
            }
            out[i] += acc * REVERB_WET;
        }
    }
}

/* Ping-pong echo at a dotted eighth of the current beat; the delay time
   glides to the new tempo at a section change. Repeats are darkened. */
static void effectDelay(float *left, float *right)
{
    size_t size = (size_t)(1.5f * SR);
    std::vector<float> lineL(size, 0.0f), lineR(size, 0.0f);
    float delay = (float)(0.75 * scoreBeatLength(0.0)) * SR, target = delay;
    float dampL = 0.0f, dampR = 0.0f;
    float smooth = 1.0f - expf(-1.0f / (0.05f * SR));
    for (size_t i = 0; i < s_frames; i++) {
        if ((i & 63) == 0)
            target = (float)(0.75 * scoreBeatLength((double)i / MUSIC_RATE)) * SR;
        delay += (target - delay) * smooth;
        float pos = (float)i - delay;
        float outL = 0.0f, outR = 0.0f;
        if (pos >= 0.0f) {
            size_t p = (size_t)pos;
            float fr = pos - (float)p;
            size_t a = p % size, b = (p + 1) % size;
            outL = lineL[a] + fr * (lineL[b] - lineL[a]);
            outR = lineR[a] + fr * (lineR[b] - lineR[a]);
        }
        dampL += 0.35f * (outL - dampL);
        dampR += 0.35f * (outR - dampR);
        lineL[i % size] = s_delaySend[i] + dampR * DELAY_FEEDBACK;
        lineR[i % size] = dampL;
        left[i] += outL * DELAY_WET;
        right[i] += outR * DELAY_WET;
    }
}

/* ---- Public functions ----------------------------------------------------- */

void synthRender(const std::vector<MusicNote> &notes, double seconds, float *left, float *right)
{
    s_frames = (size_t)(seconds * MUSIC_RATE);
    s_dryL = left;
    s_dryR = right;
    memset(left, 0, s_frames * sizeof *left);
    memset(right, 0, s_frames * sizeof *right);
    s_duckL.assign(s_frames, 0.0f);
    s_duckR.assign(s_frames, 0.0f);
    s_duckAmount.assign(s_frames, 0.0f);
    s_reverbSend.assign(s_frames, 0.0f);
    s_delaySend.assign(s_frames, 0.0f);

    for (size_t k = 0; k < notes.size(); k++)
        if (notes[k].start >= 0.0 && notes[k].start < seconds)
            renderNote(&notes[k], (int)k);

    for (size_t i = 0; i < s_frames; i++) {
        float keep = 1.0f - s_duckAmount[i];
        left[i] += s_duckL[i] * keep;
        right[i] += s_duckR[i] * keep;
    }
    effectReverb(left, right);
    effectDelay(left, right);

    std::vector<float>().swap(s_duckL);
    std::vector<float>().swap(s_duckR);
    std::vector<float>().swap(s_duckAmount);
    std::vector<float>().swap(s_reverbSend);
    std::vector<float>().swap(s_delaySend);
}
