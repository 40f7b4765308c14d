/*
 * capture.cpp - frame-exact runs of the demo: capture to video (ffmpeg, with
 * the music muxed in) or to numbered PNG files, and the benchmark.
 *
 * The framework's frame clock moves the demo time on by 1000/fps ms per
 * drawn frame; the frame hook runs at every frame end after the motion blur,
 * before the swap, and reads the frame back, times it, shows the progress and
 * stops the run at --to. The run ends where the demo ends (scene 9 exits with
 * status 0) or at --to; an exit handler then closes the video and prints the
 * benchmark.
 *
 * Depends on: the tvx framework (options, frame clock, frame hook, clock), the
 * timeline (drawScene, queue), OpenGL (read-back, glFinish), libpng (frame
 * files), POSIX (ffmpeg child process).
 */
#include "capture.h"

#include <errno.h>
#include <limits.h>     /* PATH_MAX */
#include <math.h>
#include <signal.h>
#include <stdarg.h>
#include <spawn.h>      /* posix_spawnp: ffmpeg without a shell */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <GL/glew.h>
#include <png.h>        /* png_image_write_to_file: one PNG per frame */

#include "timeline.h"
#include "tvx.h"

extern char **environ;

/* ---- State ----------------------------------------------------------------- */

static struct tvx_options opts;

static const char *const MUSIC_PATH = "data/test.mp3";

enum { OUT_NONE, OUT_VIDEO, OUT_FRAMES };
static int outputKind = OUT_NONE;
static char framePrefix[4096];        /* the PNG pattern around its %d */
static char frameSuffix[4096];
static int frameDigits = 0;           /* the width of %0Nd, 0 for %d */

static FILE *ffmpegPipe = nullptr;
static pid_t ffmpegPid = -1;

/* Read-back one frame behind: each finished frame is read into one of two
 * pixel buffers while the previous frame, read a frame earlier, is handed to
 * ffmpeg or written out, so the drawing never waits for its own read-back. */
static unsigned int readBuffers[2];
static size_t readBufferSize[2];
static int readSlot = 0;              /* the buffer the next frame goes into */
static int pendingFrame = -1;         /* index of the frame waiting in a buffer, -1 none */
static int pendingSlot = 0;           /* the buffer it waits in */
static int pendingWidth = 0;
static int pendingHeight = 0;

static int framesDone = 0;            /* frames of the playing demo finished */
static int firstTime = -1;            /* demo time of the first of them, ms */
static int runEnd = 0;                /* demo time at which the run will end, ms */
static double runStart = 0.0;         /* wall clock at that frame, s */
static double lastProgress = -1.0;
static int lastProgressTenth = -1;
static int lastTime = 0;              /* demo time of the last finished frame, ms */
static int captureFailed = 0;         /* the run ends on a capture error */
static int endingRun = 0;             /* the exit handlers run: a capture error ends at once */

/* Benchmark: frame times in ms, per scene, and the loading frames. */
struct Samples {
    double *ms;
    int count;
    int capacity;
};
static struct Samples sceneSamples[SCENE_COUNT];
static struct Samples loadingSamples;
static double frameStart = 0.0;

/* ---- Internal helpers ------------------------------------------------------ */

static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

/* Ends the run on a capture error: the message on a line of its own (below
 * the progress bar on a terminal), no closing summary, status -1. */
