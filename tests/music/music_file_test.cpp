/*
 * music_file_test.cpp - the committed soundtrack "data/test.mp3": the audio
 * layer opens it and reports its length; decoded with libmpg123 it is
 * 44.1 kHz stereo at 192 kbit/s or better, lasts long enough for the demo,
 * stays under the peak ceiling, has the target loudness, changes audibly at
 * every scene boundary and at the carousel's static bursts, never falls
 * silent before the end, and fades to silence after it.
 * Depends on: libmpg123, the audio layer (tvx_audio), the loudness meter of
 * assets/music.
 */
#include <gtest/gtest.h>

#include <math.h>
#include <mpg123.h>
#include <stdlib.h>  /* setenv */
#include <complex>
#include <vector>

#include "music.h"
#include "tvx_audio.h"

namespace {

const char *MUSIC = "data/test.mp3";
const double DEMO_END = 366.7;
/* Where the scenes change, and the explosion inside scene 7. */
const double BOUNDARIES[] = { 14.0, 140.5, 154.5, 177.5, 217.5, 247.5, 277.7, 298.2, 301.7, 356.7 };
const double SEPIA_BURSTS[] = { 40.7, 49.9, 60.0, 68.0, 86.0, 97.0 };

struct Decoded {
    long rate = 0;
    int channels = 0;
    int bitrate = 0;
    std::vector<float> left, right;
    bool ok = false;
};

/* Decodes the whole file once for every test of this executable. */
const Decoded &decoded()
{
    static Decoded d;
    static bool done = false;
    if (done)
        return d;
    done = true;
    int err = MPG123_OK;
    mpg123_handle *mh = mpg123_new(nullptr, &err);
    if (!mh)
        return d;
    const long *rates = nullptr;
    size_t count = 0;
    mpg123_rates(&rates, &count);
    mpg123_format_none(mh);
    for (size_t k = 0; k < count; k++)
        mpg123_format(mh, rates[k], MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(mh, MUSIC) == MPG123_OK) {
        int encoding = 0;
        mpg123_getformat(mh, &d.rate, &d.channels, &encoding);
        std::vector<float> buffer(32768);
        int result;
        do {
            size_t bytes = 0;
            result = mpg123_read(mh, buffer.data(), buffer.size() * sizeof(float), &bytes);
            size_t n = bytes / sizeof(float);
            for (size_t i = 0; i + (size_t)d.channels <= n; i += (size_t)d.channels) {
                d.left.push_back(buffer[i]);
                d.right.push_back(buffer[i + (size_t)(d.channels - 1)]);
            }
            if (result == MPG123_NEW_FORMAT)
                result = MPG123_OK;
        } while (result == MPG123_OK);
        mpg123_frameinfo info;
        if (mpg123_info(mh, &info) == MPG123_OK)
            d.bitrate = info.bitrate;
        d.ok = result == MPG123_DONE && !d.left.empty();
        mpg123_close(mh);
    }
    mpg123_delete(mh);
    return d;
}

size_t frameAt(double seconds)
{
    const Decoded &d = decoded();
    size_t i = (size_t)(seconds * (double)d.rate);
    return i < d.left.size() ? i : d.left.size();
}

/* RMS level of both channels over [from, to), in dBFS. */
double rmsDb(double from, double to)
{
    const Decoded &d = decoded();
    size_t a = frameAt(from), b = frameAt(to);
    double sum = 0.0;
    for (size_t i = a; i < b; i++)
        sum += (double)d.left[i] * d.left[i] + (double)d.right[i] * d.right[i];
    double ms = b > a ? sum / (2.0 * (double)(b - a)) : 0.0;
    return ms > 0.0 ? 10.0 * log10(ms) : -200.0;
}

void fft(std::vector<std::complex<double>> &x)
{
    size_t n = x.size();
    for (size_t i = 1, j = 0; i < n; i++) {
        size_t bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j)
            std::swap(x[i], x[j]);
    }
    for (size_t len = 2; len <= n; len <<= 1) {
        std::complex<double> step = std::polar(1.0, -2.0 * M_PI / (double)len);
        for (size_t i = 0; i < n; i += len) {
            std::complex<double> w = 1.0;
            for (size_t k = 0; k < len / 2; k++, w *= step) {
                std::complex<double> u = x[i + k], v = x[i + k + len / 2] * w;
                x[i + k] = u + v;
                x[i + k + len / 2] = u - v;
            }
        }
    }
}

/* Levels in dB of eight octave-wide bands (40 Hz to 16 kHz) over [from, to),
   averaged over Hann-windowed 4096-point spectra of the mid signal. */
std::vector<double> bandLevels(double from, double to)
{
    static const double edges[9] = { 40, 120, 250, 500, 1000, 2000, 4000, 8000, 16000 };
    const Decoded &d = decoded();
    const size_t n = 4096;
    std::vector<double> power(n / 2, 0.0);
    for (size_t a = frameAt(from); a + n <= frameAt(to); a += n / 2) {
        std::vector<std::complex<double>> x(n);
        for (size_t i = 0; i < n; i++)
            x[i] = 0.5 * (d.left[a + i] + d.right[a + i]) * (0.5 - 0.5 * cos(2.0 * M_PI * (double)i / (double)n));
        fft(x);
        for (size_t k = 0; k < n / 2; k++)
            power[k] += std::norm(x[k]);
    }
    std::vector<double> bands(8, 0.0);
    for (size_t k = 1; k < n / 2; k++) {
        double f = (double)k * (double)d.rate / (double)n;
        for (int b = 0; b < 8; b++)
            if (f >= edges[b] && f < edges[b + 1])
                bands[b] += power[k];
    }
    for (double &b : bands)
        b = 10.0 * log10(b + 1e-12);
    return bands;
}

