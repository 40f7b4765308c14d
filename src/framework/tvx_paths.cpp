/*
 * tvx_paths.cpp - where the program's files are. The data root (the folder
 * that holds data/ and tools/) is found once at start-up and made the working
 * directory, so every asset path stays a fixed relative string; output files
 * named by the user stay relative to the directory the program was started in.
 *
 * The data root is, in this order of preference: the folder named by the
 * KOLVANE_DATA environment variable (the only place looked in when it is set),
 * the working directory when it holds the demo's data (a data/ folder with
 * data/shader/ in it: a demo maker's copy of the demo's folder, started in
 * it, reads its own files), the data folder of an installed program
 * (TVX_DATA_FROM_BIN, relative to the executable's folder), and, for a
 * program that still sits in its build tree, the checkout it was built from.
 *
 * Depends on: POSIX (getcwd, chdir, stat), Linux (/proc/self/exe); the build
 * defines TVX_DATA_FROM_BIN, TVX_SOURCE_DIR and TVX_BINARY_DIR.
 */
#include "tvx.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

/* ---- State ----------------------------------------------------------------- */

/* The directory the program was started in, once the data root has been
 * entered; empty before, and output paths are then used as they are. */
static char startDir[PATH_MAX] = "";

static const char *const ROOT_VARIABLE = "KOLVANE_DATA";
static const int MAX_PLACES = 4;

/* ---- Internal helpers ------------------------------------------------------ */

/* 1 when dir/sub is a directory. */
static int holdsFolder(const char *dir, const char *sub)
{
    char path[PATH_MAX + 16];
    struct stat st;
    if (snprintf(path, sizeof(path), "%s/%s", dir, sub) >= (int)sizeof(path))
        return 0;
    return stat(path, &st) == 0 && S_ISDIR(st.st_mode);
}

/* The folder of the running executable (symbolic links resolved), or 0. */
static int executableDir(char *dir, size_t size)
{
    char exe[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", exe, sizeof(exe) - 1);
    if (n <= 0)
        return 0;
    exe[n] = '\0';
    char *slash = strrchr(exe, '/');
    if (slash == nullptr)
        return 0;
    *slash = '\0';
    return snprintf(dir, size, "%s", exe[0] ? exe : "/") < (int)size;
}

/* dir joined with a relative path whose leading "../" steps are taken out;
 * 0 when it does not fit. */
static int joinUp(char *out, size_t size, const char *dir, const char *relative)
{
    char base[PATH_MAX];
    snprintf(base, sizeof(base), "%s", dir);
    while (strncmp(relative, "../", 3) == 0) {
        char *slash = strrchr(base, '/');
        if (slash == nullptr)
            break;
        *slash = '\0';
        relative += 3;
    }
    return snprintf(out, size, "%s/%s", base, relative) < (int)size;
}

/* 1 when path is dir itself or lies under it. */
static int isUnder(const char *path, const char *dir)
{
    size_t n = strlen(dir);
    return strncmp(path, dir, n) == 0 && (path[n] == '\0' || path[n] == '/');
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_enterDataRoot(void)
{
    char places[MAX_PLACES][PATH_MAX];
    int count = 0;
    int workingDir = -1;   /* the working directory's place: taken only with data/shader/ in it */
    const char *named = getenv(ROOT_VARIABLE);
    char exeDir[PATH_MAX];
    if (getcwd(startDir, sizeof(startDir)) == nullptr) {
        printf("[!] Cannot tell the current directory: %s\n", strerror(errno));
        exit(-1);
    }
    if (named != nullptr && named[0] != '\0') {
        snprintf(places[count++], PATH_MAX, "%s", named);
    } else {
        workingDir = count;
        snprintf(places[count++], PATH_MAX, "%s", startDir);
        if (executableDir(exeDir, sizeof(exeDir))) {
            if (joinUp(places[count], PATH_MAX, exeDir, TVX_DATA_FROM_BIN))
                count++;
            if (isUnder(exeDir, TVX_BINARY_DIR))
                snprintf(places[count++], PATH_MAX, "%s", TVX_SOURCE_DIR);
        }
    }

    for (int i = 0; i < count; i++) {
        if (!holdsFolder(places[i], i == workingDir ? "data/shader" : "data"))
            continue;
        if (chdir(places[i]) != 0) {
            printf("[!] Cannot enter the data folder %s: %s\n", places[i], strerror(errno));
            exit(-1);
        }
        return;
    }

    char list[MAX_PLACES * (PATH_MAX + 2)] = "";
    for (int i = 0; i < count; i++) {
        if (i > 0)
            strcat(list, ", ");
        strcat(list, places[i]);
    }
    printf("[!] Couldn't find the demo's data folder: looked in %s "
           "(set %s to the folder that holds data/ and tools/)\n",
           count > 0 ? list : "no place", ROOT_VARIABLE);
    exit(-1);
}

const char *tvx_userPath(const char *path, char *out, int size)
{
    int n;
    if (path[0] == '/' || startDir[0] == '\0')
        n = snprintf(out, (size_t)size, "%s", path);
    else
        n = snprintf(out, (size_t)size, "%s/%s", startDir, path);
    if (n < 0 || n >= size) {
        errno = ENAMETOOLONG;
        return nullptr;
    }
    return out;
}
