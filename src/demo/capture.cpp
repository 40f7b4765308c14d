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
 * A video is only called written once ffmpeg has ended with status 0, has
 * said nothing of a failure on its standard error (it can end with status 0
 * after "Error writing trailer", as on a disk that fills at the end), and
 * ffprobe counts every frame in what it wrote. ffmpeg writes under a
 * temporary name beside the video, renamed into place only then; the
 * benchmark's JSON goes the same way, so a failed or interrupted run leaves an
 * existing file as it was. ffmpeg runs with PR_SET_PDEATHSIG, so it never
 * outlives the program, however the program ends.
 *
 * Depends on: the tvx framework (options, frame clock, frame hook, clock,
 * output files), the audio layer (the music's length), the timeline
 * (drawScene, queue), OpenGL (read-back, glFinish), libpng (frame files),
 * POSIX and Linux (fork, prctl: the ffmpeg and ffprobe children).
 */
#include "capture.h"

#include <errno.h>
#include <fcntl.h>
#include <limits.h>     /* PATH_MAX */
#include <math.h>
#include <signal.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/prctl.h>  /* PR_SET_PDEATHSIG: no child outlives the program */
#include <sys/syscall.h> /* close_range: the children inherit no descriptor */
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <GL/glew.h>
#include <png.h>        /* png_image_write_to_file: one PNG per frame */

#include "timeline.h"
#include "tvx.h"
#include "tvx_audio.h"  /* tvx_audioFileLength: how much of the video has sound */

/* ---- State ----------------------------------------------------------------- */

static struct tvx_options opts;

static const char *const MUSIC_PATH = "data/test.mp3";
static const int FFMPEG_LINES = 20;      /* lines of ffmpeg's errors shown */

enum { OUT_NONE, OUT_VIDEO, OUT_FRAMES };
static int outputKind = OUT_NONE;
static char framePrefix[4096];        /* the PNG pattern around its %d */
static char frameSuffix[4096];
static int frameDigits = 0;           /* the width of %0Nd, 0 for %d */

static FILE *ffmpegPipe = nullptr;
static pid_t ffmpegPid = -1;
static FILE *ffmpegErrors = nullptr;  /* ffmpeg's standard error, read when it has ended */
static char videoPath[PATH_MAX];      /* where the finished video goes */
static char videoTemp[PATH_MAX + 16]; /* what ffmpeg writes until then */
static char jsonTemp[PATH_MAX + 16];  /* the benchmark's JSON until it is complete */
static int videoSound = 0;            /* the video has a sound track */
static unsigned int musicLength = 0;  /* ms of music, known with the sound track */

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
    char path[PATH_MAX];
    const char *full = nullptr;
    if (opts.json) {
        full = tvx_userPath(opts.json, path, sizeof(path));
        int fd = full ? tvx_beginOutput(full, jsonTemp, sizeof jsonTemp) : -1;
        json = fd >= 0 ? fdopen(fd, "w") : nullptr;
        if (json == nullptr) {
            fprintf(stderr, "[!] Cannot write %s: %s\n", opts.json, strerror(errno));
            if (fd >= 0)
                close(fd);
            tvx_dropOutput(jsonTemp);
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
        /* Complete on the disk, or not put in place. */
        int error = 0;
        if (fflush(json) != 0 || ferror(json) || fsync(fileno(json)) != 0)
            error = errno != 0 ? errno : EIO;
        if (fclose(json) != 0 && error == 0)
            error = errno;
        if (error == 0 && tvx_endOutput(jsonTemp, full) != 0)
            error = errno;
        if (error != 0) {
            fprintf(stderr, "[!] Cannot write %s: %s\n", opts.json, strerror(error));
            tvx_dropOutput(jsonTemp);
            failed = 1;
        }
        jsonTemp[0] = '\0';
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

/* The program's path on the PATH, as a shell would find it; 0 when none. */
static int findProgram(const char *name, char *path, size_t size)
{
    const char *dirs = getenv("PATH");
    if (dirs == nullptr || dirs[0] == '\0')
        dirs = "/usr/local/bin:/usr/bin:/bin";
    for (const char *p = dirs;; p++) {
        const char *end = strchr(p, ':');
        int length = end != nullptr ? (int)(end - p) : (int)strlen(p);
        if (snprintf(path, size, "%.*s%s%s", length, p, length > 0 ? "/" : "", name) < (int)size
            && access(path, X_OK) == 0)
            return 1;
        if (end == nullptr)
            return 0;
        p = end;
    }
}

/* Starts a helper program with the given descriptors as its standard input,
 * output and error (-1: the program's own). The kernel kills it when this
 * program ends, however that comes about. Its process id, or -1. */
static pid_t startChild(const char *const *args, int in, int out, int err)
{
    char path[PATH_MAX];
    if (!findProgram(args[0], path, sizeof path)) {
        errno = ENOENT;
        return -1;
    }
    /* No signal reaches the child before the program's handlers are gone
     * from it. */
    sigset_t all, old;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &old);
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid != 0) {
        pthread_sigmask(SIG_SETMASK, &old, nullptr);
        return pid;
    }
    /* Only calls that are safe in the child of a threaded program. */
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    signal(SIGHUP, SIG_DFL);
    signal(SIGPIPE, SIG_DFL);
    sigprocmask(SIG_SETMASK, &old, nullptr);
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (getppid() != parent)
        _exit(127);
    if (in >= 0)
        dup2(in, 0);
    if (out >= 0)
        dup2(out, 1);
    if (err >= 0)
        dup2(err, 2);
    syscall(SYS_close_range, 3u, ~0u, 0u);
    execv(path, (char *const *)args);
    _exit(127);
}

/* Waits for a child; its exit status, or minus the signal that ended it. */
static int waitChild(pid_t pid)
{
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return -SIGKILL;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status);
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
    if (SOUND_ON) {
        int r = tvx_audioFileLength(MUSIC_PATH, &musicLength);
        if (r != TVX_AUDIO_OK)
            captureError("Cannot read %s for the sound track: %s", MUSIC_PATH, tvx_audioErrorString(r));
        /* Music that ends before the first frame leaves nothing to hear. */
        videoSound = (long long)musicLength > firstTime;
    }
    if (tvx_userPath(opts.capture, videoPath, sizeof videoPath) == nullptr)
        captureError("Cannot write %s: %s", opts.capture, strerror(errno));
    int videoFd = tvx_beginOutput(videoPath, videoTemp, sizeof videoTemp);
    if (videoFd < 0)
        captureError("Cannot write %s: %s", opts.capture, strerror(errno));
    close(videoFd);
    ffmpegErrors = tmpfile();
    if (ffmpegErrors == nullptr)
        captureError("Cannot make a file for ffmpeg's messages: %s", strerror(errno));

    const char *args[64];   /* 45 at most */
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
    if (videoSound) {
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
    /* The temporary name says nothing of the format: it is named here. */
    args[n++] = "-f";
    if (endsWith(opts.capture, ".mp4")) {
        args[n++] = "mp4";
        args[n++] = "-movflags";
        args[n++] = "+faststart";
    } else {
        args[n++] = "matroska";
    }
    args[n++] = videoTemp;
    args[n] = nullptr;

    int fds[2];
    if (pipe(fds) != 0) {
        captureError("Cannot make a pipe to ffmpeg: %s", strerror(errno));
    }
    ffmpegPid = startChild(args, fds[0], -1, fileno(ffmpegErrors));
    int error = errno;
    close(fds[0]);
    if (ffmpegPid < 0) {
        close(fds[1]);
        captureError("Cannot start ffmpeg: %s", strerror(error));
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

/* Shows what ffmpeg wrote on its standard error as "[/] " lines (the first
 * FFMPEG_LINES of them); 1 when one of them says the file could not be
 * finished, which ffmpeg may say and still end with status 0. */
static int relayFfmpegErrors(void)
{
    if (ffmpegErrors == nullptr)
        return 0;
    int unfinished = 0;
    int lines = 0;
    char line[512];
    rewind(ffmpegErrors);
    while (fgets(line, sizeof line, ffmpegErrors) != nullptr) {
        if (strstr(line, "Error writing trailer") || strstr(line, "Error closing file"))
            unfinished = 1;
        line[strcspn(line, "\r\n")] = '\0';
        if (lines++ < FFMPEG_LINES)
            fprintf(stderr, "[/] ffmpeg: %s\n", line);
    }
    if (lines > FFMPEG_LINES)
        fprintf(stderr, "[/] ffmpeg: (%d more lines)\n", lines - FFMPEG_LINES);
    fclose(ffmpegErrors);
    ffmpegErrors = nullptr;
    return unfinished;
}

/* The video and audio packets ffprobe finds in a file. 0, or -1 when ffprobe
 * cannot be run, 1 when it cannot read the file. */
static int countPackets(const char *path, long *video, long *audio)
{
    const char *args[] = {"ffprobe", "-v", "error", "-count_packets", "-show_entries",
                          "stream=codec_type,nb_read_packets", "-of", "csv=p=0", path, nullptr};
    *video = *audio = 0;
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    /* What ffprobe finds wrong with the file shows in the counts. */
    int quiet = open("/dev/null", O_WRONLY | O_CLOEXEC);
    pid_t pid = startChild(args, -1, fds[1], quiet);
    close(fds[1]);
    if (quiet >= 0)
        close(quiet);
    if (pid < 0) {
        close(fds[0]);
        return -1;
    }
    char out[4096];
    size_t got = 0;
    ssize_t n;
    while ((n = read(fds[0], out + got, sizeof out - 1 - got)) > 0 || (n < 0 && errno == EINTR))
        got += n > 0 ? (size_t)n : 0;
    close(fds[0]);
    out[got] = '\0';
    if (waitChild(pid) != 0)
        return 1;
    for (char *line = strtok(out, "\n"); line != nullptr; line = strtok(nullptr, "\n")) {
        long count = 0;
        if (sscanf(line, "video,%ld", &count) == 1)
            *video += count;
        else if (sscanf(line, "audio,%ld", &count) == 1)
            *audio += count;
    }
    return 0;
}

/* Ends ffmpeg and puts the video in place when it is whole; 1, with a "[!] "
 * line (unless the run failed already and said why), when it is not, and the
 * temporary file is removed. */
static int closeVideo(void)
{
    /* After a capture error the video is given up, not finished. */
    if (captureFailed)
        kill(ffmpegPid, SIGKILL);
    int closed = ffmpegPipe == nullptr || fclose(ffmpegPipe) == 0;
    ffmpegPipe = nullptr;
    int status = waitChild(ffmpegPid);
    ffmpegPid = -1;
    int unfinished = relayFfmpegErrors();

    char reason[160] = "";
    long video = 0, audio = 0;
    if (captureFailed)
        snprintf(reason, sizeof reason, "the capture failed");
    else if (status < 0)
        snprintf(reason, sizeof reason, "ffmpeg was ended by signal %d (%s)", -status,
                 strsignal(-status));
    else if (status != 0)
        snprintf(reason, sizeof reason, "ffmpeg ended with status %d", status);
    else if (!closed || unfinished)
        snprintf(reason, sizeof reason, "ffmpeg could not finish the file");
    else {
        int probed = countPackets(videoTemp, &video, &audio);
        if (probed < 0)
            fprintf(stderr, "[/] ffprobe cannot be run: the frames of %s are not counted\n",
                    opts.capture);
        else if (probed > 0)
            snprintf(reason, sizeof reason, "ffprobe cannot read what ffmpeg wrote");
        else if (video != framesDone)
            snprintf(reason, sizeof reason, "it holds %ld of the %d frames", video, framesDone);
        else if (videoSound && audio == 0)
            snprintf(reason, sizeof reason, "it has no sound");
    }
    if (reason[0] != '\0') {
        if (!captureFailed)
            fprintf(stderr, "[!] The video %s could not be written: %s\n", opts.capture, reason);
        tvx_dropOutput(videoTemp);
        videoTemp[0] = '\0';
        return 1;
    }
    if (tvx_endOutput(videoTemp, videoPath) != 0) {
        fprintf(stderr, "[!] The video could not be put in place as %s: %s (it is in %s)\n",
                opts.capture, strerror(errno), videoTemp);
        videoTemp[0] = '\0';
        return 1;
    }
    videoTemp[0] = '\0';
    return 0;
}

/* How much of a video has sound, when the music ends before the video does. */
static void soundNote(void)
{
    if (!SOUND_ON || framesDone == 0)
        return;
    double length = (double)framesDone / opts.fps;
    double sound = videoSound ? ((long long)musicLength - firstTime) / 1000.0 : 0.0;
    if (sound >= length)
        return;
    if (!videoSound)
        fprintf(stderr, "[/] The music %s ends at %.3f s of demo time, before the first frame at "
                        "%.3f s: the video has no sound\n", MUSIC_PATH, musicLength / 1000.0,
                firstTime / 1000.0);
    else
        fprintf(stderr, "[/] The music %s ends at %.3f s of demo time: %.3f s of the video's "
                        "%.3f s have sound\n", MUSIC_PATH, musicLength / 1000.0, sound, length);
}

/* A capture or benchmark ended by a signal (Ctrl+C, kill): ffmpeg is ended and
 * the temporary files removed, so the files of those names stay as they were;
 * then the signal ends the program as it would have. */
static void interrupted(int sig)
{
    if (ffmpegPid > 0)
        kill(ffmpegPid, SIGKILL);
    if (videoTemp[0] != '\0')
        unlink(videoTemp);
    if (jsonTemp[0] != '\0')
        unlink(jsonTemp);
    signal(sig, SIG_DFL);
    raise(sig);
}

/* At the end of the run: the last progress line, the video closed, the
 * benchmark printed. A run that failed keeps its status; one whose video or
 * JSON file cannot be completed ends with status 1. */
static void finish(void)
{
    int failed = 0;
    if (framesDone > 0 && !captureFailed)
        showProgress(lastTime, 1);
    if (ffmpegPid > 0)
        failed = closeVideo();
    if (outputKind != OUT_NONE && !failed && !captureFailed) {
        if (framesDone > 0)
            fprintf(stderr, "[*] %d frames written to %s\n", framesDone, opts.capture);
        else if (firstTime >= 0)
            fprintf(stderr, "[/] No frame was captured: --to %g s is not past the start at %.3f s\n",
                    opts.to, firstTime / 1000.0);
        else
            fprintf(stderr, "[/] No frame was captured\n");
        if (outputKind == OUT_VIDEO)
            soundNote();
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
    signal(SIGINT, interrupted);
    signal(SIGTERM, interrupted);
    signal(SIGHUP, interrupted);
    tvx_setFrameClock(opts.fps);
    tvx_setFrameHook(frameHook);
    atexit(finish);
    return timedDisplay;
}
