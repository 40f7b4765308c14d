/*
 * scene4_cockpit.cpp - scene 4, the cockpit in the hyperspace tunnel (40 s).
 *
 * The greetings line scrolls in one render target, the tunnel and the
 * approaching planet are drawn in another, and the cockpit with both pictures
 * on its three screens goes into FBO[0], shown through the sepia pass and an
 * overlay. During the first 3 s a field of 200 white star cubes streams away.
 *
 * Depends on: OpenGL, GLU (the tunnel cylinder), freeglut (sphere, cubes),
 * the tvx framework, the model library, the sepia and bloom passes, the
 * planets' surface and the timeline's shared state.
 */
#include "scene4_cockpit.h"

#include <GL/glew.h>
#include <GL/glu.h>        /* the tunnel quadric */
#include <GL/freeglut.h>   /* glutSolidSphere, glutSolidCube */

#include "glm.h"
#include "scene_bloom.h"
#include "scene_planets.h"
#include "scene_sepia.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

const char scene4_greetings[] =
    "vexa/nordlicht    kaptajn    morrow/fjordbyte    ulvhild/hex    tarn    the ostrid (hi ma)";

static GlmModel *scene4_cockpit_model;
static int scene4_shader1;
static int scene4_sepia;
static int scene4_bumpShader;           /* loaded, never enabled */
static int scene4_hyperFBO;
static int scene4_greetFBO;
static unsigned int scene4_overlay;
static int scene4_planetShader;
static int scene4_xobjShader;

static int loaded = 0;               /* frames of this block in the run */
static float star[SCENE4_STARS];     /* depth of each star cube */
static float starX[SCENE4_STARS];    /* fixed side offsets of the stars */
static float starY[SCENE4_STARS];
static float fadeLevel = 0.0f;
static float suddenNoise = 1.0f;
static GLUquadric *test = NULL;      /* the tunnel cylinder's quadric */
static GLuint tunnelList;            /* the tunnel and the planet, compiled once */
static GLuint planetList;
static unsigned int cockpitList;     /* the cockpit, compiled at its first frame */
static int cockpitSeeThrough = 0;    /* 1 when a material of the cockpit lets light through */

/* ---- First-frame set-up ---------------------------------------------------- */

void scene4_load(void)
{
    scene4_cockpit_model = glmReadOBJ("data/models/cockpit3.obj");
    scene4_shader1 = tvx_loadShader("data/shader/tunnel.vert", "data/shader/tunnel.frag");
    scene4_sepia = sepia_load();
    scene4_bumpShader = tvx_loadShader("data/shader/bump.vert", "data/shader/bump.frag");
    scene4_hyperFBO = tvx_loadFBO(1024, 1024);
    scene4_greetFBO = tvx_loadFBO(1024, 1024);
    scene4_overlay = tvx_loadPNG("data/tmp.png");
    bloom_load();
    scene4_planetShader = tvx_loadShader("data/shader/planet.vert", "data/shader/planet.frag");
    scene4_xobjShader = tvx_loadShader("data/shader/xobject.vert", "data/shader/xobject.frag");
}

/* The star table, filled once per run, the tunnel's quadric and the
 * compiled tunnel and planet. */
void scene4_firstFrame(void)
{
    for (unsigned int m = 0; m < scene4_cockpit_model->nummaterials; m++)
        if (scene4_cockpit_model->materials[m].diffuse[3] < 1.0f)
            cockpitSeeThrough = 1;
    for (int i = 0; i < SCENE4_STARS; i++) {
        star[i] = scene4_starStart(i);
        starX[i] = 20.0f * tvx_perlin2DNoise((float)i, 0.0f, i);
        starY[i] = 20.0f * tvx_perlin2DNoise((float)i, (float)i, i);
    }
    test = gluNewQuadric();
    gluQuadricTexture(test, GL_TRUE);
    tunnelList = glGenLists(2);
    planetList = tunnelList + 1;
    glNewList(tunnelList, GL_COMPILE);
    gluCylinder(test, 5.5, 6.0, 200.0, 50, 100);
    glEndList();
    glNewList(planetList, GL_COMPILE);
    glutSolidSphere(10.0, 100, 100);
    glEndList();
}

/* ---- Per-frame values ------------------------------------------------------ */

float scene4_suddenNoise(float t)
{
    return t < 1.0f ? 1.0f - t : 0.0f;
}

float scene4_fadeLevel(float t)
{
    return t * 0.2f;
}

float scene4_backgroundAlpha(float t)
{
    return t > 1.0f ? (t - 1.0f) * 0.4f : 0.0f;
}

float scene4_passAlpha(float t)
{
    return t > 35.0f ? 1.0f - 0.2f * (t - 35.0f) : 1.0f;
}

float scene4_greetingsX(float t)
{
    return 15.0f - 10.0f * t;
}

float scene4_starStart(int i)
{
    return tvx_perlin2DNoise((float)i, (float)i, 45) * 50.0f + 50.0f;
}

