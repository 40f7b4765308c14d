/*
 * values_test.cpp - the per-frame values of scenes 4 to 9 at the instants
 * that matter: bursts and fades, the turn schedule's borders, the lattice's
 * motion, the message switches, the planet's shake and debris, the scroller's
 * noise and text, the final fade; and the shared ribbon. No OpenGL.
 */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include "scene4_cockpit.h"
#include "scene5_terrain.h"
#include "scene6_lattice.h"
#include "scene7_planet.h"
#include "scene8_scroller.h"
#include "scene9_fadeout.h"
#include "scene_cubes.h"
#include "tvx.h"

/* ---- Scene 4 --------------------------------------------------------------- */

TEST(Cockpit, NoiseBurstDecaysOverTheFirstSecond)
{
    EXPECT_FLOAT_EQ(scene4_suddenNoise(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene4_suddenNoise(0.25f), 0.75f);
    EXPECT_FLOAT_EQ(scene4_suddenNoise(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(scene4_suddenNoise(20.0f), 0.0f);
    /* shortly after a small backward seek the burst exceeds 1 */
    EXPECT_FLOAT_EQ(scene4_suddenNoise(-0.5f), 1.5f);
}

TEST(Cockpit, BackgroundFadesInFromOneSecondWithoutClamp)
{
    EXPECT_FLOAT_EQ(scene4_backgroundAlpha(0.5f), 0.0f);
    EXPECT_FLOAT_EQ(scene4_backgroundAlpha(1.0f), 0.0f);
    EXPECT_FLOAT_EQ(scene4_backgroundAlpha(2.0f), 0.4f);
    EXPECT_FLOAT_EQ(scene4_backgroundAlpha(3.5f), 1.0f);
    EXPECT_FLOAT_EQ(scene4_backgroundAlpha(6.0f), 2.0f);
}

TEST(Cockpit, PassFadesOutFromThirtyFiveSeconds)
{
    EXPECT_FLOAT_EQ(scene4_passAlpha(35.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene4_passAlpha(37.5f), 0.5f);
    EXPECT_NEAR(scene4_passAlpha(40.0f), 0.0f, 1e-6f);
}

TEST(Cockpit, GreetingsLineHasSixGreetingsOfTheFixedForm)
{
    std::string line = scene4_greetings;
    EXPECT_EQ(line.size(), 90u);
    std::vector<std::string> greetings;
    size_t start = 0;
    for (size_t gap; (gap = line.find("    ", start)) != std::string::npos; start = gap + 4)
        greetings.push_back(line.substr(start, gap - start));
    greetings.push_back(line.substr(start));
    ASSERT_EQ(greetings.size(), 6u);
    int withGroup = 0;
    for (size_t i = 0; i + 1 < greetings.size(); i++) {
        EXPECT_EQ(greetings[i].find(' '), std::string::npos) << greetings[i];
        withGroup += greetings[i].find('/') != std::string::npos;
    }
    EXPECT_EQ(withGroup, 3);
    EXPECT_EQ(greetings[5].rfind("the ", 0), 0u);
    EXPECT_EQ(greetings[5].back(), ')');
    EXPECT_NE(greetings[5].find(" ("), std::string::npos);
}

TEST(Cockpit, StarsStartAtNoiseDepthsAndGrowByTSquaredPerFrame)
{
    for (int i : {0, 1, 17, 199})
        EXPECT_FLOAT_EQ(scene4_starStart(i),
                        tvx_perlin2DNoise((float)i, (float)i, 45) * 50.0f + 50.0f);
    /* star 0 samples the cell at the origin: its depth is fixed */
    EXPECT_NEAR(scene4_starStart(0), 50.0f + 50.0f * tvx_perlin2DNoise(0.0f, 0.0f, 45), 1e-4f);
    EXPECT_FLOAT_EQ(scene4_starStep(0.5f), 0.25f);
    EXPECT_FLOAT_EQ(scene4_starStep(2.0f), 4.0f);
    EXPECT_FLOAT_EQ(scene4_starStep(-1.0f), 1.0f);
}

/* ---- Scene 5 --------------------------------------------------------------- */

static void expectNoTurn(float t)
{
    Scene5Turn turn = scene5_turn(t);
    EXPECT_FALSE(turn.hasYaw || turn.hasPitch || turn.hasRoll) << "t = " << t;
}

TEST(TerrainFlight, NoTurnOutsideTheWindowsAndAtTheirBorders)
{
    for (float t : {-1.0f, 0.0f, 3.0f, 6.0f, 8.0f, 12.0f, 14.0f, 16.0f, 18.0f, 19.0f, 21.0f,
                    25.0f, 27.0f, 27.01f, 29.9f})
        expectNoTurn(t);
}

TEST(TerrainFlight, TurnScheduleInsideItsWindows)
{
    Scene5Turn turn = scene5_turn(7.0f);   /* eased 0 -> 160, halfway */
    EXPECT_TRUE(turn.hasYaw);
    EXPECT_FALSE(turn.hasPitch || turn.hasRoll);
    EXPECT_NEAR(turn.yaw, 80.0f, 1e-3f);

    turn = scene5_turn(10.0f);
    EXPECT_TRUE(turn.hasYaw && !turn.hasPitch && !turn.hasRoll);
    EXPECT_FLOAT_EQ(turn.yaw, 160.0f);

    turn = scene5_turn(13.0f);
    EXPECT_TRUE(turn.hasYaw && turn.hasPitch && !turn.hasRoll);
    EXPECT_NEAR(turn.yaw, 180.0f, 1e-3f);
    EXPECT_NEAR(turn.pitch, -20.0f, 1e-3f);

    turn = scene5_turn(15.0f);
    EXPECT_FLOAT_EQ(turn.yaw, 200.0f);
    EXPECT_FLOAT_EQ(turn.pitch, -40.0f);

    turn = scene5_turn(17.0f);
    EXPECT_TRUE(turn.hasYaw && turn.hasPitch && turn.hasRoll);
    EXPECT_NEAR(turn.yaw, 155.0f, 1e-3f);
    EXPECT_NEAR(turn.pitch, -50.0f, 1e-3f);
    EXPECT_NEAR(turn.roll, -2.5f, 1e-3f);

    turn = scene5_turn(18.5f);
    EXPECT_FLOAT_EQ(turn.yaw, 110.0f);
    EXPECT_FLOAT_EQ(turn.pitch, -60.0f);
    EXPECT_FLOAT_EQ(turn.roll, -5.0f);

    turn = scene5_turn(20.0f);
    EXPECT_NEAR(turn.yaw, 115.0f, 1e-3f);
    EXPECT_NEAR(turn.pitch, -30.0f, 1e-3f);
    EXPECT_NEAR(turn.roll, -2.5f, 1e-3f);

    turn = scene5_turn(23.0f);
    EXPECT_TRUE(turn.hasYaw && !turn.hasPitch && !turn.hasRoll);
    EXPECT_FLOAT_EQ(turn.yaw, 120.0f);

    turn = scene5_turn(26.0f);
    EXPECT_NEAR(turn.yaw, 60.0f, 1e-3f);
}

/* Each eased window opens with the values the window before it ends with. */
TEST(TerrainFlight, TurnIsContinuousAcrossWindowBorders)
{
    for (float border : {8.0f, 12.0f, 14.0f, 16.0f, 18.0f, 19.0f, 21.0f, 25.0f}) {
        Scene5Turn before = scene5_turn(border - 0.001f);
        Scene5Turn after = scene5_turn(border + 0.001f);
        float yb = before.hasYaw ? before.yaw : 0.0f, ya = after.hasYaw ? after.yaw : 0.0f;
        float pb = before.hasPitch ? before.pitch : 0.0f, pa = after.hasPitch ? after.pitch : 0.0f;
        float rb = before.hasRoll ? before.roll : 0.0f, ra = after.hasRoll ? after.roll : 0.0f;
        EXPECT_NEAR(yb, ya, 0.01f) << "yaw at " << border;
        EXPECT_NEAR(pb, pa, 0.01f) << "pitch at " << border;
        EXPECT_NEAR(rb, ra, 0.01f) << "roll at " << border;
    }
    EXPECT_NEAR(scene5_turn(6.001f).yaw, 0.0f, 0.01f);
    EXPECT_NEAR(scene5_turn(26.999f).yaw, 0.0f, 0.01f);
}

TEST(TerrainFlight, GreetingListsCompileOnlyInTheFirstHalfSecond)
{
    EXPECT_TRUE(scene5_compilesLists(0.0f));
    EXPECT_TRUE(scene5_compilesLists(0.49f));
    EXPECT_FALSE(scene5_compilesLists(0.5f));
    EXPECT_FALSE(scene5_compilesLists(12.0f));
}

TEST(TerrainFlight, SwoopShipAndSpeedEaseOverFiveSeconds)
{
    float z = 0.0f, pitch = 0.0f;
    ASSERT_TRUE(scene5_swoop(0.0f, &z, &pitch));
    EXPECT_FLOAT_EQ(z, 100.0f);
    EXPECT_FLOAT_EQ(pitch, -90.0f);
    ASSERT_TRUE(scene5_swoop(2.5f, &z, &pitch));
    EXPECT_NEAR(z, 50.0f, 1e-3f);
    EXPECT_NEAR(pitch, -45.0f, 1e-3f);
    EXPECT_FALSE(scene5_swoop(5.0f, &z, &pitch));

    EXPECT_FLOAT_EQ(scene5_shipY(0.0f), 40.0f);
    EXPECT_NEAR(scene5_shipY(2.5f), 26.0f, 1e-3f);
    EXPECT_FLOAT_EQ(scene5_shipY(5.0f), 12.0f);
    EXPECT_FLOAT_EQ(scene5_shipY(20.0f), 12.0f);

    EXPECT_FLOAT_EQ(scene5_speed(0.0f), 0.0f);
    EXPECT_NEAR(scene5_speed(2.5f), 25.0f, 1e-3f);
    EXPECT_FLOAT_EQ(scene5_speed(5.0f), 50.0f);
}

TEST(TerrainFlight, TerrainRisesOverTenSecondsWhileTheTextStaysOpaque)
{
    float y = 1.0f;
    ASSERT_TRUE(scene5_rise(0.0f, &y));
    EXPECT_FLOAT_EQ(y, -30.0f);
    ASSERT_TRUE(scene5_rise(5.0f, &y));
    EXPECT_NEAR(y, -15.0f, 1e-3f);
    EXPECT_FALSE(scene5_rise(10.0f, &y));
    /* the typewriter line stays fully opaque until it goes at 10 s */
    EXPECT_GE(scene5_textAlpha(9.99f), 1.0f);
}

/* ---- Scene 6 --------------------------------------------------------------- */

TEST(MonitorLattice, LatticeStandsStillThenRecedesAndTurns)
{
    Scene6Lattice l = scene6_lattice(3.0f);
    EXPECT_TRUE(l.translates);
    EXPECT_FALSE(l.turns);
    EXPECT_FLOAT_EQ(l.z, 491.0f);

    l = scene6_lattice(6.0f);   /* neither at exactly 6 s */
    EXPECT_FALSE(l.translates);
    EXPECT_FALSE(l.turns);

    l = scene6_lattice(8.0f);
    EXPECT_TRUE(l.translates && l.turns);
    EXPECT_FLOAT_EQ(l.z, 481.0f);
    EXPECT_FLOAT_EQ(l.angle, 10.0f);
}

TEST(MonitorLattice, MessagesSwitchAtThirteenSeconds)
{
    float x = 0.0f;
    EXPECT_EQ(scene6_message(5.0f, &x), nullptr);
    EXPECT_EQ(scene6_message(6.0f, &x), nullptr);
    const char *first = scene6_message(6.01f, &x);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(first, "recieving order from 00:00:de:ad:be:ef");
    EXPECT_FLOAT_EQ(x, -50.0f);
    EXPECT_STREQ(scene6_message(12.99f, &x), first);
    EXPECT_EQ(scene6_message(13.0f, &x), nullptr);
    const char *second = scene6_message(13.01f, &x);
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(second, "total annihilation.");
    EXPECT_FLOAT_EQ(x, -30.0f);
    /* the typewriter restarts on a change of length */
    EXPECT_NE(strlen(first), strlen(second));
    EXPECT_STREQ(scene6_message(30.1f, &x), second);
}

TEST(MonitorLattice, WarningBlinksAndFinalFrameFadesToPointEight)
{
    EXPECT_GT(scene6_warningAlpha(0.1f), 0.8f);
    EXPECT_LT(scene6_warningAlpha(0.5f), 0.0f);
    EXPECT_FLOAT_EQ(scene6_finalAlpha(29.9f), 1.0f);
    EXPECT_FLOAT_EQ(scene6_finalAlpha(30.0f), 1.0f);
    EXPECT_NEAR(scene6_finalAlpha(30.1f), 0.9f, 1e-5f);
    EXPECT_NEAR(scene6_finalAlpha(30.2f), 0.8f, 1e-5f);
}

/* ---- Scene 7 --------------------------------------------------------------- */

TEST(ExplodingPlanet, ValuesAtTenAndTwenty)
{
    Scene7Values v = scene7_values(10.0f);
    EXPECT_FLOAT_EQ(v.spread, 0.0f);
    EXPECT_FLOAT_EQ(v.shake, 0.0f);
    EXPECT_FLOAT_EQ(v.noise, 0.1f);
    EXPECT_FLOAT_EQ(v.fade, 1.0f);
    EXPECT_TRUE(scene7_planetShown(10.0f));

    v = scene7_values(20.0f);
    EXPECT_FLOAT_EQ(v.fade, 0.5f);
    EXPECT_FLOAT_EQ(v.noise, 0.1f);
    EXPECT_FLOAT_EQ(v.spread, 0.0f);
    EXPECT_TRUE(scene7_planetShown(20.0f));
}

TEST(ExplodingPlanet, AtTwentyPointFiveNothingHasBurstYet)
{
    Scene7Values v = scene7_values(20.5f);
    EXPECT_FLOAT_EQ(v.spread, 0.0f);
    EXPECT_FLOAT_EQ(v.shake, 0.0f);
    EXPECT_FLOAT_EQ(v.noise, 0.1f);
    EXPECT_FLOAT_EQ(v.fade, 1.0f);
    EXPECT_FALSE(scene7_planetShown(20.5f));
    float offset[2];
    EXPECT_FALSE(scene7_shakeOffset(20.5f, offset));
    float pos[3];
    scene7_debris(123, v.spread, pos);
    EXPECT_FLOAT_EQ(pos[0], 0.0f);
    EXPECT_FLOAT_EQ(pos[1], 0.0f);
    EXPECT_FLOAT_EQ(pos[2], 0.0f);
}

TEST(ExplodingPlanet, AtTwentyOnePointFiveTheViewShakesAndDebrisFlies)
{
    Scene7Values v = scene7_values(21.5f);
    EXPECT_FLOAT_EQ(v.shake, 1.0f);
    EXPECT_FLOAT_EQ(v.noise, 3.0f);
    EXPECT_FLOAT_EQ(v.spread, 5.0f);
    EXPECT_FLOAT_EQ(v.fade, 1.0f);
    float offset[2];
    ASSERT_TRUE(scene7_shakeOffset(21.5f, offset));
    EXPECT_FLOAT_EQ(offset[0], 5.0f * tvx_perlin2DNoise(20.0f, 0.0f, 32));
    EXPECT_FLOAT_EQ(offset[1], 5.0f * tvx_perlin2DNoise(20.0f, 0.0f, 33));
    for (int i : {0, 1, 500, 999}) {
        float pos[3];
        scene7_debris(i, v.spread, pos);
        EXPECT_NEAR(pos[0], 50.0f * tvx_perlin2DNoise((float)i, 0.0f, 42), 1e-4f) << i;
        EXPECT_NEAR(pos[1], 10.0f * tvx_perlin2DNoise((float)i, 0.0f, 44), 1e-4f) << i;
        EXPECT_NEAR(pos[2], 50.0f * tvx_perlin2DNoise((float)i, 0.0f, 45), 1e-4f) << i;
    }
}

TEST(ExplodingPlanet, ShakeEndsAtTwentyTwoPointFiveAndBarAlpha)
{
    EXPECT_FLOAT_EQ(scene7_values(22.5f).shake, 0.0f);
    float offset[2];
    EXPECT_FALSE(scene7_shakeOffset(22.5f, offset));
    EXPECT_FLOAT_EQ(scene7_values(19.5f).fade, 1.0f);
    EXPECT_FLOAT_EQ(scene7_barAlpha(8.0f), 1.5f);
    EXPECT_FLOAT_EQ(scene7_barAlpha(9.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene7_barAlpha(10.0f), 0.5f);
}

/* ---- Scenes 8 and 9 -------------------------------------------------------- */

TEST(EndScroller, NoiseFallsToPointTwo)
{
    EXPECT_FLOAT_EQ(scene8_noiseLevel(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene8_noiseLevel(0.5f), 0.5f);
    EXPECT_FLOAT_EQ(scene8_noiseLevel(0.8f), 0.2f);
    EXPECT_FLOAT_EQ(scene8_noiseLevel(0.9f), 0.2f);
    EXPECT_FLOAT_EQ(scene8_noiseLevel(30.0f), 0.2f);
}

TEST(EndScroller, TextSlidesLeftFromThirty)
{
    EXPECT_FLOAT_EQ(scene8_textX(0.0f), 30.0f);
    EXPECT_FLOAT_EQ(scene8_textX(10.0f), -80.0f);
    EXPECT_FLOAT_EQ(scene8_textX(55.0f), -575.0f);
    EXPECT_STREQ(scene8_endText,
                 "You have seen tvx04-Kolvane      we had no beer so we had to make this prod "
                 "serious... :( kitten cried.     Greetings to everyone at Vornfest MMX (2010)!");
}

TEST(EndScroller, FieldCrossMovesInStep)
{
    for (float b : {-80.0f, -3.0f, 0.0f, 41.0f, 79.0f}) {
        EXPECT_FLOAT_EQ(scene8_cubeHeight(0.0f, b, 1.3f), (float)sin(13.0f));
        EXPECT_FLOAT_EQ(scene8_cubeHeight(b, 0.0f, 1.3f), (float)sin(13.0f));
    }
}

TEST(FadeOut, FadeAtItsBorders)
{
    EXPECT_FLOAT_EQ(scene9_fadeLevel(0.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene9_fadeLevel(6.0f), 1.0f);
    EXPECT_FLOAT_EQ(scene9_fadeLevel(6.5f), 0.5f);
    EXPECT_FLOAT_EQ(scene9_fadeLevel(7.0f), 0.0f);
    EXPECT_FLOAT_EQ(scene9_fadeLevel(7.2f), 0.0f);
    EXPECT_FLOAT_EQ(scene9_fadeLevel(9.9f), 0.0f);
}

/* ---- The shared ribbon ----------------------------------------------------- */

TEST(Ribbon, AboutOneHundredSixtyStepsAtAnyTime)
{
    for (float t : {0.0f, 0.37f, 5.0f, 29.9f, 54.9f}) {
        int steps = cubes_ribbonSteps(t);
        EXPECT_GE(steps, 159) << t;
        EXPECT_LE(steps, 161) << t;
    }
}

TEST(Ribbon, CubesFollowTheirCurves)
{
    const float d = 123.4f;
    const RibbonCube *c = cubes_ribbonTerrain;
    EXPECT_FLOAT_EQ(cubes_ribbonX(&c[0], d), 10.0f * tvx_perlin2DNoise(0.035f * d, 0.0f, 45));
    EXPECT_NEAR(cubes_ribbonY(&c[0], d), 9.0 * sin(0.1 * d + 500.0), 1e-4);
    EXPECT_FLOAT_EQ(cubes_ribbonX(&c[2], d),
                    10.0f * tvx_perlin2DNoise(0.04f * d + 200.0f, 0.0f, 51));
    EXPECT_NEAR(cubes_ribbonY(&c[3], d), 20.0 * sin(0.1 * d), 1e-4);

    /* scene 6's first cube: its own seed and a sine ten times as fast */
    const RibbonCube *l = cubes_ribbonLattice;
    EXPECT_FLOAT_EQ(cubes_ribbonX(&l[0], d), 10.0f * tvx_perlin2DNoise(0.035f * d, 0.0f, 32));
    EXPECT_NEAR(cubes_ribbonY(&l[0], d), 9.0 * sin(10.0 * (0.1 * d)), 1e-4);
    EXPECT_FLOAT_EQ(l[0].r, 0.5f);
    for (int k = 1; k < 4; k++) {
        EXPECT_FLOAT_EQ(cubes_ribbonX(&l[k], d), cubes_ribbonX(&c[k], d)) << k;
        EXPECT_FLOAT_EQ(cubes_ribbonY(&l[k], d), cubes_ribbonY(&c[k], d)) << k;
    }
}
