/*
 * timeline.cpp - drawScene, the frame driver of the demo: frame start, the
 * staged loader behind the red loading bar, the switch to playing, the scene
 * blocks in index order and the frame end (pause read-out, motion blur,
 * buffer swap). Also the timeline's shared state and the helpers every scene
 * block uses: its scene clock, its scene-end rules, the sepia pass, the one
 * way a model is drawn, and what the viewer controls ask of the timeline
 * (the scene that plays, where a scene jump lands).
 * Depends on: the tvx framework (clock, music, render targets, shaders,
 * quads, text, the demo's end), OpenGL through GLEW, the scene files.
 */
#include "timeline.h"

#include <math.h>     /* powf, ceil, floor */
#include <stdio.h>

#include <GL/glew.h>

#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

int queue = -1;
float sceneTime[12];
float loadingTime = 0.0f;
float gColor = 0.0f;
float mblur = 0.0f;
int FBO[6];

static int loaded = 0;            /* 1 once the switch to playing has happened */
static int l_texture = 0;         /* stage counters of the staged loader, */
static int l_shader = 0;          /* each tested and then incremented in */
static int l_models = 0;          /* every loading frame that reaches it */
static int l_music = 0;
static int l_fbo = 0;
static float progress = 0.0f;     /* length of the loading bar in modelview units */
static int songStartPosition = 0; /* music position in ms when starting past scene 0 */
static unsigned int planetSurface = 0; /* the planet's surface, baked while loading */
/* Variants of the passes' programs kept beside the table, each for a case
 * where it draws what the table's program would for less: the sepia
 * shader for untextured geometry, and without static; the bloom shader
 * without noise. */
static int sepiaPlasterProgram = -1;
static int sepiaQuietProgram = -1;
static int bloomCleanProgram = -1;

static const char *const SEPIA_UNIFORMS[] = {"timer", "noise", "staticNoiseAmmount", "fadeLevel"};
static const char *const BLOOM_UNIFORMS[] = {"noiseLevel", "timer", "fadeLevel"};

/* Pixels a side of each face of the planet's baked surface: finer than the
 * planet ever shows on the screen. */
static const int PLANET_SURFACE_SIZE = 512;

/* The screen quad of a pass is wider than the view, so only the middle of
 * its picture's width ever reaches the screen: half the view's width at the
 * quad's depth (50, with the projection's 45 degrees and 16:9) over the
 * quad's half-width. The taps of the bloom pass and the tears of the sepia
 * pass read up to this far beyond it, in texture coordinates. */
static const double PASS_VIEW_HALF_WIDTH = 50.0 * 0.41421356237 * 16.0 / 9.0;
static const double PASS_READ_MARGIN = 0.025;

static void (*const sceneLoads[SCENE_COUNT])(void) = {
    scene0_load, scene1_load, scene2_load, scene3_load, scene4_load,
    scene5_load, scene6_load, scene7_load, scene8_load, scene9_load,
};

static void (*const sceneBlocks[SCENE_COUNT])(void) = {
    scene0_block, scene1_block, scene2_block, scene3_block, scene4_block,
    scene5_block, scene6_block, scene7_block, scene8_block, scene9_block,
};

static const char *const sceneNames[SCENE_COUNT] = {
    "title card", "photo carousel", "asteroid field", "credits", "cockpit",
    "terrain flight", "monitor lattice", "exploding planet", "end scroller", "fade-out",
};

/* ---- Internal helpers ------------------------------------------------------ */

/* The switch to playing: start scene, durations, music, start-scene seek. */
static void startPlaying(void)
{
    float start = tvx_Get(4);
    if (start >= 0.0f && start < (float)SCENE_COUNT) {
        queue = (int)start;
    } else {
        printf("[/] Start scene %.0f does not exist: the scenes are 0 to %d; starting at scene 0\n",
               start, SCENE_COUNT - 1);
        queue = 0;
    }
    loaded += 1;
    for (int i = 0; i < SCENE_COUNT; i++)
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
        for (int k = 0; k < SCENE_COUNT; k++)
            sceneLoads[k]();
        progress += stageStep;
    } else if (l_shader++ == 0) {
        /* the programs the passes keep beside the table, and the surfaces
         * baked once */
        tvx_loadGlow();
        sepiaPlasterProgram = tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "PLASTER");
        sepiaQuietProgram = tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "QUIET");
        bloomCleanProgram = tvx_loadOwnShader(nullptr, "data/shader/bloom.frag", "CLEAN");
        planetSurface = tvx_bakeCubeMap("data/shader/planet_surface.frag", PLANET_SURFACE_SIZE);
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

