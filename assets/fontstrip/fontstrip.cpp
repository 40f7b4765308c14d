/*
 * fontstrip.cpp - generates the texture-strip font "data/font.tga": the
 * letters a to z rasterised from a TrueType face, one square cell per letter,
 * left to right, written as an uncompressed 32-bit TGA stored bottom-up (the
 * strip font draws file row 0 at the bottom of each glyph). Each pixel is
 * white scaled by the glyph's coverage, with the coverage as alpha, so the
 * letters read on black with or without blending. The output depends only on
 * the font file: running it again gives the same bytes.
 *
 * Usage: fontstrip FONT.ttf OUT.tga
 * Depends on: FreeType, libc.
 */
#include <ft2build.h>
#include FT_FREETYPE_H

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ---------------------------------------------------------------- */

enum { CELL = 32, GLYPHS = 26, MARGIN = 1 };

/* ---- Internal helpers ----------------------------------------------------- */

static void fail(const char *message, const char *what)
{
    fprintf(stderr, "fontstrip: %s %s\n", message, what);
    exit(1);
}

/* Extent of the letters above and below the baseline at the face's current
 * size, in pixels. */
static void measure(FT_Face face, int *above, int *below, int *widest)
{
    *above = *below = *widest = 0;
    for (int i = 0; i < GLYPHS; i++) {
        if (FT_Load_Char(face, 'a' + i, FT_LOAD_RENDER) != 0)
            fail("cannot render the letter", "a..z");
        FT_GlyphSlot slot = face->glyph;
        int top = slot->bitmap_top;
        int bottom = (int)slot->bitmap.rows - slot->bitmap_top;
        if (top > *above)
            *above = top;
        if (bottom > *below)
            *below = bottom;
        if ((int)slot->bitmap.width > *widest)
            *widest = (int)slot->bitmap.width;
    }
}

static void putLittleEndian16(unsigned char *p, int value)
{
    p[0] = (unsigned char)(value & 0xFF);
    p[1] = (unsigned char)((value >> 8) & 0xFF);
}

/* ---- Public functions ------------------------------------------------------ */

int main(int argc, char **argv)
{
    if (argc != 3) {
        fprintf(stderr, "usage: fontstrip FONT.ttf OUT.tga\n");
        return 1;
    }
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0)
        fail("cannot start", "FreeType");
    if (FT_New_Face(library, argv[1], 0, &face) != 0)
        fail("cannot open the font", argv[1]);

    /* The largest pixel size at which every letter fits its cell. */
    int size = CELL;
    int above, below, widest;
    for (;; size--) {
        if (FT_Set_Pixel_Sizes(face, 0, (FT_UInt)size) != 0)
            fail("cannot size the font", argv[1]);
        measure(face, &above, &below, &widest);
        if (above + below <= CELL - 2 * MARGIN && widest <= CELL - 2 * MARGIN)
            break;
    }
    int baseline = (CELL - (above + below)) / 2 + above; /* rows from the top */

    int width = CELL * GLYPHS;
    int height = CELL;
    unsigned char *coverage = (unsigned char *)calloc((size_t)width * height, 1);
    if (coverage == NULL)
        fail("out of memory for", "the strip");
    for (int i = 0; i < GLYPHS; i++) {
        FT_Load_Char(face, 'a' + i, FT_LOAD_RENDER);
        FT_Bitmap *bitmap = &face->glyph->bitmap;
        int left = i * CELL + (CELL - (int)bitmap->width) / 2;
        int top = baseline - face->glyph->bitmap_top;
        for (int row = 0; row < (int)bitmap->rows; row++)
            for (int col = 0; col < (int)bitmap->width; col++)
                coverage[(size_t)(top + row) * width + left + col] =
                    bitmap->buffer[row * bitmap->pitch + col];
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    FILE *out = fopen(argv[2], "wb");
    if (out == NULL)
        fail("cannot write", argv[2]);
    /* Uncompressed true-colour, no image id, no colour map, origin (0, 0),
     * 32 bits per pixel, 8 alpha bits, rows bottom-up. */
    unsigned char header[18] = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 32, 8};
    putLittleEndian16(header + 12, width);
    putLittleEndian16(header + 14, height);
    fwrite(header, 1, sizeof header, out);
    for (int row = height - 1; row >= 0; row--) {
        for (int col = 0; col < width; col++) {
            unsigned char c = coverage[(size_t)row * width + col];
            unsigned char pixel[4] = {c, c, c, c}; /* blue, green, red, alpha */
            fwrite(pixel, 1, sizeof pixel, out);
        }
    }
    free(coverage);
    if (fclose(out) != 0)
        fail("cannot write", argv[2]);
    return 0;
}
