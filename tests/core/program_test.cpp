/*
 * program_test.cpp - starts the real kolvane program and drives it from
 * outside: with no options it must still be running after 3 s (game mode
 * cannot be entered on Xvfb, so a full-screen window replaces it) and quit
 * with status 0 on Escape; with -nf -m it opens a 640 x 480 window titled
 * "tvx-framework"; -w and -h size the window.
 *
 * Each case starts a private Xvfb, so that the demo's window is the only one
 * on its display whatever else runs at the same time.
 *
 * Depends on: Xvfb, xdotool (finding the window, sending the key).
 */
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "test_display.h"

namespace {

struct Launched {
    pid_t pid = -1;
    std::string log;   /* the program's standard and error output */
};

bool exists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

/* Waits up to `seconds` for a child to end; its wait status, or -1 (then it
 * is killed). */
int waitEnd(pid_t pid, int seconds)
{
    for (int i = 0; i < seconds * 10; i++) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return status;
        usleep(100000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

bool stillRunning(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == 0;
}

/* A private X server for one case; stopped when the case ends. */
struct PrivateDisplay : TestDisplay {
    explicit PrivateDisplay(const char *screen = "1920x1080x24")
        : TestDisplay(startTestDisplay(screen)) {}
    ~PrivateDisplay() { stopTestDisplay(this); }
};

/* Starts kolvane on the display from the repository root, with its output in
 * a file. */
Launched launch(const PrivateDisplay &display, std::vector<std::string> args, const char *tag,
                const char *envName = nullptr, const char *envValue = nullptr)
{
    Launched r;
    r.log = std::string(KOLVANE_BINARY_DIR) + "/core_program_" + tag + ".log";
    std::string exe = std::string(KOLVANE_BINARY_DIR) + "/src/demo/kolvane";
    std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    /* Under the sanitizers the exit status must stay the program's own. */
    asan += std::string(asan.empty() ? "" : ":") + "detect_leaks=0";
    std::vector<char *> argv;
    argv.push_back(exe.data());
    for (std::string &a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    r.pid = fork();
    if (r.pid == 0) {
        int fd = open(r.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        setenv("DISPLAY", display.name.c_str(), 1);
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
        if (envName != nullptr)
            setenv(envName, envValue, 1);
        if (chdir(KOLVANE_SOURCE_DIR) != 0)
            _exit(90);
        execv(exe.c_str(), argv.data());
        _exit(91);
    }
    return r;
}

/* Output of an xdotool command on the display, trailing newlines removed. */
std::string xdotool(const PrivateDisplay &display, const std::string &args)
{
    std::string out;
    std::string cmd = "DISPLAY=" + display.name + " xdotool " + args + " 2>/dev/null";
    FILE *p = popen(cmd.c_str(), "r");
    if (p == nullptr)
        return out;
    char buf[256];
    while (fgets(buf, sizeof(buf), p))
        out += buf;
    pclose(p);
    while (!out.empty() && out.back() == '\n')
        out.pop_back();
    return out;
}

std::string readFile(const std::string &path)
{
    std::string out;
    FILE *f = fopen(path.c_str(), "r");
    if (f == nullptr)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof(buf), f)) > 0)
        out.append(buf, n);
    fclose(f);
    return out;
}

/* The window titled "tvx-framework" on the display, or "". */
std::string findWindow(const PrivateDisplay &display)
{
    for (int i = 0; i < 100; i++) {
        std::string ids = xdotool(display, "search --name '^tvx-framework$'");
        if (!ids.empty())
            return ids.substr(0, ids.find('\n'));
        usleep(100000);
    }
    return "";
}

std::string size(const PrivateDisplay &display, const std::string &window)
{
    std::string geometry = xdotool(display, "getwindowgeometry --shell " + window);
    std::string w = geometry.substr(geometry.find("WIDTH="));
    return w.substr(0, w.find("\nSCREEN"));
}

/* The window's size once it is `expected`, or as it is after 10 s: a size
 * asked for after the window was made (full screen, a size fitted to the
 * OpenGL) reaches it only when the program's main loop runs, later under load. */
std::string sizeOnceSettled(const PrivateDisplay &display, const std::string &window,
                            const std::string &expected)
{
    std::string now = size(display, window);
    for (int i = 0; i < 100 && now != expected; i++) {
        usleep(100000);
        now = size(display, window);
    }
    return now;
}

/* Sends Escape and returns the program's exit status, or -1 if it did not end. */
int quit(const PrivateDisplay &display, const std::string &window, pid_t pid)
{
    xdotool(display, "windowfocus --sync " + window);
    xdotool(display, "key --window " + window + " Escape");
    return waitEnd(pid, 30);
}

/* The music comes from data/test.mp3 where it exists; without it the demo runs muted. */
std::vector<std::string> musicArgs()
{
    if (exists(std::string(KOLVANE_SOURCE_DIR) + "/data/test.mp3"))
        return {};
    return {"-m"};
}

TEST(Program, RunsWithNoOptionsAndQuitsOnEscape)
{
    PrivateDisplay display;
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    Launched r = launch(display, musicArgs(), "default");
    ASSERT_GT(r.pid, 0);
    sleep(3);
    ASSERT_TRUE(stillRunning(r.pid)) << readFile(r.log);
    std::string window = findWindow(display);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    std::string screen = xdotool(display, "getdisplaygeometry");
    std::string full = "WIDTH=" + screen.substr(0, screen.find(' ')) + "\nHEIGHT="
                       + screen.substr(screen.find(' ') + 1);
    EXPECT_EQ(sizeOnceSettled(display, window, full), full) << "a full-screen window";

    int status = quit(display, window, r.pid);
    ASSERT_NE(status, -1) << "did not quit on Escape";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);

    std::string log = readFile(r.log);
    EXPECT_NE(log.find("[*] systemcheck.\n"), std::string::npos) << log;
    EXPECT_NE(log.find("[*] Resolution set to default becouse nothing else was given\n"),
              std::string::npos) << log;
    EXPECT_NE(log.find("[/] Game mode 1280x800:32@75 cannot be entered; opening a full-screen "
                       "window instead.\n"), std::string::npos) << log;
}

TEST(Program, WindowedAndMutedOpensA640x480Window)
{
    PrivateDisplay display;
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    Launched r = launch(display, {"-nf", "-m"}, "windowed");
    ASSERT_GT(r.pid, 0);
    std::string window = findWindow(display);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    usleep(500000);
    EXPECT_TRUE(stillRunning(r.pid)) << readFile(r.log);
    EXPECT_EQ(size(display, window), "WIDTH=640\nHEIGHT=480");
    EXPECT_EQ(xdotool(display, "getwindowname " + window), "tvx-framework");
    int status = quit(display, window, r.pid);
    ASSERT_NE(status, -1) << "did not quit on Escape";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(r.log).find("Game mode"), std::string::npos);
}