float scene4_starStep(float t)
{
    return t * t * tvx_framePeriods();
}

float scene4_starDepth(int i)
{
    return star[i];
}

int scene4_frames(void)
{
    return loaded;
}

/* ---- Drawing --------------------------------------------------------------- */

/* The cockpit's frame in the view: a slow wobble on noise, then the seat. */
static void cockpitFrame(float t)
{
    glRotatef(2.0f * tvx_perlin2DNoise(0.01f * t, 0.04f * t, 23), 0.4f, 0.1f, 0.1f);
    glTranslatef(0.0f, -6.0f, 50.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glRotatef(3.0f, 1.0f, 0.0f, 0.0f);
}

/* One 1.05 x 0.78 cockpit screen showing texture, in the current frame. */
static void screenQuad(unsigned int texture)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(-0.525f, 0.39f);
    glTexCoord2f(1.0f, 0.0f); glVertex2f(0.525f, 0.39f);
    glTexCoord2f(1.0f, 1.0f); glVertex2f(0.525f, -0.39f);
    glTexCoord2f(0.0f, 1.0f); glVertex2f(-0.525f, -0.39f);
    glEnd();
    glDisable(GL_TEXTURE_2D);
}

/* The backdrop: the tunnel picture on a quad behind the cockpit (it does not
 * reach the edges of the frame). */
static void backdropQuad(unsigned int hyperTexture)
{
    tvx_draw2DTexture(0.0f, 0.0f, 0.0f, 30.0f, 20.0f, hyperTexture);
}

/* The three screens in the cockpit's frame: the tunnel in the middle, the
 * greetings on the left, the tunnel through the screen shader on the right. */
static void drawScreens(unsigned int greetTexture, unsigned int hyperTexture)
{
    glPushMatrix();                                   /* middle screen */
    tvx_draw2DTexture(0.525f, 5.3428f, -8.225f, 0.525f, 0.39f, hyperTexture);
    glPopMatrix();

    glPushMatrix();                                   /* left screen */
    glTranslatef(-1.9575f, 5.336f, 7.926f);
    glRotatef(-26.6f, 0.0f, 1.0f, 0.0f);
    screenQuad(greetTexture);
    glPopMatrix();

    tvx_enableShader(scene4_xobjShader);              /* right screen */
    glPushMatrix();
    glTranslatef(0.8958f, 5.356f, 7.926f);
    glRotatef(26.0f, 0.0f, 1.0f, 0.0f);
    screenQuad(hyperTexture);
    glPopMatrix();
    tvx_disableShader();
}

/* The backdrop behind the cockpit goes through the costly glow pass, and the
 * opaque cockpit then covers much of it. So the cockpit's depth is laid down
 * first, without colour, and the backdrop is rejected by the depth test
 * where the cockpit will replace it anyway; where a screen lies in front of
 * the cockpit the depth is set back to the far plane, since the screens
 * blend over the backdrop. After the backdrop, backdropDepth puts its depth
 * everywhere, as drawing it whole would have left it. Only for a cockpit
 * without see-through parts; returns 1 when the depth was laid down. */
static int maskBehindCockpit(float t, unsigned int greetTexture, unsigned int hyperTexture)
{
    if (cockpitSeeThrough)
        return 0;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_VIEWPORT_BIT | GL_ENABLE_BIT |
                 GL_TEXTURE_BIT | GL_CURRENT_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glPushMatrix();
    cockpitFrame(t);
    glPushMatrix();
    glScalef(0.1f, 0.1f, 0.1f);
    drawModelCompiled(scene4_cockpit_model, &cockpitList);
    glPopMatrix();
    glDepthFunc(GL_ALWAYS);
    glDepthRange(1.0, 1.0);
    drawScreens(greetTexture, hyperTexture);
    glPopMatrix();
    glPopAttrib();
    return 1;
}

/* The depth the backdrop alone leaves: cleared, then the backdrop's quad
 * once more, depth only. */
static void backdropDepth(unsigned int hyperTexture)
{
    glClear(GL_DEPTH_BUFFER_BIT);
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_ENABLE_BIT | GL_TEXTURE_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    backdropQuad(hyperTexture);
    glPopAttrib();
}

/* Once the static is gone, the overlay shows nothing where it is fully
 * transparent, and the sepia shader need not run there: the depth of those
 * pixels is laid first, just nearer than the overlay (the alpha test keeps
 * only the transparent ones), and the depth test then turns them away. */
static void maskOverlayHoles(void)
{
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ENABLE_BIT);
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glEnable(GL_ALPHA_TEST);
    glAlphaFunc(GL_LEQUAL, 0.0f);
    glDepthFunc(GL_ALWAYS);
    tvx_draw2DTexture(0.0f, 0.0f, -0.12f, OVERLAY_HALF_WIDTH, OVERLAY_HALF_HEIGHT, scene4_overlay);
    glPopAttrib();
}

