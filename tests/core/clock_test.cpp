/*
 * clock_test.cpp - the mute clock, the key handlers called directly (with the
 * pointer they leave), seeking with music off, the scene-length table and its
 * "DEV:" lines, the frame clock of frame-exact runs (steps of 1000/fps ms,
 * seeks, pause, the music flag kept, the frame's length in timer periods),
 * and the fatal paths of the clock module.
 */
#include <gtest/gtest.h>

#include <string>
#include <unistd.h>  /* dup2: fatal messages on stdout reach the death-test matcher */

#include "test_gl.h"
#include "tvx.h"

namespace {

/* Death tests run in a fresh process: a forked child shares the X connection
 * of the GL context and crashes when it closes it at exit. */
void freshProcessDeaths()
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
}

class MuteClock : public testing::Test {
protected:
    void SetUp() override
    {
        freshProcessDeaths();
        testGlContext(64, 64);
        SOUND_ON = 0;
        SOUND_MUTE_START = 0;
        SOUND_MUTE_PAUSE = 0;
        SOUND_MUTE_TIMER = 0;
        DEMO_LENGTH = 366700;
    }
};

int cursor()
{
    return glutGet(GLUT_WINDOW_CURSOR);
}

TEST_F(MuteClock, ReadsZeroUntilStartedThenOnePeriodPerTick)
{
    tvx_update(0);
    EXPECT_EQ(tvx_getTime(), 0);
    tvx_startMusic();
    EXPECT_EQ(SOUND_MUTE_START, 1);
    EXPECT_EQ(tvx_getTime(), 0);
    for (int i = 0; i < 40; i++)
        tvx_update(0);
    EXPECT_EQ(tvx_getTime(), 1000);
}

TEST_F(MuteClock, SpacePausesWithACrosshairAndResumesWithNoPointer)
{
    tvx_startMusic();
    tvx_update(0);
    tvx_handleKeypress(' ', 0, 0);
    EXPECT_EQ(SOUND_MUTE_PAUSE, 1);
    EXPECT_EQ(tvx_Get(6), 1.0f);
    EXPECT_EQ(cursor(), GLUT_CURSOR_CROSSHAIR);
    tvx_update(0);
    tvx_update(0);
    EXPECT_EQ(tvx_getTime(), 25);

    tvx_handleKeypress(' ', 0, 0);
    EXPECT_EQ(SOUND_MUTE_PAUSE, 0);
    EXPECT_EQ(tvx_Get(6), 0.0f);
    EXPECT_EQ(cursor(), GLUT_CURSOR_NONE);
    tvx_update(0);
    EXPECT_EQ(tvx_getTime(), 50);
}

TEST_F(MuteClock, OtherKeysChangeNothing)
{
    SOUND_MUTE_TIMER = 5000;
    for (int key : {(int)'a', (int)'p', (int)'q', (int)'\r', 0, 255})
        tvx_handleKeypress((unsigned char)key, 0, 0);
    for (int key : {GLUT_KEY_UP, GLUT_KEY_DOWN, GLUT_KEY_F1, GLUT_KEY_HOME, 0, -1})
        tvx_handleSpecialKeys(key, 0, 0);
    EXPECT_EQ(SOUND_MUTE_TIMER, 5000);
    EXPECT_EQ(SOUND_MUTE_PAUSE, 0);
}

TEST_F(MuteClock, LeftArrowStepsBackOneSecondButNotBelowZero)
{
    SOUND_MUTE_TIMER = 2500;
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 1500);
    SOUND_MUTE_TIMER = 700;
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 0);
    SOUND_MUTE_TIMER = 1000;
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 0);
}

TEST_F(MuteClock, RightArrowStepsOnPastTheEnd)
{
    SOUND_MUTE_TIMER = 366000;
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 367000);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 368000);
}

TEST_F(MuteClock, SeekingWorksWhilePausedAndKeepsThePause)
{
    tvx_startMusic();
    tvx_handleKeypress(' ', 0, 0);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 1000);
    EXPECT_EQ(SOUND_MUTE_PAUSE, 1);
    tvx_update(0);
    EXPECT_EQ(tvx_getTime(), 1000);
}

TEST_F(MuteClock, SkipToTakesAnyValueUnchanged)
{
    tvx_skipTo(154000);
    EXPECT_EQ(tvx_getTime(), 154000);
    tvx_skipTo(-300);
    EXPECT_EQ(tvx_getTime(), -300);
    tvx_skipTo(10000000);
    EXPECT_EQ(tvx_getTime(), 10000000);
}

TEST_F(MuteClock, EscapeQuitsWithStatusZero)
{
    EXPECT_EXIT(tvx_handleKeypress(27, 0, 0), testing::ExitedWithCode(0), "");
}

/* The frame clock at 3 fps: steps of 333.33 ms that do not drift. */
class FrameClock : public MuteClock {
protected:
    void SetUp() override
    {
        MuteClock::SetUp();
        SOUND_ON = 1;
        tvx_setFrameClock(3);
    }
    void TearDown() override { tvx_setFrameClock(0); }
};

