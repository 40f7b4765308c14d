/*
 * scene3_credits.h - scene 3, the credits in the asteroid field: the camera
 * moves, the fade, the caption windows and the ship's path as functions of
 * the scene time t that need no OpenGL.
 */
#ifndef SCENE3_CREDITS_H
#define SCENE3_CREDITS_H

#define SCENE3_CAPTIONS 4

/* What the camera moves keep from frame to frame. */
struct Scene3Camera {
    float inter_pos;   /* progress (0 to 1) of the current move */
    float crot[2];     /* x and y angles reached by the first move */
    float cpos[3];     /* cpos[2]: the x offset the drift of the second move reached */
};

/* One frame's camera transform: rotate rotX degrees about x, then rotY about
 * y, then translate by (tx, ty, 0). move is the move in force (1 to 3), 0 at
 * exactly t = 10 or 20, where only the sway applies. */
struct Scene3View {
    int move;
    float rotX, rotY, tx, ty;
};

/* The camera move at t: a tumble below 10 s, a one-second swing to a side
 * view and a slow drift between 10 and 20 s, a two-second tilt after 20 s. */
void scene3_cameraMove(Scene3Camera *camera, float t, Scene3View *view);

/* The fade level after a frame at t, given its value before: 0.5 t while
 * below 1 in the first 2 s, 23 - t in the last second. */
float scene3_fade(float fadeLevel, float t);

/* Whether credit caption i (0 to 3, in drawing order) is shown at t. */
int scene3_captionShown(int i, float t);

/* The ship's x offset: it flies in from the left until 10 s, then hangs at 15. */
float scene3_shipX(float t);

#endif
