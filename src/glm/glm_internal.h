/*
 * glm_internal.h - what the model library's files share and its users do not:
 * the diagnostics, text helpers and allocation wrappers, the in-memory text
 * scanner used by the OBJ and MTL readers, the two reading passes and the
 * process-wide texture state.
 *
 * Depends on: glm.h, OpenGL.
 */
#ifndef GLM_INTERNAL_H
#define GLM_INTERNAL_H

#include <stddef.h>
#include <stdio.h>

#include "glm.h"

/* Longest token and longest rest of a line taken in one read (without the
 * terminating NUL); texture-map statements of the MTL reader take longer ones. */
#define GLM_TOKEN_MAX 127
#define GLM_MAPLINE_MAX 4095

/* ---- Diagnostics (glm_diag.cpp) ---------------------------------------------- */

void __glmWarning(const char *format, ...) __attribute__((format(printf, 1, 2)));
void __glmFatalError(const char *format, ...) __attribute__((format(printf, 1, 2), noreturn));
void __glmFatalUsage(const char *format, ...) __attribute__((format(printf, 1, 2), noreturn));
void __glmReportErrors(void);

/* Allocation that never returns null: running out of memory is a fatal error. */
void *__glmMalloc(size_t size);
void *__glmCalloc(size_t count, size_t size);
void *__glmRealloc(void *block, size_t size);
void __glmFree(void *block);
/* The same, but null when the memory cannot be had. */
void *__glmTryMalloc(size_t size);

char *__glmStrdup(const char *text);
char *__glmStrStrip(const char *text);
char *__glmDirName(const char *path);

#ifdef KOLVANE_FUZZING
/* Fuzz builds only: when set, a fatal error jumps here instead of ending the
 * process, __glmFuzzReleaseAll frees every block still allocated and
 * __glmFuzzLiveBlocks counts them. */
#include <setjmp.h>
extern jmp_buf *__glmFatalJump;
void __glmFuzzReleaseAll(void);
size_t __glmFuzzLiveBlocks(void);
#endif

/* ---- Text scanner (glm_scan.cpp) --------------------------------------------- */

/* A whole file in memory, scanned with the rules of a stdio stream: tokens and
 * numbers skip white space (line breaks included), a line read stops after its
 * line break or at its size limit. */
typedef struct {
    char *text;         /* the file's bytes, NUL-terminated */
    size_t length;
    const char *p;      /* read position */
    const char *end;    /* text + length */
} GlmScan;

/* Reads an open file whole; a file that cannot be read is a fatal error. */
void __glmScanLoad(GlmScan *scan, FILE *file, const char *path);
void __glmScanRelease(GlmScan *scan);
void __glmScanRewind(GlmScan *scan);

/* Next white-space delimited token, at most GLM_TOKEN_MAX characters, into
 * token (GLM_TOKEN_MAX + 1 bytes); returns its length, 0 at the end. */
size_t __glmScanToken(GlmScan *scan, char *token);

/* Reads at most size - 1 characters, stopping after a line break, into line;
 * returns the number of characters read. */
size_t __glmScanLine(GlmScan *scan, char *line, size_t size);

/* Skips at most GLM_TOKEN_MAX characters, stopping after a line break. */
void __glmScanSkipLine(GlmScan *scan);

/* A decimal float, or an unsigned decimal (an optional sign as strtoul takes
 * it); 1 when a number was read, 0 (nothing consumed but white space) else. */
int __glmScanFloat(GlmScan *scan, GLfloat *value);
int __glmScanUint(GlmScan *scan, GLuint *value);

/* The same on a NUL-terminated text; the position advances past the number. */
int __glmParseUint(const char **text, GLuint *value);

/* Splits the first two white-space delimited words of line; the result is the
 * second word when there is one, else the first, else the empty text; the
 * returned pointer points into line, which is cut after the word. */
char *__glmLastOfTwoWords(char *line);

/* ---- Reading passes (glm_read.cpp) -------------------------------------------- */

void glmFirstPass(GlmModel *model, GlmScan *scan);
void glmSecondPass(GlmModel *model, GlmScan *scan);

/* ---- Texture state (glm_texture.cpp) ------------------------------------------ */

extern GLenum _glmTextureTarget;

#endif
