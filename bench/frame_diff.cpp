/*
 * frame_diff.cpp - compares two PNG frames of one size the way a viewer
 * would. Both frames are first blurred with a Gaussian of 1.5 pixels, so
 * that grain and static compare by their strength and texture rather than
 * pixel by pixel; then it measures the mean absolute difference of the
 * colour channels over the whole frame, and the worst move of a 32 x 32
 * block's average colour (the largest channel difference between the two
 * blocks' means: a region that changed stands out there even when the
 * whole-frame mean stays small).
 *
 * usage: frame_diff A.png B.png [MEAN_BOUND [BLOCK_BOUND]]
 * Prints one line of figures; exits 0 when both bounds hold (defaults 2 and
 * 16 grey levels of 255), 1 when they do not, 2 when a file cannot be read
 * or the sizes differ.
 *
 * Depends on: libpng (its simplified reading API).
 */
#include <png.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ----------------------------------------------------------------- */

static const int BLOCK = 32;
static const double SIGMA = 1.5;     /* the blur, in pixels */
static const int RADIUS = 5;         /* taps on each side: past 3 sigma */

/* ---- Internal helpers ------------------------------------------------------ */

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

/* One pass of the separable Gaussian, along x or along y, the
 * edge pixels repeated beyond the border. */
static void blurPass(const float *in, float *out, int w, int h, const float *kernel, int alongX)
{
    for (int y = 0; y < h; y++) {
        for (int x = 0; x < w; x++) {
            for (int c = 0; c < 3; c++) {
                float sum = 0.0f;
                for (int k = -RADIUS; k <= RADIUS; k++) {
                    int sx = alongX ? x + k : x, sy = alongX ? y : y + k;
                    sx = sx < 0 ? 0 : sx >= w ? w - 1 : sx;
                    sy = sy < 0 ? 0 : sy >= h ? h - 1 : sy;
                    sum += kernel[k + RADIUS] * in[((size_t)sy * w + sx) * 3 + c];
                }
                out[((size_t)y * w + x) * 3 + c] = sum;
            }
        }
    }
}

/* The frame as floats, blurred; null when out of memory. */
static float *blurred(const unsigned char *pixels, int w, int h)
{
    float kernel[2 * RADIUS + 1];
    float total = 0.0f;
    for (int k = -RADIUS; k <= RADIUS; k++) {
        kernel[k + RADIUS] = (float)exp(-(double)(k * k) / (2.0 * SIGMA * SIGMA));
        total += kernel[k + RADIUS];
    }
    for (int k = 0; k <= 2 * RADIUS; k++)
        kernel[k] /= total;
    size_t n = (size_t)w * h * 3;
    float *a = (float *)malloc(n * sizeof(float));
    float *b = (float *)malloc(n * sizeof(float));
    if (a == NULL || b == NULL) {
        free(a);
        free(b);
        return NULL;
    }
    for (size_t i = 0; i < n; i++)
        a[i] = pixels[i];
    blurPass(a, b, w, h, kernel, 1);
    blurPass(b, a, w, h, kernel, 0);
    free(b);
    return a;
}

/* ---- Public functions ------------------------------------------------------ */

int main(int argc, char **argv)
{
    if (argc < 3 || argc > 5) {
        fprintf(stderr, "usage: frame_diff A.png B.png [MEAN_BOUND [BLOCK_BOUND]]\n");
        return 2;
    }
    double meanBound = argc > 3 ? atof(argv[3]) : 2.0;
    double blockBound = argc > 4 ? atof(argv[4]) : 16.0;
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
    float *fa = blurred(pa, w, h);
    float *fb = blurred(pb, w, h);
    if (fa == NULL || fb == NULL) {
        fprintf(stderr, "frame_diff: out of memory for %d x %d frames\n", w, h);
        return 2;
    }
    double total = 0.0, worstBlock = 0.0;
    int worstX = 0, worstY = 0;
    for (int by = 0; by < h; by += BLOCK) {
        for (int bx = 0; bx < w; bx += BLOCK) {
            double sumA[3] = {0, 0, 0}, sumB[3] = {0, 0, 0};
            int count = 0;
            for (int y = by; y < by + BLOCK && y < h; y++) {
                for (int x = bx; x < bx + BLOCK && x < w; x++) {
                    for (int c = 0; c < 3; c++) {
                        size_t i = ((size_t)y * w + x) * 3 + c;
                        sumA[c] += fa[i];
                        sumB[c] += fb[i];
                        total += fabs((double)fa[i] - fb[i]);
                    }
                    count++;
                }
            }
            for (int c = 0; c < 3; c++) {
                double move = fabs(sumA[c] - sumB[c]) / count;
                if (move > worstBlock) {
                    worstBlock = move;
                    worstX = bx;
                    worstY = by;
                }
            }
        }
    }
    double mean = total / ((double)w * h * 3);
    int ok = mean <= meanBound && worstBlock <= blockBound;
    printf("mean %.3f  worst block %.2f at (%d,%d)  %s\n", mean, worstBlock, worstX, worstY,
           ok ? "same" : "DIFFERENT");
    free(fa);
    free(fb);
    free(pa);
    free(pb);
    return ok ? 0 : 1;
}
