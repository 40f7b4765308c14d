/*
 * pic_city.cpp - three photographs of a ruined city: a street between burnt
 * out towers running to the vanishing point, an overlook across a skyline of
 * broken towers and a fallen bridge, and a view through the shattered window
 * of a ruin towards a leaning tower. Painted in grey with cairo (perspective
 * facades, window grids, smoke, rubble), then aged: grime, grain, dust,
 * scratches and vignette; written as sepia.
 *
 * Depends on: pic.h.
 */
#include "pic.h"

#include <math.h>

/* ---- State --------------------------------------------------------------- */

/* A tower seen face on: position of its foot, size in pixels and damage. */
struct Tower {
    double x, base, width, height;
    double haze;   /* 0 near and dark ... 1 lost in the haze */
    double damage; /* how much of the top is broken away, 0..1 */
    double lean;   /* radians */
    uint32_t seed;
};

/* ---- Internal helpers ---------------------------------------------------- */

static double mixd(double a, double b, double t)
{
    return a + (b - a) * t;
}

static void grey(cairo_t *cr, double v, double a)
{
    cairo_set_source_rgba(cr, v, v, v, a);
}

/* Sky: dark above, pale haze at the horizon, a veiled sun and torn clouds. */
static void paintSky(cairo_t *cr, int w, int h, double horizon, double sunX, double sunY,
                     uint32_t seed)
{
    cairo_pattern_t *sky = cairo_pattern_create_linear(0, 0, 0, horizon);
    cairo_pattern_add_color_stop_rgb(sky, 0.0, 0.30, 0.30, 0.30);
    cairo_pattern_add_color_stop_rgb(sky, 0.7, 0.62, 0.62, 0.62);
    cairo_pattern_add_color_stop_rgb(sky, 1.0, 0.80, 0.80, 0.80);
    cairo_set_source(cr, sky);
    cairo_paint(cr);
    cairo_pattern_destroy(sky);

    cairo_pattern_t *sun = cairo_pattern_create_radial(sunX, sunY, 0, sunX, sunY, 0.45 * w);
    cairo_pattern_add_color_stop_rgba(sun, 0.0, 1, 1, 1, 0.95);
    cairo_pattern_add_color_stop_rgba(sun, 0.04, 1, 1, 1, 0.85);
    cairo_pattern_add_color_stop_rgba(sun, 0.2, 1, 1, 1, 0.25);
    cairo_pattern_add_color_stop_rgba(sun, 1.0, 1, 1, 1, 0.0);
    cairo_set_source(cr, sun);
    cairo_paint(cr);
    cairo_pattern_destroy(sun);

    /* clouds: dark noise, denser towards the top */
    cairo_surface_t *clouds = picNoiseSurface(w, h, 0.35 * w, 6, seed, 0.0, 1.0);
    cairo_pattern_t *fade = cairo_pattern_create_linear(0, 0, 0, horizon);
    cairo_pattern_add_color_stop_rgba(fade, 0.0, 0, 0, 0, 0.75);
    cairo_pattern_add_color_stop_rgba(fade, 1.0, 0, 0, 0, 0.15);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, clouds, 0, 0);
    cairo_mask(cr, fade);
    cairo_restore(cr);
    cairo_pattern_destroy(fade);
    cairo_surface_destroy(clouds);
}

