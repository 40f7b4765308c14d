/*
 * scene_cubes.h - unit cubes drawn in batches: the cube field of scene 8 and
 * the cube ribbon of scenes 5, 6 and 8.
 *
 * A batch holds every cube that can be in view, with the corners, normals
 * and face order of glutSolidCube(1.0), but only the faces turned towards the
 * eye; one draw call sends the whole batch.
 * The view volume is taken from the matrices current at cubes_begin, which
 * must stay current until cubes_draw. The view-volume test serves other round
 * things drawn one by one as well.
 *
 * Depends on: OpenGL (vertex arrays).
 */
#ifndef SCENE_CUBES_H
#define SCENE_CUBES_H

/* Starts an empty batch for the current model-view and projection. */
void cubes_begin(void);

/* 1 when a unit cube centred at (x, y, z) can be inside the view volume. */
int cubes_inView(float x, float y, float z);

/* 1 when a ball of the given radius centred at (x, y, z) can be inside the
 * view volume of the last cubes_begin (for spheres drawn one by one). */
int cubes_ballInView(float x, float y, float z, float radius);

/* 1 when the box from lo to hi can be inside the view volume of the last
 * cubes_begin. */
int cubes_boxInView(const float lo[3], const float hi[3]);

/* Adds a unit cube centred at (x, y, z) in the colour rgba (or the current colour when rgba is NULL; a batch
 * either gives every cube a colour or none). Cubes outside the view volume
 * are left out. */
void cubes_add(float x, float y, float z, const float *rgba);

/* Number of faces in the batch (what cubes_draw sends). */
int cubes_faceCount(void);

/* Draws the batch and empties it. With colours, the last cube's colour is
 * left current, as drawing the cubes one by one would leave it. */
void cubes_draw(void);

#endif
