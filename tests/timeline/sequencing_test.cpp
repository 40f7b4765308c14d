/*
 * sequencing_test.cpp - drawScene from the loading bar to the end of the
 * demo, driven through the mute clock in forked runs: loading frame counts,
 * the start-scene seek and its console lines, the advance and rewind rules,
 * forward seeks across scenes, the end with status 0, the pause read-out;
 * and a table of scenes with one added at the end, played the same way.
 */
#include <gtest/gtest.h>

#include <stdio.h>
#include <unistd.h>        /* dup2: the death tests' lines on standard error */

#include <GL/glew.h>
#include <GL/freeglut.h>   /* GLUT_KEY_LEFT */

#include "child_run.h"
#include "timeline.h"
#include "tvx.h"

/* Whether a run's console output holds a text. */
#define EXPECT_OUTPUT_HAS(output, text) EXPECT_NE((output).find(text), std::string::npos) << (output)
#define EXPECT_OUTPUT_LACKS(output, text) EXPECT_EQ((output).find(text), std::string::npos) << (output)

namespace {

/* What a run reports back: a few samples of the timeline state. */
struct Trace {
    int loadingFrames;
    int queue[8];
    float loadingTime[8];
    float mblur[8];
    int clock;
    int demoLength;
};

}  // namespace

TEST(TimelineLoading, SwitchToPlayingComesInAFrameThatDependsOnTheWidth)
{
    const int widths[3] = {1024, 1280, 800};
    const int expected[3] = {51, 63, 40};
    for (int i = 0; i < 3; i++) {
        Trace *trace = childShared<Trace>();
        ChildRun run = runChild([&] {
            trace->loadingFrames = childStartDemo(widths[i], 180, 0);
            trace->queue[0] = queue;
            trace->loadingTime[0] = loadingTime;
        });
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        EXPECT_EQ(trace->loadingFrames, expected[i]) << "W = " << widths[i];
        EXPECT_EQ(trace->queue[0], 0);
        EXPECT_EQ(trace->loadingTime[0], 0.0f);
        EXPECT_OUTPUT_LACKS(run.output, "## got queue");
        EXPECT_OUTPUT_HAS(run.output, "DEV: DEMO_LENGTH = 366700 SCENE_TIME[9] = 10.000000\n");
    }
}

TEST(TimelineLoading, StartSceneSeeksToTheTruncatedSumOfTheEarlierScenes)
{
    const int scenes[2] = {3, 7};
    const char *lines[2] = {"## got queue 3\nsong start pos = 154000\n",
                            "## got queue 7\nsong start pos = 277000\n"};
    const float starts[2] = {154.0f, 277.0f};
    for (int i = 0; i < 2; i++) {
        Trace *trace = childShared<Trace>();
        ChildRun run = runChild([&] {
            childStartDemo(320, 180, scenes[i]);
            trace->queue[0] = queue;
            trace->loadingTime[0] = loadingTime;
            trace->clock = SOUND_MUTE_TIMER;
        });
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        EXPECT_OUTPUT_HAS(run.output, lines[i]);
        EXPECT_EQ(trace->queue[0], scenes[i]);
        EXPECT_EQ(trace->loadingTime[0], starts[i]);
        EXPECT_EQ(trace->clock, (int)starts[i] * 1000);
    }
}

TEST(TimelineLoading, StartSceneOutOfRangeStartsAtTheTitle)
{
    const int scenes[2] = {12, -1};
    const char *lines[2] = {"[/] Start scene 12 does not exist: the scenes are 0 to 9; starting at scene 0\n",
                            "[/] Start scene -1 does not exist: the scenes are 0 to 9; starting at scene 0\n"};
    for (int i = 0; i < 2; i++) {
        Trace *trace = childShared<Trace>();
        ChildRun run = runChild([&] {
            childStartDemo(320, 180, scenes[i]);
            trace->queue[0] = queue;
            trace->loadingTime[0] = loadingTime;
            trace->clock = SOUND_MUTE_TIMER;
        });
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        EXPECT_OUTPUT_HAS(run.output, lines[i]);
        EXPECT_OUTPUT_LACKS(run.output, "## got queue");
        EXPECT_EQ(trace->queue[0], 0);
        EXPECT_EQ(trace->loadingTime[0], 0.0f);
        EXPECT_EQ(trace->clock, 0);
    }
}

