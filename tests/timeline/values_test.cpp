/*
 * values_test.cpp - the scenes' per-frame values at the instants that matter:
 * fades with their history rules, noise bursts, camera moves, caption windows.
 * Pure functions of the scene time; no OpenGL.
 */
#include <gtest/gtest.h>

#include "scene0_title.h"
#include "scene1_carousel.h"
#include "scene2_asteroids.h"
#include "scene3_credits.h"
#include "tvx.h"

TEST(Scene0Title, TitleRampStopsAtFiveAndHoldsUntilTen)
{
    float fade = scene0_titleFade(0.0f, 4.9f);
    EXPECT_NEAR(fade, 0.58f, 1e-5f);
    fade = scene0_titleFade(fade, 5.2f);
    EXPECT_NEAR(fade, 0.58f, 1e-5f);
    fade = scene0_titleFade(fade, 9.99f);
    EXPECT_NEAR(fade, 0.58f, 1e-5f);
    fade = scene0_titleFade(fade, 10.2f);
    EXPECT_NEAR(fade, 0.4f, 1e-5f);
}

TEST(Scene0Title, TitleFreezesOnceFadedOutAndRestartsBeforeTwo)
{
    float fade = scene0_titleFade(0.1f, 10.9f);
    EXPECT_NEAR(fade, 0.05f, 1e-5f);
    fade = scene0_titleFade(fade, 11.05f);
    EXPECT_NEAR(fade, -0.025f, 1e-5f);
    /* a rewind from scene 1 resumes near t = 10: the title stays invisible */
    EXPECT_EQ(scene0_titleFade(fade, 12.0f), fade);
    EXPECT_EQ(scene0_titleFade(fade, 10.1f), fade);
    EXPECT_EQ(scene0_titleFade(fade, 1.0f), 0.0f);
}

TEST(Scene1Carousel, NoiseBursts)
{
    EXPECT_NEAR(0.1f + scene1_burst(26.95f), 0.85f, 1e-5f);
    EXPECT_EQ(scene1_burst(27.8f), 0.0f);
    EXPECT_EQ(scene1_burst(26.7f), 0.0f); /* windows are open at both ends */
    EXPECT_NEAR(scene1_burst(26.71f), 0.99f, 1e-4f);
    for (float t = 17.0f; t <= 26.7f; t += 0.1f)
        EXPECT_EQ(scene1_burst(t), 0.0f) << "t = " << t;
    const float starts[] = {35.9f, 46.0f, 54.0f, 72.0f, 83.0f};
    for (float start : starts) {
        EXPECT_NEAR(scene1_burst(start + 0.25f), 0.75f, 1e-4f) << start;
        EXPECT_EQ(scene1_burst(start + 1.5f), 0.0f) << start;
    }
    EXPECT_NE(scene1_burst(16.0f), 0.0f);
    EXPECT_EQ(scene1_burst(16.0f), tvx_perlin2DNoise(16.0f - 15.4f, 0.0f, 42));
}

TEST(Scene1Carousel, FadeInOutAndAfterRewind)
{
    const float duration = 126.5f;
    EXPECT_NEAR(scene1_fade(0.0f, 1.0f, duration), 0.5f, 1e-6f);
    EXPECT_NEAR(scene1_fade(0.5f, 2.1f, duration), 1.05f, 1e-6f);
    EXPECT_NEAR(scene1_fade(1.05f, 3.0f, duration), 1.05f, 1e-6f);
    EXPECT_NEAR(scene1_fade(1.0f, 126.0f, duration), 0.5f, 1e-5f);
    /* a rewind from scene 2 resumes near 122.5 with the faded-out level */
    float fade = scene1_fade(-0.01f, 122.5f, duration);
    EXPECT_FLOAT_EQ(fade, -0.01f);
    EXPECT_NEAR(scene1_fade(fade, 125.75f, duration), 0.75f, 1e-4f);
}

TEST(Scene1Carousel, TurnsFourTimesThenBack)
{
    EXPECT_NEAR(scene1_turn(0.0f), 0.0f, 1e-3f);
    EXPECT_NEAR(scene1_turn(12.5f), 210.88f, 0.05f);
    EXPECT_NEAR(scene1_turn(50.0f), 1440.0f, 1e-2f);
    EXPECT_NEAR(scene1_turn(100.0f), 0.0f, 0.05f);
    EXPECT_NEAR(scene1_turn(126.5f), 788.0f, 2.0f);
}

TEST(Scene2Asteroids, CameraCutsToTheSideViewAfterFiveSeconds)
{
    Scene2Camera camera;
    scene2_initCamera(&camera);
    scene2_moveCamera(&camera, 4.99f);
    EXPECT_EQ(camera.id, 0);
    EXPECT_FLOAT_EQ(camera.rot[0][1], 4.99f);
    EXPECT_FLOAT_EQ(camera.xyz[0][0], tvx_perlin2DNoise(0.998f, 0.0f, 42) + 0.0499f);
    EXPECT_FLOAT_EQ(camera.xyz[0][1], tvx_perlin2DNoise(0.998f, 0.0f, 43));

    scene2_moveCamera(&camera, 5.0f);
    EXPECT_EQ(camera.id, 0); /* at exactly 5 the set-up of the frame before stays */
    EXPECT_FLOAT_EQ(camera.rot[1][1], 90.0f);

    scene2_moveCamera(&camera, 5.01f);
    EXPECT_EQ(camera.id, 1);
    EXPECT_NEAR(camera.rot[1][1], 90.0501f, 1e-4f);
    EXPECT_FLOAT_EQ(camera.rot[0][1], 4.99f);
}

