/*
 * test_display.cpp - private Xvfb servers for test cases.
 * Depends on: POSIX (fork, exec, pipes), the Xvfb program.
 */
#include "test_display.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

TestDisplay startTestDisplay(const char *screen)
{
    TestDisplay display = {-1, ""};
    int fds[2];
    if (pipe(fds) != 0)
        return display;
    display.server = fork();
    if (display.server == 0) {
        close(fds[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen,
               "+extension", "GLX", "-nolisten", "tcp", (char *)nullptr);
        _exit(93);
    }
    close(fds[1]);
    std::string number;
    struct pollfd wait = {fds[0], POLLIN, 0};
    char c;
    while (poll(&wait, 1, 10000) == 1 && read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (!number.empty())
        display.name = ":" + number;
    return display;
}

void stopTestDisplay(TestDisplay *display)
{
    if (display->server > 0) {
        kill(display->server, SIGTERM);
        int ended = 0;
        for (int i = 0; i < 100 && !ended; i++) {
            ended = waitpid(display->server, nullptr, WNOHANG) == display->server;
            if (!ended)
                usleep(50000);
        }
        if (!ended) {
            kill(display->server, SIGKILL);
            waitpid(display->server, nullptr, 0);
        }
    }
    display->server = -1;
    display->name.clear();
}
