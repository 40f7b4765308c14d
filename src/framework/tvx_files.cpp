/*
 * tvx_files.cpp - how the framework opens its files. An input file (picture,
 * shader, font, music, model) is opened only when it is a regular file, or a
 * link to one: the open never waits (O_NONBLOCK, so a FIFO cannot hold it),
 * and the file is judged on the descriptor itself before a byte is read, so a
 * FIFO, a device or a directory is refused with a reason a console line can
 * carry. At most the size the file had when it was opened is read.
 *
 * An output file (video, benchmark JSON, screenshot) is written under a
 * temporary name beside its final one and renamed into place only once it is
 * complete, so that a failed or interrupted run leaves an existing file of
 * that name as it was, and two runs writing the same name never mix their
 * bytes: each rename puts one whole file in place.
 *
 * Depends on: the shared opening of input files (src/common/regular_file.h),
 * POSIX (mkstemp, rename), libc.
 */
#include "tvx.h"

#include "../common/regular_file.h"   /* opening and reading an input file */

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>

/* ---- Public functions ------------------------------------------------------ */

int tvx_openRegular(const char *path, size_t *size, const char **why)
{
    return openRegularFile(path, size, why);
}

int tvx_readFile(const char *path, size_t limit, unsigned char **bytes, size_t *size,
                 const char **why)
{
    *bytes = nullptr;
    *size = 0;
    size_t length = 0;
    int fd = tvx_openRegular(path, &length, why);
    if (fd < 0)
        return -1;
    if (length > limit) {
        close(fd);
        *why = "larger than a file of its kind can be";
        errno = EFBIG;
        return -1;
    }
    unsigned char *data = (unsigned char *)malloc(length + 1);
    if (data == nullptr) {
        close(fd);
        *why = strerror(ENOMEM);
        errno = ENOMEM;
        return -1;
    }
    ssize_t got = readUpTo(fd, data, length);
    int error = errno;
    close(fd);
    if (got < 0) {
        free(data);
        *why = strerror(error);
        errno = error;
        return -1;
    }
    data[got] = '\0';
    *bytes = data;
    *size = (size_t)got;
    return 0;
}

int tvx_beginOutput(const char *path, char *temp, size_t room)
{
    const char *slash = strrchr(path, '/');
    int dirLength = slash != nullptr ? (int)(slash - path + 1) : 0;
    const char *base = path + dirLength;
    if (snprintf(temp, room, "%.*s.%s.XXXXXX", dirLength, path, base) >= (int)room) {
        errno = ENAMETOOLONG;
        return -1;
    }
    int fd = mkstemp(temp);
    if (fd < 0)
        return -1;
    /* mkstemp makes the file for its owner only; the finished file gets the
     * mode any new file of this process gets. */
    mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    return fd;
}

int tvx_endOutput(const char *temp, const char *path)
{
    return rename(temp, path);
}

void tvx_dropOutput(const char *temp)
{
    if (temp[0] != '\0')
        unlink(temp);
}
