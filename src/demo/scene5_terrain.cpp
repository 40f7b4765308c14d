/*
 * scene5_terrain.cpp - scene 5, the terrain flight with the greeting models
 * (30 s).
 *
 * The camera swoops in from above and turns through a fixed schedule while
 * the ship flies low over the shaded terrain grid, the cube ribbon streams
 * past and the nine greeting models drift by; a typewriter line reads
 * "entering zone 0x101fe0f1" for the first 10 s. The frame goes into FBO[0]
 * and is shown as a plain screen quad, the frame's last draw.
 *
 * Depends on: OpenGL, the tvx framework, the model library, the flight
 * (scene_flight.h), the cube ribbon (scene_cubes.h), what is in view
 * (scene_view.h) and the timeline's shared state.
 */
#include "scene5_terrain.h"

#include <math.h>

#include <GL/glew.h>

#include "glm.h"
#include "scene_cubes.h"
#include "scene_flight.h"
#include "scene_view.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static unsigned int scene5_testTexture;  /* loaded, never drawn */
static int scene5_procShader;
static int scene5_shipShader;
static int scene5_noiseshader;           /* loaded, never enabled */
static GLuint greetList;
static GlmModel *scene5_greet[SCENE5_GREETS];   /* scene5_greet0 ... scene5_greet8 */
static float greetBall[SCENE5_GREETS][4];  /* centre and radius of each, as its list draws it */

static float speed = 0.0f;
static float ship_pos[3] = {0.0f, 0.0f, 0.0f};

/* The greeting models, loaded in this order. */
static const char *const greetFiles[SCENE5_GREETS] = {
    "data/models/greets/greet0.obj", "data/models/greets/greet1.obj",
    "data/models/greets/greet2.obj", "data/models/greets/greet3.obj",
    "data/models/greets/greet4.obj", "data/models/greets/greet5.obj",
    "data/models/greets/greet6.obj", "data/models/greets/greet7.obj",
    "data/models/greets/greet8.obj",
};

/* One window of the turn schedule: from start to end (strict), yaw, pitch and
 * roll eased from `from` to `to` with u = (t - start) * 0.5 (held windows
 * have from == to). */
struct TurnWindow {
    float start, end;
    int hasYaw, hasPitch, hasRoll;
    float from[3], to[3];
};

static const TurnWindow turnSchedule[] = {
    {6.0f, 8.0f, 1, 0, 0, {0.0f, 0.0f, 0.0f}, {160.0f, 0.0f, 0.0f}},
    {8.0f, 12.0f, 1, 0, 0, {160.0f, 0.0f, 0.0f}, {160.0f, 0.0f, 0.0f}},
    {12.0f, 14.0f, 1, 1, 0, {160.0f, 0.0f, 0.0f}, {200.0f, -40.0f, 0.0f}},
    {14.0f, 16.0f, 1, 1, 0, {200.0f, -40.0f, 0.0f}, {200.0f, -40.0f, 0.0f}},
    {16.0f, 18.0f, 1, 1, 1, {200.0f, -40.0f, 0.0f}, {110.0f, -60.0f, -5.0f}},
    {18.0f, 19.0f, 1, 1, 1, {110.0f, -60.0f, -5.0f}, {110.0f, -60.0f, -5.0f}},
    {19.0f, 21.0f, 1, 1, 1, {110.0f, -60.0f, -5.0f}, {120.0f, 0.0f, 0.0f}},
    {21.0f, 25.0f, 1, 0, 0, {120.0f, 0.0f, 0.0f}, {120.0f, 0.0f, 0.0f}},
    {25.0f, 27.0f, 1, 0, 0, {120.0f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.0f}},
};

/* ---- First-frame set-up ---------------------------------------------------- */

/* The ball around a greeting model as its list draws it: the list turns the
 * model 90 degrees about x, which takes (x, y, z) to (x, -z, y). */
