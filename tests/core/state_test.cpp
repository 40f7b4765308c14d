/*
 * state_test.cpp - tvx_Get, the render state, the reshape projection and the
 * timer, in a real OpenGL context; the start-up's refusal of an unusable one.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <unistd.h>  /* usleep */

#include "test_gl.h"
#include "tvx.h"

namespace {

uint32_t bitsOf(float f)
{
    uint32_t b;
    memcpy(&b, &f, sizeof(b));
    return b;
}

void resetClock()
{
    SOUND_ON = 0;
    SOUND_PAUSED = 0;
    SOUND_MUTE_START = 0;
    SOUND_MUTE_PAUSE = 0;
    SOUND_MUTE_TIMER = 0;
}

TEST(Get, WindowSizeAspectAndStartScene)
{
    testGlContext(320, 240);
    EXPECT_EQ(tvx_Get(1), 320.0f);
    EXPECT_EQ(tvx_Get(2), 240.0f);
    EXPECT_EQ(bitsOf(tvx_Get(3)), bitsOf(1.7777778f));
    S_SCENE = 7;
    EXPECT_EQ(tvx_Get(4), 7.0f);
    S_SCENE = 0;
}

TEST(Get, DemoTimeAndPauseStateFollowTheClockInUse)
{
    resetClock();
    SOUND_MUTE_TIMER = 123456;
    EXPECT_EQ(tvx_Get(5), 123456.0f);
    SOUND_MUTE_PAUSE = 1;
    SOUND_PAUSED = 0;
    EXPECT_EQ(tvx_Get(6), 1.0f);
    SOUND_ON = 1;
    EXPECT_EQ(tvx_Get(6), 0.0f);
    SOUND_PAUSED = 1;
    EXPECT_EQ(tvx_Get(6), 1.0f);
    resetClock();
}

TEST(Get, UnknownCodesGiveTheQuietNaN)
{
    for (unsigned int type : {0u, 7u, 8u, 100u, 0xFFFFFFFFu}) {
        float v = tvx_Get(type);
        EXPECT_TRUE(std::isnan(v)) << type;
        EXPECT_EQ(bitsOf(v), 0x7FC00000u) << type;
    }
}

TEST(Render, FixedStateAfterInitRendering)
{
    testGlContext(64, 64);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
}

/* Without a usable OpenGL (here: no context at all) GLEW cannot load the
 * entry points; the start-up ends with a message instead of crashing later on
 * a null function. */
TEST(Render, InitRenderingWithoutAUsableOpenGLIsFatal)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            fflush(stdout);
            dup2(2, 1);
            tvx_initRendering();
        },
        ::testing::ExitedWithCode(255), "^\\[!\\] OpenGL cannot be used: Missing GL version\n$");
}

TEST(Render, ReshapeKeepsA16By9ProjectionAndFollowsTheViewport)
{
    testGlContext(400, 300);
    glMatrixMode(GL_MODELVIEW);
    tvx_handleResize(400, 300);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_PROJECTION);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[0], 0);
    EXPECT_EQ(vp[1], 0);
    EXPECT_EQ(vp[2], 400);
    EXPECT_EQ(vp[3], 300);
    EXPECT_EQ(tvx_globalX, 400);
    EXPECT_EQ(tvx_globalY, 300);

    GLfloat m[16];
    glGetFloatv(GL_PROJECTION_MATRIX, m);
    double f = 1.0 / tan(22.5 * M_PI / 180.0);
    EXPECT_NEAR(m[0], f / (16.0 / 9.0), 1e-5);
    EXPECT_NEAR(m[5], f, 1e-5);
    EXPECT_NEAR(m[10], (200.0 + 1.0) / (1.0 - 200.0), 1e-5);
    EXPECT_NEAR(m[14], 2.0 * 200.0 * 1.0 / (1.0 - 200.0), 1e-5);
    EXPECT_FLOAT_EQ(m[11], -1.0f);
}

/* Fills the back buffer with one grey level, blurs it in with weight w and
 * reads the red level the window shows. */
