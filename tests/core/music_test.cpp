/*
 * music_test.cpp - the demo clock with music on: loading and starting a
 * generated 3 s tone on SDL's dummy driver, pause and seek through the key
 * handlers, the limits of tvx_skipTo and the arrows, the picture held behind
 * the music by an audio offset, the end of the stream,
 * and the fatal paths of a missing or undecodable music file.
 * The music stays loaded until the process ends, so each case needs a process
 * of its own, as CTest runs them.
 */
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>  /* usleep; dup2 for fatal messages on stdout */

#include "test_gl.h"
#include "tvx.h"

namespace {

/* Death tests run in a fresh process: a forked child shares the X connection
 * of the GL context and crashes when it closes it at exit. */
void freshProcessDeaths()
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
}

const char *TONE = CORE_MUSIC "/tone3s.mp3";

class MusicOn : public testing::Test {
protected:
    void SetUp() override
    {
        freshProcessDeaths();
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        testGlContext(64, 64);
        SOUND_ON = 1;
        SOUND_PAUSED = 0;
        DEMO_LENGTH = 366700;
    }

    /* Loads and starts the tone; returns what was printed. */
    std::string start()
    {
        testing::internal::CaptureStdout();
        tvx_loadMusic(TONE);
        tvx_startMusic();
        fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }
};

void waitMs(int ms)
{
    usleep((useconds_t)ms * 1000);
}

void pauseKey()
{
    tvx_handleKeypress(' ', 0, 0);
}

TEST_F(MusicOn, StartingWithoutLoadingSaysSoAndTheClockReadsZero)
{
    testing::internal::CaptureStdout();
    tvx_startMusic();
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[/] No soundfile loaded.\n");
    EXPECT_EQ(tvx_getTime(), 0);
    pauseKey();
    EXPECT_EQ(SOUND_PAUSED, 0) << "no channel, nothing to pause";
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 0);
}

TEST_F(MusicOn, TheSilentDriverIsAnnouncedAndTheClockRunsInRealTime)
{
    std::string out = start();
    EXPECT_EQ(out, "[/] No audio device (driver dummy); the music plays silently.\n");
    EXPECT_EQ(SONGLENGTH, 3000u);
    waitMs(500);
    int t = tvx_getTime();
    EXPECT_GE(t, 480);
    EXPECT_LE(t, 900);
    EXPECT_EQ(tvx_Get(5), (float)tvx_getTime());
}

TEST_F(MusicOn, SpaceHoldsTheClockWithACrosshairAndResumesFromThere)
{
    start();
    waitMs(200);
    pauseKey();
    EXPECT_EQ(SOUND_PAUSED, 1);
    EXPECT_EQ(tvx_Get(6), 1.0f);
    EXPECT_EQ(glutGet(GLUT_WINDOW_CURSOR), GLUT_CURSOR_CROSSHAIR);
    int held = tvx_getTime();
    waitMs(300);
    EXPECT_EQ(tvx_getTime(), held);

    pauseKey();
    EXPECT_EQ(SOUND_PAUSED, 0);
    EXPECT_EQ(glutGet(GLUT_WINDOW_CURSOR), GLUT_CURSOR_NONE);
    EXPECT_EQ(tvx_getTime() - held, 0) << "resumes where it stood";
    waitMs(300);
    EXPECT_GE(tvx_getTime() - held, 280);
}

TEST_F(MusicOn, ArrowsSeekOneSecondWhilePaused)
{
    start();
    pauseKey();
    tvx_skipTo(1200);
    EXPECT_EQ(tvx_getTime(), 1200);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 2200);
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 200);
    EXPECT_EQ(SOUND_PAUSED, 1);
    tvx_skipTo(400);
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 0);
    tvx_handleSpecialKeys(GLUT_KEY_UP, 0, 0);
    tvx_handleSpecialKeys(GLUT_KEY_DOWN, 0, 0);
    EXPECT_EQ(tvx_getTime(), 0);
}

/* The picture runs the offset behind the music: seeks land the picture where
 * asked and the arrows move both by one second, however often pressed. */
TEST_F(MusicOn, AnAudioOffsetHoldsThePictureBehindTheMusicThroughSeeks)
{
    tvx_setAudioOffset(300);
    start();
    pauseKey();
    tvx_skipTo(1200);
    EXPECT_EQ(tvx_getTime(), 1200);
    EXPECT_EQ(tvx_Get(5), 1200.0f);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 2200) << "the music at 2500: a second step would pass its end";
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 1200);
    tvx_skipTo(0);
    EXPECT_EQ(tvx_getTime(), 0);
    tvx_setAudioOffset(500);
    EXPECT_EQ(tvx_getTime(), 0) << "the music at 300: the picture does not go below 0";
    tvx_setAudioOffset(-400);
    EXPECT_EQ(tvx_getTime(), 700) << "a negative offset shows the picture ahead";
    tvx_skipTo(2700);
    EXPECT_EQ(tvx_getTime(), 2700);
    tvx_setAudioOffset(0);
    EXPECT_EQ(tvx_getTime(), 2300);
}

TEST_F(MusicOn, RightArrowDoesNothingWhenItWouldReachTheEnd)
{
    start();
    pauseKey();
    tvx_skipTo(2000);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 2000) << "3000 is not below the song length";
    tvx_skipTo(1999);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 2999);

    DEMO_LENGTH = 1500;
    tvx_skipTo(500);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 500) << "1500 is not below the demo length";
}

TEST_F(MusicOn, SkipToIgnoresPositionsOutsideTheSong)
{
    start();
    pauseKey();
    tvx_skipTo(1000);
    tvx_skipTo(3001);
    EXPECT_EQ(tvx_getTime(), 1000);
    tvx_skipTo(-1);
    EXPECT_EQ(tvx_getTime(), 1000);
    tvx_skipTo(3000);
    EXPECT_EQ(tvx_getTime(), 3000);
}

TEST_F(MusicOn, TheClockStaysAtTheLengthAfterTheEnd)
{
    start();
    tvx_skipTo(2800);
    waitMs(600);
    EXPECT_EQ(tvx_getTime(), 3000);
    waitMs(300);
    EXPECT_EQ(tvx_getTime(), 3000);
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    int back = tvx_getTime();
    EXPECT_GE(back, 2000);
    EXPECT_LT(back, 2200);
    waitMs(200);
    EXPECT_GT(tvx_getTime(), back) << "plays again after seeking back";
}

TEST_F(MusicOn, AMissingFileIsFatal)
{
    EXPECT_EXIT({ dup2(2, 1); tvx_loadMusic("data/no-such-music.mp3"); },
                testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(4\\) File not found\\.\n");
}

TEST_F(MusicOn, AnUndecodableFileIsFatal)
{
    EXPECT_EXIT({ dup2(2, 1); tvx_loadMusic(CORE_MUSIC "/notmp3.mp3"); },
                testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(5\\) The file holds no decodable MP3 audio\\.\n");
    EXPECT_EXIT({ dup2(2, 1); tvx_loadMusic(CORE_MUSIC); },
                testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(5\\) The file holds no decodable MP3 audio\\.\n");
}

}  // namespace
