/*
 * regular_file.h - opening an input file without ever waiting on it, and
 * reading it whole: the one way the framework (tvx_files.cpp) and the model
 * library (glm_file.cpp) reach their input files, kept here so that each
 * library still builds and runs without the other.
 *
 * A file is opened only when it is a regular file, or a link to one: the open
 * never waits (O_NONBLOCK, so a FIFO cannot hold it), and the file is judged
 * on the descriptor itself before a byte is read, so a FIFO, a device or a
 * directory is refused with a reason a console line can carry.
 *
 * Depends on: POSIX (open, fstat, fcntl, read), libc.
 */
#ifndef REGULAR_FILE_H
#define REGULAR_FILE_H

#include <errno.h>
#include <fcntl.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

/* What a file that is not a regular one is, as a reason for refusing it. */
static inline const char *regularFileKind(mode_t mode)
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

/* Opens path for reading when it is a regular file, or a link to one; the
 * descriptor, with the file's size in *size. -1 with errno set and the
 * reason in *why otherwise (EINVAL for a file that is not a regular one). */
static inline int openRegularFile(const char *path, size_t *size, const char **why)
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
        int error = errno;
        *why = strerror(error);
        close(fd);
        errno = error;
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        *why = regularFileKind(st.st_mode);
        close(fd);
        errno = EINVAL;
        return -1;
    }
    /* A regular file never blocks; the flag only mattered for the open. */
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    *size = (size_t)st.st_size;
    return fd;
}

/* Reads size bytes, fewer when the file turns out shorter; the count read,
 * or -1 with errno set on a read error. */
static inline ssize_t readUpTo(int fd, void *bytes, size_t size)
{
    size_t got = 0;
    while (got < size) {
        ssize_t n = read(fd, (char *)bytes + got, size - got);
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

#endif
