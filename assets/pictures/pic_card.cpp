/*
 * pic_card.cpp - the pictures of the title card: the smoky sepia background
 * with its neon horizon grid, the neon title, the group caption and the party
 * logo (the last three on transparent ground).
 *
 * Depends on: pic.h (cairo, the rounded font).
 */
#include "pic.h"

#include <math.h>
#include <string.h>

/* ---- Internal helpers ---------------------------------------------------- */

/* Width of text set with extra spacing (in pixels) between its letters. */
static double spacedWidth(cairo_t *cr, const char *text, double spacing)
{
    double width = 0.0;
    char letter[2] = {0, 0};
    size_t n = strlen(text);
    for (size_t i = 0; i < n; i++) {
        cairo_text_extents_t e;
        letter[0] = text[i];
        cairo_text_extents(cr, letter, &e);
        width += e.x_advance + (i + 1 < n ? spacing : 0.0);
    }
    return width;
}

/* Adds the outlines of text, centred on cx, on the given baseline. */
static void spacedPath(cairo_t *cr, const char *text, double cx, double baseline, double spacing)
{
    double x = cx - spacedWidth(cr, text, spacing) / 2.0;
    char letter[2] = {0, 0};
    for (size_t i = 0; text[i]; i++) {
        cairo_text_extents_t e;
        letter[0] = text[i];
        cairo_text_extents(cr, letter, &e);
        cairo_move_to(cr, x, baseline);
        cairo_text_path(cr, letter);
        x += e.x_advance + spacing;
    }
}

/* A horizontal hairline from x0 to x1 that fades out towards both ends. */
static void fadingLine(cairo_t *cr, double x0, double x1, double y, double width)
{
    cairo_pattern_t *p = cairo_pattern_create_linear(x0, 0, x1, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.0, 1, 1, 1, 0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 1, 1, 1, 1);
    cairo_pattern_add_color_stop_rgba(p, 1.0, 1, 1, 1, 0);
    cairo_set_source(cr, p);
    cairo_rectangle(cr, x0, y - width / 2, x1 - x0, width);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
}

/* ---- Public functions ---------------------------------------------------- */

