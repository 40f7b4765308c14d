/*
 * tvx_picture.cpp - the picture readers behind the texture loaders: a PNG
 * through libgd, an uncompressed 24- or 32-bit TGA by hand, both into
 * tightly packed rows in file order. They need no OpenGL context: the loaders
 * (tvx_texture.cpp) pass the largest side the GPU takes, and a picture whose
 * header claims more is refused before anything is decoded or allocated. Only
 * a regular file is read, and no more of it than its size (tvx_files.cpp). A
 * failure gives back the loader's console line instead of ending the process.
 * Depends on: libgd, tvx_files.cpp, libc.
 */
#include "tvx.h"

#include <gd.h> /* gdImageCreateFromPngPtr, gdImageGetPixel and the colour macros */

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ---------------------------------------------------------------- */

/* Largest PNG file taken (libgd takes its size as an int). */
static const size_t PNG_FILE_LIMIT = (size_t)1 << 30;
static const int TGA_HEADER = 18;
static const size_t TGA_TRAILER = (size_t)1 << 16;

/* ---- Internal helpers ----------------------------------------------------- */

/* libgd's alpha runs from 0 (opaque) to 127 (transparent). */
static unsigned char opacityFromGdAlpha(int alpha)
{
    return (unsigned char)((127 - alpha) * 255 / 127);
}

static int fail(char *message, size_t size, const char *format, const char *path)
{
    snprintf(message, size, format, path);
    return -1;
}

static int tooLarge(char *message, size_t size, const char *path, unsigned long width,
                    unsigned long height, int maxSide)
{
    snprintf(message, size,
             "[!] %s is %lu x %lu pixels; this OpenGL takes textures of at most %d x %d\n", path,
             width, height, maxSide, maxSide);
    return -1;
}

static unsigned long bigEndian32(const unsigned char *b)
{
    return ((unsigned long)b[0] << 24) | ((unsigned long)b[1] << 16) | ((unsigned long)b[2] << 8)
           | b[3];
}

/* The picture file in memory (tvx_readFile), or null with the loader's line
 * in message: its "not found" line (missing, with the path) when the file is
 * missing, else its other line (other, with the path and the reason: a FIFO,
 * a directory, ...). */
static unsigned char *readPicture(const char *path, size_t limit, const char *missing,
                                  const char *other, size_t *length, char *message, size_t size)
{
    unsigned char *bytes = NULL;
    const char *why = NULL;
    if (tvx_readFile(path, limit, &bytes, length, &why) == 0)
        return bytes;
    if (errno == ENOENT)
        snprintf(message, size, missing, path);
    else
        snprintf(message, size, other, path, why);
    return NULL;
}

/* The size a PNG's header claims: the signature, then the IHDR chunk with
 * width and height. 0 when the file does not start like a PNG. */
static int pngHeaderSize(const unsigned char *header, size_t length, unsigned long *width,
                         unsigned long *height)
{
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (length < 24 || memcmp(header, signature, 8) != 0 || memcmp(header + 12, "IHDR", 4) != 0)
        return 0;
    *width = bigEndian32(header + 16);
    *height = bigEndian32(header + 20);
    return 1;
}

/* ---- Public functions ------------------------------------------------------ */

