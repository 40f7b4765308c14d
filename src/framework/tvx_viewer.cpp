/*
 * tvx_viewer.cpp - the controls around the demo for the people who show it
 * and make it: the information overlay (Tab), the screenshot of the finished
 * frame (F12), the shader reload (F5), the scene jumps (Page Down, Page
 * Up, Home), the frame-time figures the overlay shows, and the demo's end,
 * which starts the demo again with --loop.
 *
 * Both the screenshot and the overlay run at the frame end, after the motion
 * blur and the frame hook of frame-exact runs, before the swap: the
 * screenshot reads the finished frame back first, then the overlay is drawn
 * over it, so neither a screenshot nor a capture holds the overlay and the
 * motion blur never sees it. The PNG file is written on a thread of its own
 * so the demo skips no frame; the process waits for it when it ends. It
 * goes to "kolvane-<demo time in ms>.png" in the folder the program was
 * started in (tvx_userPath), through a temporary name (tvx_files.cpp).
 *
 * Depends on: OpenGL (through GLEW; read-back, overlay box), FTGL (overlay
 * text), libpng (the screenshot file), POSIX threads, the demo clock
 * (tvx_clock.cpp) and the shader table (tvx_shader.cpp).
 */
#include "tvx.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <FTGL/ftgl.h> /* the C interface, in namespace FTGL when compiled as C++ */
#include <png.h>       /* png_image_write_to_stdio: the screenshot */

#include <errno.h>
#include <limits.h>      /* PATH_MAX */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>      /* execv, fsync */
#include <sys/syscall.h> /* close_range: no descriptor is handed to the next pass */

/* ---- State ----------------------------------------------------------------- */

#define OVERLAY_SIZE 14         /* pixel size of the overlay's text */
#define OVERLAY_LINES 6
#define FRAME_STAMPS 512        /* frame ends kept for the figures: above 1 s of frames */

static int overlayOn = 0;
static int looping = 0;                 /* --loop: the demo's end starts it again */
static char **commandLine = nullptr;    /* a copy of argv as main had it, for the restart */
static int screenshotWanted = 0;
static int (*sceneInfo)(const char **name, float *sceneSeconds) = nullptr;
static int (*sceneJump)(int direction) = nullptr;

static double frameStamps[FRAME_STAMPS];   /* monotonic seconds of the last frame ends */
static int stampCount = 0;
static int stampNext = 0;

/* Screenshots being written; the process waits for them at exit. */
static pthread_mutex_t writerLock = PTHREAD_MUTEX_INITIALIZER;
static pthread_cond_t writerDone = PTHREAD_COND_INITIALIZER;
static int writersPending = 0;

struct Screenshot {
    char name[64];              /* as the user sees it: in the folder they started in */
    char path[PATH_MAX + 64];   /* where it is written */
    int width;
    int height;
    unsigned char *rgb;   /* rows bottom first, as OpenGL reads them */
};

/* ---- Internal helpers ------------------------------------------------------ */

static double monotonicSeconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static void noteFrameEnd(void)
{
    frameStamps[stampNext] = monotonicSeconds();
    stampNext = (stampNext + 1) % FRAME_STAMPS;
    if (stampCount < FRAME_STAMPS)
        stampCount++;
}

/* Frames per second, mean and worst frame time in ms over the last second;
 * 0 when fewer than two frames ended in it. */
static void frameFigures(double *fps, double *meanMs, double *worstMs)
{
    *fps = *meanMs = *worstMs = 0.0;
    if (stampCount < 2)
        return;
    int last = (stampNext + FRAME_STAMPS - 1) % FRAME_STAMPS;
    double newest = frameStamps[last];
    double oldest = newest;
    int intervals = 0;
    for (int i = 1; i < stampCount; i++) {
        int at = (last + FRAME_STAMPS - i) % FRAME_STAMPS;
        if (newest - frameStamps[at] > 1.0)
            break;
        double step = frameStamps[(at + 1) % FRAME_STAMPS] - frameStamps[at];
        if (step > *worstMs)
            *worstMs = step;
        oldest = frameStamps[at];
        intervals++;
    }
    if (intervals == 0)
        return;
    *meanMs = (newest - oldest) / intervals * 1000.0;
    *worstMs *= 1000.0;
    *fps = *meanMs > 0.0 ? 1000.0 / *meanMs : 0.0;
}

static void waitForScreenshots(void)
{
    pthread_mutex_lock(&writerLock);
    while (writersPending > 0)
        pthread_cond_wait(&writerDone, &writerLock);
    pthread_mutex_unlock(&writerLock);
}

