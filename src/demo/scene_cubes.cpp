/*
 * scene_cubes.cpp - unit cubes drawn in batches, and the cube ribbon (see
 * scene_cubes.h).
 *
 * Cubes whose bounding sphere lies outside a plane of the view volume go
 * nowhere, and of the others only the faces turned towards the eye go out
 * (at most three of six), with glutSolidCube's corners and winding. A face
 * turned away from the eye lies behind the cube's own faces turned towards
 * it, so the picture stays the one the single cubes give, but for single
 * pixels on the outlines: there a face turned away used to win the depth
 * test against the face in front of it by rounding, in the light of the
 * wrong side.
 *
 * The faces a cube shows share their corners (seven for three faces instead
 * of twelve), so the software rasteriser lights and transforms about half as
 * many vertices. They are drawn flat: each triangle takes the colour of its
 * last corner, and each face's two triangles end at a corner of that face
 * alone, which carries the face's normal. Under a directional light and a
 * viewer at infinity, as here, every corner of a face has that face's colour
 * anyway, so flat and smooth shading give the same picture.
 *
 * Depends on: OpenGL (vertex arrays), what can be in view (scene_view.h),
 * the tvx framework's noise, the C++ library (vector).
 */
#include "scene_cubes.h"

#include <math.h>

#include <vector>

#include <GL/glew.h>

#include "scene_view.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

struct CubeVertex {
    float normal[3];
    float position[3];
};

/* glutSolidCube(1.0)'s faces: the outward normal axis and sign, then the
 * corners (signs of x, y, z times 0.5) in its order. */
struct CubeFace {
    int axis;
    float sign;
    float corner[4][3];
};

static const CubeFace faces[6] = {
    {2, 1.0f, {{1, 1, 1}, {-1, 1, 1}, {-1, -1, 1}, {1, -1, 1}}},
    {0, 1.0f, {{1, 1, 1}, {1, -1, 1}, {1, -1, -1}, {1, 1, -1}}},
    {1, 1.0f, {{1, 1, 1}, {1, 1, -1}, {-1, 1, -1}, {-1, 1, 1}}},
    {0, -1.0f, {{-1, 1, 1}, {-1, 1, -1}, {-1, -1, -1}, {-1, -1, 1}}},
    {1, -1.0f, {{-1, -1, -1}, {1, -1, -1}, {1, -1, 1}, {-1, -1, 1}}},
    {2, -1.0f, {{1, -1, -1}, {-1, -1, -1}, {-1, 1, -1}, {1, 1, -1}}},
};

/* Half the diagonal of a unit cube, a little generous. */
static const float CUBE_RADIUS = 0.8661f;

/* How far behind a face's plane the eye must be for the face to count as
 * turned away (faces seen edge-on stay). */
static const float AWAY_MARGIN = 1e-3f;

static std::vector<CubeVertex> vertices;
static std::vector<float> colours;       /* four floats per vertex, or empty */
static std::vector<unsigned int> indices;  /* six per face: its two triangles */
static float lastColour[4];
static int coloured;                     /* 1 when the cubes came with colours */

/* The ribbon of scenes 5 and 8. */
const RibbonCube cubes_ribbonTerrain[4] = {
    {0.0f, 0.5f, 0.6f, 0.035f, 0.0f, 45, 9.0f, 1.0f, 500.0f},
    {0.0f, 0.5f, 0.6f, 0.035f, 0.0f, 40, 13.0f, 1.0f, 400.0f},
    {0.4f, 0.7f, 0.0f, 0.04f, 200.0f, 51, 10.0f, 1.0f, 600.0f},
    {0.7f, 0.1f, 0.5f, 0.04f, 100.0f, 52, 20.0f, 1.0f, 0.0f},
};

/* Scene 6's: the first cube has its own colour, noise seed and a sine ten
 * times as fast. */
const RibbonCube cubes_ribbonLattice[4] = {
    {0.5f, 0.1f, 0.6f, 0.035f, 0.0f, 32, 9.0f, 10.0f, 0.0f},
    {0.0f, 0.5f, 0.6f, 0.035f, 0.0f, 40, 13.0f, 1.0f, 400.0f},
    {0.4f, 0.7f, 0.0f, 0.04f, 200.0f, 51, 10.0f, 1.0f, 600.0f},
    {0.7f, 0.1f, 0.5f, 0.04f, 100.0f, 52, 20.0f, 1.0f, 0.0f},
};

/* ---- Internal helpers ------------------------------------------------------ */

/* A corner of the cube as bits: 1 for +x, 2 for +y, 4 for +z. */
static int cornerBits(const float corner[3])
{
    return (corner[0] > 0.0f) | (corner[1] > 0.0f) << 1 | (corner[2] > 0.0f) << 2;
}

/* Appends corner bits of the cube at centre, with the normal of face. */
static unsigned int addCorner(const float centre[3], int bits, const CubeFace *face,
                              const float *rgba)
{
    CubeVertex v;
    for (int k = 0; k < 3; k++) {
        v.normal[k] = (k == face->axis) ? face->sign : 0.0f;
        v.position[k] = centre[k] + (((bits >> k) & 1) ? 0.5f : -0.5f);
    }
    vertices.push_back(v);
    if (rgba != nullptr)
        colours.insert(colours.end(), rgba, rgba + 4);
    return (unsigned int)(vertices.size() - 1);
}