/* A column of smoke rising from (x, y) and drifting with the wind. */
static void paintSmoke(cairo_t *cr, int w, int h, double x, double y, double size,
                       double darkness, uint32_t seed)
{
    cairo_surface_t *plume = picSurface(w, h);
    cairo_t *pc = cairo_create(plume);
    PicRng rng;
    picSeed(&rng, seed);
    for (int i = 0; i < 60; i++) {
        double u = i / 60.0;
        double px = x + size * (3.0 * u * u + 0.3 * sin(u * 9.0)) + picRange(&rng, -0.2, 0.2) * size;
        double py = y - size * 5.0 * u;
        double r = size * (0.25 + 1.1 * u) * picRange(&rng, 0.7, 1.2);
        cairo_set_source_rgba(pc, 0, 0, 0, 0.35 * (1.0 - 0.8 * u));
        cairo_arc(pc, px, py, r, 0, 2 * M_PI);
        cairo_fill(pc);
    }
    cairo_destroy(pc);
    picBlur(plume, (int)(size * 0.12) + 1);
    cairo_surface_t *billow = picNoiseSurface(w, h, size * 0.6, 4, seed + 5, 0.3, 1.0);
    cairo_save(cr);
    cairo_push_group(cr);
    cairo_set_source_surface(cr, billow, 0, 0);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_DEST_IN);
    cairo_set_source_surface(cr, plume, 0, 0);
    cairo_paint(cr);
    cairo_pop_group_to_source(cr);
    cairo_paint_with_alpha(cr, darkness);
    cairo_restore(cr);
    /* the body of the smoke darkens what is behind it */
    cairo_save(cr);
    cairo_set_source_rgba(cr, 0.08, 0.08, 0.08, 1);
    cairo_mask_surface(cr, plume, 0, 0);
    cairo_restore(cr);
    cairo_surface_destroy(billow);
    cairo_surface_destroy(plume);
}

/* A tower seen face on, with a broken top, window grid, gutted floors, grime
 * and rebar. */
static void paintTower(cairo_t *cr, const Tower *t, cairo_surface_t *grime, double skyTone)
{
    PicRng rng;
    picSeed(&rng, t->seed);
    double tone = mixd(0.10, skyTone * 0.92, t->haze);
    double half = t->width / 2;
    cairo_save(cr);
    cairo_translate(cr, t->x, t->base);
    cairo_rotate(cr, t->lean);

    /* silhouette with a jagged top, cut away on one side */
    int steps = 14;
    int side = picRand(&rng) < 0.5 ? -1 : 1;
    double tops[15];
    cairo_move_to(cr, -half, 0);
    for (int i = 0; i <= steps; i++) {
        double u = (double)i / steps;
        double cut = t->damage * t->height * (side > 0 ? u : 1 - u) * 0.6;
        double jag = t->damage * t->height * 0.08 * picRand(&rng);
        tops[i] = -t->height + cut + jag;
        cairo_line_to(cr, -half + u * t->width, tops[i]);
    }
    cairo_line_to(cr, half, 0);
    cairo_close_path(cr);
    cairo_path_t *outline = cairo_copy_path(cr);
    grey(cr, tone, 1);
    cairo_fill_preserve(cr);
    cairo_clip(cr);

    /* windows, floor by floor; near the broken top whole bays are gutted */
    double floorH = fmax(4.0, t->width / 9.0);
    int cols = (int)(t->width / (floorH * 1.1));
    if (cols < 2)
        cols = 2;
    double colW = t->width / cols;
    for (double y = -floorH; y > -t->height; y -= floorH) {
        for (int c = 0; c < cols; c++) {
            double wx = -half + c * colW + colW * 0.2, ww = colW * 0.6;
            double wy = y + floorH * 0.25, wh = floorH * 0.5;
            int i = (int)((c + 0.5) / cols * steps);
            double top = tops[i];
            double nearTop = (y - top) / floorH;
            double roll = picRand(&rng);
            if (nearTop < 2.5 && roll < 0.55 * t->damage + 0.2) {
                /* gutted: sky through the floors, slabs left hanging */
                grey(cr, mixd(tone, skyTone, 0.55), 1);
                cairo_rectangle(cr, -half + c * colW, y, colW, floorH * 0.82);
                cairo_fill(cr);
                continue;
            }
            double v = roll < 0.15 ? tone * 0.2 : tone * mixd(0.45, 0.9, t->haze);
            grey(cr, v, 1);
            cairo_rectangle(cr, wx, wy, ww, wh);
            cairo_fill(cr);
            if (roll < 0.1) {
                /* soot above a burnt-out window */
                cairo_pattern_t *soot = cairo_pattern_create_linear(0, wy, 0, wy - floorH);
                cairo_pattern_add_color_stop_rgba(soot, 0, 0, 0, 0, 0.6 * (1 - t->haze));
                cairo_pattern_add_color_stop_rgba(soot, 1, 0, 0, 0, 0);
                cairo_set_source(cr, soot);
                cairo_rectangle(cr, wx - ww * 0.2, wy - floorH, ww * 1.4, floorH);
                cairo_fill(cr);
                cairo_pattern_destroy(soot);
            }
        }
    }
    /* light from the sun side, and grime over everything */
    cairo_pattern_t *lit = cairo_pattern_create_linear(-half, 0, half, 0);
    cairo_pattern_add_color_stop_rgba(lit, 0.0, 1, 1, 1, 0.10 * (1 - t->haze));
    cairo_pattern_add_color_stop_rgba(lit, 0.6, 1, 1, 1, 0.0);
    cairo_pattern_add_color_stop_rgba(lit, 1.0, 0, 0, 0, 0.25 * (1 - t->haze));
    cairo_set_source(cr, lit);
    cairo_paint(cr);
    cairo_pattern_destroy(lit);
    cairo_identity_matrix(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, grime, 0, 0);
    cairo_paint_with_alpha(cr, 0.8 * (1 - t->haze));
    cairo_restore(cr);

    /* rebar sticking out of the broken top */
    cairo_save(cr);
    cairo_translate(cr, t->x, t->base);
    cairo_rotate(cr, t->lean);
    grey(cr, tone * 0.6, 1);
    cairo_set_line_width(cr, fmax(0.6, t->width / 160));
    for (int i = 1; i < steps; i++) {
        if (picRand(&rng) > 0.6 * t->damage)
            continue;
        double x = -half + (double)i / steps * t->width;
        double len = picRange(&rng, 0.01, 0.05) * t->height;
        cairo_move_to(cr, x, tops[i] + 1);
        cairo_rel_curve_to(cr, 0, -len * 0.5, picRange(&rng, -0.5, 0.5) * len, -len * 0.8,
                           picRange(&rng, -0.6, 0.6) * len, -len);
        cairo_stroke(cr);
    }
    cairo_new_path(cr);
    cairo_append_path(cr, outline);
    cairo_set_line_width(cr, 1.0);
    grey(cr, tone * 0.7, 0.5);
    cairo_stroke(cr);
    cairo_path_destroy(outline);
    cairo_restore(cr);
}

