/*
 * scene0_title.cpp - scene 0, the title card (14 s): a wobbling background,
 * the title fading in over it, the group caption and the party logo sliding
 * in from the sides; drawn into FBO[0] and shown as the screen quad of a pass,
 * whose alpha fades the whole picture out before scene 1.
 * Depends on: the timeline vocabulary, tvx textures, render targets, noise.
 */
#include "scene0_title.h"

#include <math.h>

#include <GL/glew.h>

#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

int scene0_sepia;                    /* sepia pass of scene 1 */
static int scene0_shader1;           /* loaded, never enabled */
static unsigned int scene0_Texture1; /* background */
static unsigned int scene0_Texture2; /* group caption */
static unsigned int scene0_Texture3; /* title */
static unsigned int scene0_Texture4; /* party logo */

static float fadeLevel = 0.0f;       /* alpha of the title, kept between frames */

/* ---- First-frame set-up ---------------------------------------------------- */

void scene0_load(void)
{
    scene0_shader1 = tvx_loadShader("data/shader/scene5.vert", "data/shader/scene5.frag");
    scene0_Texture1 = tvx_loadPNG("data/background.png");
    scene0_Texture2 = tvx_loadPNG("data/tarvex_presents.png");
    scene0_Texture3 = tvx_loadPNG("data/title.png");
    scene0_Texture4 = tvx_loadPNG("data/vornfest20.png");
    sceneTime[0] = 14.0f;
    scene0_sepia = tvx_loadShader(nullptr, "data/shader/sepia.frag");
}

/* ---- Per-frame values ------------------------------------------------------ */

float scene0_titleFade(float level, float t)
{
    if (t > 2.0f && level < 1.0f && t < 5.0f)
        level = (t - 2.0f) * 0.2f;
    else if (t < 2.0f)
        level = 0.0f;
    if (t > 10.0f && level > 0.0f)
        level = 5.5f - t / 2.0f;
    return level;
}

float scene0_captionFade(float t)
{
    return t < 5.0f ? 0.4f * t : 7.0f - 0.9f * t;
}

float scene0_wobble(float t)
{
    return 5.0f * tvx_perlin2DNoise(0.2f * t, 0.2f * t, 42);
}

float scene0_pictureAlpha(float t)
{
    return 13.0f - t;
}

/* ---- Drawing --------------------------------------------------------------- */

void scene0_block(void)
{
    float t = sceneClock();
    gColor = 0.0f;
    mblur = 0.2f;

    fadeLevel = scene0_titleFade(fadeLevel, t);
    float fadeLevel2 = scene0_captionFade(t);
    float rotateBG = scene0_wobble(t);
    float moveText = 0.6f * t;

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    unsigned int picture = passTarget(FBO[0]);

    glPushMatrix();
    glTranslatef(0.0f, 0.0f, -14.5f);
    glRotatef(10.0f * sinf(0.2f * rotateBG), sinf(0.1f * rotateBG),
              cosf(0.1f * (rotateBG + t)), 0.0f);
    tvx_draw2DTexture(0.0f, 0.0f, 0.0f, 40.0f, 36.9f, scene0_Texture1);
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 0.09f);
    glColor4f(1.0f, 1.0f, 1.0f, fadeLevel);
    tvx_draw2DTexture(0.0f, 0.0f, 0.0f, 21.6f, 3.15f, scene0_Texture3);
    glPopMatrix();

    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, fadeLevel2);
    glTranslatef(moveText - 16.0f, 2.7f, 0.1f);
    tvx_draw2DTexture(0.0f, 0.0f, 0.0f, 10.4f, 2.88f, scene0_Texture2);
    glPopMatrix();

    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, fadeLevel2);
    glTranslatef(20.0f - moveText, -3.3f, 0.2f);
    tvx_draw2DTexture(0.0f, 0.0f, 0.0f, 6.4f, 3.6f, scene0_Texture4);
    glPopMatrix();

    tvx_disableFBO(tvx_Get(1), tvx_Get(2), gColor * 0.1f, gColor * 0.1f, gColor * 0.1f);
    glPopMatrix();

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, scene0_pictureAlpha(t));
    passQuad(0.0f, picture);

    /* Scene-end rules: on to scene 1 after 14 s; no rewind. */
    sceneEnd(0, t);
}
