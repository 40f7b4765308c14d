/*
 * scene8_scroller.cpp - scene 8, the end scroller (55 s).
 *
 * One long line of polygon text slides from right to left over a lit, tilted
 * field of 160 x 160 cubes that ripples and slowly turns, while the cube
 * ribbon of the terrain flight streams through the foreground. The picture
 * goes into FBO[0] and through the bloom pass, whose noise falls during the
 * first 0.8 s. Lighting is left on when the scene is over.
 *
 * Depends on: OpenGL, the batched cubes and the ribbon (scene_cubes.h), the
 * tvx framework, the bloom pass and the timeline's shared state.
 */
#include "scene8_scroller.h"

#include <math.h>

#include <GL/glew.h>

#include "scene_bloom.h"
#include "scene_cubes.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

const char scene8_endText[] =
    "You have seen tvx04-Kolvane      we had no beer so we had to make this prod serious..."
    " :( kitten cried.     Greetings to everyone at Vornfest MMX (2010)!";

static int scene8_lastFBO;               /* made, never drawn into */
static float noiseLevel = 0.2f;
static float fadeLevel = 0.0f;

/* ---- First-frame set-up ---------------------------------------------------- */

void scene8_load(void)
{
    scene8_lastFBO = tvx_loadFBO(1024, 512);
}

/* ---- Per-frame values ------------------------------------------------------ */

float scene8_noiseLevel(float t)
{
    return 1.0f - t > 0.2f ? 1.0f - t : 0.2f;
}

float scene8_textX(float t)
{
    return 30.0f - 11.0f * t;
}

float scene8_cubeHeight(float a, float b, float t)
{
    return (float)sin(a * b + 10.0f * t);
}

/* ---- Drawing --------------------------------------------------------------- */

/* The field in one batch, in the order of the loops: where faces of
 * neighbouring cubes meet at the same depth, the first one drawn stays. The
 * cubes are opaque: lit in a colour of alpha 1. */
static void drawField(float t)
{
    cubes_begin();
    for (float a = -80.0f; a < 80.0f; a += 1.0f) {
        for (float b = -80.0f; b < 80.0f; b += 1.0f)
            cubes_add(a, scene8_cubeHeight(a, b, t), b, nullptr);
    }
    int blending = opaqueBegin();
    cubes_draw();
    opaqueEnd(blending);
}

void scene8_block(const SceneFrame *frame)
{
    float t = frame->t;
    mblur = 0.0f;
    fadeLevel = 1.0f;
    noiseLevel = scene8_noiseLevel(t);

    glPushMatrix();
    unsigned int texture = passTarget(FBO[0]);

    /* The end text, lit by whatever light the previous frame left on. */
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    tvx_drawPolygonText(scene8_endText, scene8_textX(t), 12.0f, 0.0f);

    /* The cube field: tilted 15 degrees, turning 1 degree per second, every
     * cube bobbing with its own phase a b. */
    glPushMatrix();
    glColor4f(0.5f, 0.5f, 0.5f, 1.0f);
    tvx_setLight0(1);
    glRotatef(15.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(t, 0.0f, 1.0f, 0.0f);
    drawField(t);
    tvx_setLight0(1);
    glPopMatrix();

    cubes_drawRibbon(t, cubes_ribbonTerrain);

    tvx_disableFBO(frame->W, frame->H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glPopMatrix();
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    bloom_pass(texture, noiseLevel, t, fadeLevel);
}
