/*
 * scene6_lattice.cpp - scene 6, the monitor lattice showing the terrain
 * flight (30.2 s).
 *
 * The terrain flight, seen from a fixed tilted viewpoint with a blinking red
 * warning, goes into FBO[0]; that picture is shown on 1600 monitors of a
 * twisted lattice drawn into FBO[1], which pulls back and turns after 6 s.
 * Two typewriter messages and a screen overlay are drawn over the final frame,
 * which fades towards alpha 0.8 in the last 0.2 s.
 *
 * Depends on: OpenGL, the tvx framework, the model library, the flight
 * (scene_flight.h), the cube ribbon (scene_cubes.h), what can be in view
 * (scene_view.h) and the timeline's shared state.
 */
#include "scene6_lattice.h"

#include <math.h>
#include <string.h>

#include <GL/glew.h>

#include "glm.h"
#include "scene_cubes.h"
#include "scene_flight.h"
#include "scene_view.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static unsigned int scene6_overlay;
static int compositeProgram = -1;      /* the lattice and the overlay in one step */
static int overlayBakeProgram = -1;    /* the overlay as each pixel of the frame sees it */
static int scene6_procShader;
static int scene6_shipShader;
static int scene6_noiseshader;           /* loaded, never enabled */
static GlmModel *scene6_screen_model;

static GLuint screen_model_list;
static float ship_pos[3] = {0.0f, 0.0f, 0.0f};
static float monitorRadius;            /* reach of a monitor from its origin */

/* What the final frame, made at the frame's end, lays over the text. */
static unsigned int finalLattice;      /* the lattice's picture */
static float finalAlpha;               /* the fading colour's alpha */
static int finalText;                  /* the typewriter drew text */

/* The overlay sampled once at every pixel of the frame, and what it was
 * sampled for: the frame's size, the matrices that place the quads, and the
 * program (a shader reload makes a new one). */
struct OverlayView {
    int width, height;
    float modelview[16];
    float projection[16];
    GLuint program;
};
static GLuint bakedOverlay;
static GLuint bakedOverlayFramebuffer;
static int bakedOverlayMade;           /* bakedOverlay holds bakedFor's picture */
static struct OverlayView bakedFor;

/* The lattice: 40 x 40 monitors, 40 units apart from -800 on x and y; of
 * these, the positions (x, y and the z offset) of the ones in view this
 * frame. */
enum { LATTICE_SIDE = 40 };
static float shownMonitor[LATTICE_SIDE * LATTICE_SIDE][3];

/* A monitor's picture quad, as tvx_draw2DTexture takes it: its z and half
 * sides. */
static const float PICTURE_Z = 16.5f;
static const float PICTURE_HALF_WIDTH = 12.6f;
static const float PICTURE_HALF_HEIGHT = 10.0f;

/* The overlay quad's z, as tvx_draw2DTexture takes it (in front of the
 * lattice's quad at z 0). */
static const float OVERLAY_Z = -0.11f;

/* ---- First-frame set-up ---------------------------------------------------- */

void scene6_load(void)
{
    scene6_overlay = tvx_loadPNG("data/display_overlay.png");
    flight_load(&scene6_procShader, &scene6_shipShader, &scene6_noiseshader);
    scene6_screen_model = glmReadOBJ("data/models/screen.obj");
    compositeProgram = tvx_loadOwnShader(nullptr, "data/shader/lattice_overlay.frag", nullptr);
    overlayBakeProgram = tvx_loadOwnShader(nullptr, "data/shader/lattice_overlay.frag", "BAKE");
}

/* How far the picture quad and the compiled monitor reach from the origin of
 * a monitor. */
static float findMonitorRadius(void)
{
    float reach2 = PICTURE_Z * PICTURE_Z + PICTURE_HALF_WIDTH * PICTURE_HALF_WIDTH +
                   PICTURE_HALF_HEIGHT * PICTURE_HALF_HEIGHT;
    for (GLuint i = 1; i <= scene6_screen_model->numvertices; i++) {
        const float *v = &scene6_screen_model->vertices[3 * i];
        float x = -10.0f * v[0], y = 10.0f * v[1], z = -20.0f - 10.0f * v[2];
        float d2 = x * x + y * y + z * z;
        if (d2 > reach2)
            reach2 = d2;
    }
    return sqrtf(reach2);
}

/* One monitor, compiled in place: lit by the light the lattice sets up, and
 * without the faces turned away from the eye, which on this closed, opaque
 * model are always behind the ones turned towards it. Its materials are all
 * opaque (lit alpha 1), so blending would leave its colours as they are: it
 * is drawn without, sparing the rasteriser a read of every pixel it covers. */
