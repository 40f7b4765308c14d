/*
 * music_test.cpp - the demo clock with music on: loading and starting a
 * generated 3 s tone on SDL's dummy driver, pause and seek through the key
 * handlers, the limits of tvx_skipTo and the arrows, the picture held behind
 * the music by an audio offset, the clock going on past the end of music
 * shorter than the demo, and the fatal paths of a missing or undecodable
 * music file and of one that is not a file.
 * The music stays loaded until the process ends, so each case needs a process
 * of its own, as CTest runs them.
 */
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h> /* mkfifo */
#include <unistd.h>  /* usleep; dup2 for fatal messages on stdout; alarm */

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
    testing::internal::CaptureStdout();
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 3200) << "the music at 3500, past its end";
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 2200) << "back in the music";
    tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 1200);
    testing::internal::GetCapturedStdout();
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

/* The arrows go past the end of the music as they go within it, but never
 * to the demo's end. */
TEST_F(MusicOn, RightArrowGoesPastTheMusicsEndButNotToTheDemosEnd)
{
    start();
    pauseKey();
    tvx_skipTo(1999);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 2999);
    testing::internal::CaptureStdout();
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 3999) << "past the song's end, held by the pause";
    testing::internal::GetCapturedStdout();

    DEMO_LENGTH = 1500;
    tvx_skipTo(500);
    tvx_handleSpecialKeys(GLUT_KEY_RIGHT, 0, 0);
    EXPECT_EQ(tvx_getTime(), 500) << "1500 is not below the demo length";
}

TEST_F(MusicOn, SkipToIgnoresNegativePositionsAndGoesPastTheSongsEnd)
{
    start();
    pauseKey();
    tvx_skipTo(1000);
    tvx_skipTo(-1);
    EXPECT_EQ(tvx_getTime(), 1000);
    testing::internal::CaptureStdout();
    tvx_skipTo(3001);
    EXPECT_EQ(tvx_getTime(), 3001);
    tvx_skipTo(-1);
    EXPECT_EQ(tvx_getTime(), 3001);
    tvx_skipTo(300000);
    EXPECT_EQ(tvx_getTime(), 300000);
    tvx_skipTo(3000);
    EXPECT_EQ(tvx_getTime(), 3000);
    tvx_skipTo(2500);
    EXPECT_EQ(tvx_getTime(), 2500) << "in the music again";
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[/] The music " + std::string(TONE) + " ends at 3.000 s, before the demo's end at "
              "366.700 s: the clock goes on without it\n");
}

/* A 3 s song in a 366.7 s demo: at its end one line says so and the clock
 * goes on from there at real speed, held by a pause like the music's own, so
 * the demo plays on to its end; seeking back gives the clock to the music. */
TEST_F(MusicOn, AShortSongLetsTheClockGoOnFromItsEndAtRealSpeed)
{
    start();
    tvx_skipTo(2800);
    testing::internal::CaptureStdout();
    waitMs(600);
    int past = tvx_getTime();
    EXPECT_GE(past, 3300);
    EXPECT_LE(past, 3700);
    waitMs(400);
    int later = tvx_getTime();
    EXPECT_GE(later - past, 380);
    EXPECT_LE(later - past, 700);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "[/] The music " + std::string(TONE) + " ends at 3.000 s, before the demo's end at "
              "366.700 s: the clock goes on without it\n");

    pauseKey();
    int held = tvx_getTime();
    waitMs(300);
    EXPECT_EQ(tvx_getTime(), held) << "the pause holds the clock past the end too";
    pauseKey();
    waitMs(300);
    EXPECT_GE(tvx_getTime() - held, 280) << "and it goes on from where it was held";

    testing::internal::CaptureStdout();
    tvx_skipTo(2000);
    int back = tvx_getTime();
    EXPECT_GE(back, 2000);
    EXPECT_LT(back, 2200);
    waitMs(200);
    EXPECT_GT(tvx_getTime(), back) << "plays again after seeking back";
    waitMs(1200);
    EXPECT_GE(tvx_getTime(), 3000) << "and passes its end again";
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "said once only";
}

TEST_F(MusicOn, AMissingFileIsFatal)
{
    EXPECT_EXIT({ dup2(2, 1); tvx_loadMusic("data/no-such-music.mp3"); },
                testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(4\\) data/no-such-music\\.mp3: File not found\\.\n$");
}

TEST_F(MusicOn, AnUndecodableFileIsFatal)
{
    EXPECT_EXIT({ dup2(2, 1); tvx_loadMusic(CORE_MUSIC "/notmp3.mp3"); },
                testing::ExitedWithCode(255),
                "\\[!\\] FMOD error! \\(5\\) " CORE_MUSIC "/notmp3\\.mp3: The file holds no "
                "decodable MP3 audio\\.\n$");
}

/* A directory, a device or a FIFO named as the music ends the start-up at
 * once (the FIFO, with no writer, would hold an ordinary open for ever). */
TEST_F(MusicOn, ANonFileIsFatalWithoutWaiting)
{
    std::string fifo = std::string(CORE_MUSIC) + "/fifo-music.mp3";
    unlink(fifo.c_str());
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string &path : {std::string(CORE_MUSIC), std::string("/dev/zero"), fifo})
        EXPECT_EXIT(
            {
                alarm(20);
                dup2(2, 1);
                tvx_loadMusic(path.c_str());
            },
            testing::ExitedWithCode(255),
            "\\[!\\] FMOD error! \\(9\\) " + path + ": Not a file \\(a directory, a FIFO or a "
            "device\\)\\.\n$");
    unlink(fifo.c_str());
}

}  // namespace
