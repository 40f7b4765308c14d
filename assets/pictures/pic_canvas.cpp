/*
 * pic_canvas.cpp - drawing helpers shared by the picture painters:
 * deterministic randomness and value noise, perspective, blur and neon glow,
 * the film look (levels, grain, vignette, dust and scratches), the rounded
 * font, and the upside-down PNG writer with its sepia palette.
 *
 * Depends on: cairo and cairo-ft, FreeType, libpng.
 */
#include "pic.h"

#include <cairo-ft.h>  /* cairo font faces from FreeType faces */
#include <ft2build.h>
#include FT_FREETYPE_H
#include <png.h>

#include <math.h>
#include <stdio.h>
#include <string.h>
#include <vector>

/* ---- State --------------------------------------------------------------- */

static FT_Library fontLibrary = nullptr;
static cairo_font_face_t *fontFaces[2] = {nullptr, nullptr};
static const char *const fontPaths[2] = {PIC_FONT_REGULAR_PATH, PIC_FONT_BOLD_PATH};

/* ---- Internal helpers ---------------------------------------------------- */

static uint32_t hash3(uint32_t x, uint32_t y, uint32_t seed)
{
    uint32_t h = x * 0x8da6b343u ^ y * 0xd8163841u ^ seed * 0xcb1ab31fu;
    h ^= h >> 15;
    h *= 0x2c1b3c6du;
    h ^= h >> 12;
    h *= 0x297a2d39u;
    h ^= h >> 15;
    return h;
}

static double hashUnit(int x, int y, uint32_t seed)
{
    return hash3((uint32_t)x, (uint32_t)y, seed) / 4294967296.0;
}

static double quintic(double t)
{
    return t * t * t * (t * (t * 6.0 - 15.0) + 10.0);
}

static double clamp01(double v)
{
    return v < 0.0 ? 0.0 : (v > 1.0 ? 1.0 : v);
}

static void boxPass(std::vector<int> &line, std::vector<int> &scratch, int radius)
{
    int n = (int)line.size();
    int window = 2 * radius + 1;
    long sum = 0;
    for (int i = -radius; i <= radius; i++)
        sum += (i >= 0 && i < n) ? line[i] : 0;
    for (int i = 0; i < n; i++) {
        scratch[i] = (int)(sum / window);
        int out = i - radius, in = i + radius + 1;
        sum -= (out >= 0) ? line[out] : 0;
        sum += (in < n) ? line[in] : 0;
    }
    line.swap(scratch);
}

