/*
 * scene_planets.cpp - the planets' surface and the way into their programs
 * (see scene_planets.h).
 *
 * Depends on: OpenGL through GLEW (texture units), the tvx framework (shader
 * table, baked surfaces).
 */
#include "scene_planets.h"

#include <GL/glew.h>

#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

static unsigned int planetSurface = 0;   /* the surface, baked while loading */

/* Pixels a side of each face of the baked surface: finer than the planet
 * ever shows on the screen. */
static const int PLANET_SURFACE_SIZE = 512;

/* ---- Public functions ------------------------------------------------------ */

void planets_load(void)
{
    planetSurface = tvx_bakeCubeMap("data/shader/planet_surface.frag", PLANET_SURFACE_SIZE);
}

void planets_enable(int shader)
{
    tvx_enableShader(shader);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_CUBE_MAP, planetSurface);
    glActiveTexture(GL_TEXTURE0);
    tvx_shader_sendSampler(shader, "surface", 2);
}
