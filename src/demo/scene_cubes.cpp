/*
 * scene_cubes.cpp - unit cubes drawn in batches (see scene_cubes.h).
 *
 * Cubes whose bounding sphere lies outside a plane of the view volume go
 * nowhere, and of the others only the faces turned towards the eye go out
 * (at most three of six), in glutSolidCube's order, with its corners and its
 * two triangles per face (0 1 2, 0 2 3). A face turned away from the eye
 * lies behind the cube's own faces turned towards it, so the picture stays
 * the one the single cubes give, but for single pixels on the outlines:
 * there a face turned away used to win the depth test against the face in
 * front of it by rounding, in the light of the wrong side.
 *
 * Depends on: OpenGL (vertex arrays), the C++ library (vector).
 */
#include "scene_cubes.h"

#include <math.h>

#include <vector>

#include <GL/glew.h>

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

static float planes[6][4];               /* view volume, normalised, inside >= 0 */
static float eye[3];                     /* the eye in object coordinates */
static std::vector<CubeVertex> vertices;
static std::vector<float> colours;       /* four floats per vertex, or empty */
static std::vector<unsigned int> indices;
static float lastColour[4];
static int coloured;                     /* 1 when the cubes came with colours */

/* ---- Internal helpers ------------------------------------------------------ */

/* The six planes of the view volume in object coordinates, from the rows of
 * projection times model-view. */
static void findPlanes(const float p[16], const float m[16])
{
    float c[16];
    for (int col = 0; col < 4; col++) {
        for (int row = 0; row < 4; row++) {
            float s = 0.0f;
            for (int k = 0; k < 4; k++)
                s += p[k * 4 + row] * m[col * 4 + k];
            c[col * 4 + row] = s;
        }
    }
    for (int i = 0; i < 6; i++) {
        int row = i / 2;
        float sign = (i % 2 == 0) ? 1.0f : -1.0f;
        float len2 = 0.0f;
        for (int col = 0; col < 4; col++) {
            planes[i][col] = c[col * 4 + 3] + sign * c[col * 4 + row];
            if (col < 3)
                len2 += planes[i][col] * planes[i][col];
        }
        float len = sqrtf(len2);
        if (len > 0.0f) {
            for (int col = 0; col < 4; col++)
                planes[i][col] /= len;
        }
    }
}

/* The eye (the origin of eye space) in object coordinates: minus the
 * inverse of the model-view's linear part times its translation. */
static void findEye(const float m[16])
{
    const float a = m[0], b = m[4], c = m[8];
    const float d = m[1], e = m[5], f = m[9];
    const float g = m[2], h = m[6], i = m[10];
    float det = a * (e * i - f * h) - b * (d * i - f * g) + c * (d * h - e * g);
    if (det == 0.0f) {
        eye[0] = eye[1] = eye[2] = NAN;   /* no face is then taken for one turned away */
        return;
    }
    const float inv[9] = {
        (e * i - f * h) / det, (c * h - b * i) / det, (b * f - c * e) / det,
        (f * g - d * i) / det, (a * i - c * g) / det, (c * d - a * f) / det,
        (d * h - e * g) / det, (b * g - a * h) / det, (a * e - b * d) / det,
    };
    for (int r = 0; r < 3; r++)
        eye[r] = -(inv[r * 3] * m[12] + inv[r * 3 + 1] * m[13] + inv[r * 3 + 2] * m[14]);
}

/* ---- Public functions ------------------------------------------------------ */

void cubes_begin(void)
{
    float m[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    findPlanes(p, m);
    findEye(m);
    vertices.clear();
    colours.clear();
    coloured = 0;
}

int cubes_ballInView(float x, float y, float z, float radius)
{
    for (int i = 0; i < 6; i++) {
        const float *q = planes[i];
        if (q[0] * x + q[1] * y + q[2] * z + q[3] < -radius)
            return 0;
    }
    return 1;
}

int cubes_boxInView(const float lo[3], const float hi[3])
{
    for (int i = 0; i < 6; i++) {
        const float *q = planes[i];
        /* The corner furthest along the plane's inward normal. */
        float d = q[3];
        for (int k = 0; k < 3; k++)
            d += q[k] * (q[k] >= 0.0f ? hi[k] : lo[k]);
        if (d < 0.0f)
            return 0;
    }
    return 1;
}

int cubes_inView(float x, float y, float z)
{
    return cubes_ballInView(x, y, z, CUBE_RADIUS);
}

void cubes_add(float x, float y, float z, const float *rgba)
{
    if (rgba != nullptr) {
        for (int k = 0; k < 4; k++)
            lastColour[k] = rgba[k];
        coloured = 1;
    }
    if (!cubes_inView(x, y, z))
        return;
    const float centre[3] = {x, y, z};
    for (const CubeFace &face : faces) {
        /* the eye behind the face's plane: the face is turned away */
        float ahead = (eye[face.axis] - (centre[face.axis] + 0.5f * face.sign)) * face.sign;
        if (ahead < -AWAY_MARGIN)
            continue;
        for (const float *corner : face.corner) {
            CubeVertex v;
            for (int k = 0; k < 3; k++) {
                v.normal[k] = (k == face.axis) ? face.sign : 0.0f;
                v.position[k] = centre[k] + 0.5f * corner[k];
            }
            vertices.push_back(v);
            if (rgba != nullptr)
                colours.insert(colours.end(), rgba, rgba + 4);
        }
    }
}

int cubes_faceCount(void)
{
    return (int)(vertices.size() / 4);
}

void cubes_draw(void)
{
    int faceCount = cubes_faceCount();
    while ((int)indices.size() < 6 * faceCount) {
        unsigned int base = (unsigned int)(indices.size() / 6) * 4;
        const unsigned int quad[6] = {base, base + 1, base + 2, base, base + 2, base + 3};
        indices.insert(indices.end(), quad, quad + 6);
    }
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
        glDrawElements(GL_TRIANGLES, 6 * faceCount, GL_UNSIGNED_INT, indices.data());
        if (!colours.empty())
            glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    if (coloured)
        glColor4fv(lastColour);
    vertices.clear();
    colours.clear();
    coloured = 0;
}
