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
 * eye (scene_view.h), the tvx framework, the bloom pass and the timeline's
 * shared state.
 */
#include "scene8_scroller.h"

#include <math.h>

#include <GL/glew.h>

#include "scene_bloom.h"
#include "scene_cubes.h"
#include "scene_view.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

const char scene8_endText[] =
    "You have seen tvx04-Kolvane      we had no beer so we had to make this prod serious..."
    " :( kitten cried.     Greetings to everyone at Vornfest MMX (2010)!";

/* The field's cubes stand at whole coordinates from -80 to 79 in x and z. */
#define FIELD_SIDE 160
static const float FIELD_FIRST = -80.0f;

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

/* The field's rows (or columns) in the order of their distance from the eye
 * along them, nearest first; as they come when the eye is not known. */
static void orderFromEye(float eye, float order[FIELD_SIDE])
{
    int below = -1, above = 0;   /* the next ones out from the eye on each side */
    if (eye == eye) {            /* not NaN */
        above = (int)ceilf(eye - FIELD_FIRST);
        above = above < 0 ? 0 : above > FIELD_SIDE ? FIELD_SIDE : above;
        below = above - 1;
    }
    for (int n = 0; n < FIELD_SIDE; n++) {
        int takeAbove = below < 0 ||
                        (above < FIELD_SIDE && FIELD_FIRST + above - eye < eye - (FIELD_FIRST + below));
        order[n] = FIELD_FIRST + (float)(takeAbove ? above++ : below--);
    }
}

/* The field in one batch, nearest the eye first: a cube comes after every
 * cube between it and the eye (their rows and columns are nearer), which is
 * all that can hide it, so the depth test turns its hidden parts away
 * before they are shaded and blended. Where faces of neighbouring cubes
 * meet at the same depth, the first one drawn stays. */
static void drawField(float t)
{
    float rows[FIELD_SIDE], columns[FIELD_SIDE];
    cubes_begin();
    orderFromEye(view_eye(0), rows);
    orderFromEye(view_eye(2), columns);
    for (float a : rows) {
        for (float b : columns)
            cubes_add(a, scene8_cubeHeight(a, b, t), b, nullptr);
    }
    cubes_draw();
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
