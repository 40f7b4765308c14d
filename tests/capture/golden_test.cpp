/*
 * golden_test.cpp - golden frames: two frames of every scene, rendered at
 * 320 x 180 through --capture to PNG files on a 10 fps frame clock from the
 * scene's own start (-s), compared with the references in
 * tests/capture/golden/ within the tolerance of capture_run.h. Every case
 * also proves on its references that the tolerance is tight: the reference
 * shifted by one pixel must fail the per-pixel bound and the reference with
 * its red channel raised by 12 levels must fail the mean bound.
 *
 * llvmpipe renders with the instructions the processor offers, and the film
 * grain and TV static of the sepia and bloom passes (a sine hash) come out
 * differently with and without fused multiply-add. The runs therefore pin
 * llvmpipe to SSE4.1 code (GALLIUM_OVERRIDE_CPU_CAPS), which every x86-64
 * processor of the last fifteen years runs alike.
 *
 * With KOLVANE_GOLDEN_UPDATE=1 in the environment the cases write the
 * rendered frames as the new references instead of comparing
 * (scripts/golden-frames.sh). A failing case leaves the rendered frame and a
 * difference picture in the build folder under capture_golden/.
 *
 * Depends on: the kolvane executable, libpng (capture_run.cpp).
 */
#include <gtest/gtest.h>

#include <algorithm>    /* std::min */
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "capture_run.h"

