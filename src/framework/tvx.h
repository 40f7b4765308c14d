/*
 * tvx.h - the public interface of the tvx framework.
 *
 * Start-up and main loop, the demo clock and music, textures and screen quads,
 * the shader program table, render targets and lights, text, and noise.
 * Everything runs on the single thread of the freeglut main loop; fatal
 * errors print one tagged line and end the process with status -1 (255).
 *
 * Depends on: OpenGL (through GLEW), freeglut, libgd, FTGL, the audio layer
 * (tvx_audio.h, on SDL2 and libmpg123).
 */
#ifndef TVX_H
#define TVX_H

#include <stddef.h> /* size_t */

/* ---- Start-up, command line and main loop (tvx_core.cpp) ---------------- */

extern int tvx_globalX;   /* current window width in pixels, 0 until the first reshape */
extern int tvx_globalY;   /* current window height in pixels */
extern int S_SCENE;       /* scene at which the demo starts (-s) */
extern int SOUND_ON;      /* music enabled; -m clears it */

void tvx_init(int argc, char **argv, void (*display)(void));
void tvx_initRendering(void);
void tvx_handleResize(int width, int height);
void tvx_update(int value);
void tvx_systemCheck(int *flag);
void dprint(const char *message, int enabled);
float tvx_Get(unsigned int type);

/* --letterbox: from the next reshape on, the picture is the largest 16:9
 * one, in whole pixels, centred in the window (tvx_letterboxFit); the bars
 * around it stay black. tvx_globalX and tvx_globalY then hold the picture's
 * size, not the window's. */
void tvx_setLetterbox(int on);
void tvx_letterboxFit(int width, int height, int *x, int *y, int *pictureWidth, int *pictureHeight);
/* Back to the picture on the screen: a width x height viewport where the
 * picture begins (the window's corner without --letterbox). */
void tvx_pictureViewport(int width, int height);
/* Where the picture begins in the window: its bottom-left pixel. */
void tvx_pictureOrigin(int *x, int *y);

/* A function to run at every frame end, after the motion blur, before the swap. */
void tvx_setFrameHook(void (*hook)(void));
/* The frame end: the frame hook, the viewer's frame end (screenshot, then
 * overlay), the buffer swap, then one step of the frame clock. */
void tvx_swapBuffers(void);

/* ---- Command line (tvx_options.cpp) ------------------------------------- */

/* The command line, read through one table of options. The framework's own
 * options follow their old rules: -w and -h, the first usable value wins
 * and both are needed; -s, the last one wins; an option given last without
 * its value is ignored; every argument, values included, is also compared
 * with the option names. Options of frame-exact runs (--capture, --bench,
 * --json, --fps, --to), --help and --version are checked: an unknown "--" option, a
 * missing or wrong value, or a combination that makes no sense refuses the
 * command line. Other arguments are ignored. */
struct tvx_options {
    int width;            /* window width: -w when both -w and -h are given, else 640 */
    int height;           /* window height: -h, else 480 */
    int gameWidth;        /* size named by the game-mode string (1280 x 800 by default) */
    int gameHeight;
    int fullscreen;       /* 1 unless -nf */
    int soundOn;          /* 0 with -m */
    int startScene;       /* -s, the last one wins */
    char gameMode[100];   /* "WxH:32@75" */
    int requestedWidth;   /* -w, the first usable one; 0 when none was given */
    int requestedHeight;  /* -h likewise */
    const char *capture;  /* --capture OUT: a .mp4/.mkv file, or a PNG pattern with %d */
    int bench;            /* --bench */
    const char *json;     /* --json FILE, with --bench */
    int fps;              /* --fps N, 60 unless given */
    double to;            /* --to SECONDS of demo time; negative: the demo's end */
    int help;             /* --help */
    int version;          /* --version */
    int loop;             /* --loop */
    int audioOffset;      /* --audio-offset MS */
    int letterbox;        /* --letterbox */
    float scale;          /* --scale: 0.25 to 1 fixed, 0 auto; -1 when not given (auto) */
    const char *stats;    /* --stats FILE */
    char error[256];      /* why the command line was refused; "" when it was not */
    char notes[1024];     /* "[/] " lines: what was taken in place of a value or option
                             that could not be used as written; "" when none */
};
/* Reads the command line into options without printing anything. Returns 0,
 * or 1 when it is refused (the reason in options->error). */
