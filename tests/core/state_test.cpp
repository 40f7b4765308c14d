/*
 * state_test.cpp - tvx_Get, the render state, the reshape projection, the
 * render scale and the timer, in a real OpenGL context; the start-up's
 * refusal of an unusable one; the automatic choice of the render scale.
 */
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>
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
    /* A history too light to move a level (0.2 a period, at 5 frames a
     * second) is not blended: the next frame is drawn in the window again,
     * where a blur that shows keeps it in the picture target. */
    tvx_beginFrame();
    EXPECT_NE(tvx_pictureFramebuffer(), 0u);
    EXPECT_EQ(blurredGrey(0.0f, powf(0.2f, 8.0f)), 0);
    tvx_beginFrame();
    EXPECT_EQ(tvx_pictureFramebuffer(), 0u) << "a blur that shows nothing costs nothing";
    EXPECT_EQ(blurredGrey(1.0f, 0.5f), 255) << "the history starts anew from the frame";
    /* A heavy history (frames far shorter than the period) is carried over
     * into half floats and fades out entirely, where 8-bit rounding would
     * leave a trail some ten levels bright for good. */
    EXPECT_NEAR(blurredGrey(0.0f, 0.97f), 255.0 * 0.97, 1.0) << "the history carried over";
    for (int n = 2; n <= 200; n++) {
        int level = blurredGrey(0.0f, 0.97f);
        if (n % 50 == 0) {
            EXPECT_NEAR(level, 255.0 * pow(0.97, n), 1.0) << "frame " << n;
        }
    }
}

/* A quad over the whole picture at depth z (-1 nearest, 1 farthest) in one
 * colour. */
void pictureQuad(float z, float grey, float alpha)
{
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glColor4f(grey, grey, grey, alpha);
    glBegin(GL_QUADS);
    glVertex3f(-1.0f, -1.0f, z);
    glVertex3f(1.0f, -1.0f, z);
    glVertex3f(1.0f, 1.0f, z);
    glVertex3f(-1.0f, 1.0f, z);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

/* A frame finished by one last draw straight into the history comes out as
 * the same draw in the picture, blended in: the draw weighed by the share,
 * the history by the weight, depth tested against what the frame drew before
 * it (two passes with opposite tests reach every pixel once); a history
 * dropped is black, one taken up again starts from the draw alone. Where the
 * frame is not blurred off the window, nothing changes and the draw is the
 * caller's. */
TEST(Render, AFramesLastDrawGoesStraightIntoTheHistory)
{
    testGlContext(64, 64);
    tvx_handleResize(64, 64);
    EXPECT_EQ(blurredGrey(1.0f, 0.0f), 255);
    tvx_beginFrame();
    EXPECT_EQ(tvx_pictureFramebuffer(), 0u);
    EXPECT_EQ(tvx_historyDraw(0.5f), 0.0f) << "a frame drawn in the window";
    EXPECT_EQ(blurredGrey(1.0f, 0.5f), 255);   /* the blur comes on, the history is white */

    tvx_beginFrame();
    ASSERT_NE(tvx_pictureFramebuffer(), 0u);
    EXPECT_EQ(tvx_historyDraw(0.0f), 0.0f) << "no blur";
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LESS);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 32, 64);
    pictureQuad(-0.5f, 0.0f, 1.0f);          /* the left half, nearer than the last draw */
    glDisable(GL_SCISSOR_TEST);
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    float share = tvx_historyDraw(0.5f);
    EXPECT_FLOAT_EQ(share, 0.5f);
    glDepthMask(GL_FALSE);
    glDepthFunc(GL_GEQUAL);
    pictureQuad(0.5f, 0.25f, share);         /* lands where the nearer quad is */
    glDepthFunc(GL_LESS);
    pictureQuad(0.5f, 0.5f, share);          /* lands everywhere else */
    glPopAttrib();
    tvx_motionBlur(0.5f);
    unsigned char px[4];
    testReadPixel(48, 32, px);
    EXPECT_NEAR(px[0], 0.5 * 255 + 0.5 * 128, 1) << "the draw and the history, half each";
    testReadPixel(16, 32, px);
    EXPECT_NEAR(px[0], 0.5 * 255 + 0.5 * 64, 1) << "the depth test against the frame's own";

    /* At a render scale below 1 every frame is drawn off the window: a
     * history dropped by a reshape is black, one left behind by a change of
     * scale starts anew from the draw. */
    tvx_setRenderScale(0.5f);
    tvx_handleResize(64, 64);
    for (float scale : {0.5f, 0.75f}) {
        tvx_setRenderScale(scale);
        tvx_beginFrame();
        ASSERT_NE(tvx_pictureFramebuffer(), 0u);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glPushAttrib(GL_COLOR_BUFFER_BIT);
        share = tvx_historyDraw(0.5f);
        EXPECT_FLOAT_EQ(share, scale == 0.5f ? 0.5f : 1.0f);
        pictureQuad(0.0f, 0.5f, share);
        glPopAttrib();
        tvx_motionBlur(0.5f);
        testReadPixel(32, 32, px);
        EXPECT_NEAR(px[0], scale == 0.5f ? 64 : 128, 1) << "scale " << scale;
    }
    tvx_setRenderScale(1.0f);
    tvx_handleResize(64, 64);
}

