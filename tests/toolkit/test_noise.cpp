/*
 * test_noise.cpp - the noise and interpolation functions: the hash and the
 * counter noise to the last bit, the octave sum, the mirror of truncation
 * towards zero, cosine easing and the sawtooth.
 */
#include <gtest/gtest.h>

#include "tvx.h"

#include <limits.h>
#include <stdint.h>
#include <string.h>

static uint32_t bits(float value)
{
    uint32_t b;
    memcpy(&b, &value, sizeof b);
    return b;
}

/* The hash worked through in 64-bit arithmetic, cut to 32 bits at each step. */
static float hashReference(int64_t x, int64_t y, int64_t seed)
{
    uint64_t n = (uint64_t)(x + y * 57 + seed * 131) & 0xFFFFFFFFu;
    n = (n ^ (n << 13)) & 0xFFFFFFFFu;
    uint64_t v = ((n * ((n * n * 15731 + 789221) & 0xFFFFFFFFu) + 1376312589) & 0x7FFFFFFFu);
    return (float)(1.0 - (double)v / 1073741824.0);
}

TEST(Noise, HashValuesToTheLastBit)
{
    EXPECT_EQ(bits(-0.28179097f), bits(tvx_noise(0, 0, 0)));
    EXPECT_EQ(bits(-0.22637305f), bits(tvx_noise(1, 0, 0)));
    EXPECT_EQ(bits(0.20434399f), bits(tvx_noise(0, 1, 0)));
    EXPECT_EQ(bits(-0.48214623f), bits(tvx_noise(0, 0, 1)));
    EXPECT_EQ(bits(-0.47373590f), bits(tvx_noise(42, 0, 0)));
    const int wide[][3] = {{INT_MAX, INT_MAX, INT_MAX}, {INT_MIN, 12345, -999}, {-7, INT_MIN, 3}, {77777, -88888, 99999}};
    for (const int *c : wide)
        EXPECT_EQ(bits(hashReference(c[0], c[1], c[2])), bits(tvx_noise(c[0], c[1], c[2])))
            << c[0] << ", " << c[1] << ", " << c[2];
}

TEST(Noise, RandomWalksTheDiagonal)
{
    EXPECT_EQ(bits(-0.28179097f), bits(tvx_random()));
    EXPECT_EQ(bits(-0.68251556f), bits(tvx_random()));
    EXPECT_EQ(bits(-0.52439123f), bits(tvx_random()));
    EXPECT_EQ(bits(tvx_noise(3, 3, 3)), bits(tvx_random()));
}

TEST(Noise, OctaveSumUsesExclusiveOrWeights)
{
    EXPECT_NEAR(1.11571f, tvx_perlin2DNoise(0, 0, 42), 1e-5);
    EXPECT_NEAR(-0.22965f, tvx_perlin2DNoise(0.5f, 0, 42), 1e-5);
}

TEST(Noise, TruncationTowardsZeroMirrorsTheFirstCell)
{
    EXPECT_EQ(bits(tvx_2D_CosNoise(0.5f, 0.25f, 3)), bits(tvx_2D_CosNoise(-0.5f, 0.25f, 3)));
    EXPECT_EQ(bits(tvx_1D_CosNoise(0.3f, 3)), bits(tvx_1D_CosNoise(-0.3f, 3)));
    EXPECT_EQ(bits(tvx_smoothed1DNoise(2, 3)), bits(tvx_1D_CosNoise(2.0f, 3)));
}

TEST(Noise, CosineEasing)
{
    EXPECT_NEAR(210.88f, tvx_cos_interpolate(0, 1440, 0.25f), 0.01);
    EXPECT_EQ(3.0f, tvx_cos_interpolate(3, 9, 0));
    EXPECT_EQ(9.0f, tvx_cos_interpolate(3, 9, 1));
    EXPECT_NEAR(6.0f, tvx_cos_interpolate(3, 9, 0.5f), 1e-6);
    EXPECT_NEAR(tvx_cos_interpolate(3, 9, 0.5f), tvx_cos_interpolate(3, 9, 1.5f), 1e-6) << "period 2, not clamped";
    EXPECT_EQ(bits(tvx_1DcosInterpolate(-2, 5, 0.3f)), bits(tvx_cos_interpolate(-2, 5, 0.3f)));
}

TEST(Noise, SawWave)
{
    EXPECT_EQ(1.0f, tvx_sawWave(0));
    EXPECT_EQ(0.75f, tvx_sawWave(0.25f));
    EXPECT_EQ(0.25f, tvx_sawWave(1.75f));
    EXPECT_EQ(1.25f, tvx_sawWave(-0.25f));
}
