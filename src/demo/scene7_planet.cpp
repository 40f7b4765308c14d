/*
 * scene7_planet.cpp - scene 7, the exploding planet and the targeting
 * messages (24 s).
 *
 * A slowly turning planet fills the screen while terminal captions type
 * themselves straight into the window; at 20.5 s the planet gives way to a
 * thousand debris spheres flying apart, the view shakes and the dark crash
 * caption comes up. The picture goes into FBO[0] and through the bloom pass.
 *
 * Depends on: OpenGL, freeglut (spheres), the tvx framework, the view-volume
 * test (scene_cubes.h), the bloom pass (scene_flight.h) and the timeline's
 * shared state.
 */
#include "scene7_planet.h"

#include <GL/glew.h>
#include <GL/freeglut.h>   /* glutSolidSphere */

#include "scene_cubes.h"
#include "scene_flight.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static int scene7_planetShader;

/* Directions of the debris: noise values fixed per sphere, filled at the
 * first use. */
static int debrisReady = 0;
static float debrisDir[SCENE7_DEBRIS][3];
static GLuint debrisList;                /* glutSolidSphere(0.5, 20, 20), compiled once */

/* ---- First-frame set-up ---------------------------------------------------- */

void scene7_load(void)
{
    scene7_planetShader = tvx_loadShader("data/shader/planet.vert", "data/shader/planet.frag");
    sceneTime[7] = 24.0f;
}

static void fillDebris(void)
{
    for (int i = 0; i < SCENE7_DEBRIS; i++) {
        debrisDir[i][0] = tvx_perlin2DNoise((float)i, 0.0f, 42);
        debrisDir[i][1] = tvx_perlin2DNoise((float)i, 0.0f, 44);
        debrisDir[i][2] = tvx_perlin2DNoise((float)i, 0.0f, 45);
    }
    debrisReady = 1;
}

/* ---- Per-frame values ------------------------------------------------------ */

Scene7Values scene7_values(float t)
{
    Scene7Values v = {0.0f, 0.0f, 0.1f, 1.0f};
    if (t > 20.5f && t < 22.5f)
        v.shake = 22.5f - t;
    if (t > 20.5f) {
        v.noise = 3.0f * (t - 20.5f);
        v.spread = 5.0f * (t - 20.5f);
    }
    if (t > 19.5f && t < 20.5f)
        v.fade = 20.5f - t;
    return v;
}

int scene7_shakeOffset(float t, float offset[2])
{
    if (!(t > 20.5f && t < 22.5f))
        return 0;
    float shake = 22.5f - t;
    float s = 20.0f * (t - 20.5f);
    offset[0] = 5.0f * shake * tvx_perlin2DNoise(s, 0.0f, 32);
    offset[1] = 5.0f * shake * tvx_perlin2DNoise(s, 0.0f, 33);
    return 1;
}

void scene7_debris(int i, float spread, float pos[3])
{
    if (!debrisReady)
        fillDebris();
    float scale = (float)(0.1 * spread);
    pos[0] = 100.0f * debrisDir[i][0] * scale;
    pos[1] = 20.0f * debrisDir[i][1] * scale;
    pos[2] = 100.0f * debrisDir[i][2] * scale;
}

int scene7_planetShown(float t)
{
    return t < 20.5f;
}

float scene7_barAlpha(float t)
{
    return 5.5f - 0.5f * t;
}

/* ---- Drawing --------------------------------------------------------------- */

void scene7_block(void)
{
    float t = sceneClock();
    Scene7Values v = scene7_values(t);
    gColor = 0.0f;
    mblur = 0.0f;

    unsigned int texture = passTarget(FBO[0]);
    float shake[2];
    if (scene7_shakeOffset(t, shake))
        glTranslatef(shake[0], shake[1], 0.0f);
    glRotatef(t, 0.0f, 0.5f, 0.1f);

    if (scene7_planetShown(t)) {
        /* A closed sphere: the faces turned away lie behind the others, so
         * they are left to the culling instead of to the planet shader. */
        tvx_setLight0(1);
        glPushMatrix();
        glColor4f(1.0f, 0.0f, 1.0f, 1.0f);
        planetShader(scene7_planetShader);
        glEnable(GL_CULL_FACE);
        glutSolidSphere(10.0, 50, 50);
        glDisable(GL_CULL_FACE);
        tvx_disableShader();
        glPopMatrix();
        tvx_setLight0(0);
    } else {
        /* Debris: at the centre, hidden inside the planet, until 20.5 s; then
         * every sphere flies out along its own noise direction. */
        if (debrisList == 0) {
            debrisList = glGenLists(1);
            glNewList(debrisList, GL_COMPILE);
            glutSolidSphere(0.5, 20, 20);
            glEndList();
        }
        cubes_begin();
        glPushMatrix();
        glEnable(GL_CULL_FACE);   /* closed spheres, as the planet */
        for (int i = 0; i < SCENE7_DEBRIS; i++) {
            float pos[3];
            scene7_debris(i, v.spread, pos);
            if (!cubes_ballInView(pos[0], pos[1], pos[2], 0.51f))
                continue;
            glPushMatrix();
            glTranslatef(pos[0], pos[1], pos[2]);
            glCallList(debrisList);
            glPopMatrix();
        }
        glDisable(GL_CULL_FACE);
        glPopMatrix();
    }
    tvx_disableFBO(tvx_Get(1), tvx_Get(2), 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);

    /* Captions straight into the window, in the plane of the screen quad:
     * depth testing keeps the quad from covering them. */
    if (t > 20.5f) {
        glPushMatrix();
        glColor4f(0.0f, 0.0f, 0.0f, 0.1f * v.noise);
        glScalef(0.4f, 0.4f, 0.4f);
        tvx_drawPolygonText("segmentation fault. (core dumped)", -40.0f, 0.0f, 0.0f);
        glPopMatrix();
    }
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glPushMatrix();
    glScalef(0.6f, 0.6f, 0.6f);
    if (t < 10.0f) {
        tvx_typeWriterText("processing coordinates...", -30.0f, 30.0f, 0.0f);
        glColor4f(1.0f, 1.0f, 1.0f, scene7_barAlpha(t));
        glBegin(GL_QUADS);
        glVertex3f(-30.0f, 26.0f, 0.0f);
        glVertex3f(-30.0f, 24.0f, 0.0f);
        glVertex3f(3.0f * t - 30.0f, 24.0f, 0.0f);
        glVertex3f(3.0f * t - 30.0f, 26.0f, 0.0f);
        glEnd();
    } else if (t < 20.0f) {
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        tvx_drawPolygonText("processing coordinates...", -30.0f, 30.0f, 0.0f);
        tvx_typeWriterText("target locked.", -30.0f, 20.0f, 0.0f);
    }
    glPopMatrix();

    flight_bloomPass(texture, v.noise, t, v.fade);

    sceneEnd(7, t);
}