int tvx_readOptions(int argc, char **argv, struct tvx_options *options);
/* tvx_readOptions, then the notes and the resolution line tvx_init prints;
 * needs no display. Returns what tvx_readOptions returned. */
int tvx_parseOptions(int argc, char **argv, struct tvx_options *options);
/* Prints the --help text, one entry per row of the table, to standard output. */
void tvx_printUsage(const char *program);
/* The number of scenes the demo plays, for the range of -s that the --help
 * text gives ("0 to count - 1"); until it is set, no range is given. */
void tvx_setSceneCount(int count);
/* Splits a frame pattern at its one %d (or %0Nd) into the text before and
 * after it, "%%" standing for a percent sign; *digits gets N (0 for %d).
 * Returns 0 when the pattern holds no %d, another conversion, or more text
 * than room bytes. */
int tvx_splitFramePattern(const char *pattern, char *prefix, char *suffix, size_t room,
                          int *digits);

/* ---- Data root and output paths (tvx_paths.cpp) ------------------------ */

/* Finds the folder that holds data/ and tools/ (the KOLVANE_DATA variable
 * alone when it is set; else the working directory when it holds data/shader/,
 * the installed program's data folder, or the checkout a program in its build
 * tree was built from, in that order) and makes it the working directory,
 * remembering the directory the program was started in. Fatal when there is
 * none: the "[!] " line names every place looked in, in that order. */
void tvx_enterDataRoot(void);
/* Where an output file the user named goes: a relative path is taken from the
 * directory the program was started in, an absolute one is kept. Writes the
 * path into out and returns it; nullptr (errno ENAMETOOLONG) when it does not
 * fit in size bytes. */
const char *tvx_userPath(const char *path, char *out, int size);

/* ---- Input and output files (tvx_files.cpp) ----------------------------- */

/* Opens an input file for reading without ever waiting: only a regular file
 * (or a link to one) is taken. Returns the descriptor with the file's size in
 * *size, or -1 with *why a short reason for a console line ("a FIFO (named
 * pipe), not a file", "a directory, not a file", or the system's text). */
int tvx_openRegular(const char *path, size_t *size, const char **why);
/* A whole input file in memory, opened as tvx_openRegular opens it: at most
 * the size it had when opened, refused when that is above limit bytes. The
 * bytes (malloc'd) are followed by a NUL that *size does not count. 0, or -1
 * with *why set and errno ENOENT for a missing file. */
int tvx_readFile(const char *path, size_t limit, unsigned char **bytes, size_t *size,
                 const char **why);
/* An output file written whole or not at all: tvx_beginOutput makes a new,
 * empty file under a temporary name of its own beside path (".NAME.XXXXXX",
 * written into temp) and returns its descriptor; tvx_endOutput renames it to
 * path, so the complete file replaces an old one at once; tvx_dropOutput
 * removes it (nothing for an empty temp). -1 (or non-zero) with errno set on
 * failure. */
int tvx_beginOutput(const char *path, char *temp, size_t room);
int tvx_endOutput(const char *temp, const char *path);
void tvx_dropOutput(const char *temp);

/* ---- Demo clock, music, pause and seeking (tvx_clock.cpp) --------------- */