TEST(Scene2Asteroids, SideViewTurnAccumulatesPerFrame)
{
    Scene2Camera camera;
    scene2_initCamera(&camera);
    for (int frame = 0; frame <= 360; frame++)
        scene2_moveCamera(&camera, 5.0f + 0.025f * frame);
    EXPECT_NEAR(camera.rot[1][1], 90.0f + 34.0f, 1.5f);
    /* a later visit continues from the angle reached */
    float reached = camera.rot[1][1];
    scene2_moveCamera(&camera, 10.0f);
    EXPECT_NEAR(camera.rot[1][1], reached + 0.1f, 1e-3f);
}

TEST(Scene2Asteroids, FadeInThenDimInTheLastSecond)
{
    EXPECT_EQ(scene2_fade(0.0f, 0.0f), 0.0f);
    EXPECT_NEAR(scene2_fade(0.0f, 1.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(scene2_fade(0.99f, 1.999f), 0.9995f, 1e-5f);
    EXPECT_NEAR(scene2_fade(1.0f, 13.0f), 1.0f, 1e-6f);
    float fade = 1.0f;
    for (float t = 13.025f; t <= 14.0f; t += 0.025f)
        fade = scene2_fade(fade, t);
    EXPECT_NEAR(fade, 0.6f, 0.02f);
    /* after a rewind (t >= 2) there is no fade-in */
    EXPECT_NEAR(scene2_fade(0.6f, 10.0f), 0.6f, 1e-6f);
}

TEST(Scene3Credits, CaptionWindows)
{
    auto shown = [](float t) {
        int n = 0;
        for (int i = 0; i < SCENE3_CAPTIONS; i++)
            n += scene3_captionShown(i, t);
        return n;
    };
    EXPECT_EQ(shown(10.5f), 0);
    EXPECT_EQ(shown(10.6f), 4);
    EXPECT_EQ(shown(13.2f), 3);
    EXPECT_FALSE(scene3_captionShown(0, 13.2f));
    EXPECT_EQ(shown(20.0f), 0);
    EXPECT_EQ(shown(19.99f), 3);
}

TEST(Scene3Credits, CameraSwingsDriftsAndTilts)
{
    Scene3Camera camera = {};
    Scene3View view;
    scene3_cameraMove(&camera, 9.975f, &view);
    EXPECT_EQ(view.move, 1);
    EXPECT_FLOAT_EQ(camera.crot[0], 19.95f);
    EXPECT_FLOAT_EQ(camera.crot[1], 39.9f);

    scene3_cameraMove(&camera, 10.0f, &view);
    EXPECT_EQ(view.move, 0);

    scene3_cameraMove(&camera, 10.5f, &view);
    EXPECT_EQ(view.move, 2);
    EXPECT_FLOAT_EQ(camera.inter_pos, 0.5f);
    EXPECT_NEAR(view.rotX, (19.95f + 90.0f) / 2.0f, 1e-3f);
    EXPECT_NEAR(view.rotY, (39.9f + 90.0f) / 2.0f, 1e-3f);
    EXPECT_NEAR(view.tx, -10.0f, 1e-4f);
    EXPECT_NEAR(view.ty, 20.0f, 1e-4f);

    scene3_cameraMove(&camera, 19.975f, &view);
    EXPECT_NEAR(view.tx, -11.025f, 1e-4f);
    EXPECT_FLOAT_EQ(camera.cpos[2], view.tx);

    scene3_cameraMove(&camera, 21.0f, &view);
    EXPECT_EQ(view.move, 3);
    EXPECT_NEAR(view.rotX, 25.0f, 1e-3f);
    EXPECT_FLOAT_EQ(view.rotY, 90.0f);
    EXPECT_NEAR(view.tx, -11.025f, 1e-4f);
    EXPECT_FLOAT_EQ(view.ty, 40.0f);

    scene3_cameraMove(&camera, 22.5f, &view);
    EXPECT_NEAR(view.rotX, -40.0f, 1e-3f);
}

TEST(Scene3Credits, SwingStartsFromNothingWhenTheTumbleNeverRan)
{
    Scene3Camera camera = {};
    Scene3View view;
    scene3_cameraMove(&camera, 10.5f, &view);
    EXPECT_NEAR(view.rotX, 45.0f, 1e-3f);
    scene3_cameraMove(&camera, 21.0f, &view);
    EXPECT_FLOAT_EQ(view.tx, 0.0f);
}

TEST(Scene3Credits, FadeAndShipPath)
{
    EXPECT_NEAR(scene3_fade(0.0f, 1.0f), 0.5f, 1e-6f);
    EXPECT_NEAR(scene3_fade(1.0f, 22.5f), 0.5f, 1e-6f);
    /* a rewind from scene 4 resumes near 19 with the faded-out level */
    EXPECT_FLOAT_EQ(scene3_fade(-0.02f, 19.0f), -0.02f);
    EXPECT_FLOAT_EQ(scene3_shipX(9.0f), 10.0f);
    EXPECT_FLOAT_EQ(scene3_shipX(10.0f), 15.0f);
    EXPECT_FLOAT_EQ(scene3_shipX(22.0f), 15.0f);
    EXPECT_FLOAT_EQ(scene3_shipX(0.0f), -35.0f);
}
