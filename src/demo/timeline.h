/*
 * timeline.h - the demo timeline's shared vocabulary.
 *
 * drawScene (timeline.cpp) runs one frame: frame start, the staged loader,
 * the scene blocks in index order, frame end. Each scene block lives in a
 * file of its own (sceneN_*.cpp) with the same skeleton: state, first-frame
 * set-up, per-frame values, drawing, scene-end rules. Every scene file offers
 * sceneN_load (its share of the first loading frame's asset table, in table
 * order) and sceneN_block (the block itself, run while queue == N).
 *
 * Assets that one scene loads and others draw are declared here; each is
 * defined in the file of the scene whose name it carries.
 *
 * Writing a scene block (sceneN_name.cpp, header sceneN_name.h):
 *
 *   sceneN_load()   loads the scene's rows of the asset table in table order
 *                   and stores sceneTime[N] (its own duration, in seconds).
 *                   The loader calls scene0_load ... scene9_load in order, so
 *                   shader and render-target ids follow the table.
 *   sceneN_block()  float t = sceneClock();  gColor = 0;  mblur = ... ;
 *                   first-frame work behind a function-static `loaded`;
 *                   per-frame values (pure functions of t and the scene's
 *                   statics, declared in sceneN_name.h so tests can call them
 *                   without OpenGL); drawing; then, last of all,
 *                   sceneEnd(N, t) for the advance and rewind rules.
 *
 *   A sepia pass is sepiaPass(shader, texture, z, t, noise, static, fade)
 *   once the frame is in FBO[0] and the colour and clear colour are set;
 *   passQuad(z, texture) draws the screen quad of a pass without a shader;
 *   drawModel(model) draws a model, in a frame or into a display list.
 */
#ifndef TIMELINE_H
#define TIMELINE_H

#include "glm.h"

#define SCENE_COUNT 10

/* Half-size of the screen quad of a pass: overfills the 16:9 view's width at
 * depth 50 and leaves a thin band of clear colour at the top and bottom. */
#define PASS_HALF_WIDTH 48.0f
#define PASS_HALF_HEIGHT 17.1f

/* ---- Shared timeline state (defined in timeline.cpp) ----------------------- */

extern int queue;              /* scene being played; -1 while loading */
extern float sceneTime[12];    /* scene durations in seconds */
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

/* Scene time of the current scene: demo time in s minus loadingTime. */
float sceneClock(void);

/* The scene-end rules of block k for its scene time t, run last in the block:
 * past sceneTime[k] the timeline moves on to scene k + 1 (scene 9 ends the
 * process with status 0); below -3 s it moves back to scene k - 1 (not from
 * scene 0). */
void sceneEnd(int k, float t);

/* The sepia pass: enables the sepia shader, sends "timer" = t, "noise" =
 * *noise (not sent when noise is null), "staticNoiseAmmount" and
 * "fadeLevel", enables what draws like it (sepiaShader),
 * draws texture as the screen quad of a pass at depth z and disables the
 * shader. The caller sets the colour and clear colour first. */
void sepiaPass(int shader, unsigned int texture, float z, float t,
               const float *noise, float staticNoise, float fadeLevel);

/* Enables a program of planet.vert and planet.frag (scenes 4 and 7) with the
 * planet's surface, baked while loading, on texture unit 2. */
void planetShader(int shader);

/* Enables what draws like sepia program `shader` with its present uniforms:
 * the program itself, or while it shows no static ("staticNoiseAmmount" 0)
 * its variant without static, kept beside the shader table. Used by the
 * sepia pass, and for textured quads drawn through the sepia shader after
 * it (scene 4's overlay). Also hands the uniforms on to the plaster variant. */
void sepiaShader(int shader);

/* Enables the sepia shader's variant for untextured geometry (scene 1's wall
 * and floor): the film look over dark plaster toned from the lit colour,
 * with the uniforms of the last sepia pass. Kept beside the shader table,
 * so that textured quads through the sepia shader do not pay for plaster. */
void sepiaPlaster(void);

/* Enables what draws like bloom program `shader` with its present uniforms:
 * the program itself, or without noise ("noiseLevel" 0) its variant without
 * noise, kept beside the shader table; either reads the glow tvx_makeGlow
 * made on texture unit 1. */
void bloomShader(int shader);

/* Renders into a target whose picture goes to the screen through the screen
 * quad of a pass: tvx_enableFBO with gColor, then a scissor around the part
 * of the picture that reaches the screen (with the margin the passes read
 * beyond it), so that the rest is not drawn. Returns the target's texture;
 * tvx_disableFBO or the next target switches the scissor off. */
unsigned int passTarget(int target);

/* The screen quad of a pass at depth z with the current colour, no shader. */
void passQuad(float z, unsigned int texture);

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

/* ---- Assets shared between scenes ------------------------------------------ */

extern int scene0_sepia;            /* scene 1's sepia pass */
extern GlmModel *scene2_skepp;      /* the ship: scenes 2, 3, 5, 6 */
extern int scene2_passShader;       /* asteroids: scenes 2, 3 */
extern int scene4_glowShader;       /* bloom pass: scenes 4, 7, 8, 9 */

/* ---- Scene entry points ---------------------------------------------------- */

void scene0_load(void);
void scene0_block(void);
void scene1_load(void);
void scene1_block(void);
void scene2_load(void);
void scene2_block(void);
void scene3_load(void);
void scene3_block(void);
void scene4_load(void);
void scene4_block(void);
void scene5_load(void);
void scene5_block(void);
void scene6_load(void);
void scene6_block(void);
void scene7_load(void);
void scene7_block(void);
void scene8_load(void);
void scene8_block(void);
void scene9_load(void);
void scene9_block(void);

#endif
