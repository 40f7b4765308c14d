/*
 * pic_table.cpp - the demo's pictures: file names, pixel sizes and painters.
 *
 * The sizes keep the proportions of the half-sizes at which the scenes draw
 * each picture (the background 40.0 x 36.9, the title 21.6 x 3.15, the caption
 * 10.4 x 2.88, the logo 6.4 x 3.6, the photographs 6.72 x 3.78, the two
 * overlays 37.6 x 16.605) and are large enough for a 1920 x 1080 screen.
 *
 * Depends on: pic.h.
 */
#include "pic.h"

#include <stdio.h>

/* ---- State --------------------------------------------------------------- */

static cairo_surface_t *cityStreet(int w, int h);
static cairo_surface_t *cityOverlook(int w, int h);
static cairo_surface_t *cityWindow(int w, int h);

static const PicEntry pictures[] = {
    {"background.png", 1600, 1476, PIC_PNG_SEPIA, picBackground},
    {"title.png", 1536, 224, PIC_PNG_RGBA, picTitle},
    {"tarvex_presents.png", 1040, 288, PIC_PNG_RGBA, picCaption},
    {"vornfest20.png", 768, 432, PIC_PNG_RGBA, picPartyLogo},
    {"apocalyptic1.png", 1024, 576, PIC_PNG_SEPIA, cityStreet},
    {"apocalyptic2.png", 1024, 576, PIC_PNG_SEPIA, cityOverlook},
    {"apocalyptic3.png", 1024, 576, PIC_PNG_SEPIA, cityWindow},
    {"eniac.png", 1024, 576, PIC_PNG_SEPIA, picValveComputer},
    {"transistor.png", 1024, 576, PIC_PNG_SEPIA, picTransistor},
    {"opticalprocessor.png", 1024, 576, PIC_PNG_SEPIA, picOpticalProcessor},
    {"tmp.png", 2048, 904, PIC_PNG_RGBA, picCockpitOverlay},
    {"display_overlay.png", 2048, 904, PIC_PNG_RGBA, picMonitorOverlay},
};

/* ---- Internal helpers ---------------------------------------------------- */

/* The three views of the ruined city. */
static cairo_surface_t *cityStreet(int w, int h) { return picCity(w, h, 0); }
static cairo_surface_t *cityOverlook(int w, int h) { return picCity(w, h, 1); }
static cairo_surface_t *cityWindow(int w, int h) { return picCity(w, h, 2); }

/* ---- Public functions ---------------------------------------------------- */

int picCount(void)
{
    return (int)(sizeof pictures / sizeof pictures[0]);
}

const PicEntry *picEntry(int index)
{
    return (index >= 0 && index < picCount()) ? &pictures[index] : nullptr;
}

int picGenerate(int index, const char *dir)
{
    const PicEntry *entry = picEntry(index);
    if (!entry)
        return -1;
    char path[4096];
    if (snprintf(path, sizeof path, "%s/%s", dir, entry->file) >= (int)sizeof path) {
        fprintf(stderr, "pictures: output path too long\n");
        return -1;
    }
    cairo_surface_t *surface = entry->paint(entry->width, entry->height);
    int result = picWritePng(surface, path, entry->format);
    cairo_surface_destroy(surface);
    return result;
}