/* The value of a float uniform of a program. */
static float uniformOf(GLuint program, const char *name)
{
    float value = 0.0f;
    glGetUniformfv(program, glGetUniformLocation(program, name), &value);
    return value;
}

/* Hands the present values of a table program's uniforms to a variant of
 * it, which then draws what the program would (a uniform the timeline
 * never sent keeps the program's own value there too). */
static void mirrorUniforms(GLuint from, int variant, const char *const names[], int count)
{
    GLuint to = tvx_ownProgram(variant);
    if (to == 0)
        return;
    glUseProgram(to);
    for (int k = 0; k < count; k++)
        glUniform1f(glGetUniformLocation(to, names[k]), uniformOf(from, names[k]));
}

/* The table program of id shader, enabled; returns its GL name. */
static GLuint enableTableProgram(int shader)
{
    tvx_enableShader(shader);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return (GLuint)program;
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

/* ---- Public functions ------------------------------------------------------ */

float sceneClock(void)
{
    return tvx_Get(5) / 1000.0f - loadingTime;
}

void sceneEnd(int k, float t)
{
    if (t > sceneTime[k]) {
        if (k == SCENE_COUNT - 1)
            tvx_demoEnd();
        queue = k + 1;
        loadingTime += sceneTime[k];
    }
    if (k > 0 && t < -3.0f) {
        queue = k - 1;
        loadingTime -= sceneTime[k - 1];
    }
}

void sepiaPlaster(void)
{
    glUseProgram(tvx_ownProgram(sepiaPlasterProgram));
}

void sepiaShader(int shader)
{
    GLuint pass = enableTableProgram(shader);
    mirrorUniforms(pass, sepiaPlasterProgram, SEPIA_UNIFORMS, 4);
    if (uniformOf(pass, "staticNoiseAmmount") <= 0.0f && tvx_ownProgram(sepiaQuietProgram) != 0)
        mirrorUniforms(pass, sepiaQuietProgram, SEPIA_UNIFORMS, 4);
    else
        glUseProgram(pass);
}

void bloomShader(int shader)
{
    GLuint pass = enableTableProgram(shader);
    if (uniformOf(pass, "noiseLevel") <= 0.0f && tvx_ownProgram(bloomCleanProgram) != 0)
        mirrorUniforms(pass, bloomCleanProgram, BLOOM_UNIFORMS, 3);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUniform1i(glGetUniformLocation((GLuint)program, "glow"), 1);
}

void sepiaPass(int shader, unsigned int texture, float z, float t,
               const float *noise, float staticNoise, float fadeLevel)
{
    tvx_enableShader(shader);
    tvx_shader_sendUniformValue(shader, "timer", &t, 1);
    if (noise)
        tvx_shader_sendUniformValue(shader, "noise", noise, 1);
    tvx_shader_sendUniformValue(shader, "staticNoiseAmmount", &staticNoise, 1);
    tvx_shader_sendUniformValue(shader, "fadeLevel", &fadeLevel, 1);
    sepiaShader(shader);
    passQuad(z, texture);
    tvx_disableShader();
}

void planetShader(int shader)
{
    tvx_enableShader(shader);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_CUBE_MAP, planetSurface);
    glActiveTexture(GL_TEXTURE0);
    tvx_shader_sendSampler(shader, "surface", 2);
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
    if (queue < 0 || queue >= SCENE_COUNT) {
        *name = "loading";
        *sceneSeconds = 0.0f;
        return -1;
    }
    *name = sceneNames[queue];
    *sceneSeconds = sceneClock();
    return queue;
}

int sceneJump(int direction)
{
    if (queue < 0 || queue >= SCENE_COUNT)
        return -1;
    if (direction == 0) {
        /* The demo's start is scene 0 at scene time 0, also when rewinds
         * from a later start scene (whose start was summed from whole
         * seconds) have left loadingTime off zero. */
        queue = 0;
        loadingTime = 0.0f;
        return 0;
    }
    if (direction > 0 && queue == SCENE_COUNT - 1)
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

    /* Not exclusive: a block that advances queue is followed in the same
     * frame by the next scene's block, which draws over it. */
    for (int k = 0; k < SCENE_COUNT; k++)
        if (queue == k)
            sceneBlocks[k]();

    if (tvx_Get(6) != 0.0f) {
        glColor3f(1.0f, 0.0f, 0.0f);
        tvx_infoText();
    }
    tvx_motionBlur(blurHistoryWeight());
    tvx_swapBuffers();
}
