/*
 * glm_diag.cpp - the model library's diagnostics (warnings, fatal errors,
 * pending OpenGL errors), its allocation wrappers and its small text helpers.
 * In fuzz builds a fatal error can jump back to the harness, and every block
 * allocated here is tracked so the harness can free what a fatal path left.
 *
 * Depends on: libc, OpenGL and GLU (gluErrorString).
 */
#include "glm_internal.h"

#include <GL/glu.h>    /* gluErrorString */
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#ifdef KOLVANE_FUZZING
/* Every live block carries this header; the blocks form a ring around
 * blockRing so that a fatal path's leftovers can be freed. */
typedef struct GlmBlock {
    struct GlmBlock *prev;
    struct GlmBlock *next;
} GlmBlock;

static GlmBlock blockRing = {&blockRing, &blockRing};
jmp_buf *__glmFatalJump = NULL;
#endif

/* ---- Internal helpers ------------------------------------------------------- */

static void vreport(const char *prefix, const char *format, va_list args)
{
    fputs(prefix, stderr);
    vfprintf(stderr, format, args);
    fputc('\n', stderr);
}

static int isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

#ifdef KOLVANE_FUZZING
static void *track(GlmBlock *block)
{
    block->prev = &blockRing;
    block->next = blockRing.next;
    blockRing.next->prev = block;
    blockRing.next = block;
    return block + 1;
}

static GlmBlock *untrack(void *data)
{
    GlmBlock *block = (GlmBlock *)data - 1;
    block->prev->next = block->next;
    block->next->prev = block->prev;
    return block;
}
#endif

/* ---- Public functions ------------------------------------------------------- */

void __glmWarning(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vreport("GLM: Warning: ", format, args);
    va_end(args);
}

void __glmFatalError(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vreport("GLM: Fatal Error: ", format, args);
    va_end(args);
#ifdef KOLVANE_FUZZING
    if (__glmFatalJump)
        longjmp(*__glmFatalJump, 1);
#endif
    exit(1);
}

void __glmFatalUsage(const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vreport("GLM: Fatal API Usage: ", format, args);
    va_end(args);
    abort();
}

void __glmReportErrors(void)
{
    GLenum error;
    while ((error = glGetError()) != GL_NO_ERROR)
        __glmWarning("GL error: %s", (const char *)gluErrorString(error));
}

void *__glmTryMalloc(size_t size)
{
#ifdef KOLVANE_FUZZING
    if (size > (size_t)-1 - sizeof(GlmBlock))
        return NULL;
    GlmBlock *block = (GlmBlock *)malloc(sizeof(GlmBlock) + size);
    return block ? track(block) : NULL;
#else
    return malloc(size ? size : 1);
#endif
}

void *__glmMalloc(size_t size)
{
    void *block = __glmTryMalloc(size);
    if (!block)
        __glmFatalError("out of memory (%zu bytes wanted)", size);
    return block;
}

void *__glmCalloc(size_t count, size_t size)
{
    if (size && count > (size_t)-1 / size)
        __glmFatalError("out of memory (%zu blocks of %zu bytes wanted)", count, size);
    void *block = __glmMalloc(count * size);
    memset(block, 0, count * size);
    return block;
}

void *__glmRealloc(void *data, size_t size)
{
    if (!data)
        return __glmMalloc(size);
#ifdef KOLVANE_FUZZING
    if (size > (size_t)-1 - sizeof(GlmBlock))
        __glmFatalError("out of memory (%zu bytes wanted)", size);
    GlmBlock *old = untrack(data);
    GlmBlock *block = (GlmBlock *)realloc(old, sizeof(GlmBlock) + size);
    if (!block) {
        track(old);
        __glmFatalError("out of memory (%zu bytes wanted)", size);
    }
    return track(block);
#else
    void *block = realloc(data, size ? size : 1);
    if (!block)
        __glmFatalError("out of memory (%zu bytes wanted)", size);
    return block;
#endif
}

void __glmFree(void *data)
{
    if (!data)
        return;
#ifdef KOLVANE_FUZZING
    free(untrack(data));
#else
    free(data);
#endif
}

#ifdef KOLVANE_FUZZING
void __glmFuzzReleaseAll(void)
{
    while (blockRing.next != &blockRing)
        free(untrack(blockRing.next + 1));
}

size_t __glmFuzzLiveBlocks(void)
{
    size_t count = 0;
    for (GlmBlock *block = blockRing.next; block != &blockRing; block = block->next)
        count++;
    return count;
}
#endif

char *__glmStrdup(const char *text)
{
    size_t length = strlen(text) + 1;
    char *copy = (char *)__glmMalloc(length);
    memcpy(copy, text, length);
    return copy;
}

char *__glmStrStrip(const char *text)
{
    const char *start = text;
    while (*start && isBlank(*start))
        start++;
    if (!*start)
        return NULL;
    const char *end = start + strlen(start);
    while (end > start && isBlank(end[-1]))
        end--;
    size_t length = (size_t)(end - start);
    char *copy = (char *)__glmMalloc(length + 1);
    memcpy(copy, start, length);
    copy[length] = '\0';
    return copy;
}

char *__glmDirName(const char *path)
{
    const char *slash = strrchr(path, '/');
    size_t length = slash ? (size_t)(slash - path) + 1 : 0;
    char *dir = (char *)__glmMalloc(length + 1);
    memcpy(dir, path, length);
    dir[length] = '\0';
    return dir;
}
