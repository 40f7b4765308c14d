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
static int loudProgram = -1;
static int filmProgram = -1;      /* works out the frame's values */
static GLuint filmTexture = 0;    /* the frame's values: two float pixels */
static GLuint filmFramebuffer = 0;
static int filmUsable = 0;        /* the values' target is complete */
static int lastFaint = 0;         /* the last pass's static was faint */

/* The texture unit the variants read the frame's values from. */
static const int FILM_UNIT = 2;

/* Static at most this strong (the share of snow laid over the picture) is
 * faint: the quiet variant draws its average. */
static const float FAINT_STATIC = 0.01f;

static const char *const UNIFORMS[] = {"timer", "noise", "staticNoiseAmmount", "fadeLevel"};
static const int UNIFORM_COUNT = sizeof(UNIFORMS) / sizeof(UNIFORMS[0]);

/* ---- Internal helpers ------------------------------------------------------ */

/* The target of the frame's values: two pixels, at float precision so that
 * the scratches' places come through as they were worked out. */
static void makeFilmTarget(void)
{
    glGenTextures(1, &filmTexture);
    glBindTexture(GL_TEXTURE_2D, filmTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    /* until the first pass: a steady exposure, no scratches */
    static const float steady[8] = {0.95f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f};
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA32F_ARB, 2, 1, 0, GL_RGBA, GL_FLOAT, steady);
    glBindTexture(GL_TEXTURE_2D, 0);
    glGenFramebuffers(1, &filmFramebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, filmFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, filmTexture, 0);
    filmUsable = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

/* Works out the frame's values from the uniforms of table program `pass`
 * and leaves them on the film unit. 0 when there is nothing to read them
 * from, and the table's program must draw on its own. */
static int workOutFilm(unsigned int pass)
{
    if (!filmUsable || tvx_ownProgram(filmProgram) == 0)
        return 0;
    mirrorUniforms(pass, filmProgram, UNIFORMS, UNIFORM_COUNT);
    tvx_beginOwnStep(filmProgram);
    glViewport(0, 0, 2, 1);
    glBindFramebuffer(GL_FRAMEBUFFER, filmFramebuffer);
    tvx_ownStepQuad();
    tvx_endOwnStep();
    glActiveTexture(GL_TEXTURE0 + FILM_UNIT);
    glBindTexture(GL_TEXTURE_2D, filmTexture);
    glActiveTexture(GL_TEXTURE0);
    return 1;
}

/* Makes variant `handle` draw what `pass` would; 0 when it cannot. */
static int useVariant(unsigned int pass, int handle)
{
    GLuint program = tvx_ownProgram(handle);
    if (program == 0)
        return 0;
    mirrorUniforms(pass, handle, UNIFORMS, UNIFORM_COUNT);
    glUniform1i(glGetUniformLocation(program, "film"), FILM_UNIT);
    return 1;
}

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
    loudProgram = tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "LOUD");
    filmProgram = tvx_loadOwnShader("data/shader/quad.vert", "data/shader/sepia.frag",
                                    "FILM_FRAME");
    makeFilmTarget();
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
    if (!workOutFilm(pass))
        return;
    useVariant(pass, plasterProgram);
    useVariant(pass, plasterQuietProgram);
    int faint = sepia_faintStatic(uniformOf(pass, "staticNoiseAmmount"), uniformOf(pass, "timer"));
    lastFaint = faint;
    if (!useVariant(pass, faint ? quietProgram : loudProgram))
        glUseProgram(pass);
}

void sepia_plaster(void)
{
    GLuint quiet = tvx_ownProgram(plasterQuietProgram);
    GLuint program = !filmUsable ? 0 : lastFaint && quiet != 0 ? quiet : tvx_ownProgram(plasterProgram);
    glUseProgram(program);
    if (program != 0) {
        glActiveTexture(GL_TEXTURE0 + FILM_UNIT);
        glBindTexture(GL_TEXTURE_2D, filmTexture);
        glActiveTexture(GL_TEXTURE0);
    }
}
