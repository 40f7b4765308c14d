/*
 * scene_ship.h - the ship, "data/models/skepp/skepp.obj" (scene2_skepp):
 * loaded in scene 2's share of the loading order, drawn by scenes 2 and 3
 * (drifting through the asteroid field) and by scenes 5 and 6 (over the
 * terrain, scene_flight.h).
 *
 * Depends on: the model library, the timeline's drawModel.
 */
#ifndef SCENE_SHIP_H
#define SCENE_SHIP_H

/* Reads the model and compiles its triangles into a display list: row 10
 * of the loading order. */
void ship_load(void);

/* The ship at the size every scene shows it (a fiftieth of the model's
 * units), turned by heading degrees about its vertical axis after the
 * scaling (0: as the model stands), drawn as drawModel draws, from the
 * list; legal inside glNewList/glEndList. */
void ship_draw(float heading);

#endif
