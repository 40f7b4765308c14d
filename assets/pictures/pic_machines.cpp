/*
 * pic_machines.cpp - three photographs of computing machinery: a room-sized
 * valve computer (cabinets of lamps, dials, valves and patch cables round a
 * hall under strip lights), a metal-can transistor standing on a circuit board
 * in shallow focus, and an optical processor (lasers, lenses and mirrors on an
 * optical table, beams meeting in a crystal that lights up a grid of spots).
 * Painted with cairo in perspective, glows added, then aged and written as
 * sepia.
 *
 * Depends on: pic.h.
 */
#include "pic.h"

#include <math.h>

/* ---- State --------------------------------------------------------------- */

/* A flat rectangle in the world: origin and two edge vectors (metres). */
struct Panel {
    double origin[3], across[3], up[3];
    double width, height;
};

/* ---- Internal helpers ---------------------------------------------------- */

static void grey(cairo_t *cr, double v, double a)
{
    cairo_set_source_rgba(cr, v, v, v, a);
}

/* Screen point of panel coordinates (u across, v up, d out of the face). */
static double panelPoint(const PicCamera *cam, const Panel *p, double u, double v, double d,
                         double *sx, double *sy)
{
    double n[3] = {p->across[1] * p->up[2] - p->across[2] * p->up[1],
                   p->across[2] * p->up[0] - p->across[0] * p->up[2],
                   p->across[0] * p->up[1] - p->across[1] * p->up[0]};
    double q[3];
    for (int i = 0; i < 3; i++)
        q[i] = p->origin[i] + p->across[i] * u + p->up[i] * v - n[i] * d;
    return picProject(cam, q[0], q[1], q[2], sx, sy);
}

static void panelRect(cairo_t *cr, const PicCamera *cam, const Panel *p, double u0, double v0,
                      double u1, double v1)
{
    double sx, sy;
    panelPoint(cam, p, u0, v0, 0, &sx, &sy);
    cairo_move_to(cr, sx, sy);
    panelPoint(cam, p, u1, v0, 0, &sx, &sy);
    cairo_line_to(cr, sx, sy);
    panelPoint(cam, p, u1, v1, 0, &sx, &sy);
    cairo_line_to(cr, sx, sy);
    panelPoint(cam, p, u0, v1, 0, &sx, &sy);
    cairo_line_to(cr, sx, sy);
    cairo_close_path(cr);
}

/* A dot on a panel, its radius in metres scaled by the perspective. */
static void panelDot(cairo_t *cr, const PicCamera *cam, const Panel *p, double u, double v,
                     double radius)
{
    double sx, sy;
    double depth = panelPoint(cam, p, u, v, 0, &sx, &sy);
    cairo_arc(cr, sx, sy, fmax(0.4, cam->focal * radius / depth), 0, 2 * M_PI);
}

/* One cabinet of the valve computer: lamp field, dials, valves or a jack
 * field with patch cables. Lamps that are lit go onto the glow layer too. */
