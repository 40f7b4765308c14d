/*
 * main.cpp - the kolvane program: reads the options of frame-exact runs
 * (capture, benchmark), then hands the command line and the display function
 * to the framework, which never returns in normal use.
 */
#include <stdio.h>

#include "capture.h"
#include "timeline.h"
#include "tvx.h"

int main(int argc, char **argv)
{
    struct CaptureOptions options;
    char message[512];
    if (captureParseOptions(argc, argv, &options, message, sizeof(message)) != 0) {
        fprintf(stderr, "kolvane: %s\n", message);
        return 2;
    }
    if (options.help) {
        fputs(captureUsage(), stdout);
        return 0;
    }
    tvx_setSceneInfo(sceneInfo);
    tvx_init(argc, argv, captureStart(&options));
    return 0;
}
