/*
 * glm_texture.cpp - material textures: the model's texture list, the loader
 * that turns an image into a mipmapped OpenGL texture of power-of-two sides,
 * and the two image readers (binary "P6" PPM, PNG through libpng). Every PNG
 * colour type and bit depth libpng reads arrives as 8-bit grey, grey with
 * alpha, RGB or RGBA. An image file is read whole into memory first
 * (__glmReadFile: a regular file only, never more than its size), once for
 * both readers; a name outside the model's data root is not read at all.
 *
 * Depends on: OpenGL and GLU (gluScaleImage, gluBuild2DMipmaps), libpng,
 * glm_file.cpp, libc.
 */
#include "glm_internal.h"

#include <GL/glu.h>
#include <errno.h>
#include <png.h>
#include <setjmp.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

/* Largest pixel buffer either reader will allocate. */
#define GLM_IMAGE_MAX_BYTES ((uint64_t)1 << 30)
/* Longest PPM header line taken in one read. */
#define GLM_PPM_LINE 70

/* ---- State ------------------------------------------------------------------ */

GLenum _glmTextureTarget = GL_TEXTURE_2D;
static int glm_do_init = 1;
static GLint gl_max_texture_size = 0;
static GLubyte gl_sgis_generate_mipmap = 0;
static int pngerror = 0;
static jmp_buf setjmp_buffer;

/* ---- Internal helpers ------------------------------------------------------- */

/* Where libpng reads a file held in memory. */
typedef struct {
    const unsigned char *p;
    size_t left;
} PngSource;

static void readPngBytes(png_structp png, png_bytep out, png_size_t length)
{
    PngSource *source = (PngSource *)png_get_io_ptr(png);
    if (length > source->left)
        png_error(png, "Read Error");
    memcpy(out, source->p, length);
    source->p += length;
    source->left -= length;
}

/* An image file in memory. When it cannot be read: a missing file is said
 * the way perror says it (unless quietMissing), anything else (a FIFO, a
 * directory, a device) as a warning naming the file. */
static char *readImageFile(const char *path, const char *who, int quietMissing, size_t *length)
{
    const char *why = NULL;
    char *bytes = __glmReadFile(path, GLM_FILE_MAX, length, &why);
    if (!bytes && errno == ENOENT) {
        if (!quietMissing)
            fprintf(stderr, "%s: %s\n", path, why);
    } else if (!bytes) {
        __glmWarning("%s: can't read \"%s\" (%s).", who, path, why);
    }
    return bytes;
}

/* One line of text the way fgets reads it into size bytes: up to size - 1
 * characters, through the line break; 0 at the end of the text. */
static int textLine(const char **p, const char *end, char *line, size_t size)
{
    if (*p >= end)
        return 0;
    size_t n = 0;
    while (*p < end && n < size - 1) {
        char c = *(*p)++;
        line[n++] = c;
        if (c == '\n')
            break;
    }
    line[n] = '\0';
    return 1;
}

static void warn_callback(png_structp png, png_const_charp message)
{
    (void)png;
    fprintf(stderr, "PNG warn: %s\n", message);
}

static void err_callback(png_structp png, png_const_charp message)
{
    (void)png;
    fprintf(stderr, "PNG error: %s\n", message);
    longjmp(setjmp_buffer, 1);
}

/* Smallest power of two not below side. */
static int powerOfTwo(int side)
{
    int power = 1;
    while (power < side && power < (1 << 30))
        power <<= 1;
    return power;
}

/* Collects up to `wanted` decimal numbers from a header line; returns how many
 * it found, or -1 when the line holds something other than numbers before
 * the first one. */
static int headerNumbers(const char *line, long *values, int wanted)
{
    int found = 0;
    const char *p = line;
    while (found < wanted) {
        char *end;
        long value = strtol(p, &end, 10);
        if (end == p)
            break;
        values[found++] = value;
        p = end;
    }
    if (found == 0) {
        while (*p == ' ' || *p == '\t' || *p == '\r' || *p == '\n')
            p++;
        if (*p)
            return -1;
    }
    return found;
}