static void paintCabinet(cairo_t *cr, cairo_t *glow, const PicCamera *cam, const Panel *p,
                         int kind, PicRng *rng)
{
    double sx, sy;
    double depth = panelPoint(cam, p, p->width / 2, 1.2, 0, &sx, &sy);
    double fade = fmin(0.6, depth / 40.0);
    /* body and frame */
    panelRect(cr, cam, p, 0, 0, p->width, p->height);
    grey(cr, 0.16 + fade * 0.3, 1);
    cairo_fill_preserve(cr);
    grey(cr, 0.45, 0.8);
    cairo_set_line_width(cr, fmax(0.5, cam->focal * 0.012 / depth));
    cairo_stroke(cr);
    panelRect(cr, cam, p, 0.05, 0.08, p->width - 0.05, 0.3);
    grey(cr, 0.08, 1);
    cairo_fill(cr);

    /* lamp field at the top */
    for (int r = 0; r < 6; r++)
        for (int c = 0; c < 8; c++) {
            double u = 0.1 + c * (p->width - 0.2) / 7.0, v = 2.05 + r * 0.06;
            int lit = picRand(rng) < 0.45;
            panelDot(cr, cam, p, u, v, 0.013);
            grey(cr, lit ? 1.0 : 0.06, 1);
            cairo_fill(cr);
            if (lit) {
                panelDot(glow, cam, p, u, v, 0.02);
                cairo_fill(glow);
            }
        }
    if (kind == 0) {
        /* dials */
        for (int c = 0; c < 3; c++) {
            double u = 0.15 + c * (p->width - 0.3) / 2.0;
            panelDot(cr, cam, p, u, 1.7, 0.07);
            grey(cr, 0.75, 1);
            cairo_fill_preserve(cr);
            grey(cr, 0.05, 1);
            cairo_set_line_width(cr, 0.8);
            cairo_stroke(cr);
            double a = picRange(rng, 0, 2 * M_PI);
            panelPoint(cam, p, u, 1.7, 0, &sx, &sy);
            cairo_move_to(cr, sx, sy);
            panelPoint(cam, p, u + cos(a) * 0.06, 1.7 + sin(a) * 0.06, 0, &sx, &sy);
            cairo_line_to(cr, sx, sy);
            cairo_stroke(cr);
        }
    }
    if (kind == 1) {
        /* a rack of valves glowing behind the open front */
        panelRect(cr, cam, p, 0.06, 0.9, p->width - 0.06, 1.9);
        grey(cr, 0.05, 1);
        cairo_fill(cr);
        for (int r = 0; r < 3; r++)
            for (int c = 0; c < 7; c++) {
                double u = 0.12 + c * (p->width - 0.24) / 6.0, v = 1.0 + r * 0.3;
                panelRect(cr, cam, p, u - 0.03, v, u + 0.03, v + 0.2);
                grey(cr, 0.55, 0.9);
                cairo_fill(cr);
                panelDot(cr, cam, p, u, v + 0.2, 0.03);
                cairo_fill(cr);
                panelDot(glow, cam, p, u, v + 0.05, 0.035);
                cairo_fill(glow);
            }
    }
    /* jack field and patch cables hanging between the jacks */
    double jackTop = kind == 1 ? 0.85 : 1.45;
    for (double v = 0.45; v < jackTop; v += 0.1)
        for (int c = 0; c < 8; c++) {
            panelDot(cr, cam, p, 0.08 + c * (p->width - 0.16) / 7.0, v, 0.01);
            grey(cr, 0.02, 1);
            cairo_fill(cr);
        }
    int cables = 3 + (int)(picRand(rng) * 4);
    for (int k = 0; k < cables; k++) {
        double u0 = picRange(rng, 0.05, p->width - 0.05), v0 = picRange(rng, 0.5, jackTop);
        double u1 = u0 + picRange(rng, -0.8, 0.8), v1 = picRange(rng, 0.5, jackTop);
        double sag = picRange(rng, 0.15, 0.6);
        for (int pass = 0; pass < 2; pass++) {
            for (int i = 0; i <= 20; i++) {
                double t = i / 20.0;
                double u = u0 + (u1 - u0) * t, v = v0 + (v1 - v0) * t - sag * 4 * t * (1 - t);
                panelPoint(cam, p, u, v, 0.03 + 0.1 * t * (1 - t), &sx, &sy);
                if (i == 0)
                    cairo_move_to(cr, sx, sy);
                else
                    cairo_line_to(cr, sx, sy);
            }
            double lw = cam->focal * 0.012 / depth;
            grey(cr, pass == 0 ? 0.03 : 0.5, pass == 0 ? 1.0 : 0.5);
            cairo_set_line_width(cr, pass == 0 ? fmax(0.8, lw) : fmax(0.3, lw * 0.3));
            cairo_stroke(cr);
        }
    }
}

