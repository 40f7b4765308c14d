/*
 * test_gl.cpp - the shared OpenGL context of the test executables.
 */
#include "test_gl.h"

#include "tvx.h"

#include <stdlib.h>   /* atexit */

#if defined(__SANITIZE_ADDRESS__)
#include <dlfcn.h>    /* dlopen: keeping the GL driver loaded */
#include <link.h>     /* dl_iterate_phdr */
#include <string.h>
#endif

static int window = 0;

#if defined(__SANITIZE_ADDRESS__)
/* Mesa's driver keeps its buffers until the process ends and is unloaded
 * before the leak check runs, which leaves its allocations as leaks of an
 * unknown module. Pinned in memory, they are suppressed by name
 * (lsan_suppressions.cpp). */
static int pinGlDriver(struct dl_phdr_info *info, size_t, void *)
{
    if (strstr(info->dlpi_name, "_dri.so") != NULL)
        dlopen(info->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

static void keepGlDriverLoaded(void)
{
    dl_iterate_phdr(pinGlDriver, NULL);
}
#else
static void keepGlDriverLoaded(void) {}
#endif

static void noDisplay(void) {}

/* Drawing still queued in the driver's threads when the process ends can
 * crash it during exit (and the leak check with it). */
static void finishDrawing(void)
{
    glFinish();
}

void testGlContext(int width, int height)
{
    if (window == 0) {
        int argc = 1;
        char name[] = "kolvane-test";
        char *argv[] = {name, nullptr};
        glutInit(&argc, argv);
        glutSetOption(GLUT_ACTION_ON_WINDOW_CLOSE, GLUT_ACTION_CONTINUE_EXECUTION);
        glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH | GLUT_ACCUM);
        if (!glutGet(GLUT_DISPLAY_MODE_POSSIBLE))
            glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
        glutInitWindowSize(width, height);
        window = glutCreateWindow("tvx-test");
        glutDisplayFunc(noDisplay);
        glutReshapeFunc(tvx_handleResize);
        tvx_initRendering();
        keepGlDriverLoaded();
        atexit(finishDrawing);
    } else {
        glutSetWindow(window);
        glutReshapeWindow(width, height);
    }
    for (int i = 0; i < 200 && (tvx_globalX != width || tvx_globalY != height); i++)
        glutMainLoopEvent();
    tvx_handleResize(width, height);
}

void testReadPixel(int x, int y, unsigned char rgba[4])
{
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
}