/* Rubble: a heap of broken slabs between x0 and x1 resting on y. */
static void paintRubble(cairo_t *cr, double x0, double x1, double y, double size, int count,
                        double tone, uint32_t seed)
{
    PicRng rng;
    picSeed(&rng, seed);
    for (int i = 0; i < count; i++) {
        double u = picRand(&rng);
        double cx = mixd(x0, x1, u);
        double heap = sin(u * M_PI) * size * 1.6;
        double cy = y - picRand(&rng) * heap;
        double r = size * picRange(&rng, 0.15, 0.6);
        int corners = 4 + (int)(picRand(&rng) * 3);
        double a0 = picRange(&rng, 0, 2 * M_PI);
        for (int k = 0; k < corners; k++) {
            double a = a0 + k * 2 * M_PI / corners + picRange(&rng, -0.3, 0.3);
            double rr = r * picRange(&rng, 0.6, 1.1);
            double px = cx + cos(a) * rr, py = cy + sin(a) * rr * 0.6;
            if (k == 0)
                cairo_move_to(cr, px, py);
            else
                cairo_line_to(cr, px, py);
        }
        cairo_close_path(cr);
        double v = tone * picRange(&rng, 0.5, 1.4);
        grey(cr, v, 1);
        cairo_fill_preserve(cr);
        grey(cr, fmin(1.0, v * 1.8), 0.5);
        cairo_set_line_width(cr, 1.0);
        cairo_stroke(cr);
    }
}

/* A bare branch and, recursively, its twigs. */
static void paintBranch(cairo_t *cr, double x, double y, double angle, double len, double width,
                        int depth, PicRng *rng)
{
    double bend = picRange(rng, -0.25, 0.25);
    double x1 = x + cos(angle) * len, y1 = y + sin(angle) * len;
    cairo_move_to(cr, x, y);
    cairo_curve_to(cr, x + cos(angle + bend) * len * 0.5, y + sin(angle + bend) * len * 0.5,
                   x1 - cos(angle - bend) * len * 0.2, y1 - sin(angle - bend) * len * 0.2, x1, y1);
    cairo_set_line_width(cr, width);
    cairo_stroke(cr);
    if (depth == 0)
        return;
    int forks = 2 + (picRand(rng) < 0.3);
    for (int i = 0; i < forks; i++)
        paintBranch(cr, x1, y1, angle + picRange(rng, -0.7, 0.7), len * picRange(rng, 0.55, 0.8),
                    width * 0.62, depth - 1, rng);
}

