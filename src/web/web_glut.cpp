/*
 * web_glut.cpp - the freeglut subset of the web build (include/GL/freeglut.h)
 * on the page's canvas: a WebGL 2 context for the "window", the display,
 * reshape, key, idle and timer callbacks, and a main loop on the browser's
 * animation frames (emscripten_set_main_loop).
 *
 * Each animation frame first runs the timers that are due, then the idle
 * callback, then the display callback when a redisplay was posted. A timer
 * re-armed from its own callback is due one period after the time it was
 * due, not after the frame that ran it, so the framework's 25 ms timer
 * ticks 40 times a second on a 60 Hz display as it does natively (frames
 * then come at most once per animation frame); a timer that has fallen a
 * whole period behind starts again from now. Keys come from the page's
 * keydown events: Escape, Space and Tab as characters, the arrows, Page Up,
 * Page Down, Home, F5 and F12 as special keys, all kept from the browser.
 * The canvas's size is what the page gives it (index.html); a change is a
 * reshape. glutSolidSphere and glutSolidCube draw freeglut's shapes through
 * the layer's immediate mode.
 *
 * Depends on: emscripten (html5 events, WebGL context, main loop), the web
 * GL layer (web_gl.cpp), libc.
 */
#include <GL/freeglut.h>

#include "web_gl.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <math.h>
#include <stdio.h>
#include <string.h>

/* ---- State ---------------------------------------------------------------------- */

#define TIMERS 8

static struct {
    int width, height;                 /* the canvas's drawing buffer */
    int reshaped;                      /* the reshape callback has seen this size */
    void (*display)(void);
    void (*reshape)(int, int);
    void (*keyboard)(unsigned char, int, int);
    void (*special)(int, int, int);
    void (*idle)(void);
    int redisplay;
    int frames;                        /* frames displayed, for the page's frame rate */
    struct {
        void (*callback)(int);
        int value;
        double due;
        double period;
    } timers[TIMERS];
    double firing;                     /* due time of the timer being run, 0 outside */
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context;
} G;

static const char *CANVAS = "#canvas";

/* ---- Internal helpers ------------------------------------------------------------- */

static void readCanvasSize(void)
{
    int w = 0, h = 0;
    emscripten_get_canvas_element_size(CANVAS, &w, &h);
    if (w > 0 && h > 0) {
        G.width = w;
        G.height = h;
    }
}

static int specialKey(const char *code)
{
    static const struct {
        const char *code;
        int key;
    } KEYS[] = {{"ArrowLeft", GLUT_KEY_LEFT},   {"ArrowRight", GLUT_KEY_RIGHT},
                {"ArrowUp", GLUT_KEY_UP},       {"ArrowDown", GLUT_KEY_DOWN},
                {"PageUp", GLUT_KEY_PAGE_UP},   {"PageDown", GLUT_KEY_PAGE_DOWN},
                {"Home", GLUT_KEY_HOME},        {"End", GLUT_KEY_END},
                {"F5", GLUT_KEY_F5},            {"F12", GLUT_KEY_F12}};
    for (const auto &k : KEYS)
        if (strcmp(code, k.code) == 0)
            return k.key;
    return 0;
}

static EM_BOOL onKey(int, const EmscriptenKeyboardEvent *event, void *)
{
    if (event->repeat && strcmp(event->code, "Space") == 0)
        return EM_TRUE;
    int special = specialKey(event->code);
    if (special != 0) {
        if (G.special)
            G.special(special, 0, 0);
        return EM_TRUE;
    }
    unsigned char key = 0;
    if (strcmp(event->code, "Escape") == 0)
        key = 27;
    else if (strcmp(event->code, "Space") == 0)
        key = ' ';
    else if (strcmp(event->code, "Tab") == 0)
        key = '\t';
    else if (strlen(event->key) == 1)
        key = (unsigned char)event->key[0];
    if (key == 0)
        return EM_FALSE;
    if (G.keyboard)
        G.keyboard(key, 0, 0);
    return key == 27 || key == ' ' || key == '\t' ? EM_TRUE : EM_FALSE;
}

static void runTimers(double now)
{
    for (int i = 0; i < TIMERS; i++) {
        if (G.timers[i].callback == nullptr || G.timers[i].due > now)
            continue;
        void (*callback)(int) = G.timers[i].callback;
        int value = G.timers[i].value;
        G.timers[i].callback = nullptr;
        G.firing = G.timers[i].due;
        callback(value);
        G.firing = 0.0;
    }
}

static void frame(void)
{
    readCanvasSize();
    if (G.reshape && (G.reshaped != G.width * 65536 + G.height)) {
        G.reshaped = G.width * 65536 + G.height;
        G.reshape(G.width, G.height);
    }
    runTimers(emscripten_get_now());
    if (G.idle)
        G.idle();
    if (G.redisplay && G.display) {
        G.redisplay = 0;
        G.display();
        G.frames++;
    }
}

/* A ring of freeglut's sphere: the sine and cosine of n equal steps, turning
 * clockwise as freeglut's tables do (a negative n). */
static void circle(double *sines, double *cosines, int n, int half)
{
    double step = (half ? M_PI : 2.0 * M_PI) / (half ? n : -n);
    for (int i = 0; i <= n; i++) {
        sines[i] = sin(step * i);
        cosines[i] = cos(step * i);
    }
    if (!half) {
        sines[n] = sines[0];
        cosines[n] = cosines[0];
    }
}

/* ---- Public functions ------------------------------------------------------------- */

