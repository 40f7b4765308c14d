/*
 * program_test.cpp - starts the real kolvane program on the test display and
 * drives it from outside: with no options it must still be running after 3 s
 * (game mode cannot be entered on Xvfb, so a full-screen window replaces it)
 * and quit with status 0 on Escape; with -nf -m it opens a 640 x 480 window
 * titled "tvx-framework".
 *
 * Depends on: xdotool (finding the window, sending the key).
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

namespace {

struct Launched {
    pid_t pid = -1;
    std::string log;   /* the program's standard output */
};

/* Starts kolvane from the repository root with its output in a file. */
Launched launch(std::vector<std::string> args, const char *tag)
{
    Launched r;
    r.log = std::string(KOLVANE_BINARY_DIR) + "/core_program_" + tag + ".log";
    std::string exe = std::string(KOLVANE_BINARY_DIR) + "/src/demo/kolvane";
    r.pid = fork();
    if (r.pid == 0) {
        int fd = open(r.log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(fd, 1);
        dup2(fd, 2);
        /* Under the sanitizers the exit status must stay the program's own. */
        std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
        setenv("ASAN_OPTIONS", (asan + (asan.empty() ? "" : ":") + "detect_leaks=0").c_str(), 1);
        if (chdir(KOLVANE_SOURCE_DIR) != 0)
            _exit(90);
        std::vector<char *> argv;
        argv.push_back(exe.data());
        for (std::string &a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(91);
    }
    return r;
}

/* Output of a shell command, trailing newline removed. */
std::string shell(const std::string &cmd)
{
    std::string out;
    FILE *p = popen(cmd.c_str(), "r");
    if (p == nullptr)
        return out;
    char buf[256];
    while (fgets(buf, sizeof(buf), p))
        out += buf;
    pclose(p);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' '))
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

/* Ids of the windows titled "tvx-framework", one a line. */
std::string demoWindows()
{
    return shell("xdotool search --name '^tvx-framework$' 2>/dev/null");
}

/* The window titled "tvx-framework" that was not there before the launch, or
 * "" (freeglut does not mark its windows with the process id). */
std::string findWindow(const std::string &before)
{
    for (int i = 0; i < 100; i++) {
        std::string ids = demoWindows() + "\n";
        for (size_t at = 0, nl; (nl = ids.find('\n', at)) != std::string::npos; at = nl + 1) {
            std::string id = ids.substr(at, nl - at);
            if (!id.empty() && ("\n" + before + "\n").find("\n" + id + "\n") == std::string::npos)
                return id;
        }
        usleep(100000);
    }
    return "";
}

/* Waits up to `seconds` for the program to end; its wait status, or -1. */
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

void pressEscape(const std::string &window)
{
    shell("xdotool windowfocus --sync " + window + " 2>/dev/null");
    shell("xdotool key --window " + window + " Escape 2>/dev/null");
}

/* The music comes from data/test.mp3 once it exists; until then the demo runs muted. */
std::vector<std::string> musicArgs()
{
    struct stat st;
    std::string music = std::string(KOLVANE_SOURCE_DIR) + "/data/test.mp3";
    if (stat(music.c_str(), &st) == 0)
        return {};
    return {"-m"};
}

TEST(Program, RunsWithNoOptionsAndQuitsOnEscape)
{
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs an X display (Xvfb)";
    std::string before = demoWindows();
    Launched r = launch(musicArgs(), "default");
    ASSERT_GT(r.pid, 0);
    sleep(3);
    ASSERT_TRUE(stillRunning(r.pid)) << readFile(r.log);
    std::string window = findWindow(before);
    ASSERT_FALSE(window.empty()) << readFile(r.log);

    std::string geometry = shell("xdotool getwindowgeometry --shell " + window + " | grep -E '^(WIDTH|HEIGHT)='");
    std::string screen = shell("xdotool getdisplaygeometry");
    std::string w = screen.substr(0, screen.find(' '));
    std::string h = screen.substr(screen.find(' ') + 1);
    EXPECT_EQ(geometry, "WIDTH=" + w + "\nHEIGHT=" + h) << "a full-screen window";

    pressEscape(window);
    int status = waitEnd(r.pid, 30);
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
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs an X display (Xvfb)";
    std::string before = demoWindows();
    Launched r = launch({"-nf", "-m"}, "windowed");
    ASSERT_GT(r.pid, 0);
    std::string window = findWindow(before);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    usleep(500000);
    EXPECT_TRUE(stillRunning(r.pid)) << readFile(r.log);
    EXPECT_EQ(shell("xdotool getwindowgeometry --shell " + window + " | grep -E '^(WIDTH|HEIGHT)='"),
              "WIDTH=640\nHEIGHT=480");
    EXPECT_EQ(shell("xdotool getwindowname " + window), "tvx-framework");
    pressEscape(window);
    int status = waitEnd(r.pid, 30);
    ASSERT_NE(status, -1) << "did not quit on Escape";
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(readFile(r.log).find("Game mode"), std::string::npos);
}

TEST(Program, AGivenResolutionSizesTheWindow)
{
    ASSERT_NE(getenv("DISPLAY"), nullptr) << "needs an X display (Xvfb)";
    std::string before = demoWindows();
    Launched r = launch({"-w", "800", "-h", "600", "-nf", "-m"}, "sized");
    ASSERT_GT(r.pid, 0);
    std::string window = findWindow(before);
    ASSERT_FALSE(window.empty()) << readFile(r.log);
    EXPECT_EQ(shell("xdotool getwindowgeometry --shell " + window + " | grep -E '^(WIDTH|HEIGHT)='"),
              "WIDTH=800\nHEIGHT=600");
    pressEscape(window);
    int status = waitEnd(r.pid, 30);
    ASSERT_NE(status, -1);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(readFile(r.log).find("[*] Resolution set to 800x600:32@75\n"), std::string::npos);
}

}  // namespace