/* Writes the PNG under a temporary name beside its own and renames it into
 * place once it is complete: an existing file of that name stays whole. */
static void *writeScreenshot(void *argument)
{
    struct Screenshot *shot = (struct Screenshot *)argument;
    png_image image;
    memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)shot->width;
    image.height = (png_uint_32)shot->height;
    image.format = PNG_FORMAT_RGB;
    const char *why = nullptr;
    char temp[sizeof shot->path + 16] = "";
    FILE *file = nullptr;
    if (tvx_userPath(shot->name, shot->path, sizeof shot->path) == nullptr) {
        why = strerror(errno);
    } else {
        int fd = tvx_beginOutput(shot->path, temp, sizeof temp);
        file = fd >= 0 ? fdopen(fd, "wb") : nullptr;
        if (file == nullptr) {
            why = strerror(errno);
            if (fd >= 0)
                close(fd);
        }
    }
    /* A negative stride writes the bottom-first rows top first. */
    if (file != nullptr) {
        if (!png_image_write_to_stdio(&image, file, 0, shot->rgb, -(png_int_32)(shot->width * 3), nullptr))
            why = image.message;
        else if (fflush(file) != 0 || fsync(fileno(file)) != 0)
            why = strerror(errno);
        if (fclose(file) != 0 && why == nullptr)
            why = strerror(errno);
        if (why == nullptr && tvx_endOutput(temp, shot->path) != 0)
            why = strerror(errno);
    }
    if (why == nullptr) {
        printf("[*] screenshot written to %s\n", shot->path);
    } else {
        tvx_dropOutput(temp);
        printf("[/] screenshot %s could not be written: %s\n", shot->name, why);
    }
    png_image_free(&image);
    free(shot->rgb);
    free(shot);
    pthread_mutex_lock(&writerLock);
    writersPending--;
    pthread_cond_broadcast(&writerDone);
    pthread_mutex_unlock(&writerLock);
    return nullptr;
}

/* Reads the finished frame back and hands it to a writer thread. */
static void takeScreenshot(void)
{
    static int waitRegistered = 0;
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    struct Screenshot *shot = (struct Screenshot *)calloc(1, sizeof *shot);
    unsigned char *rgb = width > 0 && height > 0 ? (unsigned char *)malloc((size_t)width * height * 3) : nullptr;
    if (shot == nullptr || rgb == nullptr) {
        printf("[/] No memory for a %d x %d screenshot\n", width, height);
        free(shot);
        free(rgb);
        return;
    }
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadBuffer(GL_BACK);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb);
    snprintf(shot->name, sizeof shot->name, "kolvane-%d.png", tvx_getTime());
    shot->width = width;
    shot->height = height;
    shot->rgb = rgb;

    if (!waitRegistered) {
        atexit(waitForScreenshots);
        waitRegistered = 1;
    }
    pthread_mutex_lock(&writerLock);
    writersPending++;
    pthread_mutex_unlock(&writerLock);
    pthread_t thread;
    if (pthread_create(&thread, nullptr, writeScreenshot, shot) != 0) {
        writeScreenshot(shot);   /* no thread to be had: write it here */
        return;
    }
    pthread_detach(thread);
}

static void overlayLines(char lines[OVERLAY_LINES][128])
{
    const char *name = "loading";
    float seconds = 0.0f;
    int scene = sceneInfo != nullptr ? sceneInfo(&name, &seconds) : -1;
    if (scene >= 0)
        snprintf(lines[0], 128, "scene %d  %s", scene, name);
    else
        snprintf(lines[0], 128, "%s", name);
    snprintf(lines[1], 128, "scene time %.2f s", (double)seconds);
    snprintf(lines[2], 128, "demo time %.2f / %.2f s", tvx_getTime() / 1000.0, DEMO_LENGTH / 1000.0);
    double fps, meanMs, worstMs;
    frameFigures(&fps, &meanMs, &worstMs);
    snprintf(lines[3], 128, "%.1f fps  frame %.1f ms mean, %.1f ms worst", fps, meanMs, worstMs);
    const char *const CLOCK_NAMES[] = {"music", "mute timer", "frame clock"};
    const char *clock = CLOCK_NAMES[tvx_clockSource()];
    snprintf(lines[4], 128, "clock: %s%s", clock,
             tvx_Get(6) != 0.0f ? ", paused" : "");
    snprintf(lines[5], 128, "scale %.2f%s  picture %d x %d", (double)tvx_renderScale(),
             tvx_renderScaleIsAutomatic() ? " (auto)" : "", tvx_globalX, tvx_globalY);
}

