/*
 * scene7_planet.h - scene 7, the exploding planet and the targeting
 * messages: its per-frame values, callable without OpenGL.
 *
 * Depends on: the noise of the tvx framework.
 */
#ifndef SCENE7_PLANET_H
#define SCENE7_PLANET_H

#define SCENE7_DEBRIS 1000

/* The four values recomputed from t in every frame. */
struct Scene7Values {
    float spread;   /* debris spread: 5 (t - 20.5) after 20.5 s, else 0 */
    float shake;    /* 22.5 - t while 20.5 < t < 22.5, else 0 */
    float noise;    /* "noiseLevel": 3 (t - 20.5) after 20.5 s, else 0.1 */
    float fade;     /* "fadeLevel": 20.5 - t while 19.5 < t < 20.5, else 1 */
};
Scene7Values scene7_values(float t);

/* The view's shake offset in x and y: applies while 20.5 < t < 22.5. */
int scene7_shakeOffset(float t, float offset[2]);

/* Position of debris sphere i for a spread. */
void scene7_debris(int i, float spread, float pos[3]);

/* Whether the planet is drawn: t < 20.5. */
int scene7_planetShown(float t);

/* Alpha of the progress bar, drawn while t < 10: 5.5 - 0.5 t. */
float scene7_barAlpha(float t);

#endif