static void paintValveComputer(cairo_t *cr, int w, int h)
{
    PicCamera cam = {0.5 * w, 0.5 * h, 0.62 * w, 1.55, 0.0};
    const double halfWidth = 5.0, ceiling = 3.4, back = 24.0;
    /* hall: floor, ceiling, walls */
    cairo_set_source_rgb(cr, 0.35, 0.35, 0.35);
    cairo_paint(cr);
    picMoveTo3(cr, &cam, -halfWidth, 0, 0.5);
    picLineTo3(cr, &cam, halfWidth, 0, 0.5);
    picLineTo3(cr, &cam, halfWidth, 0, back);
    picLineTo3(cr, &cam, -halfWidth, 0, back);
    cairo_close_path(cr);
    grey(cr, 0.3, 1);
    cairo_fill(cr);
    /* floor boards running into the hall */
    for (double x = -halfWidth; x <= halfWidth; x += 0.5) {
        picMoveTo3(cr, &cam, x, 0, 0.5);
        picLineTo3(cr, &cam, x, 0, back);
    }
    grey(cr, 0.18, 0.8);
    cairo_set_line_width(cr, 1.0);
    cairo_stroke(cr);
    picMoveTo3(cr, &cam, -halfWidth, ceiling, 0.5);
    picLineTo3(cr, &cam, halfWidth, ceiling, 0.5);
    picLineTo3(cr, &cam, halfWidth, ceiling, back);
    picLineTo3(cr, &cam, -halfWidth, ceiling, back);
    cairo_close_path(cr);
    grey(cr, 0.2, 1);
    cairo_fill(cr);
    /* ceiling beams */
    for (double z = 1.0; z < back; z += 2.0) {
        picMoveTo3(cr, &cam, -halfWidth, ceiling, z);
        picLineTo3(cr, &cam, halfWidth, ceiling, z);
        picLineTo3(cr, &cam, halfWidth, ceiling, z + 0.3);
        picLineTo3(cr, &cam, -halfWidth, ceiling, z + 0.3);
        cairo_close_path(cr);
        grey(cr, 0.12, 1);
        cairo_fill(cr);
    }
    picMoveTo3(cr, &cam, -halfWidth, 0, back);
    picLineTo3(cr, &cam, halfWidth, 0, back);
    picLineTo3(cr, &cam, halfWidth, ceiling, back);
    picLineTo3(cr, &cam, -halfWidth, ceiling, back);
    cairo_close_path(cr);
    grey(cr, 0.4, 1);
    cairo_fill(cr);

    cairo_surface_t *glowLayer = picSurface(w, h);
    cairo_t *glow = cairo_create(glowLayer);
    cairo_set_source_rgb(glow, 1, 1, 1);
    PicRng rng;
    picSeed(&rng, 1946);
    /* cabinets on the back wall, then both side walls from far to near */
    for (int i = 0; i < 11; i++) {
        Panel p = {{-4.4 + i * 0.8, 0.05, back - 0.01}, {1, 0, 0}, {0, 1, 0}, 0.78, 2.45};
        paintCabinet(cr, glow, &cam, &p, i % 3 == 1, &rng);
    }
    for (int i = 27; i >= 0; i--) {
        double z = 1.0 + i * 0.82;
        Panel left = {{-halfWidth + 0.01, 0.05, z + 0.8}, {0, 0, -1}, {0, 1, 0}, 0.8, 2.45};
        Panel right = {{halfWidth - 0.01, 0.05, z}, {0, 0, 1}, {0, 1, 0}, 0.8, 2.45};
        paintCabinet(cr, glow, &cam, &left, i % 3 == 0, &rng);
        paintCabinet(cr, glow, &cam, &right, i % 4 == 2, &rng);
    }
    /* strip lights down the ceiling */
    for (double z = 2.0; z < back; z += 2.6) {
        for (int side = -1; side <= 1; side += 2) {
            double x = side * 1.6;
            picMoveTo3(glow, &cam, x - 0.08, ceiling - 0.05, z);
            picLineTo3(glow, &cam, x + 0.08, ceiling - 0.05, z);
            picLineTo3(glow, &cam, x + 0.08, ceiling - 0.05, z + 1.4);
            picLineTo3(glow, &cam, x - 0.08, ceiling - 0.05, z + 1.4);
            cairo_close_path(glow);
            cairo_fill(glow);
        }
    }
    /* a run of cable trays on the floor */
    for (int k = 0; k < 5; k++) {
        double x = -2.5 + k * 1.2 + picRange(&rng, -0.3, 0.3);
        picMoveTo3(cr, &cam, x, 0.02, 0.6);
        for (double z = 0.6; z < back; z += 0.5)
            picLineTo3(cr, &cam, x + 0.3 * sin(z * 0.4 + k), 0.02, z);
        grey(cr, 0.05, 1);
        cairo_set_line_width(cr, 3.0);
        cairo_stroke(cr);
    }
    cairo_destroy(glow);
    /* the glow washes over the room, and the floor mirrors the lights */
    picNeon(cr, glowLayer, 1.0, 0.92, 0.75, 0.8);
    cairo_surface_destroy(glowLayer);
    cairo_pattern_t *haze = cairo_pattern_create_radial(cam.cx, cam.cy, 0, cam.cx, cam.cy, 0.2 * w);
    cairo_pattern_add_color_stop_rgba(haze, 0.0, 1, 1, 1, 0.25);
    cairo_pattern_add_color_stop_rgba(haze, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, haze);
    cairo_paint(cr);
    cairo_pattern_destroy(haze);
}

static void paintBoard(cairo_t *cr, const PicCamera *cam, double x0, double x1, double z0,
                       double z1, double tone, PicRng *rng)
{
    picMoveTo3(cr, cam, x0, 0, z0);
    picLineTo3(cr, cam, x1, 0, z0);
    picLineTo3(cr, cam, x1, 0, z1);
    picLineTo3(cr, cam, x0, 0, z1);
    cairo_close_path(cr);
    grey(cr, tone, 1);
    cairo_fill(cr);
    /* copper traces */
    for (int k = 0; k < 26; k++) {
        double x = picRange(rng, x0, x1), z = picRange(rng, z0, z1);
        picMoveTo3(cr, cam, x, 0, z);
        for (int s = 0; s < 4; s++) {
            if (picRand(rng) < 0.5)
                x += picRange(rng, -3, 3);
            else
                z += picRange(rng, -3, 3);
            picLineTo3(cr, cam, x, 0, z);
        }
        grey(cr, tone * 1.9, 1);
        cairo_set_line_width(cr, 3.0);
        cairo_stroke(cr);
    }
    /* the hole grid */
    for (double z = z0 + 0.25; z < z1; z += 0.5)
        for (double x = x0 + 0.25; x < x1; x += 0.5) {
            double sx, sy;
            double d = picProject(cam, x, 0, z, &sx, &sy);
            double r = cam->focal * 0.06 / d;
            cairo_save(cr);
            cairo_translate(cr, sx, sy);
            cairo_scale(cr, 1.0, 0.45);
            cairo_arc(cr, 0, 0, r * 1.6, 0, 2 * M_PI);
            grey(cr, tone * 2.4, 1);
            cairo_fill(cr);
            cairo_arc(cr, 0, 0, r, 0, 2 * M_PI);
            grey(cr, 0.02, 1);
            cairo_fill(cr);
            cairo_restore(cr);
        }
}