TEST(Program, AGivenResolutionSizesTheWindow)
{
    PrivateDisplay display;
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    Launched r = launch(display, {"-w", "800", "-h", "600", "-nf", "-m"}, "sized");
    ASSERT_GT(r.pid, 0);
    std::string window = findWindow(display);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    EXPECT_EQ(size(display, window), "WIDTH=800\nHEIGHT=600");
    int status = quit(display, window, r.pid);
    ASSERT_NE(status, -1) << "did not quit on Escape";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(readFile(r.log).find("[*] Resolution set to 800x600:32@75\n"), std::string::npos);
}

/* 32767 x 32767 crashed the GL driver at the first reshape: a window larger
 * than the display is brought down to it, with a line saying so, and the
 * demo runs and quits as usual. A side beyond what any window can have
 * (100000) is first cut to 32767, with a line of its own. */
TEST(Program, AResolutionBeyondTheDisplayIsFittedToIt)
{
    PrivateDisplay display;
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    Launched r = launch(display, {"-w", "100000", "-h", "100000", "-nf", "-m"}, "huge");
    ASSERT_GT(r.pid, 0);
    std::string window = findWindow(display);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    usleep(500000);
    ASSERT_TRUE(stillRunning(r.pid)) << readFile(r.log);
    EXPECT_EQ(size(display, window), "WIDTH=1920\nHEIGHT=1080");
    int status = quit(display, window, r.pid);
    ASSERT_NE(status, -1) << "did not quit on Escape";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(readFile(r.log).find("[/] -w 100000 is more than the 32767 pixels a window side can "
                                   "have: 32767 is taken\n[/] -h 100000 is more than the 32767 "
                                   "pixels a window side can have: 32767 is taken\n[*] Resolution "
                                   "set to 32767x32767:32@75\n"), std::string::npos)
        << readFile(r.log);
    EXPECT_NE(readFile(r.log).find("[/] A 32767x32767 window is larger than the display "
                                   "(1920x1080); using 1920x1080\n"), std::string::npos)
        << readFile(r.log);
}

