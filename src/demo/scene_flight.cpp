/*
 * scene_flight.cpp - drawing shared by the late scenes: the cube ribbon, the
 * terrain grid, the ship and the bloom pass.
 *
 * Depends on: OpenGL, the batched cubes (scene_cubes.h), the tvx framework
 * (noise, shaders, lights, screen quads), the model library (the ship,
 * through drawModel) and the timeline's shared assets (scene2_skepp,
 * scene4_glowShader).
 */
#include "scene_flight.h"

#include <math.h>
#include <stddef.h>   /* offsetof */

#include <GL/glew.h>

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

/* The terrain grid, kept in a vertex buffer: 199 strips of 200 columns, two
 * vertices per column. Each vertex carries as its normal the grid position
 * of the vertex sent before it (the shader's neighbour); the very first one
 * takes whatever normal is current when the grid is drawn. */
enum {
    GRID_STRIPS = 199,
    GRID_COLUMNS = 200,
    GRID_STRIP_VERTICES = 2 * GRID_COLUMNS,
    GRID_SEGMENT = 10,                   /* columns per piece tested against the view */
};

struct GridVertex {
    float position[3];
    float normal[3];
};

static GLuint gridBuffer;
static GLint gridFirst[GRID_STRIPS * (GRID_COLUMNS / GRID_SEGMENT)];
static GLsizei gridCount[GRID_STRIPS * (GRID_COLUMNS / GRID_SEGMENT)];

/* Lowest and highest ground the terrain shader makes of the flat grid. */
static const float GROUND_LOW = -10.0f;
static const float GROUND_HIGH = 17.0f;

/* ---- Internal helpers ------------------------------------------------------ */

static void buildTerrainGrid(void)
{
    static GridVertex grid[GRID_STRIPS * GRID_STRIP_VERTICES];
    GridVertex *v = grid;
    float previous[3] = {0.0f, 0.0f, 0.0f};
    for (float z = -100.0f; z < 99.0f; z += 1.0f) {
        for (float x = -100.0f; x < 100.0f; x += 1.0f) {
            for (float row = 0.0f; row <= 1.0f; row += 1.0f) {
                const float here[3] = {x, 0.0f, z + row};
                for (int k = 0; k < 3; k++) {
                    v->position[k] = here[k];
                    v->normal[k] = previous[k];
                    previous[k] = here[k];
                }
                v++;
            }
        }
    }
    glGenBuffers(1, &gridBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, gridBuffer);
    glBufferData(GL_ARRAY_BUFFER, sizeof grid, grid, GL_STATIC_DRAW);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

/* The strips, in pieces of GRID_SEGMENT columns that can be in view (joined
 * where they follow each other). A piece starts on an even vertex, so its
 * triangles keep the winding they have in the whole strip. The normal left
 * current is the last one the grid sends. */
static void emitTerrainGrid(void)
{
    if (gridBuffer == 0)
        buildTerrainGrid();
    cubes_begin();
    int runs = 0;
    for (int s = 0; s < GRID_STRIPS; s++) {
        int open = 0;
        for (int c = 0; c < GRID_COLUMNS - 1; c += GRID_SEGMENT) {
            int last = c + GRID_SEGMENT < GRID_COLUMNS - 1 ? c + GRID_SEGMENT : GRID_COLUMNS - 1;
            const float lo[3] = {(float)c - 100.0f, GROUND_LOW, (float)s - 100.0f};
            const float hi[3] = {(float)last - 100.0f, GROUND_HIGH, (float)s - 99.0f};
            if (!cubes_boxInView(lo, hi)) {
                open = 0;
                continue;
            }
            int first = s * GRID_STRIP_VERTICES + 2 * c;
            int count = 2 * (last - c + 1);
            if (open) {
                gridCount[runs - 1] = first + count - gridFirst[runs - 1];
            } else {
                gridFirst[runs] = first;
                gridCount[runs] = count;
                runs++;
                open = 1;
            }
        }
    }
    float current[4];
    glGetFloatv(GL_CURRENT_NORMAL, current);
    glBindBuffer(GL_ARRAY_BUFFER, gridBuffer);
    glBufferSubData(GL_ARRAY_BUFFER, offsetof(GridVertex, normal), 3 * sizeof(float), current);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, sizeof(GridVertex), (const void *)offsetof(GridVertex, position));
    glNormalPointer(GL_FLOAT, sizeof(GridVertex), (const void *)offsetof(GridVertex, normal));
    if (runs > 0)
        glMultiDrawArrays(GL_TRIANGLE_STRIP, gridFirst, gridCount, runs);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glNormal3f(99.0f, 0.0f, 99.0f);
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
    drawModel(scene2_skepp);
    glPopMatrix();
    tvx_setLight0(0);
    tvx_disableShader();
    glPopMatrix();
}

void flight_bloomPass(unsigned int texture, float noiseLevel, float t, float fadeLevel)
{
    tvx_makeGlow(texture);
    tvx_enableShader(scene4_glowShader);
    sendFloat(scene4_glowShader, "noiseLevel", noiseLevel);
    sendFloat(scene4_glowShader, "timer", t);
    sendFloat(scene4_glowShader, "fadeLevel", fadeLevel);
    bloomShader(scene4_glowShader);
    passQuad(0.0f, texture);
    tvx_disableShader();
}
