/*
 * scene9_fadeout.cpp - scene 9, the fade-out (10 s).
 *
 * The bloom shader works alone on an empty picture, fades it out between 6
 * and 7 s; it is the last scene, so its end is the demo's end (status 0).
 *
 * Depends on: the tvx framework (render targets), the bloom pass and the
 * timeline's shared state.
 */
#include "scene9_fadeout.h"

#include "scene_bloom.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static int scene9_lastFBO;               /* made, never drawn into */
static float noiseLevel = 1.0f;
static float fadeLevel = 0.0f;

/* ---- First-frame set-up ---------------------------------------------------- */

void scene9_load(void)
{
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

void scene9_block(const SceneFrame *frame)
{
    float t = frame->t;
    mblur = 0.0f;
    fadeLevel = scene9_fadeLevel(t);

    /* Nothing is drawn into the target: its texture holds the clear colour.
     * The quad takes the colour and lighting that scene 8 left. */
    unsigned int texture = passTarget(FBO[0]);
    tvx_disableFBO(frame->W, frame->H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    bloom_pass(texture, noiseLevel, t, fadeLevel);
}
