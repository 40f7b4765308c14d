/*
 * scene4_cockpit.h - scene 4, the cockpit in the hyperspace tunnel: its
 * per-frame values, callable without OpenGL.
 *
 * Depends on: the noise of the tvx framework.
 */
#ifndef SCENE4_COCKPIT_H
#define SCENE4_COCKPIT_H

#define SCENE4_STARS 200

/* The scrolling greetings line (90 characters). */
extern const char scene4_greetings[];

/* Sepia noise burst: 1 - t while t < 1, else 0. */
float scene4_suddenNoise(float t);

/* Fade level sent to the glow shader and the sepia pass: 0.2 t. */
float scene4_fadeLevel(float t);

/* Alpha of the tunnel background of the cockpit view: 0 up to t = 1, then
 * (t - 1) * 0.4, not clamped. */
float scene4_backgroundAlpha(float t);

/* Alpha of both sepia-pass quads: 1, falling to 0 between 35 and 40 s. */
float scene4_passAlpha(float t);

/* Left end of the greetings line in its scaled frame: 15 - 10 t. */
float scene4_greetingsX(float t);

/* Depth of star i in the first frame of the scene: 50 + 50 * noise(i, i, 45). */
float scene4_starStart(int i);

/* Growth of every star's depth in one frame drawn at t (stars fly while
 * t < 3): t^2 per 25 ms frame, in proportion for a frame of another length. */
float scene4_starStep(float t);

/* Current depth of star i, and the number of frames scene 4 has run. */
float scene4_starDepth(int i);
int scene4_frames(void);

#endif
