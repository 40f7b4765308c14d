/*
 * timeline.cpp - drawScene, the frame driver of the demo: frame start, the
 * staged loader behind the red loading bar, the switch to playing, the block
 * of the scene that plays followed by the scene-end rules, and the frame end
 * (pause read-out, motion blur, buffer swap). Also the table of the demo's
 * scenes, the timeline's shared state, what the viewer controls ask of the
 * timeline (the scene that plays, where a scene jump lands) and the drawing
 * every scene shares: the pass target and quad, pass programs and their
 * variants, the one way a model is drawn.
 * Depends on: the tvx framework (clock, music, render targets, shaders,
 * quads, text, the demo's end), OpenGL through GLEW, the scene files and the
 * shared passes (their loading).
 */
#include "timeline.h"

#include <math.h>     /* powf, ceil, floor */
#include <stdio.h>
#include <stdlib.h>   /* exit */

#include <GL/glew.h>

#include "scene_bloom.h"
#include "scene_planets.h"
#include "scene_sepia.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

/* The demo's scenes. First each scene's entry points, defined in its file
 * (sceneN_name.cpp), a line a scene. */
void scene0_load(void), scene0_block(const SceneFrame *frame);
void scene1_load(void), scene1_firstFrame(void), scene1_block(const SceneFrame *frame);
void scene2_load(void), scene2_firstFrame(void), scene2_block(const SceneFrame *frame);
void scene3_load(void), scene3_firstFrame(void), scene3_block(const SceneFrame *frame);
void scene4_load(void), scene4_firstFrame(void), scene4_block(const SceneFrame *frame);
void scene5_load(void), scene5_block(const SceneFrame *frame);
void scene6_load(void), scene6_firstFrame(void), scene6_block(const SceneFrame *frame);
void scene7_load(void), scene7_block(const SceneFrame *frame);
void scene8_load(void), scene8_block(const SceneFrame *frame);
void scene9_load(void), scene9_block(const SceneFrame *frame);

/* In playing order: name, duration in s, block, share of the first loading
 * frame, first-frame set-up. The loads run in this order, so the ids of
 * shaders and render targets follow the loading order. */
const SceneRecord demoScenes[] = {
    {"title card", 14.0f, scene0_block, scene0_load, nullptr},
    {"photo carousel", 126.5f, scene1_block, scene1_load, scene1_firstFrame},
    {"asteroid field", 14.0f, scene2_block, scene2_load, scene2_firstFrame},
    {"credits", 23.0f, scene3_block, scene3_load, scene3_firstFrame},
    {"cockpit", 40.0f, scene4_block, scene4_load, scene4_firstFrame},
    {"terrain flight", 30.0f, scene5_block, scene5_load, nullptr},
    {"monitor lattice", 30.2f, scene6_block, scene6_load, scene6_firstFrame},
    {"exploding planet", 24.0f, scene7_block, scene7_load, nullptr},
    {"end scroller", 55.0f, scene8_block, scene8_load, nullptr},
    {"fade-out", 10.0f, scene9_block, scene9_load, nullptr},
};
const int demoSceneCount = sizeof(demoScenes) / sizeof(demoScenes[0]);

int queue = -1;
float sceneTime[SCENE_SLOTS];
float loadingTime = 0.0f;
float gColor = 0.0f;
float mblur = 0.0f;
int FBO[6];

static const SceneRecord *scenes = demoScenes;   /* the table played */
static int sceneCount = demoSceneCount;
static int setUp[SCENE_SLOTS];    /* 1 once a scene's first-frame set-up has run */

static int loaded = 0;            /* 1 once the switch to playing has happened */
static int l_texture = 0;         /* stage counters of the staged loader, */
static int l_shader = 0;          /* each tested and then incremented in */
static int l_models = 0;          /* every loading frame that reaches it */
static int l_music = 0;
static int l_fbo = 0;
static float progress = 0.0f;     /* length of the loading bar in modelview units */
static int songStartPosition = 0; /* music position in ms when starting past scene 0 */

/* A scene's last draw (sceneFinal), made at the frame's end with the
 * model-view matrix of then; for passFinal, its pass's screen quad. */
static FinalDraw finalDraw = nullptr;
static float finalModelview[16];
static float finalZ = 0.0f;
static unsigned int finalTexture = 0;