int blurredGrey(float grey, float w)
{
    glClearColor(grey, grey, grey, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    tvx_motionBlur(w);
    unsigned char px[4];
    testReadPixel(10, 10, px);
    return px[0];
}

/* With --letterbox a 4:3 window shows the 16:9 picture between black bars,
 * and a scene's return from a render target keeps to the picture. */
TEST(Render, LetterboxKeepsThePictureAt16By9BetweenBlackBars)
{
    int x = -1, y = -1, w = 0, h = 0;
    tvx_letterboxFit(2560, 1080, &x, &y, &w, &h);
    EXPECT_EQ(x, 320);
    EXPECT_EQ(y, 0);
    EXPECT_EQ(w, 1920);
    EXPECT_EQ(h, 1080);
    tvx_letterboxFit(1366, 768, &x, &y, &w, &h);
    EXPECT_EQ(w, 1365) << "768 x 16/9 is 1365.3: whole pixels, never past the window";
    EXPECT_EQ(h, 768);
    EXPECT_EQ(x, 0);

    testGlContext(400, 300);
    tvx_setLetterbox(1);
    tvx_handleResize(400, 300);
    EXPECT_EQ(tvx_globalX, 400);
    EXPECT_EQ(tvx_globalY, 225);
    glMatrixMode(GL_MODELVIEW);   /* as every frame starts */
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    tvx_disableFBO(tvx_Get(1), tvx_Get(2), 0, 0, 0);
    GLint vp[4];
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[1], 37);
    EXPECT_EQ(vp[3], 225);
    /* A quad larger than the view fills the picture and nothing else. */
    glDisable(GL_DEPTH_TEST);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex3f(-100, -100, 0);
    glVertex3f(100, -100, 0);
    glVertex3f(100, 100, 0);
    glVertex3f(-100, 100, 0);
    glEnd();
    glEnable(GL_DEPTH_TEST);
    unsigned char px[4];
    testReadPixel(200, 150, px);
    EXPECT_EQ(px[0], 255) << "the picture";
    testReadPixel(200, 20, px);
    EXPECT_EQ(px[0], 0) << "the bottom bar";
    testReadPixel(200, 280, px);
    EXPECT_EQ(px[0], 0) << "the top bar";
    testReadPixel(200, 38, px);
    EXPECT_EQ(px[0], 255) << "the picture's lowest row";
    /* The motion blur takes the picture where it is: all of it blended
     * half-way with the black history, the bars left black. */
    tvx_motionBlur(0.5f);
    for (int y : {40, 150, 258}) {
        testReadPixel(200, y, px);
        EXPECT_NEAR(px[0], 128, 2) << "row " << y;
    }
    testReadPixel(200, 20, px);
    EXPECT_EQ(px[0], 0) << "the bottom bar after the blur";
    testReadPixel(200, 280, px);
    EXPECT_EQ(px[0], 0) << "the top bar after the blur";
    /* With the blur on, the next frame is drawn into the blur's picture
     * target from its corner; at the frame end the picture lands between the
     * bars again, and what lay in a bar (the overlay of the last frame) is
     * gone. */
    glScissor(0, 0, 400, 30);
    glEnable(GL_SCISSOR_TEST);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);
    tvx_beginFrame();
    EXPECT_NE(tvx_pictureFramebuffer(), 0u);
    glGetIntegerv(GL_VIEWPORT, vp);
    EXPECT_EQ(vp[0], 0);
    EXPECT_EQ(vp[1], 0);
    EXPECT_EQ(vp[3], 225);
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    tvx_motionBlur(0.5f);
    EXPECT_EQ(tvx_pictureFramebuffer(), 0u);
    for (int y : {40, 150, 258}) {
        testReadPixel(200, y, px);
        EXPECT_NEAR(px[0], 191, 2) << "row " << y << " of the picture drawn in the target";
    }
    testReadPixel(200, 20, px);
    EXPECT_EQ(px[0], 0) << "the bottom bar after a frame drawn in the target";
    testReadPixel(200, 280, px);
    EXPECT_EQ(px[0], 0) << "the top bar after a frame drawn in the target";
    tvx_setLetterbox(0);
    tvx_handleResize(400, 300);
}

TEST(Render, ReshapeDropsTheMotionBlurHistory)
{
    testGlContext(64, 64);
    EXPECT_EQ(blurredGrey(1.0f, 0.0f), 255);
    EXPECT_EQ(blurredGrey(1.0f, 0.5f), 255);   /* the history is white */
    tvx_handleResize(64, 64);
    /* Blended with black, not with the white history: 0.5 x 128, not 191. */
    EXPECT_NEAR(blurredGrey(0.5f, 0.5f), 64, 1);
}

/* history x w + frame x (1 - w) in a history finer than the window: a trail
 * halves per frame down to its last grey level (an accumulation buffer on
 * llvmpipe gives 188, 137, 99), and a still picture converges to full
 * brightness at 1 - w^n instead of stopping a level or two short. */
TEST(Render, MotionBlurBlendsByTheWeightInAFineHistory)
{
    testGlContext(64, 64);
    EXPECT_EQ(blurredGrey(0.0f, 0.0f), 0);
    EXPECT_EQ(blurredGrey(1.0f, 0.5f), 255);   /* the blur comes on: the history starts from the frame */
    for (int n = 1; n <= 8; n++)
        EXPECT_NEAR(blurredGrey(0.0f, 0.5f), 255.0 * pow(0.5, n), 1.0) << "frame " << n;
    for (int n = 1; n <= 8; n++)
        EXPECT_NEAR(blurredGrey(1.0f, 0.5f), 255.0 - (255.0 - 255.0 * pow(0.5, 8)) * pow(0.5, n), 1.0)
            << "frame " << n;
    EXPECT_EQ(blurredGrey(1.0f, 0.5f), 255);
    EXPECT_NEAR(blurredGrey(0.2f, 0.2f), 255.0 * (0.2 + 0.8 * 0.2), 1.0);
}

TEST(Timer, TheMuteClockAdvancesOnePeriodPerTickOnlyWhileRunning)
{
    testGlContext(64, 64);
    resetClock();
    tvx_update(0);
    EXPECT_EQ(SOUND_MUTE_TIMER, 0) << "not started";
    SOUND_MUTE_START = 1;
    tvx_update(0);
    EXPECT_EQ(SOUND_MUTE_TIMER, 25);
    SOUND_MUTE_PAUSE = 1;
    tvx_update(0);
    EXPECT_EQ(SOUND_MUTE_TIMER, 25) << "paused";
    SOUND_MUTE_PAUSE = 0;
    SOUND_ON = 1;
    tvx_update(0);
    EXPECT_EQ(SOUND_MUTE_TIMER, 25) << "music on";
    SOUND_ON = 0;
    tvx_update(0);
    EXPECT_EQ(SOUND_MUTE_TIMER, 50);
    resetClock();
}

TEST(Timer, ReArmsItselfOnTheMainLoop)
{
    testGlContext(64, 64);
    resetClock();
    SOUND_MUTE_START = 1;
    tvx_update(0);
    /* Each tick re-arms the timer, so the main loop keeps it going. */
    for (int i = 0; i < 4000 && SOUND_MUTE_TIMER < 200; i++) {
        glutMainLoopEvent();
        usleep(1000);
    }
    EXPECT_GE(SOUND_MUTE_TIMER, 200);
    EXPECT_EQ(SOUND_MUTE_TIMER % 25, 0);
    resetClock();
}

}  // namespace
