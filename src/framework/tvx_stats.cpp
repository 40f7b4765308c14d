/*
 * tvx_stats.cpp - the figures of a live run, a line a second (--stats).
 *
 * Once a second of wall time, one JSON object on a line of its own: the demo
 * time in ms, the scene that plays (-1 while loading), the frames drawn in
 * that second, their mean and worst frame time in ms (from the end of one
 * frame to the end of the next, what the viewer sees), and the render scale.
 *
 *   {"demo_ms": 15025, "scene": 1, "frames": 38, "mean_ms": 26.3, "worst_ms": 31.0, "scale": 0.875}
 *
 * The file is a log that grows while the demo plays, so it is written in
 * place rather than renamed into it at the end: each line goes out in one
 * write of its own, and a run killed at any moment leaves only whole lines.
 * Depends on: POSIX (open, write), the demo clock, the render scale, the
 * viewer's scene hook, tvx_userPath.
 */
#include "tvx.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>     /* PATH_MAX */
#include <stdio.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

/* ---- State ----------------------------------------------------------------- */

static int statsFile = -1;
static char statsName[PATH_MAX];      /* as the user gave it, for messages */
static double secondStart = -1.0;     /* when the second being counted began */
static double lastFrameEnd = -1.0;
static int frames = 0;                /* frames that ended in this second */
static int intervals = 0;             /* of them, those with a frame before them */
static double frameSum = 0.0;         /* their frame times, ms */
static double frameWorst = 0.0;

/* ---- Internal helpers ------------------------------------------------------ */

static double seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

/* Writes a whole line, going on after a write the kernel took only in part;
 * a failed write ends the statistics with a "[/] " line. */
static void writeLine(const char *line, size_t length)
{
    while (length > 0) {
        ssize_t written = write(statsFile, line, length);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            printf("[/] %s could not be written (%s): no more figures go there\n", statsName,
                   strerror(errno));
            close(statsFile);
            statsFile = -1;
            return;
        }
        line += written;
        length -= (size_t)written;
    }
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_openStats(const char *path)
{
    char full[PATH_MAX];
    snprintf(statsName, sizeof statsName, "%s", path);
    const char *where = tvx_userPath(path, full, (int)sizeof full);
    statsFile = where != nullptr ? open(where, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
    if (statsFile < 0)
        printf("[/] %s cannot be written (%s): the run goes on without its figures\n", path,
               strerror(errno));
}

void tvx_statsFrameEnd(void)
{
    if (statsFile < 0)
        return;
    double now = seconds();
    if (secondStart < 0.0)
        secondStart = now;
    if (lastFrameEnd >= 0.0) {
        double ms = (now - lastFrameEnd) * 1000.0;
        frameSum += ms;
        intervals++;
        if (ms > frameWorst)
            frameWorst = ms;
    }
    lastFrameEnd = now;
    frames++;
    if (now - secondStart < 1.0)
        return;
    char line[256];
    int length = snprintf(line, sizeof line,
                          "{\"demo_ms\": %d, \"scene\": %d, \"frames\": %d, \"mean_ms\": %.1f, "
                          "\"worst_ms\": %.1f, \"scale\": %.5g}\n",
                          tvx_getTime(), tvx_playingScene(), frames,
                          intervals > 0 ? frameSum / intervals : 0.0, frameWorst,
                          (double)tvx_renderScale());
    writeLine(line, (size_t)length);
    secondStart += 1.0;
    if (now - secondStart >= 1.0)
        secondStart = now;   /* a stall of more than a second: count from here */
    frames = 0;
    intervals = 0;
    frameSum = 0.0;
    frameWorst = 0.0;
}