extern "C" {

/* Frames displayed so far: the page's tests read the live frame rate here. */
EMSCRIPTEN_KEEPALIVE int webglut_frameCount(void)
{
    return G.frames;
}

void glutInit(int *, char **) {}
void glutInitDisplayMode(unsigned int) {}

/* The canvas takes the size the command line asks for only when the page
 * was given one (w and h); else the page sizes it to the window, and the
 * framework's default 640 x 480 window does not apply. */
void glutInitWindowSize(int width, int height)
{
    int pageSized = EM_ASM_INT({ return Module['kolvaneFixedSize'] ? 0 : 1; });
    if (width > 0 && height > 0 && !pageSized)
        emscripten_set_canvas_element_size(CANVAS, width, height);
}

int glutCreateWindow(const char *)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.minorVersion = 0;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.premultipliedAlpha = EM_FALSE;
    attributes.preserveDrawingBuffer =
        EM_ASM_INT({ return Module['kolvanePreserve'] ? 1 : 0; }) ? EM_TRUE : EM_FALSE;
    attributes.enableExtensionsByDefault = EM_TRUE;
    G.context = emscripten_webgl_create_context(CANVAS, &attributes);
    if (G.context <= 0) {
        printf("[!] This browser offers no WebGL 2: the demo cannot run here\n");
        emscripten_force_exit(-1);
    }
    emscripten_webgl_make_context_current(G.context);
    emscripten_webgl_enable_extension(G.context, "EXT_color_buffer_float");
    emscripten_webgl_enable_extension(G.context, "EXT_color_buffer_half_float");
    emscripten_webgl_enable_extension(G.context, "OES_texture_float_linear");
    readCanvasSize();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_TRUE, onKey);
    return 1;
}

void glutGameModeString(const char *) {}
int glutEnterGameMode(void) { return 0; }
void glutLeaveGameMode(void) {}
int glutGameModeGet(GLenum) { return 0; }
void glutFullScreen(void) {}

void glutReshapeWindow(int width, int height)
{
    glutInitWindowSize(width, height);
}

int glutGet(GLenum query)
{
    switch (query) {
    case GLUT_WINDOW_WIDTH: readCanvasSize(); return G.width;
    case GLUT_WINDOW_HEIGHT: readCanvasSize(); return G.height;
    case GLUT_ELAPSED_TIME: return (int)emscripten_get_now();
    default: return 0;   /* the screen's size: the page decides the canvas's */
    }
}

void glutSetCursor(int cursor)
{
    EM_ASM({
        var canvas = document.getElementById('canvas');
        if (canvas) canvas.style.cursor = $0 ? 'crosshair' : 'none';
    }, cursor == GLUT_CURSOR_CROSSHAIR);
}

void glutDisplayFunc(void (*callback)(void)) { G.display = callback; }
void glutReshapeFunc(void (*callback)(int, int)) { G.reshape = callback; }
void glutKeyboardFunc(void (*callback)(unsigned char, int, int)) { G.keyboard = callback; }
void glutSpecialFunc(void (*callback)(int, int, int)) { G.special = callback; }
void glutIdleFunc(void (*callback)(void)) { G.idle = callback; }

void glutTimerFunc(unsigned int ms, void (*callback)(int), int value)
{
    double now = emscripten_get_now();
    double due = now + ms;
    if (G.firing > 0.0 && G.firing + ms > now - ms)
        due = G.firing + ms;   /* re-armed in its own callback: the period kept */
    for (int i = 0; i < TIMERS; i++)
        if (G.timers[i].callback == nullptr) {
            G.timers[i].callback = callback;
            G.timers[i].value = value;
            G.timers[i].due = due;
            G.timers[i].period = ms;
            return;
        }
}

void glutPostRedisplay(void) { G.redisplay = 1; }
void glutSwapBuffers(void) {}

void glutMainLoop(void)
{
    emscripten_set_main_loop(frame, 0, 1);
}

/* freeglut's sphere: the poles on the z axis, stacks rings from +z to -z,
 * slices points around each, normals pointing out; drawn counter-clockwise
 * from outside. */
void glutSolidSphere(double radius, GLint slices, GLint stacks)
{
    if (slices < 2 || stacks < 2 || slices > 4096 || stacks > 4096)
        return;
    static double sin1[4097], cos1[4097], sin2[4097], cos2[4097];
    circle(sin1, cos1, slices, 0);
    circle(sin2, cos2, stacks, 1);
    for (int i = 0; i < stacks; i++) {
        webgl_begin(GL_TRIANGLE_STRIP);
        for (int j = 0; j <= slices; j++) {
            for (int k = 1; k >= 0; k--) {
                int ring = i + k;
                double x = cos1[j] * sin2[ring], y = sin1[j] * sin2[ring], z = cos2[ring];
                glNormal3d(x, y, z);
                glVertex3d(x * radius, y * radius, z * radius);
            }
        }
        glEnd();
    }
}

void glutSolidCube(double size)
{
    static const float NORMALS[6][3] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0},
                                        {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    static const int FACES[6][4][3] = {
        {{1, -1, -1}, {1, 1, -1}, {1, 1, 1}, {1, -1, 1}},
        {{-1, -1, -1}, {-1, -1, 1}, {-1, 1, 1}, {-1, 1, -1}},
        {{-1, 1, -1}, {-1, 1, 1}, {1, 1, 1}, {1, 1, -1}},
        {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}},
        {{-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1}},
        {{-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}, {1, -1, -1}}};
    double h = size / 2.0;
    webgl_begin(GL_QUADS);
    for (int f = 0; f < 6; f++) {
        glNormal3fv(NORMALS[f]);
        for (int v = 0; v < 4; v++)
            glVertex3d(FACES[f][v][0] * h, FACES[f][v][1] * h, FACES[f][v][2] * h);
    }
    glEnd();
}

} /* extern "C" */