extern unsigned int SONGLENGTH;   /* music length in ms, known once it starts */
extern int SOUND_PAUSED;          /* music paused (music on) */
extern int SOUND_MUTE_START;      /* non-zero once the mute clock runs */
extern int SOUND_MUTE_PAUSE;      /* mute clock paused (music off) */
extern int SOUND_MUTE_TIMER;      /* the mute clock in ms */
extern float SCENE_TIME[100];     /* registered scene durations in seconds */
extern int DEMO_LENGTH;           /* sum of the registered durations in ms */

void tvx_loadMusic(const char *path);
void tvx_startMusic(void);
void tvx_skipTo(int ms);
int tvx_getTime(void);
void tvx_setDemoLength(float seconds);
void tvx_fmod_errcheck(int result);
void tvx_handleKeypress(unsigned char key, int x, int y);
void tvx_handleSpecialKeys(int key, int x, int y);

/* Where the demo time comes from: the music's position (music on), the mute
 * clock (-m; 25 ms per timer tick) or the frame clock of a frame-exact run
 * (capture, benchmark; 1000/fps ms per drawn frame). SOUND_ON keeps the
 * music flag in every case. */
enum tvx_clockSource { TVX_CLOCK_MUSIC, TVX_CLOCK_MUTE_TIMER, TVX_CLOCK_FRAMES };
enum tvx_clockSource tvx_clockSource(void);
/* Called before tvx_init with fps > 0, it makes the frame clock the source:
 * frames follow each other without the timer's wait, no audio device is
 * opened and a window of the requested size stands in for game mode. The
 * frame clock starts with tvx_startMusic, pauses with Space and seeks like
 * the mute clock. 0 puts the source back on the music flag. */
void tvx_setFrameClock(int fps);
/* One step of the frame clock, when it is the source, running and not paused. */
void tvx_stepFrameClock(void);
/* This frame's duration in timer periods: 1 in a live run, (1000/fps) / 25
 * on the frame clock. Effects that step once per drawn frame scale by it. */
float tvx_framePeriods(void);
/* 1 while the clock is paused (Space): the music's or the silent clock's. */
int tvx_clockPaused(void);
/* --audio-offset: with music on, the picture runs ms behind the music
 * (ahead when negative): tvx_getTime reads the music's position minus ms,
 * never below 0, and tvx_skipTo puts the music ms past the time it is given. */
void tvx_setAudioOffset(int ms);

/* ---- Textures and screen quads (tvx_texture.cpp) ------------------------ */

unsigned int tvx_loadPNG(const char *path);
/* A decoded picture: tightly packed rows in file order (top row first for a
 * PNG), `channels` bytes a pixel (4 for a PNG, 3 or 4 for a TGA), malloc'd. */
struct tvx_picture {
    int width;
    int height;
    int channels;
    unsigned char *pixels;
};
/* The readers behind tvx_loadPNG and tvx_loadTGA (tvx_picture.cpp); they need
 * no OpenGL. A picture whose header claims a side above maxSide is refused
 * before it is decoded. 0 on success; -1 with the loader's fatal console line
 * in message (at most size bytes) otherwise. */
int tvx_readPNG(const char *path, int maxSide, struct tvx_picture *picture, char *message,
                size_t size);
int tvx_readTGA(const char *path, int maxSide, struct tvx_picture *picture, char *message,
                size_t size);
unsigned int tvx_loadTGA(const char *path);
unsigned int tvx_loadBlack(void);
void tvx_draw2DTexture(float x, float y, float z, float w, float h, unsigned int texture);
/* tvx_draw2DTexture's quad alone, in the texture state the caller set up:
 * for many quads of one texture. */
void tvx_draw2DTextureQuad(float x, float y, float z, float w, float h);

/* ---- Shader program table (tvx_shader.cpp) ------------------------------ */

