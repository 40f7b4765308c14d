/*
 * audio_test.cpp - the audio layer on generated tones: length, position
 * advancing with time, seeking, pause holding the position, the end of the
 * stream, restarting, bad input, the fallback to the dummy driver, and the
 * heard-position estimate of a real device, and the pacing that keeps it with
 * the wall clock, on scripted timelines of the device's buffer requests.
 *
 * The playing cases run twice: on SDL's dummy driver (silent, the clock on the
 * wall clock) and on its disk driver, which the layer treats as a real device
 * (the clock from the buffers the device asks for, one buffer of latency), its
 * output going to /dev/null.
 */
#include <gtest/gtest.h>

#include <SDL.h>
#include <cstdlib>
#include <string>
#include <ctime>
#include <sys/stat.h> /* mkfifo */
#include <unistd.h>  /* usleep, alarm */

#include "pace_sim.h"
#include "tvx_audio.h"

namespace {

const char *TONE = CORE_MUSIC "/tone3s.mp3";
const char *MONO = CORE_MUSIC "/mono2s.mp3";

void waitMs(int ms)
{
    usleep((useconds_t)ms * 1000);
}

double wallMs()
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}


unsigned int position(TvxAudioChannel *ch)
{
    unsigned int ms = 12345678;
    EXPECT_EQ(tvx_audioGetPosition(ch, &ms), TVX_AUDIO_OK);
    return ms;
}

/* The position once it has passed `ms`, waiting up to 5 s for it: on a busy
 * machine the device may take a while to ask for more. */
unsigned int positionPast(TvxAudioChannel *ch, unsigned int ms)
{
    for (int i = 0; i < 100 && position(ch) <= ms; i++)
        waitMs(50);
    return position(ch);
}

/* How far the position moves while `ms` of wall-clock time pass (measured,
 * so that a late wake-up does not count against the layer). */
void expectRealTime(TvxAudioChannel *ch, int ms)
{
    double start = wallMs();
    unsigned int a = position(ch);
    waitMs(ms);
    unsigned int b = position(ch);
    double passed = wallMs() - start;
    EXPECT_NEAR((double)(b - a), passed, 120.0);
}

class Audio : public testing::TestWithParam<const char *> {
protected:
    TvxAudioSystem *sys = nullptr;
    TvxAudioStream *stream = nullptr;
    TvxAudioChannel *ch = nullptr;

    void SetUp() override
    {
        setenv("SDL_AUDIODRIVER", GetParam(), 1);
        setenv("SDL_DISKAUDIOFILE", "/dev/null", 1);
        ASSERT_EQ(tvx_audioCreate(&sys), TVX_AUDIO_OK);
        ASSERT_EQ(tvx_audioInit(sys, 1), TVX_AUDIO_OK);
    }

    void TearDown() override
    {
        tvx_audioRelease(sys);
        if (stream)
            tvx_audioCloseStream(stream);
    }

    void play(const char *path, int paused)
    {
        ASSERT_EQ(tvx_audioOpenStream(sys, path, &stream), TVX_AUDIO_OK);
        ASSERT_EQ(tvx_audioPlay(sys, stream, paused, &ch), TVX_AUDIO_OK);
    }
};

INSTANTIATE_TEST_SUITE_P(Drivers, Audio, testing::Values("dummy", "disk"));

TEST_P(Audio, OnlyTheDummyDriverIsSilent)
{
    EXPECT_EQ(tvx_audioIsSilent(sys), std::string(GetParam()) == "dummy" ? 1 : 0);
    EXPECT_STREQ(tvx_audioDriverName(sys), GetParam());
    unsigned int version = 0;
    EXPECT_EQ(tvx_audioGetVersion(sys, &version), TVX_AUDIO_OK);
    EXPECT_EQ(version, TVX_AUDIO_VERSION);
}

TEST_P(Audio, LengthOfStereoAndMonoTones)
{
    unsigned int ms = 0;
    ASSERT_EQ(tvx_audioOpenStream(sys, TONE, &stream), TVX_AUDIO_OK);
    EXPECT_EQ(tvx_audioGetLength(stream, &ms), TVX_AUDIO_OK);
    EXPECT_EQ(ms, 3000u);
    TvxAudioStream *mono = nullptr;
    ASSERT_EQ(tvx_audioOpenStream(sys, MONO, &mono), TVX_AUDIO_OK);
    EXPECT_EQ(tvx_audioGetLength(mono, &ms), TVX_AUDIO_OK);
    /* This file carries no gapless information: the encoder's padding counts. */
    EXPECT_GE(ms, 2000u);
    EXPECT_LE(ms, 2100u);
    tvx_audioCloseStream(mono);
    unsigned int file = 0;
    EXPECT_EQ(tvx_audioFileLength(MONO, &file), TVX_AUDIO_OK) << "no system needed";
    EXPECT_EQ(file, ms);
}

