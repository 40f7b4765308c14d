/*
 * fuzz_picture.cpp - libFuzzer target of the framework's picture readers: the
 * input is read both as a PNG (through libgd) and as a TGA, with the largest
 * side a small GPU takes, and every byte of the pixels they yield is touched.
 * The readers need no OpenGL context and end nothing on bad input.
 *
 * Depends on: fuzz_support.cpp (scratch files), tvx_picture.cpp.
 */
#include "fuzz_support.h"
#include "tvx.h"

#include <stdlib.h>

/* ---- State ------------------------------------------------------------------ */

static volatile unsigned sink;
static const int MAX_SIDE = 2048;

/* ---- Internal helpers ------------------------------------------------------- */

static void readAs(int (*reader)(const char *, int, struct tvx_picture *, char *, size_t),
                   const char *path)
{
    char message[512];
    struct tvx_picture picture;
    if (reader(path, MAX_SIDE, &picture, message, sizeof message) != 0) {
        sink = (unsigned char)message[0];
        return;
    }
    unsigned sum = 0;
    size_t bytes = (size_t)picture.width * (size_t)picture.height * (size_t)picture.channels;
    for (size_t i = 0; i < bytes; i++)
        sum += picture.pixels[i];
    sink = sum;
    free(picture.pixels);
}

/* ---- Public functions ------------------------------------------------------- */

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    fuzzWriteFile("t.pic", data, size);
    readAs(tvx_readPNG, fuzzPath("t.pic"));
    readAs(tvx_readTGA, fuzzPath("t.pic"));
    return 0;
}