/* On a display wider than the OpenGL can draw (Mesa's llvmpipe draws at
 * most 16384 wide) the window is made as wide as the OpenGL's limit. */
TEST(Program, AWindowBeyondWhatTheOpenGLDrawsIsFittedToIt)
{
    PrivateDisplay display("20000x600x24");
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    Launched r = launch(display, {"-w", "20000", "-h", "600", "-nf", "-m"}, "wide");
    ASSERT_GT(r.pid, 0);
    std::string window = findWindow(display);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    usleep(500000);
    ASSERT_TRUE(stillRunning(r.pid)) << readFile(r.log);
    std::string log = readFile(r.log);
    std::string line = "[/] A 20000x600 window is larger than this OpenGL draws (";
    size_t at = log.find(line);
    ASSERT_NE(at, std::string::npos) << log;
    int side = atoi(log.c_str() + at + line.size());
    ASSERT_GT(side, 0);
    ASSERT_LT(side, 20000);
    std::string fitted = std::to_string(side) + "x600";
    EXPECT_NE(log.find(line + std::to_string(side) + "x" + std::to_string(side) + "); using "
                       + fitted + "\n"), std::string::npos) << log;
    std::string expected = "WIDTH=" + std::to_string(side) + "\nHEIGHT=600";
    EXPECT_EQ(sizeOnceSettled(display, window, expected), expected);
    int status = quit(display, window, r.pid);
    ASSERT_NE(status, -1) << "did not quit on Escape";
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

/* An OpenGL without the core framebuffer-object calls (Mesa told to hide
 * them, which makes it an OpenGL 2.1) ends the start-up with a line naming
 * what is missing, not with a crash on a null function later. */
TEST(Program, AnOpenGLWithoutFramebufferObjectsEndsWithAMessage)
{
    PrivateDisplay display;
    ASSERT_FALSE(display.name.empty()) << "no Xvfb could be started";
    Launched r = launch(display, {"-nf", "-m"}, "nofbo", "MESA_EXTENSION_OVERRIDE",
                        "-GL_ARB_framebuffer_object");
    ASSERT_GT(r.pid, 0);
    int status = waitEnd(r.pid, 30);
    ASSERT_NE(status, -1) << "still running: " << readFile(r.log);
    ASSERT_TRUE(WIFEXITED(status)) << readFile(r.log);
    EXPECT_EQ(WEXITSTATUS(status), 255);
    std::string log = readFile(r.log);
    EXPECT_NE(log.find("[!] This OpenGL ("), std::string::npos) << log;
    EXPECT_NE(log.find(") lacks what the demo needs: GL_ARB_framebuffer_object\n"),
              std::string::npos) << log;
}

}  // namespace
