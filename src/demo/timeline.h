/*
 * timeline.h - the demo timeline: the table of scenes, the frame driver
 * that plays it, and the vocabulary every scene block shares.
 *
 * The scenes are one table of records in playing order (demoScenes,
 * timeline.cpp): each row gives a scene's name, its duration, its block and
 * its set-ups. Everything that counts or names the scenes (sceneTime, the
 * demo length registered with the framework, the start scene's range, the
 * overlay's names, the scene jumps, the benchmark's rows) comes from the
 * table played. drawScene runs one frame: frame start, the staged loader,
 * the block of the scene that plays with the scene-end rules after it,
 * frame end. docs/writing-a-scene.md says how a scene is added.
 *
 * The passes and assets several scenes share have modules of their own:
 * scene_sepia.h (the sepia pass), scene_bloom.h (the bloom pass),
 * scene_ship.h (the ship), scene_cubes.h (cube batches and the ribbon),
 * scene_view.h (what is in view), scene_planets.h (the planets' surface).
 */
#ifndef TIMELINE_H
#define TIMELINE_H

#include "glm.h"

/* The most scenes a table holds: as many durations as the framework
 * registers. */
#define SCENE_SLOTS 100

/* Half-size of the screen quad of a pass: overfills the 16:9 view's width at
 * depth 50 and leaves a thin band of clear colour at the top and bottom. */
#define PASS_HALF_WIDTH 48.0f
#define PASS_HALF_HEIGHT 17.1f

/* Half-size of the screen overlay quads (scenes 4 and 6), a little nearer
 * the eye than the pass quad: as wide as the view, above the bands. */
#define OVERLAY_HALF_WIDTH 37.6f
#define OVERLAY_HALF_HEIGHT 16.605f

/* ---- The table of scenes --------------------------------------------------- */

struct SceneRecord;

/* What a block is told about its place in the frame it draws. */
struct SceneFrame {
    const SceneRecord *scene;   /* its row of the table */
    int number;                 /* its place in the table, from 0 */
    float t;                    /* scene time: demo time in s minus loadingTime */
    float W, H;                 /* the picture's width and height in pixels */
};

/* One scene. The block draws the scene for frame->t, with gColor already 0;
 * the frame driver then applies the scene-end rules (on to the next scene
 * once t passes the duration, the demo's end after the last one; back to the
 * one before below -3 s). load is the scene's share of the first loading
 * frame (its assets, in the loading order); firstFrame runs once in the run,
 * just before the block's first frame. Either may be null. */
struct SceneRecord {
    const char *name;           /* as the information overlay shows it */
    float duration;             /* seconds */
    void (*block)(const SceneFrame *frame);
    void (*load)(void);
    void (*firstFrame)(void);
};

extern const SceneRecord demoScenes[];   /* the demo's scenes in playing order */
extern const int demoSceneCount;

/* Plays table (count rows, 1 to SCENE_SLOTS, each with a name, a duration
 * above 0 and a block) instead of demoScenes; before the first frame. A table
 * that is none of that ends the process with a "[!] " line, status 255. */
void setSceneTable(const SceneRecord *table, int count);

/* The number of scenes of the table played. */
int sceneTableCount(void);

/* ---- Shared timeline state (defined in timeline.cpp) ----------------------- */

extern int queue;              /* scene being played; -1 while loading */
extern float sceneTime[SCENE_SLOTS];   /* scene durations in seconds, from the table */
extern float loadingTime;      /* demo time in s at which the current scene began */
extern float gColor;           /* grey level of the clear colour (always 0) */
extern float mblur;            /* weight of the history in the motion blur */
extern int FBO[6];             /* FBO[0], FBO[1]: the two screen-sized render targets */

void drawScene(void);

/* The scene that plays (-1 while loading), its name and scene time in s,
 * for the framework's information overlay. */
int sceneInfo(const char **name, float *sceneSeconds);

