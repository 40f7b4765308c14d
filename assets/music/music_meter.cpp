/*
 * music_meter.cpp - loudness and peak measurement of a stereo signal:
 * integrated loudness after ITU-R BS.1770 (K-weighting pre-filter and RLB
 * high-pass, 400 ms blocks every 100 ms, absolute gate at -70 LUFS, relative
 * gate 10 LU below the ungated mean) and the sample peak.
 * Depends on: libm.
 */
#include "music.h"

#include <math.h>
#include <vector>

/* ---- Internal helpers ----------------------------------------------------- */

struct Biquad {
    double b0, b1, b2, a1, a2;
    double z1, z2;
};

/* The K-weighting stages designed for the given sample rate from their
   analogue prototypes (shelf at 1682 Hz, +4 dB; high-pass at 38 Hz). */
static void meterDesign(int rate, Biquad *shelf, Biquad *highpass)
{
    double f0 = 1681.974450955533, gainDb = 3.999843853973347, q = 0.7071752369554196;
    double k = tan(M_PI * f0 / rate);
    double vh = pow(10.0, gainDb / 20.0);
    double vb = pow(vh, 0.4996667741545416);
    double a0 = 1.0 + k / q + k * k;
    shelf->b0 = (vh + vb * k / q + k * k) / a0;
    shelf->b1 = 2.0 * (k * k - vh) / a0;
    shelf->b2 = (vh - vb * k / q + k * k) / a0;
    shelf->a1 = 2.0 * (k * k - 1.0) / a0;
    shelf->a2 = (1.0 - k / q + k * k) / a0;

    f0 = 38.13547087602444;
    q = 0.5003270373238773;
    k = tan(M_PI * f0 / rate);
    a0 = 1.0 + k / q + k * k;
    highpass->b0 = 1.0;
    highpass->b1 = -2.0;
    highpass->b2 = 1.0;
    highpass->a1 = 2.0 * (k * k - 1.0) / a0;
    highpass->a2 = (1.0 - k / q + k * k) / a0;
    shelf->z1 = shelf->z2 = highpass->z1 = highpass->z2 = 0.0;
}

static inline double biquadStep(Biquad *f, double x)
{
    double y = f->b0 * x + f->z1;
    f->z1 = f->b1 * x - f->a1 * y + f->z2;
    f->z2 = f->b2 * x - f->a2 * y;
    return y;
}

/* ---- Public functions ----------------------------------------------------- */

double meterLoudness(const float *left, const float *right, size_t frames, int rate)
{
    size_t step = (size_t)rate / 10;
    if (frames < 4 * step)
        return -HUGE_VAL;
    /* Mean square of the K-weighted signal in 100 ms slices, channels summed. */
    size_t slices = frames / step;
    std::vector<double> power(slices, 0.0);
    const float *channel[2] = { left, right };
    for (int c = 0; c < 2; c++) {
        Biquad shelf, highpass;
        meterDesign(rate, &shelf, &highpass);
        for (size_t s = 0; s < slices; s++) {
            double sum = 0.0;
            for (size_t i = s * step; i < (s + 1) * step; i++) {
                double y = biquadStep(&highpass, biquadStep(&shelf, channel[c][i]));
                sum += y * y;
            }
            power[s] += sum / (double)step;
        }
    }
    /* 400 ms blocks overlapping by 75 %. */
    size_t blocks = slices - 3;
    std::vector<double> block(blocks);
    for (size_t b = 0; b < blocks; b++)
        block[b] = 0.25 * (power[b] + power[b + 1] + power[b + 2] + power[b + 3]);

    double absoluteGate = pow(10.0, (-70.0 + 0.691) / 10.0);
    double sum = 0.0;
    size_t count = 0;
    for (size_t b = 0; b < blocks; b++)
        if (block[b] > absoluteGate) {
            sum += block[b];
            count++;
        }
    if (count == 0)
        return -HUGE_VAL;
    double relativeGate = sum / (double)count * pow(10.0, -10.0 / 10.0);
    sum = 0.0;
    count = 0;
    for (size_t b = 0; b < blocks; b++)
        if (block[b] > absoluteGate && block[b] > relativeGate) {
            sum += block[b];
            count++;
        }
    return -0.691 + 10.0 * log10(sum / (double)count);
}

double meterPeakDb(const float *left, const float *right, size_t frames)
{
    float peak = 0.0f;
    for (size_t i = 0; i < frames; i++) {
        peak = fmaxf(peak, fabsf(left[i]));
        peak = fmaxf(peak, fabsf(right[i]));
    }
    return peak > 0.0f ? 20.0 * log10(peak) : -HUGE_VAL;
}