void scene4_block(const SceneFrame *frame)
{
    float t = frame->t;
    mblur = 0.5f;
    float W = frame->W;
    float H = frame->H;
    loaded++;

    /* Per-frame values. */
    fadeLevel = scene4_fadeLevel(t);
    suddenNoise = scene4_suddenNoise(t);

    /* Greetings picture: the line scrolls over an opaque black backdrop. */
    glPushMatrix();
    unsigned int greetTexture = tvx_enableFBO(scene4_greetFBO, gColor, gColor, gColor);
    gColor = 0.0f;
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    int blending = opaqueBegin();
    glBegin(GL_QUADS);
    glColor4f(0.0f, 0.0f, 0.0f, 1.0f);
    glVertex3f(-500.0f, 500.0f, -20.0f);
    glVertex3f(500.0f, 500.0f, -20.0f);
    glVertex3f(500.0f, -500.0f, -20.0f);
    glVertex3f(-500.0f, -500.0f, -20.0f);
    glEnd();
    opaqueEnd(blending);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glScalef(3.0f, 3.0f, 3.0f);
    tvx_drawPolygonText(scene4_greetings, scene4_greetingsX(t), 0.0f, 0.0f);
    glPopMatrix();
    /* the next two pictures go into targets too: the window waits for the
     * cockpit view's clear */
    tvx_leaveFBO(W, H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glPopMatrix();

    /* Tunnel picture: the cylinder moves towards the eye at 4 units/s, the
     * planet at 5 units/s. */
    glPushMatrix();
    unsigned int hyperTexture = tvx_enableFBO(scene4_hyperFBO, gColor, gColor, gColor);
    gColor = 0.0f;
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 4.0f * t - 100.5f);
    tvx_enableShader(scene4_shader1);
    tvx_shader_sendUniformValue(scene4_shader1, "timer", &t, 1);
    blending = opaqueBegin();            /* its program writes alpha 1 */
    glCallList(tunnelList);
    opaqueEnd(blending);
    tvx_disableShader();
    glPopMatrix();
    glPushMatrix();
    glTranslatef(0.0f, 0.0f, 5.0f * t - 200.0f);
    glColor4f(0.9f, 1.0f, 0.9f, 0.9f);
    planets_enable(scene4_planetShader);
    glEnable(GL_CULL_FACE);   /* a closed sphere: its far side lies behind the near one */
    glCallList(planetList);
    glDisable(GL_CULL_FACE);
    tvx_disableShader();
    glPopMatrix();
    tvx_leaveFBO(W, H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glPopMatrix();

    /* Cockpit view. */
    glPushMatrix();
    unsigned int cockpitTexture = passTarget(FBO[0]);
    gColor = 0.0f;
    int masked = maskBehindCockpit(t, greetTexture, hyperTexture);
    glColor4f(1.0f, 1.0f, 1.0f, scene4_backgroundAlpha(t));
    bloom_enable(hyperTexture, fadeLevel);
    backdropQuad(hyperTexture);
    tvx_disableShader();
    if (masked)
        backdropDepth(hyperTexture);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    glPushMatrix();
    cockpitFrame(t);
    drawScreens(greetTexture, hyperTexture);

    glScalef(0.1f, 0.1f, 0.1f);                       /* the cockpit */
    tvx_setLight0(1);
    if (cockpitSeeThrough) {
        drawModelCompiled(scene4_cockpit_model, &cockpitList);
    } else {
        blending = opaqueBegin();   /* every material opaque: lit at alpha 1 */
        drawModelCompiled(scene4_cockpit_model, &cockpitList);
        opaqueEnd(blending);
    }
    tvx_setLight0(0);
    glDisable(GL_LIGHTING);
    glPopMatrix();

    /* Stars, in the target's frame-start modelview: each frame pushes every
     * star t^2 further along z. */
    if (t < 3.0f) {
        for (int i = 0; i < SCENE4_STARS; i++) {
            glPushMatrix();
            glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
            glTranslatef(starX[i], starY[i], star[i]);
            glutSolidCube(0.2);
            glPopMatrix();
            star[i] += scene4_starStep(t);
        }
    }
    tvx_disableFBO(W, H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glPopMatrix();

    /* Sepia pass of the cockpit view, then the overlay through the same
     * shader and colour. */
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, scene4_passAlpha(t));
    float noise = sepia_flicker(t);
    sepia_pass(scene4_sepia, cockpitTexture, -0.1f, t, &noise, 0.0f + suddenNoise, fadeLevel);
    if (suddenNoise <= 0.0f)
        maskOverlayHoles();
    sepia_shader(scene4_sepia);
    tvx_draw2DTexture(0.0f, 0.0f, -0.11f, OVERLAY_HALF_WIDTH, OVERLAY_HALF_HEIGHT, scene4_overlay);
    tvx_disableShader();
}
