/*
 * audio_pace.cpp - how far the heard position strays from the wall clock
 * over 60 s of scripted device request timelines (a steady device, its clock
 * 200 ppm slow or fast, +-35 ms of jitter, one early request, a burst, a
 * 500 ms stall, and all of them together), through the audio layer's pacer.
 * Prints per timeline the skips, the frames skipped, the largest and the
 * final difference of heard minus wall-clock time. A measurement, not a test.
 *
 * Depends on: pace_sim.h (the timelines), the audio layer.
 */
#include <cstdio>

#include "pace_sim.h"

int main()
{
    using pacesim::Device;
    Device steady, slow, fast, jitter, early, burst, stall, all;
    slow.ppm = 200.0;
    fast.ppm = -200.0;
    jitter.jitter = 0.035;
    early.early = 100;
    burst.burst = 100;
    stall.stallAt = 20.0;
    stall.stall = 0.5;
    all = stall;
    all.ppm = 200.0;
    all.jitter = 0.035;
    all.early = 50;
    all.burst = 300;
    struct Case {
        const char *name;
        Device device;
    } cases[] = {{"steady", steady},      {"device 200 ppm slow", slow}, {"device 200 ppm fast", fast},
                 {"jitter +-35 ms", jitter}, {"one early request", early}, {"burst of 4", burst},
                 {"stall 500 ms at 20 s", stall}, {"all of them", all}};
    printf("%-22s %6s %10s %12s %12s %10s\n", "timeline (60 s)", "skips", "skipped ms",
           "worst ms", "final ms", "monotonic");
    for (const Case &c : cases) {
        pacesim::Run run = pacesim::play(pacesim::requestTimes(c.device));
        printf("%-22s %6d %10.1f %12.1f %12.1f %10s\n", c.name, run.skips,
               run.skipped * 1000.0 / pacesim::RATE, run.worstDrift * 1000.0,
               run.finalDrift * 1000.0, run.monotonic ? "yes" : "NO");
    }
    return 0;
}
