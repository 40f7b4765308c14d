/*
 * scene_flight.h - drawing shared by the late scenes: the cube ribbon
 * (scenes 5, 6 and 8), the terrain grid and the ship (scenes 5 and 6), the
 * bloom pass (scenes 7, 8 and 9), and the render state put back after a model
 * (scenes 4, 5 and 6).
 *
 * Depends on: the tvx framework (noise, shaders, lights, screen quads), the
 * model library (the ship) and the timeline's shared state.
 */
#ifndef SCENE_FLIGHT_H
#define SCENE_FLIGHT_H

/* One cube of the ribbon, drawn at every step d of the ribbon loop at
 * x = 10 * noise(noiseScale * d + noiseOffset, 0, seed) and
 * y = amplitude * sin(frequency * (0.1 * d) + phase). */
struct FlightCube {
    float r, g, b;
    float noiseScale, noiseOffset;
    int seed;
    float amplitude, frequency, phase;
};

extern const FlightCube flight_ribbonTerrain[4];  /* scenes 5 and 8 */
extern const FlightCube flight_ribbonLattice[4];  /* scene 6: cube 1 differs */

/* Position of one ribbon cube at loop value d. */
float flight_cubeX(const FlightCube *cube, float d);
float flight_cubeY(const FlightCube *cube, float d);

/* Number of steps the ribbon loop takes at scene time t. */
int flight_ribbonSteps(float t);

/* The ribbon at scene time t, between push and pop: d runs from 50t - 20
 * while d < 50t - 4 in steps of 0.1, four unit cubes per step at z = 50t - d. */
void flight_drawRibbon(float t, const FlightCube cubes[4]);

/* The terrain grid through the given terrain shader with its "timer":
 * 199 strips of 200 columns, each vertex followed by its normal. */
void flight_drawTerrain(int shader, float timer);

/* The ship between push and pop through the given ship shader, translated to
 * pos and rolled by 20 * noise(0.2t, 0.2t, 422) degrees, lit by light 0. */
void flight_drawShip(int shader, float timer, const float pos[3], float t);

/* The bloom pass of scenes 7, 8 and 9: the glow shader with "noiseLevel",
 * "timer" and "fadeLevel", the screen quad of a pass at z = 0 with texture,
 * drawn with the current colour. */
void flight_bloomPass(unsigned int texture, float noiseLevel, float t, float fadeLevel);

#endif
