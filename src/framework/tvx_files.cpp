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
 * Depends on: POSIX (open, fstat, read, mkstemp, rename), libc.
 */
#include "tvx.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

/* ---- Internal helpers ------------------------------------------------------ */

static const char *kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return "a directory, not a file";
    if (S_ISFIFO(mode))
        return "a FIFO (named pipe), not a file";
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return "a device, not a file";
    if (S_ISSOCK(mode))
        return "a socket, not a file";
    return "not a regular file";
}

/* Reads size bytes, fewer when the file turns out shorter; the count read,
 * or -1 on a read error. */
static ssize_t readUpTo(int fd, unsigned char *bytes, size_t size)
{
    size_t got = 0;
    while (got < size) {
        ssize_t n = read(fd, bytes + got, size - got);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        got += (size_t)n;
    }
    return (ssize_t)got;
}

/* ---- Public functions ------------------------------------------------------ */

int tvx_openRegular(const char *path, size_t *size, const char **why)
{
    int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        int error = errno;
        *why = strerror(error);
        errno = error;
        return -1;
    }
    struct stat st;
    if (fstat(fd, &st) != 0) {
        *why = strerror(errno);
        close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = kindOf(st.st_mode);
        close(fd);
        errno = EINVAL;
        return -1;
    }
    /* A regular file never blocks; the flag only mattered for the open. */
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *size = (size_t)st.st_size;
    return fd;
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