/* The largest change of any band between two stretches, in dB. */
double spectralChange(double a0, double a1, double b0, double b1)
{
    std::vector<double> before = bandLevels(a0, a1), after = bandLevels(b0, b1);
    double change = 0.0;
    for (int b = 0; b < 8; b++)
        change = fmax(change, fabs(after[b] - before[b]));
    return change;
}

class MusicFile : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(decoded().ok) << MUSIC << " does not decode"; }
};

}  // namespace

TEST(MusicAudioLayer, OpensTheFileAndReportsAtLeast370Seconds)
{
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    TvxAudioSystem *sys = nullptr;
    TvxAudioStream *stream = nullptr;
    ASSERT_EQ(tvx_audioCreate(&sys), TVX_AUDIO_OK);
    ASSERT_EQ(tvx_audioInit(sys, 1), TVX_AUDIO_OK);
    ASSERT_EQ(tvx_audioOpenStream(sys, MUSIC, &stream), TVX_AUDIO_OK);
    unsigned int ms = 0;
    EXPECT_EQ(tvx_audioGetLength(stream, &ms), TVX_AUDIO_OK);
    EXPECT_GE(ms, 370000u);
    tvx_audioRelease(sys);
    tvx_audioCloseStream(stream);
}

TEST_F(MusicFile, IsStereoAt44100HzAnd192KbitOrMore)
{
    const Decoded &d = decoded();
    EXPECT_EQ(d.rate, 44100);
    EXPECT_EQ(d.channels, 2);
    EXPECT_GE(d.bitrate, 192);
}

TEST_F(MusicFile, LastsAtLeast370Seconds)
{
    const Decoded &d = decoded();
    EXPECT_GE((double)d.left.size() / (double)d.rate, 370.0);
}

TEST_F(MusicFile, PeakAndLoudnessWithinTheLimits)
{
    const Decoded &d = decoded();
    double peak = meterPeakDb(d.left.data(), d.right.data(), d.left.size());
    double loudness = meterLoudness(d.left.data(), d.right.data(), d.left.size(), (int)d.rate);
    EXPECT_LE(peak, -1.0);
    EXPECT_NEAR(loudness, -16.0, 1.5);
    printf("[ MEASURED ] sample peak %.2f dBFS, integrated loudness %.2f LUFS\n", peak, loudness);
}

TEST_F(MusicFile, EveryScenePlaysUnderMusic)
{
    double quietest = 0.0;
    for (double t = 1.0; t + 1.0 <= DEMO_END; t += 1.0) {
        double level = rmsDb(t, t + 1.0);
        EXPECT_GT(level, -45.0) << "near silence at " << t << " s";
        quietest = fmin(quietest, level);
    }
    printf("[ MEASURED ] quietest second before the end: %.1f dBFS RMS\n", quietest);
}

TEST_F(MusicFile, SectionsChangeAudiblyAtTheSceneBoundaries)
{
    for (double b : BOUNDARIES) {
        double change = spectralChange(b - 1.0, b - 0.02, b + 0.02, b + 1.0);
        EXPECT_GE(change, 6.0) << "boundary at " << b << " s";
        printf("[ MEASURED ] %6.1f s: largest band change %.1f dB\n", b, change);
    }
}

TEST_F(MusicFile, StaticBurstsOfTheCarouselStandOut)
{
    for (double t : SEPIA_BURSTS) {
        std::vector<double> before = bandLevels(t - 2.2, t - 1.3), after = bandLevels(t, t + 0.5);
        /* The static lives between 1 and 8 kHz. */
        double rise = 0.0;
        for (int b = 4; b < 7; b++)
            rise = fmax(rise, after[b] - before[b]);
        EXPECT_GE(rise, 6.0) << "burst at " << t << " s";
        printf("[ MEASURED ] %5.1f s: static burst %.1f dB over the bar before\n", t, rise);
    }
}

TEST_F(MusicFile, TheExplosionFollowsAHeldBreath)
{
    double breath = rmsDb(297.3, 298.1), blast = rmsDb(298.2, 299.2), before = rmsDb(290.0, 296.0);
    EXPECT_GE(blast - breath, 8.0);
    EXPECT_GE(blast, before);
}

TEST_F(MusicFile, FadesToSilenceAfterTheDemoEnds)
{
    const Decoded &d = decoded();
    double end = (double)d.left.size() / (double)d.rate;
    EXPECT_GT(rmsDb(DEMO_END - 1.0, DEMO_END), -40.0);
    double previous = rmsDb(DEMO_END, DEMO_END + 1.0);
    for (double t = DEMO_END + 1.0; t + 1.0 <= DEMO_END + 4.0; t += 1.0) {
        double level = rmsDb(t, t + 1.0);
        EXPECT_LT(level, previous) << "at " << t << " s";
        previous = level;
    }
    EXPECT_LT(rmsDb(end - 1.0, end), -70.0);
}
