/*
 * web_gd.cpp - the libgd subset of the web build (include/gd.h): a PNG in
 * memory decoded by libpng into a true-colour image the way libgd decodes it, so
 * the framework's PNG reader (tvx_picture.cpp) gives the same pixels in
 * both builds: palettes, grey and transparent colours expanded, 16-bit
 * channels cut to their high byte, and the 8-bit alpha turned into libgd's
 * 7-bit one (127 - alpha / 2, 0 opaque).
 *
 * Depends on: libpng (built from Debian's source for the web build), libc.
 */
#include "gd.h"

#include <png.h>

#include <setjmp.h>
#include <stdlib.h>
#include <string.h>

/* ---- Internal helpers ------------------------------------------------------ */

/* The PNG in memory that libpng reads from. */
struct Source {
    const unsigned char *bytes;
    size_t size;
    size_t at;
};

static void readSource(png_structp png, png_bytep out, png_size_t count)
{
    Source *source = (Source *)png_get_io_ptr(png);
    if (count > source->size - source->at)
        png_error(png, "truncated");
    memcpy(out, source->bytes + source->at, count);
    source->at += count;
}

/* libpng reports an error by jumping back here; its message is not printed,
 * the caller says the picture cannot be loaded. */
static void quietError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

static void quietWarning(png_structp, png_const_charp) {}

/* ---- Public functions ------------------------------------------------------ */

gdImagePtr gdImageCreateFromPngPtr(int size, void *data)
{
    if (size <= 0 || data == nullptr)
        return nullptr;
    Source source = {(const unsigned char *)data, (size_t)size, 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError,
                                             quietWarning);
    if (png == nullptr)
        return nullptr;
    png_infop info = png_create_info_struct(png);
    gdImagePtr volatile image = nullptr;
    png_bytep volatile rgba = nullptr;
    png_bytepp volatile rows = nullptr;
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, info ? &info : nullptr, nullptr);
        if (image != nullptr)
            gdImageDestroy(image);
        free(rgba);
        free(rows);
        return nullptr;
    }
    png_set_read_fn(png, &source, readSource);
    png_read_info(png, info);
    png_uint_32 width = png_get_image_width(png, info);
    png_uint_32 height = png_get_image_height(png, info);
    png_set_expand(png);              /* palette, grey below 8 bits, tRNS to alpha */
    png_set_strip_16(png);
    png_set_gray_to_rgb(png);
    png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);

    image = (gdImagePtr)calloc(1, sizeof(gdImage));
    rgba = (png_bytep)malloc((size_t)width * height * 4);
    rows = (png_bytepp)malloc(sizeof(png_bytep) * (height ? height : 1));
    if (image == nullptr || rgba == nullptr || rows == nullptr)
        png_longjmp(png, 1);
    image->tpixels = (int *)malloc(sizeof(int) * (size_t)width * height);
    if (image->tpixels == nullptr)
        png_longjmp(png, 1);
    for (png_uint_32 y = 0; y < height; y++)
        rows[y] = rgba + (size_t)y * width * 4;
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);

    image->sx = (int)width;
    image->sy = (int)height;
    image->transparent = -1;
    for (size_t i = 0; i < (size_t)width * height; i++) {
        const png_byte *p = rgba + i * 4;
        int alpha = 127 - (p[3] >> 1);
        image->tpixels[i] = (alpha << 24) | (p[0] << 16) | (p[1] << 8) | p[2];
    }
    free(rgba);
    free(rows);
    return image;
}

int gdImageGetPixel(gdImagePtr image, int x, int y)
{
    if (x < 0 || y < 0 || x >= image->sx || y >= image->sy)
        return 0;
    return image->tpixels[(size_t)y * image->sx + x];
}

void gdImageDestroy(gdImagePtr image)
{
    free(image->tpixels);
    free(image);
}
