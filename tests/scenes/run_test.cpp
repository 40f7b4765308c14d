/*
 * run_test.cpp - scenes 4 to 9 played through drawScene on the mute clock,
 * one forked child per scenario (drawScene loads once per process): the star
 * table's life, the greeting lists, a picture of every scene read back from
 * the window, and the end of the demo with status 0.
 */
#include <gtest/gtest.h>

#include <math.h>     /* lroundf */
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <string>
#include <vector>

#include "child_run.h"
#include "scene4_cockpit.h"
#include "scene5_terrain.h"
#include "scene_cubes.h"
#include "test_gl.h"
#include "timeline.h"
#include "tvx.h"

#include <GL/glu.h>   /* gluPerspective for the cube batch */

/* ---- Helpers --------------------------------------------------------------- */

/* The demo releases nothing at exit (its textures, models and GL context live
 * until the process ends), so a sanitized run does not look for leaks in the
 * runs that end through the demo's own exit. */
extern "C" const char *__lsan_default_options(void)
{
    return "detect_leaks=0";
}

static const int W = 320;
static const int H = 180;

/* Demo time in ms at which scene k begins after a start at scene k: the sum
 * of the truncated durations of the scenes before it. */
static int startMs(int k)
{
    static const int whole[] = {14, 126, 14, 23, 40, 30, 30, 24, 55, 10};
    int ms = 0;
    for (int i = 0; i < k; i++)
        ms += whole[i] * 1000;
    return ms;
}

/* What a picture shows, counted over the window read back after the swap
 * (the back buffer keeps the frame): the brightest channel of the top band (the clear colour above the
 * screen quad of a pass), lit pixels of the middle, near-white pixels of the
 * top band. */
struct Picture {
    int topBandMax;
    int topBandWhite;
    int middleLit;
    int middleWhite;
    int wholeMax;
    int blending;     /* blending on with the start-up function after the frame */
    int colourMaterial;
    double middleGreenExcess;   /* mean of green minus red over the middle */
    double middleDetail;        /* mean step of the brightest channel between
                                 * neighbours across the middle: grain, static */
};

static Picture readPicture(void)
{
    std::vector<unsigned char> px((size_t)W * H * 4);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    Picture p = {0, 0, 0, 0, 0, 0, 0, 0.0, 0.0};
    long detail = 0;
    int previous = 0;
    p.colourMaterial = glIsEnabled(GL_COLOR_MATERIAL);
    long greenExcess = 0;
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    p.blending = glIsEnabled(GL_BLEND) && src == GL_SRC_ALPHA && dst == GL_ONE_MINUS_SRC_ALPHA;
    for (int y = 0; y < H; y++) {
        for (int x = 0; x < W; x++) {
            const unsigned char *c = &px[((size_t)y * W + x) * 4];
            int m = std::max(c[0], std::max(c[1], c[2]));
            int lo = std::min(c[0], std::min(c[1], c[2]));
            p.wholeMax = std::max(p.wholeMax, m);
            if (y >= H - 12) {   /* row 0 is the bottom */
                p.topBandMax = std::max(p.topBandMax, m);
                p.topBandWhite += lo > 200;
            }
            if (y > H / 4 && y < 3 * H / 4 && x > W / 4 && x < 3 * W / 4) {
                p.middleLit += m > 24;
                p.middleWhite += lo > 180;
                greenExcess += c[1] - c[0];
                if (x > W / 4 + 1)
                    detail += abs(m - previous);
                previous = m;
            }
        }
    }
    p.middleGreenExcess = (double)greenExcess / ((W / 2.0) * (H / 2.0));
    p.middleDetail = (double)detail / ((W / 2.0) * (H / 2.0));
    return p;
}

/* Draws n frames at scene time t of the scene that began at startMs(k), so
 * that the motion blur settles, and reads the last one back. */
static Picture pictureAt(int k, float t, int n)
{
    int ms = startMs(k) + (int)lroundf(t * 1000.0f);
    for (int i = 0; i < n; i++)
        childFrameAt(ms);
    return readPicture();
}

