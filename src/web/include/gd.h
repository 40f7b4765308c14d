/*
 * gd.h (web build) - the part of libgd the framework's PNG reader calls
 * (tvx_picture.cpp), offered by the web layer (src/web/web_gd.cpp) on
 * libpng: a PNG in memory decoded into a true-colour image with libgd's 7-bit alpha
 * (0 opaque, 127 transparent), read pixel by pixel.
 *
 * Depends on: nothing.
 */
#ifndef KOLVANE_WEB_GD_H
#define KOLVANE_WEB_GD_H

typedef struct gdImageStruct {
    int sx;
    int sy;
    int transparent;     /* always -1: the alpha of every pixel says it */
    int *tpixels;        /* sy rows of sx packed pixels 0xAARRGGBB, alpha 0..127 */
} gdImage;
typedef gdImage *gdImagePtr;

#define gdImageSX(im) ((im)->sx)
#define gdImageSY(im) ((im)->sy)
#define gdImageGetTransparent(im) ((im)->transparent)
#define gdImageRed(im, c) (((c) >> 16) & 0xFF)
#define gdImageGreen(im, c) (((c) >> 8) & 0xFF)
#define gdImageBlue(im, c) ((c) & 0xFF)
#define gdImageAlpha(im, c) (((c) >> 24) & 0x7F)

#ifdef __cplusplus
extern "C" {
#endif
gdImagePtr gdImageCreateFromPngPtr(int size, void *data);
int gdImageGetPixel(gdImagePtr image, int x, int y);
void gdImageDestroy(gdImagePtr image);
#ifdef __cplusplus
}
#endif

#endif
