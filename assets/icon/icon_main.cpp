/*
 * icon_main.cpp - the program's desktop icon: the title card's smoky sepia
 * background in a rounded square with a neon amber "K" in the title's face.
 *   kolvane_icon OUT.png [SIZE]
 * writes the icon upright (it is not a texture), SIZE x SIZE pixels (256).
 *
 * Depends on: pic.h (the title card's painters and the neon helper, cairo).
 */
#include "pic.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>

/* ---- Internal helpers ---------------------------------------------------- */

static void roundedSquare(cairo_t *cr, double size, double radius)
{
    cairo_new_sub_path(cr);
    cairo_arc(cr, size - radius, radius, radius, -M_PI / 2, 0);
    cairo_arc(cr, size - radius, size - radius, radius, 0, M_PI / 2);
    cairo_arc(cr, radius, size - radius, radius, M_PI / 2, M_PI);
    cairo_arc(cr, radius, radius, radius, M_PI, 1.5 * M_PI);
    cairo_close_path(cr);
}

/* The letter K, white on transparent ground, centred in a square. */
static cairo_surface_t *letterShape(int size)
{
    cairo_surface_t *shape = picSurface(size, size);
    cairo_t *sc = cairo_create(shape);
    cairo_set_source_rgb(sc, 1, 1, 1);
    picSelectFont(sc, PIC_FONT_BOLD, 0.72 * size);
    cairo_text_extents_t e;
    cairo_text_extents(sc, "K", &e);
    cairo_move_to(sc, (size - e.width) / 2 - e.x_bearing, (size - e.height) / 2 - e.y_bearing);
    cairo_text_path(sc, "K");
    cairo_fill(sc);
    cairo_destroy(sc);
    return shape;
}

/* ---- Public functions ---------------------------------------------------- */

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: %s OUT.png [SIZE]\n", argv[0]);
        return 2;
    }
    int size = argc == 3 ? atoi(argv[2]) : 256;
    if (size < 16 || size > 1024) {
        fprintf(stderr, "icon: SIZE goes from 16 to 1024, not %s\n", argv[2]);
        return 2;
    }

    cairo_surface_t *icon = picSurface(size, size);
    cairo_t *cr = cairo_create(icon);
    roundedSquare(cr, size, 0.18 * size);
    cairo_clip(cr);
    cairo_surface_t *ground = picBackground(size, size);
    cairo_set_source_surface(cr, ground, 0, 0);
    cairo_paint(cr);
    cairo_set_source_rgba(cr, 0, 0, 0, 0.35);
    cairo_paint(cr);
    cairo_surface_t *shape = letterShape(size);
    picNeon(cr, shape, 1.0, 0.58, 0.20, 1.0);
    cairo_destroy(cr);
    cairo_surface_destroy(shape);
    cairo_surface_destroy(ground);

    cairo_status_t status = cairo_surface_write_to_png(icon, argv[1]);
    cairo_surface_destroy(icon);
    if (status != CAIRO_STATUS_SUCCESS) {
        fprintf(stderr, "icon: cannot write %s: %s\n", argv[1], cairo_status_to_string(status));
        return 1;
    }
    printf("%s\n", argv[1]);
    return 0;
}
