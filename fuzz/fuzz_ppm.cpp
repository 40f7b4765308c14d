/*
 * fuzz_ppm.cpp - libFuzzer target of the image readers: the input is read as
 * a PPM file, every byte of the pixels it yields is touched, and then it goes
 * through the texture loader (PPM, else PNG, scaling and upload) when an
 * OpenGL context is there.
 *
 * Depends on: fuzz_support.cpp, the model library built with KOLVANE_FUZZING.
 */
#include <GL/glew.h>

#include "fuzz_support.h"
#include "glm_internal.h"

/* ---- State ------------------------------------------------------------------ */

static volatile unsigned sink;

/* ---- Internal helpers ------------------------------------------------------- */

static void exercise(void *argument)
{
    (void)argument;
    const char *path = fuzzPath("t.ppm");
    int width = 0, height = 0;
    GLenum type = 0;
    GLubyte *image = glmReadPPM(path, 1, &width, &height, &type);
    if (image) {
        unsigned sum = 0;
        for (size_t i = 0; i < (size_t)width * (size_t)height * 3; i++)
            sum += image[i];
        sink = sum;
        __glmFree(image);
    }
    if (fuzzGlContext()) {
        GLfloat s = 0.0f, t = 0.0f;
        GLuint texture = glmLoadTexture(fuzzPath("t.ppm"), GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE,
                                        &s, &t);
        glDeleteTextures(1, &texture);
    }
}

/* ---- Public functions ------------------------------------------------------- */

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    (void)argv;
    fuzzGlContext();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    fuzzWriteFile("t.ppm", data, size);
    fuzzRun(exercise, NULL);
    return 0;
}