/* Number of feedback values a display list yields: 0 for an empty list. */
static int listOutput(GLuint list)
{
    static GLfloat buffer[1 << 20];
    glFeedbackBuffer(1 << 20, GL_3D, buffer);
    glRenderMode(GL_FEEDBACK);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-1e4, 1e4, -1e4, 1e4, -1e4, 1e4);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glCallList(list);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    int values = glRenderMode(GL_RENDER);
    return values < 0 ? 1 << 20 : values;   /* -1: more than the buffer holds */
}

/* ---- Scene 4 --------------------------------------------------------------- */

struct StarRun {
    int frames[4];
    float depth[4][SCENE4_STARS];
};

TEST(CockpitRun, StarTableFilledOnceAndSteppedPerFrame)
{
    StarRun *r = childShared<StarRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 4);   /* the switch frame draws scene 4 at t = 0 */
        for (int i = 0; i < SCENE4_STARS; i++)
            r->depth[0][i] = scene4_starDepth(i);
        r->frames[0] = scene4_frames();
        childFrameAt(startMs(4) + 500);
        for (int i = 0; i < SCENE4_STARS; i++)
            r->depth[1][i] = scene4_starDepth(i);
        r->frames[1] = scene4_frames();
        childFrameAt(startMs(4) + 3000);   /* from 3 s on the stars stand */
        for (int i = 0; i < SCENE4_STARS; i++)
            r->depth[2][i] = scene4_starDepth(i);
        r->frames[2] = scene4_frames();
        /* on to scene 5, back into scene 4 by a long seek, then into its
         * first seconds again */
        childFrameAt(startMs(5) + 100);
        childFrameAt(startMs(5) - 3500);
        childFrameAt(startMs(4) + 1000);
        for (int i = 0; i < SCENE4_STARS; i++)
            r->depth[3][i] = scene4_starDepth(i);
        r->frames[3] = scene4_frames();
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(r->frames[0], 1);
    EXPECT_EQ(r->frames[1], 2);
    EXPECT_EQ(r->frames[2], 3);
    EXPECT_EQ(r->frames[3], 5);
    for (int i = 0; i < SCENE4_STARS; i++) {
        float start = scene4_starStart(i);
        EXPECT_FLOAT_EQ(r->depth[0][i], start) << i;
        EXPECT_FLOAT_EQ(r->depth[1][i], start + 0.25f) << i;
        EXPECT_FLOAT_EQ(r->depth[2][i], start + 0.25f) << i;
        EXPECT_FLOAT_EQ(r->depth[3][i], start + 1.25f) << i;
    }
}

struct PictureRun {
    Picture at[4];
};

TEST(CockpitRun, PictureThroughTheSepiaPassThenFadedOut)
{
    PictureRun *r = childShared<PictureRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 4);
        r->at[2] = pictureAt(4, 0.2f, 8);
        r->at[3] = pictureAt(4, 2.5f, 8);
        r->at[0] = pictureAt(4, 20.0f, 8);
        r->at[1] = pictureAt(4, 39.99f, 12);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_LE(r->at[0].topBandMax, 4);
    EXPECT_GT(r->at[0].middleLit, W * H / 20);
    EXPECT_LE(r->at[1].wholeMax, 8);
    /* the opening burst of static shows over the picture, which is still
     * faded almost to black: more fine detail than the third second shows,
     * with the picture at half strength */
    EXPECT_GT(r->at[2].middleDetail, r->at[3].middleDetail)
        << r->at[2].middleDetail << " against " << r->at[3].middleDetail;
}

/* ---- Scene 5 --------------------------------------------------------------- */

struct ListRun {
    int output[SCENE5_GREETS];
    Picture picture;
};