/* The PPM reader on a file held in memory. */
static GLubyte *ppmFromBytes(const char *bytes, size_t size, const char *path, int alpha,
                             int *width, int *height, GLenum *type)
{
    (void)alpha;
    const char *p = bytes;
    const char *end = bytes + size;
    char line[GLM_PPM_LINE];
    if (!textLine(&p, end, line, sizeof(line)) || strncmp(line, "P6", 2) != 0)
        return NULL;

    long values[3];
    int collected = 0;
    while (collected < 3) {
        if (!textLine(&p, end, line, sizeof(line))) {
            __glmWarning("glmReadPPM(): header of \"%s\" ends early.", path);
            return NULL;
        }
        if (line[0] == '#') {
            /* a long comment is skipped whole, not read on as header values */
            if (line[strlen(line) - 1] != '\n')
                while (p < end && *p++ != '\n') {
                }
            continue;
        }
        int found = headerNumbers(line, values + collected, 3 - collected);
        if (found < 0) {
            __glmWarning("glmReadPPM(): header of \"%s\" holds no number where one is expected.",
                         path);
            return NULL;
        }
        collected += found;
    }

    /* each side bounded first, so that the product cannot wrap around */
    if (values[0] <= 0 || values[1] <= 0 || (uint64_t)values[0] > GLM_IMAGE_MAX_BYTES ||
        (uint64_t)values[1] > GLM_IMAGE_MAX_BYTES ||
        (uint64_t)values[0] * (uint64_t)values[1] * 3 > GLM_IMAGE_MAX_BYTES) {
        __glmWarning("glmReadPPM(): \"%s\" has an unusable size (%ld x %ld).", path, values[0],
                     values[1]);
        return NULL;
    }
    size_t bytesWanted = (size_t)values[0] * (size_t)values[1] * 3;
    size_t available = (size_t)(end - p);
    if (available < bytesWanted) {
        __glmWarning("glmReadPPM(): \"%s\" holds %ld of its %zu pixel bytes.", path,
                     (long)available, bytesWanted);
        return NULL;
    }
    GLubyte *image = (GLubyte *)__glmTryMalloc(bytesWanted);
    if (!image)
        return NULL;
    memcpy(image, p, bytesWanted);
    *width = (int)values[0];
    *height = (int)values[1];
    *type = GL_RGB;
    return image;
}

/* The PNG reader on a file held in memory. */
static GLubyte *pngFromBytes(const char *bytes, size_t size, const char *path, int alpha,
                             int *width, int *height, GLenum *type)
{
    (void)alpha;
    PngSource source = {(const unsigned char *)bytes, size};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, NULL, err_callback,
                                             warn_callback);
    if (!png) {
        pngerror = 2;
        return NULL;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        pngerror = 2;
        png_destroy_read_struct(&png, NULL, NULL);
        return NULL;
    }

    GLubyte *volatile image = NULL;
    png_bytep *volatile rows = NULL;
    if (setjmp(setjmp_buffer)) {
        pngerror = 3;
        png_destroy_read_struct(&png, &info, NULL);
        __glmFree(rows);
        __glmFree(image);
        return NULL;
    }

    png_set_read_fn(png, &source, readPngBytes);
    png_read_info(png, info);
    png_uint_32 w, h;
    int depth, colorType, interlace;
    png_get_IHDR(png, info, &w, &h, &depth, &colorType, &interlace, NULL, NULL);

    png_set_strip_16(png);
    if (colorType == PNG_COLOR_TYPE_PALETTE)
        png_set_expand(png);
    if (colorType == PNG_COLOR_TYPE_GRAY && depth < 8)
        png_set_expand(png);
    if (png_get_valid(png, info, PNG_INFO_tRNS))
        png_set_expand(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    int components = png_get_channels(png, info);
    size_t rowBytes = png_get_rowbytes(png, info);
    if ((uint64_t)rowBytes * h > GLM_IMAGE_MAX_BYTES) {
        __glmWarning("glmReadPNG(): \"%s\" is too large (%u x %u).", path, (unsigned)w,
                     (unsigned)h);
        image = NULL;
    } else {
        image = (GLubyte *)__glmTryMalloc(rowBytes * h);
        rows = (png_bytep *)__glmTryMalloc(h * sizeof(png_bytep));
    }
    if (!image || !rows) {
        pngerror = 2;
        png_destroy_read_struct(&png, &info, NULL);
        __glmFree(rows);
        __glmFree(image);
        return NULL;
    }
    for (png_uint_32 r = 0; r < h; r++)
        rows[r] = image + (size_t)(h - 1 - r) * rowBytes;

    png_read_image(png, rows);
    png_read_end(png, NULL);
    __glmFree(rows);
    png_destroy_read_struct(&png, &info, NULL);

    *width = (int)w;
    *height = (int)h;
    switch (components) {
    case 1: *type = GL_LUMINANCE; break;
    case 2: *type = GL_LUMINANCE_ALPHA; break;
    case 3: *type = GL_RGB; break;
    default: *type = GL_RGBA; break;
    }
    pngerror = 0;
    return image;
}

