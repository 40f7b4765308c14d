/*
 * scene_flight.cpp - drawing shared by the late scenes: the cube ribbon, the
 * terrain grid, the ship, the bloom pass and the render state put back after
 * a model.
 *
 * Depends on: OpenGL, the batched cubes (scene_cubes.h), the tvx framework
 * (noise, shaders, lights, screen quads), the model library (glmDraw of the
 * ship) and the timeline's shared assets (scene2_skepp, scene4_glowShader).
 */
#include "scene_flight.h"

#include <math.h>

#include <GL/glew.h>

#include "glm.h"
#include "scene_cubes.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

/* Scenes 5 and 8. */
const FlightCube flight_ribbonTerrain[4] = {
    {0.0f, 0.5f, 0.6f, 0.035f, 0.0f, 45, 9.0f, 1.0f, 500.0f},
    {0.0f, 0.5f, 0.6f, 0.035f, 0.0f, 40, 13.0f, 1.0f, 400.0f},
    {0.4f, 0.7f, 0.0f, 0.04f, 200.0f, 51, 10.0f, 1.0f, 600.0f},
    {0.7f, 0.1f, 0.5f, 0.04f, 100.0f, 52, 20.0f, 1.0f, 0.0f},
};

/* Scene 6: the first cube has its own colour, noise seed and a sine ten
 * times as fast. */
const FlightCube flight_ribbonLattice[4] = {
    {0.5f, 0.1f, 0.6f, 0.035f, 0.0f, 32, 9.0f, 10.0f, 0.0f},
    {0.0f, 0.5f, 0.6f, 0.035f, 0.0f, 40, 13.0f, 1.0f, 400.0f},
    {0.4f, 0.7f, 0.0f, 0.04f, 200.0f, 51, 10.0f, 1.0f, 600.0f},
    {0.7f, 0.1f, 0.5f, 0.04f, 100.0f, 52, 20.0f, 1.0f, 0.0f},
};

/* ---- Internal helpers ------------------------------------------------------ */

/* The grid at y = 0: every vertex is followed by a normal holding the same
 * grid position, which the terrain shader reads for the next vertex. */
static void emitTerrainGrid(void)
{
    for (float z = -100.0f; z < 99.0f; z += 1.0f) {
        glBegin(GL_TRIANGLE_STRIP);
        for (float x = -100.0f; x < 100.0f; x += 1.0f) {
            glVertex3f(x, 0.0f, z);
            glNormal3f(x, 0.0f, z);
            glVertex3f(x, 0.0f, z + 1.0f);
            glNormal3f(x, 0.0f, z + 1.0f);
        }
        glEnd();
    }
}

static void sendFloat(int shader, const char *name, float value)
{
    tvx_shader_sendUniformValue(shader, name, &value, 1);
}

/* ---- Public functions ------------------------------------------------------ */

float flight_cubeX(const FlightCube *cube, float d)
{
    return 10.0f * tvx_perlin2DNoise((float)(cube->noiseScale * d + cube->noiseOffset), 0.0f,
                                     cube->seed);
}

float flight_cubeY(const FlightCube *cube, float d)
{
    return (float)(cube->amplitude * sin(cube->frequency * (0.1 * d) + cube->phase));
}

int flight_ribbonSteps(float t)
{
    int steps = 0;
    for (float d = 50.0f * t - 20.0f; 50.0f * t + 20.0f - 24.0f > d; d = (float)(d + 0.1))
        steps++;
    return steps;
}

void flight_drawRibbon(float t, const FlightCube cubes[4])
{
    cubes_begin();
    for (float d = 50.0f * t - 20.0f; 50.0f * t + 20.0f - 24.0f > d; d = (float)(d + 0.1)) {
        for (int k = 0; k < 4; k++) {
            const FlightCube *cube = &cubes[k];
            const float rgba[4] = {cube->r, cube->g, cube->b, 1.0f};
            cubes_add(flight_cubeX(cube, d), flight_cubeY(cube, d), 50.0f * t - d, rgba);
        }
    }
    cubes_draw();
}

void flight_drawTerrain(int shader, float timer)
{
    tvx_enableShader(shader);
    sendFloat(shader, "timer", timer);
    emitTerrainGrid();
    tvx_disableShader();
}

void flight_restoreModelState(void)
{
    resetBlending();
    glEnable(GL_COLOR_MATERIAL);
}

void flight_drawShip(int shader, float timer, const float pos[3], float t)
{
    glPushMatrix();
    tvx_enableShader(shader);
    sendFloat(shader, "timer", timer);
    glTranslatef(pos[0], pos[1], pos[2]);
    glRotatef(20.0f * tvx_perlin2DNoise(0.2f * t, 0.2f * t, 422), 0.0f, 0.0f, 1.0f);
    tvx_setLight0(1);
    glPushMatrix();
    glRotatef(180.0f, 0.0f, 0.0f, 1.0f);
    glRotatef(180.0f, 1.0f, 0.0f, 0.0f);
    glScalef(0.02f, 0.02f, 0.02f);
    glmDraw(scene2_skepp, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
    flight_restoreModelState();
    glPopMatrix();
    tvx_setLight0(0);
    tvx_disableShader();
    glPopMatrix();
}

void flight_bloomPass(unsigned int texture, float noiseLevel, float t, float fadeLevel)
{
    tvx_enableShader(scene4_glowShader);
    sendFloat(scene4_glowShader, "noiseLevel", noiseLevel);
    sendFloat(scene4_glowShader, "timer", t);
    sendFloat(scene4_glowShader, "fadeLevel", fadeLevel);
    passQuad(0.0f, texture);
    tvx_disableShader();
}
