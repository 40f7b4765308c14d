/*
 * music_render_test.cpp - the soundtrack generator: the loudness meter on
 * signals of known loudness (K-weighting, gating, silence), the limiter's
 * ceiling, instruments in tune and within bounds, the kick's ducking, the
 * score's shape, and a render that gives the same samples every time.
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

MusicNote noteOf(int instrument, double start, double length, float pitch)
{
    MusicNote n;
    n.start = start;
    n.length = length;
    n.pitch = pitch;
    n.velocity = 0.8f;
    n.pan = 0.0f;
    n.bright = 0.5f;
    n.reverb = 0.0f;
    n.delay = 0.0f;
    n.release = 0.0f;
    n.instrument = instrument;
    n.ducked = 0;
    return n;
}

/* Fundamental of the left channel between 0.2 and 0.5 s, from the peak of
   the normalised autocorrelation near the expected period. */
double fundamental(const std::vector<float> &x, double expected)
{
    size_t from = MUSIC_RATE / 5, length = (size_t)(0.3 * MUSIC_RATE);
    auto correlation = [&](int lag) {
        double s = 0.0, e1 = 0.0, e2 = 0.0;
        for (size_t i = from; i < from + length; i++) {
            s += (double)x[i] * x[i + (size_t)lag];
            e1 += (double)x[i] * x[i];
            e2 += (double)x[i + (size_t)lag] * x[i + (size_t)lag];
        }
        return s / sqrt(e1 * e2 + 1e-30);
    };
    int lo = (int)(MUSIC_RATE / (expected * 1.06)), hi = (int)(MUSIC_RATE / (expected / 1.06)), best = lo;
    for (int lag = lo; lag <= hi; lag++)
        if (correlation(lag) > correlation(best))
            best = lag;
    double y0 = correlation(best - 1), y1 = correlation(best), y2 = correlation(best + 1);
    return MUSIC_RATE / (best + 0.5 * (y0 - y2) / (y0 - 2.0 * y1 + y2));
}

}  // namespace

TEST(MusicSynth, TonalInstrumentsPlayInTune)
{
    const int tonal[] = { INST_PAD, INST_STRINGS, INST_BASS, INST_SUB, INST_LEAD,
                          INST_PLUCK, INST_EPIANO, INST_ARP, INST_BLEEP };
    for (int instrument : tonal)
        for (float pitch : { 45.0f, 69.0f, 81.0f }) {
            std::vector<MusicNote> notes(1, noteOf(instrument, 0.0, 1.0, pitch));
            std::vector<float> l(MUSIC_RATE), r(MUSIC_RATE);
            synthRender(notes, 1.0, l.data(), r.data());
            double expected = 440.0 * pow(2.0, (pitch - 69.0) / 12.0);
            double cents = 1200.0 * log2(fundamental(l, expected) / expected);
            EXPECT_NEAR(cents, 0.0, 5.0) << "instrument " << instrument << " pitch " << pitch;
        }
}

TEST(MusicSynth, EveryInstrumentStaysFiniteAndInsideTheBuffer)
{
    std::vector<MusicNote> notes;
    for (int instrument = 0; instrument < INST_COUNT; instrument++) {
        notes.push_back(noteOf(instrument, 0.0, 0.5, 60.0f));
        /* Starts just before the end and would ring on for seconds. */
        notes.push_back(noteOf(instrument, 1.99, 3.0, 30.0f));
        notes.push_back(noteOf(instrument, 2.5, 1.0, 60.0f));
    }
    for (MusicNote &n : notes) {
        n.reverb = 0.3f;
        n.delay = 0.3f;
    }
    std::vector<float> l(2 * MUSIC_RATE), r(2 * MUSIC_RATE);
    synthRender(notes, 2.0, l.data(), r.data());
    for (size_t i = 0; i < l.size(); i++) {
        ASSERT_TRUE(isfinite(l[i]) && isfinite(r[i])) << "frame " << i;
        ASSERT_LT(fabsf(l[i]) + fabsf(r[i]), 20.0f) << "frame " << i;
    }
    EXPECT_GT(meterPeakDb(l.data(), r.data(), l.size()), -30.0);
}

TEST(MusicSynth, TheKickDucksThePadsAndLetsThemBack)
{
    std::vector<float> duckedL(3 * MUSIC_RATE), duckedR(3 * MUSIC_RATE), plainL(3 * MUSIC_RATE), plainR(3 * MUSIC_RATE);
    std::vector<MusicNote> notes = { noteOf(INST_PAD, 0.0, 2.9, 57.0f), noteOf(INST_KICK, 1.0, 0.1, 0.0f) };
    notes[0].ducked = notes[1].ducked = 1;
    synthRender(notes, 3.0, duckedL.data(), duckedR.data());
    notes[0].ducked = 0;
    synthRender(notes, 3.0, plainL.data(), plainR.data());
    auto difference = [&](double from, double to) {
        double sum = 0.0;
        for (size_t i = (size_t)(from * MUSIC_RATE); i < (size_t)(to * MUSIC_RATE); i++)
            sum += fabs(plainL[i] - duckedL[i]);
        return sum;
    };
    EXPECT_EQ(difference(0.0, 0.999), 0.0);
    EXPECT_GT(difference(1.0, 1.1), 1.0);
    EXPECT_LT(difference(2.0, 2.1), 0.01 * difference(1.0, 1.1));
}

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
