/*
 * live_test.cpp - a live run of kolvane on a private Xvfb driven by real key
 * presses (xdotool through XTEST): Space pauses (the "PAUSED AT" lines keep
 * one value and the red read-out shows in the bottom-left corner), Left and
 * Right seek by one second across the border of scenes 3 and 4 both ways
 * (the picture changes scene and comes back), Space resumes (the lines stop,
 * the clock moves on) and Escape ends the run with status 0.
 *
 * The runs that compare pictures draw them at a fixed render scale of 1, so
 * that a busy machine does not make the automatic scale soften one of them.
 *
 * The music plays on SDL's dummy driver, so the clock runs on the wall clock
 * as it does with a sound card. Music shorter than the demo lets the demo
 * play on to its end by itself; --loop starts every pass with the command
 * line as given, GLUT's -display included; --stats leaves whole lines.
 *
 * Depends on: the kolvane executable, Xvfb, xdotool, Xlib (screenshots of
 * the window), capture_run.cpp.
 */
#include <gtest/gtest.h>

#include <algorithm>    /* std::min, std::max */
#include <csignal>
#include <nlohmann/json.hpp>   /* the --stats lines */
#include <sstream>
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

/* How often `text` occurs in the log. */
size_t occurrences(const std::string &log, const std::string &text)
{
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1))
        n++;
    return n;
}

/* Waits up to `seconds` until the log holds `text` more than `count` times. */
bool waitFor(const std::string &logPath, const std::string &text, size_t count, int seconds = 15)
{
    for (int i = 0; i < seconds * 20; i++) {
        if (occurrences(readText(logPath), text) > count)
            return true;
        usleep(50000);
    }
    return false;
}

/* Pixels of the overlay's pale yellow text in the top-left corner. */
int overlayPixels(const Frame &f)
{
    int count = 0;
    for (int y = 0; y < 120 && y < f.height; y++)
        for (int x = 0; x < 400 && x < f.width; x++) {
            const unsigned char *p = &f.rgb[((size_t)y * f.width + x) * 3];
            if (p[0] > 180 && p[1] > 150 && p[2] < 90)
                count++;
        }
    return count;
}

/* The share of the picture's middle third that is pure green. */
double greenShare(const Frame &f)
{
    int green = 0, all = 0;
    for (int y = f.height / 3; y < f.height * 2 / 3; y++)
        for (int x = f.width / 3; x < f.width * 2 / 3; x++, all++) {
            const unsigned char *p = &f.rgb[((size_t)y * f.width + x) * 3];
            if (p[0] < 40 && p[1] > 200 && p[2] < 40)
                green++;
        }
    return all > 0 ? (double)green / all : 0.0;
}

/* The top-left w x h pixels of a frame in 8 x 8 blocks, each the mean of
 * its pixels: the film grain, new in every frame, averages out. */
Frame blocks(const Frame &f, int w, int h)
{
    Frame part = {w / 8, h / 8, {}};
    part.rgb.resize((size_t)part.width * part.height * 3);
    for (int by = 0; by < part.height; by++)
        for (int bx = 0; bx < part.width; bx++)
            for (int c = 0; c < 3; c++) {
                int sum = 0;
                for (int y = by * 8; y < by * 8 + 8; y++)
                    for (int x = bx * 8; x < bx * 8 + 8; x++)
                        sum += f.rgb[((size_t)y * f.width + x) * 3 + c];
                part.rgb[((size_t)by * part.width + bx) * 3 + c] = (unsigned char)(sum / 64);
            }
    return part;
}

/* Screenshots of the window until one meets `wanted` (frames may come slowly
 * on a busy machine); the last one taken. */
template <typename Wanted>
Frame waitForPicture(const TestDisplay &display, const std::string &window, Wanted wanted)
{
    Frame f = screenshot(display, window);
    for (int i = 0; i < 100 && !wanted(f); i++) {
        usleep(100000);
        f = screenshot(display, window);
    }
    return f;
}

