/*
 * scene_planets.h - the planets of scenes 4 (ahead in the tunnel) and 7
 * (the one that explodes): each scene's program of "data/shader/planet.vert"
 * and "data/shader/planet.frag" (scene4_planetShader, scene7_planetShader)
 * reads the planet's surface from a cube map baked once while loading.
 *
 * Depends on: the tvx framework (shader table, baked surfaces).
 */
#ifndef SCENE_PLANETS_H
#define SCENE_PLANETS_H

/* Bakes the planet's surface; in the second loading frame. */
void planets_load(void);

/* Enables planet program `shader` with the surface on texture unit 2. */
void planets_enable(int shader);

#endif
