/*
 * test_gl.h - a real OpenGL context for tests: a small freeglut window on the
 * X display (Xvfb in the test run), created once per test process.
 */
#ifndef TEST_GL_H
#define TEST_GL_H

#include <GL/glew.h>
#include <GL/freeglut.h>

/* Opens (once) a double-buffered RGBA window with depth and, where the display
 * offers one, an accumulation buffer; makes its context current, sets the
 * framework's render state and initialises GLEW. Calls after the first only
 * resize the window and wait until the new size has reached the reshape
 * handler. */
void testGlContext(int width, int height);

/* Reads back one RGBA pixel of the current read buffer. */
void testReadPixel(int x, int y, unsigned char rgba[4]);

#endif
