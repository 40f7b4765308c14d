/*
 * pace_sim.h - scripted timelines of a sound device's buffer requests and
 * what the audio layer makes of them: the pacer's skips and the heard
 * position, sampled every millisecond of wall-clock time. Shared by the pacing
 * tests and the audio_pace measurement.
 *
 * Depends on: the audio layer (tvx_audio.h: tvx_audioPace, tvx_audioHeardFrame).
 */
#ifndef PACE_SIM_H
#define PACE_SIM_H

#include <cmath>
#include <random>
#include <vector>

#include "tvx_audio.h"

namespace pacesim {

const int RATE = 44100;
const long long PERIOD = 4096;   /* frames a request, as the layer asks for */

/* How a device asks for its buffers over `seconds`: its clock off by `ppm`,
 * each request up to `jitter` s early or late, request `early` (if >= 0) one
 * period early, requests `burst` to `burst` + 3 (if >= 0) held back and then
 * asked for at once, and everything from `stallAt` s on (if > 0) `stall` s
 * late, as when the device thread is starved of CPU. */
struct Device {
    double seconds = 60.0;
    double ppm = 0.0;
    double jitter = 0.0;
    int early = -1;
    int burst = -1;
    double stallAt = 0.0;
    double stall = 0.0;
};

inline std::vector<double> requestTimes(const Device &d)
{
    std::mt19937 random(14);
    std::uniform_real_distribution<double> spread(-d.jitter, d.jitter);
    double period = PERIOD / (double)RATE * (1.0 + d.ppm * 1e-6);
    std::vector<double> times;
    for (int k = 0; k * period < d.seconds; k++) {
        double t = k * period + (d.jitter > 0.0 ? spread(random) : 0.0);
        if (k == d.early)
            t -= period;
        if (d.burst >= 0 && k >= d.burst && k <= d.burst + 3)
            t = (d.burst + 3) * period;
        if (d.stall > 0.0 && k * period >= d.stallAt)
            t += d.stall;
        times.push_back(t);
    }
    return times;
}

struct Run {
    int skips = 0;
    long long skipped = 0;   /* frames */
    bool monotonic = true;   /* the heard position never went back */
    double finalDrift = 0.0; /* heard minus wall-clock time at the end, s */
    double worstDrift = 0.0; /* the largest such difference, either sign, s */
};

/* Plays the timeline through the pacer; the heard position is taken without
 * a floor, so that going back would show. Wall-clock time starts at the
 * first request; the heard time, one buffer of latency later. */
inline Run play(const std::vector<double> &times)
{
    Run run;
    TvxAudioPacer pacer = {};
    long long next = 0;
    long long bufferFrame = 0;
    double bufferTime = 0.0;
    long long last = -1;
    double latency = PERIOD / (double)RATE;
    size_t k = 0;
    double end = times.back();
    for (int ms = 0; ms <= (int)(end * 1000.0); ms++) {
        double now = ms / 1000.0;
        for (; k < times.size() && times[k] <= now; k++) {
            long long skip = tvx_audioPace(&pacer, times[k], next, RATE);
            if (skip > 0) {
                run.skips++;
                run.skipped += skip;
                next += skip;
            }
            bufferFrame = next;
            bufferTime = times[k];
            next += PERIOD;
        }
        if (k == 0)
            continue;
        long long heard = tvx_audioHeardFrame(bufferFrame, PERIOD, PERIOD, now - bufferTime, RATE, 0);
        if (heard < last)
            run.monotonic = false;
        last = heard;
        double drift = heard / (double)RATE - (now - latency);
        if (now > latency + PERIOD / (double)RATE && std::fabs(drift) > std::fabs(run.worstDrift))
            run.worstDrift = drift;
        run.finalDrift = drift;
    }
    return run;
}

}  // namespace pacesim

#endif