void scene6_firstFrame(void)
{
    screen_model_list = glGenLists(1);
    glNewList(screen_model_list, GL_COMPILE);
    glPushAttrib(GL_ENABLE_BIT | GL_POLYGON_BIT);
    glEnable(GL_LIGHTING);
    glDisable(GL_BLEND);
    glEnable(GL_CULL_FACE);
    glCullFace(GL_BACK);
    glFrontFace(GL_CCW);
    glTranslatef(0.0f, 0.0f, -20.0f);
    glRotatef(180.0f, 0.0f, 1.0f, 0.0f);
    glScalef(10.0f, 10.0f, 10.0f);
    drawModel(scene6_screen_model);
    glPopAttrib();
    glEndList();
    monitorRadius = findMonitorRadius();
}

/* ---- Per-frame values ------------------------------------------------------ */

Scene6Lattice scene6_lattice(float t)
{
    Scene6Lattice lattice = {0, 0, 0.0f, 0.0f};
    if (t < 6.0f) {
        lattice.translates = 1;
        lattice.z = 491.0f;
    }
    if (t > 6.0f) {
        lattice.translates = 1;
        lattice.z = 491.0f - 5.0f * (t - 6.0f);
        lattice.turns = 1;
        lattice.angle = 5.0f * (t - 6.0f);
    }
    return lattice;
}

const char *scene6_message(float t, float *x)
{
    if (t > 6.0f && t < 13.0f) {
        *x = -50.0f;
        return "recieving order from 00:00:de:ad:be:ef";
    }
    if (t > 13.0f) {
        *x = -30.0f;
        return "total annihilation.";
    }
    return NULL;
}

float scene6_warningAlpha(float t)
{
    return (float)sin(10.0f * t);
}

float scene6_finalAlpha(float t)
{
    return t > 30.0f ? 31.0f - t : 1.0f;
}

/* ---- Drawing --------------------------------------------------------------- */

/* Finds the monitors that can be in view (the others are not sent) and
 * returns how many. */
static int findShownMonitors(void)
{
    int shown = 0;
    view_capture();
    for (float x = -800.0f; x < 800.0f; x += 40.0f) {
        for (float y = -800.0f; y < 800.0f; y += 40.0f) {
            float z = (float)(10.0 * sin(x * y));
            double turn = 10.0 * y * M_PI / 180.0;
            float cx = (float)(x * cos(turn) + z * sin(turn));
            float cz = (float)(-x * sin(turn) + z * cos(turn));
            if (!view_ballInView(cx, y, cz, 1.01f * monitorRadius + 1.0f))
                continue;
            shownMonitor[shown][0] = x;
            shownMonitor[shown][1] = y;
            shownMonitor[shown][2] = z;
            shown++;
        }
    }
    return shown;
}

/* Pushes the matrix and moves to shown monitor i: its row turned by 10 y
 * degrees about the vertical axis, so the rows fan around it. */
static void placeMonitor(int i)
{
    const float *at = shownMonitor[i];
    glPushMatrix();
    glRotatef(10.0f * at[1], 0.0f, 1.0f, 0.0f);
    glTranslatef(at[0], at[1], at[2]);
}

/* The flight picture on every shown monitor, as tvx_draw2DTexture lays it,
 * but with the texture bound once for all of them, after all the
 * monitors' models: the software rasteriser is not switched between the two
 * kinds of drawing a hundred times a frame, and the depth test spares it the
 * texture reads of pictures hidden behind other monitors. The pictures (the
 * flight covers its whole picture at full alpha) and the models are opaque
 * and depth tested, so the order leaves the picture as it was, but for the
 * odd pixel on a picture's edge at the very depth of its monitor's model,
 * which the model keeps (a few pixels a frame, a few levels). */
static void drawMonitorPictures(int shown, unsigned int flightTexture)
{
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, flightTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    for (int i = 0; i < shown; i++) {
        placeMonitor(i);
        tvx_draw2DTextureQuad(0.0f, 0.0f, PICTURE_Z, PICTURE_HALF_WIDTH, PICTURE_HALF_HEIGHT);
        glPopMatrix();
    }
    glDisable(GL_TEXTURE_2D);
}

/* The blinking warning, laid over the finished flight picture: it writes no
 * depth and keeps the picture's alpha, so at a negative alpha (clamped to 0)
 * it would leave the picture untouched, and is not sent; otherwise it blends
 * red over the picture at its alpha, which the monitors then show as it is. */