static cairo_surface_t *copySurface(cairo_surface_t *source)
{
    cairo_surface_t *copy = picSurface(cairo_image_surface_get_width(source),
                                       cairo_image_surface_get_height(source));
    cairo_t *cr = cairo_create(copy);
    cairo_set_source_surface(cr, source, 0, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    return copy;
}

/* ---- Public functions ---------------------------------------------------- */

void picSeed(PicRng *rng, uint64_t seed)
{
    rng->state = seed * 0x9e3779b97f4a7c15ull + 0x632be59bd9b4e019ull;
}

double picRand(PicRng *rng)
{
    /* splitmix64 */
    uint64_t z = (rng->state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    z ^= z >> 31;
    return (double)(z >> 11) / 9007199254740992.0;
}

double picRange(PicRng *rng, double lo, double hi)
{
    return lo + (hi - lo) * picRand(rng);
}

double picNoise(double x, double y, uint32_t seed)
{
    double fx = floor(x), fy = floor(y);
    int ix = (int)fx, iy = (int)fy;
    double u = quintic(x - fx), v = quintic(y - fy);
    double a = hashUnit(ix, iy, seed), b = hashUnit(ix + 1, iy, seed);
    double c = hashUnit(ix, iy + 1, seed), d = hashUnit(ix + 1, iy + 1, seed);
    return (a + (b - a) * u) * (1.0 - v) + (c + (d - c) * u) * v;
}

double picFbm(double x, double y, int octaves, uint32_t seed)
{
    double sum = 0.0, weight = 1.0, total = 0.0;
    for (int o = 0; o < octaves; o++) {
        sum += picNoise(x, y, seed + (uint32_t)o * 7919u) * weight;
        total += weight;
        weight *= 0.5;
        /* rotate a little between octaves so the lattice does not show */
        double nx = x * 1.6 - y * 1.2, ny = x * 1.2 + y * 1.6;
        x = nx + 17.31;
        y = ny + 5.77;
    }
    return sum / total;
}

double picProject(const PicCamera *camera, double x, double y, double z, double *sx, double *sy)
{
    double c = cos(camera->pitch), s = sin(camera->pitch), dy = y - camera->height;
    double depth = z * c - dy * s, up = dy * c + z * s;
    if (depth < 1e-6)
        depth = 1e-6;
    *sx = camera->cx + camera->focal * x / depth;
    *sy = camera->cy - camera->focal * up / depth;
    return depth;
}

void picMoveTo3(cairo_t *cr, const PicCamera *camera, double x, double y, double z)
{
    double sx, sy;
    picProject(camera, x, y, z, &sx, &sy);
    cairo_move_to(cr, sx, sy);
}

void picLineTo3(cairo_t *cr, const PicCamera *camera, double x, double y, double z)
{
    double sx, sy;
    picProject(camera, x, y, z, &sx, &sy);
    cairo_line_to(cr, sx, sy);
}

cairo_surface_t *picSurface(int width, int height)
{
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t *cr = cairo_create(s);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_paint(cr);
    cairo_destroy(cr);
    return s;
}

cairo_surface_t *picNoiseSurface(int width, int height, double scale, int octaves,
                                 uint32_t seed, double lo, double hi)
{
    cairo_surface_t *s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_surface_flush(s);
    unsigned char *data = cairo_image_surface_get_data(s);
    int stride = cairo_image_surface_get_stride(s);
    for (int y = 0; y < height; y++) {
        uint32_t *row = (uint32_t *)(data + (size_t)y * stride);
        for (int x = 0; x < width; x++) {
            double n = picFbm(x / scale, y / scale, octaves, seed);
            /* stretch the fractal sum, which clusters around 0.5 */
            n = clamp01((n - 0.5) * 1.8 + 0.5);
            uint32_t g = (uint32_t)lround(255.0 * (lo + (hi - lo) * n));
            row[x] = 0xff000000u | g << 16 | g << 8 | g;
        }
    }
    cairo_surface_mark_dirty(s);
    return s;
}

void picBlur(cairo_surface_t *surface, int radius)
{
    if (radius < 1)
        return;
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    for (int c = 0; c < 4; c++) {
        int shift = c * 8;
        std::vector<int> line, scratch;
        line.resize(w);
        scratch.resize(w);
        for (int y = 0; y < h; y++) {
            uint32_t *row = (uint32_t *)(data + (size_t)y * stride);
            for (int x = 0; x < w; x++)
                line[x] = (int)((row[x] >> shift) & 0xff) << 8;
            for (int p = 0; p < 3; p++)
                boxPass(line, scratch, radius);
            for (int x = 0; x < w; x++)
                row[x] = (row[x] & ~(0xffu << shift)) | (uint32_t)(line[x] >> 8) << shift;
        }
        line.resize(h);
        scratch.resize(h);
        for (int x = 0; x < w; x++) {
            for (int y = 0; y < h; y++)
                line[y] = (int)((((uint32_t *)(data + (size_t)y * stride))[x] >> shift) & 0xff) << 8;
            for (int p = 0; p < 3; p++)
                boxPass(line, scratch, radius);
            for (int y = 0; y < h; y++) {
                uint32_t *px = (uint32_t *)(data + (size_t)y * stride) + x;
                *px = (*px & ~(0xffu << shift)) | (uint32_t)(line[y] >> 8) << shift;
            }
        }
    }
    cairo_surface_mark_dirty(surface);
}

void picNeon(cairo_t *cr, cairo_surface_t *shape, double r, double g, double b,
             double strength)
{
    int h = cairo_image_surface_get_height(shape);
    int wide = h / 14 > 2 ? h / 14 : 2;
    int tight = wide / 4 > 1 ? wide / 4 : 1;
    cairo_surface_t *halo = copySurface(shape);
    cairo_surface_t *glow = copySurface(shape);
    picBlur(halo, wide);
    picBlur(glow, tight);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    cairo_set_source_rgba(cr, r, g, b, clamp01(0.9 * strength));
    cairo_mask_surface(cr, halo, 0, 0);
    cairo_mask_surface(cr, halo, 0, 0);
    cairo_set_source_rgba(cr, r, g, b, clamp01(strength));
    cairo_mask_surface(cr, glow, 0, 0);
    cairo_set_source_rgba(cr, 1.0 - (1.0 - r) * 0.25, 1.0 - (1.0 - g) * 0.25,
                          1.0 - (1.0 - b) * 0.25, 1.0);
    cairo_mask_surface(cr, shape, 0, 0);
    cairo_restore(cr);
    cairo_surface_destroy(halo);
    cairo_surface_destroy(glow);
}

void picSepiaTone(double l, double rgb[3])
{
    static const double stops[4][4] = {{0.0, 0.030, 0.022, 0.016},
                                       {0.35, 0.300, 0.200, 0.115},
                                       {0.72, 0.740, 0.580, 0.380},
                                       {1.0, 1.000, 0.950, 0.840}};
    int i = 0;
    while (i < 2 && l > stops[i + 1][0])
        i++;
    double u = clamp01((l - stops[i][0]) / (stops[i + 1][0] - stops[i][0]));
    for (int c = 0; c < 3; c++)
        rgb[c] = stops[i][c + 1] + (stops[i + 1][c + 1] - stops[i][c + 1]) * u;
}

void picLevels(cairo_surface_t *surface, double gamma)
{
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    long histogram[256] = {0};
    for (int y = 0; y < h; y++) {
        const uint32_t *row = (const uint32_t *)(data + (size_t)y * stride);
        for (int x = 0; x < w; x++)
            histogram[(((row[x] >> 16) & 0xff) * 77 + ((row[x] >> 8) & 0xff) * 150 + (row[x] & 0xff) * 29) >> 8]++;
    }
    long total = (long)w * h, seen = 0;
    int black = 0, white = 255;
    for (int i = 0; i < 256; i++) {
        seen += histogram[i];
        if (seen <= total / 200)
            black = i;
        if (seen <= total - total / 400)
            white = i;
    }
    if (white <= black)
        return;
    unsigned char map[256];
    for (int i = 0; i < 256; i++)
        map[i] = (unsigned char)lround(255.0 * pow(clamp01((i - black) / (double)(white - black)), gamma));
    for (int y = 0; y < h; y++) {
        uint32_t *row = (uint32_t *)(data + (size_t)y * stride);
        for (int x = 0; x < w; x++)
            row[x] = (row[x] & 0xff000000u) | (uint32_t)map[(row[x] >> 16) & 0xff] << 16 |
                     (uint32_t)map[(row[x] >> 8) & 0xff] << 8 | map[row[x] & 0xff];
    }
    cairo_surface_mark_dirty(surface);
}

void picGrain(cairo_surface_t *surface, double amount, double fine, uint32_t seed)
{
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < h; y++) {
        uint32_t *row = (uint32_t *)(data + (size_t)y * stride);
        for (int x = 0; x < w; x++) {
            /* a fine grain plus clumps two pixels wide */
            double white = hashUnit(x, y, seed) + hashUnit(x, y, seed + 1) - 1.0;
            double clump = picNoise(x * 0.55, y * 0.55, seed + 2) * 2.0 - 1.0;
            double n = fine * white + 0.75 * clump;
            double l = (((row[x] >> 16) & 0xff) * 0.299 + ((row[x] >> 8) & 0xff) * 0.587 +
                        (row[x] & 0xff) * 0.114) / 255.0;
            double k = amount * (0.35 + 2.6 * l * (1.0 - l)) * 255.0 * n;
            uint32_t out = row[x] & 0xff000000u;
            for (int c = 0; c < 3; c++) {
                double v = ((row[x] >> (16 - 8 * c)) & 0xff) + k;
                out |= (uint32_t)lround(v < 0 ? 0 : (v > 255 ? 255 : v)) << (16 - 8 * c);
            }
            row[x] = out;
        }
    }
    cairo_surface_mark_dirty(surface);
}

void picVignette(cairo_surface_t *surface, double strength)
{
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < h; y++) {
        uint32_t *row = (uint32_t *)(data + (size_t)y * stride);
        double dy = (y + 0.5) / h * 2.0 - 1.0;
        for (int x = 0; x < w; x++) {
            double dx = (x + 0.5) / w * 2.0 - 1.0;
            double r = sqrt(dx * dx * 0.8 + dy * dy * 0.8);
            double t = clamp01((r - 0.45) / 0.75);
            double k = 1.0 - strength * t * t * (3.0 - 2.0 * t);
            uint32_t out = row[x] & 0xff000000u;
            for (int c = 0; c < 3; c++) {
                double v = ((row[x] >> (16 - 8 * c)) & 0xff) * k;
                out |= (uint32_t)lround(v) << (16 - 8 * c);
            }
            row[x] = out;
        }
    }
    cairo_surface_mark_dirty(surface);
}