/* The screen quad of a pass is wider than the view, so only the middle of
 * its picture's width ever reaches the screen: half the view's width at the
 * quad's depth (50, with the projection's 45 degrees and 16:9) over the
 * quad's half-width. The taps of the bloom pass and the tears of the sepia
 * pass read up to this far beyond it, in texture coordinates. */
static const double PASS_VIEW_HALF_WIDTH = 50.0 * 0.41421356237 * 16.0 / 9.0;
static const double PASS_READ_MARGIN = 0.025;

/* ---- Internal helpers ------------------------------------------------------ */

/* Scene time of the current scene: demo time in s minus loadingTime. */
static float sceneClock(void)
{
    return tvx_Get(5) / 1000.0f - loadingTime;
}

/* The switch to playing: start scene, durations, music, start-scene seek. */
static void startPlaying(void)
{
    float start = tvx_Get(4);
    if (start >= 0.0f && start < (float)sceneCount) {
        queue = (int)start;
    } else {
        printf("[/] Start scene %.0f does not exist: the scenes are 0 to %d; starting at scene 0\n",
               start, sceneCount - 1);
        queue = 0;
    }
    loaded += 1;
    for (int i = 0; i < sceneCount; i++)
        if (sceneTime[i] != 0.0f)
            tvx_setDemoLength(sceneTime[i]);
    tvx_startMusic();
    if (queue > 0) {
        printf("## got queue %d\n", queue);
        songStartPosition = 0;
        for (int i = 0; i < queue; i++)
            songStartPosition += (int)sceneTime[i] * 1000;
        printf("song start pos = %d\n", songStartPosition);
        tvx_skipTo(songStartPosition);
        loadingTime = (float)(songStartPosition / 1000);
    }
}

/* The first loading frame's work: every scene's durations and assets, in
 * the table's order. */
static void loadScenes(void)
{
    for (int k = 0; k < sceneCount; k++) {
        sceneTime[k] = scenes[k].duration;
        if (scenes[k].load != nullptr)
            scenes[k].load();
    }
}

/* One loading frame: the stage of this frame, the bar, and the switch to
 * playing once the bar is full. The bar advances per frame, never per unit of
 * time, so the switch comes in a frame that depends on W only. */
static void loadingFrame(void)
{
    float W = tvx_Get(1);
    float H = tvx_Get(2);
    float fullLength = W / 34.0f * 2.0f;
    float stageStep = fullLength / 6.0f;

    if (l_texture++ == 0) {
        loadScenes();
        progress += stageStep;
    } else if (l_shader++ == 0) {
        /* the programs the passes keep beside the table, and the surfaces
         * baked once */
        tvx_loadGlow();
        sepia_loadVariants();
        bloom_loadVariant();
        planets_load();
        progress += stageStep;
    } else if (l_models++ == 0) {
        progress += stageStep;
    } else if (l_music++ == 0) {
        tvx_loadMusic("data/test.mp3");
        progress += stageStep;
    } else if (l_fbo++ == 0) {
        FBO[0] = tvx_loadFBO((int)W, (int)H);
        FBO[1] = tvx_loadFBO((int)W, (int)H);
        progress += stageStep;
    }

    if (fullLength > progress)
        progress += 0.2f;

    glColor4f(1.0f, 0.0f, 0.0f, 1.0f);
    mblur = 0.0f;
    float left = -W / 34.0f;
    glBegin(GL_TRIANGLE_STRIP);
    for (float x = left; x < left + progress; x += 0.1f) {
        glVertex3f(x, 0.5f, 0.0f);
        glVertex3f(x, -0.5f, 0.0f);
    }
    glEnd();

    if (progress > fullLength)
        startPlaying();
}

/* The weight of the history in this frame's motion blur: mblur per 25 ms
 * frame, so a frame of another length on the frame clock keeps mblur to
 * the power of its length in timer periods and the trails fade as fast. */
static float blurHistoryWeight(void)
{
    return powf(mblur, tvx_framePeriods());
}

/* Draws one group of a model on its own, its material handed over first as
 * current vertex attributes, which a shader sees for every vertex of the
 * run: the model library sets materials inside its glBegin/glEnd runs,
 * where they reach the fixed pipeline but not the material state a shader
 * reads. */
