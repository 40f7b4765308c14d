/*
 * music_render_test.cpp - the soundtrack generator: the loudness meter on
 * signals of known loudness (K-weighting, gating, silence), the limiter's
 * ceiling, the score's shape, and a render that gives the same samples every
 * time.
 * Depends on: the kolvane_music library of assets/music.
 */
#include <gtest/gtest.h>

#include <math.h>
#include <vector>

#include "music.h"

namespace {

/* A stereo sine of the given frequency and peak amplitude, `seconds` long. */
void sine(std::vector<float> *l, std::vector<float> *r, double freq, double amplitude, double seconds)
{
    size_t n = (size_t)(seconds * MUSIC_RATE);
    for (size_t i = 0; i < n; i++) {
        float x = (float)(amplitude * sin(2.0 * M_PI * freq * (double)i / MUSIC_RATE));
        l->push_back(x);
        r->push_back(x);
    }
}

double loudnessOfSine(double freq, double amplitude)
{
    std::vector<float> l, r;
    sine(&l, &r, freq, amplitude, 10.0);
    return meterLoudness(l.data(), r.data(), l.size(), MUSIC_RATE);
}

}  // namespace

TEST(MusicMeter, StereoSineAt997HzReadsItsLevel)
{
    /* A full-scale 997 Hz sine in both channels reads 0 LUFS, so an
       amplitude of 0.1 reads -20 LUFS. */
    EXPECT_NEAR(loudnessOfSine(997.0, 0.1), -20.0, 0.1);
    EXPECT_NEAR(loudnessOfSine(997.0, 0.5), 20.0 * log10(0.5), 0.1);
}

TEST(MusicMeter, KWeightingLiftsTrebleAndCutsDeepBass)
{
    double mid = loudnessOfSine(997.0, 0.1);
    EXPECT_NEAR(loudnessOfSine(6000.0, 0.1) - mid, 3.3, 0.6);
    EXPECT_LT(loudnessOfSine(25.0, 0.1) - mid, -2.0);
}

TEST(MusicMeter, QuietPassagesBelowTheRelativeGateDoNotCount)
{
    std::vector<float> l, r;
    sine(&l, &r, 997.0, 0.1, 10.0);
    sine(&l, &r, 997.0, 0.001, 10.0);
    /* Ungated the mean would read about -23 LUFS. */
    EXPECT_NEAR(meterLoudness(l.data(), r.data(), l.size(), MUSIC_RATE), -20.0, 0.15);
}

TEST(MusicMeter, SilenceAndTooShortInputReadAsNothing)
{
    std::vector<float> l(MUSIC_RATE * 2, 0.0f), r(MUSIC_RATE * 2, 0.0f);
    EXPECT_LT(meterLoudness(l.data(), r.data(), l.size(), MUSIC_RATE), -70.0);
    EXPECT_LT(meterLoudness(l.data(), r.data(), 100, MUSIC_RATE), -70.0);
    l[123] = -0.5f;
    EXPECT_NEAR(meterPeakDb(l.data(), r.data(), l.size()), 20.0 * log10(0.5), 1e-6);
}

TEST(MusicLimiter, KeepsPeaksUnderTheCeilingAndLeavesQuietPartsAlone)
{
    std::vector<float> l, r;
    sine(&l, &r, 220.0, 0.2, 2.0);
    size_t quietEnd = l.size();
    sine(&l, &r, 220.0, 1.8, 1.0);
    r[quietEnd + 500] = -3.0f;
    std::vector<float> l0 = l;
    float ceiling = powf(10.0f, -2.0f / 20.0f);
    masterLimit(l.data(), r.data(), l.size(), ceiling);
    EXPECT_LE(meterPeakDb(l.data(), r.data(), l.size()), -2.0 + 1e-4);
    for (size_t i = 0; i + MUSIC_RATE / 10 < quietEnd; i++)
        ASSERT_EQ(l[i], l0[i]) << "frame " << i;
    /* The loud part is turned down, not clipped: its shape stays a sine. */
    size_t i = quietEnd + MUSIC_RATE / 2;
    EXPECT_NEAR(l[i] / l0[i], l[i + 37] / l0[i + 37], 0.02);
}

TEST(MusicScore, NotesAreWellFormedAndEndBeforeTheFade)
{
    std::vector<MusicNote> notes;
    scoreCompose(&notes);
    ASSERT_GT(notes.size(), 1000u);
    for (const MusicNote &n : notes) {
        EXPECT_GE(n.start, 0.0);
        EXPECT_LT(n.start, MUSIC_FADE_START);
        EXPECT_GT(n.length, 0.0);
        EXPECT_GE(n.velocity, 0.0f);
        EXPECT_LE(n.velocity, 1.0f);
        EXPECT_GE(n.instrument, 0);
        EXPECT_LT(n.instrument, (int)INST_COUNT);
    }
    std::vector<MusicNote> again;
    scoreCompose(&again);
    EXPECT_EQ(again.size(), notes.size());
}

TEST(MusicScore, EverySceneBoundaryFallsOnABarLine)
{
    const double boundaries[] = { 14.0, 140.5, 154.5, 177.5, 217.5, 247.5, 277.7, 298.2, 301.7, 356.7 };
    double start = 0.0;
    for (double b : boundaries) {
        double bar = 4.0 * scoreBeatLength(b - 0.001);
        double bars = (b - start) / bar;
        EXPECT_NEAR(bars, round(bars), 1e-6) << "section ending at " << b << " s";
        EXPECT_GT(60.0 * 4.0 / bar, 60.0);
        start = b;
    }
}

TEST(MusicRender, SameSamplesEveryTimeAndNeverAboveTheCeiling)
{
    std::vector<float> l1, r1, l2, r2;
    double loud1 = musicRender(20.0, &l1, &r1);
    double loud2 = musicRender(20.0, &l2, &r2);
    ASSERT_EQ(l1.size(), (size_t)(20.0 * MUSIC_RATE));
    EXPECT_EQ(loud1, loud2);
    EXPECT_TRUE(l1 == l2);
    EXPECT_TRUE(r1 == r2);
    EXPECT_NEAR(loud1, MUSIC_TARGET_LUFS, 0.2);
    EXPECT_LE(meterPeakDb(l1.data(), r1.data(), l1.size()), MUSIC_CEILING_DB + 1e-3);
    EXPECT_FALSE(l1 == r1) << "the mix is stereo";
}
