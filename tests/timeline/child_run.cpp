/*
 * child_run.cpp - forked demo runs for the timeline tests: shared records,
 * captured standard output, a window per child with the mute clock.
 * Depends on: POSIX fork and mmap, the test GL context, the timeline.
 */
#include "child_run.h"

#include <stdio.h>
#include <stdlib.h>
#include <sys/mman.h>   /* the parent-child shared record */
#include <sys/wait.h>
#include <unistd.h>

#include "test_gl.h"
#include "timeline.h"
#include "tvx.h"

void *childSharedMemory(size_t size)
{
    void *memory = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        perror("mmap");
        abort();
    }
    return memory;
}

ChildRun runChild(const std::function<void()> &body)
{
    ChildRun run = {-1, ""};
    char path[] = "/tmp/kolvane-timeline-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0)
        return run;
    unlink(path);
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(fd, STDOUT_FILENO);
        body();
        fflush(stdout);
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFEXITED(status))
        run.exitStatus = WEXITSTATUS(status);
    else if (WIFSIGNALED(status))
        fprintf(stderr, "the demo run died of signal %d\n", WTERMSIG(status));
    lseek(fd, 0, SEEK_SET);
    char buffer[4096];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        run.output.append(buffer, (size_t)n);
    close(fd);
    return run;
}

int childStartDemo(int width, int height, int startScene)
{
    testGlContext(width, height);
    SOUND_ON = 0;
    S_SCENE = startScene;
    int frames = 0;
    while (queue == -1 && frames < 1000) {
        drawScene();
        frames++;
    }
    return frames;
}

void childFrameAt(int ms)
{
    tvx_skipTo(ms);
    drawScene();
}
