/*
 * scene_bloom.cpp - the bloom pass and the variant of its program (see
 * scene_bloom.h).
 *
 * Depends on: OpenGL through GLEW (the glow's sampler), the tvx framework
 * (shader table, programs beside it, the glow), the timeline (the screen
 * quad of a pass, the handing on of uniforms to a variant).
 */
#include "scene_bloom.h"

#include <GL/glew.h>

#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static int scene4_glowShader;       /* the pass's program in the table */
static int cleanProgram = -1;       /* handle of the variant without noise */

static const char *const UNIFORMS[] = {"noiseLevel", "timer", "fadeLevel"};
static const int UNIFORM_COUNT = sizeof(UNIFORMS) / sizeof(UNIFORMS[0]);

/* ---- Internal helpers ------------------------------------------------------ */

static void send(const char *name, float value)
{
    tvx_shader_sendUniformValue(scene4_glowShader, name, &value, 1);
}

/* The program, or without noise its variant, in use with the glow that
 * tvx_makeGlow left on texture unit 1. */
static void enableDrawing(void)
{
    unsigned int pass = tableProgram(scene4_glowShader);
    if (uniformOf(pass, "noiseLevel") <= 0.0f && tvx_ownProgram(cleanProgram) != 0)
        mirrorUniforms(pass, cleanProgram, UNIFORMS, UNIFORM_COUNT);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glUniform1i(glGetUniformLocation((GLuint)program, "glow"), 1);
}

/* ---- Public functions ------------------------------------------------------ */

void bloom_load(void)
{
    scene4_glowShader = tvx_loadShader(nullptr, "data/shader/bloom.frag");
}

void bloom_loadVariant(void)
{
    cleanProgram = tvx_loadOwnShader(nullptr, "data/shader/bloom.frag", "CLEAN");
}

void bloom_enable(unsigned int picture, float fadeLevel)
{
    tvx_makeGlow(picture);
    tvx_enableShader(scene4_glowShader);
    send("fadeLevel", fadeLevel);
    enableDrawing();
}

void bloom_pass(unsigned int picture, float noiseLevel, float t, float fadeLevel)
{
    tvx_makeGlow(picture);
    tvx_enableShader(scene4_glowShader);
    send("noiseLevel", noiseLevel);
    send("timer", t);
    send("fadeLevel", fadeLevel);
    enableDrawing();
    passQuad(0.0f, picture);
    tvx_disableShader();
}
