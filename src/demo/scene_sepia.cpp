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
static int plasterQuietProgram = -1;
static int quietProgram = -1;
static int lastFaint = 0;         /* the last pass's static was faint */

/* Static at most this strong (the share of snow laid over the picture) is
 * faint: the quiet variants draw its average. */
static const float FAINT_STATIC = 0.01f;

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
    plasterQuietProgram = tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "PLASTER_QUIET");
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

int sepia_faintStatic(float staticNoise, float t)
{
    float burst = staticNoise < 0.0f ? 0.0f : staticNoise > 1.5f ? 1.5f : staticNoise;
    float shown = burst * burst * 0.55f;
    return shown == 0.0f || (shown <= FAINT_STATIC && t >= 1.0f);
}

void sepia_shader(int shader)
{
    unsigned int pass = tableProgram(shader);
    mirrorUniforms(pass, plasterProgram, UNIFORMS, UNIFORM_COUNT);
    mirrorUniforms(pass, plasterQuietProgram, UNIFORMS, UNIFORM_COUNT);
    lastFaint = sepia_faintStatic(uniformOf(pass, "staticNoiseAmmount"), uniformOf(pass, "timer"));
    if (lastFaint && tvx_ownProgram(quietProgram) != 0)
        mirrorUniforms(pass, quietProgram, UNIFORMS, UNIFORM_COUNT);
    else
        glUseProgram(pass);
}

void sepia_plaster(void)
{
    GLuint quiet = tvx_ownProgram(plasterQuietProgram);
    glUseProgram(lastFaint && quiet != 0 ? quiet : tvx_ownProgram(plasterProgram));
}