/* The demo time in ms where a scene jump lands, as the timeline counts its
 * scenes: direction 1 the next scene's start, -1 the previous one's (scene
 * 0's own start from scene 0); -1 while loading or past the last scene.
 * Direction 0, the demo's start, also puts the timeline back on scene 0 at
 * scene time 0 and gives 0. */
int sceneJump(int direction);

/* ---- Drawing every scene shares -------------------------------------------- */

/* Renders into a target whose picture goes to the screen through the screen
 * quad of a pass: tvx_enableFBO with gColor, then a scissor around the part
 * of the picture that reaches the screen (with the margin the passes read
 * beyond it), so that the rest is not drawn. Returns the target's texture;
 * tvx_disableFBO or the next target switches the scissor off. */
unsigned int passTarget(int target);

/* The screen quad of a pass at depth z with the current colour, no shader. */
void passQuad(float z, unsigned int texture);
/* The picture above and below a pass's screen quad at depth z (the quad
 * reaches past the picture's sides, not its top and bottom) with the current
 * colour, no texture: with the quad, every pixel once. */
void passBands(float z);
/* A scene's last draw, which finishes its picture over what it drew before
 * in the window (cleared black): made at the frame's end, before whatever is
 * drawn after the scene, with the model-view matrix of the call. Where the
 * frame is motion blurred, it goes straight into the blur's history, which
 * spares blending the whole frame once more: the draw is then given the
 * frame's share (above 0) and must weigh itself as tvx_historyDraw says,
 * reaching every pixel once (passBands: black around a screen quad); else
 * it is given 0 and draws as usual. */
typedef void (*FinalDraw)(float share);
void sceneFinal(FinalDraw draw);
/* The screen quad of a pass in white as a scene's last draw over the window
 * cleared black (sceneFinal). */
void passFinal(float z, unsigned int texture);

/* Opaque drawing (alpha 1 wherever it draws): blending it over what lies
 * below would leave its colours as they are, so it is drawn without, which
 * spares the software rasteriser a read of every pixel it covers.
 * opaqueBegin switches blending off and returns whether it was on, for
 * opaqueEnd to put back. */
int opaqueBegin(void);
void opaqueEnd(int blending);

/* A pass's program and its variants beside the shader table (the sepia and
 * bloom passes keep variants that draw what the table's program would for
 * less): tableProgram enables table program `shader` and returns its GL
 * name; uniformOf reads a float uniform of a GL program; mirrorUniforms
 * hands the present values of the named uniforms of program `from` to the
 * variant (a tvx_loadOwnShader handle), which then draws what `from` would
 * (a uniform the timeline never sent keeps the program's own value there
 * too), and leaves the variant in use. */
unsigned int tableProgram(int shader);
float uniformOf(unsigned int program, const char *name);
void mirrorUniforms(unsigned int from, int variant, const char *const names[], int count);

/* Draws a model the way every scene does (flat facet normals and materials),
 * group by group (opaque groups first, see-through ones after). A shader
 * reads each group's material from the current vertex attributes: gl_Color
 * holds its diffuse colour and opacity, gl_SecondaryColor its ambient colour
 * and gl_MultiTexCoord1 its specular colour and shininess; the caller's
 * current colour is kept. Then puts back the start-up state the model library changes: colour
 * material on (it is left off) and blending on with source alpha, one minus
 * source alpha (left off after a see-through material). Every model draw and
 * every display list of a model goes through here, so what is drawn next
 * does not depend on which models happen to be see-through. Legal inside
 * glNewList/glEndList. */
void drawModel(GlmModel *model);

/* drawModel for a model drawn in every frame: through a display list of its
 * own, compiled at the first call into *list (0 until then), so that the
 * model library's calls are not made again frame after frame. The same
 * triangles, in the same order, as drawModel. */
void drawModelCompiled(GlmModel *model, unsigned int *list);

#endif