static void drawGroup(GlmModel *model, GlmGroup *group, const GlmMaterial *m)
{
    if (m != NULL) {
        glColor4fv(m->diffuse);
        glSecondaryColor3fv(m->ambient);
        glMultiTexCoord4f(GL_TEXTURE1, m->specular[0], m->specular[1], m->specular[2], m->shininess);
    }
    GlmGroup only = *group;
    only.next = NULL;
    GlmModel part = *model;
    part.groups = &only;
    part.numgroups = 1;
    glmDraw(&part, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
}

/* The scene-end rules of scene k for its scene time t, after its block:
 * past its duration the timeline moves on to scene k + 1 (past the last
 * scene the demo ends); below -3 s it moves back to scene k - 1 (not from
 * scene 0). */
static void sceneEnd(int k, float t)
{
    if (t > sceneTime[k]) {
        if (k == sceneCount - 1)
            tvx_demoEnd();
        queue = k + 1;
        loadingTime += sceneTime[k];
    }
    if (k > 0 && t < -3.0f) {
        queue = k - 1;
        loadingTime -= sceneTime[k - 1];
    }
}

/* A pending last draw, with the share of the frame it is weighed by (0
 * where it is drawn as usual). */
static void drawFinal(float share)
{
    if (finalDraw == nullptr)
        return;
    FinalDraw draw = finalDraw;
    finalDraw = nullptr;
    glPushMatrix();
    glLoadMatrixf(finalModelview);
    draw(share);
    glPopMatrix();
}

/* A pending last draw at the frame's end: straight into the motion blur's
 * history where the frame is blurred that way, else as usual. */
static void blendFinal(float weight)
{
    if (finalDraw == nullptr)
        return;
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_CURRENT_BIT | GL_DEPTH_BUFFER_BIT);
    drawFinal(tvx_historyDraw(weight));
    glPopAttrib();
}

static void drawPassFinal(float share)
{
    glColor4f(1.0f, 1.0f, 1.0f, share > 0.0f ? share : 1.0f);
    passQuad(finalZ, finalTexture);
    if (share > 0.0f) {
        glColor4f(0.0f, 0.0f, 0.0f, share);
        passBands(finalZ);
    }
}

/* One scene's frame: the first-frame set-up in its first frame of the run,
 * its block for the scene time of this moment, then the scene-end rules. */
static void playScene(int k)
{
    SceneFrame frame = {&scenes[k], k, sceneClock(), tvx_Get(1), tvx_Get(2)};
    gColor = 0.0f;
    if (setUp[k] == 0) {
        setUp[k] = 1;
        if (scenes[k].firstFrame != nullptr)
            scenes[k].firstFrame();
    }
    scenes[k].block(&frame);
    sceneEnd(k, frame.t);
}

/* ---- Public functions ------------------------------------------------------ */

void setSceneTable(const SceneRecord *table, int count)
{
    if (count < 1 || count > SCENE_SLOTS) {
        printf("[!] A scene table holds 1 to %d scenes, not %d\n", SCENE_SLOTS, count);
        exit(-1);
    }
    for (int k = 0; k < count; k++) {
        if (table[k].name == nullptr || !(table[k].duration > 0.0f) || table[k].block == nullptr) {
            printf("[!] Scene %d of the table needs a name, a duration above 0 and a block\n", k);
            exit(-1);
        }
    }
    scenes = table;
    sceneCount = count;
}

int sceneTableCount(void)
{
    return sceneCount;
}

unsigned int tableProgram(int shader)
{
    tvx_enableShader(shader);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return (unsigned int)program;
}

float uniformOf(unsigned int program, const char *name)
{
    float value = 0.0f;
    glGetUniformfv(program, glGetUniformLocation(program, name), &value);
    return value;
}

void mirrorUniforms(unsigned int from, int variant, const char *const names[], int count)
{
    GLuint to = tvx_ownProgram(variant);
    if (to == 0)
        return;
    glUseProgram(to);
    for (int k = 0; k < count; k++)
        glUniform1f(glGetUniformLocation(to, names[k]), uniformOf(from, names[k]));
}

unsigned int passTarget(int target)
{
    unsigned int texture = tvx_enableFBO(target, gColor, gColor, gColor);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    double shown = 0.5 * PASS_VIEW_HALF_WIDTH / PASS_HALF_WIDTH + PASS_READ_MARGIN;
    int left = (int)floor((0.5 - shown) * viewport[2]);
    int right = (int)ceil((0.5 + shown) * viewport[2]);
    if (left > 0) {
        glScissor(left, 0, right - left, viewport[3]);
        glEnable(GL_SCISSOR_TEST);
    }
    return texture;
}

void passQuad(float z, unsigned int texture)
{
    tvx_draw2DTexture(0.0f, 0.0f, z, PASS_HALF_WIDTH, PASS_HALF_HEIGHT, texture);
}

