/*
 * scene2_asteroids.h - scene 2, the asteroid field and the space station: the
 * camera set-ups and per-frame values as functions of the scene time t that
 * need no OpenGL, and the asteroid field and its sepia pass that scene 3
 * draws too.
 */
#ifndef SCENE2_ASTEROIDS_H
#define SCENE2_ASTEROIDS_H

/* The camera set-ups of the scene (positions and rotations about x, y and z in
 * degrees) and the one in use. Set-up 2 exists but is never selected. */
struct Scene2Camera {
    float xyz[3][3];
    float rot[3][3];
    int id;
};

/* The set-ups as the scene's first frame makes them. */
void scene2_initCamera(Scene2Camera *camera);

/* One frame's camera work at t: set-up 0 sways on noise and turns with t
 * below 5 s; between 5 and 15 s set-up 1 is in use and its y angle grows by
 * 0.01 t per 25 ms frame (an accumulation, never reset; a frame of another
 * length on the frame clock grows it in proportion). At exactly 5 nothing
 * changes but set-up 0's sway. */
void scene2_moveCamera(Scene2Camera *camera, float t);

/* The fade level after a frame at t, given its value before: 0.5 t while
 * below 1 in the first 2 s, and 0.01 less per 25 ms frame after 13 s (in
 * proportion for a frame of another length). */
float scene2_fade(float fadeLevel, float t);

/* The common pulse of the asteroids and of the sepia pass's static noise:
 * falls from 1 to 0 2.333 times a second. */
float scene2_pulse(float t);

/* The 200 pulsing asteroids at t, through the asteroid shader. */
void scene2_drawAsteroids(float t);

/* The field's sepia pass, over texture (the frame drawn into FBO[0]) through
 * sepia program `shader`: a black clear colour, opaque white, the film's
 * flicker, and static that throbs with the asteroids' pulse. */
void scene2_fieldPass(int shader, unsigned int texture, float t, float fadeLevel);

#endif
