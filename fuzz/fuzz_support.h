/*
 * fuzz_support.h - what the fuzz harnesses share: an OpenGL context when a
 * display is there (material textures are created while a model is read), a
 * scratch directory for the files a model is read from, and running a piece
 * of library code so that a fatal error returns to the harness.
 */
#ifndef FUZZ_SUPPORT_H
#define FUZZ_SUPPORT_H

#include <stddef.h>

/* Opens a small freeglut window once when DISPLAY is set; 1 when a context is
 * current. */
int fuzzGlContext(void);

/* The scratch directory (created once, removed at exit) and a path in it. */
const char *fuzzPath(const char *name);

/* Writes data to the named scratch file; a null data removes the file. */
void fuzzWriteFile(const char *name, const unsigned char *data, size_t size);

/* Runs work(argument); a fatal error of the library inside it frees every
 * block the library still holds and every texture object, and returns 1.
 * Returns 0 when work ran to its end; aborts when the work left blocks of the
 * library allocated (a leak). */
int fuzzRun(void (*work)(void *), void *argument);

#endif