char *loadFile(const char *path);
int tvx_loadShader(const char *vertexPath, const char *fragmentPath);
void tvx_enableShader(int id);
void tvx_disableShader(void);
void tvx_shader_sendUniformValue(int id, const char *name, const float *values, int count);
/* Points the sampler of the given name in program id at a texture unit. */
void tvx_shader_sendSampler(int id, const char *name, int unit);
/* Programs kept beside the table (the bloom pass's glow, the bakes of
 * procedural surfaces, variants of a table's program): built from their
 * files like a table's program, with "#define <define>" after the #version
 * line of each stage when define is given (a string that lives on), and
 * reloaded with the table, but holding none of its ids. Returns a handle for
 * tvx_ownProgram, which gives the program to use. */
int tvx_loadOwnShader(const char *vertexPath, const char *fragmentPath, const char *define);
unsigned int tvx_ownProgram(int handle);
/* A step of an own program over the whole of a render target (the glow, a
 * bake): tvx_beginOwnStep saves the bindings (framebuffers, textures), the
 * program, the viewport and the state it changes, sets a plain state (no
 * depth test, blending, scissor or culling; unit 0 active) and the program,
 * and returns it; tvx_ownStepQuad covers the viewport (for
 * data/shader/quad.vert); tvx_endOwnStep puts back what was saved. Not
 * nested. */
unsigned int tvx_beginOwnStep(int handle);
void tvx_ownStepQuad(void);
void tvx_endOwnStep(void);
/* Reads every program's files again and rebuilds the programs whose sources
 * changed; one that no longer compiles or links keeps its old program and
 * prints its log as "[/] " lines. */
void tvx_reloadShaders(void);

/* ---- Render targets and lights (tvx_target.cpp) ------------------------- */

int tvx_loadFBO(int width, int height);
/* The picture the demo draws is width x height now, at the render scale
 * scale: the targets made at its size (W x H) keep to it, and the others
 * (of a fixed size) are drawn at their size times the scale. */
void tvx_fitPictureTargets(int width, int height, float scale);
unsigned int tvx_enableFBO(int id, float r, float g, float b);
void tvx_disableFBO(float w, float h, float r, float g, float b);
/* tvx_disableFBO without the window's clear, for a target's pass that
 * another target's pass follows before anything is drawn in the window. */
void tvx_leaveFBO(float w, float h, float r, float g, float b);
void tvx_setLightData(float *row, float a, float b, float c, float d);
void tvx_setAmbientLight(float r, float g, float b, float a);
void tvx_enableLight(float *light, int i);
void tvx_setLight0(int on);

/* ---- The bloom pass's glow (tvx_glow.cpp) -------------------------------- */

/* Loads the glow's programs (done by tvx_makeGlow too, when not yet done). */
void tvx_loadGlow(void);
/* Works out the halo of a picture texture at a reduced size and binds
 * it to texture unit 1, for a bloom shader's "glow" sampler; every other
 * state (framebuffer, viewport, program, unit 0's texture) is left as it was. */
void tvx_makeGlow(unsigned int texture);

/* ---- Baked surfaces (tvx_bake.cpp) -------------------------------------- */

/* Draws a procedural surface once into a cube map of size x size pixels a
 * face, with the framework's own program of data/shader/quad.vert and the
 * given fragment stage (which gets the face's directions "faceOut",
 * "faceRight" and "faceUp" and "st" across it); returns the cube map. */
unsigned int tvx_bakeCubeMap(const char *fragmentPath, int size);
/* Draws every baked surface again from its program (after a shader reload). */
void tvx_rebakeSurfaces(void);

/* ---- Where a frame is drawn: picture target, scale, blur (tvx_frame.cpp) */

/* The picture's place in the window (the window, or the letterboxed part of
 * it), from the reshape: tvx_globalX and tvx_globalY become its size at the
 * render scale. */
void tvx_setPictureSize(int width, int height);
/* At a frame start: takes up the render scale, binds where the frame is
 * drawn and sets the picture's viewport. That is the window, or the picture
 * target: while the render scale is below 1 (the picture is then smaller
 * than its place in the window), and while the motion blur is on (it was in
 * the last frame), so that the blur reads the frame without copying it out
 * of the window. */