static void captureError(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    if (isatty(2) && lastProgress >= 0.0)
        fputc('\n', stderr);
    fputs("[!] ", stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
    va_end(args);
    captureFailed = 1;
    if (endingRun)
        _exit(255);
    exit(-1);
}

static int endsWith(const char *text, const char *end)
{
    size_t n = strlen(text);
    size_t m = strlen(end);
    return n >= m && strcmp(text + n - m, end) == 0;
}

static void addSample(struct Samples *s, double ms)
{
    if (s->count == s->capacity) {
        int capacity = s->capacity ? s->capacity * 2 : 1024;
        double *grown = (double *)realloc(s->ms, (size_t)capacity * sizeof(double));
        if (grown == nullptr) {
            fprintf(stderr, "[!] Out of memory for the benchmark's frame times\n");
            _exit(255);
        }
        s->ms = grown;
        s->capacity = capacity;
    }
    s->ms[s->count++] = ms;
}

static int compareDoubles(const void *a, const void *b)
{
    double x = *(const double *)a;
    double y = *(const double *)b;
    return (x > y) - (x < y);
}

/* Mean, median, 95th percentile (nearest rank) and maximum of a sample set;
 * sorts it. */
static void summarise(struct Samples *s, double *mean, double *median, double *p95, double *max)
{
    *mean = *median = *p95 = *max = 0.0;
    if (s->count == 0)
        return;
    qsort(s->ms, (size_t)s->count, sizeof(double), compareDoubles);
    double sum = 0.0;
    for (int i = 0; i < s->count; i++)
        sum += s->ms[i];
    *mean = sum / s->count;
    *median = s->count % 2 ? s->ms[s->count / 2]
                           : (s->ms[s->count / 2 - 1] + s->ms[s->count / 2]) / 2.0;
    int rank = (int)ceil(0.95 * s->count);
    *p95 = s->ms[rank > 0 ? rank - 1 : 0];
    *max = s->ms[s->count - 1];
}

/* Prints the per-scene figures and writes them as JSON when asked; returns
 * 0, or 1 when the JSON file could not be written. */
static int printBench(void)
{
    int frames = 0;
    for (int k = 0; k < SCENE_COUNT; k++)
        frames += sceneSamples[k].count;
    printf("[*] benchmark: %d x %d, %d frames on a %d fps frame clock\n",
           tvx_globalX, tvx_globalY, frames, opts.fps);
    if (loadingSamples.count > 0)
        printf("    first loading frame (all assets): %.1f ms; %d loading frames\n",
               loadingSamples.ms[0], loadingSamples.count);
    printf("    scene  frames    mean  median     p95     max  (ms)\n");
    FILE *json = nullptr;
    int failed = 0;
    if (opts.json) {
        char path[PATH_MAX];
        const char *full = tvx_userPath(opts.json, path, sizeof(path));
        json = full ? fopen(full, "w") : nullptr;
        if (json == nullptr) {
            fprintf(stderr, "[!] Cannot write %s: %s\n", opts.json, strerror(errno));
            failed = 1;
        }
    }
    if (json)
        fprintf(json, "{\n  \"width\": %d,\n  \"height\": %d,\n  \"fps\": %d,\n"
                      "  \"first_loading_frame_ms\": %.3f,\n  \"loading_frames\": %d,\n"
                      "  \"scenes\": [",
                tvx_globalX, tvx_globalY, opts.fps,
                loadingSamples.count ? loadingSamples.ms[0] : 0.0, loadingSamples.count);
    int first = 1;
    for (int k = 0; k < SCENE_COUNT; k++) {
        struct Samples *s = &sceneSamples[k];
        if (s->count == 0)
            continue;
        double mean, median, p95, max;
        summarise(s, &mean, &median, &p95, &max);
        printf("    %5d  %6d  %6.1f  %6.1f  %6.1f  %6.1f\n", k, s->count, mean, median, p95, max);
        if (json)
            fprintf(json, "%s\n    {\"scene\": %d, \"frames\": %d, \"mean_ms\": %.3f, "
                          "\"median_ms\": %.3f, \"p95_ms\": %.3f, \"max_ms\": %.3f}",
                    first ? "" : ",", k, s->count, mean, median, p95, max);
        first = 0;
    }
    if (json) {
        fprintf(json, "\n  ]\n}\n");
        if (ferror(json) | fclose(json)) {
            fprintf(stderr, "[!] Cannot write %s: %s\n", opts.json, strerror(errno));
            failed = 1;
        }
    }
    fflush(stdout);
    return failed;
}

static int endTime(void)
{
    if (opts.to >= 0.0)
        return (int)ceil(opts.to * 1000.0);
    return DEMO_LENGTH;
}

/* Where the run started at the first frame will end: at --to, or where its
 * last scene ends when the scenes play through from the one of the first
 * frame (after -s that is earlier than the demo's length, since the start
 * counts the earlier scenes in whole seconds). */
static int plannedEnd(void)
{
    int end = firstTime;
    for (int k = queue; k >= 0 && k < SCENE_COUNT; k++)
        end += (int)(SCENE_TIME[k] * 1000.0f);
    if (opts.to >= 0.0 && endTime() < end)
        return endTime();
    return end;
}

static void showProgress(int time, int final)
{
    double wall = now();
    /* Frame k shows firstTime + floor(k * 1000 / fps); --to stops before its
     * time, the last scene draws its end time still. */
    int atTo = opts.to >= 0.0 && runEnd == endTime();
    long long span = runEnd - firstTime + (atTo ? 0 : 1);
    int total = (int)((span * opts.fps + 999) / 1000);
    if (total < 1)
        total = 1;
    double fraction = (double)framesDone / total;
    if (fraction > 1.0)
        fraction = 1.0;
    int tty = isatty(2);
    if (tty && !final && lastProgress >= 0.0 && wall - lastProgress < 0.25)
        return;
    if (!tty && (int)(fraction * 10) == lastProgressTenth)
        return;
    lastProgress = wall;
    lastProgressTenth = (int)(fraction * 10);
    double elapsed = wall - runStart;
    double rate = elapsed > 0.1 ? framesDone / elapsed : 0.0;
    int left = rate > 0.0 ? (int)((total - framesDone) / rate) : 0;
    if (left < 0)
        left = 0;
    char bar[31];
    int filled = (int)(fraction * 30);
    for (int i = 0; i < 30; i++)
        bar[i] = i < filled ? '#' : '-';
    bar[30] = '\0';
    fprintf(stderr, "%s[%s] %5.1f%%  frame %d/%d  %.1f fps  left %02d:%02d  (demo %.1f s)%s",
            tty ? "\r" : "", bar, fraction * 100.0, framesDone, total, rate, left / 60, left % 60,
            time / 1000.0, tty && !final ? "" : "\n");
}

static void startVideo(int width, int height)
{
    char size[32], rate[16], start[32], length[32];
    snprintf(size, sizeof(size), "%dx%d", width, height);
    snprintf(rate, sizeof(rate), "%d", opts.fps);
    snprintf(start, sizeof(start), "%.3f", firstTime / 1000.0);
    /* The sound covers the frames to come and no more; music shorter than
     * that ends early and leaves the rest of the picture silent. */
    int span = runEnd - firstTime > 1000 / opts.fps ? runEnd - firstTime : 1000 / opts.fps;
    snprintf(length, sizeof(length), "%.3f", span / 1000.0);
    const char *args[64];   /* 43 at most */
    int n = 0;
    args[n++] = "ffmpeg";
    args[n++] = "-hide_banner";
    args[n++] = "-loglevel";
    args[n++] = "error";
    args[n++] = "-y";
    args[n++] = "-f";
    args[n++] = "rawvideo";
    args[n++] = "-pixel_format";
    args[n++] = "bgra";   /* the window's own order: no conversion in the read-back */
    args[n++] = "-video_size";
    args[n++] = size;
    args[n++] = "-framerate";
    args[n++] = rate;
    args[n++] = "-i";
    args[n++] = "pipe:0";
    if (SOUND_ON) {
        if (access(MUSIC_PATH, R_OK) != 0) {
            captureError("Cannot read %s for the sound track: %s", MUSIC_PATH, strerror(errno));
        }
        args[n++] = "-ss";
        args[n++] = start;
        args[n++] = "-t";
        args[n++] = length;
        args[n++] = "-i";
        args[n++] = MUSIC_PATH;
        args[n++] = "-map";
        args[n++] = "0:v:0";
        args[n++] = "-map";
        args[n++] = "1:a:0";
        args[n++] = "-c:a";
        args[n++] = "aac";
        args[n++] = "-b:a";
        args[n++] = "192k";
    }
    /* Rows arrive bottom first; H.264 in 4:2:0 wants even sides. */
    args[n++] = "-vf";
    args[n++] = "vflip,pad=ceil(iw/2)*2:ceil(ih/2)*2";
    args[n++] = "-c:v";
    args[n++] = "libx264";
    args[n++] = "-preset";
    args[n++] = "veryfast";
    args[n++] = "-crf";
    args[n++] = "18";
    args[n++] = "-pix_fmt";
    args[n++] = "yuv420p";
    if (endsWith(opts.capture, ".mp4")) {
        args[n++] = "-movflags";
        args[n++] = "+faststart";
    }
    char output[PATH_MAX];
    args[n++] = tvx_userPath(opts.capture, output, sizeof(output));
    args[n] = nullptr;
    if (args[n - 1] == nullptr) {
        captureError("Cannot write %s: %s", opts.capture, strerror(errno));
    }

    int fds[2];
    if (pipe(fds) != 0) {
        captureError("Cannot make a pipe to ffmpeg: %s", strerror(errno));
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[0], 0);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    int rc = posix_spawnp(&ffmpegPid, "ffmpeg", &actions, nullptr, (char *const *)args, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[0]);
    if (rc != 0) {
        captureError("Cannot start ffmpeg: %s", strerror(rc));
    }
    ffmpegPipe = fdopen(fds[1], "wb");
    if (ffmpegPipe == nullptr) {
        captureError("Cannot write to ffmpeg: %s", strerror(errno));
    }
}

static void writeFrameFile(const unsigned char *pixels, int index, int width, int height)
{
    char path[8300];
    snprintf(path, sizeof(path), "%s%0*d%s", framePrefix, frameDigits, index, frameSuffix);
    char full[sizeof(path) + PATH_MAX];
    if (tvx_userPath(path, full, sizeof(full)) == nullptr) {
        captureError("Cannot write %s: %s", path, strerror(errno));
    }
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)width;
    image.height = (png_uint_32)height;
    image.format = PNG_FORMAT_RGB;
    /* A negative stride: the read-back holds the bottom row first. */
    if (!png_image_write_to_file(&image, full, 0, pixels, -(png_int_32)(width * 3), nullptr)) {
        captureError("Cannot write %s: %s", path, image.message);
    }
}