/* ---- Public functions ------------------------------------------------------- */

int glmIsExtensionSupported(const char *name)
{
    if (!name || !*name || strchr(name, ' '))
        return 0;
    const char *extensions = (const char *)glGetString(GL_EXTENSIONS);
    if (!extensions)
        return 0;
    size_t length = strlen(name);
    const char *start = extensions;
    for (;;) {
        const char *where = strstr(start, name);
        if (!where)
            return 0;
        const char *terminator = where + length;
        if ((where == start || where[-1] == ' ') && (*terminator == ' ' || *terminator == '\0'))
            return 1;
        start = terminator;
    }
}

void glmImgInit(void)
{
    glm_do_init = 0;
    _glmTextureTarget = GL_TEXTURE_2D;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &gl_max_texture_size);
    gl_sgis_generate_mipmap = glmIsExtensionSupported("GL_SGIS_generate_mipmap") ? 1 : 0;
}

GLubyte *glmReadPPM(const char *path, int alpha, int *width, int *height, GLenum *type)
{
    size_t length = 0;
    char *bytes = readImageFile(path, "glmReadPPM()", 0, &length);
    if (!bytes)
        return NULL;
    GLubyte *image = ppmFromBytes(bytes, length, path, alpha, width, height, type);
    __glmFree(bytes);
    return image;
}

GLubyte *glmReadPNG(const char *path, int alpha, int *width, int *height, GLenum *type)
{
    size_t length = 0;
    char *bytes = readImageFile(path, "glmReadPNG()", 1, &length);
    if (!bytes) {
        pngerror = 1;
        return NULL;
    }
    GLubyte *image = pngFromBytes(bytes, length, path, alpha, width, height, type);
    __glmFree(bytes);
    return image;
}