/* A metal can on its flange: body, rim and brushed top. Screen units. */
static void paintCan(cairo_t *cr, double cx, double base, double radius, double height)
{
    double ry = radius * 0.32;
    /* flange */
    cairo_save(cr);
    cairo_translate(cr, cx, base);
    cairo_scale(cr, 1.0, ry / radius);
    cairo_arc(cr, 0, 0, radius * 1.18, 0, 2 * M_PI);
    cairo_restore(cr);
    cairo_pattern_t *metal = cairo_pattern_create_linear(cx - radius * 1.2, 0, cx + radius * 1.2, 0);
    cairo_pattern_add_color_stop_rgb(metal, 0.0, 0.10, 0.10, 0.10);
    cairo_pattern_add_color_stop_rgb(metal, 0.25, 0.55, 0.55, 0.55);
    cairo_pattern_add_color_stop_rgb(metal, 0.38, 0.95, 0.95, 0.95);
    cairo_pattern_add_color_stop_rgb(metal, 0.5, 0.45, 0.45, 0.45);
    cairo_pattern_add_color_stop_rgb(metal, 0.8, 0.18, 0.18, 0.18);
    cairo_pattern_add_color_stop_rgb(metal, 0.93, 0.65, 0.65, 0.65);
    cairo_pattern_add_color_stop_rgb(metal, 1.0, 0.2, 0.2, 0.2);
    cairo_set_source(cr, metal);
    cairo_fill(cr);
    /* body */
    double top = base - height;
    cairo_move_to(cr, cx - radius, top);
    cairo_line_to(cr, cx - radius, base - ry * 0.3);
    cairo_save(cr);
    cairo_translate(cr, cx, base - ry * 0.3);
    cairo_scale(cr, 1.0, ry / radius);
    cairo_arc_negative(cr, 0, 0, radius, M_PI, 0);
    cairo_restore(cr);
    cairo_line_to(cr, cx + radius, top);
    cairo_close_path(cr);
    cairo_set_source(cr, metal);
    cairo_fill(cr);
    cairo_pattern_destroy(metal);
    /* top: a brushed disc with a bright rim */
    cairo_save(cr);
    cairo_translate(cr, cx, top);
    cairo_scale(cr, 1.0, ry / radius);
    cairo_arc(cr, 0, 0, radius, 0, 2 * M_PI);
    cairo_pattern_t *cap = cairo_pattern_create_radial(-radius * 0.3, -radius * 0.3, 0, 0, 0, radius);
    cairo_pattern_add_color_stop_rgb(cap, 0.0, 0.95, 0.95, 0.95);
    cairo_pattern_add_color_stop_rgb(cap, 0.6, 0.55, 0.55, 0.55);
    cairo_pattern_add_color_stop_rgb(cap, 1.0, 0.3, 0.3, 0.3);
    cairo_set_source(cr, cap);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(cap);
    cairo_set_line_width(cr, radius * 0.05);
    grey(cr, 1.0, 0.8);
    cairo_stroke(cr);
    for (int r = 1; r < 6; r++) {
        cairo_arc(cr, 0, 0, radius * r / 6.5, 0, 2 * M_PI);
        grey(cr, 0.25, 0.25);
        cairo_set_line_width(cr, radius * 0.012);
        cairo_stroke(cr);
    }
    /* a maker's dot, no letters */
    cairo_arc(cr, radius * 0.45, radius * 0.2, radius * 0.07, 0, 2 * M_PI);
    grey(cr, 0.15, 1);
    cairo_fill(cr);
    cairo_restore(cr);
    /* the rim where the can meets the top */
    cairo_move_to(cr, cx - radius, top + ry * 0.25);
    cairo_line_to(cr, cx + radius, top + ry * 0.25);
    grey(cr, 0.1, 0.35);
    cairo_set_line_width(cr, radius * 0.04);
    cairo_stroke(cr);
}

