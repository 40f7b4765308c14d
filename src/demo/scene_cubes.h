/*
 * scene_cubes.h - unit cubes drawn in batches: the cube field of scene 8 and
 * the cube ribbon that streams through scenes 5, 6 and 8.
 *
 * A batch holds every cube that can be in view, with the corners, normals
 * and face order of glutSolidCube(1.0), but only the faces turned towards the
 * eye; one draw call sends the whole batch. The faces are drawn flat, each
 * in the colour of one of its corners (the fixed-function lighting's, or the
 * cube's colour), which is the colour of all of them under a directional
 * light; a program drawing them would see corners shared between faces. A
 * batch is made between cubes_begin and cubes_draw, under the matrices
 * current at cubes_begin, which must stay current until cubes_draw.
 *
 * Depends on: OpenGL (vertex arrays), what can be in view (scene_view.h),
 * the tvx framework's noise (the ribbon's curves).
 */
#ifndef SCENE_CUBES_H
#define SCENE_CUBES_H

/* Starts an empty batch for the current model-view and projection (and
 * captures the view, scene_view.h). */
void cubes_begin(void);

/* Adds a unit cube centred at (x, y, z) in the colour rgba (or the current
 * colour when rgba is NULL; a batch either gives every cube a colour or
 * none). Cubes outside the view volume are left out. */
void cubes_add(float x, float y, float z, const float *rgba);

/* Number of faces in the batch (what cubes_draw sends). */
int cubes_faceCount(void);

/* Draws the batch and empties it. With colours, the last cube's colour is
 * left current, as drawing the cubes one by one would leave it. */
void cubes_draw(void);

/* ---- The ribbon ------------------------------------------------------------ */

/* One cube of the ribbon, drawn at every step d of the ribbon loop at
 * x = 10 * noise(noiseScale * d + noiseOffset, 0, seed) and
 * y = amplitude * sin(frequency * (0.1 * d) + phase). */
struct RibbonCube {
    float r, g, b;
    float noiseScale, noiseOffset;
    int seed;
    float amplitude, frequency, phase;
};

extern const RibbonCube cubes_ribbonTerrain[4];  /* scenes 5 and 8 */
extern const RibbonCube cubes_ribbonLattice[4];  /* scene 6: cube 1 differs */

/* Position of one ribbon cube at loop value d. */
float cubes_ribbonX(const RibbonCube *cube, float d);
float cubes_ribbonY(const RibbonCube *cube, float d);

/* Number of steps the ribbon loop takes at scene time t. */
int cubes_ribbonSteps(float t);

/* The ribbon at scene time t, as one batch: d runs from 50t - 20 while
 * d < 50t - 4 in steps of 0.1, four unit cubes per step at z = 50t - d. */
void cubes_drawRibbon(float t, const RibbonCube cubes[4]);

#endif