static void drawWarning(float t)
{
    if (scene6_warningAlpha(t) <= 0.0f)
        return;
    glPushMatrix();
    glDepthMask(GL_FALSE);
    glBlendFuncSeparate(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_ZERO, GL_ONE);
    glColor4f(1.0f, 0.0f, 0.0f, scene6_warningAlpha(t));
    glScalef(0.5f, 0.5f, 0.5f);
    tvx_drawPolygonText("Human in unallocated area", -40.0f, 0.0f, 20.0f);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDepthMask(GL_TRUE);
    glPopMatrix();
}

/* Samples the overlay at every pixel of the frame (the viewport's size), as
 * the overlay's quad lays it over the lattice's under the current matrices,
 * into bakedOverlay; again only when the frame's size, the matrices or the
 * program change. The overlay's quad lies nearer the eye than the lattice's:
 * a point of the lattice's quad is seen through the overlay's at its
 * distance scaled by the ratio of the two distances. Returns 0 when it
 * cannot be done (no program, or a target the driver cannot draw into). */
static int bakeOverlay(void)
{
    struct OverlayView view;
    memset(&view, 0, sizeof view);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    view.width = viewport[2];
    view.height = viewport[3];
    glGetFloatv(GL_MODELVIEW_MATRIX, view.modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, view.projection);
    view.program = tvx_ownProgram(overlayBakeProgram);
    if (view.program == 0 || view.width <= 0 || view.height <= 0)
        return 0;
    if (bakedOverlayMade && memcmp(&view, &bakedFor, sizeof view) == 0)
        return 1;

    float distance = -view.modelview[14];
    float ratio = distance != 0.0f ? (distance + OVERLAY_Z) / distance : 1.0f;
    float scale[2] = {PASS_HALF_WIDTH / OVERLAY_HALF_WIDTH * ratio,
                      PASS_HALF_HEIGHT / OVERLAY_HALF_HEIGHT * ratio};
    if (bakedOverlay == 0) {
        glGenTextures(1, &bakedOverlay);
        glGenFramebuffers(1, &bakedOverlayFramebuffer);
    }
    GLuint program = tvx_beginOwnStep(overlayBakeProgram);
    glBindTexture(GL_TEXTURE_2D, bakedOverlay);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, view.width, view.height, 0, GL_RGBA,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, bakedOverlayFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, bakedOverlay, 0);
    bakedOverlayMade = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    if (bakedOverlayMade) {
        /* the pass quad may leave rows above and below it: no overlay there */
        glViewport(0, 0, view.width, view.height);
        glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        glUniform1i(glGetUniformLocation(program, "overlay"), 0);
        glUniform2fv(glGetUniformLocation(program, "overlayScale"), 1, scale);
        passQuad(0.0f, scene6_overlay);
    }
    tvx_endOwnStep();
    bakedFor = view;
    return bakedOverlayMade;
}

/* The final frame, made at the frame's end (sceneFinal): the overlay over
 * the lattice's picture. One program lays both in one pass over the pixels
 * where the lattice's quad passes the depth test, and the overlay alone where
 * the typewriter's text keeps it away (there the quad fails the test, and the
 * same quad with the opposite test passes); the depth buffer keeps the quad's
 * depth, which nothing drawn after it reads. The overlay comes from
 * bakedOverlay, one texel a pixel. Straight into the motion blur's history
 * (share above 0), the program lays the result over what the frame drew
 * before it (the text) itself. */
