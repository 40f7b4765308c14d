/*
 * fuzz_support.cpp - shared pieces of the fuzz harnesses: the OpenGL context,
 * the scratch files and the fatal-error trap.
 *
 * Depends on: freeglut, OpenGL, the model library built with KOLVANE_FUZZING.
 */
#include "fuzz_support.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <setjmp.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "glm_internal.h"

/* ---- State ------------------------------------------------------------------ */

static int contextState = -1;          /* -1 not tried, 0 none, 1 current */
static char scratch[256] = "";
static char pathBuffer[512];
static jmp_buf fatalTrap;

/* ---- Internal helpers ------------------------------------------------------- */

static void noDisplay(void) {}

static void removeScratch(void)
{
    static const char *const names[] = {"m.obj", "m.mtl", "t.img", "w.obj", "w.mtl", "t.ppm"};
    for (size_t i = 0; i < sizeof(names) / sizeof(names[0]); i++)
        unlink(fuzzPath(names[i]));
    rmdir(scratch);
}

/* Texture objects of a model whose reading ended in a fatal error have no
 * owner left: delete every name handed out so far. */
static void deleteAllTextures(void)
{
    if (contextState != 1)
        return;
    GLuint probe = 0;
    glGenTextures(1, &probe);
    for (GLuint name = 1; name <= probe; name++)
        glDeleteTextures(1, &name);
}

/* ---- Public functions ------------------------------------------------------- */

int fuzzGlContext(void)
{
    if (contextState >= 0)
        return contextState;
    contextState = 0;
    if (!getenv("DISPLAY"))
        return 0;
    int argc = 1;
    char name[] = "kolvane-fuzz";
    char *argv[] = {name, NULL};
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("kolvane-fuzz");
    glutDisplayFunc(noDisplay);
    contextState = 1;
    return 1;
}

const char *fuzzPath(const char *name)
{
    if (!scratch[0]) {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        snprintf(scratch, sizeof(scratch), "%s/kolvane-fuzz-XXXXXX", base);
        if (!mkdtemp(scratch)) {
            perror("mkdtemp");
            exit(2);
        }
        atexit(removeScratch);
    }
    snprintf(pathBuffer, sizeof(pathBuffer), "%s/%s", scratch, name);
    return pathBuffer;
}

void fuzzWriteFile(const char *name, const unsigned char *data, size_t size)
{
    const char *path = fuzzPath(name);
    if (!data) {
        unlink(path);
        return;
    }
    FILE *file = fopen(path, "wb");
    if (!file) {
        perror(path);
        exit(2);
    }
    if (size)
        fwrite(data, 1, size, file);
    fclose(file);
}

int fuzzRun(void (*work)(void *), void *argument)
{
    __glmFatalJump = &fatalTrap;
    if (setjmp(fatalTrap)) {
        __glmFatalJump = NULL;
        __glmFuzzReleaseAll();
        deleteAllTextures();
        return 1;
    }
    work(argument);
    __glmFatalJump = NULL;
    /* everything the work allocated must have been released by it */
    size_t live = __glmFuzzLiveBlocks();
    if (live) {
        fprintf(stderr, "fuzz: %zu blocks of the model library leaked\n", live);
        abort();
    }
    return 0;
}
