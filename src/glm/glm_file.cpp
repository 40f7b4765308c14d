/*
 * glm_file.cpp - how the model library reaches files: reading a file whole
 * without ever waiting on it, the data root that file names taken from a
 * model may not leave, and the short printable excerpts by which messages
 * show text taken from a file.
 *
 * A file is opened only when it is a regular file, or a link to one, as the
 * framework opens its files (src/common/regular_file.h), and no more is read
 * than the size it had when it was opened.
 *
 * The data root: a name a model or material library gives (mtllib, map_Kd)
 * is taken only when the file it leads to lies inside the root, whether it
 * gets out by "../" steps, an absolute path or a symbolic link. The root is
 * the folder set with glmSetDataRoot when the model lies inside it (the demo
 * sets the folder that holds its data), else the model's own folder.
 *
 * Depends on: the shared opening of input files (src/common/regular_file.h),
 * POSIX (realpath), libc.
 */
#include "glm_internal.h"

#include "../common/regular_file.h"   /* opening and reading an input file */

#include <errno.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

/* ---- State ------------------------------------------------------------------ */

/* The data root, resolved (no links, no "." or ".."); "" when every model's
 * own folder is its root. */
static char dataRoot[PATH_MAX] = "";

/* ---- Internal helpers ------------------------------------------------------- */

/* 1 when path is dir itself or lies under it (both absolute and resolved). */
static int isUnder(const char *path, const char *dir)
{
    size_t n = strlen(dir);
    if (n == 1 && dir[0] == '/')
        return path[0] == '/';
    return strncmp(path, dir, n) == 0 && (path[n] == '\0' || path[n] == '/');
}

/* An absolute path with its "." and ".." steps and doubled slashes taken out
 * as text; out has room for path. */
static void normalise(const char *path, char *out)
{
    size_t used = 0;
    const char *p = path;
    while (*p) {
        while (*p == '/')
            p++;
        const char *end = p;
        while (*end && *end != '/')
            end++;
        size_t length = (size_t)(end - p);
        if (length == 2 && p[0] == '.' && p[1] == '.') {
            while (used > 0 && out[used - 1] != '/')
                used--;
            if (used > 0)
                used--;
        } else if (length > 0 && !(length == 1 && p[0] == '.')) {
            out[used++] = '/';
            memcpy(out + used, p, length);
            used += length;
        }
        p = end;
    }
    if (used == 0)
        out[used++] = '/';
    out[used] = '\0';
}

/* 1 when the name, taken from a file in the folder dir, leads to a file
 * inside the root, by its text and by where its links lead; *root gets the
 * root (malloc'd) for a message. */
static int staysInside(const char *dir, const char *name, char **root)
{
    *root = NULL;
    char *folder = realpath(dir[0] ? dir : ".", NULL);
    if (!folder)
        return 0;
    *root = strdup(dataRoot[0] && isUnder(folder, dataRoot) ? dataRoot : folder);
    size_t size = strlen(folder) + strlen(name) + 2;
    char *joined = (char *)malloc(size);
    char *lexical = (char *)malloc(size);
    int inside = 0;
    if (*root && joined && lexical && name[0] != '/') {
        snprintf(joined, size, "%s/%s", folder, name);
        normalise(joined, lexical);
        inside = isUnder(lexical, *root);
        /* A file that is there is judged by where its links really lead; one
         * that is not cannot be opened either. */
        char *real = inside ? realpath(joined, NULL) : NULL;
        if (real)
            inside = isUnder(real, *root);
        free(real);
    }
    free(joined);
    free(lexical);
    free(folder);
    return inside;
}

/* ---- Public functions ------------------------------------------------------- */

char *__glmReadFile(const char *path, size_t limit, size_t *length, const char **why)
{
    *length = 0;
    size_t size = 0;
    int fd = openRegularFile(path, &size, why);
    if (fd < 0)
        return NULL;
    if (size > limit) {
        close(fd);
        *why = "larger than a file of its kind can be";
        errno = EINVAL;
        return NULL;
    }
    char *text = (char *)__glmTryMalloc(size + 1);
    if (!text) {
        close(fd);
        *why = strerror(ENOMEM);
        errno = ENOMEM;
        return NULL;
    }
    ssize_t got = readUpTo(fd, text, size);
    int error = errno;
    close(fd);
    if (got < 0) {
        __glmFree(text);
        *why = strerror(error);
        errno = error;
        return NULL;
    }
    text[got] = '\0';
    *length = (size_t)got;
    return text;
}

void glmSetDataRoot(const char *folder)
{
    dataRoot[0] = '\0';
    if (!folder)
        return;
    char *real = realpath(folder, NULL);
    if (!real || strlen(real) >= sizeof(dataRoot)) {
        __glmWarning("glmSetDataRoot(): can't resolve \"%s\"; each model's folder is its root.",
                     folder);
        free(real);
        return;
    }
    strcpy(dataRoot, real);
    free(real);
}

char *__glmNamedPath(const GlmModel *model, const char *name, const char *what)
{
    char *dir = __glmDirName(model->pathname);
    char *root = NULL;
    int inside = staysInside(dir, name, &root);
    char *path = NULL;
    if (inside) {
        size_t length = strlen(dir) + strlen(name) + 1;
        path = (char *)__glmMalloc(length);
        snprintf(path, length, "%s%s", dir, name);
    } else {
        char shown[GLM_EXCERPT_SIZE];
        __glmWarning("\"%s\" names the %s \"%s\", which lies outside its data root \"%s\": "
                     "it is left out.", model->pathname, what, __glmExcerpt(name, shown),
                     root ? root : dir);
    }
    free(root);
    __glmFree(dir);
    return path;
}

const char *__glmExcerpt(const char *text, char *out)
{
    size_t used = 0;
    const char *p = text;
    for (; *p && used < GLM_EXCERPT_SIZE - 4; p++)
        out[used++] = (*p >= 0x20 && *p < 0x7F) ? *p : '?';
    if (*p) {
        memcpy(out + used, "...", 3);
        used += 3;
    }
    out[used] = '\0';
    return out;
}
