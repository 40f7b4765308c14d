/*
 * scene0_title.h - scene 0, the title card: its per-frame values as pure
 * functions of the scene time t (and of the title's alpha so far).
 */
#ifndef SCENE0_TITLE_H
#define SCENE0_TITLE_H

/* The title's alpha after a frame at t, given its value before the frame: a
 * ramp from t = 2 to 5 that stops at 5 (about 0.6), held until 10, then
 * 5.5 - t/2 until it is no longer above 0, where it freezes. */
float scene0_titleFade(float level, float t);

/* Alpha of the group caption and the party logo: 0.4 t up to 5, then 7 - 0.9 t. */
float scene0_captionFade(float t);

/* Noise value that drives the background wobble. */
float scene0_wobble(float t);

/* Alpha of the whole picture as it is shown: opaque until 12, 0 from 13. */
float scene0_pictureAlpha(float t);

#endif
