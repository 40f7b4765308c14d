/*
 * scene5_terrain.h - scene 5, the terrain flight with the greeting models:
 * its per-frame values, callable without OpenGL.
 *
 * Depends on: the noise and easing of the tvx framework.
 */
#ifndef SCENE5_TERRAIN_H
#define SCENE5_TERRAIN_H

#define SCENE5_GREETS 9

/* The camera turn at one instant: which of yaw (about y), pitch (about x) and
 * roll (about z) apply, in that order, and their angles in degrees. */
struct Scene5Turn {
    int hasYaw, hasPitch, hasRoll;
    float yaw, pitch, roll;
};

/* The turn schedule: windows with strict bounds between 6 and 27 s; no
 * rotation at the border instants, up to 6 s and from 27 s on. */
Scene5Turn scene5_turn(float t);

/* Whether the greeting lists are (re)compiled in a frame at t: t < 0.5. */
int scene5_compilesLists(float t);

/* The swoop of the first 5 s: applies while 0.2 t < 1; the camera frame is
 * moved by *z along z and pitched by *pitch degrees about x. */
int scene5_swoop(float t, float *z, float *pitch);

/* The terrain group's rise of the first 10 s: applies while 0.1 t < 1;
 * *y is the group's height. */
int scene5_rise(float t, float *y);

/* Terrain scroll speed: eased from 0 to 50 over the first 5 s. */
float scene5_speed(float t);

/* The ship's height: eased from 40 down to 12 over the first 5 s. */
float scene5_shipY(float t);

/* Alpha of the typewriter line, drawn while t < 10: 3 - 0.2 t. */
float scene5_textAlpha(float t);

/* The first of the ten display-list names of the greeting models. */
unsigned int scene5_greetList(void);

#endif
