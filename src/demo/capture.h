/*
 * capture.h - frame-exact runs of the demo: capture to video or to PNG
 * frames, and the benchmark.
 *
 * Both run the demo on the framework's frame clock: every drawn frame moves
 * the demo time on by exactly 1000/fps ms, frames are drawn as fast as the
 * machine can, and no audio device is opened. A capture reads every finished
 * frame back (after the motion blur) and pipes it to ffmpeg, which muxes the
 * music in, or writes it as a PNG file; the benchmark times every frame's CPU
 * work plus glFinish and prints per-scene figures when the run ends.
 */
#ifndef CAPTURE_H
#define CAPTURE_H

/* What the command line asks for, beside the framework's own options. */
struct CaptureOptions {
    const char *output;     /* --capture OUT: a .mp4/.mkv file, or a pattern with %d */
    int bench;              /* --bench */
    const char *json;       /* --json FILE, with --bench */
    int fps;                /* --fps N, 60 unless given */
    double to;              /* --to SECONDS of demo time; negative: the demo's end */
    int help;               /* --help */
};

/* Parses the options that begin with "--". Returns 0 when they are valid and
 * writes a message for the first one that is not, otherwise. The framework's
 * own options (-w, -h, -nf, -m, -s) and their values are left to it. */
int captureParseOptions(int argc, char **argv, struct CaptureOptions *options,
                        char *message, int size);

/* The text that --help prints. */
const char *captureUsage(void);

/* Sets up a capture or benchmark run before the framework starts: the frame
 * clock, the frame hook, and the report written when the process ends.
 * Returns the display function to hand to the framework. */
void (*captureStart(const struct CaptureOptions *options))(void);

#endif
