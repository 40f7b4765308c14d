/*
 * frame_diff.cpp - compares two PNG frames of one size the way a viewer
 * would: the mean absolute difference of the colour channels over the whole
 * frame, and the worst mean difference over any 32 x 32 block (a region that
 * changed stands out there even when the whole-frame mean stays small).
 *
 * usage: frame_diff A.png B.png [MEAN_BOUND [BLOCK_BOUND]]
 * Prints one line of figures; exits 0 when both bounds hold (defaults 1.0 and
 * 8.0 grey levels of 255), 1 when they do not, 2 when a file cannot be read
 * or the sizes differ.
 *
 * Depends on: libpng (its simplified reading API).
 */
#include <png.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- Internal helpers ------------------------------------------------------ */

static const int BLOCK = 32;

/* Reads a PNG as 8-bit RGB, rows top first; 0 when it cannot. */
static int readRgb(const char *path, png_image *image, unsigned char **pixels)
{
    memset(image, 0, sizeof(*image));
    image->version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(image, path)) {
        fprintf(stderr, "frame_diff: cannot read %s: %s\n", path, image->message);
        return 0;
    }
    image->format = PNG_FORMAT_RGB;
    *pixels = (unsigned char *)malloc(PNG_IMAGE_SIZE(*image));
    if (*pixels == NULL || !png_image_finish_read(image, NULL, *pixels, 0, NULL)) {
        fprintf(stderr, "frame_diff: cannot decode %s: %s\n", path, image->message);
        return 0;
    }
    return 1;
}

/* ---- Public functions ------------------------------------------------------ */

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 5) {
        fprintf(stderr, "usage: frame_diff A.png B.png [MEAN_BOUND [BLOCK_BOUND]]\n");
        return 2;
    }
    double meanBound = argc > 3 ? atof(argv[3]) : 1.0;
    double blockBound = argc > 4 ? atof(argv[4]) : 8.0;
    png_image a, b;
    unsigned char *pa = NULL, *pb = NULL;
    if (!readRgb(argv[1], &a, &pa) || !readRgb(argv[2], &b, &pb))
        return 2;
    if (a.width != b.width || a.height != b.height) {
        fprintf(stderr, "frame_diff: %s is %ux%u, %s is %ux%u\n", argv[1], a.width, a.height,
                argv[2], b.width, b.height);
        return 2;
    }
    int w = (int)a.width, h = (int)a.height;
    double total = 0.0, worstBlock = 0.0;
    int worstX = 0, worstY = 0;
    for (int by = 0; by < h; by += BLOCK) {
        for (int bx = 0; bx < w; bx += BLOCK) {
            double sum = 0.0;
            int count = 0;
            for (int y = by; y < by + BLOCK && y < h; y++) {
                for (int x = bx; x < bx + BLOCK && x < w; x++) {
                    for (int c = 0; c < 3; c++) {
                        size_t i = ((size_t)y * w + x) * 3 + c;
                        sum += abs((int)pa[i] - (int)pb[i]);
                        count++;
                    }
                }
            }
            total += sum;
            if (sum / count > worstBlock) {
                worstBlock = sum / count;
                worstX = bx;
                worstY = by;
            }
        }
    }
    double mean = total / ((double)w * h * 3);
    int ok = mean <= meanBound && worstBlock <= blockBound;
    printf("mean %.3f  worst block %.2f at (%d,%d)  %s\n", mean, worstBlock, worstX, worstY,
           ok ? "same" : "DIFFERENT");
    free(pa);
    free(pb);
    return ok ? 0 : 1;
}
