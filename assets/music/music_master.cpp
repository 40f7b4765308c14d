/*
 * music_master.cpp - the master stage of the soundtrack: composes and renders
 * the piece, removes DC, fades the end to silence, brings the integrated
 * loudness to the target and keeps every sample under the ceiling with a
 * look-ahead limiter. Everything is computed offline over the whole buffer,
 * so the result depends only on the score.
 * Depends on: music_score.cpp, music_synth.cpp, music_meter.cpp, libm.
 */
#include "music.h"

#include <math.h>
#include <vector>

/* ---- State ---------------------------------------------------------------- */

/* Limiter timing: gain falls over the attack before a peak and recovers
   with the release time constant after it. */
static const double LIMIT_ATTACK_S = 0.004;
static const double LIMIT_RELEASE_S = 0.180;

/* ---- Internal helpers ----------------------------------------------------- */

/* First-order high-pass at 18 Hz: removes DC and sub-audio rumble. */
static void masterHighpass(float *x, size_t frames)
{
    double r = exp(-2.0 * M_PI * 18.0 / MUSIC_RATE);
    double prevIn = 0.0, prevOut = 0.0;
    for (size_t i = 0; i < frames; i++) {
        double y = r * (prevOut + x[i] - prevIn);
        prevIn = x[i];
        prevOut = y;
        x[i] = (float)y;
    }
}

/* Raised-cosine fade from full level at MUSIC_FADE_START to silence at
   MUSIC_FADE_END; silence after. */
static void masterFade(float *left, float *right, size_t frames)
{
    size_t from = (size_t)(MUSIC_FADE_START * MUSIC_RATE);
    size_t to = (size_t)(MUSIC_FADE_END * MUSIC_RATE);
    for (size_t i = from; i < frames; i++) {
        double g = 0.0;
        if (i < to)
            g = 0.5 + 0.5 * cos(M_PI * (double)(i - from) / (double)(to - from));
        left[i] = (float)(left[i] * g);
        right[i] = (float)(right[i] * g);
    }
}

/* ---- Public functions ----------------------------------------------------- */

void masterLimit(float *left, float *right, size_t frames, float ceiling)
{
    if (frames == 0)
        return;
    std::vector<float> gain(frames);
    for (size_t i = 0; i < frames; i++) {
        float peak = fmaxf(fabsf(left[i]), fabsf(right[i]));
        gain[i] = peak > ceiling ? ceiling / peak : 1.0f;
    }
    /* Backwards: the gain reaches each reduction linearly over the attack. */
    float attackStep = (float)(1.0 / (LIMIT_ATTACK_S * MUSIC_RATE));
    for (size_t i = frames - 1; i-- > 0;)
        gain[i] = fminf(gain[i], gain[i + 1] + attackStep);
    /* Forwards: the gain recovers exponentially, never above what is needed. */
    float release = (float)(1.0 - exp(-1.0 / (LIMIT_RELEASE_S * MUSIC_RATE)));
    for (size_t i = 1; i < frames; i++)
        gain[i] = fminf(gain[i], gain[i - 1] + (1.0f - gain[i - 1]) * release);
    for (size_t i = 0; i < frames; i++) {
        left[i] *= gain[i];
        right[i] *= gain[i];
    }
}

double musicRender(double seconds, std::vector<float> *left, std::vector<float> *right)
{
    std::vector<MusicNote> notes;
    scoreCompose(&notes);
    size_t frames = (size_t)(seconds * MUSIC_RATE);
    std::vector<float> rawLeft(frames), rawRight(frames);
    synthRender(notes, seconds, rawLeft.data(), rawRight.data());
    masterHighpass(rawLeft.data(), frames);
    masterHighpass(rawRight.data(), frames);
    masterFade(rawLeft.data(), rawRight.data(), frames);

    left->resize(frames);
    right->resize(frames);
    float ceiling = (float)pow(10.0, MUSIC_CEILING_DB / 20.0);
    double gainDb = MUSIC_TARGET_LUFS - meterLoudness(rawLeft.data(), rawRight.data(), frames, MUSIC_RATE);
    if (!isfinite(gainDb))
        gainDb = 0.0;
    double loudness = -HUGE_VAL;
    /* The limiter takes a little loudness away: measure and correct. */
    for (int pass = 0; pass < 4; pass++) {
        float g = (float)pow(10.0, gainDb / 20.0);
        for (size_t i = 0; i < frames; i++) {
            (*left)[i] = rawLeft[i] * g;
            (*right)[i] = rawRight[i] * g;
        }
        masterLimit(left->data(), right->data(), frames, ceiling);
        loudness = meterLoudness(left->data(), right->data(), frames, MUSIC_RATE);
        if (!isfinite(loudness) || fabs(loudness - MUSIC_TARGET_LUFS) < 0.05)
            break;
        gainDb += MUSIC_TARGET_LUFS - loudness;
    }
    return loudness;
}