TEST(TerrainFlightRun, GreetingListsHoldTheModelsWhenTheSceneStartsOnTime)
{
    ListRun *r = childShared<ListRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 5);   /* first frame at t = 0 */
        for (int k = 0; k < SCENE5_GREETS; k++)
            r->output[k] = listOutput(scene5_greetList() + k);
        r->picture = pictureAt(5, 15.0f, 8);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    for (int k = 0; k < SCENE5_GREETS; k++)
        EXPECT_GT(r->output[k], 0) << "greeting " << k;
    EXPECT_LE(r->picture.topBandMax, 4);
    EXPECT_GT(r->picture.middleLit, W * H / 20);
    /* the ship's see-through canopy does not leave blending off */
    EXPECT_TRUE(r->picture.blending);
}

TEST(TerrainFlightRun, GreetingListsStayEmptyWhenTheFirstFrameIsLate)
{
    ListRun *r = childShared<ListRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 4);
        childFrameAt(startMs(5) + 600);   /* scene 4 ends; scene 5 starts at 0.6 s */
        childFrameAt(startMs(5) + 700);
        for (int k = 0; k < SCENE5_GREETS; k++)
            r->output[k] = listOutput(scene5_greetList() + k);
        r->picture = pictureAt(5, 15.0f, 8);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    for (int k = 0; k < SCENE5_GREETS; k++)
        EXPECT_EQ(r->output[k], 0) << "greeting " << k;
    EXPECT_GT(r->picture.middleLit, W * H / 20);
}

/* ---- Scenes 6, 7 and 8 ----------------------------------------------------- */

TEST(MonitorLatticeRun, FlightPictureOnTheMonitors)
{
    PictureRun *r = childShared<PictureRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 6);
        r->at[0] = pictureAt(6, 3.0f, 8);
        r->at[1] = pictureAt(6, 20.0f, 8);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    for (int i = 0; i < 2; i++) {
        EXPECT_LE(r->at[i].topBandMax, 4) << i;
        EXPECT_GT(r->at[i].middleLit, W * H / 40) << i;
        /* the overlay is see-through in the middle: blended, it does not
         * cover the monitors with its grey */
        EXPECT_LT(r->at[i].middleWhite, W * H / 40) << i;
        EXPECT_TRUE(r->at[i].blending) << i;
    }
}

TEST(ExplodingPlanetRun, WhiteCaptionsAboveThePictureUntilTwentySeconds)
{
    PictureRun *r = childShared<PictureRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 7);
        r->at[0] = pictureAt(7, 5.0f, 2);
        r->at[1] = pictureAt(7, 12.0f, 2);
        r->at[2] = pictureAt(7, 21.0f, 2);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    /* the planet fills the middle; "processing coordinates..." stands in
     * the band above the picture */
    EXPECT_GT(r->at[0].middleLit, W * H / 20);
    EXPECT_GT(r->at[0].topBandWhite, 20);
    EXPECT_GT(r->at[1].topBandWhite, 20);
    /* after 20 s only the dark crash caption is drawn */
    EXPECT_EQ(r->at[2].topBandWhite, 0);
}

TEST(EndScrollerRun, CubeFieldThroughTheBloomPass)
{
    PictureRun *r = childShared<PictureRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 8);
        r->at[0] = pictureAt(8, 10.0f, 1);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_LE(r->at[0].topBandMax, 4);
    EXPECT_GT(r->at[0].middleLit, W * H / 20);
    EXPECT_LT(fabs(r->at[0].middleGreenExcess), 8.0);
}

/* The models of the earlier scenes leave the lit field grey and blending on. */
TEST(EndScrollerRun, FieldKeepsItsGreyAfterTheMonitorLattice)
{
    PictureRun *r = childShared<PictureRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 6);
        r->at[0] = pictureAt(6, 20.0f, 1);
        childFrameAt(startMs(8) + 100);   /* scenes 6 and 7 end in this frame */
        r->at[1] = pictureAt(8, 10.0f, 1);
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_TRUE(r->at[0].colourMaterial);
    EXPECT_TRUE(r->at[1].blending);
    EXPECT_GT(r->at[1].middleLit, W * H / 20);
    EXPECT_LT(fabs(r->at[1].middleGreenExcess), 8.0);
}

