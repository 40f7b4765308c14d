/*
 * capture.h - frame-exact runs of the demo: capture to video or to PNG
 * frames, and the benchmark.
 *
 * Both run the demo on the framework's frame clock: every drawn frame moves
 * the demo time on by exactly 1000/fps ms, frames are drawn as fast as the
 * machine can, and no audio device is opened. A capture reads every finished
 * frame back (after the motion blur) and pipes it to ffmpeg, which muxes the
 * music in unless -m was given, or writes it as a PNG file; the benchmark
 * times every frame's CPU work plus glFinish and prints per-scene figures
 * when the run ends. The options (--capture, --bench, --json, --fps, --to)
 * are read with the others by tvx_readOptions.
 */
#ifndef CAPTURE_H
#define CAPTURE_H

#include "tvx.h"   /* struct tvx_options */

/* Sets up a capture or benchmark run before the framework starts, when the
 * options ask for one: the frame clock, the frame hook, and the report
 * written when the process ends. Returns the display function to hand to
 * the framework (drawScene itself in a live run). */
void (*captureStart(const struct tvx_options *options))(void);

#endif
