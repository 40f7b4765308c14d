/*
 * scene8_scroller.h - scene 8, the end scroller over the cube field: its
 * per-frame values, callable without OpenGL.
 */
#ifndef SCENE8_SCROLLER_H
#define SCENE8_SCROLLER_H

/* The end text, one line. */
extern const char scene8_endText[];

/* "noiseLevel" of the bloom pass: 1 - t while that exceeds 0.2, else 0.2. */
float scene8_noiseLevel(float t);

/* Left end of the end text: 30 - 11 t. */
float scene8_textX(float t);

/* Height of the field's cube at (a, b): sin(a b + 10 t). */
float scene8_cubeHeight(float a, float b, float t);

#endif