void picRimFade(cairo_surface_t *surface, double margin)
{
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    for (int y = 0; y < h; y++) {
        uint32_t *row = (uint32_t *)(data + (size_t)y * stride);
        double v = (y + 0.5) / h;
        double ky = clamp01(fmin(v, 1.0 - v) / margin);
        for (int x = 0; x < w; x++) {
            double u = (x + 0.5) / w;
            double k = ky * clamp01(fmin(u, 1.0 - u) / margin);
            k = k * k * (3.0 - 2.0 * k);
            uint32_t out = row[x] & 0xff000000u;
            for (int c = 0; c < 3; c++)
                out |= (uint32_t)lround(((row[x] >> (16 - 8 * c)) & 0xff) * k) << (16 - 8 * c);
            row[x] = out;
        }
    }
    cairo_surface_mark_dirty(surface);
}

void picDamage(cairo_surface_t *surface, int specks, int scratches, uint32_t seed)
{
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    double unit = h / 576.0;
    PicRng rng;
    picSeed(&rng, seed);
    cairo_t *cr = cairo_create(surface);
    for (int i = 0; i < specks; i++) {
        double x = picRange(&rng, 0, w), y = picRange(&rng, 0, h);
        double dark = picRand(&rng) < 0.7;
        double v = dark ? 0.05 : 0.95;
        cairo_set_source_rgba(cr, v, v * 0.95, v * 0.85, picRange(&rng, 0.25, 0.7));
        if (picRand(&rng) < 0.8) {
            cairo_arc(cr, x, y, picRange(&rng, 0.4, 1.6) * unit, 0, 2 * M_PI);
            cairo_fill(cr);
        } else {
            /* a hair: a short wavy curve */
            double a = picRange(&rng, 0, 2 * M_PI), len = picRange(&rng, 8, 30) * unit;
            cairo_move_to(cr, x, y);
            cairo_curve_to(cr, x + cos(a + 1) * len * 0.4, y + sin(a + 1) * len * 0.4,
                           x + cos(a - 1) * len * 0.7, y + sin(a - 1) * len * 0.7,
                           x + cos(a) * len, y + sin(a) * len);
            cairo_set_line_width(cr, 0.7 * unit);
            cairo_stroke(cr);
        }
    }
    for (int i = 0; i < scratches; i++) {
        double x = picRange(&rng, 0.05 * w, 0.95 * w);
        double y0 = picRange(&rng, -0.2 * h, 0.5 * h), y1 = y0 + picRange(&rng, 0.3, 1.2) * h;
        cairo_move_to(cr, x, y0);
        cairo_curve_to(cr, x + picRange(&rng, -4, 4) * unit, y0 + (y1 - y0) * 0.33,
                       x + picRange(&rng, -4, 4) * unit, y0 + (y1 - y0) * 0.66,
                       x + picRange(&rng, -3, 3) * unit, y1);
        cairo_set_source_rgba(cr, 1.0, 0.96, 0.88, picRange(&rng, 0.10, 0.25));
        cairo_set_line_width(cr, picRange(&rng, 0.6, 1.3) * unit);
        cairo_stroke(cr);
    }
    cairo_destroy(cr);
}