/* The batch leaves out the faces turned away from the eye: a grid of
 * touching cubes of many heights, under a turned and scaled model-view, looks
 * as the same cubes drawn one by one with glutSolidCube, but for single
 * pixels on the outlines, from at most three faces a cube. */
struct CubeBatchRun {
    int cubes;
    int faces;
    int lit;
    int far;           /* channels more than 24 levels apart */
    double mean;
};

TEST(EndScrollerRun, CubeBatchLooksLikeSingleCubes)
{
    CubeBatchRun *r = childShared<CubeBatchRun>();
    ChildRun run = runChild([r] {
        testGlContext(W, H);
        std::vector<unsigned char> single((size_t)W * H * 4), batch((size_t)W * H * 4);
        for (int pass = 0; pass < 2; pass++) {
            glViewport(0, 0, W, H);
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glMatrixMode(GL_PROJECTION);
            glLoadIdentity();
            gluPerspective(45.0, (double)W / H, 1.0, 500.0);
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            glTranslatef(0.0f, 0.0f, -22.0f);
            glRotatef(35.0f, 1.0f, 0.0f, 0.0f);
            glRotatef(50.0f, 0.0f, 1.0f, 0.0f);
            glScalef(1.5f, 0.8f, 1.2f);
            glEnable(GL_DEPTH_TEST);
            glEnable(GL_LIGHTING);
            glEnable(GL_LIGHT0);
            glEnable(GL_COLOR_MATERIAL);
            glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
            if (pass == 1)
                cubes_begin();
            r->cubes = 0;
            for (int a = -6; a <= 6; a++) {
                for (int b = -6; b <= 6; b++) {
                    float y = sinf(0.7f * a * b);
                    r->cubes++;
                    if (pass == 1) {
                        cubes_add((float)a, y, (float)b, nullptr);
                        continue;
                    }
                    glPushMatrix();
                    glTranslatef((float)a, y, (float)b);
                    glutSolidCube(1.0);
                    glPopMatrix();
                }
            }
            if (pass == 1) {
                r->faces = cubes_faceCount();
                cubes_draw();
            }
            glFinish();
            glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, pass ? batch.data() : single.data());
        }
        long sum = 0;
        for (size_t i = 0; i < single.size(); i++) {
            int d = abs((int)single[i] - (int)batch[i]);
            sum += d;
            r->far += d > 24;
            if (i % 4 == 0)
                r->lit += single[i] > 16;
        }
        r->mean = (double)sum / (double)single.size();
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_GT(r->lit, W * H / 8);
    EXPECT_GE(r->faces, r->cubes);
    EXPECT_LE(r->faces, 3 * r->cubes);
    EXPECT_LT(r->far, r->lit / 100);
    EXPECT_LT(r->mean, 0.5);
}

/* ---- Scene 9 and the end of the demo --------------------------------------- */

struct EndRun {
    Picture faded;
    int returned;
};

TEST(FadeOutRun, BlackAfterSevenSecondsThenExitsWithStatusZero)
{
    EndRun *r = childShared<EndRun>();
    ChildRun run = runChild([r] {
        childStartDemo(W, H, 9);
        r->faded = pictureAt(9, 8.0f, 2);
        childFrameAt(startMs(9) + 9990);
        childFrameAt(startMs(9) + 10100);   /* t > 10: the process ends */
        r->returned = 1;
        exit(3);
    });
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(r->returned, 0);
    EXPECT_LE(r->faded.wholeMax, 8);
}

TEST(FadeOutRun, ProgramStartedAtTheLastSceneEndsByItselfWithStatusZero)
{
    std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 timeout 300 ") + KOLVANE_BINARY_DIR +
                          "/src/demo/kolvane -m -nf -w 160 -h 90 -s 9 > /dev/null";
    int status = system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
