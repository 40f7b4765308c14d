/*
 * scene6_lattice.h - scene 6, the monitor lattice showing the terrain flight:
 * its per-frame values, callable without OpenGL.
 */
#ifndef SCENE6_LATTICE_H
#define SCENE6_LATTICE_H

/* Monitors per side of the lattice (40 x 40 = 1600). */
#define SCENE6_SIDE 40

/* The lattice's motion in its x0.1 frame: below 6 s a translation by 491
 * along z; above 6 s a translation by 491 - 5 (t - 6) and a turn of
 * 5 (t - 6) degrees about (0, 1, 0.1); at 6 s exactly neither. */
struct Scene6Lattice {
    int translates, turns;
    float z, angle;
};
Scene6Lattice scene6_lattice(float t);

/* The typewriter message of the final frame and its x position: the order
 * message for 6 < t < 13, "total annihilation." for t > 13, none otherwise
 * (NULL). */
const char *scene6_message(float t, float *x);

/* Alpha of the blinking warning: sin(10 t) (negative shows nothing). */
float scene6_warningAlpha(float t);

/* Alpha of the final frame: 1, then 31 - t above 30 s. */
float scene6_finalAlpha(float t);

#endif
