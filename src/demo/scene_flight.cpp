/*
 * scene_flight.cpp - the flight of scenes 5 and 6: the programs each of them
 * loads, the terrain grid and the ship above it.
 *
 * Depends on: OpenGL (the grid's vertex buffer), what can be in view
 * (scene_view.h), the tvx framework (shaders, lights, noise), the ship
 * (scene_ship.h), the timeline's opaque drawing.
 */
#include "scene_flight.h"

#include <stddef.h>   /* offsetof */

#include <GL/glew.h>

#include "scene_sepia.h"
#include "scene_ship.h"
#include "scene_view.h"
#include "timeline.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

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
    view_capture();
    int runs = 0;
    for (int s = 0; s < GRID_STRIPS; s++) {
        int open = 0;
        for (int c = 0; c < GRID_COLUMNS - 1; c += GRID_SEGMENT) {
            int last = c + GRID_SEGMENT < GRID_COLUMNS - 1 ? c + GRID_SEGMENT : GRID_COLUMNS - 1;
            const float lo[3] = {(float)c - 100.0f, GROUND_LOW, (float)s - 100.0f};
            const float hi[3] = {(float)last - 100.0f, GROUND_HIGH, (float)s - 99.0f};
            if (!view_boxInView(lo, hi)) {
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

void flight_load(int *terrainShader, int *shipShader, int *noiseShader)
{
    *terrainShader = tvx_loadShader("data/shader/proc_terrain.vert",
                                    "data/shader/proc_terrain.frag");
    *shipShader = tvx_loadShader("data/shader/ship_pos.vert", nullptr);
    *noiseShader = sepia_load();
}

/* The terrain is opaque: its program writes alpha 1. */
void flight_drawTerrain(int shader, float timer)
{
    int blending = opaqueBegin();
    tvx_enableShader(shader);
    sendFloat(shader, "timer", timer);
    emitTerrainGrid();
    tvx_disableShader();
    opaqueEnd(blending);
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
    ship_draw(0.0f);
    glPopMatrix();
    tvx_setLight0(0);
    tvx_disableShader();
    glPopMatrix();
}