static void drawOverlay(void)
{
    static int loaded = 0;
    static FTGL::FTGLfont *font = nullptr;
    if (loaded == 0) {
        font = tvx_createFont(TVX_FONT_PIXMAP);
        FTGL::ftglSetFontFaceSize(font, OVERLAY_SIZE, 72);
        loaded++;
    }
    char lines[OVERLAY_LINES][128];
    overlayLines(lines);
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    float widest = 0.0f;
    for (int i = 0; i < OVERLAY_LINES; i++) {
        float advance = FTGL::ftglGetFontAdvance(font, lines[i]);
        if (advance > widest)
            widest = advance;
    }
    const int margin = 8;
    const int lineStep = OVERLAY_SIZE + 4;
    int boxRight = margin * 3 + (int)widest;
    int boxBottom = height - margin * 3 - lineStep * OVERLAY_LINES;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glUseProgramObjectARB(0);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_CULL_FACE);
    glDisable(GL_FOG);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, width, 0.0, height, -1.0, 1.0);
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();

    /* A dark box in the top-left corner keeps the text readable on any scene. */
    glColor4f(0.0f, 0.0f, 0.0f, 0.7f);
    glRecti(margin, boxBottom, boxRight, height - margin);
    glColor4f(1.0f, 0.85f, 0.2f, 1.0f);
    for (int i = 0; i < OVERLAY_LINES; i++) {
        glWindowPos2i(margin * 2, height - margin * 2 - OVERLAY_SIZE - lineStep * i);
        FTGL::ftglRenderFont(font, lines[i], FTGL::RENDER_ALL);
    }

    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_setSceneHooks(int (*info)(const char **name, float *sceneSeconds),
                       int (*jumpTarget)(int direction))
{
    sceneInfo = info;
    sceneJump = jumpTarget;
}

int tvx_playingScene(void)
{
    const char *name = nullptr;
    float seconds = 0.0f;
    return sceneInfo != nullptr ? sceneInfo(&name, &seconds) : -1;
}

int tvx_viewerKey(unsigned char key)
{
    if (key != '\t')
        return 0;
    overlayOn = !overlayOn;
    return 1;
}

int tvx_viewerSpecialKey(int key)
{
    if (key == GLUT_KEY_F12) {
        screenshotWanted = 1;
        return 1;
    }
    if (key == GLUT_KEY_F5) {
        tvx_reloadShaders();
        tvx_rebakeSurfaces();
        return 1;
    }
    int direction = key == GLUT_KEY_PAGE_DOWN ? 1 : key == GLUT_KEY_PAGE_UP ? -1 : 0;
    if (direction == 0 && key != GLUT_KEY_HOME)
        return 0;
    int target = sceneJump != nullptr ? sceneJump(direction) : -1;
    if (target >= 0)
        tvx_skipTo(target);
    return 1;
}

void tvx_setLoop(int loop, int argc, char **argv)
{
    looping = loop;
    if (!loop)
        return;
    /* glutInit takes the display options (-display, -geometry, ...) out of
     * argv in place; the next pass needs them as they were given. */
    commandLine = (char **)calloc((size_t)argc + 1, sizeof(char *));
    for (int i = 0; commandLine != nullptr && i < argc; i++)
        commandLine[i] = strdup(argv[i]);
}

void tvx_demoEnd(void)
{
    glutLeaveGameMode();
    if (!looping || commandLine == nullptr)
        exit(0);
    printf("[*] The demo starts again (--loop)\n");
    waitForScreenshots();
    fflush(nullptr);
    /* A fresh process: every scene starts from its first frame again and the
     * music from its start, exactly as in the first pass. It starts where
     * this one was started, so it finds its data and writes its files alike. */
    char startDir[4096];
    if (tvx_userPath(".", startDir, (int)sizeof startDir) == nullptr || chdir(startDir) != 0)
        printf("[/] The next pass starts in the data folder, not where this one was started\n");
#ifdef SYS_close_range   /* the web build's system has neither it nor a restart */
    syscall(SYS_close_range, 3u, ~0u, 0u);
#endif
    execv("/proc/self/exe", commandLine);
    printf("[!] The demo cannot start again: /proc/self/exe does not run\n");
    exit(-1);
}

void tvx_viewerFrameEnd(void)
{
    noteFrameEnd();
    if (screenshotWanted) {
        screenshotWanted = 0;
        takeScreenshot();
    }
    if (overlayOn)
        drawOverlay();
}
