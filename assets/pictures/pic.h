/*
 * pic.h - the picture generator: procedural drawing helpers and the table of
 * the demo's pictures.
 *
 * Every picture is painted upright with cairo (and per-pixel passes on the
 * image data), then written to PNG upside down, because the framework's
 * screen quad shows a PNG's top file row at the bottom of the quad.
 *
 * Depends on: cairo (with its FreeType font backend), FreeType, libpng.
 */
#ifndef PIC_H
#define PIC_H

#include <cairo.h>
#include <stdint.h>

/* ---- Deterministic randomness and noise (pic_canvas.cpp) ---------------- */

struct PicRng {
    uint64_t state;
};

void picSeed(PicRng *rng, uint64_t seed);
double picRand(PicRng *rng);                       /* uniform in [0, 1) */
double picRange(PicRng *rng, double lo, double hi); /* uniform in [lo, hi) */
double picNoise(double x, double y, uint32_t seed); /* smooth value noise in [0, 1] */
double picFbm(double x, double y, int octaves, uint32_t seed); /* fractal sum in [0, 1] */

/* ---- Perspective (pic_canvas.cpp) --------------------------------------- */

/* A pinhole camera at height `height` above the ground plane y = 0, looking
 * along +z and pitched down by `pitch` radians; the picture centre is at
 * (cx, cy) and the focal length is in pixels. */
struct PicCamera {
    double cx, cy, focal, height, pitch;
};

/* Screen position of the world point (x, y, z); returns the depth along the
 * view direction (not positive: behind the camera). */
double picProject(const PicCamera *camera, double x, double y, double z, double *sx, double *sy);
void picMoveTo3(cairo_t *cr, const PicCamera *camera, double x, double y, double z);
void picLineTo3(cairo_t *cr, const PicCamera *camera, double x, double y, double z);

/* ---- Surfaces and per-pixel passes (pic_canvas.cpp) --------------------- */

enum PicFont { PIC_FONT_REGULAR, PIC_FONT_BOLD };

/* A new ARGB32 image surface, fully transparent. */
cairo_surface_t *picSurface(int width, int height);
/* An opaque grey surface of fractal noise, grey levels from lo to hi (0..1);
 * scale is the size in pixels of the coarsest octave. */
cairo_surface_t *picNoiseSurface(int width, int height, double scale, int octaves,
                                 uint32_t seed, double lo, double hi);
/* Blurs all four channels with three box passes of the given radius. */
void picBlur(cairo_surface_t *surface, int radius);
/* Paints the alpha of shape as a neon glow of colour (r, g, b) onto cr's
 * target: a wide halo, a tight halo and a pale core. */
void picNeon(cairo_t *cr, cairo_surface_t *shape, double r, double g, double b,
             double strength);
/* The sepia ramp: the colour of grey level l (0..1) once toned. */
void picSepiaTone(double l, double rgb[3]);
/* Stretches the grey levels of an opaque surface so that its darkest and
 * brightest few pixels reach black and white, then lifts the mid-tones by
 * gamma (below 1 brightens). */
void picLevels(cairo_surface_t *surface, double gamma);
/* Film grain: clumped noise, strongest in the mid-tones, plus fine (0..1)
 * times white noise (which costs the most in the PNG). */
void picGrain(cairo_surface_t *surface, double amount, double fine, uint32_t seed);
/* Darkens the corners of an opaque surface. */
void picVignette(cairo_surface_t *surface, double strength);
/* Fades an opaque surface to black within margin (a fraction of each side)
 * of its edges. */
void picRimFade(cairo_surface_t *surface, double margin);
/* Old-film damage: dust specks, hairs and a few vertical scratches. */
void picDamage(cairo_surface_t *surface, int specks, int scratches, uint32_t seed);
/* Selects one of the rounded font's weights on cr. */
void picSelectFont(cairo_t *cr, PicFont font, double size);
/* PNG layouts: true colour, true colour with alpha, or an 8-bit palette of
 * 256 sepia tones indexed by the pixel's luminance (for pictures that are
 * sepia through and through: a third of the size). */
enum PicPngFormat { PIC_PNG_RGB, PIC_PNG_RGBA, PIC_PNG_SEPIA };

/* Writes the surface as a PNG stored upside down, compression level 9, no
 * time or text chunks. Returns 0 on success. */
int picWritePng(cairo_surface_t *surface, const char *path, int format);

/* ---- The painters (pic_card.cpp, pic_city.cpp, pic_machines.cpp,
 *      pic_overlays.cpp); each returns a new surface of the given size ---- */

cairo_surface_t *picBackground(int width, int height);
cairo_surface_t *picTitle(int width, int height);
cairo_surface_t *picCaption(int width, int height);
cairo_surface_t *picPartyLogo(int width, int height);
cairo_surface_t *picCity(int width, int height, int view);
cairo_surface_t *picValveComputer(int width, int height);
cairo_surface_t *picTransistor(int width, int height);
cairo_surface_t *picOpticalProcessor(int width, int height);
cairo_surface_t *picCockpitOverlay(int width, int height);
cairo_surface_t *picMonitorOverlay(int width, int height);

/* ---- The picture table (pic_table.cpp) ---------------------------------- */

struct PicEntry {
    const char *file;  /* file name under the output folder, e.g. "title.png" */
    int width, height; /* pixel size */
    int format;        /* a PicPngFormat */
    cairo_surface_t *(*paint)(int width, int height);
};

int picCount(void);
const PicEntry *picEntry(int index);
/* Paints picture index and writes it into folder dir. Returns 0 on success. */
int picGenerate(int index, const char *dir);

#endif
