/*
 * scene_sepia.cpp - the sepia pass and the variants of its program (see
 * scene_sepia.h).
 *
 * Depends on: OpenGL through GLEW (the variants' uniforms), the tvx
 * framework (shader table, programs beside it, noise), the timeline (the
 * screen quad of a pass, the handing on of uniforms to a variant).
 */
#include "scene_sepia.h"

#include <GL/glew.h>

#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static int plasterProgram = -1;   /* handles of the variants beside the table */
static int quietProgram = -1;

static const char *const UNIFORMS[] = {"timer", "noise", "staticNoiseAmmount", "fadeLevel"};
static const int UNIFORM_COUNT = sizeof(UNIFORMS) / sizeof(UNIFORMS[0]);

/* ---- Public functions ------------------------------------------------------ */

int sepia_load(void)
{
    return tvx_loadShader(nullptr, "data/shader/sepia.frag");
}

void sepia_loadVariants(void)
{
    plasterProgram = tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "PLASTER");
    quietProgram = tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "QUIET");
}

void sepia_pass(int shader, unsigned int texture, float z, float t, const float *noise,
                float staticNoise, float fadeLevel)
{
    tvx_enableShader(shader);
    tvx_shader_sendUniformValue(shader, "timer", &t, 1);
    if (noise)
        tvx_shader_sendUniformValue(shader, "noise", noise, 1);
    tvx_shader_sendUniformValue(shader, "staticNoiseAmmount", &staticNoise, 1);
    tvx_shader_sendUniformValue(shader, "fadeLevel", &fadeLevel, 1);
    sepia_shader(shader);
    passQuad(z, texture);
    tvx_disableShader();
}

float sepia_flicker(float t)
{
    return tvx_perlin2DNoise(t, 0.0f, 42);
}

void sepia_shader(int shader)
{
    unsigned int pass = tableProgram(shader);
    mirrorUniforms(pass, plasterProgram, UNIFORMS, UNIFORM_COUNT);
    if (uniformOf(pass, "staticNoiseAmmount") <= 0.0f && tvx_ownProgram(quietProgram) != 0)
        mirrorUniforms(pass, quietProgram, UNIFORMS, UNIFORM_COUNT);
    else
        glUseProgram(pass);
}

void sepia_plaster(void)
{
    glUseProgram(tvx_ownProgram(plasterProgram));
}