/* At a render scale of 0.5 the frame is drawn into a picture of half the
 * window's sides, which is what the demo sees as W and H, with its render
 * targets made at W x H, and those of a fixed size at half their sides; at
 * the frame end it is stretched over the whole window. One-pixel columns drawn at W then cover two window pixels each,
 * mixed by the filter, where the full scale keeps them sharp. */
TEST(Render, ARenderScaleDrawsASmallerPictureStretchedToTheWindow)
{
    testGlContext(320, 180);
    tvx_handleResize(320, 180);
    int follower = tvx_loadFBO(320, 180);
    int fixed = tvx_loadFBO(64, 32);
    for (float scale : {0.5f, 1.0f}) {
        SCOPED_TRACE(scale);
        tvx_setRenderScale(scale);
        tvx_beginFrame();
        int w = (int)(320 * scale), h = (int)(180 * scale);
        EXPECT_EQ(tvx_Get(1), (float)w);
        EXPECT_EQ(tvx_Get(2), (float)h);
        tvx_enableFBO(follower, 0, 0, 0);
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], w) << "a target made at W x H keeps to the picture";
        EXPECT_EQ(vp[3], h);
        tvx_enableFBO(fixed, 0, 0, 0);
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], (int)(64 * scale)) << "a target of a fixed size is drawn at the scale";
        EXPECT_EQ(vp[3], (int)(32 * scale));
        tvx_disableFBO(tvx_Get(1), tvx_Get(2), 0, 0, 0);
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], w);
        glDisable(GL_DEPTH_TEST);
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, w, 0, h, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glBegin(GL_QUADS);
        for (int x = 0; x < w; x++) {
            glColor3f(x % 2 ? 1.0f : 0.0f, x % 2 ? 1.0f : 0.0f, x % 2 ? 1.0f : 0.0f);
            glVertex2f((float)x, 0.0f);
            glVertex2f((float)x + 1.0f, 0.0f);
            glVertex2f((float)x + 1.0f, (float)h);
            glVertex2f((float)x, (float)h);
        }
        glEnd();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glEnable(GL_DEPTH_TEST);
        tvx_motionBlur(0.0f);
        std::vector<unsigned char> row(320 * 4);
        glReadPixels(0, 90, 320, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
        int mixed = 0, lit = 0;
        for (int x = 0; x < 320; x++) {
            mixed += row[x * 4] > 20 && row[x * 4] < 235;
            lit += row[x * 4] > 20;
        }
        if (scale < 1.0f)
            EXPECT_GT(mixed, 100) << "the half-size picture stretched over the window";
        else
            EXPECT_EQ(mixed, 0) << "the picture drawn at the window's size";
        EXPECT_GT(lit, 120) << "the picture covers the window";
    }
    tvx_setRenderScale(1.0f);
    tvx_handleResize(320, 180);
}

/* The automatic scale: a heavy scene brings it down in small steps, at most
 * one in every median's worth of frames (every three while all three take
 * half as long again as allowed), to no less than a half; a scene that fits
 * at a lower scale settles there without pumping; a single slow frame moves
 * nothing; light frames bring it back to 1. */
TEST(RenderScale, StepsDownGentlyNeverBelowAHalfSettlesAndComesBack)
{
    tvx_scaleControl c;
    tvx_scaleReset(&c, 1.0f);
    float last = 1.0f;
    int sinceStep = 0;
    /* ms = what does not shrink with the picture + what does */
    auto run = [&](int frames, double fixedMs, double pixelMs, int *steps) {
        *steps = 0;
        for (int i = 0; i < frames; i++) {
            double ms = fixedMs + pixelMs * last * last;
            float s = tvx_scaleStep(&c, ms);
            sinceStep++;
            if (s != last) {
                EXPECT_GE(sinceStep, ms > 1.5 * 22.0 ? TVX_SCALE_QUICK : TVX_SCALE_FRAMES);
                EXPECT_LE(last - s, 1.0f / 16.0f + 1e-6f) << "at most 1/16 down at once";
                EXPECT_LE(s - last, 1.0f / 32.0f + 1e-6f) << "at most 1/32 up at once";
                sinceStep = 0;
                (*steps)++;
            }
            EXPECT_GE(s, 0.5f);
            last = s;
        }
    };
    int steps = 0;
    run(6 * TVX_SCALE_QUICK, 12.0, 48.0, &steps);
    EXPECT_FLOAT_EQ(last, 0.625f) << "frames of 60 ms and less step down every three";
    run(300, 12.0, 48.0, &steps);
    EXPECT_FLOAT_EQ(last, 0.5f) << "12 + 48 s^2 ms only fits below a half";
    EXPECT_GE(steps, 2);
    run(300, 6.0, 20.0, &steps);
    EXPECT_LE(6.0 + 20.0 * last * last, 22.0) << "settled where the frames fit";
    EXPECT_GE(last, 0.875f - 1.0f / 16.0f) << "and not far below 0.875, the highest step that fits";
    run(200, 6.0, 20.0, &steps);
    EXPECT_EQ(steps, 0) << "no pumping once settled";
    float settled = last;
    for (int i = 0; i < 3 * TVX_SCALE_FRAMES; i++)
        last = tvx_scaleStep(&c, i == 4 ? 400.0 : 6.0 + 20.0 * last * last);
    EXPECT_FLOAT_EQ(last, settled) << "one slow frame among others moves nothing";
    run(400, 3.0, 8.0, &steps);
    EXPECT_FLOAT_EQ(last, 1.0f) << "light frames bring the scale back";
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
