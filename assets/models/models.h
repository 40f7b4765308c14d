/*
 * models.h - the demo's models, one builder per file of data/models/.
 *
 * Units are those of the files; each scene scales them (tv 0.075, ship 0.02,
 * station 10, cockpit 0.1, monitor 10, greetings 5), and the extents below
 * follow from where each scene puts its model.
 *
 * Depends on: models_mesh.h.
 */
#ifndef MODELS_H
#define MODELS_H

#include "models_mesh.h"

#define GREET_COUNT 9

void buildTv(Mesh *mesh);
void buildMonitor(Mesh *mesh);
void buildCockpit(Mesh *mesh);
void buildStation(Mesh *mesh);
void buildShip(Mesh *mesh);

/* Materials shared by all greeting models (one library, greets.mtl). */
void greetMaterials(Mesh *mesh);
/* Greeting k (0..8): the group's name extruded from the font's outlines.
 * Returns 0 on success, -1 when the font cannot be read. */
int buildGreet(Mesh *mesh, int k, const char *fontPath);
const char *greetName(int k);

#endif