TEST(TimelineSequencing, AdvancesInTheFrameWhereTFirstExceedsTheDuration)
{
    Trace *trace = childShared<Trace>();
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 2);
        trace->mblur[0] = mblur;
        childFrameAt(154000); /* t = 14.0 exactly: not past the duration */
        trace->queue[1] = queue;
        trace->mblur[1] = mblur;
        childFrameAt(154025);
        trace->queue[2] = queue;
        trace->loadingTime[2] = loadingTime;
        trace->mblur[2] = mblur;
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(trace->mblur[0], 0.0f); /* scene 2 leaves the blur as it found it */
    EXPECT_EQ(trace->queue[1], 2);
    EXPECT_EQ(trace->mblur[1], 0.0f);
    EXPECT_EQ(trace->queue[2], 3);
    EXPECT_EQ(trace->loadingTime[2], 154.0f);
    EXPECT_EQ(trace->mblur[2], 0.2f); /* scene 3's block ran in the same frame */
}

TEST(TimelineSequencing, PlayedThroughScenesStartAtTheFloatSums)
{
    Trace *trace = childShared<Trace>();
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 0);
        childFrameAt(14000);
        trace->queue[0] = queue;
        childFrameAt(14025);
        trace->queue[1] = queue;
        trace->loadingTime[1] = loadingTime;
        childFrameAt(140525);
        trace->queue[2] = queue;
        trace->loadingTime[2] = loadingTime;
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(trace->queue[0], 0);
    EXPECT_EQ(trace->queue[1], 1);
    EXPECT_EQ(trace->loadingTime[1], 14.0f);
    EXPECT_EQ(trace->queue[2], 2);
    EXPECT_EQ(trace->loadingTime[2], 140.5f);
}

TEST(TimelineSequencing, RewindsAfterAFourSecondSeekBackButNotAfterOne)
{
    Trace *trace = childShared<Trace>();
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 3);
        childFrameAt(154500);
        tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
        drawScene(); /* t = -0.5 */
        trace->queue[0] = queue;
        trace->clock = SOUND_MUTE_TIMER;
        for (int i = 0; i < 3; i++) {
            tvx_handleSpecialKeys(GLUT_KEY_LEFT, 0, 0);
            drawScene();
            trace->queue[1 + i] = queue; /* t = -1.5, -2.5, -3.5 */
        }
        trace->loadingTime[3] = loadingTime;
        drawScene(); /* scene 2 resumes at its own t = 10.5 */
        trace->queue[4] = queue;
        trace->loadingTime[4] = loadingTime;
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(trace->clock, 153500);
    EXPECT_EQ(trace->queue[0], 3);
    EXPECT_EQ(trace->queue[1], 3);
    EXPECT_EQ(trace->queue[2], 3);
    EXPECT_EQ(trace->queue[3], 2);
    EXPECT_EQ(trace->loadingTime[3], 140.0f);
    EXPECT_EQ(trace->queue[4], 2);
    EXPECT_EQ(trace->loadingTime[4], 140.0f);
}

TEST(TimelineSequencing, SeekingFarBackMovesOneSceneEachFrame)
{
    Trace *trace = childShared<Trace>();
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 3);
        tvx_skipTo(0);
        for (int i = 0; i < 4; i++) {
            drawScene();
            trace->queue[i] = queue;
            trace->loadingTime[i] = loadingTime;
        }
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(trace->queue[0], 2);
    EXPECT_EQ(trace->queue[1], 1);
    EXPECT_EQ(trace->queue[2], 0);
    EXPECT_EQ(trace->queue[3], 0);
    /* the start seek counted whole seconds, the rewinds take the float durations */
    EXPECT_EQ(trace->loadingTime[2], -0.5f);
}