/* ---- Public functions ------------------------------------------------------ */

void cubes_begin(void)
{
    view_capture();
    vertices.clear();
    colours.clear();
    indices.clear();
    coloured = 0;
}

void cubes_add(float x, float y, float z, const float *rgba)
{
    if (rgba != nullptr) {
        for (int k = 0; k < 4; k++)
            lastColour[k] = rgba[k];
        coloured = 1;
    }
    if (!view_ballInView(x, y, z, CUBE_RADIUS))
        return;
    const float centre[3] = {x, y, z};
    const CubeFace *shown[6];
    int count = 0;
    for (const CubeFace &face : faces) {
        /* the eye behind the face's plane: the face is turned away (no face
         * is, where the eye is not known) */
        float ahead = (view_eye(face.axis) - (centre[face.axis] + 0.5f * face.sign)) * face.sign;
        if (!(ahead < -AWAY_MARGIN))
            shown[count++] = &face;
    }
    unsigned int vertexOf[8];
    int made = 0;   /* bit c: corner c has its vertex */
    for (int i = 0; i < count; i++) {
        const CubeFace *face = shown[i];
        /* The face's own corner: on the face, and off every other face
         * shown where they lie on other axes (as the three faces at most
         * that the eye sees do); it gets a vertex of its own in any case. */
        int own = (face->sign > 0.0f) << face->axis;
        for (int j = 0; j < count; j++) {
            if (shown[j]->axis != face->axis && shown[j]->sign < 0.0f)
                own |= 1 << shown[j]->axis;
        }
        unsigned int last = addCorner(centre, own, face, rgba);
        if (!(made & (1 << own))) {
            vertexOf[own] = last;
            made |= 1 << own;
        }
        int corner[4], at = 0;
        for (int k = 0; k < 4; k++) {
            corner[k] = cornerBits(face->corner[k]);
            if (corner[k] == own)
                at = k;
            else if (!(made & (1 << corner[k]))) {
                vertexOf[corner[k]] = addCorner(centre, corner[k], face, rgba);
                made |= 1 << corner[k];
            }
        }
        /* Both triangles end at the face's own corner, in the face's
         * winding: (1 2 0) and (2 3 0) counted from it. */
        unsigned int a = vertexOf[corner[(at + 1) % 4]], b = vertexOf[corner[(at + 2) % 4]];
        unsigned int c = vertexOf[corner[(at + 3) % 4]];
        const unsigned int pair[6] = {a, b, last, b, c, last};
        indices.insert(indices.end(), pair, pair + 6);
    }
}

int cubes_faceCount(void)
{
    return (int)(indices.size() / 6);
}

void cubes_draw(void)
{
    int faceCount = cubes_faceCount();
    if (faceCount > 0) {
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_NORMAL_ARRAY);
        glVertexPointer(3, GL_FLOAT, sizeof(CubeVertex), vertices[0].position);
        glNormalPointer(GL_FLOAT, sizeof(CubeVertex), vertices[0].normal);
        if (!colours.empty()) {
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_FLOAT, 0, colours.data());
        }
        GLint shading = GL_SMOOTH;
        glGetIntegerv(GL_SHADE_MODEL, &shading);
        glShadeModel(GL_FLAT);
        glDrawElements(GL_TRIANGLES, 6 * faceCount, GL_UNSIGNED_INT, indices.data());
        glShadeModel((GLenum)shading);
        if (!colours.empty())
            glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    if (coloured)
        glColor4fv(lastColour);
    vertices.clear();
    colours.clear();
    indices.clear();
    coloured = 0;
}

float cubes_ribbonX(const RibbonCube *cube, float d)
{
    return 10.0f * tvx_perlin2DNoise((float)(cube->noiseScale * d + cube->noiseOffset), 0.0f,
                                     cube->seed);
}

float cubes_ribbonY(const RibbonCube *cube, float d)
{
    return (float)(cube->amplitude * sin(cube->frequency * (0.1 * d) + cube->phase));
}

int cubes_ribbonSteps(float t)
{
    int steps = 0;
    for (float d = 50.0f * t - 20.0f; 50.0f * t + 20.0f - 24.0f > d; d = (float)(d + 0.1))
        steps++;
    return steps;
}

void cubes_drawRibbon(float t, const RibbonCube cubes[4])
{
    cubes_begin();
    for (float d = 50.0f * t - 20.0f; 50.0f * t + 20.0f - 24.0f > d; d = (float)(d + 0.1)) {
        for (int k = 0; k < 4; k++) {
            const RibbonCube *cube = &cubes[k];
            const float rgba[4] = {cube->r, cube->g, cube->b, 1.0f};
            cubes_add(cubes_ribbonX(cube, d), cubes_ribbonY(cube, d), 50.0f * t - d, rgba);
        }
    }
    cubes_draw();
}
