/*
 * tvx_noise.cpp - deterministic noise and interpolation: the integer hash,
 * smoothed and cosine-interpolated value noise, the three-octave sum, the
 * counter noise, cosine easing and the sawtooth. Results are single-precision;
 * every partial sum is stored as a float. No allocation, no tables.
 * Depends on: libm.
 */
#include "tvx.h"

#include <math.h>
#include <stdint.h>

/* The hash works in 32-bit two's complement that wraps on overflow; the
 * arithmetic is done unsigned, where wrapping is defined, and read back signed. */
float tvx_noise(int x, int y, int seed)
{
    uint32_t n = (uint32_t)x + (uint32_t)y * 57u + (uint32_t)seed * 131u;
    n = n ^ (n << 13);
    uint32_t v = (n * (n * n * 15731u + 789221u) + 1376312589u) & 0x7FFFFFFFu;
    return (float)(1.0 - (double)(int32_t)v / 1073741824.0);
}

float tvx_smoothed1DNoise(int x, int seed)
{
    float sum = tvx_noise(x, 0, seed) / 2.0f;
    sum = sum + tvx_noise(x - 1, 0, seed) / 4.0f;
    sum = sum + tvx_noise(x + 1, 0, seed) / 4.0f;
    return sum;
}

float tvx_smoothed2DNoise(int x, int y, int seed)
{
    float corners = tvx_noise(x - 1, y - 1, seed);
    corners = corners + tvx_noise(x + 1, y - 1, seed);
    corners = corners + tvx_noise(x - 1, y + 1, seed);
    corners = corners + tvx_noise(x + 1, y + 1, seed);
    corners = corners / 16.0f;
    float sides = tvx_noise(x - 1, y, seed);
    sides = sides + tvx_noise(x + 1, y, seed);
    sides = sides + tvx_noise(x, y - 1, seed);
    sides = sides + tvx_noise(x, y + 1, seed);
    sides = sides / 8.0f;
    float centre = tvx_noise(x, y, seed) / 4.0f;
    return corners + sides + centre;
}

float tvx_1DcosInterpolate(float a, float b, float t)
{
    float ft = (float)(t * 3.14159265);
    float f = (float)((1.0 - cos(ft)) * 0.5);
    return (1.0f - f) * a + f * b;
}

float tvx_cos_interpolate(float a, float b, float t)
{
    return tvx_1DcosInterpolate(a, b, t);
}

float tvx_1D_CosNoise(float x, int seed)
{
    int i = (int)x;
    float fraction = x - (float)i;
    return tvx_1DcosInterpolate(tvx_smoothed1DNoise(i, seed),
                                tvx_smoothed1DNoise(i + 1, seed), fraction);
}

float tvx_2D_CosNoise(float x, float y, int seed)
{
    int ix = (int)x;
    float fx = x - (float)ix;
    int iy = (int)y;
    float fy = y - (float)iy;
    float c00 = tvx_smoothed2DNoise(ix, iy, seed);
    float c10 = tvx_smoothed2DNoise(ix + 1, iy, seed);
    float c01 = tvx_smoothed2DNoise(ix, iy + 1, seed);
    float c11 = tvx_smoothed2DNoise(ix + 1, iy + 1, seed);
    float bottom = tvx_1DcosInterpolate(c00, c10, fx);
    float top = tvx_1DcosInterpolate(c01, c11, fx);
    return tvx_1DcosInterpolate(bottom, top, fy);
}

/* Octave weights are i XOR 2 (frequency) and i XOR 3 (amplitude): 2/3, 3/2
 * and 0/1. The last octave samples the lattice at the origin, a constant per
 * seed; the scenes' motion is tuned to exactly these weights. */
float tvx_perlin2DNoise(float x, float y, int seed)
{
    float total = 0.0f;
    for (int i = 0; i < 3; i++) {
        float frequency = (float)(i ^ 2);
        float amplitude = (float)(i ^ 3);
        total = tvx_2D_CosNoise(x * frequency, y * frequency, seed) * amplitude + total;
    }
    return total;
}

float tvx_random(void)
{
    static int x = 0, y = 0, seed = 0;
    float value = tvx_noise(x, y, seed);
    x++;
    y++;
    seed++;
    return value;
}

float tvx_sawWave(float x)
{
    float fraction = x - (float)(int)x;
    return 1.0f - fraction;
}
