/*
 * tvx_glow.cpp - the halo of the bloom pass, worked out at a reduced size.
 *
 * A glow is low-frequency, so the halo the bloom pass adds around the bright
 * parts of a picture does not need the picture's resolution: a program the
 * framework keeps beside the shader table (data/shader/glow.frag) works it
 * out, exactly as at full size, at every second or fourth pixel into a
 * render target of its own, and the bloom shader reads it back between them
 * with one filtered fetch per pixel instead of two dozen taps. A picture
 * 1024 pixels wide or more is reduced to a quarter of its sides, one of 512
 * or more to a half, and a smaller one keeps its size: the halo's taps reach
 * only a few pixels there.
 * Depends on: OpenGL through GLEW (framebuffer objects, GLSL), the shader
 * table's own programs (tvx_shader.cpp).
 */
#include "tvx.h"

#include <GL/glew.h>

/* ---- State ----------------------------------------------------------------- */

static int glowProgram = -1;         /* the framework's own program */
static GLuint glowTexture = 0;       /* the halo, at the reduced size */
static GLuint glowFramebuffer = 0;
static int glowWidth = 0;
static int glowHeight = 0;

/* ---- Internal helpers ------------------------------------------------------ */

/* The target at the reduced size of a width x height picture, rounded up. */
static void fitTarget(int width, int height)
{
    int step = width >= 1024 ? 4 : width >= 512 ? 2 : 1;
    int w = (width + step - 1) / step, h = (height + step - 1) / step;
    if (w == glowWidth && h == glowHeight)
        return;
    if (glowTexture == 0) {
        glGenTextures(1, &glowTexture);
        glGenFramebuffers(1, &glowFramebuffer);
    }
    glBindTexture(GL_TEXTURE_2D, glowTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindFramebuffer(GL_FRAMEBUFFER, glowFramebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, glowTexture, 0);
    glowWidth = w;
    glowHeight = h;
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_loadGlow(void)
{
    if (glowProgram < 0)
        glowProgram = tvx_loadOwnShader("data/shader/quad.vert", "data/shader/glow.frag", nullptr);
}

void tvx_makeGlow(unsigned int texture)
{
    tvx_loadGlow();
    GLuint glow = tvx_beginOwnStep(glowProgram);
    GLint width = 0, height = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &height);
    if (width > 0 && height > 0) {
        fitTarget(width, height);
        glViewport(0, 0, glowWidth, glowHeight);
        glUniform1i(glGetUniformLocation(glow, "picture"), 0);
        glBindFramebuffer(GL_FRAMEBUFFER, glowFramebuffer);
        glBindTexture(GL_TEXTURE_2D, texture);
        tvx_ownStepQuad();
    }
    tvx_endOwnStep();   /* also unit 0's texture */
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, glowTexture);
    glActiveTexture(GL_TEXTURE0);
}
