/*
 * scene1_carousel.cpp - scene 1, the photo carousel (126.5 s): fifteen
 * photographs in three rows around a model of television screens, inside a
 * round room of a cylinder wall and a floor disk; the arrangement turns and
 * sinks, and is shown through the sepia pass with bursts of static noise.
 * Depends on: the timeline vocabulary, the sepia pass, tvx textures, shaders,
 * render targets, lights and noise, GLU quadrics, the model library.
 */
#include "scene1_carousel.h"

#include <GL/glew.h>
#include <GL/glu.h>   /* the wall and floor quadric */

#include "scene_sepia.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

/* The scene's sepia program: the first row of its share of the loading
 * order, which still names it for scene 0, whose rows come just before. */
static int scene0_sepia;
static GlmModel *scene1_screens;
static unsigned int screensList;   /* the model, compiled at its first frame */

static GLUquadric *quad;
static float pos[3];
static float rowy[3];
static unsigned int texture[6];
static float fadeLevel = 0.0f;   /* kept between frames and visits */

/* One column of the photograph rows: its angle about the vertical axis, its
 * place, and the photograph it shows in each row. */
struct PhotoColumn {
    float angle, x, z;
    int photo[3];
};

static const PhotoColumn columns[5] = {
    {19.2f, -2.41f, -3.95f, {0, 2, 4}},
    {90.5f, -7.7f, -11.5f, {1, 0, 1}},
    {159.0f, -3.3f, -19.0f, {2, 1, 5}},
    {232.0f, 5.95f, -16.5f, {3, 3, 2}},
    {304.5f, 6.55f, -7.24f, {4, 5, 0}},
};

/* ---- First-frame set-up ---------------------------------------------------- */

void scene1_load(void)
{
    scene0_sepia = sepia_load();
    scene1_screens = glmReadOBJ("data/models/tv.obj");
}

void scene1_firstFrame(void)
{
    quad = gluNewQuadric();
    pos[0] = 0.0f;
    pos[1] = 0.0f;
    pos[2] = 0.0f;
    rowy[0] = 6.7f;
    rowy[1] = 16.5f;
    rowy[2] = 26.3f;
    texture[0] = tvx_loadPNG("data/apocalyptic1.png");
    texture[1] = tvx_loadPNG("data/apocalyptic2.png");
    texture[2] = tvx_loadPNG("data/apocalyptic3.png");
    texture[3] = tvx_loadPNG("data/eniac.png");
    texture[4] = tvx_loadPNG("data/transistor.png");
    texture[5] = tvx_loadPNG("data/opticalprocessor.png");
}

/* ---- Per-frame values ------------------------------------------------------ */

float scene1_burst(float t)
{
    /* Start of each decaying burst and the end of its window. */
    static const float bursts[6][2] = {
        {26.7f, 35.9f}, {35.9f, 46.0f}, {46.0f, 54.0f},
        {54.0f, 72.0f}, {72.0f, 83.0f}, {83.0f, 128.0f},
    };
    if (t > 15.4f && t < 17.0f)
        return tvx_perlin2DNoise(t - 15.4f, 0.0f, 42);
    for (int i = 0; i < 6; i++) {
        if (t > bursts[i][0] && t < bursts[i][1]) {
            float level = bursts[i][0] + 1.0f - t;
            return level > 0.0f ? level : 0.0f;
        }
    }
    return 0.0f;
}

float scene1_fade(float level, float t, float duration)
{
    if (level < 1.0f && t < 10.0f)
        level = t / 2.0f;
    if (t > duration - 1.0f)
        level = duration - t;
    return level;
}

float scene1_turn(float t)
{
    return tvx_cos_interpolate(0.0f, 1440.0f, 0.02f * t);
}

/* ---- Drawing --------------------------------------------------------------- */

void scene1_block(const SceneFrame *frame)
{
    float t = frame->t;
    mblur = 0.2f;

    float suddenNoise = scene1_burst(t);
    fadeLevel = scene1_fade(fadeLevel, t, frame->scene->duration);

    unsigned int textureBuffer = passTarget(FBO[0]);

    glTranslatef(0.0f, 0.0f, 20.0f);
    float rotate = scene1_turn(t);
    glTranslatef(pos[0], -0.15f * t - pos[1] - 6.0f, pos[2] - 0.9f);
    glRotatef(rotate, 0.0f, 1.0f, 0.0f);

    /* The room is opaque: the photographs have no alpha, the plaster takes
     * the lit white's alpha and every material of the screens' model is
     * opaque (lit at alpha 1). */
    int blending = opaqueBegin();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int row = 0; row < 3; row++) {
        for (int c = 0; c < 5; c++) {
            glPushMatrix();
            glRotatef(columns[c].angle, 0.0f, 0.1f, 0.0f);
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            tvx_draw2DTexture(columns[c].x, rowy[row], columns[c].z, 6.72f, 3.78f,
                              texture[columns[c].photo[row]]);
            glPopMatrix();
        }
    }

    tvx_setLight0(1);

    /* The wall and the floor go through the sepia shader's plaster variant
     * with the uniforms of the previous frame's pass. */
    glPushMatrix();
    sepia_plaster();
    glTranslatef(0.0f, 30.0f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    gluCylinder(quad, 30.0, 30.0, 50.0, 100, 100);
    tvx_disableShader();
    glPopMatrix();

    glPushMatrix();
    sepia_plaster();
    glTranslatef(0.0f, -10.0f, 0.0f);
    glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
    gluDisk(quad, 0.0, 31.0, 100, 100);
    tvx_disableShader();
    glPopMatrix();

    glPushMatrix();
    glScalef(0.075f, 0.075f, 0.075f);
    drawModelCompiled(scene1_screens, &screensList);
    glPopMatrix();
    opaqueEnd(blending);

    tvx_setLight0(0);
    tvx_disableFBO(frame->W, frame->H, gColor, gColor, gColor);

    float noise = 0.1f + suddenNoise;
    glPushMatrix();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    sepia_pass(scene0_sepia, textureBuffer, 0.0f, t, nullptr, noise, fadeLevel);
    glPopMatrix();
}
