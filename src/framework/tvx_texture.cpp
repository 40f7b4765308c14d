/*
 * tvx_texture.cpp - image loaders and the textured screen quad.
 *
 * tvx_loadPNG and tvx_loadTGA turn the pictures that tvx_picture.cpp reads
 * into textures, refusing sizes this OpenGL cannot take, tvx_loadBlack makes
 * a black 512 x 512 texture, and tvx_draw2DTexture draws a texture on a
 * rectangle in front of the camera. Pixel rows are uploaded in file order, so a PNG's top row and a
 * bottom-up TGA's bottom row land at t = 0. Every loading failure prints one
 * tagged line and ends the process with status -1.
 * Depends on: OpenGL (through GLEW), GLU, tvx_picture.cpp, libc.
 */
#include "tvx.h"

#include <GL/glew.h>
#include <GL/glu.h> /* gluErrorString */

#include <stdio.h>
#include <stdlib.h>

/* ---- Internal helpers ----------------------------------------------------- */

/* The largest texture side this OpenGL takes. Without a context (nothing can
 * be uploaded then anyway) the common limit of current desktop GPUs. */
static int maxTextureSide(void)
{
    GLint side = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &side);
    return side > 0 ? side : 16384;
}

static void fatal(const char *message)
{
    fputs(message, stdout);
    exit(-1);
}

/* Uploads tightly packed rows as level 0 of a new texture with nearest
 * filtering; the new texture stays bound. The size is tried on the proxy
 * texture first (it can be within the largest side and still too much for the
 * driver), and an error of the upload itself ends the process, naming the
 * file. The unpack alignment is 1 for the upload (a 24-bit row need not be a
 * multiple of 4 bytes long) and is put back afterwards. */
static unsigned int uploadTexture(const char *what, int width, int height, GLenum format,
                                  const unsigned char *pixels)
{
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, width, height, 0, format, GL_UNSIGNED_BYTE, NULL);
    GLint proxyWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &proxyWidth);
    if (proxyWidth == 0) {
        printf("[!] %s is %d x %d pixels; this OpenGL cannot make a texture of that size\n", what,
               width, height);
        exit(-1);
    }

    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    /* Errors left by earlier calls are not this upload's. */
    while (glGetError() != GL_NO_ERROR)
        ;
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    GLenum error = glGetError();
    if (error != GL_NO_ERROR) {
        printf("[!] %s could not be uploaded as a %d x %d texture: %s\n", what, width, height,
               (const char *)gluErrorString(error));
        exit(-1);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return name;
}

/* ---- Public functions ------------------------------------------------------ */

unsigned int tvx_loadPNG(const char *path)
{
    char message[4352];
    struct tvx_picture picture;
    if (tvx_readPNG(path, maxTextureSide(), &picture, message, sizeof message) != 0)
        fatal(message);
    unsigned int name = uploadTexture(path, picture.width, picture.height, GL_RGBA, picture.pixels);
    free(picture.pixels);
    return name;
}

unsigned int tvx_loadTGA(const char *path)
{
    char message[4352];
    struct tvx_picture picture;
    if (tvx_readTGA(path, maxTextureSide(), &picture, message, sizeof message) != 0)
        fatal(message);
    unsigned int name = uploadTexture(path, picture.width, picture.height,
                                      picture.channels == 3 ? GL_RGB : GL_RGBA, picture.pixels);
    free(picture.pixels);
    printf("[*] texture %s loaded...\n", path);
    return name;
}

unsigned int tvx_loadBlack(void)
{
    unsigned char *pixels = (unsigned char *)calloc(512 * 512 * 3, 1);
    if (pixels == NULL) {
        printf("[!] Unable to allocate memory for the black texture\n");
        exit(-1);
    }
    unsigned int name = uploadTexture("the black texture", 512, 512, GL_RGB, pixels);
    free(pixels);
    return name;
}

/* The half-turn about x puts the quad's centre at (-x, y, -z) of the caller's
 * frame, facing the viewer, with t = 0 along its lower edge. */
void tvx_draw2DTextureQuad(float x, float y, float z, float w, float h)
{
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-x, -y, z);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-w, h);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(w, h);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(w, -h);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-w, -h);
    glEnd();
    glPopMatrix();
}

void tvx_draw2DTexture(float x, float y, float z, float w, float h, unsigned int texture)
{
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    tvx_draw2DTextureQuad(x, y, z, w, h);
    glDisable(GL_TEXTURE_2D);
}
