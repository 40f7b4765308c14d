/*
 * main.cpp - the kolvane program: reads the command line (refusing a wrong
 * one with status 2, printing --help or --version), sets up a frame-exact run when one is
 * asked for, enters the data root (which the models' file names may not
 * leave either), then hands the command line and the display function to
 * the framework, which never returns in normal use.
 */
#include <stdio.h>

#include "capture.h"
#include "glm.h"
#include "timeline.h"
#include "tvx.h"

int main(int argc, char **argv)
{
    struct tvx_options options;
    if (tvx_readOptions(argc, argv, &options) != 0) {
        fprintf(stderr, "kolvane: %s\n", options.error);
        return 2;
    }
    if (options.help) {
        tvx_printUsage("kolvane");
        return 0;
    }
    if (options.version) {
        printf("kolvane %s\n", KOLVANE_VERSION);
        return 0;
    }
    tvx_setSceneHooks(sceneInfo, sceneJump);
    tvx_enterDataRoot();
    glmSetDataRoot(".");
    tvx_init(argc, argv, captureStart(&options));
    return 0;
}