cairo_surface_t *picBackground(int w, int h)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    double horizon = 0.56 * h, cx = 0.5 * w;

    /* sky: black with a warm glow rising from the horizon */
    cairo_set_source_rgb(cr, 0.01, 0.008, 0.006);
    cairo_paint(cr);
    cairo_pattern_t *glow = cairo_pattern_create_radial(cx, horizon, 0, cx, horizon, 0.75 * w);
    cairo_pattern_add_color_stop_rgb(glow, 0.0, 0.60, 0.44, 0.26);
    cairo_pattern_add_color_stop_rgb(glow, 0.18, 0.26, 0.17, 0.09);
    cairo_pattern_add_color_stop_rgb(glow, 0.55, 0.06, 0.04, 0.025);
    cairo_pattern_add_color_stop_rgb(glow, 1.0, 0.01, 0.008, 0.006);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);

    /* smoke: fractal noise screened over the sky */
    cairo_surface_t *smoke = picNoiseSurface(w, h, 0.28 * w, 6, 1107, 0.0, 0.55);
    cairo_save(cr);
    cairo_rectangle(cr, 0, 0, w, horizon);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SCREEN);
    cairo_pattern_t *smokeFade = cairo_pattern_create_linear(0, 0, 0, horizon);
    cairo_pattern_add_color_stop_rgba(smokeFade, 0.0, 0, 0, 0, 0.15);
    cairo_pattern_add_color_stop_rgba(smokeFade, 1.0, 0, 0, 0, 0.55);
    cairo_set_source_surface(cr, smoke, 0, 0);
    cairo_mask(cr, smokeFade);
    cairo_pattern_destroy(smokeFade);
    cairo_restore(cr);
    cairo_surface_destroy(smoke);

    /* light rays fanning up from the vanishing point */
    PicRng rng;
    picSeed(&rng, 77);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    for (int i = 0; i < 26; i++) {
        double a = -M_PI + (i + picRange(&rng, 0.1, 0.9)) * M_PI / 26.0;
        double spread = picRange(&rng, 0.004, 0.02), len = picRange(&rng, 0.5, 0.9) * w;
        cairo_pattern_t *ray = cairo_pattern_create_radial(cx, horizon, 0, cx, horizon, len);
        cairo_pattern_add_color_stop_rgba(ray, 0.0, 0.9, 0.7, 0.45, picRange(&rng, 0.05, 0.16));
        cairo_pattern_add_color_stop_rgba(ray, 1.0, 0.9, 0.7, 0.45, 0.0);
        cairo_set_source(cr, ray);
        cairo_move_to(cr, cx, horizon);
        cairo_arc(cr, cx, horizon, len, a - spread, a + spread);
        cairo_close_path(cr);
        cairo_fill(cr);
        cairo_pattern_destroy(ray);
    }
    cairo_restore(cr);

    /* ground: a perspective grid of amber neon lines into the haze */
    cairo_surface_t *grid = picSurface(w, h);
    cairo_t *gc = cairo_create(grid);
    cairo_set_source_rgb(gc, 1, 1, 1);
    double eye = 0.5 * h; /* screen distance of a ground row one unit away */
    for (int i = -120; i <= 120; i++) {
        cairo_move_to(gc, cx, horizon);
        cairo_line_to(gc, cx + i * 0.11 * w, h);
        cairo_set_line_width(gc, 0.0016 * w);
        cairo_stroke(gc);
    }
    for (int k = 0; k < 60; k++) {
        double z = 1.0 + k * 0.32;
        double y = horizon + eye / z;
        cairo_move_to(gc, 0, y);
        cairo_line_to(gc, w, y);
        cairo_set_line_width(gc, 0.0026 * w / z + 0.5);
        cairo_stroke(gc);
    }
    /* the haze swallows the far rows */
    cairo_set_operator(gc, CAIRO_OPERATOR_DEST_IN);
    cairo_pattern_t *haze = cairo_pattern_create_linear(0, horizon, 0, h);
    cairo_pattern_add_color_stop_rgba(haze, 0.0, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(haze, 0.08, 0, 0, 0, 0.12);
    cairo_pattern_add_color_stop_rgba(haze, 0.4, 0, 0, 0, 0.5);
    cairo_pattern_add_color_stop_rgba(haze, 1.0, 0, 0, 0, 0.8);
    cairo_set_source(gc, haze);
    cairo_paint(gc);
    cairo_pattern_destroy(haze);
    cairo_destroy(gc);
    cairo_save(cr);
    cairo_rectangle(cr, 0, horizon, w, h - horizon);
    cairo_clip(cr);
    cairo_pattern_t *ground = cairo_pattern_create_radial(cx, horizon, 0, cx, horizon, 0.6 * w);
    cairo_pattern_add_color_stop_rgb(ground, 0.0, 0.30, 0.20, 0.11);
    cairo_pattern_add_color_stop_rgb(ground, 0.3, 0.06, 0.04, 0.025);
    cairo_pattern_add_color_stop_rgb(ground, 1.0, 0.012, 0.009, 0.007);
    cairo_set_source(cr, ground);
    cairo_paint(cr);
    cairo_pattern_destroy(ground);
    picNeon(cr, grid, 1.0, 0.55, 0.18, 0.45);
    cairo_restore(cr);
    cairo_surface_destroy(grid);

    /* the horizon itself: a thin hot line with a halo */
    cairo_surface_t *line = picSurface(w, h);
    cairo_t *lc = cairo_create(line);
    fadingLine(lc, 0.02 * w, 0.98 * w, horizon, 0.003 * h);
    cairo_destroy(lc);
    picNeon(cr, line, 1.0, 0.62, 0.25, 1.0);
    cairo_surface_destroy(line);

    /* dust motes drifting in the light */
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    for (int i = 0; i < 140; i++) {
        double x = picRange(&rng, 0, w), y = picRange(&rng, 0.1 * h, 0.9 * h);
        double r = picRange(&rng, 1.5, 14.0) * w / 1600.0;
        double near = 1.0 - fabs(y - horizon) / (0.5 * h);
        cairo_pattern_t *mote = cairo_pattern_create_radial(x, y, 0, x, y, r);
        cairo_pattern_add_color_stop_rgba(mote, 0.0, 1.0, 0.85, 0.6, 0.25 * near);
        cairo_pattern_add_color_stop_rgba(mote, 0.7, 1.0, 0.85, 0.6, 0.12 * near);
        cairo_pattern_add_color_stop_rgba(mote, 1.0, 1.0, 0.85, 0.6, 0.0);
        cairo_set_source(cr, mote);
        cairo_arc(cr, x, y, r, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(mote);
    }
    cairo_restore(cr);
    cairo_destroy(cr);

    picGrain(s, 0.03, 0.15, 9001);
    picDamage(s, 120, 5, 4242);
    /* the quad does not fill the screen and it wobbles: fade the rim to black */
    picVignette(s, 1.0);
    picRimFade(s, 0.12);
    return s;
}

cairo_surface_t *picTitle(int w, int h)
{
    cairo_surface_t *shape = picSurface(w, h);
    cairo_t *sc = cairo_create(shape);
    cairo_set_source_rgb(sc, 1, 1, 1);
    picSelectFont(sc, PIC_FONT_BOLD, 0.56 * h);
    double spacing = 0.18 * h;
    spacedPath(sc, "KOLVANE", 0.5 * w, 0.62 * h, spacing);
    cairo_fill(sc);
    /* hairlines under the name, parted in the middle by a small diamond */
    fadingLine(sc, 0.08 * w, 0.47 * w, 0.80 * h, 0.018 * h);
    fadingLine(sc, 0.53 * w, 0.92 * w, 0.80 * h, 0.018 * h);
    cairo_move_to(sc, 0.5 * w, 0.80 * h - 0.04 * h);
    cairo_line_to(sc, 0.5 * w + 0.04 * h, 0.80 * h);
    cairo_line_to(sc, 0.5 * w, 0.80 * h + 0.04 * h);
    cairo_line_to(sc, 0.5 * w - 0.04 * h, 0.80 * h);
    cairo_close_path(sc);
    cairo_fill(sc);
    cairo_destroy(sc);

    /* the scene shows the title at no more than 0.6 alpha: a doubled halo and
       an amber core keep it glowing rather than grey */
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    picNeon(cr, shape, 1.0, 0.58, 0.20, 1.0);
    picNeon(cr, shape, 1.0, 0.58, 0.20, 1.0);
    cairo_set_source_rgba(cr, 1.0, 0.68, 0.30, 0.85);
    cairo_mask_surface(cr, shape, 0, 0);
    cairo_destroy(cr);
    cairo_surface_destroy(shape);
    return s;
}

cairo_surface_t *picCaption(int w, int h)
{
    cairo_surface_t *shape = picSurface(w, h);
    cairo_t *sc = cairo_create(shape);
    cairo_set_source_rgb(sc, 1, 1, 1);
    picSelectFont(sc, PIC_FONT_BOLD, 0.50 * h);
    spacedPath(sc, "tarvex", 0.5 * w, 0.55 * h, 0.03 * h);
    cairo_fill(sc);
    picSelectFont(sc, PIC_FONT_REGULAR, 0.19 * h);
    spacedPath(sc, "presents", 0.5 * w, 0.84 * h, 0.10 * h);
    cairo_fill(sc);
    cairo_destroy(sc);

    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    picNeon(cr, shape, 0.35, 0.85, 1.0, 0.9);
    cairo_destroy(cr);
    cairo_surface_destroy(shape);
    return s;
}

cairo_surface_t *picPartyLogo(int w, int h)
{
    cairo_surface_t *shape = picSurface(w, h);
    cairo_t *sc = cairo_create(shape);
    cairo_set_source_rgb(sc, 1, 1, 1);
    /* a rounded frame, broken at the bottom where the year sits */
    double x0 = 0.1 * w, y0 = 0.16 * h, x1 = 0.9 * w, y1 = 0.78 * h, r = 0.12 * h;
    double gap = 0.22 * w;
    cairo_move_to(sc, 0.5 * w - gap, y1);
    cairo_line_to(sc, x0 + r, y1);
    cairo_arc(sc, x0 + r, y1 - r, r, M_PI / 2, M_PI);
    cairo_line_to(sc, x0, y0 + r);
    cairo_arc(sc, x0 + r, y0 + r, r, M_PI, 1.5 * M_PI);
    cairo_line_to(sc, x1 - r, y0);
    cairo_arc(sc, x1 - r, y0 + r, r, 1.5 * M_PI, 2 * M_PI);
    cairo_line_to(sc, x1, y1 - r);
    cairo_arc(sc, x1 - r, y1 - r, r, 0, M_PI / 2);
    cairo_line_to(sc, 0.5 * w + gap, y1);
    cairo_set_line_width(sc, 0.022 * h);
    cairo_set_line_cap(sc, CAIRO_LINE_CAP_ROUND);
    cairo_stroke(sc);
    picSelectFont(sc, PIC_FONT_BOLD, 0.26 * h);
    spacedPath(sc, "vornfest", 0.5 * w, 0.55 * h, 0.01 * h);
    cairo_fill(sc);
    cairo_destroy(sc);

    cairo_surface_t *year = picSurface(w, h);
    cairo_t *yc = cairo_create(year);
    cairo_set_source_rgb(yc, 1, 1, 1);
    picSelectFont(yc, PIC_FONT_REGULAR, 0.16 * h);
    spacedPath(yc, "2010", 0.5 * w, y1 + 0.055 * h, 0.07 * h);
    cairo_fill(yc);
    cairo_destroy(yc);

    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    picNeon(cr, shape, 1.0, 0.25, 0.65, 0.95);
    picNeon(cr, year, 0.35, 0.85, 1.0, 0.95);
    cairo_destroy(cr);
    cairo_surface_destroy(shape);
    cairo_surface_destroy(year);
    return s;
}
