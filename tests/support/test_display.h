/*
 * test_display.h - a private Xvfb for one test case, so that the program
 * under test has a display (and the keyboard focus) of its own.
 */
#ifndef TEST_DISPLAY_H
#define TEST_DISPLAY_H

#include <string>
#include <sys/types.h>

struct TestDisplay {
    pid_t server;
    std::string name;   /* ":N", empty when no server could be started */
};

/* Starts Xvfb with GLX on a screen such as "1280x720x24"; Xvfb picks a free
 * display number itself and tells it through a pipe. */
TestDisplay startTestDisplay(const char *screen);

/* Stops the server (SIGTERM, then SIGKILL after 5 s) and clears the record. */
void stopTestDisplay(TestDisplay *display);

#endif