/* One block of the street: a facade in the plane x = face from z0 to z1,
 * facing the road, and its end wall at z0 facing the camera. */
static void paintBlock(cairo_t *cr, const PicCamera *cam, double face, double z0, double z1,
                       double height, double damage, cairo_surface_t *grime, uint32_t seed)
{
    PicRng rng;
    picSeed(&rng, seed);
    double side = face < 0 ? -1.0 : 1.0, depth = 18.0;
    double haze = fmin(0.85, z0 / 260.0);
    double tone = mixd(0.14, 0.7, haze);
    const int steps = 16;
    double tops[steps + 1];
    for (int i = 0; i <= steps; i++) {
        double u = (double)i / steps;
        tops[i] = height * (1.0 - damage * (0.5 * u + 0.35 * picRand(&rng)));
    }

    /* end wall, in shadow */
    picMoveTo3(cr, cam, face, 0, z0);
    picLineTo3(cr, cam, face + side * depth, 0, z0);
    picLineTo3(cr, cam, face + side * depth, tops[0] * 0.97, z0);
    picLineTo3(cr, cam, face, tops[0], z0);
    cairo_close_path(cr);
    grey(cr, tone * 0.55, 1);
    cairo_fill(cr);

    /* facade */
    cairo_save(cr);
    picMoveTo3(cr, cam, face, 0, z0);
    picLineTo3(cr, cam, face, 0, z1);
    for (int i = steps; i >= 0; i--)
        picLineTo3(cr, cam, face, tops[i], z0 + (z1 - z0) * i / steps);
    cairo_close_path(cr);
    grey(cr, tone, 1);
    cairo_fill_preserve(cr);
    cairo_clip(cr);
    double floorH = 3.6, bay = 3.2;
    for (double y = 1.0; y < height; y += floorH) {
        for (double z = z0 + 0.6; z + bay * 0.6 < z1; z += bay) {
            int i = (int)((z - z0) / (z1 - z0) * steps);
            double roll = picRand(&rng);
            double v = roll < 0.2 ? 0.02 : tone * 0.45;
            if (tops[i] - y < 6.0 && roll < 0.5) {
                v = mixd(0.55, 0.8, haze);
                picMoveTo3(cr, cam, face, y - 0.6, z - 0.3);
                picLineTo3(cr, cam, face, y - 0.6, z + bay - 0.3);
                picLineTo3(cr, cam, face, y + floorH - 1.0, z + bay - 0.3);
                picLineTo3(cr, cam, face, y + floorH - 1.0, z - 0.3);
            } else {
                picMoveTo3(cr, cam, face, y + 0.8, z);
                picLineTo3(cr, cam, face, y + 0.8, z + bay * 0.55);
                picLineTo3(cr, cam, face, y + 2.6, z + bay * 0.55);
                picLineTo3(cr, cam, face, y + 2.6, z);
            }
            cairo_close_path(cr);
            grey(cr, v, 1);
            cairo_fill(cr);
        }
    }
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, grime, 0, 0);
    cairo_paint_with_alpha(cr, 0.85 * (1 - haze));
    cairo_restore(cr);
}

