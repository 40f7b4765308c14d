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
 */
#ifndef TIMELINE_H
#define TIMELINE_H

#include "glm.h"

#define SCENE_COUNT 10

/* ---- Shared timeline state (defined in timeline.cpp) ----------------------- */

extern int queue;              /* scene being played; -1 while loading */
extern float sceneTime[12];    /* scene durations in seconds */
extern float loadingTime;      /* demo time in s at which the current scene began */
extern float gColor;           /* grey level of the clear colour (always 0) */
extern float mblur;            /* weight of the history in the motion blur */
extern int FBO[6];             /* FBO[0], FBO[1]: the two screen-sized render targets */

void drawScene(void);

/* Scene time of the current scene: demo time in s minus loadingTime. */
float sceneClock(void);

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