void writeText(const std::string &path, const std::string &text)
{
    FILE *f = fopen(path.c_str(), "w");
    ASSERT_NE(f, nullptr) << path;
    fputs(text.c_str(), f);
    fclose(f);
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
    std::string work;   /* a run's own data folder, when it has one */
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
        removeScratchDir(work);
    }
    /* Starts kolvane in workDir and waits until it plays at a scene past
     * 0 and has the keyboard focus; the window's id, or "". */
    std::string start(const std::vector<std::string> &args, const std::string &log,
                      const std::string &workDir, const std::string &playing)
    {
        ChildEnv env = {{"DISPLAY", display.name}, {"SDL_AUDIODRIVER", "dummy"}};
        if (!workDir.empty())
            env.push_back({"KOLVANE_DATA", workDir});   /* its data, and its shaders to edit */
        pid = startKolvane(args, log, env, workDir);
        if (pid <= 0)
            return "";
        for (int i = 0; i < 600 && readText(log).find(playing) == std::string::npos; i++)
            usleep(100000);
        if (readText(log).find(playing) == std::string::npos)
            return "";
        return focusWindow();
    }
    /* Finds the demo's window and gives it the keyboard; its id, or "". */
    std::string focusWindow()
    {
        std::string window;
        for (int i = 0; i < 200 && window.empty(); i++) {
            window = xdotool(display, "search --name '^tvx-framework$'");
            if (window.empty())
                usleep(100000);
        }
        if (window.empty())
            return "";
        window = window.substr(0, window.find('\n'));
        xdotool(display, "windowfocus --sync " + window);
        return window;
    }
};

