/*
 * scene2_asteroids.cpp - scene 2, the asteroid field and the space station
 * (14 s): 200 pulsing spheres drift round the viewer, the station stands down
 * the -z axis and the ship drifts along +z; the camera sways and turns, then
 * cuts to a side view. Drawn into FBO[0], shown through the sepia pass.
 * Depends on: the timeline vocabulary, tvx shaders, render targets, lights
 * and noise, freeglut spheres, the view-volume test (scene_cubes.h), the
 * model library.
 */
#include "scene2_asteroids.h"

#include <GL/glew.h>
#include <GL/freeglut.h>   /* glutSolidSphere */

#include "scene_cubes.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

GlmModel *scene2_skepp;                  /* the ship: scenes 2, 3, 5, 6 */
int scene2_passShader;                   /* asteroids: scenes 2, 3 */
static int scene2_sepia;
static unsigned int scene2_dustTex;      /* loaded, never drawn */
static GlmModel *scene2_station;
static int scene2_bloomShader;           /* loaded, never enabled */
static int scene2_stationShader;

static int loaded = 0;
static float light0[16];                 /* ambient, diffuse, specular, position */
static Scene2Camera camera;
static GLuint ship;                      /* display list of the scaled ship */
static float fadeLevel = 0.0f;           /* kept between frames and visits */
static GLuint asteroidList;              /* glutSolidSphere(1, 20, 20), compiled once */
static unsigned int stationList;         /* the station, compiled at its first frame */

/* ---- First-frame set-up ---------------------------------------------------- */

void scene2_load(void)
{
    scene2_sepia = tvx_loadShader(nullptr, "data/shader/sepia.frag");
    scene2_dustTex = tvx_loadPNG("data/eniac.png");
    scene2_skepp = glmReadOBJ("data/models/skepp/skepp.obj");
    scene2_station = glmReadOBJ("data/models/station.obj");
    scene2_bloomShader = tvx_loadShader(nullptr, "data/shader/bloom.frag");
    scene2_passShader = tvx_loadShader("data/shader/asteroid.vert", "data/shader/asteroid.frag");
    scene2_stationShader = tvx_loadShader("data/shader/bump.vert", "data/shader/bump.frag");
    sceneTime[2] = 14.0f;
}

