/*
 * audio_drift.cpp - measures how far the audio layer's position strays from
 * the wall clock while a 65 s tone plays for 60 s (or the seconds given as
 * the first argument). Prints the driver, the largest and the final offset of
 * position minus wall-clock time, and the offset's change over the run (the
 * drift proper; a constant offset is only the device's latency estimate).
 *
 * Depends on: the audio layer (tvx_audio.h), the generated tone65s.mp3.
 */
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "tvx_audio.h"

static double wallMs(void)
{
    struct timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000.0 + t.tv_nsec / 1e6;
}

static void check(int r, const char *what)
{
    if (r != TVX_AUDIO_OK) {
        printf("%s: (%d) %s\n", what, r, tvx_audioErrorString(r));
        exit(1);
    }
}

int main(int argc, char **argv)
{
    int seconds = argc > 1 ? atoi(argv[1]) : 60;
    if (seconds < 1 || seconds > 64)
        seconds = 60;
    TvxAudioSystem *sys = nullptr;
    TvxAudioStream *stream = nullptr;
    TvxAudioChannel *ch = nullptr;
    check(tvx_audioCreate(&sys), "create");
    check(tvx_audioInit(sys, 1), "init");
    check(tvx_audioOpenStream(sys, CORE_MUSIC "/tone65s.mp3", &stream), "open");
    check(tvx_audioPlay(sys, stream, 0, &ch), "play");
    printf("driver %s (%s)\n", tvx_audioDriverName(sys),
           tvx_audioIsSilent(sys) ? "silent, wall clock" : "device position");

    /* The clock starts when the first frame is heard. */
    unsigned int pos = 0;
    while (pos == 0) {
        tvx_audioGetPosition(ch, &pos);
        struct timespec nap = {0, 1000000};
        nanosleep(&nap, nullptr);
    }
    double start = wallMs() - pos;
    double first = 0.0;
    double worst = 0.0;
    double offset = 0.0;
    for (int i = 0; wallMs() - start < seconds * 1000.0; i++) {
        struct timespec tick = {0, 25000000};
        nanosleep(&tick, nullptr);
        tvx_audioGetPosition(ch, &pos);
        offset = pos - (wallMs() - start);
        if (i == 0)
            first = offset;
        if (offset - first > worst || first - offset > worst)
            worst = offset > first ? offset - first : first - offset;
    }
    printf("over %d s: offset first %.1f ms, last %.1f ms; drift %.1f ms, largest %.1f ms\n",
           seconds, first, offset, offset - first, worst);
    return 0;
}