namespace {

/* One capture run: the scene it starts at, the demo time of its first frame
 * (the whole seconds of the scenes before it) and the two frames kept. */
struct GoldenRun {
    int scene;
    int startMs;
    int firstMs;
    int secondMs;
};

/* How a run shows in test listings. */
void PrintTo(const GoldenRun &run, std::ostream *out)
{
    *out << "scene " << run.scene << " at " << run.firstMs << " and " << run.secondMs << " ms";
}

const GoldenRun RUNS[] = {
    {0, 0, 4000, 9000},          /* the presenter and party logos; the title */
    {1, 14000, 16000, 19000},    /* the carousel of screens in the round room */
    {2, 140000, 142000, 147000}, /* the space station; the ship among asteroids */
    {3, 154000, 160000, 166000}, /* the ship from the side; its tail close up */
    {4, 177000, 181000, 186000}, /* the cockpit in the hyperspace tunnel */
    {5, 217000, 222000, 226000}, /* the terrain flight with the greeting models */
    {6, 247000, 251000, 256000}, /* the monitor lattice showing the flight */
    {7, 277000, 282000, 288000}, /* the planet and the targeting messages */
    {8, 301000, 304000, 308000}, /* the end scroller over the city */
    {9, 356000, 357000, 360000}, /* the fade-out in static */
};

const int FPS = 10;
const int STEP_MS = 1000 / FPS;

std::string referencePath(int scene, int ms)
{
    char name[64];
    snprintf(name, sizeof(name), "/tests/capture/golden/scene%d_%06d.png", scene, ms);
    return std::string(KOLVANE_SOURCE_DIR) + name;
}

std::string framePath(const std::string &dir, int index)
{
    char name[32];
    snprintf(name, sizeof(name), "/f%04d.png", index);
    return dir + name;
}

/* The reference moved one pixel to the right, its first column repeated. */
Frame shiftedRight(const Frame &f)
{
    Frame s = f;
    for (int y = 0; y < f.height; y++)
        for (int x = 1; x < f.width; x++)
            for (int c = 0; c < 3; c++)
                s.rgb[(size_t)(y * f.width + x) * 3 + c] = f.rgb[(size_t)(y * f.width + x - 1) * 3 + c];
    return s;
}

/* The reference with its red channel 12 levels higher (clamped). */
Frame redder(const Frame &f)
{
    Frame r = f;
    for (size_t i = 0; i < r.rgb.size(); i += 3)
        r.rgb[i] = (unsigned char)std::min(255, r.rgb[i] + 12);
    return r;
}

/* Grey picture of where two frames differ, eight times amplified. */
Frame differencePicture(const Frame &a, const Frame &b)
{
    Frame d = a;
    for (size_t i = 0; i < d.rgb.size(); i++)
        d.rgb[i] = (unsigned char)std::min(255, 8 * abs((int)a.rgb[i] - (int)b.rgb[i]));
    return d;
}

void keepForInspection(const std::string &name, const Frame &rendered, const Frame &reference)
{
    std::string dir = std::string(KOLVANE_BINARY_DIR) + "/capture_golden";
    std::string ignored = shellOutput("mkdir -p '" + dir + "'");
    writeFrame(dir + "/" + name + ".png", rendered);
    writeFrame(dir + "/" + name + "_diff.png", differencePicture(rendered, reference));
}

class GoldenFrames : public ::testing::TestWithParam<GoldenRun> {
protected:
    std::string dir;
    void SetUp() override { dir = makeScratchDir("golden"); }
    void TearDown() override { removeScratchDir(dir); }
};

/* Compares (or, when updating, replaces) the reference of one rendered frame
 * and checks that the reference is sensitive to a shift and a colour change. */
void checkFrame(int scene, int ms, const Frame &rendered)
{
    std::string reference = referencePath(scene, ms);
    char name[32];
    snprintf(name, sizeof(name), "scene%d_%06d", scene, ms);
    const char *update = getenv("KOLVANE_GOLDEN_UPDATE");
    if (update && strcmp(update, "1") == 0) {
        ASSERT_TRUE(writeFrame(reference, rendered)) << "cannot write " << reference;
    }

    Frame golden;
    ASSERT_TRUE(readFrame(reference, &golden)) << "no reference " << reference
                                               << " (scripts/golden-frames.sh makes it)";
    FrameDifference d = compareFrames(rendered, golden);
    if (!withinTolerance(d))
        keepForInspection(name, rendered, golden);
    EXPECT_TRUE(withinTolerance(d))
        << name << ": worst channel difference " << d.worst << " at (" << d.worstX << ", "
        << d.worstY << "), bound " << PIXEL_BOUND << "; mean " << d.mean << ", bound "
        << MEAN_BOUND << "; the rendered frame and the difference are in "
        << KOLVANE_BINARY_DIR << "/capture_golden/";

    FrameDifference shift = compareFrames(golden, shiftedRight(golden));
    EXPECT_GT(shift.worst, PIXEL_BOUND) << name << ": a one-pixel shift stays within the per-pixel bound";
    EXPECT_FALSE(withinTolerance(shift)) << name << ": a one-pixel shift passes";
    FrameDifference colour = compareFrames(golden, redder(golden));
    EXPECT_GT(colour.mean, MEAN_BOUND) << name << ": a red cast stays within the mean bound";
    EXPECT_FALSE(withinTolerance(colour)) << name << ": a red cast passes";
}

TEST_P(GoldenFrames, MatchTheReferences)
{
    const GoldenRun &run = GetParam();
    ASSERT_FALSE(dir.empty());
    char to[32];
    snprintf(to, sizeof(to), "%.3f", (run.secondMs + STEP_MS / 2) / 1000.0);
    KolvaneRun r = runKolvane({"-w", "320", "-h", "180", "-m", "-s", std::to_string(run.scene),
                               "--capture", dir + "/f%04d.png", "--fps", std::to_string(FPS),
                               "--to", to},
                              600, {{"GALLIUM_OVERRIDE_CPU_CAPS", "sse4.1"}});
    ASSERT_EQ(r.status, 0) << r.err;
    if (run.scene > 0) {
        ASSERT_NE(r.out.find("song start pos = " + std::to_string(run.startMs) + "\n"), std::string::npos)
            << r.out;
    }

    /* The run stops at --to: its last frame is the second one kept. */
    int last = (run.secondMs - run.startMs) / STEP_MS;
    EXPECT_TRUE(fileExists(framePath(dir, last)));
    EXPECT_FALSE(fileExists(framePath(dir, last + 1)));

    for (int ms : {run.firstMs, run.secondMs}) {
        Frame rendered;
        ASSERT_TRUE(readFrame(framePath(dir, (ms - run.startMs) / STEP_MS), &rendered));
        ASSERT_EQ(rendered.width, 320);
        ASSERT_EQ(rendered.height, 180);
        checkFrame(run.scene, ms, rendered);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryScene, GoldenFrames, ::testing::ValuesIn(RUNS),
                         [](const ::testing::TestParamInfo<GoldenRun> &info) {
                             return "Scene" + std::to_string(info.param.scene);
                         });

}  // namespace