TEST(TimelineSequencing, ForwardSeekPassesSeveralScenesInOneFrame)
{
    Trace *trace = childShared<Trace>();
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 0);
        childFrameAt(1000);
        childFrameAt(200000);
        trace->queue[0] = queue;
        trace->loadingTime[0] = loadingTime;
        trace->mblur[0] = mblur;
        childFrameAt(300000);
        trace->queue[1] = queue;
        trace->loadingTime[1] = loadingTime;
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_EQ(trace->queue[0], 4);
    EXPECT_EQ(trace->loadingTime[0], 177.5f);
    EXPECT_EQ(trace->mblur[0], 0.5f);
    EXPECT_EQ(trace->queue[1], 7);
    EXPECT_NEAR(trace->loadingTime[1], 277.7f, 1e-3f);
}

TEST(TimelineSequencing, LastSceneEndsTheProcessWithStatusZero)
{
    Trace *trace = childShared<Trace>();
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 9);
        trace->loadingTime[0] = loadingTime;
        childFrameAt(366000); /* t = 10.0: still playing */
        trace->queue[0] = queue;
        printf("still playing\n");
        childFrameAt(366025);
        printf("not ended\n");
        _exit(3);
    });
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(trace->loadingTime[0], 356.0f);
    EXPECT_EQ(trace->queue[0], 9);
    EXPECT_OUTPUT_HAS(run.output, "still playing");
    EXPECT_OUTPUT_LACKS(run.output, "not ended");
}

TEST(TimelineSequencing, PlayedThroughDemoEndsAtItsLength)
{
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 0);
        childFrameAt(366700);
        printf("still playing at the length\n");
        childFrameAt(366800);
        _exit(3);
    });
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_OUTPUT_HAS(run.output, "still playing at the length");
}

TEST(TimelineFrameEnd, PauseReadOutEveryPausedFrame)
{
    ChildRun run = runChild([&] {
        childStartDemo(320, 180, 0);
        childFrameAt(2000);
        SOUND_MUTE_PAUSE = 1;
        drawScene();
        drawScene();
        SOUND_MUTE_PAUSE = 0;
        drawScene();
    });
    ASSERT_EQ(run.exitStatus, 0) << run.output;
    size_t first = run.output.find("PAUSED AT : 2000ms\n");
    ASSERT_NE(first, std::string::npos) << run.output;
    size_t second = run.output.find("PAUSED AT : 2000ms\n", first + 1);
    EXPECT_NE(second, std::string::npos);
    EXPECT_EQ(run.output.find("PAUSED AT", second + 1), std::string::npos);
}

/* ---- A scene added at the end of the table --------------------------------- */

namespace {

/* What the added scene saw of its frames. */
struct AddedScene {
    int setUps;          /* runs of its first-frame set-up */
    int frames;          /* frames of its block */
    int number;          /* its place, as its frames gave it */
    float t[4];          /* scene time of its first frames */
    int queue[4];
    float loadingTime[4];
    char overlayName[32];
    int jumpBack;        /* where Page Up lands from it, ms */
};

AddedScene *added;

void addedFirstFrame(void)
{
    added->setUps++;
}

/* The worked example of docs/writing-a-scene.md: a caption that fades out
 * over the scene's duration. */
void addedBlock(const SceneFrame *frame)
{
    mblur = 0.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f - frame->t / frame->scene->duration);
    tvx_drawPolygonText("thanks for watching", -30.0f, 0.0f, 0.0f);

    if (added->frames < 4)
        added->t[added->frames] = frame->t;
    added->frames++;
    added->number = frame->number;
}

SceneRecord withAdded[SCENE_SLOTS];

/* The demo's table and the added scene after its last one. */
void playTableWithAddedScene(void)
{
    for (int k = 0; k < demoSceneCount; k++)
        withAdded[k] = demoScenes[k];
    withAdded[demoSceneCount] = {"afterglow", 2.5f, addedBlock, nullptr, addedFirstFrame};
    setSceneTable(withAdded, demoSceneCount + 1);
}

}  // namespace

