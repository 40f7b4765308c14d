/*
 * capture_run.h - what the tests of the frame-exact modes share: running the
 * kolvane program as a child process, scratch folders, RGB frames read from
 * and written to PNG files, the golden-frame comparison, and a private X
 * display for the live runs.
 *
 * Depends on: the kolvane executable (built beside the tests), libpng, Xvfb.
 */
#ifndef CAPTURE_RUN_H
#define CAPTURE_RUN_H

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

#include "test_display.h"   /* the live run's private Xvfb */

/* How one run of kolvane ended. */
struct KolvaneRun {
    int status;         /* exit status; -1 when killed by a signal or the time limit */
    std::string out;    /* standard output */
    std::string err;    /* standard error */
};

/* Environment variables set for a child, name and value. */
typedef std::vector<std::pair<std::string, std::string>> ChildEnv;

/* Runs kolvane from the repository root with the arguments and waits for it
 * at most timeoutSeconds (then kills it). */
KolvaneRun runKolvane(const std::vector<std::string> &args, int timeoutSeconds,
                      const ChildEnv &env = ChildEnv());

/* Runs a program (an installed kolvane, cpack) from the folder dir, like runKolvane. */
KolvaneRun runProgram(const std::string &exe, const std::vector<std::string> &args,
                      const std::string &dir, int timeoutSeconds, const ChildEnv &env = ChildEnv());

/* Starts kolvane in the background with its standard output and error going
 * to logPath, in workDir (the repository root when empty), which then is its
 * data root too; returns its process id. */
pid_t startKolvane(const std::vector<std::string> &args, const std::string &logPath,
                   const ChildEnv &env, const std::string &workDir = "");

/* A working directory for a run whose shaders the test may edit: data/ holds
 * links to the repository's assets except data/shader/, which is a copy, and
 * tools/ links to the font's folder. Empty on failure. */
std::string makeEditableDataDir(const char *tag);

/* Waits up to timeoutSeconds for a child; its exit status, or -1 when it was
 * killed by a signal or had to be killed at the time limit. */
int waitChild(pid_t pid, int timeoutSeconds);

/* A fresh folder under /tmp, and its removal with everything in it. */
std::string makeScratchDir(const char *tag);
void removeScratchDir(const std::string &path);

std::string readText(const std::string &path);
bool fileExists(const std::string &path);

/* Standard output of a shell command. */
std::string shellOutput(const std::string &command);

/* An 8-bit RGB picture, rows top first. */
struct Frame {
    int width;
    int height;
    std::vector<unsigned char> rgb;
};

bool readFrame(const std::string &path, Frame *frame);
bool writeFrame(const std::string &path, const Frame &frame);

/* How far two frames of one size are apart: the largest difference of one
 * colour channel of one pixel (0 to 255, with its place), and the mean of the
 * channel differences over the whole frame. */
struct FrameDifference {
    int worst;
    int worstX;
    int worstY;
    double mean;
};

/* The golden-frame tolerance: a rendered frame matches its reference when no
 * channel of any pixel is more than PIXEL_BOUND levels off and the channel
 * differences average at most MEAN_BOUND levels. */
extern const int PIXEL_BOUND;
extern const double MEAN_BOUND;

FrameDifference compareFrames(const Frame &a, const Frame &b);
bool withinTolerance(const FrameDifference &d);

#endif
