/*
 * pictures_test.cpp - what the viewer sees: the loading bar, and a frame of
 * each of scenes 0 to 3 at a chosen time, rendered by drawScene into a small
 * window in a forked run and read back from the front buffer.
 */
#include <gtest/gtest.h>

#include <math.h>

#include <GL/glew.h>

#include "child_run.h"
#include "test_gl.h"
#include "timeline.h"
#include "tvx.h"

namespace {

const int W = 320;
const int H = 180;

/* One frame as shown: RGBA rows from the bottom up. */
struct Frame {
    unsigned char rgba[800 * 450 * 4];
    int width, height;
};

void grab(Frame *frame)
{
    frame->width = tvx_globalX;
    frame->height = tvx_globalY;
    glReadBuffer(GL_BACK); /* the back buffer keeps the frame after the swap */
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, frame->width, frame->height, GL_RGBA, GL_UNSIGNED_BYTE, frame->rgba);
}

const unsigned char *pixel(const Frame *frame, int x, int y)
{
    return frame->rgba + ((size_t)y * frame->width + x) * 4;
}

struct Colour {
    double r, g, b;
};

/* Mean colour of the pixels with x0 <= x < x1 and y0 <= y < y1. */
Colour mean(const Frame *frame, int x0, int y0, int x1, int y1)
{
    Colour sum = {0, 0, 0};
    for (int y = y0; y < y1; y++) {
        for (int x = x0; x < x1; x++) {
            const unsigned char *p = pixel(frame, x, y);
            sum.r += p[0];
            sum.g += p[1];
            sum.b += p[2];
        }
    }
    double n = (double)(x1 - x0) * (y1 - y0);
    return {sum.r / n, sum.g / n, sum.b / n};
}

struct TwoFrames {
    Frame frame[2];
};

/* Shows the current scene at scene time t for a few frames, so that the
 * motion blur has converged, then grabs the picture. */
void showAt(float t, Frame *frame)
{
    int ms = (int)lroundf((loadingTime + t) * 1000.0f);
    for (int i = 0; i < 8; i++)
        childFrameAt(ms);
    grab(frame);
}

/* Starts the demo at a scene, plays its first two seconds, where the fades
 * come up, and shows it at scene time t. */
void sceneAt(int scene, float t, Frame *frame)
{
    childStartDemo(W, H, scene);
    for (float ramp = 0.0f; ramp < 2.0f; ramp += 0.25f)
        childFrameAt((int)lroundf((loadingTime + ramp) * 1000.0f));
    showAt(t, frame);
}

/* At least minBright pixels are brighter than dark, every one of them has
 * red >= green >= blue (within a step of rounding), and together they are
 * warm, not grey. */
void expectSepia(const Frame *frame, int dark, int minBright)
{
    int bright = 0;
    int cold = 0;
    double warmth = 0.0;
    for (int y = 0; y < frame->height; y++) {
        for (int x = 0; x < frame->width; x++) {
            const unsigned char *p = pixel(frame, x, y);
            if (p[0] <= dark && p[1] <= dark && p[2] <= dark)
                continue;
            bright++;
            if (p[0] + 2 < p[1] || p[1] + 2 < p[2])
                cold++;
            warmth += p[0] - p[2];
        }
    }
    ASSERT_GE(bright, minBright) << "the picture is dark";
    EXPECT_LT(cold, bright / 100) << cold << " of " << bright << " bright pixels are not sepia";
    EXPECT_GT(warmth / bright, 8.0);
}

/* The band of clear colour above and below the screen quad of a pass. */
void expectBlackBands(const Frame *frame)
{
    for (int x = 0; x < frame->width; x += 7) {
        const unsigned char *top = pixel(frame, x, frame->height - 2);
        const unsigned char *bottom = pixel(frame, x, 1);
        EXPECT_LT(top[0] + top[1] + top[2], 12) << "x = " << x;
        EXPECT_LT(bottom[0] + bottom[1] + bottom[2], 12) << "x = " << x;
    }
}

}  // namespace

