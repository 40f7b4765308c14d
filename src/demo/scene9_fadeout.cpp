/*
 * scene9_fadeout.cpp - scene 9, the fade-out (10 s).
 *
 * The bloom shader works alone on an empty picture, fades it out between 6
 * and 7 s, and the process ends with status 0 once the scene is over.
 *
 * Depends on: the tvx framework (render targets), the bloom pass
 * (scene_flight.h) and the timeline's shared state.
 */
#include "scene9_fadeout.h"

#include "scene_flight.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static int scene9_lastFBO;               /* made, never drawn into */
static float noiseLevel = 1.0f;
static float fadeLevel = 0.0f;

/* ---- First-frame set-up ---------------------------------------------------- */

void scene9_load(void)
{
    sceneTime[9] = 10.0f;
    scene9_lastFBO = tvx_loadFBO(1024, 512);
}

/* ---- Per-frame values ------------------------------------------------------ */

float scene9_fadeLevel(float t)
{
    float fade = 1.0f;
    if (t > 6.0f)
        fade = 7.0f - t;
    if (t > 7.0f)
        fade = 0.0f;
    return fade;
}

/* ---- Drawing --------------------------------------------------------------- */

void scene9_block(void)
{
    float t = sceneClock();
    gColor = 0.0f;
    mblur = 0.0f;
    fadeLevel = scene9_fadeLevel(t);

    /* Nothing is drawn into the target: its texture holds the clear colour.
     * The quad takes the colour and lighting that scene 8 left. */
    unsigned int texture = passTarget(FBO[0]);
    tvx_disableFBO(tvx_Get(1), tvx_Get(2), 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    flight_bloomPass(texture, noiseLevel, t, fadeLevel);

    sceneEnd(9, t);
}