TEST_P(Audio, PositionAdvancesWithTime)
{
    play(TONE, 0);
    EXPECT_LT(position(ch), 100u);
    waitMs(300);
    expectRealTime(ch, 600);
    int paused = 1;
    EXPECT_EQ(tvx_audioGetPaused(ch, &paused), TVX_AUDIO_OK);
    EXPECT_EQ(paused, 0);
}

TEST_P(Audio, MonoPlaysAtItsOwnRate)
{
    play(MONO, 0);
    waitMs(300);
    expectRealTime(ch, 600);
}

TEST_P(Audio, PlayingPausedHoldsZero)
{
    play(TONE, 1);
    waitMs(200);
    EXPECT_EQ(position(ch), 0u);
    ASSERT_EQ(tvx_audioSetPaused(ch, 0), TVX_AUDIO_OK);
    EXPECT_GT(positionPast(ch, 100), 100u);
}

TEST_P(Audio, SeekMovesThePositionAtOnce)
{
    play(TONE, 0);
    ASSERT_EQ(tvx_audioSetPosition(ch, 1500), TVX_AUDIO_OK);
    unsigned int p = position(ch);
    EXPECT_GE(p, 1500u);
    EXPECT_LT(p, 1550u);
    EXPECT_GT(positionPast(ch, 1600), 1600u);
    ASSERT_EQ(tvx_audioSetPosition(ch, 100), TVX_AUDIO_OK);
    EXPECT_LT(position(ch), 150u) << "seeking backwards";
}