static void paintTransistorScene(cairo_t *cr, int w, int h)
{
    PicRng rng;
    picSeed(&rng, 1947);
    PicCamera cam = {0.5 * w, 0.5 * h, 1.1 * w, 6.0, 0.2};
    /* background: dark with bokeh of far-off lights */
    cairo_set_source_rgb(cr, 0.06, 0.06, 0.06);
    cairo_paint(cr);
    for (int i = 0; i < 30; i++) {
        double x = picRange(&rng, 0, w), y = picRange(&rng, 0, 0.22 * h), r = picRange(&rng, 0.02, 0.06) * w;
        cairo_pattern_t *b = cairo_pattern_create_radial(x, y, r * 0.7, x, y, r);
        cairo_pattern_add_color_stop_rgba(b, 0.0, 1, 1, 1, picRange(&rng, 0.05, 0.18));
        cairo_pattern_add_color_stop_rgba(b, 1.0, 1, 1, 1, 0.0);
        cairo_set_source(cr, b);
        cairo_arc(cr, x, y, r, 0, 2 * M_PI);
        cairo_fill(cr);
        cairo_pattern_destroy(b);
    }
    /* the board, sharp near the can and softer away from it */
    int bw = w, bh = h;
    cairo_surface_t *sharp = picSurface(bw, bh);
    cairo_t *bc = cairo_create(sharp);
    paintBoard(bc, &cam, -30, 30, 3.0, 70, 0.2, &rng);
    cairo_destroy(bc);
    cairo_surface_t *soft = picSurface(bw, bh);
    bc = cairo_create(soft);
    cairo_set_source_surface(bc, sharp, 0, 0);
    cairo_paint(bc);
    cairo_destroy(bc);
    picBlur(soft, 6);
    cairo_set_source_surface(cr, soft, 0, 0);
    cairo_paint(cr);
    cairo_pattern_t *focus = cairo_pattern_create_linear(0, 0.1 * h, 0, h);
    cairo_pattern_add_color_stop_rgba(focus, 0.0, 0, 0, 0, 0.0);
    cairo_pattern_add_color_stop_rgba(focus, 0.6, 0, 0, 0, 1.0);
    cairo_pattern_add_color_stop_rgba(focus, 0.85, 0, 0, 0, 1.0);
    cairo_pattern_add_color_stop_rgba(focus, 1.0, 0, 0, 0, 0.4);
    cairo_set_source_surface(cr, sharp, 0, 0);
    cairo_mask(cr, focus);
    cairo_pattern_destroy(focus);
    cairo_surface_destroy(sharp);
    cairo_surface_destroy(soft);

    /* a plastic transistor and a resistor, out of focus behind */
    cairo_surface_t *back = picSurface(w, h);
    cairo_t *kc = cairo_create(back);
    grey(kc, 0.12, 1);
    cairo_move_to(kc, 0.18 * w, 0.36 * h);
    cairo_line_to(kc, 0.18 * w, 0.26 * h);
    cairo_arc(kc, 0.205 * w, 0.26 * h, 0.025 * w, M_PI, 0);
    cairo_line_to(kc, 0.23 * w, 0.36 * h);
    cairo_close_path(kc);
    cairo_fill(kc);
    cairo_rectangle(kc, 0.7 * w, 0.29 * h, 0.14 * w, 0.04 * h);
    grey(kc, 0.5, 1);
    cairo_fill(kc);
    for (int b = 0; b < 4; b++) {
        cairo_rectangle(kc, (0.72 + b * 0.025) * w, 0.29 * h, 0.01 * w, 0.04 * h);
        grey(kc, 0.1 + 0.2 * b, 1);
        cairo_fill(kc);
    }
    cairo_move_to(kc, 0.62 * w, 0.31 * h);
    cairo_line_to(kc, 0.92 * w, 0.31 * h);
    grey(kc, 0.7, 1);
    cairo_set_line_width(kc, 3);
    cairo_stroke(kc);
    cairo_destroy(kc);
    picBlur(back, 5);
    cairo_set_source_surface(cr, back, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(back);

    /* the transistor: shadow, legs, can */
    double cx = 0.47 * w, base = 0.56 * h, radius = 0.1 * w;
    cairo_pattern_t *shadow = cairo_pattern_create_radial(cx + 0.05 * w, base + 0.2 * h, 0, cx + 0.05 * w,
                                                          base + 0.2 * h, 0.22 * w);
    cairo_pattern_add_color_stop_rgba(shadow, 0.0, 0, 0, 0, 0.75);
    cairo_pattern_add_color_stop_rgba(shadow, 1.0, 0, 0, 0, 0.0);
    cairo_set_source(cr, shadow);
    cairo_paint(cr);
    cairo_pattern_destroy(shadow);
    const double legX[3] = {-0.45, 0.0, 0.45}, legEnd[3][2] = {{-0.16, 0.88}, {0.0, 0.95}, {0.17, 0.87}};
    for (int l = 0; l < 3; l++) {
        double x0 = cx + legX[l] * radius, y0 = base + 0.02 * h;
        double x1 = cx + legEnd[l][0] * w, y1 = legEnd[l][1] * h;
        for (int pass = 0; pass < 2; pass++) {
            cairo_move_to(cr, x0, y0);
            cairo_curve_to(cr, x0, y0 + 0.12 * h, x1, y1 - 0.15 * h, x1, y1);
            grey(cr, pass == 0 ? 0.35 : 0.95, 1);
            cairo_set_line_width(cr, pass == 0 ? 0.009 * w : 0.0025 * w);
            cairo_stroke(cr);
        }
        /* solder joint */
        cairo_save(cr);
        cairo_translate(cr, x1, y1);
        cairo_scale(cr, 1.0, 0.5);
        cairo_arc(cr, 0, 0, 0.022 * w, 0, 2 * M_PI);
        cairo_pattern_t *solder = cairo_pattern_create_radial(-0.006 * w, -0.01 * w, 0, 0, 0, 0.022 * w);
        cairo_pattern_add_color_stop_rgb(solder, 0.0, 1, 1, 1);
        cairo_pattern_add_color_stop_rgb(solder, 0.5, 0.55, 0.55, 0.55);
        cairo_pattern_add_color_stop_rgb(solder, 1.0, 0.2, 0.2, 0.2);
        cairo_set_source(cr, solder);
        cairo_fill(cr);
        cairo_pattern_destroy(solder);
        cairo_restore(cr);
    }
    paintCan(cr, cx, base, radius, 0.3 * h);
    /* a rim light from the right */
    cairo_surface_t *rim = picSurface(w, h);
    cairo_t *rc = cairo_create(rim);
    cairo_rectangle(rc, cx + radius * 0.9, base - 0.28 * h, radius * 0.06, 0.26 * h);
    cairo_pattern_t *streak = cairo_pattern_create_linear(0, base - 0.28 * h, 0, base - 0.02 * h);
    cairo_pattern_add_color_stop_rgba(streak, 0.0, 1, 1, 1, 0.0);
    cairo_pattern_add_color_stop_rgba(streak, 0.4, 1, 1, 1, 0.8);
    cairo_pattern_add_color_stop_rgba(streak, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(rc, streak);
    cairo_fill(rc);
    cairo_pattern_destroy(streak);
    cairo_destroy(rc);
    picNeon(cr, rim, 1.0, 0.95, 0.85, 0.3);
    cairo_surface_destroy(rim);
}

/* An optical mount: a post with a disc (lens) or a plate (mirror) on top. */
static void paintMount(cairo_t *cr, const PicCamera *cam, double x, double z, double angle,
                       int mirror)
{
    double bx, by, tx, ty;
    double d = picProject(cam, x, 0, z, &bx, &by);
    picProject(cam, x, 1.2, z, &tx, &ty);
    double s = cam->focal / d;
    /* base clamp and post */
    cairo_rectangle(cr, bx - 0.35 * s, by - 0.08 * s, 0.7 * s, 0.16 * s);
    grey(cr, 0.15, 1);
    cairo_fill(cr);
    cairo_rectangle(cr, bx - 0.06 * s, ty, 0.12 * s, by - ty);
    cairo_pattern_t *post = cairo_pattern_create_linear(bx - 0.06 * s, 0, bx + 0.06 * s, 0);
    cairo_pattern_add_color_stop_rgb(post, 0.0, 0.2, 0.2, 0.2);
    cairo_pattern_add_color_stop_rgb(post, 0.4, 0.9, 0.9, 0.9);
    cairo_pattern_add_color_stop_rgb(post, 1.0, 0.25, 0.25, 0.25);
    cairo_set_source(cr, post);
    cairo_fill(cr);
    cairo_pattern_destroy(post);
    /* holder seen edge-on at its angle */
    cairo_save(cr);
    cairo_translate(cr, tx, ty);
    cairo_scale(cr, fmax(0.3, fabs(sin(angle))), 1.0);
    cairo_arc(cr, 0, 0, 0.8 * s, 0, 2 * M_PI);
    grey(cr, 0.1, 1);
    cairo_fill(cr);
    cairo_arc(cr, 0, 0, 0.62 * s, 0, 2 * M_PI);
    cairo_pattern_t *glass = cairo_pattern_create_radial(-0.2 * s, -0.25 * s, 0, 0, 0, 0.62 * s);
    cairo_pattern_add_color_stop_rgb(glass, 0.0, 1.0, 1.0, 1.0);
    cairo_pattern_add_color_stop_rgb(glass, 0.3, mirror ? 0.7 : 0.45, mirror ? 0.7 : 0.45, mirror ? 0.7 : 0.45);
    cairo_pattern_add_color_stop_rgb(glass, 1.0, 0.2, 0.2, 0.2);
    cairo_set_source(cr, glass);
    cairo_fill(cr);
    cairo_pattern_destroy(glass);
    cairo_restore(cr);
}

static void paintOpticalScene(cairo_t *cr, int w, int h)
{
    PicRng rng;
    picSeed(&rng, 1960);
    PicCamera cam = {0.55 * w, 0.45 * h, 0.62 * w, 12.0, 0.72};
    cairo_set_source_rgb(cr, 0.03, 0.03, 0.03);
    cairo_paint(cr);
    /* the optical table: a steel top with a grid of tapped holes */
    picMoveTo3(cr, &cam, -14, 0, 2);
    picLineTo3(cr, &cam, 14, 0, 2);
    picLineTo3(cr, &cam, 14, 0, 30);
    picLineTo3(cr, &cam, -14, 0, 30);
    cairo_close_path(cr);
    cairo_pattern_t *steel = cairo_pattern_create_linear(0, 0, 0, h);
    cairo_pattern_add_color_stop_rgb(steel, 0.0, 0.12, 0.12, 0.12);
    cairo_pattern_add_color_stop_rgb(steel, 1.0, 0.32, 0.32, 0.32);
    cairo_set_source(cr, steel);
    cairo_fill(cr);
    cairo_pattern_destroy(steel);
    for (double z = 2.5; z < 30; z += 1.0)
        for (double x = -13.5; x <= 13.5; x += 1.0) {
            double sx, sy;
            double d = picProject(&cam, x, 0, z, &sx, &sy);
            cairo_save(cr);
            cairo_translate(cr, sx, sy);
            cairo_scale(cr, 1.0, 0.6);
            cairo_new_sub_path(cr);
            cairo_arc(cr, 0, 0, fmax(0.5, cam.focal * 0.08 / d), 0, 2 * M_PI);
            cairo_restore(cr);
        }
    grey(cr, 0.02, 1);
    cairo_fill(cr);

    /* beam path on the table at beam height 1.2: laser, splitter, mirrors,
       lenses, into the crystal, and a fan of outputs onto the detector */
    const double laser[2] = {-9.5, 8}, splitter[2] = {-6, 8}, mirrorA[2] = {-6, 18},
                 lensA[2] = {-2, 18}, lensB[2] = {-2, 8}, crystal[2] = {2, 13};
    cairo_surface_t *beams = picSurface(w, h);
    cairo_t *bc = cairo_create(beams);
    cairo_set_source_rgb(bc, 1, 1, 1);
    cairo_set_line_cap(bc, CAIRO_LINE_CAP_ROUND);
    const double path[][4] = {{laser[0], laser[1], splitter[0], splitter[1]},
                              {splitter[0], splitter[1], lensB[0], lensB[1]},
                              {lensB[0], lensB[1], crystal[0], crystal[1]},
                              {splitter[0], splitter[1], mirrorA[0], mirrorA[1]},
                              {mirrorA[0], mirrorA[1], lensA[0], lensA[1]},
                              {lensA[0], lensA[1], crystal[0], crystal[1]}};
    for (const double *seg : path) {
        picMoveTo3(bc, &cam, seg[0], 1.2, seg[1]);
        picLineTo3(bc, &cam, seg[2], 1.2, seg[3]);
        cairo_set_line_width(bc, 0.004 * w);
        cairo_stroke(bc);
    }
    for (int k = 0; k < 7; k++) {
        picMoveTo3(bc, &cam, crystal[0], 1.2, crystal[1]);
        picLineTo3(bc, &cam, 8.9, 0.6 + 0.2 * k, 9.5 + k * 1.2);
        cairo_set_line_width(bc, 0.0025 * w);
        cairo_stroke(bc);
    }

    /* laser head */
    picMoveTo3(cr, &cam, -12.5, 0, 7.4);
    picLineTo3(cr, &cam, laser[0], 0, 7.4);
    picLineTo3(cr, &cam, laser[0], 1.8, 7.4);
    picLineTo3(cr, &cam, -12.5, 1.8, 7.4);
    cairo_close_path(cr);
    grey(cr, 0.4, 1);
    cairo_fill(cr);
    picMoveTo3(cr, &cam, -12.5, 1.8, 7.4);
    picLineTo3(cr, &cam, laser[0], 1.8, 7.4);
    picLineTo3(cr, &cam, laser[0], 1.8, 8.8);
    picLineTo3(cr, &cam, -12.5, 1.8, 8.8);
    cairo_close_path(cr);
    grey(cr, 0.7, 1);
    cairo_fill(cr);
    picMoveTo3(cr, &cam, laser[0], 0, 7.4);
    picLineTo3(cr, &cam, laser[0], 0, 8.8);
    picLineTo3(cr, &cam, laser[0], 1.8, 8.8);
    picLineTo3(cr, &cam, laser[0], 1.8, 7.4);
    cairo_close_path(cr);
    grey(cr, 0.25, 1);
    cairo_fill(cr);
    /* detector array: a tall plate of cells */
    for (int r = 0; r < 6; r++)
        for (int c = 0; c < 10; c++) {
            double z = 9 + c * 0.95, y = 0.3 + r * 0.32;
            picMoveTo3(cr, &cam, 9.0, y, z);
            picLineTo3(cr, &cam, 9.0, y, z + 0.85);
            picLineTo3(cr, &cam, 9.0, y + 0.28, z + 0.85);
            picLineTo3(cr, &cam, 9.0, y + 0.28, z);
            cairo_close_path(cr);
            grey(cr, (r + c) % 3 == 0 ? 0.75 : 0.22, 1);
            cairo_fill(cr);
        }
    /* mounts, far ones first */
    paintMount(cr, &cam, mirrorA[0], mirrorA[1], 0.8, 1);
    paintMount(cr, &cam, lensA[0], lensA[1], 1.57, 0);
    paintMount(cr, &cam, splitter[0], splitter[1], 0.8, 1);
    paintMount(cr, &cam, lensB[0], lensB[1], 1.57, 0);

    /* the processor's carrier: a board with rows of pins */
    picMoveTo3(cr, &cam, crystal[0] - 2.2, 0.25, crystal[1] - 2.2);
    picLineTo3(cr, &cam, crystal[0] + 2.2, 0.25, crystal[1] - 2.2);
    picLineTo3(cr, &cam, crystal[0] + 2.2, 0.25, crystal[1] + 2.2);
    picLineTo3(cr, &cam, crystal[0] - 2.2, 0.25, crystal[1] + 2.2);
    cairo_close_path(cr);
    grey(cr, 0.16, 1);
    cairo_fill(cr);
    for (int i = 0; i < 12; i++) {
        double u = -2.0 + i * (4.0 / 11.0);
        const double pins[4][2] = {{u, -2.2}, {u, 2.2}, {-2.2, u}, {2.2, u}};
        for (const double *pin : pins) {
            double px, py;
            picProject(&cam, crystal[0] + pin[0] * 1.08, 0.1, crystal[1] + pin[1] * 1.08, &px, &py);
            cairo_rectangle(cr, px - 1.5, py - 1.5, 3, 3);
        }
    }
    grey(cr, 0.8, 1);
    cairo_fill(cr);

    /* the processor crystal: a cube lit from inside, a grid of spots on its face */
    double cx, cy;
    double d = picProject(&cam, crystal[0], 1.2, crystal[1], &cx, &cy);
    double s = cam.focal * 1.1 / d;
    cairo_rectangle(cr, cx - s, cy - s * 0.3, 2 * s, 1.6 * s);
    grey(cr, 0.3, 1);
    cairo_fill(cr);
    cairo_move_to(cr, cx - s, cy - s * 0.3);
    cairo_line_to(cr, cx - s * 0.6, cy - s * 0.75);
    cairo_line_to(cr, cx + s * 1.4, cy - s * 0.75);
    cairo_line_to(cr, cx + s, cy - s * 0.3);
    cairo_close_path(cr);
    grey(cr, 0.55, 1);
    cairo_fill(cr);
    for (int r = 0; r < 5; r++)
        for (int c = 0; c < 7; c++) {
            double px = cx - s * 0.8 + c * s * 0.266, py = cy - s * 0.1 + r * s * 0.27;
            cairo_arc(bc, px, py, s * 0.05, 0, 2 * M_PI);
            cairo_fill(bc);
        }
    cairo_destroy(bc);
    picNeon(cr, beams, 1.0, 0.9, 0.75, 1.0);
    cairo_surface_destroy(beams);
    /* the whole bench sits in the light of the crystal */
    cairo_pattern_t *bloom = cairo_pattern_create_radial(cx, cy, 0, cx, cy, 0.5 * w);
    cairo_pattern_add_color_stop_rgba(bloom, 0.0, 1, 1, 1, 0.35);
    cairo_pattern_add_color_stop_rgba(bloom, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, bloom);
    cairo_set_operator(cr, CAIRO_OPERATOR_ADD);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    cairo_pattern_destroy(bloom);
}

/* ---- Public functions ---------------------------------------------------- */

static cairo_surface_t *finish(cairo_surface_t *s, uint32_t seed)
{
    picLevels(s, 0.8);
    picVignette(s, 0.6);
    picGrain(s, 0.04, 0.1, seed);
    picDamage(s, 60, 3, seed + 1);
    return s;
}

cairo_surface_t *picValveComputer(int w, int h)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    paintValveComputer(cr, w, h);
    cairo_destroy(cr);
    return finish(s, 7100);
}

cairo_surface_t *picTransistor(int w, int h)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    paintTransistorScene(cr, w, h);
    cairo_destroy(cr);
    return finish(s, 7200);
}

cairo_surface_t *picOpticalProcessor(int w, int h)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_t *cr = cairo_create(s);
    paintOpticalScene(cr, w, h);
    cairo_destroy(cr);
    return finish(s, 7300);
}
