/*
 * scene1_carousel.h - scene 1, the photo carousel: its per-frame values as
 * pure functions of the scene time t (and of the fade level so far).
 */
#ifndef SCENE1_CAROUSEL_H
#define SCENE1_CAROUSEL_H

/* Extra static noise of the burst in force at t, 0 between bursts: a noisy
 * burst from 15.4 to 17, then bursts that start at 1 and decay to 0 within a
 * second at 26.7, 35.9, 46, 54, 72 and 83 s. The sepia pass gets 0.1 plus
 * the burst as "staticNoiseAmmount". */
float scene1_burst(float t);

/* The fade level after a frame at t, given its value before the frame: t/2
 * while below 1 in the first 10 s, then duration - t in the scene's last
 * second. */
float scene1_fade(float fadeLevel, float t, float duration);

/* Turn of the arrangement in degrees: four eased turns by t = 50, then back. */
float scene1_turn(float t);

#endif