TEST_P(Audio, SeekOutsideTheStreamIsRefused)
{
    play(TONE, 1);
    ASSERT_EQ(tvx_audioSetPosition(ch, 700), TVX_AUDIO_OK);
    EXPECT_EQ(tvx_audioSetPosition(ch, 3001), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioSetPosition(ch, 0xFFFFFFFFu), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(position(ch), 700u);
    EXPECT_EQ(tvx_audioSetPosition(ch, 3000), TVX_AUDIO_OK);
    EXPECT_EQ(position(ch), 3000u);
}

TEST_P(Audio, EveryMillisecondSetReadsBackUnchanged)
{
    play(MONO, 1);
    for (unsigned int ms = 0; ms <= 2000; ms += 7) {
        ASSERT_EQ(tvx_audioSetPosition(ch, ms), TVX_AUDIO_OK);
        ASSERT_EQ(position(ch), ms);
    }
}

TEST_P(Audio, PauseHoldsThePositionAndSeekKeepsThePause)
{
    play(TONE, 0);
    waitMs(300);
    ASSERT_EQ(tvx_audioSetPaused(ch, 1), TVX_AUDIO_OK);
    unsigned int held = position(ch);
    waitMs(300);
    EXPECT_EQ(position(ch), held);
    int paused = 0;
    tvx_audioGetPaused(ch, &paused);
    EXPECT_EQ(paused, 1);

    ASSERT_EQ(tvx_audioSetPosition(ch, 2000), TVX_AUDIO_OK);
    tvx_audioGetPaused(ch, &paused);
    EXPECT_EQ(paused, 1);
    waitMs(100);
    EXPECT_EQ(position(ch), 2000u);

    ASSERT_EQ(tvx_audioSetPaused(ch, 1), TVX_AUDIO_OK) << "pausing twice changes nothing";
    ASSERT_EQ(tvx_audioSetPaused(ch, 0), TVX_AUDIO_OK);
    EXPECT_EQ(position(ch), 2000u);
    waitMs(400);
    EXPECT_GT(position(ch), 2100u);
}

/* ... while the time since the end was heard runs on. */
TEST_P(Audio, ThePositionStaysAtTheLengthAfterTheEnd)
{
    play(TONE, 0);
    ASSERT_EQ(tvx_audioSetPosition(ch, 2850), TVX_AUDIO_OK);
    unsigned int past = 12345;
    ASSERT_EQ(tvx_audioGetTimePastEnd(ch, &past), TVX_AUDIO_OK);
    EXPECT_EQ(past, 0u);
    waitMs(700);
    EXPECT_EQ(position(ch), 3000u);
    waitMs(300);
    EXPECT_EQ(position(ch), 3000u);
    ASSERT_EQ(tvx_audioGetTimePastEnd(ch, &past), TVX_AUDIO_OK);
    EXPECT_GE(past, 500u) << "the end was heard about 850 ms ago";
    EXPECT_LE(past, 1500u);
    ASSERT_EQ(tvx_audioSetPaused(ch, 1), TVX_AUDIO_OK);
    EXPECT_EQ(position(ch), 3000u);
    ASSERT_EQ(tvx_audioSetPaused(ch, 0), TVX_AUDIO_OK);
    waitMs(100);
    EXPECT_EQ(position(ch), 3000u);
}

TEST_P(Audio, PlayingAgainRestartsFromTheBeginning)
{
    play(TONE, 0);
    ASSERT_EQ(tvx_audioSetPosition(ch, 2500), TVX_AUDIO_OK);
    TvxAudioChannel *again = nullptr;
    ASSERT_EQ(tvx_audioPlay(sys, stream, 0, &again), TVX_AUDIO_OK);
    EXPECT_LT(position(again), 100u);
    unsigned int later = positionPast(again, 100);
    EXPECT_GT(later, 100u);
    EXPECT_LT(later, 2000u) << "from the beginning, not from where the first one was";
}

/* A directory, a device and a FIFO are refused before anything is read: the
 * FIFO, with no writer, would hold an ordinary open for ever (the alarm ends
 * the test instead). */
TEST_P(Audio, MissingUndecodableAndNonFiles)
{
    EXPECT_EQ(tvx_audioOpenStream(sys, "data/there-is-no-such.mp3", &stream),
              TVX_AUDIO_ERR_FILE_NOT_FOUND);
    EXPECT_EQ(tvx_audioOpenStream(sys, CORE_MUSIC "/notmp3.mp3", &stream), TVX_AUDIO_ERR_FILE_BAD);
    EXPECT_EQ(tvx_audioOpenStream(sys, CORE_MUSIC, &stream), TVX_AUDIO_ERR_NOT_A_FILE);
    EXPECT_EQ(tvx_audioOpenStream(sys, "/dev/null", &stream), TVX_AUDIO_ERR_NOT_A_FILE);
    std::string fifo = std::string(CORE_MUSIC) + "/fifo-" + GetParam() + ".mp3";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    alarm(20);
    EXPECT_EQ(tvx_audioOpenStream(sys, fifo.c_str(), &stream), TVX_AUDIO_ERR_NOT_A_FILE);
    unsigned int ms = 0;
    EXPECT_EQ(tvx_audioFileLength(fifo.c_str(), &ms), TVX_AUDIO_ERR_NOT_A_FILE);
    alarm(0);
    unlink(fifo.c_str());
    EXPECT_EQ(stream, nullptr);
    EXPECT_STREQ(tvx_audioErrorString(TVX_AUDIO_ERR_NOT_A_FILE),
                 "Not a file (a directory, a FIFO or a device).");
}

TEST(AudioLayer, NullHandlesAndAnUninitialisedSystemAreRefused)
{
    TvxAudioSystem *sys = nullptr;
    TvxAudioStream *stream = nullptr;
    TvxAudioChannel *ch = nullptr;
    unsigned int ms = 0;
    int paused = 0;
    EXPECT_EQ(tvx_audioCreate(nullptr), TVX_AUDIO_ERR_INVALID_PARAM);
    ASSERT_EQ(tvx_audioCreate(&sys), TVX_AUDIO_OK);
    EXPECT_EQ(tvx_audioOpenStream(sys, TONE, &stream), TVX_AUDIO_ERR_NOT_INITIALISED);
    EXPECT_EQ(tvx_audioInit(sys, 0), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioInit(nullptr, 1), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioGetLength(nullptr, &ms), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioPlay(sys, nullptr, 0, &ch), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioGetPosition(nullptr, &ms), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioSetPosition(nullptr, 0), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioGetPaused(nullptr, &paused), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioSetPaused(nullptr, 1), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_STREQ(tvx_audioDriverName(sys), "");
    EXPECT_EQ(tvx_audioRelease(sys), TVX_AUDIO_OK);
    EXPECT_EQ(tvx_audioRelease(nullptr), TVX_AUDIO_ERR_INVALID_PARAM);
    EXPECT_EQ(tvx_audioCloseStream(nullptr), TVX_AUDIO_ERR_INVALID_PARAM);
}

TEST(AudioLayer, FallsBackToTheDummyDriverWhenNoDeviceOpens)
{
    while (SDL_WasInit(SDL_INIT_AUDIO))
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    TvxAudioSystem *sys = nullptr;
    ASSERT_EQ(tvx_audioCreate(&sys), TVX_AUDIO_OK);
    ASSERT_EQ(tvx_audioInit(sys, 1), TVX_AUDIO_OK);
    EXPECT_EQ(tvx_audioIsSilent(sys), 1);
    EXPECT_STREQ(tvx_audioDriverName(sys), "dummy");
    TvxAudioStream *stream = nullptr;
    TvxAudioChannel *ch = nullptr;
    ASSERT_EQ(tvx_audioOpenStream(sys, TONE, &stream), TVX_AUDIO_OK);
    ASSERT_EQ(tvx_audioPlay(sys, stream, 0, &ch), TVX_AUDIO_OK);
    waitMs(300);
    EXPECT_GE(position(ch), 290u);
    tvx_audioRelease(sys);
    tvx_audioCloseStream(stream);
}

TEST(HeardFrame, OneBufferBehindWhatWasWrittenAndMovingWithTheClock)
{
    /* Buffer of 1024 frames at 44.1 kHz, one buffer queued ahead. */
    EXPECT_EQ(tvx_audioHeardFrame(10240, 1024, 1024, 0.0, 44100, 0), 9216);
    EXPECT_EQ(tvx_audioHeardFrame(10240, 1024, 1024, 0.01, 44100, 0), 9216 + 441);
    EXPECT_EQ(tvx_audioHeardFrame(10240, 1024, 1024, 0.5, 44100, 0), 10240)
        << "never beyond the buffer the device has not asked for yet";
}

TEST(HeardFrame, NeverBelowTheFloor)
{
    EXPECT_EQ(tvx_audioHeardFrame(44100, 1024, 1024, 0.0, 44100, 44100), 44100)
        << "just after a seek the old audio is still queued";
    EXPECT_EQ(tvx_audioHeardFrame(0, 1024, 1024, 0.0, 44100, 0), 0);
}

/* What desktop sound servers do all the time must not cost a piece of music:
 * a device clock 200 ppm off either way, +-35 ms of jitter, one request a
 * period early, four requests held back 3 periods and then asked for at
 * once. The heard position goes on without a gap or a step back. */
TEST(Pacing, DriftJitterAnEarlyRequestAndABurstDropNothing)
{
    using pacesim::Device;
    struct Case {
        const char *name;
        Device device;
    };
    Device slow, fast, jitter, early, burst, all;
    slow.ppm = 200.0;
    fast.ppm = -200.0;
    jitter.jitter = 0.035;
    early.early = 100;
    burst.burst = 100;
    all.ppm = 200.0;
    all.jitter = 0.035;
    all.early = 50;
    all.burst = 300;
    for (const Case &c : {Case{"slow clock", slow}, Case{"fast clock", fast},
                          Case{"jitter", jitter}, Case{"early request", early},
                          Case{"burst", burst}, Case{"all at once", all}}) {
        pacesim::Run run = pacesim::play(pacesim::requestTimes(c.device));
        EXPECT_EQ(run.skipped, 0) << c.name;
        EXPECT_TRUE(run.monotonic) << c.name;
        /* A 200 ppm device clock is 12 ms over 60 s, and that is what is heard. */
        EXPECT_LT(std::fabs(run.finalDrift), 0.013 + 0.035) << c.name;
    }
}

/* A device that stops for 500 ms 20 s in is skipped ahead once, by the
 * stall, and the heard position is back with the wall clock; it only ever
 * jumps forward. The same on a drifting, jittering device. */
TEST(Pacing, AStallIsSkippedOnce)
{
    pacesim::Device stall;
    stall.stallAt = 20.0;
    stall.stall = 0.5;
    pacesim::Device rough = stall;
    rough.ppm = 200.0;
    rough.jitter = 0.035;
    for (const pacesim::Device &d : {stall, rough}) {
        pacesim::Run run = pacesim::play(pacesim::requestTimes(d));
        EXPECT_EQ(run.skips, 1);
        EXPECT_NEAR(run.skipped / (double)pacesim::RATE, 0.5, 0.04);
        EXPECT_TRUE(run.monotonic);
        EXPECT_LT(std::fabs(run.finalDrift), 0.013 + 0.04);
    }
}

}  // namespace
