/*
 * tvx_texture.cpp - image loaders and the textured screen quad.
 *
 * tvx_loadPNG decodes a PNG through libgd (palette and true-colour images,
 * libgd's 7-bit alpha turned into an 8-bit opacity), tvx_loadTGA reads an
 * uncompressed 24- or 32-bit TGA, tvx_loadBlack makes a black 512 x 512
 * texture, and tvx_draw2DTexture draws a texture on a rectangle in front of
 * the camera. Pixel rows are uploaded in file order, so a PNG's top row and a
 * bottom-up TGA's bottom row land at t = 0. Every loading failure prints one
 * tagged line and ends the process with status -1.
 * Depends on: OpenGL (through GLEW), libgd, libc.
 */
#include "tvx.h"

#include <GL/glew.h>
#include <gd.h> /* gdImageCreateFromPng, gdImageGetPixel and the colour macros */

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- Internal helpers ----------------------------------------------------- */

/* libgd's alpha runs from 0 (opaque) to 127 (transparent). */
static unsigned char opacityFromGdAlpha(int alpha)
{
    return (unsigned char)((127 - alpha) * 255 / 127);
}

/* Uploads tightly packed rows as level 0 of a new texture with nearest
 * filtering; the new texture stays bound. The unpack alignment is 1 for the
 * upload (a 24-bit row need not be a multiple of 4 bytes long) and is put
 * back afterwards. */
static unsigned int uploadTexture(int width, int height, GLenum format, const unsigned char *pixels)
{
    GLint alignment = 4;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);

    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    glTexImage2D(GL_TEXTURE_2D, 0, 4, width, height, 0, format, GL_UNSIGNED_BYTE, pixels);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

    glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
    return name;
}

static void failTGA(FILE *file, const char *format, const char *path)
{
    fclose(file);
    printf(format, path);
    exit(-1);
}

/* ---- Public functions ------------------------------------------------------ */

unsigned int tvx_loadPNG(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        printf("[! %s] file not found.\n", path);
        exit(-1);
    }
    gdImagePtr image = gdImageCreateFromPng(file);
    fclose(file);
    if (image == NULL) {
        printf("[! %s] Unable to load image", path);
        exit(-1);
    }

    int width = gdImageSX(image);
    int height = gdImageSY(image);
    size_t size = (size_t)width * (size_t)height * 4 + 1;
    unsigned char *pixels = (unsigned char *)malloc(size);
    if (pixels == NULL) {
        printf("[!] Unable to allocate memory for png %s (%dx%d)...\n", path, width, height);
        exit(-1);
    }

    /* gdImageRed and friends read the packed pixel of a true-colour image and
     * the palette entry of a palette image. */
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            int c = gdImageGetPixel(image, x, y);
            unsigned char *p = pixels + ((size_t)y * width + x) * 4;
            p[0] = (unsigned char)gdImageRed(image, c);
            p[1] = (unsigned char)gdImageGreen(image, c);
            p[2] = (unsigned char)gdImageBlue(image, c);
            p[3] = opacityFromGdAlpha(gdImageAlpha(image, c));
        }
    }
    gdImageDestroy(image);

    unsigned int name = uploadTexture(width, height, GL_RGBA, pixels);
    free(pixels);
    return name;
}

unsigned int tvx_loadTGA(const char *path)
{
    static const unsigned char uncompressedHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

    FILE *file = fopen(path, "rb");
    if (file == NULL) {
        printf("[! %s] file not found \n", path);
        exit(-1);
    }

    unsigned char header[12];
    unsigned char info[6];
    if (fread(header, 1, sizeof header, file) != sizeof header
        || memcmp(header, uncompressedHeader, sizeof header) != 0
        || fread(info, 1, sizeof info, file) != sizeof info)
        failTGA(file, "[!] Unable to load %s", path);

    int width = info[0] | (info[1] << 8);
    int height = info[2] | (info[3] << 8);
    int depth = info[4];
    if (width == 0 || height == 0 || (depth != 24 && depth != 32))
        failTGA(file, "[!] %s was a corrupt image =/\n", path);

    int bytesPerPixel = depth / 8;
    size_t size = (size_t)width * (size_t)height * (size_t)bytesPerPixel;

    /* A header that promises more pixels than the file holds is a short read;
     * it is found before the buffer is allocated. */
    long start = ftell(file);
    long available = -1;
    if (start >= 0 && fseek(file, 0, SEEK_END) == 0) {
        available = ftell(file) - start;
        if (fseek(file, start, SEEK_SET) != 0)
            available = -1;
    }
    unsigned char *pixels = NULL;
    if (available >= 0 && (size_t)available >= size)
        pixels = (unsigned char *)malloc(size);
    if (pixels == NULL || fread(pixels, 1, size, file) != size) {
        free(pixels);
        failTGA(file, "[!] Unable to allocate memory for tga %s...\n", path);
    }

    for (size_t i = 0; i < size; i += bytesPerPixel) {
        unsigned char blue = pixels[i];
        pixels[i] = pixels[i + 2];
        pixels[i + 2] = blue;
    }
    fclose(file);

    unsigned int name = uploadTexture(width, height, depth == 24 ? GL_RGB : GL_RGBA, pixels);
    free(pixels);
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
    unsigned int name = uploadTexture(512, 512, GL_RGB, pixels);
    free(pixels);
    return name;
}

/* The half-turn about x puts the quad's centre at (-x, y, -z) of the caller's
 * frame, facing the viewer, with t = 0 along its lower edge. */
void tvx_draw2DTexture(float x, float y, float z, float w, float h, unsigned int texture)
{
    glPushMatrix();
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glTranslatef(-x, -y, z);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
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
    glDisable(GL_TEXTURE_2D);
    glPopMatrix();
}
