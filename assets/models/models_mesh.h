/*
 * models_mesh.h - the triangle mesh builder of the model generator.
 *
 * A mesh is a list of points, triangles, groups and materials. Parts are
 * built from closed shells (boxes, lofts, lathes, extrusions) placed through
 * an affine transform; every shell is turned so that its faces wind
 * counter-clockwise seen from outside. The writer emits Wavefront OBJ with an
 * MTL library beside it, with fixed number formatting so that regenerating
 * gives byte-identical files.
 *
 * Depends on: the C++ standard library only.
 */
#ifndef MODELS_MESH_H
#define MODELS_MESH_H

#include <string>
#include <vector>

struct V3 {
    float x, y, z;
};

struct V2 {
    float x, y;
};

/* Affine transform: rows of a 3x4 matrix, p' = M p + t. */
struct Xf {
    float m[3][4];
};

struct MeshMaterial {
    std::string name;
    float kd[3], ka[3], ks[3];
    float ns;      /* MTL shininess, 0..100 */
    float d;       /* opacity; below 1 draws in the additive pass */
};

struct MeshTri {
    int v[3];
    int material;
    int group;
};

struct Mesh {
    std::vector<V3> verts;
    std::vector<MeshTri> tris;
    std::vector<std::string> groups;
    std::vector<MeshMaterial> materials;
    int group;
    int material;
    size_t shellStart;
    Xf xf;
};

/* ---- Vectors and transforms --------------------------------------------- */

V3 v3(float x, float y, float z);
V3 v3add(V3 a, V3 b);
V3 v3sub(V3 a, V3 b);
V3 v3scale(V3 a, float s);
V3 v3cross(V3 a, V3 b);
float v3dot(V3 a, V3 b);
V3 v3norm(V3 a);
V3 v3lerp(V3 a, V3 b, float u);

Xf xfIdentity(void);
Xf xfTranslate(float x, float y, float z);
Xf xfScale(float x, float y, float z);
Xf xfRotate(float degrees, float ax, float ay, float az);
Xf xfMul(const Xf &a, const Xf &b);     /* a applied after b */
V3 xfPoint(const Xf &m, V3 p);

/* ---- Building ------------------------------------------------------------ */

void meshInit(Mesh *mesh);
void meshMaterial(Mesh *mesh, const char *name, float r, float g, float b,
                  float ambient, float specular, float ns, float d);
void meshUse(Mesh *mesh, const char *material);
void meshGroup(Mesh *mesh, const char *name);
void meshSetXf(Mesh *mesh, const Xf &xf);
int meshVertex(Mesh *mesh, V3 p);
void meshTri(Mesh *mesh, int a, int b, int c);
void meshQuad(Mesh *mesh, int a, int b, int c, int d);
void meshShellBegin(Mesh *mesh);
void meshShellEnd(Mesh *mesh);
/* Moves every point built so far through xf (a uniform scale and a shift
 * keep the shells' winding). */
void meshTransformAll(Mesh *mesh, const Xf &xf);
/* Puts the triangles into one group per material in use, named after the
 * material, in material order: each group then holds a single material, set
 * once before its run of triangles. */
void meshGroupByMaterial(Mesh *mesh);

/* ---- Closed primitives (each one shell, in the current transform) --------- */

void primBox(Mesh *mesh, V3 center, V3 half);
/* Rings of equal size joined in order; a ring of one point is an apex.
 * Open ends are closed with a fan from the ring's first point. */
void primLoft(Mesh *mesh, const std::vector<std::vector<V3>> &rings);
/* Rings joined in a loop (a torus-like shell without caps). */
void primLoftLoop(Mesh *mesh, const std::vector<std::vector<V3>> &rings);
/* Surface of revolution about +y: profile points (radius, height) from the
 * bottom up; radius 0 at an end makes an apex. */
void primLathe(Mesh *mesh, const std::vector<V2> &profile, int sides);
/* Cylinder or cone between two points, capped. */
void primCylinder(Mesh *mesh, V3 p0, V3 p1, float r0, float r1, int sides);
/* Beam of rectangular cross-section (half sizes w across, h along `up`)
 * from p0 to p1. */
void primBeam(Mesh *mesh, V3 p0, V3 p1, float w, float h, V3 up);
/* Convex polygon in the zy plane (x = z, y = y of each point) swept along x
 * from x0 to x1: a slab with a profile seen from the side. */
void primSlabX(Mesh *mesh, const std::vector<V2> &profileZY, float x0, float x1);
/* Convex polygon in the xy plane extruded from z0 to z1. */
void primPrism(Mesh *mesh, const std::vector<V2> &polygon, float z0, float z1);
/* Ring of `sides` points of the given radii around the axis through c. */
std::vector<V3> ringAround(V3 c, V3 axis, float rx, float ry, int sides, float phase);

/* ---- Output ---------------------------------------------------------------- */

/* Writes the OBJ file at objPath naming the library mtlName, and the
 * library itself at mtlPath unless that is empty (a library shared by
 * several models is written once); returns 0 on success. */
int meshWrite(const Mesh *mesh, const std::string &objPath, const std::string &mtlPath,
              const char *mtlName, const char *title);
/* Writes only the material library (shared by several models). */
int meshWriteMTL(const Mesh *mesh, const std::string &mtlPath, const char *title);

#endif
