/*
 * scene_flight.h - the flight of scenes 5 and 6: the terrain grid through
 * the terrain program, and the ship flying low over it through the ship
 * program; each scene loads programs of its own for both.
 *
 * Depends on: the tvx framework (shaders, lights, noise), the ship
 * (scene_ship.h).
 */
#ifndef SCENE_FLIGHT_H
#define SCENE_FLIGHT_H

/* Loads a scene's programs of the flight into the shader table, in this
 * order: the terrain program ("data/shader/proc_terrain.vert" and
 * "data/shader/proc_terrain.frag"), the ship program
 * ("data/shader/ship_pos.vert" alone) and a sepia program that is never
 * enabled. */
void flight_load(int *terrainShader, int *shipShader, int *noiseShader);

/* The terrain grid through the given terrain shader with its "timer":
 * 199 strips of 200 columns, each vertex followed by its normal. */
void flight_drawTerrain(int shader, float timer);

/* The ship between push and pop through the given ship shader, translated to
 * pos and rolled by 20 * noise(0.2t, 0.2t, 422) degrees, lit by light 0. */
void flight_drawShip(int shader, float timer, const float pos[3], float t);

#endif