GLuint glmLoadTexture(const char *path, GLboolean alpha, GLboolean repeat, GLboolean filtering,
                      GLboolean mipmaps, GLfloat *texcoordWidth, GLfloat *texcoordHeight)
{
    if (glm_do_init)
        glmImgInit();

    int width = 0, height = 0;
    GLenum type = 0;
    size_t length = 0;
    char *bytes = readImageFile(path, "glmLoadTexture()", 0, &length);
    if (!bytes)
        return 0;
    GLubyte *image = ppmFromBytes(bytes, length, path, alpha, &width, &height, &type);
    if (!image)
        image = pngFromBytes(bytes, length, path, alpha, &width, &height, &type);
    __glmFree(bytes);
    if (!image)
        return 0;

    int components;
    switch (type) {
    case GL_LUMINANCE: components = 1; break;
    case GL_LUMINANCE_ALPHA: components = 2; break;
    case GL_RGB: case GL_BGR: components = 3; break;
    case GL_RGBA: case GL_BGRA: components = 4; break;
    default:
        __glmFatalError("glmLoadTexture(): unknown type 0x%x of \"%s\"", type, path);
    }

    GLint unpackAlignment = (width * components) % 4 == 0 ? 4 : 1;
    glPixelStorei(GL_UNPACK_ALIGNMENT, unpackAlignment);

    int limit = gl_max_texture_size > 0 ? gl_max_texture_size : 1;
    int w = width < limit ? width : limit;
    int h = height < limit ? height : limit;
    if (_glmTextureTarget == GL_TEXTURE_2D) {
        w = powerOfTwo(w);
        h = powerOfTwo(h);
    }

    if (w != width || h != height) {
        /* gluScaleImage writes rows padded to the pack alignment; when the
         * unpack alignment would read such rows differently, the upload uses
         * the pack alignment */
        GLint packAlignment = 4;
        glGetIntegerv(GL_PACK_ALIGNMENT, &packAlignment);
        if (packAlignment < 1)
            packAlignment = 1;
        size_t rowBytes = ((size_t)w * components + packAlignment - 1) / packAlignment *
                          packAlignment;
        GLubyte *scaled = (GLubyte *)__glmTryMalloc(rowBytes * h);
        if (!scaled) {
            __glmFree(image);
            return 0;
        }
        gluScaleImage(type, width, height, GL_UNSIGNED_BYTE, image, w, h, GL_UNSIGNED_BYTE,
                      scaled);
        __glmFree(image);
        image = scaled;
        size_t tight = (size_t)w * components;
        if (tight % packAlignment != 0 || tight % unpackAlignment != 0)
            glPixelStorei(GL_UNPACK_ALIGNMENT, packAlignment);
    }

    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(_glmTextureTarget, texture);

    int useMipmaps = mipmaps && _glmTextureTarget == GL_TEXTURE_2D;
    if (filtering) {
        glTexParameteri(_glmTextureTarget, GL_TEXTURE_MIN_FILTER,
                        useMipmaps ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
        glTexParameteri(_glmTextureTarget, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    } else {
        glTexParameteri(_glmTextureTarget, GL_TEXTURE_MIN_FILTER,
                        useMipmaps ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST);
        glTexParameteri(_glmTextureTarget, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    }
    glTexParameteri(_glmTextureTarget, GL_TEXTURE_WRAP_S, repeat ? GL_REPEAT : GL_CLAMP);
    glTexParameteri(_glmTextureTarget, GL_TEXTURE_WRAP_T, repeat ? GL_REPEAT : GL_CLAMP);

    if (useMipmaps && gl_sgis_generate_mipmap) {
        glTexParameteri(_glmTextureTarget, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
        glTexImage2D(_glmTextureTarget, 0, type, w, h, 0, type, GL_UNSIGNED_BYTE, image);
    } else if (useMipmaps) {
        gluBuild2DMipmaps(_glmTextureTarget, type, w, h, type, GL_UNSIGNED_BYTE, image);
    } else {
        glTexImage2D(_glmTextureTarget, 0, type, w, h, 0, type, GL_UNSIGNED_BYTE, image);
    }
    __glmFree(image);

    if (_glmTextureTarget == GL_TEXTURE_2D) {
        *texcoordWidth = 1.0f;
        *texcoordHeight = 1.0f;
    } else {
        *texcoordWidth = (GLfloat)w;
        *texcoordHeight = (GLfloat)h;
    }
    return texture;
}

int glmFindOrAddTexture(GlmModel *model, const char *name)
{
    for (GLuint i = 0; i < model->numtextures; i++)
        if (strcmp(model->textures[i].name, name) == 0)
            return (int)i;

    char *path = __glmNamedPath(model, name, "texture");
    if (!path)
        return -1;

    if (model->numtextures >= 0x7FFFFFFF)
        __glmFatalError("glmFindOrAddTexture(): too many textures.");
    model->textures = (GlmTexture *)__glmRealloc(model->textures,
                                                 (model->numtextures + 1) * sizeof(GlmTexture));
    GlmTexture *texture = &model->textures[model->numtextures];
    texture->name = __glmStrdup(name);
    /* an image that cannot be read leaves scale factors of 1 */
    texture->width = 1.0f;
    texture->height = 1.0f;
    model->numtextures++;
    texture->id = glmLoadTexture(path, GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE, &texture->width,
                                 &texture->height);
    __glmFree(path);
    return (int)model->numtextures - 1;
}