void picSelectFont(cairo_t *cr, PicFont font, double size)
{
    if (!fontLibrary && FT_Init_FreeType(&fontLibrary) != 0) {
        fprintf(stderr, "pictures: FreeType does not start\n");
        return;
    }
    if (!fontFaces[font]) {
        FT_Face face;
        if (FT_New_Face(fontLibrary, fontPaths[font], 0, &face) != 0) {
            fprintf(stderr, "pictures: cannot read font %s\n", fontPaths[font]);
            return;
        }
        fontFaces[font] = cairo_ft_font_face_create_for_ft_face(face, 0);
    }
    cairo_set_font_face(cr, fontFaces[font]);
    cairo_set_font_size(cr, size);
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
}

int picWritePng(cairo_surface_t *surface, const char *path, int format)
{
    cairo_surface_flush(surface);
    int w = cairo_image_surface_get_width(surface);
    int h = cairo_image_surface_get_height(surface);
    int stride = cairo_image_surface_get_stride(surface);
    const unsigned char *data = cairo_image_surface_get_data(surface);
    int channels = format == PIC_PNG_RGBA ? 4 : (format == PIC_PNG_RGB ? 3 : 1);

    /* unpremultiply (or map to the sepia ramp), and store the bottom row first */
    std::vector<unsigned char> pixels((size_t)w * h * channels);
    for (int y = 0; y < h; y++) {
        const uint32_t *row = (const uint32_t *)(data + (size_t)(h - 1 - y) * stride);
        unsigned char *out = &pixels[(size_t)y * w * channels];
        for (int x = 0; x < w; x++) {
            uint32_t p = row[x], a = p >> 24;
            if (format == PIC_PNG_SEPIA) {
                double l = 0.299 * ((p >> 16) & 0xff) + 0.587 * ((p >> 8) & 0xff) + 0.114 * (p & 0xff);
                out[x] = (unsigned char)lround(l);
                continue;
            }
            for (int c = 0; c < 3; c++) {
                uint32_t v = (p >> (16 - 8 * c)) & 0xff;
                if (format == PIC_PNG_RGBA)
                    v = a ? (v * 255 + a / 2) / a : 0;
                out[x * channels + c] = (unsigned char)(v > 255 ? 255 : v);
            }
            if (format == PIC_PNG_RGBA)
                out[x * channels + 3] = (unsigned char)a;
        }
    }

    FILE *file = fopen(path, "wb");
    if (!file) {
        fprintf(stderr, "pictures: cannot write %s\n", path);
        return -1;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        fclose(file);
        fprintf(stderr, "pictures: cannot encode %s\n", path);
        return -1;
    }
    static const int colourTypes[3] = {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA,
                                       PNG_COLOR_TYPE_PALETTE};
    png_init_io(png, file);
    png_set_compression_level(png, 9);
    png_set_IHDR(png, info, (png_uint_32)w, (png_uint_32)h, 8, colourTypes[format],
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (format == PIC_PNG_SEPIA) {
        png_color palette[256];
        for (int i = 0; i < 256; i++) {
            double tone[3];
            picSepiaTone(i / 255.0, tone);
            palette[i].red = (png_byte)lround(255.0 * tone[0]);
            palette[i].green = (png_byte)lround(255.0 * tone[1]);
            palette[i].blue = (png_byte)lround(255.0 * tone[2]);
        }
        png_set_PLTE(png, info, palette, 256);
    }
    png_write_info(png, info);
    for (int y = 0; y < h; y++)
        png_write_row(png, &pixels[(size_t)y * w * channels]);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (fclose(file) != 0) {
        fprintf(stderr, "pictures: cannot write %s\n", path);
        return -1;
    }
    return 0;
}