static void drawComposite(float share)
{
    GLuint program = tvx_ownProgram(compositeProgram);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    float frameOrigin[2] = {(float)viewport[0], (float)viewport[1]};
    float frameScale[2] = {1.0f / (float)viewport[2], 1.0f / (float)viewport[3]};
    int intoHistory = share > 0.0f;

    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, bakedOverlay);
    glUseProgram(program);
    if (intoHistory) {
        glActiveTexture(GL_TEXTURE2);
        glBindTexture(GL_TEXTURE_2D, tvx_pictureTexture());
        glUniform1i(glGetUniformLocation(program, "below"), 2);
        glBlendFunc(GL_ONE, GL_CONSTANT_ALPHA);
    } else {
        glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    }
    glActiveTexture(GL_TEXTURE0);
    glUniform1i(glGetUniformLocation(program, "picture"), 0);
    glUniform1i(glGetUniformLocation(program, "overlay"), 1);
    glUniform2fv(glGetUniformLocation(program, "frameOrigin"), 1, frameOrigin);
    glUniform2fv(glGetUniformLocation(program, "frameScale"), 1, frameScale);
    glUniform1f(glGetUniformLocation(program, "readBelow"), intoHistory ? 1.0f : 0.0f);
    glUniform1f(glGetUniformLocation(program, "share"), intoHistory ? share : 1.0f);
    GLint overlayOnly = glGetUniformLocation(program, "overlayOnly");
    glColor4f(1.0f, 1.0f, 1.0f, finalAlpha);
    if (finalText) {
        glUniform1f(overlayOnly, 1.0f);
        glDepthMask(GL_FALSE);
        glDepthFunc(GL_GEQUAL);
        passQuad(0.0f, finalLattice);
        glDepthFunc(GL_LESS);
        glDepthMask(GL_TRUE);
    }
    glUniform1f(overlayOnly, 0.0f);
    passQuad(0.0f, finalLattice);
    glUseProgram(0);
    if (intoHistory) {
        glColor4f(0.0f, 0.0f, 0.0f, share);
        passBands(0.0f);
    }
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, 0);
    glActiveTexture(GL_TEXTURE0);
}

void scene6_block(const SceneFrame *frame)
{
    float t = frame->t;
    float W = frame->W;
    float H = frame->H;

    /* Per-frame values. */
    float terrainTimer = 50.0f * t;
    ship_pos[0] = 0.0f;
    ship_pos[1] = 12.0f;
    ship_pos[2] = 0.0f;
    Scene6Lattice lattice = scene6_lattice(t);
    float messageX = 0.0f;
    const char *message = scene6_message(t, &messageX);

    /* Flight picture. */
    glPushMatrix();
    unsigned int flightTexture = tvx_enableFBO(FBO[0], gColor, gColor, gColor);
    gColor = 0.0f;
    glPushMatrix();                                   /* view frame */
    glRotatef(63.0f, 1.0f, 0.0f, 0.0f);
    glRotatef(160.0f, 0.0f, 1.0f, 0.0f);
    glPushMatrix();                                   /* terrain group */
    cubes_drawRibbon(t, cubes_ribbonLattice);
    flight_drawTerrain(scene6_procShader, terrainTimer);
    glPopMatrix();
    flight_drawShip(scene6_shipShader, terrainTimer, ship_pos, t);
    glPopMatrix();
    drawWarning(t);
    /* the lattice's target follows: the window is cleared for the final frame */
    tvx_leaveFBO(W, H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);
    glPopMatrix();

    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    /* Lattice of monitors: each row (one y) is turned by 10 y degrees about
     * the vertical axis, so the rows fan around it. */
    unsigned int latticeTexture = passTarget(FBO[1]);
    glScalef(0.1f, 0.1f, 0.1f);
    if (lattice.translates)
        glTranslatef(0.0f, 0.0f, lattice.z);
    if (lattice.turns)
        glRotatef(lattice.angle, 0.0f, 1.0f, 0.1f);
    glPushMatrix();
    /* the light, set up once a frame; each monitor's list switches it on */
    tvx_setLight0(1);
    tvx_setLight0(0);
    int shown = findShownMonitors();
    for (int i = 0; i < shown; i++) {
        placeMonitor(i);
        glCallList(screen_model_list);
        glPopMatrix();
    }
    drawMonitorPictures(shown, flightTexture);
    glPopMatrix();
    tvx_disableFBO(W, H, 0.1f * gColor, 0.1f * gColor, 0.1f * gColor);

    /* Final frame: the typewriter, the lattice and the overlay, all with the
     * fading colour. */
    finalAlpha = scene6_finalAlpha(t);
    glColor4f(1.0f, 1.0f, 1.0f, finalAlpha);
    glPushMatrix();
    glScalef(0.2f, 0.2f, 0.2f);
    if (message != NULL)
        tvx_typeWriterText(message, messageX, 0.0f, 0.0f);
    glPopMatrix();
    finalLattice = latticeTexture;
    finalText = message != NULL;
    if (tvx_ownProgram(compositeProgram) != 0 && bakeOverlay()) {
        sceneFinal(drawComposite);
    } else {
        /* without the program, the two quads one after the other */
        passQuad(0.0f, latticeTexture);
        tvx_draw2DTexture(0.0f, 0.0f, OVERLAY_Z, OVERLAY_HALF_WIDTH, OVERLAY_HALF_HEIGHT,
                          scene6_overlay);
    }
}
