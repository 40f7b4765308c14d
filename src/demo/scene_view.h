/*
 * scene_view.h - what can be in view: the view volume and the eye of the
 * model-view and projection matrices current at view_capture, in the object
 * coordinates of that model-view. Things drawn one by one (asteroids,
 * debris, monitors), the terrain grid's pieces and the cube batches leave
 * out what cannot be seen.
 *
 * Depends on: OpenGL (the current matrices).
 */
#ifndef SCENE_VIEW_H
#define SCENE_VIEW_H

/* Takes the view volume and the eye from the current model-view and
 * projection (the volume narrowed to the scissor box while the scissor test
 * is on, since nothing outside it is drawn); the tests below answer for
 * them until the next capture. */
void view_capture(void);

/* 1 when a ball of the given radius centred at (x, y, z) can be inside the
 * view volume. */
int view_ballInView(float x, float y, float z, float radius);

/* 1 when the box from lo to hi can be inside the view volume. */
int view_boxInView(const float lo[3], const float hi[3]);

/* The eye's coordinate on axis (0 to 2): NaN when the model-view cannot be
 * inverted. */
float view_eye(int axis);

#endif
