/*
 * tvx_bake.cpp - procedural surfaces baked once into cube maps.
 *
 * A surface that a shader would otherwise work out from dozens of hashes in
 * every pixel of every frame (the planet's continents and clouds) is drawn
 * once, while the demo loads, into a cube map by a program the framework
 * keeps beside the shader table; the drawing then costs a texture fetch.
 * The cube map is drawn face by face: the program gets the direction of the
 * face's centre ("faceOut") and of its texture axes ("faceRight",
 * "faceUp"), and "st" from 0 to 1 across the face (data/shader/quad.vert).
 * After F5 reloads the shaders, the surfaces are baked again from their
 * programs.
 * Depends on: OpenGL through GLEW (framebuffer objects, cube maps), the
 * shader table's own programs (tvx_shader.cpp).
 */
#include "tvx.h"

#include <GL/glew.h>

#include <stdio.h>
#include <stdlib.h>

/* ---- State ----------------------------------------------------------------- */

#define BAKES 8

struct Bake {
    int program;              /* the framework's own program that draws it */
    unsigned int texture;     /* the cube map */
    int size;                 /* pixels a side of every face */
};

static struct Bake bakes[BAKES];
static int bakeCount = 0;

/* Where each face of a cube map looks, in the order of the faces' targets
 * (+x, -x, +y, -y, +z, -z): its centre, then the directions in which its
 * texture's s and t grow. */
static const float FACES[6][3][3] = {
    {{1, 0, 0}, {0, 0, -1}, {0, -1, 0}},
    {{-1, 0, 0}, {0, 0, 1}, {0, -1, 0}},
    {{0, 1, 0}, {1, 0, 0}, {0, 0, 1}},
    {{0, -1, 0}, {1, 0, 0}, {0, 0, -1}},
    {{0, 0, 1}, {1, 0, 0}, {0, -1, 0}},
    {{0, 0, -1}, {-1, 0, 0}, {0, -1, 0}},
};

/* ---- Internal helpers ------------------------------------------------------ */

/* Draws every face of a bake's cube map with its program. */
static void drawCube(const struct Bake *bake)
{
    GLuint drawing = tvx_beginOwnStep(bake->program);
    glViewport(0, 0, bake->size, bake->size);
    GLuint framebuffer = 0;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    for (int face = 0; face < 6; face++) {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                               GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, bake->texture, 0);
        glUniform3fv(glGetUniformLocation(drawing, "faceOut"), 1, FACES[face][0]);
        glUniform3fv(glGetUniformLocation(drawing, "faceRight"), 1, FACES[face][1]);
        glUniform3fv(glGetUniformLocation(drawing, "faceUp"), 1, FACES[face][2]);
        tvx_ownStepQuad();
    }
    tvx_endOwnStep();
    glDeleteFramebuffers(1, &framebuffer);
}

/* ---- Public functions ------------------------------------------------------ */

unsigned int tvx_bakeCubeMap(const char *fragmentPath, int size)
{
    if (bakeCount == BAKES) {
        printf("[!] The framework cannot bake another surface (%s)\n", fragmentPath);
        exit(-1);
    }
    struct Bake *bake = &bakes[bakeCount++];
    bake->program = tvx_loadOwnShader("data/shader/quad.vert", fragmentPath, nullptr);
    bake->size = size;
    glGenTextures(1, &bake->texture);
    glBindTexture(GL_TEXTURE_CUBE_MAP, bake->texture);
    for (int face = 0; face < 6; face++)
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA8, size, size, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glBindTexture(GL_TEXTURE_CUBE_MAP, 0);
    /* filtering across the edges of the faces, so they leave no seam */
    if (GLEW_VERSION_3_2 || GLEW_ARB_seamless_cube_map)
        glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);
    drawCube(bake);
    return bake->texture;
}

void tvx_rebakeSurfaces(void)
{
    for (int k = 0; k < bakeCount; k++)
        drawCube(&bakes[k]);
}