int tvx_readPNG(const char *path, int maxSide, struct tvx_picture *picture, char *message,
                size_t size)
{
    memset(picture, 0, sizeof(*picture));
    size_t length = 0;
    unsigned char *bytes = readPicture(path, PNG_FILE_LIMIT, "[! %s] file not found.\n",
                                       "[! %s] Unable to load image: %s\n", &length, message, size);
    if (bytes == NULL)
        return -1;
    unsigned long claimedWidth = 0, claimedHeight = 0;
    if (!pngHeaderSize(bytes, length, &claimedWidth, &claimedHeight)) {
        free(bytes);
        return fail(message, size, "[! %s] Unable to load image", path);
    }
    if (claimedWidth > (unsigned long)maxSide || claimedHeight > (unsigned long)maxSide) {
        free(bytes);
        return tooLarge(message, size, path, claimedWidth, claimedHeight, maxSide);
    }
    gdImagePtr image = gdImageCreateFromPngPtr((int)length, bytes);
    free(bytes);
    if (image == NULL)
        return fail(message, size, "[! %s] Unable to load image", path);

    int width = gdImageSX(image);
    int height = gdImageSY(image);
    unsigned char *pixels = (unsigned char *)malloc((size_t)width * (size_t)height * 4 + 1);
    if (pixels == NULL) {
        gdImageDestroy(image);
        snprintf(message, size, "[!] Unable to allocate memory for png %s (%dx%d)...\n", path,
                 width, height);
        return -1;
    }

    /* gdImageRed and friends read the packed pixel of a true-colour image and
     * the palette entry of a palette image. A grey or true-colour PNG's
     * transparent colour comes back as libgd's transparent colour with an
     * opaque alpha, so it is matched here. */
    int transparent = gdImageGetTransparent(image);
    for (int y = 0; y < height; y++) {
        for (int x = 0; x < width; x++) {
            int c = gdImageGetPixel(image, x, y);
            unsigned char *p = pixels + ((size_t)y * width + x) * 4;
            p[0] = (unsigned char)gdImageRed(image, c);
            p[1] = (unsigned char)gdImageGreen(image, c);
            p[2] = (unsigned char)gdImageBlue(image, c);
            p[3] = c == transparent ? 0 : opacityFromGdAlpha(gdImageAlpha(image, c));
        }
    }
    gdImageDestroy(image);

    picture->width = width;
    picture->height = height;
    picture->channels = 4;
    picture->pixels = pixels;
    return 0;
}

int tvx_readTGA(const char *path, int maxSide, struct tvx_picture *picture, char *message,
                size_t size)
{
    static const unsigned char uncompressedHeader[12] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};

    memset(picture, 0, sizeof(*picture));
    /* The largest picture this GPU takes, with room for the footer and
     * extension area a TGA may carry after its pixels. */
    size_t limit = TGA_HEADER + (size_t)maxSide * (size_t)maxSide * 4 + TGA_TRAILER;
    size_t length = 0;
    unsigned char *file = readPicture(path, limit, "[! %s] file not found \n",
                                      "[!] Unable to load %s: %s\n", &length, message, size);
    if (file == NULL)
        return -1;

    if (length < (size_t)TGA_HEADER
        || memcmp(file, uncompressedHeader, sizeof uncompressedHeader) != 0) {
        free(file);
        return fail(message, size, "[!] Unable to load %s", path);
    }

    const unsigned char *info = file + sizeof uncompressedHeader;
    int width = info[0] | (info[1] << 8);
    int height = info[2] | (info[3] << 8);
    int depth = info[4];
    if (width == 0 || height == 0 || (depth != 24 && depth != 32)) {
        free(file);
        return fail(message, size, "[!] %s was a corrupt image =/\n", path);
    }
    if (width > maxSide || height > maxSide) {
        free(file);
        return tooLarge(message, size, path, (unsigned long)width, (unsigned long)height, maxSide);
    }

    int bytesPerPixel = depth / 8;
    size_t bytes = (size_t)width * (size_t)height * (size_t)bytesPerPixel;
    if (length - TGA_HEADER < bytes) {
        free(file);
        return fail(message, size, "[!] Unable to allocate memory for tga %s...\n", path);
    }
    /* The pixels move to the start of the buffer, which becomes the picture's. */
    unsigned char *pixels = file;
    memmove(pixels, file + TGA_HEADER, bytes);

    for (size_t i = 0; i < bytes; i += bytesPerPixel) {
        unsigned char blue = pixels[i];
        pixels[i] = pixels[i + 2];
        pixels[i + 2] = blue;
    }
    picture->width = width;
    picture->height = height;
    picture->channels = bytesPerPixel;
    picture->pixels = pixels;
    return 0;
}
