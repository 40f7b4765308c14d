/*
 * scene9_fadeout.h - scene 9, the fade-out that ends the demo: its per-frame
 * values, callable without OpenGL.
 */
#ifndef SCENE9_FADEOUT_H
#define SCENE9_FADEOUT_H

/* "fadeLevel" of the bloom pass: 1, then 7 - t above 6 s, then 0 above 7 s. */
float scene9_fadeLevel(float t);

#endif
