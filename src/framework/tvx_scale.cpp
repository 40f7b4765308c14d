/*
 * tvx_scale.cpp - the render scale of live runs.
 *
 * A live run whose frames take longer than the 25 ms period would skip demo
 * time and show a slide show in step with the music. Instead the whole frame
 * is drawn smaller, into the picture target (tvx_frame.cpp), and stretched
 * to the window: the demo keeps its period and only gets softer. The scale
 * is fixed (--scale F) or chosen from the recent frame times (--scale auto,
 * the default of live runs): 1 wherever the frames fit the period, lower
 * only as far as needed, never below 0.5. It moves in small steps, at most
 * one every few frames and only on the median of the frames drawn since the
 * last step, so a single slow frame (a scene's first frame loading its
 * pictures) moves nothing and the picture never pumps; it comes back up
 * when the frames would still fit at the next step. Where a scene is far
 * too heavy (three frames in a row at half as long again as allowed), the
 * steps down come every three frames instead of every nine: at such frame
 * times nine frames take most of a second, and the way down from 1 to 0.5
 * would otherwise be a slide show of several seconds. Frame-exact runs
 * (capture, benchmark) always draw at scale 1.
 *
 * The steps are a pure function of the frame times (tvx_scaleStep), so
 * tests drive it with made-up timings.
 * Depends on: libc (the monotonic clock).
 */
#include "tvx.h"

#include <math.h>
#include <time.h>

/* ---- State ----------------------------------------------------------------- */

static const double TARGET_MS = 22.0;   /* what a frame may take: the 25 ms period, less headroom */
static const double RISE_MARGIN = 0.92; /* a step up only when the frames would take less than this of it */
static const float STEP = 1.0f / 32.0f; /* the scale's grain */
static const float MOST_DOWN = 2.0f / 32.0f;   /* the largest step down at once */
static const float LOWEST = 0.5f;
static const double FAR_TOO_SLOW = 1.5;  /* frames this much over the target step at once */

static int automatic = 1;               /* --scale auto */
static float fixedScale = 1.0f;         /* --scale F, and 1 for frame-exact runs */
static struct tvx_scaleControl control; /* the automatic choice */
static int controlReady = 0;
static double frameStart = -1.0;        /* when the frame being drawn began, s */

/* ---- Internal helpers ------------------------------------------------------ */

static double seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static double median(const double *values, int count)
{
    double sorted[TVX_SCALE_FRAMES];
    for (int i = 0; i < count; i++) {
        int j = i;
        while (j > 0 && sorted[j - 1] > values[i]) {
            sorted[j] = sorted[j - 1];
            j--;
        }
        sorted[j] = values[i];
    }
    return count % 2 ? sorted[count / 2] : 0.5 * (sorted[count / 2 - 1] + sorted[count / 2]);
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_scaleReset(struct tvx_scaleControl *c, float scale)
{
    c->scale = scale;
    c->count = 0;
}

float tvx_scaleStep(struct tvx_scaleControl *c, double frameMs)
{
    c->frameMs[c->count++] = frameMs;
    int farTooSlow = c->count >= TVX_SCALE_QUICK;
    for (int i = c->count - TVX_SCALE_QUICK; farTooSlow && i < c->count; i++)
        farTooSlow = c->frameMs[i] > FAR_TOO_SLOW * TARGET_MS;
    if (c->count < TVX_SCALE_FRAMES && !(farTooSlow && c->scale > LOWEST))
        return c->scale;
    double typical = median(c->frameMs, c->count);
    c->count = 0;
    float scale = c->scale;
    if (typical > TARGET_MS) {
        /* Time goes with the pixels drawn, the square of the scale, at
         * most: the step that would fit, and at least one grain, since a
         * part of the time does not shrink with the picture. */
        float fit = scale * (float)sqrt(TARGET_MS / typical);
        float down = scale - fit;
        down = down < STEP ? STEP : down > MOST_DOWN ? MOST_DOWN : down;
        scale = floorf((scale - down) / STEP + 0.5f) * STEP;
        if (scale < LOWEST)
            scale = LOWEST;
    } else if (scale < 1.0f) {
        float up = scale + STEP;
        if (typical * (up / scale) * (up / scale) < TARGET_MS * RISE_MARGIN)
            scale = up > 1.0f ? 1.0f : up;
    }
    c->scale = scale;
    return scale;
}

void tvx_setRenderScale(float scale)
{
    automatic = scale <= 0.0f;
    fixedScale = automatic ? 1.0f : scale;
    tvx_scaleReset(&control, 1.0f);
    controlReady = 1;
}

float tvx_renderScale(void)
{
    if (tvx_clockSource() == TVX_CLOCK_FRAMES)
        return 1.0f;
    if (!automatic)
        return fixedScale;
    return controlReady ? control.scale : 1.0f;
}

int tvx_scaledSide(int side, float scale)
{
    int scaled = (int)(side * scale + 0.5f);
    return scaled > 0 ? scaled : 1;
}

int tvx_renderScaleIsAutomatic(void)
{
    return automatic && tvx_clockSource() != TVX_CLOCK_FRAMES;
}

void tvx_frameBegins(void)
{
    frameStart = seconds();
}

void tvx_frameEnds(void)
{
    if (frameStart < 0.0)
        return;
    double ms = (seconds() - frameStart) * 1000.0;
    frameStart = -1.0;
    if (!controlReady)
        tvx_setRenderScale(0.0f);
    if (tvx_renderScaleIsAutomatic())
        tvx_scaleStep(&control, ms);
}
