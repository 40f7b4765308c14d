/*
 * models_mesh.cpp - points, transforms, closed primitives and the OBJ/MTL
 * writer of the model generator.
 *
 * Depends on: models_mesh.h, the C standard library (file output, maths).
 */
#include "models_mesh.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>   /* exit */

/* ---- Internal helpers ---------------------------------------------------- */

/* Signed volume of the triangles appended since the current shell began. */
static double shellVolume(const Mesh *mesh)
{
    double volume = 0.0;
    for (size_t i = mesh->shellStart; i < mesh->tris.size(); i++) {
        const MeshTri &t = mesh->tris[i];
        V3 a = mesh->verts[t.v[0]], b = mesh->verts[t.v[1]], c = mesh->verts[t.v[2]];
        volume += (double)a.x * ((double)b.y * c.z - (double)b.z * c.y)
                - (double)a.y * ((double)b.x * c.z - (double)b.z * c.x)
                + (double)a.z * ((double)b.x * c.y - (double)b.y * c.x);
    }
    return volume / 6.0;
}

/* A number in the fixed form of the files: four decimals, never "-0.0000". */
static void formatNumber(char *out, size_t size, float value)
{
    if (std::fabs(value) < 0.00005f)
        value = 0.0f;
    std::snprintf(out, size, "%.4f", value);
}

static void writeMaterials(FILE *file, const Mesh *mesh)
{
    for (const MeshMaterial &m : mesh->materials) {
        std::fprintf(file, "\nnewmtl %s\n", m.name.c_str());
        std::fprintf(file, "Ka %.4f %.4f %.4f\n", m.ka[0], m.ka[1], m.ka[2]);
        std::fprintf(file, "Kd %.4f %.4f %.4f\n", m.kd[0], m.kd[1], m.kd[2]);
        std::fprintf(file, "Ks %.4f %.4f %.4f\n", m.ks[0], m.ks[1], m.ks[2]);
        std::fprintf(file, "Ns %.4f\n", m.ns);
        std::fprintf(file, "d %.4f\n", m.d);
        std::fprintf(file, "illum 2\n");
    }
}

/* Fan cap over a ring; `reverse` turns it to face the other way. */
static void capRing(Mesh *mesh, const std::vector<int> &ring, bool reverse)
{
    for (size_t i = 1; i + 1 < ring.size(); i++) {
        if (reverse)
            meshTri(mesh, ring[0], ring[i + 1], ring[i]);
        else
            meshTri(mesh, ring[0], ring[i], ring[i + 1]);
    }
}

static void joinRings(Mesh *mesh, const std::vector<int> &a, const std::vector<int> &b)
{
    if (a.size() == 1 && b.size() == 1)
        return;
    if (a.size() == 1) {
        for (size_t i = 0; i < b.size(); i++)
            meshTri(mesh, a[0], b[(i + 1) % b.size()], b[i]);
        return;
    }
    if (b.size() == 1) {
        for (size_t i = 0; i < a.size(); i++)
            meshTri(mesh, a[i], a[(i + 1) % a.size()], b[0]);
        return;
    }
    size_t n = a.size();
    for (size_t i = 0; i < n; i++) {
        size_t j = (i + 1) % n;
        meshQuad(mesh, a[i], a[j], b[j], b[i]);
    }
}

static std::vector<std::vector<int>> addRings(Mesh *mesh, const std::vector<std::vector<V3>> &rings)
{
    std::vector<std::vector<int>> ids;
    for (const std::vector<V3> &ring : rings) {
        std::vector<int> r;
        for (const V3 &p : ring)
            r.push_back(meshVertex(mesh, p));
        ids.push_back(r);
    }
    return ids;
}

/* ---- Vectors and transforms ---------------------------------------------- */

