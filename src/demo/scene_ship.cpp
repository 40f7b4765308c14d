/*
 * scene_ship.cpp - the ship (see scene_ship.h).
 *
 * Depends on: OpenGL (the scaling, the display list), the model library,
 * the timeline's drawModel.
 */
#include "scene_ship.h"

#include <GL/glew.h>

#include "glm.h"
#include "timeline.h"

/* ---- State ----------------------------------------------------------------- */

static GlmModel *scene2_skepp;
/* The model's triangles, compiled once at loading: the scenes that draw the
 * ship in every frame call it, and those that compile the ship into lists
 * of their own call it from there. */
static unsigned int modelList;

static const float SHIP_SCALE = 0.02f;

/* ---- Public functions ------------------------------------------------------ */

void ship_load(void)
{
    scene2_skepp = glmReadOBJ("data/models/skepp/skepp.obj");
    modelList = glGenLists(1);
    glNewList(modelList, GL_COMPILE);
    drawModel(scene2_skepp);
    glEndList();
}

void ship_draw(float heading)
{
    glScalef(SHIP_SCALE, SHIP_SCALE, SHIP_SCALE);
    if (heading != 0.0f)
        glRotatef(heading, 0.0f, 1.0f, 0.0f);
    glCallList(modelList);
}
