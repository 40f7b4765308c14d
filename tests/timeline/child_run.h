/*
 * child_run.h - one demo run per child process. drawScene keeps its state in
 * statics and loads its assets once per process, so every scenario forks a
 * child that opens its own window, drives drawScene and reports back through
 * memory shared with the parent; the child's standard output is captured.
 */
#ifndef CHILD_RUN_H
#define CHILD_RUN_H

#include <functional>
#include <new>   /* placement new for the shared records */
#include <string>

/* What a child run ended with. */
struct ChildRun {
    int exitStatus;      /* exit status, or -1 when the child died of a signal */
    std::string output;  /* everything it wrote to standard output */
};

/* Plain-data memory that a child writes and the parent reads afterwards. */
void *childSharedMemory(size_t size);

template <typename T>
T *childShared(void)
{
    return new (childSharedMemory(sizeof(T))) T();
}

/* Forks; the child runs body with its standard output captured and exits 0
 * when body returns. */
ChildRun runChild(const std::function<void()> &body);

/* In a child: opens a W x H window with the mute clock (music off) and the
 * given start scene, and calls drawScene until the demo plays. Returns the
 * number of loading frames, the switch frame included. */
int childStartDemo(int width, int height, int startScene);

/* In a child: moves the mute clock to ms and draws one frame. */
void childFrameAt(int ms);

#endif