TEST(TimelineTable, SceneAddedAtTheEndPlaysThroughTheFrameDriver)
{
    added = childShared<AddedScene>();
    ChildRun run = runChild([&] {
        playTableWithAddedScene();
        childStartDemo(320, 180, 9);
        childFrameAt(366025);   /* scene 9 is over: on to the added scene, not the end */
        added->queue[0] = queue;
        added->loadingTime[0] = loadingTime;
        const char *name = nullptr;
        float seconds = 0.0f;
        sceneInfo(&name, &seconds);
        snprintf(added->overlayName, sizeof added->overlayName, "%s", name);
        added->jumpBack = sceneJump(-1);
        childFrameAt(362500);   /* t = -3.5: back to scene 9 */
        added->queue[1] = queue;
        added->loadingTime[1] = loadingTime;
        childFrameAt(366100);   /* into it again */
        added->queue[2] = queue;
        childFrameAt(368500);   /* t = 2.5: still playing */
        added->queue[3] = queue;
        printf("still playing\n");
        childFrameAt(368525);   /* past its 2.5 s: the demo's end */
        printf("not ended\n");
        _exit(3);
    });
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_OUTPUT_HAS(run.output, "DEV: DEMO_LENGTH = 366700 SCENE_TIME[9] = 10.000000\n"
                                  "DEV: DEMO_LENGTH = 369200 SCENE_TIME[10] = 2.500000\n");
    EXPECT_OUTPUT_HAS(run.output, "## got queue 9\nsong start pos = 356000\n");
    EXPECT_OUTPUT_HAS(run.output, "still playing");
    EXPECT_OUTPUT_LACKS(run.output, "not ended");

    EXPECT_EQ(added->queue[0], 10);
    EXPECT_EQ(added->loadingTime[0], 366.0f);
    EXPECT_EQ(added->number, 10);
    EXPECT_NEAR(added->t[0], 0.025f, 1e-4f);   /* drawn in the frame scene 9 ended */
    EXPECT_STREQ(added->overlayName, "afterglow");
    EXPECT_EQ(added->jumpBack, 356001);
    EXPECT_EQ(added->queue[1], 9);
    EXPECT_EQ(added->loadingTime[1], 356.0f);
    EXPECT_NEAR(added->t[1], -3.5f, 1e-3f);    /* its block ran, then the rewind */
    EXPECT_EQ(added->queue[2], 10);
    EXPECT_EQ(added->queue[3], 10);
    EXPECT_EQ(added->frames, 5);               /* the last one ran before the end */
    EXPECT_EQ(added->setUps, 1);               /* once in the run, not per visit */
}

TEST(TimelineTable, StartSceneRangeAndSeekFollowTheTable)
{
    added = childShared<AddedScene>();
    const int scenes[2] = {10, 11};
    const char *lines[2] = {"## got queue 10\nsong start pos = 366000\n",
                            "[/] Start scene 11 does not exist: the scenes are 0 to 10; starting at scene 0\n"};
    const int queues[2] = {10, 0};
    for (int i = 0; i < 2; i++) {
        Trace *trace = childShared<Trace>();
        ChildRun run = runChild([&] {
            playTableWithAddedScene();
            childStartDemo(320, 180, scenes[i]);
            trace->queue[0] = queue;
        });
        ASSERT_EQ(run.exitStatus, 0) << run.output;
        EXPECT_OUTPUT_HAS(run.output, lines[i]);
        EXPECT_EQ(trace->queue[0], queues[i]);
    }
}

TEST(TimelineTableDeath, TableWithoutRowsOrWithAnUnusableRowIsRefused)
{
    SceneRecord rows[2] = {demoScenes[0], {"empty", 0.0f, addedBlock, nullptr, nullptr}};
    EXPECT_EXIT({ dup2(2, 1); setSceneTable(rows, 0); }, testing::ExitedWithCode(255),
                "^\\[!\\] A scene table holds 1 to 100 scenes, not 0\n$");
    EXPECT_EXIT({ dup2(2, 1); setSceneTable(rows, 2); }, testing::ExitedWithCode(255),
                "^\\[!\\] Scene 1 of the table needs a name, a duration above 0 and a block\n$");
    rows[1] = {"no block", 1.0f, nullptr, nullptr, nullptr};
    EXPECT_EXIT({ dup2(2, 1); setSceneTable(rows, 2); }, testing::ExitedWithCode(255),
                "^\\[!\\] Scene 1 of the table needs a name, a duration above 0 and a block\n$");
}
