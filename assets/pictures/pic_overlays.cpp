/*
 * pic_overlays.cpp - the two full-screen overlays, on transparent ground:
 * the cockpit canopy (scene 4: a bar along the top, darkened corners, scratched
 * glass, and a neon flight display around an open centre where the view
 * ahead and the cockpit's screens show through) and the monitor glass
 * (scene 6: rounded screen mask, scanlines, glare and a camera read-out).
 *
 * Depends on: pic.h.
 */
#include "pic.h"

#include <math.h>
#include <stdio.h>

/* ---- Internal helpers ---------------------------------------------------- */

/* Corner brackets of a frame inset by (mx, my), arms of length arm. */
static void cornerBrackets(cairo_t *cr, int w, int h, double mx, double my, double arm)
{
    const double corners[4][4] = {{mx, my, 1, 1}, {w - mx, my, -1, 1},
                                  {mx, h - my, 1, -1}, {w - mx, h - my, -1, -1}};
    for (const double *c : corners) {
        cairo_move_to(cr, c[0] + c[2] * arm, c[1]);
        cairo_line_to(cr, c[0], c[1]);
        cairo_line_to(cr, c[0], c[1] + c[3] * arm);
    }
    cairo_stroke(cr);
}

/* Darkens towards the rim: black whose alpha rises outside an ellipse. */
static void rimShade(cairo_t *cr, int w, int h, double inner, double outer, double alpha)
{
    cairo_save(cr);
    cairo_translate(cr, w / 2.0, h / 2.0);
    cairo_scale(cr, w / 2.0, h / 2.0);
    cairo_pattern_t *p = cairo_pattern_create_radial(0, 0, inner, 0, 0, outer);
    cairo_pattern_add_color_stop_rgba(p, 0.0, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(p, 0.5, 0, 0, 0, alpha * 0.35);
    cairo_pattern_add_color_stop_rgba(p, 1.0, 0, 0, 0, alpha);
    cairo_set_source(cr, p);
    cairo_paint(cr);
    cairo_pattern_destroy(p);
    cairo_restore(cr);
}

static void showText(cairo_t *cr, PicFont font, double size, double x, double y, const char *text)
{
    picSelectFont(cr, font, size);
    cairo_move_to(cr, x, y);
    cairo_text_path(cr, text);
    cairo_fill(cr);
}

/* ---- Public functions ---------------------------------------------------- */

cairo_surface_t *picCockpitOverlay(int w, int h)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    double u = h / 904.0;

    /* darkened corners and a bar along the top; the centre stays clear, and so
       does the bottom middle, where the cockpit's three screens are */
    rimShade(cr, w, h, 0.75, 1.45, 0.9);
    double bar = 0.035 * h;
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_rectangle(cr, 0, 0, w, bar);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_translate(cr, 0.5 * w, h);
    cairo_scale(cr, 0.3 * w, 0.4 * h);
    cairo_pattern_t *screens = cairo_pattern_create_radial(0, 0, 0.6, 0, 0, 1.0);
    cairo_pattern_add_color_stop_rgba(screens, 0.0, 0, 0, 0, 1.0);
    cairo_pattern_add_color_stop_rgba(screens, 1.0, 0, 0, 0, 0.0);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_OUT);
    cairo_set_source(cr, screens);
    cairo_paint(cr);
    cairo_pattern_destroy(screens);
    cairo_restore(cr);

    /* the canopy glass: two broad reflections and fine scratches */
    PicRng rng;
    picSeed(&rng, 404);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    const double streaks[2][3] = {{0.07, 0.12, 0.10}, {0.80, 0.95, 0.06}};
    for (const double *st : streaks) {
        cairo_move_to(cr, st[0] * w, bar);
        cairo_line_to(cr, (st[0] + st[2]) * w, bar);
        cairo_line_to(cr, (st[1] + st[2] * 0.4) * w - 0.18 * w, h * 0.3);
        cairo_line_to(cr, st[1] * w - 0.2 * w, h * 0.3);
        cairo_close_path(cr);
        cairo_pattern_t *g = cairo_pattern_create_linear(0, bar, 0, 0.3 * h);
        cairo_pattern_add_color_stop_rgba(g, 0.0, 1, 1, 1, 0.10);
        cairo_pattern_add_color_stop_rgba(g, 1.0, 1, 1, 1, 0.0);
        cairo_set_source(cr, g);
        cairo_fill(cr);
        cairo_pattern_destroy(g);
    }
    for (int i = 0; i < 70; i++) {
        double x = picRange(&rng, 0, w), y = picRange(&rng, bar, h);
        double dx = x / w - 0.5, dy = y / h - 0.5;
        if (dx * dx / 0.16 + dy * dy / 0.2 < 1.0)
            continue; /* the middle of the canopy is kept clean */
        double a = picRange(&rng, 0, M_PI), len = picRange(&rng, 10, 60) * u;
        cairo_move_to(cr, x, y);
        cairo_rel_curve_to(cr, cos(a) * len * 0.3, sin(a) * len * 0.3 + 2 * u, cos(a) * len * 0.7,
                           sin(a) * len * 0.7 - 2 * u, cos(a) * len, sin(a) * len);
        cairo_set_source_rgba(cr, 1, 1, 1, picRange(&rng, 0.08, 0.22));
        cairo_set_line_width(cr, 1.0 * u);
        cairo_stroke(cr);
    }
    cairo_restore(cr);

    /* flight display, drawn as a neon layer */
    cairo_surface_t *hud = picSurface(w, h);
    cairo_t *hc = cairo_create(hud);
    cairo_set_source_rgb(hc, 1, 1, 1);
    cairo_set_line_width(hc, 3.0 * u);
    cornerBrackets(hc, w, h, 0.06 * w, 0.09 * h, 0.05 * w);
    /* heading tape along the top */
    double tapeY = 0.12 * h;
    for (int i = -20; i <= 20; i++) {
        double x = 0.5 * w + i * 0.012 * w;
        double tick = (i % 5 == 0) ? 0.025 * h : 0.012 * h;
        cairo_move_to(hc, x, tapeY);
        cairo_line_to(hc, x, tapeY + tick);
        if (i % 5 == 0) {
            char label[8];
            snprintf(label, sizeof label, "%03d", (360 + i * 2) % 360);
            cairo_stroke(hc);
            picSelectFont(hc, PIC_FONT_REGULAR, 0.022 * h);
            cairo_text_extents_t e;
            cairo_text_extents(hc, label, &e);
            showText(hc, PIC_FONT_REGULAR, 0.022 * h, x - e.width / 2, tapeY - 0.01 * h, label);
        }
    }
    cairo_stroke(hc);
    cairo_move_to(hc, 0.5 * w, tapeY + 0.035 * h);
    cairo_rel_line_to(hc, -0.008 * h, 0.016 * h);
    cairo_rel_line_to(hc, 0.016 * h, 0);
    cairo_close_path(hc);
    cairo_fill(hc);
    /* speed and range ladders at the sides */
    for (int side = -1; side <= 1; side += 2) {
        double x = 0.5 * w + side * 0.4 * w;
        cairo_move_to(hc, x, 0.3 * h);
        cairo_line_to(hc, x, 0.7 * h);
        for (int k = 0; k <= 16; k++) {
            double y = 0.3 * h + k * 0.025 * h;
            cairo_move_to(hc, x, y);
            cairo_rel_line_to(hc, -side * (k % 4 == 0 ? 0.02 : 0.01) * w, 0);
        }
        cairo_stroke(hc);
        cairo_move_to(hc, x + side * 0.004 * w, 0.5 * h);
        cairo_rel_line_to(hc, side * 0.015 * w, -0.015 * h);
        cairo_rel_line_to(hc, 0, 0.03 * h);
        cairo_close_path(hc);
        cairo_fill(hc);
    }
    showText(hc, PIC_FONT_BOLD, 0.03 * h, 0.075 * w, 0.78 * h, "HYPER  0.97");
    showText(hc, PIC_FONT_REGULAR, 0.022 * h, 0.075 * w, 0.815 * h, "drive stable  /  field 312");
    showText(hc, PIC_FONT_BOLD, 0.03 * h, 0.80 * w, 0.78 * h, "NAV LOCK");
    showText(hc, PIC_FONT_REGULAR, 0.022 * h, 0.80 * w, 0.815 * h, "target  planet  IV");
    /* a thin line along the lower edge of the top bar */
    cairo_set_line_width(hc, 2.0 * u);
    cairo_move_to(hc, 0.03 * w, bar + 3 * u);
    cairo_line_to(hc, 0.97 * w, bar + 3 * u);
    cairo_stroke(hc);
    cairo_destroy(hc);
    cairo_push_group(cr);
    picNeon(cr, hud, 1.0, 0.6, 0.25, 0.8);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, 0.85);
    cairo_surface_destroy(hud);
    cairo_destroy(cr);
    return s;
}

