/*
 * scene3_credits.cpp - scene 3, the credits in the asteroid field (23 s): the
 * ship flies in from the left and hangs in scene 2's field with four credit
 * captions travelling with it, while the camera tumbles, swings to a side
 * view, drifts and tilts. Drawn into FBO[0], shown through the sepia pass.
 * Depends on: the timeline vocabulary, scene 2's asteroid field, tvx shaders,
 * render targets, lights, text and noise, the model library.
 */
#include "scene3_credits.h"

#include <GL/glew.h>

#include "scene2_asteroids.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static int scene3_sepia;

static int loaded = 0;
static GLuint ship;                 /* display list of the scaled, turned ship */
static float fadeLevel = 0.0f;      /* kept between frames and visits */
static Scene3Camera camera;         /* crot and cpos kept between moves */

/* A credit caption: its text, the end of its window (all open at 10.5 s),
 * whether it also turns 90 degrees about z, and its offset. */
struct Caption {
    const char *text;
    float until;
    int turnZ;
    float x, y, z;
};

static const Caption captions[SCENE3_CAPTIONS] = {
    {"code: lumen/quill/brask", 13.15f, 0, -30.0f, 30.0f, 0.0f},
    {"music: sorrel", 20.0f, 1, -30.0f, 30.0f, 0.0f},
    {"voices: ivra", 20.0f, 1, -50.0f, 10.0f, 20.0f},
    {"models: dunmark", 20.0f, 1, -30.0f, -30.0f, 0.0f},
};

/* ---- First-frame set-up ---------------------------------------------------- */

void scene3_load(void)
{
    scene3_sepia = tvx_loadShader(nullptr, "data/shader/sepia.frag");
    sceneTime[3] = 23.0f;
}

static void firstFrame(void)
{
    ship = glGenLists(1);
    glNewList(ship, GL_COMPILE);
    glScalef(0.02f, 0.02f, 0.02f);
    glRotatef(90.0f, 0.0f, 1.0f, 0.0f);
    drawModel(scene2_skepp);
    glEndList();
}

/* ---- Per-frame values ------------------------------------------------------ */

void scene3_cameraMove(Scene3Camera *c, float t, Scene3View *view)
{
    c->inter_pos = 0.0f;
    view->move = 0;
    view->rotX = 0.0f;
    view->rotY = 0.0f;
    view->tx = 0.0f;
    view->ty = 0.0f;
    if (t < 10.0f) {
        view->move = 1;
        view->rotX = 2.0f * t;
        view->rotY = 4.0f * t;
        c->crot[0] = 2.0f * t;
        c->crot[1] = 4.0f * t;
    }
    if (t > 10.0f && t < 20.0f) {
        view->move = 2;
        c->inter_pos = t - 10.0f;
        float p = c->inter_pos;
        if (p < 1.0f) {
            view->rotX = tvx_cos_interpolate(c->crot[0], 90.0f, p);
            view->rotY = tvx_cos_interpolate(c->crot[1], 90.0f, p);
            view->tx = tvx_cos_interpolate(0.0f, -20.0f, p);
            view->ty = tvx_cos_interpolate(0.0f, 40.0f, p);
        } else {
            view->rotX = 90.0f;
            view->rotY = 90.0f;
            view->tx = p - 1.0f - 20.0f;
            view->ty = 40.0f;
            c->cpos[2] = view->tx;
        }
    }
    if (t > 20.0f) {
        view->move = 3;
        c->inter_pos = (t - 20.0f) * 0.5f;
        if (c->inter_pos >= 1.0f)
            c->inter_pos = 1.0f;
        view->rotX = tvx_cos_interpolate(90.0f, -40.0f, c->inter_pos);
        view->rotY = 90.0f;
        view->tx = c->cpos[2];
        view->ty = 40.0f;
    }
}

float scene3_fade(float level, float t)
{
    if (t < 2.0f && level < 1.0f)
        level = 0.5f * t;
    if (t > 22.0f)
        level = 23.0f - t;
    return level;
}

int scene3_captionShown(int i, float t)
{
    return t > 10.5f && t < captions[i].until;
}

float scene3_shipX(float t)
{
    return t < 10.0f ? 5.0f * t - 35.0f : 15.0f;
}

/* ---- Drawing --------------------------------------------------------------- */

/* A caption is drawn unlit, in plain white, so that it reads light on the
 * dark field: lit by the scene's light, the polygon font's faces (which do
 * not face that light in the side view) come out a dull grey. */
static void drawCaption(const Caption *caption)
{
    glPushMatrix();
    glDisable(GL_LIGHTING);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glRotatef(-90.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(-90.0f, 1.0f, 0.0f, 0.0f);
    if (caption->turnZ)
        glRotatef(90.0f, 0.0f, 0.0f, 1.0f);
    glScalef(0.1f, 0.1f, 0.1f);
    tvx_drawPolygonText(caption->text, caption->x, caption->y, caption->z);
    glEnable(GL_LIGHTING);
    glPopMatrix();
}

void scene3_block(void)
{
    float t = sceneClock();
    gColor = 0.0f;
    mblur = 0.2f;

    fadeLevel = scene3_fade(fadeLevel, t);
    if (loaded++ == 0)
        firstFrame();

    glPushMatrix();
    unsigned int textureBuffer = passTarget(FBO[0]);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    glTranslatef(tvx_perlin2DNoise(0.3f * t, 0.2f * t, 42),
                 tvx_perlin2DNoise(0.2f * t, 0.2f * t, 43), 0.0f);
    Scene3View view;
    scene3_cameraMove(&camera, t, &view);
    if (view.move != 0) {
        glRotatef(view.rotX, 1.0f, 0.0f, 0.0f);
        glRotatef(view.rotY, 0.0f, 1.0f, 0.0f);
        glTranslatef(view.tx, view.ty, 0.0f);
    }

    tvx_setLight0(1);
    scene2_drawAsteroids(t);

    glPushMatrix();
    glTranslatef(scene3_shipX(t), 0.0f, 0.0f);
    glRotatef(0.1f * t, 1.0f, 0.0f, 0.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    for (int i = 0; i < SCENE3_CAPTIONS; i++)
        if (scene3_captionShown(i, t))
            drawCaption(&captions[i]);
    glCallList(ship);
    glPopMatrix();

    tvx_setLight0(0);
    gColor = 0.0f;
    tvx_disableFBO(tvx_Get(1), tvx_Get(2), gColor * 0.1f, gColor * 0.1f, gColor * 0.1f);
    glPopMatrix();

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    float noise = tvx_perlin2DNoise(t, 0.0f, 42);
    sepiaPass(scene3_sepia, textureBuffer, -0.1f, t, &noise, scene2_pulse(t), fadeLevel);

    /* Scene-end rules: on to scene 4 after 23 s, back to scene 2 below -3 s. */
    sceneEnd(3, t);
}