/* Bytes per pixel of the read-back: ffmpeg takes the window's own BGRA order
 * (no conversion in the read-back), PNG files RGB. */
static int pixelBytes(void)
{
    return outputKind == OUT_VIDEO ? 4 : 3;
}

/* Hands the frame waiting in the other pixel buffer to ffmpeg or to its file. */
static void writePendingFrame(void)
{
    if (pendingFrame < 0)
        return;
    size_t size = (size_t)pendingWidth * (size_t)pendingHeight * (size_t)pixelBytes();
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readBuffers[pendingSlot]);
    const unsigned char *pixels =
        (const unsigned char *)glMapBuffer(GL_PIXEL_PACK_BUFFER, GL_READ_ONLY);
    if (pixels == nullptr) {
        captureError("Cannot read frame %d back from OpenGL", pendingFrame);
    }
    if (outputKind == OUT_VIDEO) {
        if (fwrite(pixels, 1, size, ffmpegPipe) != size) {
            captureError("ffmpeg stopped taking frames");
        }
    } else {
        writeFrameFile(pixels, pendingFrame, pendingWidth, pendingHeight);
    }
    glUnmapBuffer(GL_PIXEL_PACK_BUFFER);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    pendingFrame = -1;
}

/* At exit, the last frame, read a frame behind. Registered at the first
 * frame, after the windowing toolkit's own exit handlers, so it runs before
 * them, while the OpenGL context is still there. */