cairo_surface_t *picMonitorOverlay(int w, int h)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    double u = h / 904.0;

    /* scanlines: soft dark rows six pixels apart */
    for (int y = 0; y < h; y++) {
        double k = sin(M_PI * y / 6.0);
        cairo_rectangle(cr, 0, y, w, 1);
        cairo_set_source_rgba(cr, 0, 0, 0, 0.22 * k * k * k * k);
        cairo_fill(cr);
    }
    /* the tube's glare and its darker rim */
    cairo_pattern_t *glare = cairo_pattern_create_radial(0.3 * w, 0.2 * h, 0, 0.3 * w, 0.2 * h, 0.45 * w);
    cairo_pattern_add_color_stop_rgba(glare, 0.0, 1, 1, 1, 0.10);
    cairo_pattern_add_color_stop_rgba(glare, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, glare);
    cairo_paint(cr);
    cairo_pattern_destroy(glare);
    rimShade(cr, w, h, 0.7, 1.35, 0.8);
    /* the bezel: opaque outside a rounded screen */
    double mx = 0.02 * w, my = 0.045 * h, r = 0.09 * h;
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_new_sub_path(cr);
    cairo_arc(cr, mx + r, my + r, r, M_PI, 1.5 * M_PI);
    cairo_arc(cr, w - mx - r, my + r, r, 1.5 * M_PI, 2 * M_PI);
    cairo_arc(cr, w - mx - r, h - my - r, r, 0, 0.5 * M_PI);
    cairo_arc(cr, mx + r, h - my - r, r, 0.5 * M_PI, M_PI);
    cairo_close_path(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_set_source_rgb(cr, 0.01, 0.01, 0.012);
    cairo_fill(cr);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);

    /* camera read-out in green-cyan neon, and a red recording lamp */
    cairo_surface_t *hud = picSurface(w, h);
    cairo_t *hc = cairo_create(hud);
    cairo_set_source_rgb(hc, 1, 1, 1);
    cairo_set_line_width(hc, 3.0 * u);
    cornerBrackets(hc, w, h, 0.07 * w, 0.12 * h, 0.04 * w);
    showText(hc, PIC_FONT_BOLD, 0.04 * h, 0.105 * w, 0.2 * h, "REC");
    showText(hc, PIC_FONT_REGULAR, 0.035 * h, 0.74 * w, 0.2 * h, "CAM 06   04:07:12");
    showText(hc, PIC_FONT_REGULAR, 0.028 * h, 0.11 * w, 0.84 * h, "feed  terrain / sector 9");
    /* signal meter, bottom right */
    for (int b = 0; b < 8; b++) {
        double bh = (0.01 + b * 0.006) * h;
        cairo_rectangle(hc, 0.8 * w + b * 0.012 * w, 0.85 * h - bh, 0.007 * w, bh);
    }
    cairo_fill(hc);
    cairo_destroy(hc);
    picNeon(cr, hud, 0.35, 1.0, 0.75, 0.8);
    cairo_surface_destroy(hud);
    cairo_surface_t *lamp = picSurface(w, h);
    hc = cairo_create(lamp);
    cairo_set_source_rgb(hc, 1, 1, 1);
    cairo_arc(hc, 0.09 * w, 0.185 * h, 0.02 * h, 0, 2 * M_PI);
    cairo_fill(hc);
    cairo_destroy(hc);
    picNeon(cr, lamp, 1.0, 0.15, 0.1, 1.0);
    cairo_surface_destroy(lamp);
    cairo_destroy(cr);
    return s;
}