static void paintStreet(cairo_t *cr, int w, int h, cairo_surface_t *grime)
{
    PicCamera cam = {0.47 * w, 0.56 * h, 0.85 * w, 1.7, 0.0};
    paintSky(cr, w, h, cam.cy, 0.56 * w, 0.42 * h, 311);

    /* far skyline at the end of the street */
    for (int i = 0; i < 9; i++) {
        Tower t = {cam.cx + (i - 4) * 0.035 * w, cam.cy + 2, 0.03 * w, (0.06 + 0.03 * (i % 3)) * h,
                   0.8, 0.4, (i - 4) * 0.02, 900u + (uint32_t)i};
        paintTower(cr, &t, grime, 0.78);
    }
    Tower leaning = {cam.cx + 0.02 * w, cam.cy + 2, 0.05 * w, 0.3 * h, 0.62, 0.5, 0.12, 977};
    paintTower(cr, &leaning, grime, 0.78);
    paintSmoke(cr, w, h, cam.cx - 0.12 * w, cam.cy, 0.05 * w, 0.5, 41);

    /* the road */
    picMoveTo3(cr, &cam, -60, 0, 400);
    picLineTo3(cr, &cam, 60, 0, 400);
    picLineTo3(cr, &cam, 60, 0, 2);
    picLineTo3(cr, &cam, -60, 0, 2);
    cairo_close_path(cr);
    cairo_pattern_t *road = cairo_pattern_create_linear(0, cam.cy, 0, h);
    cairo_pattern_add_color_stop_rgb(road, 0.0, 0.62, 0.62, 0.62);
    cairo_pattern_add_color_stop_rgb(road, 0.3, 0.30, 0.30, 0.30);
    cairo_pattern_add_color_stop_rgb(road, 1.0, 0.16, 0.16, 0.16);
    cairo_set_source(cr, road);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(road);
    cairo_save(cr);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, grime, 0, 0);
    cairo_paint_with_alpha(cr, 0.6);
    cairo_restore(cr);
    /* cracks and lane marks */
    PicRng rng;
    picSeed(&rng, 5150);
    grey(cr, 0.05, 0.8);
    for (int i = 0; i < 40; i++) {
        double x = picRange(&rng, -10, 10), z = picRange(&rng, 3, 60);
        picMoveTo3(cr, &cam, x, 0, z);
        for (int k = 0; k < 6; k++) {
            x += picRange(&rng, -0.8, 0.8);
            z += picRange(&rng, -0.5, 1.5);
            picLineTo3(cr, &cam, x, 0, z);
        }
        cairo_set_line_width(cr, 1.2);
        cairo_stroke(cr);
    }
    for (double z = 4; z < 200; z += 9) {
        picMoveTo3(cr, &cam, -0.12, 0, z);
        picLineTo3(cr, &cam, 0.12, 0, z);
        picLineTo3(cr, &cam, 0.12, 0, z + 4);
        picLineTo3(cr, &cam, -0.12, 0, z + 4);
        cairo_close_path(cr);
        grey(cr, 0.75, 0.35);
        cairo_fill(cr);
    }

    /* blocks on both sides, far to near */
    for (int i = 9; i >= 0; i--) {
        double z0 = 6 + i * 26.0, z1 = z0 + 21.0;
        paintBlock(cr, &cam, -12, z0, z1, 28 + 14 * ((i * 7) % 3), 0.15 + 0.08 * ((i * 5) % 4), grime,
                   700u + (uint32_t)i);
        /* the second block on the right has come down to a few floors */
        double height = i == 1 ? 13 : 24 + 16 * ((i * 3) % 3);
        double damage = i == 1 ? 0.7 : 0.2 + 0.1 * ((i * 3) % 3);
        paintBlock(cr, &cam, 12, z0 + 9, z1 + 9, height, damage, grime, 800u + (uint32_t)i);
    }
    /* a burnt-out car and the heaps along the kerbs */
    double sx, sy;
    picProject(&cam, 4.0, 0, 22, &sx, &sy);
    double car = cam.focal * 4.2 / 22;
    cairo_move_to(cr, sx - car * 0.5, sy);
    cairo_line_to(cr, sx - car * 0.5, sy - car * 0.18);
    cairo_line_to(cr, sx - car * 0.3, sy - car * 0.2);
    cairo_line_to(cr, sx - car * 0.18, sy - car * 0.34);
    cairo_line_to(cr, sx + car * 0.2, sy - car * 0.33);
    cairo_line_to(cr, sx + car * 0.32, sy - car * 0.2);
    cairo_line_to(cr, sx + car * 0.5, sy - car * 0.17);
    cairo_line_to(cr, sx + car * 0.5, sy);
    cairo_close_path(cr);
    grey(cr, 0.07, 1);
    cairo_fill(cr);
    /* empty window frames, and the body sitting on its rims */
    grey(cr, 0.3, 1);
    cairo_rectangle(cr, sx - car * 0.15, sy - car * 0.31, car * 0.13, car * 0.09);
    cairo_rectangle(cr, sx + car * 0.01, sy - car * 0.31, car * 0.14, car * 0.09);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_move_to(cr, sx - car * 0.5, sy);
    cairo_rel_line_to(cr, car, 0);
    cairo_rel_line_to(cr, 0, -car * 0.17);
    cairo_rel_line_to(cr, -car, 0);
    cairo_close_path(cr);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, grime, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    grey(cr, 0.2, 1);
    cairo_arc(cr, sx - car * 0.3, sy - car * 0.02, car * 0.05, 0, 2 * M_PI);
    cairo_fill(cr);
    cairo_arc(cr, sx + car * 0.3, sy - car * 0.02, car * 0.05, 0, 2 * M_PI);
    cairo_fill(cr);
    paintSmoke(cr, w, h, sx, sy - car * 0.3, 0.035 * w, 0.7, 77);
    /* debris strewn down the road, heaps along both kerbs */
    for (int i = 0; i < 90; i++) {
        double x = picRange(&rng, -10, 10), z = picRange(&rng, 3.5, 50);
        double size = picRange(&rng, 0.1, 0.5);
        picProject(&cam, x, 0, z, &sx, &sy);
        paintRubble(cr, sx, sx + 1, sy, cam.focal * size / z, 3, 0.12, 6300u + (uint32_t)i);
    }
    for (double z = 40; z >= 4; z -= 4) {
        double xs[2] = {-11, 11};
        for (double x : xs) {
            picProject(&cam, x, 0, z, &sx, &sy);
            double size = cam.focal * 1.2 / z;
            paintRubble(cr, sx - size * 1.5, sx + size * 1.5, sy, size, 24, 0.16,
                        6400u + (uint32_t)(z * 3 + (x > 0)));
        }
    }
}