static void findGreetBall(const GlmModel *model, float ball[4])
{
    float lo[3] = {0.0f, 0.0f, 0.0f}, hi[3] = {0.0f, 0.0f, 0.0f};
    for (GLuint i = 1; i <= model->numvertices; i++) {
        const float *v = &model->vertices[3 * i];
        for (int k = 0; k < 3; k++) {
            if (i == 1 || v[k] < lo[k])
                lo[k] = v[k];
            if (i == 1 || v[k] > hi[k])
                hi[k] = v[k];
        }
    }
    float centre[3], reach2 = 0.0f;
    for (int k = 0; k < 3; k++)
        centre[k] = 0.5f * (lo[k] + hi[k]);
    for (GLuint i = 1; i <= model->numvertices; i++) {
        const float *v = &model->vertices[3 * i];
        float dx = v[0] - centre[0], dy = v[1] - centre[1], dz = v[2] - centre[2];
        float d2 = dx * dx + dy * dy + dz * dz;
        if (d2 > reach2)
            reach2 = d2;
    }
    ball[0] = centre[0];
    ball[1] = -centre[2];
    ball[2] = centre[1];
    ball[3] = 1.01f * sqrtf(reach2);
}

void scene5_load(void)
{
    scene5_testTexture = tvx_loadPNG("data/eniac.png");
    flight_load(&scene5_procShader, &scene5_shipShader, &scene5_noiseshader);
    greetList = glGenLists(10);
    for (int k = 0; k < SCENE5_GREETS; k++) {
        scene5_greet[k] = glmReadOBJ(greetFiles[k]);
        findGreetBall(scene5_greet[k], greetBall[k]);
    }
}

/* ---- Per-frame values ------------------------------------------------------ */

static float eased(const TurnWindow *w, int axis, float u)
{
    if (w->from[axis] == w->to[axis])
        return w->from[axis];
    return tvx_cos_interpolate(w->from[axis], w->to[axis], u);
}

Scene5Turn scene5_turn(float t)
{
    Scene5Turn turn = {0, 0, 0, 0.0f, 0.0f, 0.0f};
    for (const TurnWindow &w : turnSchedule) {
        if (t > w.start && t < w.end) {
            float u = (t - w.start) * 0.5f;
            turn.hasYaw = w.hasYaw;
            turn.hasPitch = w.hasPitch;
            turn.hasRoll = w.hasRoll;
            turn.yaw = eased(&w, 0, u);
            turn.pitch = eased(&w, 1, u);
            turn.roll = eased(&w, 2, u);
            break;
        }
    }
    return turn;
}

int scene5_compilesLists(float t)
{
    return t < 0.5f;
}

int scene5_swoop(float t, float *z, float *pitch)
{
    if (!(0.2f * t < 1.0f))
        return 0;
    *z = tvx_cos_interpolate(100.0f, 0.0f, 0.2f * t);
    *pitch = tvx_cos_interpolate(-90.0f, 0.0f, 0.2f * t);
    return 1;
}

int scene5_rise(float t, float *y)
{
    if (!(0.1f * t < 1.0f))
        return 0;
    *y = tvx_cos_interpolate(-30.0f, 0.0f, 0.1f * t);
    return 1;
}

float scene5_speed(float t)
{
    return 0.2f * t < 1.0f ? tvx_cos_interpolate(0.0f, 50.0f, 0.2f * t) : 50.0f;
}

float scene5_shipY(float t)
{
    return 0.2f * t < 1.0f ? tvx_cos_interpolate(40.0f, 12.0f, 0.2f * t) : 12.0f;
}

float scene5_textAlpha(float t)
{
    return 3.0f - 0.2f * t;
}

unsigned int scene5_greetList(void)
{
    return greetList;
}

/* ---- Drawing --------------------------------------------------------------- */