TEST(TimelinePictures, LoadingBarIsRedAndGrowsFromTheLeftOfACentredSpan)
{
    Frame *frames = childShared<TwoFrames>()->frame;
    ChildRun run = runChild([&] {
        testGlContext(800, 450);
        SOUND_ON = 0;
        drawScene();
        grab(&frames[0]);
        for (int i = 2; i <= 39; i++)
            drawScene();
        grab(&frames[1]);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;

    /* W = 800: the span is 800/17 units, centred, about 255 pixels either
     * side of the centre at this projection; the bar is one unit high. */
    const Frame *first = &frames[0];
    const Frame *full = &frames[1];
    auto isRed = [](const unsigned char *p) { return p[0] > 240 && p[1] < 16 && p[2] < 16; };
    auto isBlack = [](const unsigned char *p) { return p[0] < 16 && p[1] < 16 && p[2] < 16; };
    EXPECT_TRUE(isRed(pixel(first, 160, 225)));
    EXPECT_TRUE(isBlack(pixel(first, 130, 225)));
    EXPECT_TRUE(isBlack(pixel(first, 400, 225)));
    EXPECT_TRUE(isRed(pixel(full, 160, 225)));
    EXPECT_TRUE(isRed(pixel(full, 400, 225)));
    EXPECT_TRUE(isRed(pixel(full, 640, 225)));
    EXPECT_TRUE(isBlack(pixel(full, 130, 225)));
    EXPECT_TRUE(isBlack(pixel(full, 670, 225)));
    EXPECT_TRUE(isBlack(pixel(full, 400, 238)));
    EXPECT_TRUE(isBlack(pixel(full, 400, 212)));
    /* centred: the red run is symmetric about the middle column */
    int left = 400, right = 400;
    while (left > 0 && isRed(pixel(full, left - 1, 225)))
        left--;
    while (right < 799 && isRed(pixel(full, right + 1, 225)))
        right++;
    EXPECT_NEAR(400 - left, right - 399, 3);
}

TEST(TimelinePictures, TitleCardShowsTheTitleInTheCentre)
{
    struct Shots {
        Frame before, during;
        int texWidth, texHeight;
        unsigned char title[1 << 22];
    };
    Shots *shots = childShared<Shots>();
    ChildRun run = runChild([&] {
        childStartDemo(W, H, 0);
        showAt(1.9f, &shots->before);
        showAt(3.0f, &shots->during);
        unsigned int title = tvx_loadPNG("data/title.png");
        glBindTexture(GL_TEXTURE_2D, title);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &shots->texWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &shots->texHeight);
        if ((size_t)shots->texWidth * shots->texHeight * 4 <= sizeof shots->title) {
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, shots->title);
        }
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    ASSERT_GT(shots->texWidth, 0);
    ASSERT_LE((size_t)shots->texWidth * shots->texHeight * 4, sizeof shots->title);

    /* The title (21.6 x 3.15 units about the centre, at depth 50) lands in
     * FBO[0] at k pixels a unit, and the pass quad stretches FBO[0] by 96 / W
     * by 34.2 / H units. From t = 1.9 to 3 its alpha goes from 0 to 0.2: the
     * pixels under its letters take on its colour, those between them only
     * follow the background's wobble. */
    const double k = H / (100.0 * tan(M_PI / 8.0));
    const double halfW = 21.6 * k * (2.0 * PASS_HALF_WIDTH * k / W);
    const double halfH = 3.15 * k * (2.0 * PASS_HALF_HEIGHT * k / H);
    double letters = 0, letterCount = 0, gaps = 0, gapCount = 0;
    Colour titleColour = {0, 0, 0};
    for (int y = (int)(H / 2 - halfH) + 1; y < (int)(H / 2 + halfH); y++) {
        for (int x = (int)(W / 2 - halfW) + 1; x < (int)(W / 2 + halfW); x++) {
            double u = (x + 0.5 - W / 2.0) / (2.0 * halfW) + 0.5;
            double v = (y + 0.5 - H / 2.0) / (2.0 * halfH) + 0.5;
            int tx = (int)(u * shots->texWidth), ty = (int)(v * shots->texHeight);
            const unsigned char *texel = shots->title + ((size_t)ty * shots->texWidth + tx) * 4;
            const unsigned char *a = pixel(&shots->before, x, y);
            const unsigned char *b = pixel(&shots->during, x, y);
            double change = (b[0] + b[1] + b[2]) - (a[0] + a[1] + a[2]);
            if (texel[3] > 220) {
                letters += change;
                letterCount++;
                titleColour.r += texel[0];
                titleColour.g += texel[1];
                titleColour.b += texel[2];
            } else if (texel[3] < 10) {
                gaps += change;
                gapCount++;
            }
        }
    }
    ASSERT_GT(letterCount, 50);
    ASSERT_GT(gapCount, 50);
    double brightness = (titleColour.r + titleColour.g + titleColour.b) / letterCount;
    EXPECT_GT(letters / letterCount - gaps / gapCount, 0.03 * brightness)
        << "brightening under the letters " << letters / letterCount << ", between them "
        << gaps / gapCount << ", title brightness " << brightness;
}

TEST(TimelinePictures, TitleCardIsBlackInItsLastSecond)
{
    Frame *frame = childShared<Frame>();
    ChildRun run = runChild([&] { sceneAt(0, 13.5f, frame); });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    Colour all = mean(frame, 0, 0, frame->width, frame->height);
    EXPECT_LT(all.r + all.g + all.b, 3.0);
}

TEST(TimelinePictures, CarouselIsSepiaToned)
{
    Frame *frame = childShared<Frame>();
    ChildRun run = runChild([&] { sceneAt(1, 30.0f, frame); });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    expectSepia(frame, 24, W * H / 4);
    expectBlackBands(frame);
}

TEST(TimelinePictures, AsteroidFieldIsSepiaToned)
{
    Frame *frame = childShared<Frame>();
    ChildRun run = runChild([&] { sceneAt(2, 8.0f, frame); });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    expectSepia(frame, 24, W * H / 500); /* a sparse field of spheres */
    expectBlackBands(frame);
}

TEST(TimelinePictures, CreditsAreSepiaTonedAndFadeOut)
{
    Frame *frames = childShared<TwoFrames>()->frame;
    ChildRun run = runChild([&] {
        sceneAt(3, 15.0f, &frames[0]);
        showAt(22.99f, &frames[1]);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    expectSepia(&frames[0], 24, W * H / 500);
    expectBlackBands(&frames[0]);
    Colour shown = mean(&frames[0], 0, 0, W, H);
    Colour faded = mean(&frames[1], 0, 0, W, H);
    EXPECT_LT(faded.r + faded.g + faded.b, (shown.r + shown.g + shown.b) * 0.1);
}

TEST(TimelinePictures, TitleCardStillFadesOutAfterTheShipWasShown)
{
    /* The ship has a see-through material, after which the model library
     * leaves blending off; the title card's fade needs it back on. */
    Frame *frame = childShared<Frame>();
    ChildRun run = runChild([&] {
        sceneAt(2, 5.0f, frame);
        tvx_skipTo(9000);
        for (int i = 0; i < 3; i++)
            drawScene(); /* back through scene 1 to scene 0, one a frame */
        showAt(13.5f, frame);
        if (queue != 0)
            _exit(4);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    Colour all = mean(frame, 0, 0, frame->width, frame->height);
    EXPECT_LT(all.r + all.g + all.b, 3.0);
}