static void writeLastFrame(void)
{
    endingRun = 1;
    if (!captureFailed)
        writePendingFrame();
}

static void captureFrame(void)
{
    int width = tvx_globalX;
    int height = tvx_globalY;
    size_t size = (size_t)width * (size_t)height * (size_t)pixelBytes();
    if (outputKind == OUT_VIDEO) {
        static int videoWidth = 0, videoHeight = 0;
        if (ffmpegPipe == nullptr) {
            videoWidth = width;
            videoHeight = height;
            startVideo(width, height);
        }
        if (width != videoWidth || height != videoHeight) {
            captureError("The window changed size during the capture");
        }
    }
    if (readBuffers[0] == 0) {
        glGenBuffers(2, readBuffers);
        atexit(writeLastFrame);
    }
    glBindBuffer(GL_PIXEL_PACK_BUFFER, readBuffers[readSlot]);
    if (size > readBufferSize[readSlot]) {
        glBufferData(GL_PIXEL_PACK_BUFFER, (GLsizeiptr)size, nullptr, GL_STREAM_READ);
        readBufferSize[readSlot] = size;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, outputKind == OUT_VIDEO ? GL_BGRA : GL_RGB,
                 GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_PACK_BUFFER, 0);
    writePendingFrame();
    pendingSlot = readSlot;
    readSlot ^= 1;
    pendingFrame = framesDone;
    pendingWidth = width;
    pendingHeight = height;
}