V3 v3(float x, float y, float z) { return V3{x, y, z}; }
V3 v3add(V3 a, V3 b) { return V3{a.x + b.x, a.y + b.y, a.z + b.z}; }
V3 v3sub(V3 a, V3 b) { return V3{a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 v3scale(V3 a, float s) { return V3{a.x * s, a.y * s, a.z * s}; }
float v3dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 v3lerp(V3 a, V3 b, float u) { return v3add(a, v3scale(v3sub(b, a), u)); }

V3 v3cross(V3 a, V3 b)
{
    return V3{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

V3 v3norm(V3 a)
{
    float l = std::sqrt(v3dot(a, a));
    return l > 0.0f ? v3scale(a, 1.0f / l) : a;
}

Xf xfIdentity(void)
{
    Xf x = {{{1, 0, 0, 0}, {0, 1, 0, 0}, {0, 0, 1, 0}}};
    return x;
}

Xf xfTranslate(float x, float y, float z)
{
    Xf m = xfIdentity();
    m.m[0][3] = x;
    m.m[1][3] = y;
    m.m[2][3] = z;
    return m;
}

Xf xfScale(float x, float y, float z)
{
    Xf m = xfIdentity();
    m.m[0][0] = x;
    m.m[1][1] = y;
    m.m[2][2] = z;
    return m;
}

Xf xfRotate(float degrees, float ax, float ay, float az)
{
    V3 a = v3norm(v3(ax, ay, az));
    double r = degrees * M_PI / 180.0;
    float c = (float)std::cos(r), s = (float)std::sin(r), k = 1.0f - c;
    Xf m = {{{a.x * a.x * k + c, a.x * a.y * k - a.z * s, a.x * a.z * k + a.y * s, 0},
             {a.y * a.x * k + a.z * s, a.y * a.y * k + c, a.y * a.z * k - a.x * s, 0},
             {a.z * a.x * k - a.y * s, a.z * a.y * k + a.x * s, a.z * a.z * k + c, 0}}};
    return m;
}

Xf xfMul(const Xf &a, const Xf &b)
{
    Xf r;
    for (int i = 0; i < 3; i++) {
        for (int j = 0; j < 4; j++) {
            float v = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] + a.m[i][2] * b.m[2][j];
            if (j == 3)
                v += a.m[i][3];
            r.m[i][j] = v;
        }
    }
    return r;
}

V3 xfPoint(const Xf &m, V3 p)
{
    return V3{m.m[0][0] * p.x + m.m[0][1] * p.y + m.m[0][2] * p.z + m.m[0][3],
              m.m[1][0] * p.x + m.m[1][1] * p.y + m.m[1][2] * p.z + m.m[1][3],
              m.m[2][0] * p.x + m.m[2][1] * p.y + m.m[2][2] * p.z + m.m[2][3]};
}

/* ---- Building -------------------------------------------------------------- */

void meshInit(Mesh *mesh)
{
    mesh->verts.clear();
    mesh->tris.clear();
    mesh->groups.clear();
    mesh->materials.clear();
    mesh->group = -1;
    mesh->material = -1;
    mesh->shellStart = 0;
    mesh->xf = xfIdentity();
}

void meshMaterial(Mesh *mesh, const char *name, float r, float g, float b,
                  float ambient, float specular, float ns, float d)
{
    MeshMaterial m;
    m.name = name;
    m.kd[0] = r;
    m.kd[1] = g;
    m.kd[2] = b;
    for (int i = 0; i < 3; i++) {
        m.ka[i] = m.kd[i] * ambient;
        m.ks[i] = specular;
    }
    m.ns = ns;
    m.d = d;
    mesh->materials.push_back(m);
}

void meshUse(Mesh *mesh, const char *material)
{
    for (size_t i = 0; i < mesh->materials.size(); i++) {
        if (mesh->materials[i].name == material) {
            mesh->material = (int)i;
            return;
        }
    }
    std::fprintf(stderr, "model-gen: unknown material %s\n", material);
    std::exit(1);
}

void meshGroup(Mesh *mesh, const char *name)
{
    for (size_t i = 0; i < mesh->groups.size(); i++) {
        if (mesh->groups[i] == name) {
            mesh->group = (int)i;
            return;
        }
    }
    mesh->groups.push_back(name);
    mesh->group = (int)mesh->groups.size() - 1;
}

void meshSetXf(Mesh *mesh, const Xf &xf) { mesh->xf = xf; }

int meshVertex(Mesh *mesh, V3 p)
{
    mesh->verts.push_back(xfPoint(mesh->xf, p));
    return (int)mesh->verts.size() - 1;
}

void meshTri(Mesh *mesh, int a, int b, int c)
{
    MeshTri t = {{a, b, c}, mesh->material, mesh->group};
    mesh->tris.push_back(t);
}

void meshQuad(Mesh *mesh, int a, int b, int c, int d)
{
    meshTri(mesh, a, b, c);
    meshTri(mesh, a, c, d);
}

void meshShellBegin(Mesh *mesh) { mesh->shellStart = mesh->tris.size(); }

void meshShellEnd(Mesh *mesh)
{
    if (shellVolume(mesh) < 0.0) {
        for (size_t i = mesh->shellStart; i < mesh->tris.size(); i++) {
            int v = mesh->tris[i].v[1];
            mesh->tris[i].v[1] = mesh->tris[i].v[2];
            mesh->tris[i].v[2] = v;
        }
    }
    mesh->shellStart = mesh->tris.size();
}

void meshTransformAll(Mesh *mesh, const Xf &xf)
{
    for (V3 &p : mesh->verts)
        p = xfPoint(xf, p);
}

void meshGroupByMaterial(Mesh *mesh)
{
    std::vector<int> groupOf(mesh->materials.size(), -1);
    for (const MeshTri &t : mesh->tris)
        groupOf[t.material] = 0;
    mesh->groups.clear();
    for (size_t m = 0; m < mesh->materials.size(); m++) {
        if (groupOf[m] < 0)
            continue;
        groupOf[m] = (int)mesh->groups.size();
        mesh->groups.push_back(mesh->materials[m].name);
    }
    for (MeshTri &t : mesh->tris)
        t.group = groupOf[t.material];
    mesh->group = 0;
}

/* ---- Closed primitives ------------------------------------------------------ */

void primBox(Mesh *mesh, V3 c, V3 h)
{
    std::vector<V3> bottom = {v3(c.x - h.x, c.y - h.y, c.z - h.z), v3(c.x + h.x, c.y - h.y, c.z - h.z),
                              v3(c.x + h.x, c.y + h.y, c.z - h.z), v3(c.x - h.x, c.y + h.y, c.z - h.z)};
    std::vector<V3> top = bottom;
    for (V3 &p : top)
        p.z = c.z + h.z;
    primLoft(mesh, {bottom, top});
}

void primLoft(Mesh *mesh, const std::vector<std::vector<V3>> &rings)
{
    meshShellBegin(mesh);
    std::vector<std::vector<int>> ids = addRings(mesh, rings);
    for (size_t k = 0; k + 1 < ids.size(); k++)
        joinRings(mesh, ids[k], ids[k + 1]);
    if (ids.front().size() > 2)
        capRing(mesh, ids.front(), true);
    if (ids.back().size() > 2)
        capRing(mesh, ids.back(), false);
    meshShellEnd(mesh);
}

void primLoftLoop(Mesh *mesh, const std::vector<std::vector<V3>> &rings)
{
    meshShellBegin(mesh);
    std::vector<std::vector<int>> ids = addRings(mesh, rings);
    for (size_t k = 0; k < ids.size(); k++)
        joinRings(mesh, ids[k], ids[(k + 1) % ids.size()]);
    meshShellEnd(mesh);
}

void primLathe(Mesh *mesh, const std::vector<V2> &profile, int sides)
{
    std::vector<std::vector<V3>> rings;
    for (const V2 &p : profile) {
        std::vector<V3> ring;
        if (p.x <= 0.0f) {
            ring.push_back(v3(0, p.y, 0));
        } else {
            for (int i = 0; i < sides; i++) {
                double a = 2.0 * M_PI * i / sides;
                ring.push_back(v3(p.x * (float)std::cos(a), p.y, -p.x * (float)std::sin(a)));
            }
        }
        rings.push_back(ring);
    }
    primLoft(mesh, rings);
}

std::vector<V3> ringAround(V3 c, V3 axis, float rx, float ry, int sides, float phase)
{
    V3 n = v3norm(axis);
    V3 helper = std::fabs(n.y) < 0.9f ? v3(0, 1, 0) : v3(1, 0, 0);
    V3 u = v3norm(v3cross(helper, n));
    V3 w = v3cross(n, u);
    std::vector<V3> ring;
    for (int i = 0; i < sides; i++) {
        double a = 2.0 * M_PI * i / sides + phase;
        ring.push_back(v3add(c, v3add(v3scale(u, rx * (float)std::cos(a)),
                                      v3scale(w, ry * (float)std::sin(a)))));
    }
    return ring;
}

void primCylinder(Mesh *mesh, V3 p0, V3 p1, float r0, float r1, int sides)
{
    V3 axis = v3sub(p1, p0);
    std::vector<std::vector<V3>> rings;
    rings.push_back(r0 > 0 ? ringAround(p0, axis, r0, r0, sides, 0) : std::vector<V3>{p0});
    rings.push_back(r1 > 0 ? ringAround(p1, axis, r1, r1, sides, 0) : std::vector<V3>{p1});
    primLoft(mesh, rings);
}

void primBeam(Mesh *mesh, V3 p0, V3 p1, float w, float h, V3 up)
{
    V3 dir = v3norm(v3sub(p1, p0));
    V3 side = v3norm(v3cross(dir, up));
    V3 top = v3cross(side, dir);
    std::vector<std::vector<V3>> rings;
    for (V3 c : {p0, p1}) {
        rings.push_back({v3add(c, v3add(v3scale(side, -w), v3scale(top, -h))),
                         v3add(c, v3add(v3scale(side, w), v3scale(top, -h))),
                         v3add(c, v3add(v3scale(side, w), v3scale(top, h))),
                         v3add(c, v3add(v3scale(side, -w), v3scale(top, h)))});
    }
    primLoft(mesh, rings);
}

void primSlabX(Mesh *mesh, const std::vector<V2> &profileZY, float x0, float x1)
{
    std::vector<V3> a, b;
    for (const V2 &p : profileZY) {
        a.push_back(v3(x0, p.y, p.x));
        b.push_back(v3(x1, p.y, p.x));
    }
    primLoft(mesh, {a, b});
}

void primPrism(Mesh *mesh, const std::vector<V2> &polygon, float z0, float z1)
{
    std::vector<V3> a, b;
    for (const V2 &p : polygon) {
        a.push_back(v3(p.x, p.y, z0));
        b.push_back(v3(p.x, p.y, z1));
    }
    primLoft(mesh, {a, b});
}

/* ---- Output ------------------------------------------------------------------ */

int meshWriteMTL(const Mesh *mesh, const std::string &mtlPath, const char *title)
{
    FILE *file = std::fopen(mtlPath.c_str(), "w");
    if (!file)
        return -1;
    std::fprintf(file, "# %s\n# generated by assets/models (model-gen); do not edit by hand\n", title);
    writeMaterials(file, mesh);
    return std::fclose(file) == 0 ? 0 : -1;
}

int meshWrite(const Mesh *mesh, const std::string &objPath, const std::string &mtlPath,
              const char *mtlName, const char *title)
{
    if (!mtlPath.empty() && meshWriteMTL(mesh, mtlPath, title) != 0)
        return -1;
    FILE *file = std::fopen(objPath.c_str(), "w");
    if (!file)
        return -1;
    std::fprintf(file, "# %s\n# generated by assets/models (model-gen); do not edit by hand\n", title);
    std::fprintf(file, "# %zu vertices, %zu triangles\n", mesh->verts.size(), mesh->tris.size());
    std::fprintf(file, "mtllib %s\n\n", mtlName);
    char x[32], y[32], z[32];
    for (const V3 &v : mesh->verts) {
        formatNumber(x, sizeof x, v.x);
        formatNumber(y, sizeof y, v.y);
        formatNumber(z, sizeof z, v.z);
        std::fprintf(file, "v %s %s %s\n", x, y, z);
    }
    for (size_t g = 0; g < mesh->groups.size(); g++) {
        std::fprintf(file, "\ng %s\n", mesh->groups[g].c_str());
        int current = -2;
        for (const MeshTri &t : mesh->tris) {
            if (t.group != (int)g)
                continue;
            if (t.material != current) {
                current = t.material;
                std::fprintf(file, "usemtl %s\n", mesh->materials[current].name.c_str());
            }
            std::fprintf(file, "f %d %d %d\n", t.v[0] + 1, t.v[1] + 1, t.v[2] + 1);
        }
    }
    return std::fclose(file) == 0 ? 0 : -1;
}