void scene2_initCamera(Scene2Camera *c)
{
    static const float start[3][2][3] = {
        {{10.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
        {{0.0f, 0.0f, 0.0f}, {0.0f, 90.0f, 0.0f}},
        {{0.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
    };
    for (int s = 0; s < 3; s++) {
        for (int a = 0; a < 3; a++) {
            c->xyz[s][a] = start[s][0][a];
            c->rot[s][a] = start[s][1][a];
        }
    }
}

static void firstFrame(void)
{
    tvx_setLightData(&light0[0], 0.5f, 0.5f, 0.5f, 0.5f);
    tvx_setLightData(&light0[4], 0.5f, 0.5f, 0.5f, 0.5f);
    tvx_setLightData(&light0[8], 2.0f, 2.0f, 2.0f, 1.0f);
    tvx_setLightData(&light0[12], 0.0f, 0.0f, 0.0f, 0.0f);
    scene2_initCamera(&camera);
    ship = glGenLists(1);
    glNewList(ship, GL_COMPILE);
    glScalef(0.02f, 0.02f, 0.02f);
    drawModel(scene2_skepp);
    glEndList();
}

/* ---- Per-frame values ------------------------------------------------------ */

void scene2_moveCamera(Scene2Camera *c, float t)
{
    c->xyz[0][0] = tvx_perlin2DNoise(0.2f * t, 0.0f, 42);
    c->xyz[0][1] = tvx_perlin2DNoise(0.2f * t, 0.0f, 43);
    if (t < 5.0f) {
        c->id = 0;
        c->xyz[0][0] += 0.01f * t;
        c->rot[0][1] = t;
    }
    if (t > 5.0f && t < 15.0f) {
        c->id = 1;
        /* A frame of k timer periods turns as far as the k steps of 25 ms
         * frames ending at t would: 0.01 k (t - 0.0125 (k - 1)). */
        float k = tvx_framePeriods();
        c->rot[1][1] += 0.01f * k * (t - 0.0125f * (k - 1.0f));
    }
}

float scene2_fade(float level, float t)
{
    if (t < 2.0f && level < 1.0f)
        level = 0.5f * t;
    if (t > 13.0f && t < 15.0f && level > 0.0f)
        level -= 0.01f * tvx_framePeriods();
    return level;
}

float scene2_pulse(float t)
{
    return tvx_sawWave(2.333f * t);
}

/* ---- Drawing --------------------------------------------------------------- */

/* One compiled unit sphere scaled to the pulse: the asteroid shader moves
 * every point along its own normalised normal, which the scale leaves alone.
 * Rocks outside the view (the shader swells them to at most 1.3 times the
 * radius) are not sent. */
void scene2_drawAsteroids(float t)
{
    if (asteroidList == 0) {
        asteroidList = glGenLists(1);
        glNewList(asteroidList, GL_COMPILE);
        glutSolidSphere(1.0, 20, 20);
        glEndList();
    }
    float radius = 1.0f + scene2_pulse(t);
    cubes_begin();
    tvx_enableShader(scene2_passShader);
    glEnable(GL_CULL_FACE);   /* closed rocks: their far sides lie behind the near ones */
    for (float i = 0.0f; i < 200.0f; i += 1.0f) {
        int k = (int)i;
        float s = i + 0.3f * t;
        float x = 100.0f * tvx_perlin2DNoise(0.001f * s, 0.0f, k);
        float y = 100.0f * tvx_perlin2DNoise(0.01f * s, i, k);
        float z = 100.0f * tvx_perlin2DNoise(0.0f, 0.01f * s, k);
        if (!cubes_ballInView(x, y, z, 1.31f * radius))
            continue;
        glPushMatrix();
        glTranslatef(x, y, z);
        glRotatef(180.0f * tvx_perlin2DNoise(i + 0.2f * t, i, k), 0.2f, 0.5f, 0.9f);
        glScalef(radius, radius, radius);
        glCallList(asteroidList);
        glPopMatrix();
    }
    glDisable(GL_CULL_FACE);
    tvx_disableShader();
}

void scene2_block(void)
{
    float t = sceneClock();
    gColor = 0.0f;

    if (loaded++ == 0)
        firstFrame();
    scene2_moveCamera(&camera, t);
    fadeLevel = scene2_fade(fadeLevel, t);

    glPushMatrix();
    unsigned int textureBuffer = passTarget(FBO[0]);

    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    tvx_enableLight(light0, 1);
    tvx_setLight0(1);

    const float *xyz = camera.xyz[camera.id];
    const float *rot = camera.rot[camera.id];
    glTranslatef(xyz[0], xyz[1], xyz[2]);
    glRotatef(rot[0], 1.0f, 0.0f, 0.0f);
    glRotatef(rot[1], 0.0f, 1.0f, 0.0f);
    glRotatef(rot[2], 0.0f, 0.0f, 1.0f);

    scene2_drawAsteroids(t);

    glPushMatrix();
    tvx_enableShader(scene2_stationShader);
    glTranslatef(0.0f, 0.0f, -60.0f);
    glScalef(10.0f, 10.0f, 10.0f);
    drawModelCompiled(scene2_station, &stationList);
    tvx_disableShader();
    glPopMatrix();

    glPushMatrix();
    glTranslatef(0.0f, 0.0f, t);
    glCallList(ship);
    glPopMatrix();

    gColor = 0.0f;
    tvx_setLight0(0);
    glDisable(GL_LIGHT1);
    tvx_disableFBO(tvx_Get(1), tvx_Get(2), gColor * 0.1f, gColor * 0.1f, gColor * 0.1f);
    glPopMatrix();

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    float noise = tvx_perlin2DNoise(t, 0.0f, 42);
    sepiaPass(scene2_sepia, textureBuffer, -0.1f, t, &noise, scene2_pulse(t), fadeLevel);

    /* Scene-end rules: on to scene 3 after 14 s, back to scene 1 below -3 s;
     * mblur is left as the scene before set it. */
    sceneEnd(2, t);
}