void scene5_block(const SceneFrame *frame)
{
    float t = frame->t;

    /* Greeting lists: compiled in every frame of the first half second of
     * the scene's first visit, kept afterwards (empty if it was missed). */
    if (scene5_compilesLists(t)) {
        for (int k = 0; k < SCENE5_GREETS; k++) {
            glNewList(greetList + k, GL_COMPILE);
            glRotatef(90.0f, 1.0f, 0.0f, 0.0f);
            drawModel(scene5_greet[k]);
            glEndList();
        }
    }

    /* Per-frame values. */
    Scene5Turn turn = scene5_turn(t);
    speed = scene5_speed(t);
    float terrainTimer = speed * t;
    ship_pos[0] = 0.0f;
    ship_pos[1] = scene5_shipY(t);
    ship_pos[2] = 0.0f;

    glPushMatrix();
    unsigned int frameTexture = passTarget(FBO[0]);
    gColor = 0.0f;

    glPushMatrix();                                   /* camera frame */
    glColor4f(0.5f, 0.7f, 0.5f, 1.0f);
    if (t < 10.0f) {
        glPushMatrix();
        glScalef(0.2f, 0.2f, 0.2f);
        glColor4f(1.0f, 1.0f, 1.0f, scene5_textAlpha(t));
        tvx_typeWriterText("entering zone 0x101fe0f1", -30.0f, 0.0f, 0.0f);
        glPopMatrix();
    }

    glTranslatef(4.0f * tvx_perlin2DNoise(0.2f * t, 0.2f * t, 32),
                 tvx_perlin2DNoise(0.0f, 0.2f * t, 44),
                 5.0f * tvx_perlin2DNoise(0.0f, 0.2f * t, 53));
    float swoopZ, swoopPitch;
    if (scene5_swoop(t, &swoopZ, &swoopPitch)) {
        glTranslatef(0.0f, 0.0f, swoopZ);
        glRotatef(swoopPitch, 1.0f, 0.0f, 0.0f);
    }
    glRotatef(10.0f, 1.0f, 0.0f, 0.0f);
    if (turn.hasYaw)
        glRotatef(turn.yaw, 0.0f, 1.0f, 0.0f);
    if (turn.hasPitch)
        glRotatef(turn.pitch, 1.0f, 0.0f, 0.0f);
    if (turn.hasRoll)
        glRotatef(turn.roll, 0.0f, 0.0f, 1.0f);

    glPushMatrix();                                   /* terrain group */
    float riseY;
    if (scene5_rise(t, &riseY))
        glTranslatef(0.0f, riseY, 0.0f);

    cubes_drawRibbon(t, cubes_ribbonTerrain);

    glPushMatrix();                                   /* greeting models */
    glColor4f(0.6f, 0.6f, 0.6f, 1.0f);
    glScalef(5.0f, 5.0f, 5.0f);
    tvx_setLight0(1);
    /* The greeting models are closed and opaque: the faces turned away from
     * the eye are always behind the ones turned towards it, so they are
     * left out. */
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    for (float f = 0.0f; f < 9.0f; f += 1.0f) {
        glPushMatrix();
        glTranslatef(5.0f * tvx_perlin2DNoise(f, f, (int)f), 0.5f * f + 2.0f, t - 7.0f * f);
        glRotatef((float)(40.0 * sin(10.0f * f + 2.33 * t)), 0.1f, 1.0f, 0.1f);
        /* a model wholly outside the view is not sent */
        const float *ball = greetBall[(int)f];
        view_capture();
        if (view_ballInView(ball[0], ball[1], ball[2], ball[3]))
            glCallList(greetList + (GLuint)f);
        glPopMatrix();
    }
    glPopAttrib();
    tvx_setLight0(0);
    glPopMatrix();

    flight_drawTerrain(scene5_procShader, terrainTimer);
    glPopMatrix();                                    /* end of the terrain group */

    flight_drawShip(scene5_shipShader, terrainTimer, ship_pos, t);

    glPopMatrix();                                    /* camera frame */
    tvx_disableFBO(frame->W, frame->H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glPopMatrix();

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    passFinal(0.0f, frameTexture);
}