TEST_F(FrameClock, StepsOncePerFrameKeepingTheMusicFlag)
{
    EXPECT_EQ(tvx_clockSource(), TVX_CLOCK_FRAMES);
    EXPECT_EQ(SOUND_ON, 1) << "the music flag keeps its value";
    testing::internal::CaptureStdout();
    tvx_loadMusic("data/no-such-file.mp3");
    tvx_startMusic();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "no audio is opened";
    EXPECT_EQ(tvx_getTime(), 0);
    tvx_update(0);
    EXPECT_EQ(tvx_getTime(), 0) << "the timer does not move the frame clock";
    const int expected[] = {333, 666, 1000, 1333, 1666, 2000};
    for (int ms : expected) {
        tvx_stepFrameClock();
        EXPECT_EQ(tvx_getTime(), ms);
    }
    EXPECT_EQ(SOUND_MUTE_TIMER, 0);
    EXPECT_FLOAT_EQ(tvx_framePeriods(), 40.0f / 3.0f);
    tvx_setFrameClock(40);
    EXPECT_EQ(tvx_framePeriods(), 1.0f);
    tvx_setFrameClock(0);
    EXPECT_EQ(tvx_clockSource(), TVX_CLOCK_MUSIC);
    EXPECT_EQ(tvx_framePeriods(), 1.0f) << "a live run";
}

TEST_F(FrameClock, SeeksStartNewStepsFromTheirTimeAndPauseHoldsIt)
{
    tvx_startMusic();
    tvx_skipTo(140000);
    EXPECT_EQ(tvx_getTime(), 140000);
    tvx_stepFrameClock();
    EXPECT_EQ(tvx_getTime(), 140333);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 141333);
    tvx_stepFrameClock();
    tvx_stepFrameClock();
    EXPECT_EQ(tvx_getTime(), 141999);
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 140999);
    tvx_skipTo(700);
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 0);

    tvx_handleKeypress(' ', 0, 0);
    EXPECT_EQ(tvx_Get(6), 1.0f);
    EXPECT_EQ(cursor(), GLUT_CURSOR_CROSSHAIR);
    tvx_stepFrameClock();
    EXPECT_EQ(tvx_getTime(), 0);
    tvx_handleKeypress(' ', 0, 0);
    EXPECT_EQ(tvx_Get(6), 0.0f);
    tvx_stepFrameClock();
    EXPECT_EQ(tvx_getTime(), 333);
}

TEST(DemoLength, TheTenScenesSumTo366700WithOneDevLineEach)
{
    const float durations[10] = {14, 126.5f, 14, 23, 40, 30, 30.2f, 24, 55, 10};
    testing::internal::CaptureStdout();
    for (float d : durations)
        tvx_setDemoLength(d);
    fflush(stdout);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out,
              "DEV: DEMO_LENGTH = 14000 SCENE_TIME[0] = 14.000000\n"
              "DEV: DEMO_LENGTH = 140500 SCENE_TIME[1] = 126.500000\n"
              "DEV: DEMO_LENGTH = 154500 SCENE_TIME[2] = 14.000000\n"
              "DEV: DEMO_LENGTH = 177500 SCENE_TIME[3] = 23.000000\n"
              "DEV: DEMO_LENGTH = 217500 SCENE_TIME[4] = 40.000000\n"
              "DEV: DEMO_LENGTH = 247500 SCENE_TIME[5] = 30.000000\n"
              "DEV: DEMO_LENGTH = 277700 SCENE_TIME[6] = 30.200001\n"
              "DEV: DEMO_LENGTH = 301700 SCENE_TIME[7] = 24.000000\n"
              "DEV: DEMO_LENGTH = 356700 SCENE_TIME[8] = 55.000000\n"
              "DEV: DEMO_LENGTH = 366700 SCENE_TIME[9] = 10.000000\n");
    EXPECT_EQ(DEMO_LENGTH, 366700);
    for (int i = 0; i < 10; i++)
        EXPECT_EQ(SCENE_TIME[i], durations[i]);
    EXPECT_EQ(SCENE_TIME[10], 0.0f);
}

TEST(DemoLength, EachTermCountsItsWholeMilliseconds)
{
    testing::internal::CaptureStdout();
    tvx_setDemoLength(0.0f);
    int before = DEMO_LENGTH;
    tvx_setDemoLength(0.0015f);
    tvx_setDemoLength(0.0015f);
    tvx_setDemoLength(1.25f);
    fflush(stdout);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(DEMO_LENGTH - before, 1 + 1 + 1250);
}

TEST(DemoLength, AHundredAndFirstSceneIsFatal)
{
    freshProcessDeaths();
    EXPECT_EXIT(
        {
            dup2(2, 1);
            for (int i = 0; i < 100; i++)
                tvx_setDemoLength(1.0f);
            fflush(stdout);
            fprintf(stderr, "after 100: %d\n", DEMO_LENGTH);
            tvx_setDemoLength(1.0f);
        },
        testing::ExitedWithCode(255),
        "after 100: 100000\n\\[!\\] Too many scenes: the demo holds at most 100\\.\n");
}

TEST(AudioErrors, CheckReturnsOnSuccessAndEndsTheProcessOtherwise)
{
    freshProcessDeaths();
    tvx_fmod_errcheck(0);
    EXPECT_EXIT({ dup2(2, 1); tvx_fmod_errcheck(4); }, testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(4\\) File not found\\.\n$");
    EXPECT_EXIT({ dup2(2, 1); tvx_fmod_errcheck(5); }, testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(5\\) The file holds no decodable MP3 audio\\.\n$");
    EXPECT_EXIT({ dup2(2, 1); tvx_fmod_errcheck(-7); }, testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(-7\\) Unknown error\\.\n$");
}

TEST(MusicOff, LoadingDoesNothingAndStartRunsTheMuteClock)
{
    SOUND_ON = 0;
    SOUND_MUTE_START = 0;
    testing::internal::CaptureStdout();
    tvx_loadMusic("data/no-such-file.mp3");
    tvx_startMusic();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(SOUND_MUTE_START, 1);
    EXPECT_EQ(SONGLENGTH, 0u);
}

}  // namespace