/* Runs at every frame end, after the motion blur and before the swap. */
static void frameHook(void)
{
    double ms = 0.0;
    if (opts.bench) {
        glFinish();
        ms = (now() - frameStart) * 1000.0;
    }
    if (queue < 0) {
        if (opts.bench)
            addSample(&loadingSamples, ms);
        return;
    }
    int time = tvx_getTime();
    if (firstTime < 0) {
        firstTime = time;
        runEnd = plannedEnd();
        runStart = now();
    }
    /* The frame at --to is not part of the run, for the benchmark either. */
    if (opts.to >= 0.0 && time >= endTime())
        exit(0);
    if (opts.bench && queue < SCENE_COUNT)
        addSample(&sceneSamples[queue], ms);
    if (outputKind != OUT_NONE)
        captureFrame();
    framesDone++;
    lastTime = time;
    showProgress(time, 0);
}

static void timedDisplay(void)
{
    frameStart = now();
    drawScene();
}

/* At the end of the run: the last progress line, the video closed, the
 * benchmark printed. A run that failed keeps its status; one whose video or
 * JSON file cannot be completed ends with status 1. */
static void finish(void)
{
    int failed = 0;
    if (framesDone > 0 && !captureFailed)
        showProgress(lastTime, 1);
    if (ffmpegPipe) {
        if (fclose(ffmpegPipe) != 0)
            failed = 1;
        int status = 0;
        if (waitpid(ffmpegPid, &status, 0) < 0 || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            failed = 1;
        if (failed && !captureFailed)
            fprintf(stderr, "[!] ffmpeg could not write %s\n", opts.capture);
    }
    if (outputKind != OUT_NONE && !failed && !captureFailed) {
        if (framesDone > 0)
            fprintf(stderr, "[*] %d frames written to %s\n", framesDone, opts.capture);
        else if (firstTime >= 0)
            fprintf(stderr, "[/] No frame was captured: --to %g s is not past the start at %.3f s\n",
                    opts.to, firstTime / 1000.0);
        else
            fprintf(stderr, "[/] No frame was captured\n");
    }
    if (opts.bench && printBench() != 0)
        failed = 1;
    fflush(stdout);
    fflush(stderr);
    if (failed && !captureFailed)
        _exit(1);
}

/* ---- Public functions ------------------------------------------------------ */

void (*captureStart(const struct tvx_options *o))(void)
{
    opts = *o;
    if (opts.capture == nullptr && !opts.bench)
        return drawScene;
    if (opts.capture) {
        if (endsWith(opts.capture, ".mp4") || endsWith(opts.capture, ".mkv"))
            outputKind = OUT_VIDEO;
        else if (tvx_splitFramePattern(opts.capture, framePrefix, frameSuffix, sizeof(framePrefix),
                                       &frameDigits))
            outputKind = OUT_FRAMES;
    }
    /* A pipe whose reader has gone must fail the write, not end the process. */
    signal(SIGPIPE, SIG_IGN);
    tvx_setFrameClock(opts.fps);
    tvx_setFrameHook(frameHook);
    atexit(finish);
    return timedDisplay;
}
