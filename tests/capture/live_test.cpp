/*
 * live_test.cpp - a live run of kolvane on a private Xvfb driven by real key
 * presses (xdotool through XTEST): Space pauses (the "PAUSED AT" lines keep
 * one value and the red read-out shows in the bottom-left corner), Left and
 * Right seek by one second across the border of scenes 3 and 4 both ways
 * (the picture changes scene and comes back), Space resumes (the lines stop,
 * the clock moves on) and Escape ends the run with status 0.
 *
 * The music plays on SDL's dummy driver, so the clock runs on the wall clock
 * as it does with a sound card.
 *
 * Depends on: the kolvane executable, Xvfb, xdotool, Xlib (screenshots of
 * the window), capture_run.cpp.
 */
#include <gtest/gtest.h>

#include <algorithm>    /* std::min, std::max */
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

#include "capture_run.h"

namespace {

const int WIDTH = 640;
const int HEIGHT = 360;

std::string xdotool(const TestDisplay &display, const std::string &args)
{
    std::string out = shellOutput("DISPLAY=" + display.name + " xdotool " + args + " 2>/dev/null");
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

/* The values of the "PAUSED AT : %dms" lines printed so far. */
std::vector<int> pausedValues(const std::string &log)
{
    std::vector<int> values;
    const std::string tag = "PAUSED AT : ";
    for (size_t at = log.find(tag); at != std::string::npos; at = log.find(tag, at + 1))
        if (log.find("ms\n", at) != std::string::npos)
            values.push_back(atoi(log.c_str() + at + tag.size()));
    return values;
}

/* Waits until the log has more "PAUSED AT" lines than `count` and the last
 * one reads `value` (any value when negative); the last value, or -1. */
int waitPaused(const std::string &logPath, size_t count, int value)
{
    for (int i = 0; i < 200; i++) {
        std::vector<int> v = pausedValues(readText(logPath));
        if (v.size() > count && (value < 0 || v.back() == value))
            return v.back();
        usleep(50000);
    }
    return -1;
}

/* A screenshot of the window, rows top first: its part of the screen (the
 * window may hang a pixel over the screen's edge, which is left out). */
Frame screenshot(const TestDisplay &display, const std::string &window)
{
    Frame f = {0, 0, {}};
    Display *x = XOpenDisplay(display.name.c_str());
    if (x == nullptr)
        return f;
    Window id = (Window)strtoul(window.c_str(), nullptr, 10);
    Window root = DefaultRootWindow(x);
    XWindowAttributes attributes;
    int left = 0, top = 0;
    Window child;
    if (XGetWindowAttributes(x, id, &attributes) &&
        XTranslateCoordinates(x, id, root, 0, 0, &left, &top, &child)) {
        int right = std::min(left + attributes.width, DisplayWidth(x, DefaultScreen(x)));
        int bottom = std::min(top + attributes.height, DisplayHeight(x, DefaultScreen(x)));
        left = std::max(left, 0);
        top = std::max(top, 0);
        XImage *image = XGetImage(x, root, left, top, (unsigned)(right - left), (unsigned)(bottom - top),
                                  AllPlanes, ZPixmap);
        if (image != nullptr) {
            f.width = right - left;
            f.height = bottom - top;
            f.rgb.resize((size_t)f.width * f.height * 3);
            for (int y = 0; y < f.height; y++)
                for (int px = 0; px < f.width; px++) {
                    unsigned long p = XGetPixel(image, px, y);
                    unsigned char *out = &f.rgb[((size_t)y * f.width + px) * 3];
                    out[0] = (unsigned char)((p & image->red_mask) >> 16);
                    out[1] = (unsigned char)((p & image->green_mask) >> 8);
                    out[2] = (unsigned char)(p & image->blue_mask);
                }
            XDestroyImage(image);
        }
    }
    XCloseDisplay(x);
    return f;
}

/* Red read-out pixels in the bottom-left corner (the read-out is drawn from
 * 10 pixels in and 10 pixels up). */
int redPixelsBottomLeft(const Frame &f)
{
    int count = 0;
    for (int y = f.height - 40; y >= 0 && y < f.height; y++)
        for (int x = 0; x < 260 && x < f.width; x++) {
            const unsigned char *p = &f.rgb[((size_t)y * f.width + x) * 3];
            if (p[0] > 150 && p[1] < 80 && p[2] < 80)
                count++;
        }
    return count;
}

/* The mean channel difference of two screenshots above the read-out. */
double pictureDifference(const Frame &a, const Frame &b)
{
    Frame top = a, other = b;
    size_t keep = (size_t)a.width * (a.height - 40) * 3;
    top.rgb.resize(keep);
    other.rgb.resize(keep);
    top.height = other.height = a.height - 40;
    return compareFrames(top, other).mean;
}

class LiveRun : public ::testing::Test {
protected:
    TestDisplay display = {-1, ""};
    std::string dir;
    pid_t pid = -1;
    void SetUp() override
    {
        display = startTestDisplay("1280x720x24");
        dir = makeScratchDir("live");
    }
    void TearDown() override
    {
        if (pid > 0)
            waitChild(pid, 0);   /* a run left by a failed case is killed */
        stopTestDisplay(&display);
        removeScratchDir(dir);
    }
};

TEST_F(LiveRun, SpacePausesArrowsSeekAcrossAScene3And4BorderEscapeQuits)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    std::string log = dir + "/kolvane.log";
    pid = startKolvane({"-nf", "-w", std::to_string(WIDTH), "-h", std::to_string(HEIGHT), "-s", "4"}, log,
                       {{"DISPLAY", display.name}, {"SDL_AUDIODRIVER", "dummy"}});
    ASSERT_GT(pid, 0);
    std::string window;
    for (int i = 0; i < 200 && window.empty(); i++) {
        window = xdotool(display, "search --name '^tvx-framework$'");
        usleep(100000);
    }
    ASSERT_FALSE(window.empty()) << readText(log);
    window = window.substr(0, window.find('\n'));
    for (int i = 0; i < 600 && readText(log).find("song start pos = 177000\n") == std::string::npos; i++)
        usleep(100000);
    ASSERT_NE(readText(log).find("song start pos = 177000\n"), std::string::npos) << readText(log);
    xdotool(display, "windowfocus --sync " + window);
    usleep(1500000);

    /* Space: paused, the clock holds and the read-out shows. */
    xdotool(display, "key space");
    int held = waitPaused(log, 0, -1);
    ASSERT_GT(held, 177000) << readText(log);
    usleep(1000000);
    std::vector<int> values = pausedValues(readText(log));
    ASSERT_GT(values.size(), 2u);
    for (int v : values)
        EXPECT_EQ(v, held) << "the clock moved while paused";
    Frame scene4 = screenshot(display, window);
    ASSERT_GE(scene4.width, WIDTH - 1);
    EXPECT_GT(redPixelsBottomLeft(scene4), 50) << "no pause read-out";

    /* Left five times: back past 174 s, more than 3 s before scene 4's
     * start, where scene 3 takes over again. */
    for (int k = 1; k <= 5; k++) {
        size_t seen = pausedValues(readText(log)).size();
        xdotool(display, "key Left");
        EXPECT_EQ(waitPaused(log, seen, held - 1000 * k), held - 1000 * k);
    }
    usleep(1000000);
    Frame scene3 = screenshot(display, window);
    EXPECT_GT(redPixelsBottomLeft(scene3), 50);

    /* Right five times: forward across the border into scene 4 again. */
    for (int k = 4; k >= 0; k--) {
        size_t seen = pausedValues(readText(log)).size();
        xdotool(display, "key Right");
        EXPECT_EQ(waitPaused(log, seen, held - 1000 * k), held - 1000 * k);
    }
    usleep(1000000);
    Frame back = screenshot(display, window);
    double across = pictureDifference(scene4, scene3);
    double again = pictureDifference(scene4, back);
    EXPECT_GT(across, 2.0) << "seeking back into scene 3 left the picture as it was";
    EXPECT_LT(again, across / 2) << "seeking forward did not bring scene 4 back";

    /* Space: playing again, no more paused frames, the clock moves on. */
    xdotool(display, "key space");
    usleep(1000000);
    size_t lines = pausedValues(readText(log)).size();
    usleep(1500000);
    EXPECT_EQ(pausedValues(readText(log)).size(), lines) << "still paused";
    EXPECT_LE(redPixelsBottomLeft(screenshot(display, window)), 5) << "the read-out stays";
    xdotool(display, "key space");
    int later = waitPaused(log, lines, -1);
    EXPECT_GT(later, held + 1500) << "the clock did not move on";

    /* Escape ends the run with status 0. */
    xdotool(display, "key Escape");
    int status = waitChild(pid, 30);
    pid = -1;
    EXPECT_EQ(status, 0) << readText(log);
}

}  // namespace