TEST_F(LiveRun, SpacePausesArrowsSeekAcrossAScene3And4BorderEscapeQuits)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    std::string log = dir + "/kolvane.log";
    pid = startKolvane({"-nf", "-w", std::to_string(WIDTH), "-h", std::to_string(HEIGHT), "-s", "4",
                        "--scale", "1"}, log,
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

namespace {

/* The viewer's keys on a paused picture of scene 1: F12 writes the finished
 * frame as the window shows it; Tab lays the overlay over the window but not
 * over a screenshot; F5 brings in a shader edited on disk (the sepia pass
 * turns pure green) and keeps it when the next edit no longer compiles. */
TEST_F(LiveRun, TabOverlayF12ScreenshotF5ShaderReload)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    work = makeEditableDataDir("viewer");
    ASSERT_FALSE(work.empty());
    std::string log = dir + "/kolvane.log";
    std::string window = start({"-nf", "-w", std::to_string(WIDTH), "-h", std::to_string(HEIGHT), "-s", "1",
                                "--scale", "1"},
                               log, work, "song start pos = 14000\n");
    ASSERT_FALSE(window.empty()) << readText(log);
    usleep(1000000);
    xdotool(display, "key space");
    int held = waitPaused(log, 0, -1);
    ASSERT_GT(held, 14000) << readText(log);
    /* A few paused frames: the motion blur settles on the still picture. */
    waitPaused(log, pausedValues(readText(log)).size() + 4, held);

    /* F12: the file is the finished frame, as the window shows it. */
    const std::string name = "kolvane-" + std::to_string(held) + ".png";
    const std::string written = "[*] screenshot written to " + work + "/" + name + "\n";
    xdotool(display, "key F12");
    ASSERT_TRUE(waitFor(log, written, 0)) << readText(log);
    Frame shot, window1 = screenshot(display, window);
    ASSERT_TRUE(readFrame(work + "/" + name, &shot));
    ASSERT_EQ(shot.width, WIDTH);
    ASSERT_EQ(shot.height, HEIGHT);
    ASSERT_GE(window1.width, WIDTH - 1);
    int w = std::min(window1.width, shot.width), h = std::min(window1.height, shot.height);
    EXPECT_LT(compareFrames(blocks(shot, w, h), blocks(window1, w, h)).mean, 3.0)
        << "the screenshot is not the picture shown";
    EXPECT_GT(redPixelsBottomLeft(shot), 50) << "the pause read-out is part of the finished frame";
    EXPECT_EQ(overlayPixels(shot), 0);

    /* Tab: the overlay shows in the window, not in the next screenshot. */
    xdotool(display, "key Tab");
    Frame shown = waitForPicture(display, window, [](const Frame &f) { return overlayPixels(f) > 100; });
    EXPECT_GT(overlayPixels(shown), 100) << "no overlay after Tab";
    xdotool(display, "key F12");
    ASSERT_TRUE(waitFor(log, written, 1)) << readText(log);
    Frame second;
    ASSERT_TRUE(readFrame(work + "/" + name, &second));
    EXPECT_EQ(overlayPixels(second), 0) << "the overlay went into the screenshot";
    EXPECT_LT(compareFrames(blocks(second, w, h), blocks(shot, w, h)).mean, 3.0);
    xdotool(display, "key Tab");
    Frame hidden = waitForPicture(display, window, [](const Frame &f) { return overlayPixels(f) == 0; });
    EXPECT_EQ(overlayPixels(hidden), 0) << "the overlay stays after a second Tab";

    /* F5 after an edit: the sepia pass draws pure green. */
    EXPECT_LT(greenShare(shot), 0.1);
    const std::string shaderPath = work + "/data/shader/sepia.frag";
    const std::string reloaded = "[*] shaders reloaded:";
    writeText(shaderPath, "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n");
    xdotool(display, "key F5");
    ASSERT_TRUE(waitFor(log, reloaded, 0)) << readText(log);
    Frame green = waitForPicture(display, window, [](const Frame &f) { return greenShare(f) > 0.9; });
    EXPECT_GT(greenShare(green), 0.9) << "the edited shader is not in use";

    /* F5 after an edit that does not compile: the log, and still green. */
    writeText(shaderPath, "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0) }\n");
    xdotool(display, "key F5");
    ASSERT_TRUE(waitFor(log, reloaded, 1)) << readText(log);
    std::string text = readText(log);
    EXPECT_NE(text.find("[/] data/shader/sepia.frag: fragment shader failed to compile\n"), std::string::npos)
        << text;
    EXPECT_NE(text.find("keeps its old program\n"), std::string::npos);
    size_t seen = pausedValues(readText(log)).size();
    waitPaused(log, seen + 2, held);
    EXPECT_GT(greenShare(screenshot(display, window)), 0.9) << "the broken shader replaced the program";

    xdotool(display, "key Escape");
    int status = waitChild(pid, 30);
    pid = -1;
    EXPECT_EQ(status, 0) << readText(log);
}

/* --loop on the demo's last scene, with the scene jumps: Page Up and Page
 * Down while paused land on the starts of scenes 8 and 9 and stay paused;
 * the demo's end starts it again, and the second pass shows scene 8's start
 * exactly as the first did; Home goes back to the demo's start, from where
 * Page Down reaches scene 1's; Escape still quits at once. */
TEST_F(LiveRun, LoopStartsTheDemoAgainAndPageKeysJumpBetweenScenes)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    work = makeEditableDataDir("loop");
    ASSERT_FALSE(work.empty());
    std::string log = dir + "/kolvane.log";
    const std::string started = "song start pos = 356000\n";
    std::string window = start({"-nf", "-w", "320", "-h", "180", "-s", "9", "--loop", "--scale", "1"},
                               log, work, started);
    ASSERT_FALSE(window.empty()) << readText(log);

    /* Scene 8 starts where scene 9's start (356.0 s after -s 9) less its 55 s
     * puts it, scene 9 where it was; the F12 file is named by that time. */
    Frame first[2];
    for (int pass = 0; pass < 2; pass++) {
        ASSERT_TRUE(waitFor(log, started, (size_t)pass, 90)) << readText(log);
        if (pass == 1) {
            ASSERT_FALSE(focusWindow().empty());   /* the new process has a window of its own */
        }
        size_t seen = pausedValues(readText(log)).size();
        xdotool(display, "key space");
        ASSERT_GT(waitPaused(log, seen, -1), 356000) << readText(log);
        seen = pausedValues(readText(log)).size();
        xdotool(display, "key Prior");
        ASSERT_EQ(waitPaused(log, seen, 301001), 301001) << "Page Up did not land on scene 8's start";
        waitPaused(log, pausedValues(readText(log)).size() + 2, 301001);
        xdotool(display, "key F12");
        ASSERT_TRUE(waitFor(log, "[*] screenshot written to " + work + "/kolvane-301001.png\n", (size_t)pass));
        ASSERT_TRUE(readFrame(work + "/kolvane-301001.png", &first[pass]));
        unlink((work + "/kolvane-301001.png").c_str());   /* the next pass writes its own */
        if (pass == 1)
            break;
        seen = pausedValues(readText(log)).size();
        xdotool(display, "key Next");
        ASSERT_EQ(waitPaused(log, seen, 356001), 356001) << "Page Down did not land on scene 9's start";
        waitPaused(log, pausedValues(readText(log)).size() + 2, 356001);
        xdotool(display, "key F12");
        ASSERT_TRUE(waitFor(log, "[*] screenshot written to " + work + "/kolvane-356001.png\n", 0));
        Frame scene9;
        ASSERT_TRUE(readFrame(work + "/kolvane-356001.png", &scene9));
        EXPECT_GT(compareFrames(scene9, first[0]).mean, 10.0) << "Page Down left scene 8 on the screen";
        xdotool(display, "key space");   /* the last 10 s play, then the demo starts again */
    }
    EXPECT_LT(compareFrames(first[1], first[0]).mean, 1.0) << "the second pass looks otherwise";

    size_t seen = pausedValues(readText(log)).size();
    xdotool(display, "key Home");
    ASSERT_EQ(waitPaused(log, seen, 0), 0) << "Home did not go back to the demo's start";
    seen = pausedValues(readText(log)).size();
    xdotool(display, "key Next");
    EXPECT_EQ(waitPaused(log, seen, 14001), 14001) << "Page Down from scene 0 missed scene 1's start";

    xdotool(display, "key Escape");
    int status = waitChild(pid, 30);
    pid = -1;
    EXPECT_EQ(status, 0) << readText(log);
    EXPECT_EQ(occurrences(readText(log), "[*] The demo starts again (--loop)\n"), 1u);
}

