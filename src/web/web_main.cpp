/*
 * web_main.cpp - the kolvane program in a web page: the command line the
 * page made from its URL parameters is read like the native one (a refused
 * one ends with status 2), the frame-exact mode of the page's tests is set
 * up, and the framework starts as natively (tvx_init, whose main loop runs
 * on the browser's animation frames).
 *
 * Frame-exact mode (the page's "fps" and "to"): the demo runs on the frame
 * clock at fps frames a second of demo time, without music, as a native
 * capture does; the first frame at or past demo time "to" is not drawn: the
 * frame before it stays on the canvas and the page's title becomes
 * "kolvane: done". Without "to" the demo plays to its end.
 *
 * Depends on: the tvx framework, the timeline (drawScene and the viewer
 * hooks), the web layer's freeglut (the idle callback), emscripten (the
 * page's parameters).
 */
#include <GL/freeglut.h>
#include <emscripten.h>

#include <stdio.h>

#include "timeline.h"
#include "tvx.h"

/* ---- State ---------------------------------------------------------------------- */

static int stopAt = -1;   /* demo ms of the first frame not drawn; -1: the demo's end */
static int frameFps = 0;

/* ---- Internal helpers ------------------------------------------------------------- */

EM_JS(void, pageDone, (void), {
    document.title = 'kolvane: done';
});

/* Runs after each finished frame: the next one would be at or past "to". */
static void frameDone(void)
{
    static int frames = 0;
    frames++;
    if (stopAt < 0 || queue < 0)
        return;
    int next = tvx_getTime() + 1000 / frameFps;
    if (next < stopAt)
        return;
    printf("[*] frame-exact run held at demo time %d ms after %d frames\n", tvx_getTime(), frames);
    glutIdleFunc(nullptr);   /* no more frames; the loop and the runtime stay */
    pageDone();
}

/* ---- Public functions ------------------------------------------------------------- */

/* The demo clock in ms, for the page's tests. */
extern "C" EMSCRIPTEN_KEEPALIVE int web_demoTime(void)
{
    return tvx_getTime();
}

int main(int argc, char **argv)
{
    struct tvx_options options;
    if (tvx_readOptions(argc, argv, &options) != 0) {
        printf("kolvane: %s\n", options.error);
        return 2;
    }
    int fps = EM_ASM_INT({ return Module['kolvaneFps'] | 0; });
    double to = EM_ASM_DOUBLE({ return Module['kolvaneTo'] === undefined ? -1 : +Module['kolvaneTo']; });
    if (fps > 0) {
        tvx_setFrameClock(fps);
        frameFps = fps;
        if (to >= 0.0)
            stopAt = (int)(to * 1000.0 + 0.5);
        tvx_setFrameHook(frameDone);
    }
    tvx_setSceneHooks(sceneInfo, sceneJump);
    tvx_init(argc, argv, drawScene);
    return 0;
}