void passBands(float z)
{
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(0.0f, 0.0f, z);
    glBegin(GL_QUADS);
    for (float side = -1.0f; side <= 1.0f; side += 2.0f) {
        glVertex2f(-PASS_HALF_WIDTH, side * PASS_HALF_HEIGHT);
        glVertex2f(PASS_HALF_WIDTH, side * PASS_HALF_HEIGHT);
        glVertex2f(PASS_HALF_WIDTH, side * 2.0f * PASS_HALF_HEIGHT);
        glVertex2f(-PASS_HALF_WIDTH, side * 2.0f * PASS_HALF_HEIGHT);
    }
    glEnd();
    glPopMatrix();
}

int opaqueBegin(void)
{
    int blending = glIsEnabled(GL_BLEND);
    glDisable(GL_BLEND);
    return blending;
}

void opaqueEnd(int blending)
{
    if (blending)
        glEnable(GL_BLEND);
}

void sceneFinal(FinalDraw draw)
{
    glGetFloatv(GL_MODELVIEW_MATRIX, finalModelview);
    finalDraw = draw;
}

void passFinal(float z, unsigned int texture)
{
    finalZ = z;
    finalTexture = texture;
    sceneFinal(drawPassFinal);
}

void drawModel(GlmModel *model)
{
    if (model->materials == NULL || model->nummaterials == 0) {
        glmDraw(model, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
    } else {
        /* group by group, opaque groups first and see-through ones after,
         * as the whole model would be; colour material off first, or the
         * colours handed over would change the materials, and the caller's
         * current colour kept */
        glPushAttrib(GL_CURRENT_BIT);
        glDisable(GL_COLOR_MATERIAL);
        for (int pass = 0; pass < 2; pass++) {
            for (GlmGroup *g = model->groups; g != NULL; g = g->next) {
                const GlmMaterial *m = g->material < model->nummaterials ? &model->materials[g->material] : NULL;
                int seeThrough = m != NULL && m->diffuse[3] < 1.0f;
                if (seeThrough == pass)
                    drawGroup(model, g, m);
            }
        }
        glPopAttrib();
    }
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void drawModelCompiled(GlmModel *model, unsigned int *list)
{
    if (*list == 0) {
        *list = glGenLists(1);
        glNewList(*list, GL_COMPILE);
        drawModel(model);
        glEndList();
    }
    glCallList(*list);
}

int sceneInfo(const char **name, float *sceneSeconds)
{
    if (queue < 0 || queue >= sceneCount) {
        *name = "loading";
        *sceneSeconds = 0.0f;
        return -1;
    }
    *name = scenes[queue].name;
    *sceneSeconds = sceneClock();
    return queue;
}

int sceneJump(int direction)
{
    if (queue < 0 || queue >= sceneCount)
        return -1;
    if (direction == 0) {
        /* The demo's start is scene 0 at scene time 0, also when rewinds
         * from a later start scene (whose start was summed from whole
         * seconds) have left loadingTime off zero. */
        queue = 0;
        loadingTime = 0.0f;
        return 0;
    }
    if (direction > 0 && queue == sceneCount - 1)
        return -1;
    double start = direction > 0 ? (double)loadingTime + sceneTime[queue]
                 : queue > 0 ? (double)loadingTime - sceneTime[queue - 1] : 0.0;
    /* One millisecond past the start: the advance rule wants the scene time
     * strictly beyond the duration, and float rounding must not leave the
     * clock a hair short of the border. */
    return (int)ceil(start * 1000.0) + 1;
}

void drawScene(void)
{
    tvx_beginFrame();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearAccum(0.0f, 0.0f, 0.0f, 1.0f);
    glClearColor(gColor, gColor, gColor, gColor);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);

    if (loaded == 0)
        loadingFrame();

    /* Not exclusive: a scene that advances queue is followed in the same
     * frame by the next scene, which draws over it. */
    for (int k = 0; k < sceneCount; k++) {
        if (queue == k) {
            drawFinal(0.0f);
            playScene(k);
        }
    }

    float weight = blurHistoryWeight();
    if (tvx_Get(6) != 0.0f) {
        drawFinal(0.0f);
        glColor3f(1.0f, 0.0f, 0.0f);
        tvx_infoText();
    }
    blendFinal(weight);
    tvx_motionBlur(weight);
    tvx_swapBuffers();
}