void tvx_beginFrame(void);
/* The framebuffer that stands for the window in this frame: 0, or the
 * picture target between tvx_beginFrame and tvx_motionBlur. Binding the
 * window means binding this. */
unsigned int tvx_pictureFramebuffer(void);
/* At a frame end, before the swap: blends the finished frame (in the window's
 * back buffer or the picture target) into the blur history (history x weight
 * + frame x (1 - weight); in half floats where the weight is high enough
 * for 8-bit rounding to leave a trail behind) and puts the history in the
 * back buffer, stretched to its place when the scale is below 1. Weight 0,
 * or one too small to move an 8-bit level (below 1/510), leaves the frame as
 * it is; the first blurred frame after it (or after a change of scale)
 * starts the history anew from itself. Leaves the window bound. */
void tvx_motionBlur(float weight);
/* For a frame whose picture is finished by one last draw, made just before
 * tvx_motionBlur with the same weight: binds the blur history in place of the
 * picture, with the picture's depth buffer, and a blend that weighs the draw
 * straight in (source x alpha + history x weight), and returns the share of
 * the frame (1 - weight; 1 where the history starts anew). The history is
 * weighed only where the draw lands, so the draw must reach every pixel of
 * the picture once (black where it shows nothing). The caller multiplies its
 * alpha by the share (a premultiplied draw sets the source factor GL_ONE and
 * multiplies its colour too) and adds what lies under it in the picture
 * itself (tvx_pictureTexture), which is black where nothing was drawn.
 * Returns 0 and changes nothing where the frame is not blurred that way (not
 * drawn off the window, or no blur): the caller then draws as usual. The
 * blend function and colour are the caller's to put back. */
float tvx_historyDraw(float weight);
/* The colour of the picture target while the frame is drawn there (the
 * window's stand-in; see tvx_pictureFramebuffer), else 0. */
unsigned int tvx_pictureTexture(void);
/* Drops the history (a reshape does): the next frame is blended with black. */
void tvx_dropMotionBlur(void);

/* ---- The render scale of live runs (tvx_scale.cpp) ---------------------- */

#define TVX_SCALE_FRAMES 9   /* frames whose median decides a step of the scale */
#define TVX_SCALE_QUICK 3    /* as many frames all far too slow step down at once */

/* The automatic choice of the render scale, plain data so that tests can
 * drive it: the scale, and the times of the frames drawn at it since its
 * last step. */
struct tvx_scaleControl {
    float scale;
    double frameMs[TVX_SCALE_FRAMES];
    int count;
};
void tvx_scaleReset(struct tvx_scaleControl *c, float scale);
/* One frame of frameMs at the present scale; returns the scale of the frames
 * to come. Every TVX_SCALE_FRAMES frames it takes a step on their median:
 * down by 1/32 to 1/16 while they take longer than the period allows (never
 * below 0.5), up by 1/32 while they would still fit at the next step up.
 * When the last TVX_SCALE_QUICK frames all took half as long again as the
 * period allows, it steps down on them without waiting for the rest. */
float tvx_scaleStep(struct tvx_scaleControl *c, double frameMs);
/* --scale: a scale from 0.25 to 1 fixes it; 0 (auto) lets the frame times
 * choose it. */
void tvx_setRenderScale(float scale);
/* The scale of the next frame: 1 in frame-exact runs (capture, benchmark). */
float tvx_renderScale(void);
/* A side of side pixels at the scale, in whole pixels, at least one. */
int tvx_scaledSide(int side, float scale);
int tvx_renderScaleIsAutomatic(void);
/* The start and the end (after the swap) of every frame, for its time. */
void tvx_frameBegins(void);
void tvx_frameEnds(void);

/* ---- Statistics of live runs (tvx_stats.cpp) ---------------------------- */