/* A 3 s song: started at the last scene, far past the song's end, the demo
 * says once that the clock goes on without the music, plays the scene's 10 s
 * and ends by itself with status 0 (the clock used to stop at the song's
 * end, and the demo with it, for ever). */
TEST_F(LiveRun, ShortMusicLetsTheDemoPlayToItsEnd)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    work = makeEditableDataDir("short");
    ASSERT_FALSE(work.empty());
    unlink((work + "/data/test.mp3").c_str());
    ASSERT_EQ(symlink(SHORT_MUSIC, (work + "/data/test.mp3").c_str()), 0);
    std::string log = dir + "/kolvane.log";
    pid = startKolvane({"-nf", "-w", "160", "-h", "90", "-s", "9"}, log,
                       {{"DISPLAY", display.name}, {"SDL_AUDIODRIVER", "dummy"},
                        {"KOLVANE_DATA", work}}, work);
    ASSERT_GT(pid, 0);
    int status = waitChild(pid, 90);
    pid = -1;
    std::string text = readText(log);
    EXPECT_EQ(status, 0) << text;
    EXPECT_EQ(occurrences(text, "[/] The music data/test.mp3 ends at 3.000 s, before the demo's "
                                "end at 366.700 s: the clock goes on without it\n"), 1u) << text;
}

/* --stats: a line of JSON a second, each reaching the file whole, so that a
 * run killed at any moment leaves only whole lines; with --scale 0.5 they
 * give the scale the frames were drawn at. */
TEST_F(LiveRun, StatsLinesStayWholeWhenTheRunIsKilled)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    std::string log = dir + "/kolvane.log";
    std::string stats = dir + "/run.jsonl";
    pid = startKolvane({"-nf", "-w", "320", "-h", "180", "-m", "-s", "9", "--scale", "0.5", "--stats",
                        stats}, log, {{"DISPLAY", display.name}});
    ASSERT_GT(pid, 0);
    for (int i = 0; i < 600 && occurrences(readText(stats), "\n") < 4; i++)
        usleep(100000);
    usleep(420000);   /* somewhere within a second */
    kill(pid, SIGKILL);
    waitChild(pid, 10);
    pid = -1;
    std::string text = readText(stats);
    ASSERT_GE(occurrences(text, "\n"), 4u) << readText(log);
    EXPECT_EQ(text.back(), '\n') << "the last line is whole";
    std::istringstream lines(text);
    std::string line;
    int scene = -2;
    while (std::getline(lines, line)) {
        nlohmann::json figures = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(figures.is_object()) << line;
        for (const char *key : {"demo_ms", "scene", "frames", "mean_ms", "worst_ms", "scale"})
            EXPECT_TRUE(figures.contains(key) && figures[key].is_number()) << key << " in " << line;
        EXPECT_GT(figures.value("frames", 0), 0) << line;
        EXPECT_EQ(figures.value("scale", 0.0), 0.5) << line;
        scene = figures.value("scene", -2);
    }
    EXPECT_EQ(scene, 9) << "the last line: the demo plays scene 9";
}

/* --loop with GLUT's -display (and no DISPLAY): glutInit takes -display out
 * of argv, and the next pass used to start without it and fail; every pass
 * now starts with the command line as it was given. */
TEST_F(LiveRun, LoopKeepsTheDisplayOptionForEveryPass)
{
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    std::string log = dir + "/kolvane.log";
    pid = startKolvane({"-display", display.name, "-nf", "-w", "96", "-h", "54", "-m", "-s", "9",
                        "--loop"}, log, {{"DISPLAY", ""}});
    ASSERT_GT(pid, 0);
    ASSERT_TRUE(waitFor(log, "[*] The demo starts again (--loop)\n", 0, 60)) << readText(log);
    ASSERT_TRUE(waitFor(log, "song start pos = 356000\n", 1, 60)) << readText(log);
    usleep(1000000);
    int status = 0;
    EXPECT_EQ(waitpid(pid, &status, WNOHANG), 0) << "the second pass ended: " << readText(log);
    EXPECT_EQ(readText(log).find("[/] Unknown option"), std::string::npos) << "GLUT's options are known";
}

}  // namespace