static void paintOverlook(cairo_t *cr, int w, int h, cairo_surface_t *grime)
{
    double horizon = 0.62 * h;
    paintSky(cr, w, h, horizon, 0.22 * w, 0.5 * h, 412);
    PicRng rng;
    picSeed(&rng, 2024);
    /* rows of towers from the haze to the foreground */
    for (int row = 0; row < 5; row++) {
        double haze = 0.85 - row * 0.19, scale = 0.5 + row * 0.35;
        double base = horizon + row * 0.06 * h;
        for (double x = -0.05 * w; x < 1.05 * w;) {
            double tw = picRange(&rng, 0.03, 0.07) * w * scale;
            double th = picRange(&rng, 0.08, 0.3) * h * scale;
            double damage = picRange(&rng, 0.1, 0.9);
            if (row >= 3 && x < 0.5 * w) {
                /* the near blocks on the left are razed to stumps: the view
                   opens onto the river and the bridge */
                th *= 0.22;
                damage = 0.9;
            }
            Tower t = {x + tw / 2, base, tw, th, haze, damage, picRange(&rng, -0.04, 0.04),
                       (uint32_t)(3000 + row * 100 + (int)x)};
            if (row == 2 && x > 0.6 * w && x < 0.7 * w)
                t.lean = 0.35;
            paintTower(cr, &t, grime, 0.78);
            x += tw * picRange(&rng, 0.7, 1.5);
        }
        grey(cr, mixd(0.12, 0.7, haze), 1);
        cairo_rectangle(cr, 0, base - 1, w, 0.07 * h);
        cairo_fill(cr);
        paintRubble(cr, 0, w, base + 0.05 * h, 0.012 * w * scale, 90, mixd(0.14, 0.6, haze), 3500u + (uint32_t)row);
        if (row == 1)
            paintSmoke(cr, w, h, 0.7 * w, horizon + 0.05 * h, 0.06 * w, 0.6, 91);
        if (row == 2) {
            /* a broken bridge: deck and arches stopping in mid-air */
            double y = horizon + 0.05 * h;
            grey(cr, 0.3, 1);
            cairo_rectangle(cr, -0.02 * w, y, 0.42 * w, 0.012 * h);
            cairo_fill(cr);
            for (int a = 0; a < 4; a++) {
                double ax = 0.02 * w + a * 0.1 * w;
                cairo_arc_negative(cr, ax + 0.05 * w, y + 0.07 * h, 0.05 * w, 0, M_PI);
                cairo_line_to(cr, ax, y + 0.012 * h);
                cairo_line_to(cr, ax + 0.1 * w, y + 0.012 * h);
                cairo_close_path(cr);
                cairo_set_line_width(cr, 0.004 * w);
                cairo_stroke(cr);
                cairo_rectangle(cr, ax - 0.004 * w, y, 0.008 * w, 0.09 * h);
                cairo_fill(cr);
            }
            /* the hanging end of the deck */
            cairo_move_to(cr, 0.40 * w, y);
            cairo_line_to(cr, 0.44 * w, y + 0.06 * h);
            cairo_line_to(cr, 0.435 * w, y + 0.068 * h);
            cairo_line_to(cr, 0.395 * w, y + 0.012 * h);
            cairo_close_path(cr);
            cairo_fill(cr);
            paintSmoke(cr, w, h, 0.3 * w, horizon + 0.1 * h, 0.05 * w, 0.65, 92);
        }
    }
    /* the ledge we stand on */
    cairo_move_to(cr, 0, h);
    cairo_line_to(cr, 0, 0.86 * h);
    for (int i = 0; i <= 20; i++)
        cairo_line_to(cr, i * w / 20.0, 0.88 * h + picRange(&rng, -0.02, 0.02) * h - (i < 6 ? 0.03 * h : 0));
    cairo_line_to(cr, w, h);
    cairo_close_path(cr);
    grey(cr, 0.08, 1);
    cairo_fill(cr);
    paintRubble(cr, 0.0, 1.0 * w, 0.97 * h, 0.045 * w, 180, 0.16, 93);
}

