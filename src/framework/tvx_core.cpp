/*
 * tvx_core.cpp - start-up, display, fixed render state, projection (the
 * whole window, or with --letterbox the largest 16:9 picture centred in it),
 * the 25 ms timer, the frame end, the system check, the development trace and
 * the tvx_Get query.
 *
 * Depends on: freeglut (display, game mode, callbacks, main loop), GLEW,
 * OpenGL/GLU (render state, projection), tvx_options.cpp (command line),
 * tvx_clock.cpp (key handlers, clock and its source), tvx_text.cpp (the font).
 */
#include "tvx.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

/* ---- State ----------------------------------------------------------------- */

int tvx_globalX = 0;
int tvx_globalY = 0;
int S_SCENE = 0;
int SOUND_ON = 1;

static int letterbox = 0;  /* --letterbox: the picture keeps 16:9 inside the window */
static int pictureX = 0;   /* where the picture's viewport begins in the window */
static int pictureY = 0;

static void (*frameHook)(void) = nullptr;   /* run at every frame end, before the swap */

static const int TIMER_PERIOD = 25;     /* ms between redisplays */
static const int LARGEST_SIDE = 16384;  /* largest viewport of current GL drivers */

/* ---- Internal helpers ------------------------------------------------------ */

static void redisplayAtOnce(void)
{
    glutPostRedisplay();
}

static void openWindow(int width, int height)
{
    glutInitWindowSize(width, height);
    glutCreateWindow("tvx-framework");
}

/* Brings a window size down to at most maxWidth x maxHeight, saying so. */
static void fitWindow(int *width, int *height, int maxWidth, int maxHeight, const char *why)
{
    if (*width <= maxWidth && *height <= maxHeight)
        return;
    int w = *width < maxWidth ? *width : maxWidth;
    int h = *height < maxHeight ? *height : maxHeight;
    printf("[/] A %dx%d window is larger than %s (%dx%d); using %dx%d\n", *width, *height, why,
           maxWidth, maxHeight, w, h);
    *width = w;
    *height = h;
}

/* A window beyond what the display shows cannot be drawn into whole, and one
 * far beyond it can crash the GL driver at its first reshape, so live runs
 * keep to the screen. Frame-exact runs read their frames back from the window
 * and may be larger than the screen; they keep to the largest side current
 * GL drivers take until tvx_initRendering knows this driver's limit. */
static void fitWindowBeforeOpening(struct tvx_options *o)
{
    if (tvx_clockSource() == TVX_CLOCK_FRAMES) {
        fitWindow(&o->width, &o->height, LARGEST_SIDE, LARGEST_SIDE,
                  "OpenGL drivers commonly draw");
        return;
    }
    int screenWidth = glutGet(GLUT_SCREEN_WIDTH);
    int screenHeight = glutGet(GLUT_SCREEN_HEIGHT);
    if (screenWidth <= 0 || screenHeight <= 0)
        return;
    if (o->fullscreen)
        fitWindow(&o->gameWidth, &o->gameHeight, screenWidth, screenHeight, "the display");
    else
        fitWindow(&o->width, &o->height, screenWidth, screenHeight, "the display");
}

/* The largest side this OpenGL can draw a screen-sized frame at: the
 * viewport, and the render targets' texture and depth buffer. */
static int largestDrawableSide(void)
{
    GLint viewport[2] = {0, 0};
    GLint texture = 0;
    GLint renderbuffer = 0;
    glGetIntegerv(GL_MAX_VIEWPORT_DIMS, viewport);
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &renderbuffer);
    int side = viewport[0] < viewport[1] ? viewport[0] : viewport[1];
    if (texture < side)
        side = texture;
    if (renderbuffer < side)
        side = renderbuffer;
    return side;
}

/* GLEW loads the entry points; the demo needs shader objects, the OpenGL 2.0
 * uniform calls and framebuffer objects (with the core renderbuffer
 * attachment call). Without them it would crash later on a null function. */
static void checkOpenGL(void)
{
    GLenum glew = glewInit();
    if (glew != GLEW_OK) {
        printf("[!] OpenGL cannot be used: %s\n", (const char *)glewGetErrorString(glew));
        exit(-1);
    }
    char missing[256] = "";
    if (!GLEW_ARB_shader_objects || !GLEW_ARB_vertex_shader || !GLEW_ARB_fragment_shader)
        strcat(missing, " GL_ARB_shader_objects");
    if (!GLEW_VERSION_2_0)
        strcat(missing, " OpenGL-2.0");
    if (!GLEW_EXT_framebuffer_object)
        strcat(missing, " GL_EXT_framebuffer_object");
    if (!GLEW_VERSION_3_0 && !GLEW_ARB_framebuffer_object)
        strcat(missing, " GL_ARB_framebuffer_object");
    if (missing[0] != '\0') {
        printf("[!] This OpenGL (%s, %s) lacks what the demo needs:%s\n",
               (const char *)glGetString(GL_RENDERER), (const char *)glGetString(GL_VERSION),
               missing);
        exit(-1);
    }
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_init(int argc, char **argv, void (*display)(void))
{
    /* Console lines reach a log file or a pipe as they are printed. */
    setvbuf(stdout, nullptr, _IOLBF, 0);
    tvx_systemCheck(nullptr);
    struct tvx_options o;
    tvx_parseOptions(argc, argv, &o);
    SOUND_ON = o.soundOn;
    S_SCENE = o.startScene;
    tvx_setAudioOffset(o.audioOffset);
    tvx_setLoop(o.loop, argc, argv);   /* a copy, before glutInit takes its own options out */
    tvx_setLetterbox(o.letterbox);
    tvx_setRenderScale(o.scale > 0.0f ? o.scale : 0.0f);
    if (o.stats != nullptr)
        tvx_openStats(o.stats);
    int frameClock = tvx_clockSource() == TVX_CLOCK_FRAMES;
    if (frameClock)
        o.fullscreen = 0;

    glutInit(&argc, argv);
    fitWindowBeforeOpening(&o);
    /* The motion blur keeps its history in a render target of its own, so
     * the visual needs no accumulation buffer. */
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_DEPTH);
    if (o.fullscreen) {
        glutGameModeString(o.gameMode);
        if (glutGameModeGet(GLUT_GAME_MODE_POSSIBLE))
            glutEnterGameMode();
        if (!glutGameModeGet(GLUT_GAME_MODE_ACTIVE)) {
            printf("[/] Game mode %s cannot be entered; opening a full-screen window instead.\n",
                   o.gameMode);
            openWindow(o.gameWidth, o.gameHeight);
            glutFullScreen();
        }
    } else {
        openWindow(o.width, o.height);
    }
    tvx_initRendering();
    tvx_loadFont();   /* a font FreeType cannot read stops the start-up, not a caption */
    glutDisplayFunc(display);
    glutKeyboardFunc(tvx_handleKeypress);
    glutSpecialFunc(tvx_handleSpecialKeys);
    glutReshapeFunc(tvx_handleResize);
    if (frameClock)
        glutIdleFunc(redisplayAtOnce);
    else
        glutTimerFunc(TIMER_PERIOD, tvx_update, 0);
    glutMainLoop();
}