/* --stats FILE: from now on, once a second, one line of JSON: the demo time
 * in ms, the scene, the frames drawn in that second, their mean and worst
 * frame time in ms and the render scale. Each line reaches the file whole in
 * one write, so a run killed at any moment leaves only whole lines. A file
 * that cannot be made gets a "[/] " line and the run goes on without it. */
void tvx_openStats(const char *path);
/* At every frame end, after the swap. */
void tvx_statsFrameEnd(void);

/* ---- Text (tvx_text.cpp) ------------------------------------------------ */

namespace FTGL { typedef struct _FTGLfont FTGLfont; }   /* FTGL's font handle */
enum tvx_fontKind { TVX_FONT_POLYGON, TVX_FONT_PIXMAP };
/* A new FTGL font of the rounded face "tools/crounded.ttf", which is read
 * once and kept in memory. A face that cannot be read (missing, a FIFO, a
 * directory) or that FreeType cannot open ends the process with a "[!] "
 * line naming it. */
FTGL::FTGLfont *tvx_createFont(enum tvx_fontKind kind);
/* Makes the captions' polygon font now, as the first caption otherwise
 * would: the start-up does it, so a broken face stops the demo at once. */
void tvx_loadFont(void);

void tvx_drawPolygonText(const char *text, float x, float y, float z);
void tvx_typeWriterText(const char *message, float x, float y, float z);
void tvx_infoText(void);
int tvx_loadTextureFont(const char *path, int count);
void tvx_text(const char *text, float spacing, float x, float y, float z,
              float rx, float ry, float rz);
void tvx_testTextureFont(void);

/* ---- Viewer controls (tvx_viewer.cpp) ----------------------------------- */

/* What the demo tells the viewer controls: the scene that plays (-1 while
 * loading), its name and its scene time in seconds, for the overlay; and
 * the demo time in ms where a scene jump lands (direction 1 the next
 * scene's start, -1 the previous one's, 0 the demo's start; -1 for none). */
void tvx_setSceneHooks(int (*info)(const char **name, float *sceneSeconds),
                       int (*jumpTarget)(int direction));
/* The scene that plays: -1 while loading (or before the hooks are set). */
int tvx_playingScene(void);
/* Tab toggles the overlay; F12 asks for a screenshot of the next finished
 * frame, F5 reloads the shaders, Page Down, Page Up and Home jump to the
 * next scene, the previous one and the demo's start through tvx_seekPicture.
 * 1 when the key was one of these. */
int tvx_viewerKey(unsigned char key);
int tvx_viewerSpecialKey(int key);
/* At every frame end, after the motion blur and the frame hook, before the
 * swap: the screenshot asked for (written to "kolvane-<demo ms>.png" on a
 * thread of its own), then the overlay when it is on. */
void tvx_viewerFrameEnd(void);
/* --loop: the demo's end runs the program again with the same command line
 * (a copy of argv as main got it, made before glutInit changes argv) instead
 * of ending it. */
void tvx_setLoop(int loop, int argc, char **argv);
/* The demo's end: leaves game mode and ends the process with status 0, or
 * with --loop starts the demo again in a fresh process. */
void tvx_demoEnd(void);

/* ---- Noise and interpolation (tvx_noise.cpp) ---------------------------- */

float tvx_noise(int x, int y, int seed);
float tvx_smoothed1DNoise(int x, int seed);
float tvx_smoothed2DNoise(int x, int y, int seed);
float tvx_1DcosInterpolate(float a, float b, float t);
float tvx_cos_interpolate(float a, float b, float t);
float tvx_1D_CosNoise(float x, int seed);
float tvx_2D_CosNoise(float x, float y, int seed);
float tvx_perlin2DNoise(float x, float y, int seed);
float tvx_random(void);
float tvx_sawWave(float x);

/* ---- Model probe (tvx_objprobe.cpp) -------------------------------------- */

struct tvx_mtlFile { const char *name; };
int tvx_loadObjModel(const char *path);
void readMtlToObj(struct tvx_mtlFile *file);

#endif