static void paintWindowView(cairo_t *cr, int w, int h, cairo_surface_t *grime)
{
    double horizon = 0.62 * h;
    paintSky(cr, w, h, horizon, 0.7 * w, 0.3 * h, 513);
    PicRng rng;
    picSeed(&rng, 77);
    for (int i = 0; i < 14; i++) {
        double tw = picRange(&rng, 0.04, 0.09) * w;
        Tower t = {picRange(&rng, 0.0, 1.0) * w, horizon, tw, picRange(&rng, 0.1, 0.35) * h, 0.7,
                   picRange(&rng, 0.2, 0.8), picRange(&rng, -0.05, 0.05), 5000u + (uint32_t)i};
        paintTower(cr, &t, grime, 0.8);
    }
    paintSmoke(cr, w, h, 0.25 * w, horizon, 0.05 * w, 0.55, 71);
    /* the leaning tower in the middle of the view, and its fallen neighbour */
    Tower lean = {0.55 * w, horizon + 0.08 * h, 0.14 * w, 0.75 * h, 0.3, 0.35, 0.16, 5100};
    paintTower(cr, &lean, grime, 0.8);
    Tower fallen = {0.3 * w, horizon + 0.1 * h, 0.1 * w, 0.45 * h, 0.35, 0.6, -0.55, 5101};
    paintTower(cr, &fallen, grime, 0.8);
    paintSmoke(cr, w, h, 0.6 * w, horizon + 0.05 * h, 0.07 * w, 0.6, 72);
    /* wasteland between */
    cairo_rectangle(cr, 0, horizon, w, h);
    cairo_pattern_t *ground = cairo_pattern_create_linear(0, horizon, 0, h);
    cairo_pattern_add_color_stop_rgb(ground, 0.0, 0.45, 0.45, 0.45);
    cairo_pattern_add_color_stop_rgb(ground, 1.0, 0.22, 0.22, 0.22);
    cairo_set_source(cr, ground);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(ground);
    cairo_save(cr);
    cairo_clip(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, grime, 0, 0);
    cairo_paint_with_alpha(cr, 0.7);
    cairo_restore(cr);
    paintRubble(cr, 0.1 * w, 0.9 * w, horizon + 0.2 * h, 0.03 * w, 160, 0.3, 73);
    /* a dead tree */
    grey(cr, 0.08, 1);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    paintBranch(cr, 0.8 * w, horizon + 0.2 * h, -M_PI / 2 - 0.05, 0.13 * h, 0.012 * w, 6, &rng);

    /* the ruined room we look out of: a dark wall with a shattered opening */
    const double corners[4][2] = {{0.13, 0.1}, {0.9, 0.07}, {0.93, 0.84}, {0.09, 0.8}};
    for (int e = 0; e < 4; e++) {
        const double *a = corners[e], *b = corners[(e + 1) % 4];
        for (int i = 0; i < 24; i++) {
            double u = i / 24.0;
            double px = mixd(a[0], b[0], u) * w, py = mixd(a[1], b[1], u) * h;
            /* the wall broke away unevenly, in larger chunks along the top */
            double bite = picRange(&rng, -0.012, 0.02) * h;
            if (e == 0)
                bite += 0.04 * h * sin(u * M_PI * 3.0) * sin(u * M_PI);
            double nx = (b[1] - a[1]) * h, ny = -(b[0] - a[0]) * w;
            double len = sqrt(nx * nx + ny * ny);
            px += nx / len * bite;
            py += ny / len * bite;
            if (e == 0 && i == 0)
                cairo_move_to(cr, px, py);
            else
                cairo_line_to(cr, px, py);
        }
    }
    cairo_close_path(cr);
    cairo_path_t *opening = cairo_copy_path(cr);
    cairo_new_path(cr);
    cairo_rectangle(cr, 0, 0, w, h);
    cairo_append_path(cr, opening);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_EVEN_ODD);
    cairo_path_t *wall = cairo_copy_path(cr);
    grey(cr, 0.11, 1);
    cairo_fill(cr);
    cairo_save(cr);
    cairo_append_path(cr, wall);
    cairo_clip(cr);
    cairo_surface_t *plaster = picNoiseSurface(w, h, 0.03 * w, 6, 514, 0.25, 1.0);
    cairo_set_operator(cr, CAIRO_OPERATOR_MULTIPLY);
    cairo_set_source_surface(cr, plaster, 0, 0);
    cairo_paint(cr);
    cairo_surface_destroy(plaster);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    /* light catching the broken edge of the opening */
    cairo_append_path(cr, opening);
    cairo_set_line_width(cr, 0.012 * w);
    grey(cr, 0.45, 0.6);
    cairo_stroke(cr);
    cairo_restore(cr);
    cairo_path_destroy(wall);
    cairo_path_destroy(opening);
    cairo_set_fill_rule(cr, CAIRO_FILL_RULE_WINDING);
    /* a window bar left hanging across the opening */
    grey(cr, 0.06, 1);
    cairo_move_to(cr, 0.12 * w, 0.2 * h);
    cairo_line_to(cr, 0.45 * w, 0.08 * h);
    cairo_set_line_width(cr, 0.01 * w);
    cairo_stroke(cr);
    cairo_move_to(cr, 0.3 * w, 0.14 * h);
    cairo_line_to(cr, 0.33 * w, 0.42 * h);
    cairo_set_line_width(cr, 0.006 * w);
    cairo_stroke(cr);
    paintRubble(cr, 0.0, 0.5 * w, 1.0 * h, 0.05 * w, 70, 0.1, 74);
}

/* ---- Public functions ---------------------------------------------------- */

cairo_surface_t *picCity(int w, int h, int view)
{
    cairo_surface_t *s = picSurface(w, h);
    cairo_surface_t *grime = picNoiseSurface(w, h, 0.05 * w, 5, 600u + (uint32_t)view, 0.35, 1.0);
    cairo_t *cr = cairo_create(s);
    if (view == 0)
        paintStreet(cr, w, h, grime);
    else if (view == 1)
        paintOverlook(cr, w, h, grime);
    else
        paintWindowView(cr, w, h, grime);
    cairo_destroy(cr);
    cairo_surface_destroy(grime);
    picLevels(s, 0.8);
    picVignette(s, 0.6);
    picGrain(s, 0.04, 0.1, 6100u + (uint32_t)view);
    picDamage(s, 60, 3, 6200u + (uint32_t)view);
    return s;
}