/* GLEW and the needed extensions are checked first: without a usable
 * OpenGL nothing below can work. A window larger than this OpenGL can draw
 * is made smaller before its first reshape. */
void tvx_initRendering(void)
{
    checkOpenGL();
    int width = glutGet(GLUT_WINDOW_WIDTH);
    int height = glutGet(GLUT_WINDOW_HEIGHT);
    int side = largestDrawableSide();
    if (side > 0 && (width > side || height > side)) {
        fitWindow(&width, &height, side, side, "this OpenGL draws");
        glutReshapeWindow(width, height);
    }
    glutSetCursor(GLUT_CURSOR_NONE);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_NORMALIZE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
}

void tvx_setFrameHook(void (*hook)(void))
{
    frameHook = hook;
}

void tvx_swapBuffers(void)
{
    if (frameHook)
        frameHook();
    tvx_viewerFrameEnd();
    glutSwapBuffers();
    tvx_frameEnds();
    tvx_statsFrameEnd();
    tvx_stepFrameClock();
}

void tvx_handleResize(int width, int height)
{
    pictureX = pictureY = 0;
    if (letterbox)
        tvx_letterboxFit(width, height, &pictureX, &pictureY, &width, &height);
    glViewport(pictureX, pictureY, width, height);
    glMatrixMode(GL_PROJECTION);
    glClear(GL_ACCUM_BUFFER_BIT);
    tvx_dropMotionBlur();
    glLoadIdentity();
    tvx_setPictureSize(width, height);
    gluPerspective(45.0, 1.7777777777777777, 1.0, 200.0);
}

void tvx_setLetterbox(int on)
{
    letterbox = on;
}

void tvx_letterboxFit(int width, int height, int *x, int *y, int *pictureWidth, int *pictureHeight)
{
    /* 16:9 in whole pixels: the full width when the window is taller than
     * that, else the full height. */
    long long w = width, h = height;
    if (w * 9 <= h * 16)
        h = w * 9 / 16;
    else
        w = h * 16 / 9;
    *x = (int)((width - w) / 2);
    *y = (int)((height - h) / 2);
    *pictureWidth = (int)w;
    *pictureHeight = (int)h;
}

void tvx_pictureOrigin(int *x, int *y)
{
    *x = pictureX;
    *y = pictureY;
}

void tvx_pictureViewport(int width, int height)
{
    if (tvx_pictureFramebuffer() != 0)
        glViewport(0, 0, width, height);   /* the blur's picture target */
    else
        glViewport(pictureX, pictureY, width, height);
}

void tvx_update(int value)
{
    (void)value;
    if (tvx_clockSource() == TVX_CLOCK_MUTE_TIMER && SOUND_MUTE_START != 0 && SOUND_MUTE_PAUSE == 0)
        SOUND_MUTE_TIMER += TIMER_PERIOD;
    glutPostRedisplay();
    glutTimerFunc(TIMER_PERIOD, tvx_update, 0);
}

void tvx_systemCheck(int *flag)
{
    int fine = 1;
    printf("[*] systemcheck.\n");

    uint32_t one = 1;
    unsigned char first = 0;
    memcpy(&first, &one, 1);
    if (first != 1) {
        fine = 0;
        printf("[!] System is not little endian.\n");
        if (flag == nullptr)
            exit(-1);
    }

    for (int i = 0; i < 10; i++) {
        void *block = malloc(2048);
        if (block == nullptr) {
            fine = 0;
            if (flag == nullptr)
                printf("[!] System cannot allocate memory. is fatal. is bad. is really reaaally bad. fix ur goddamn system :'(\n");
        }
        free(block);
    }
    if (flag != nullptr)
        *flag = fine;
    printf("[*] system seems fine\n");
}

void dprint(const char *message, int enabled)
{
    if (enabled)
        printf("[DEV] %s\n", message);
}

float tvx_Get(unsigned int type)
{
    switch (type) {
    case 1: return (float)tvx_globalX;
    case 2: return (float)tvx_globalY;
    case 3: return 1.7777778f;
    case 4: return (float)S_SCENE;
    case 5: return (float)tvx_getTime();
    case 6: return (float)tvx_clockPaused();
    default: {
        uint32_t bits = 0x7FC00000u;
        float nan;
        memcpy(&nan, &bits, sizeof(nan));
        return nan;
    }
    }
}
