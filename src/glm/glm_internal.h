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

/* Longest token kept (without the terminating NUL); a longer one is consumed
 * whole and cut. */
#define GLM_TOKEN_MAX 127

/* Index values beyond this are all read as this plus 1, out of every range. */
#define GLM_INDEX_LIMIT 0xFFFFFFFFLL

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

/* ---- Files (glm_file.cpp) ------------------------------------------------------ */

/* Longest file the readers take: a model, a library or an image file. */
#define GLM_FILE_MAX ((size_t)1 << 30)
/* Room for an excerpt of text taken from a file, NUL included. */
#define GLM_EXCERPT_SIZE 48

/* A whole file in memory, NUL-terminated, its length in *length: only a
 * regular file (or a link to one) is opened, without waiting, and no more of
 * it read than its size when opened, which may not be above limit. Null with
 * *why a short reason ("a FIFO (named pipe), not a file", the system's text)
 * and errno ENOENT for a missing file. Released with __glmFree. */
char *__glmReadFile(const char *path, size_t limit, size_t *length, const char **why);

/* The path of a file a model names (the model's folder followed by name),
 * when it stays inside the model's data root; else null, after a warning
 * naming the model, what the name is for ("material library", "texture")
 * and an excerpt of the name. Released with __glmFree. */
char *__glmNamedPath(const GlmModel *model, const char *name, const char *what);

/* A short printable excerpt of text from a file, for a message: at most
 * GLM_EXCERPT_SIZE - 4 characters, bytes outside printable ASCII as '?',
 * "..." where it was cut. Written into out (GLM_EXCERPT_SIZE bytes). */
const char *__glmExcerpt(const char *text, char *out);

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

/* A whole file in memory. Tokens and face indices skip white space, line
 * breaks included; the values of a statement (floats, integers) are looked
 * for on its own line only; a line read or skip goes to just past the line
 * break. */
typedef struct {
    char *text;         /* the file's bytes, NUL-terminated */
    size_t length;
    const char *p;      /* read position */
    const char *end;    /* text + length */
} GlmScan;

/* Reads a file whole (__glmReadFile); 0, or -1 with *why and errno set. */
int __glmScanLoad(GlmScan *scan, const char *path, const char **why);
void __glmScanRelease(GlmScan *scan);
void __glmScanRewind(GlmScan *scan);

/* Next white-space delimited token, consumed whole; its first GLM_TOKEN_MAX
 * characters go into token (GLM_TOKEN_MAX + 1 bytes). Returns the length
 * kept, 0 at the end. */
size_t __glmScanToken(GlmScan *scan, char *token);

/* The rest of the line, line break included when there is one, as a new text
 * (released with __glmFree); its length goes to length unless that is null. */
char *__glmScanLine(GlmScan *scan, size_t *length);

/* Skips the rest of the line, line break included. */
void __glmScanSkipLine(GlmScan *scan);

/* A decimal float, or an unsigned decimal (an optional sign as strtoul takes
 * it), on the current line; 1 when a number was read, 0 (nothing consumed but
 * blanks) else. */
int __glmScanFloat(GlmScan *scan, GLfloat *value);
int __glmScanUint(GlmScan *scan, GLuint *value);

/* A signed decimal index (OBJ indices may be relative, counted back from the
 * last point read) on a NUL-terminated text, white space and line breaks
 * skipped first; the position advances past the number. Magnitudes beyond
 * GLM_INDEX_LIMIT read as that plus 1. */
int __glmParseIndex(const char **text, long long *value);

/* Splits the first two white-space delimited words of line; the result is the
 * second word when there is one, else the first, else the empty text; the
 * returned pointer points into line, which is cut after the word. */
char *__glmLastOfTwoWords(char *line);

/* ---- Reading passes (glm_read.cpp) -------------------------------------------- */

/* The state of one glmReadOBJ call (glm_read.cpp). */
typedef struct GlmReader GlmReader;

void glmFirstPass(GlmModel *model, GlmReader *reader);
void glmSecondPass(GlmModel *model, GlmReader *reader);

/* ---- Texture state (glm_texture.cpp) ------------------------------------------ */

extern GLenum _glmTextureTarget;

#endif
