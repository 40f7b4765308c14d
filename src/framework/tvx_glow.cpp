/*
 * tvx_glow.cpp - the glow of the bloom pass, worked out at a quarter of the
 * picture's size.
 *
 * A glow is low-frequency, so the halo the bloom pass adds around the bright
 * parts of a picture does not need the picture's resolution: two steps of
 * programs the framework keeps beside the shader table draw it into render
 * targets of its own a quarter of the picture's size, and the bloom shader
 * reads it back with one filtered fetch per pixel instead of two dozen taps.
 * The first step keeps what is brighter than the threshold, each texel the
 * mean of the 4 x 4 pixels it covers (data/shader/glow_bright.frag); the
 * second spreads it over the halo's taps (data/shader/glow_spread.frag).
 * Depends on: OpenGL through GLEW (framebuffer objects, GLSL), the shader
 * table's own programs (tvx_shader.cpp).
 */
#include "tvx.h"

#include <GL/glew.h>

/* ---- State ----------------------------------------------------------------- */

static int brightProgram = -1;       /* the framework's own programs */
static int spreadProgram = -1;
static GLuint brightTexture = 0;     /* the bright parts, a quarter of the size */
static GLuint brightFramebuffer = 0;
static GLuint glowTexture = 0;       /* the halo, as large */
static GLuint glowFramebuffer = 0;
static int glowWidth = 0;
static int glowHeight = 0;

/* ---- Internal helpers ------------------------------------------------------ */

static void makeTarget(GLuint *texture, GLuint *framebuffer, int width, int height)
{
    if (*texture == 0) {
        glGenTextures(1, texture);
        glGenFramebuffers(1, framebuffer);
    }
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, *framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
}

/* Targets a quarter of a width x height picture's sides, rounded up. */
static void fitTargets(int width, int height)
{
    int w = (width + 3) / 4, h = (height + 3) / 4;
    if (w == glowWidth && h == glowHeight)
        return;
    makeTarget(&brightTexture, &brightFramebuffer, w, h);
    makeTarget(&glowTexture, &glowFramebuffer, w, h);
    glowWidth = w;
    glowHeight = h;
}

/* One step: the program over the whole of a target, reading source on
 * texture unit 0 through the sampler of the given name. */
static void drawStep(int handle, GLuint framebuffer, GLuint source, const char *sampler)
{
    GLuint program = tvx_ownProgram(handle);
    glUseProgram(program);
    glUniform1i(glGetUniformLocation(program, sampler), 0);
    glUniform2f(glGetUniformLocation(program, "texel"), 1.0f / (float)glowWidth,
                1.0f / (float)glowHeight);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glBindTexture(GL_TEXTURE_2D, source);
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_loadGlow(void)
{
    if (brightProgram >= 0)
        return;
    brightProgram = tvx_loadOwnShader("data/shader/glow.vert", "data/shader/glow_bright.frag");
    spreadProgram = tvx_loadOwnShader("data/shader/glow.vert", "data/shader/glow_spread.frag");
}

void tvx_makeGlow(unsigned int texture)
{
    tvx_loadGlow();
    GLint width = 0, height = 0, drawFramebuffer = 0, readFramebuffer = 0, program = 0;
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &drawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &readFramebuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT |
                 GL_POLYGON_BIT | GL_TEXTURE_BIT);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width > 0 && height > 0) {
        fitTargets(width, height);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDisable(GL_SCISSOR_TEST);
        glDisable(GL_CULL_FACE);
        glDisable(GL_ALPHA_TEST);
        glDisable(GL_STENCIL_TEST);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glViewport(0, 0, glowWidth, glowHeight);
        drawStep(brightProgram, brightFramebuffer, texture, "picture");
        drawStep(spreadProgram, glowFramebuffer, brightTexture, "bright");
    }
    glPopAttrib();   /* also the texture bound on unit 0 */
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, (GLuint)drawFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, (GLuint)readFramebuffer);
    glUseProgram((GLuint)program);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, glowTexture);
    glActiveTexture(GL_TEXTURE0);
}
