/*
 * models_greets.cpp - the nine greeting models (greets/greet0.obj to
 * greet8.obj): names of befriended demo groups, extruded from the outlines
 * of the demo's rounded font.
 *
 * Scene 5 turns each model 90 degrees about x and scales it by 5 before it
 * drifts past the ship, so the sign lies in the model's xz plane, its top
 * towards -z; after the turn it stands upright. The camera swings round the
 * models during the scene and sees them from both sides, so each is a dark
 * plate carrying the name on both faces: on the face towards +y as it reads
 * from that side, and mirrored on the face towards -y, so that it reads the
 * right way round from behind as well. The letters are 1.35 units to the em
 * (cap height about 0.95, 4.7 in the scene), stand 0.15 proud of a plate
 * 0.08 thick, and the whole is centred on the origin.
 *
 * Depends on: models.h, FreeType (glyph outlines), the GLU tessellator.
 */
#include "models.h"

#include <GL/glu.h>      /* the polygon tessellator */
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H  /* FT_Outline_Decompose */

#include <cmath>
#include <cstdint>       /* intptr_t: point indices as tessellator data */
#include <cstdio>

/* ---- State ------------------------------------------------------------------- */

static const char *const GREET_NAMES[GREET_COUNT] = {
    "Ferrocene", "Umbravox", "Korvidae", "Lampwick", "Zinnober",
    "Morsetide", "Glasshaus", "Vektorvolk", "Nullkern",
};

/* neon face colours, one per group */
static const float GREET_COLOURS[GREET_COUNT][3] = {
    {1.0f, 0.35f, 0.1f}, {0.2f, 0.9f, 1.0f}, {1.0f, 0.2f, 0.7f}, {0.6f, 1.0f, 0.2f}, {1.0f, 0.85f, 0.2f},
    {0.5f, 0.4f, 1.0f},  {0.2f, 1.0f, 0.7f}, {1.0f, 0.4f, 0.4f}, {0.9f, 0.9f, 0.95f},
};

static const float EM_SIZE = 1.35f;
static const float DEPTH = 0.15f;          /* of the letters on each face */
static const float PLATE = 0.08f;          /* thickness of the plate */
static const float MARGIN = 0.12f;         /* of the plate round the name */
static const int CURVE_STEPS = 6;

struct Outline {
    std::vector<std::vector<V2>> contours;
    V2 pen;
    float scale;
};

struct Tess {
    std::vector<V2> *points;
    std::vector<int> triangles;
};

/* ---- Internal helpers ---------------------------------------------------------- */

static V2 fromFt(const FT_Vector *p, const Outline *o)
{
    return V2{o->pen.x + p->x * o->scale, o->pen.y + p->y * o->scale};
}

static void addPoint(Outline *o, V2 p)
{
    std::vector<V2> &c = o->contours.back();
    if (!c.empty() && std::fabs(c.back().x - p.x) < 1e-5f && std::fabs(c.back().y - p.y) < 1e-5f)
        return;
    c.push_back(p);
}

static int moveTo(const FT_Vector *to, void *user)
{
    Outline *o = (Outline *)user;
    o->contours.push_back({});
    addPoint(o, fromFt(to, o));
    return 0;
}

static int lineTo(const FT_Vector *to, void *user)
{
    Outline *o = (Outline *)user;
    addPoint(o, fromFt(to, o));
    return 0;
}

static int conicTo(const FT_Vector *control, const FT_Vector *to, void *user)
{
    Outline *o = (Outline *)user;
    V2 p0 = o->contours.back().back(), p1 = fromFt(control, o), p2 = fromFt(to, o);
    for (int i = 1; i <= CURVE_STEPS; i++) {
        float t = (float)i / CURVE_STEPS, s = 1.0f - t;
        addPoint(o, V2{s * s * p0.x + 2 * s * t * p1.x + t * t * p2.x, s * s * p0.y + 2 * s * t * p1.y + t * t * p2.y});
    }
    return 0;
}

static int cubicTo(const FT_Vector *c1, const FT_Vector *c2, const FT_Vector *to, void *user)
{
    Outline *o = (Outline *)user;
    V2 p0 = o->contours.back().back(), p1 = fromFt(c1, o), p2 = fromFt(c2, o), p3 = fromFt(to, o);
    for (int i = 1; i <= CURVE_STEPS; i++) {
        float t = (float)i / CURVE_STEPS, s = 1.0f - t;
        float a = s * s * s, b = 3 * s * s * t, c = 3 * s * t * t, d = t * t * t;
        addPoint(o, V2{a * p0.x + b * p1.x + c * p2.x + d * p3.x, a * p0.y + b * p1.y + c * p2.y + d * p3.y});
    }
    return 0;
}

static float signedArea(const std::vector<V2> &c)
{
    float a = 0.0f;
    for (size_t i = 0; i < c.size(); i++) {
        const V2 &p = c[i], &q = c[(i + 1) % c.size()];
        a += p.x * q.y - q.x * p.y;
    }
    return a * 0.5f;
}

static bool insideContour(const std::vector<V2> &c, V2 p)
{
    bool inside = false;
    for (size_t i = 0, j = c.size() - 1; i < c.size(); j = i++) {
        if ((c[i].y > p.y) != (c[j].y > p.y) &&
            p.x < (c[j].x - c[i].x) * (p.y - c[i].y) / (c[j].y - c[i].y) + c[i].x)
            inside = !inside;
    }
    return inside;
}

/* Outer contours counter-clockwise, holes clockwise, so that the filled
 * region always lies to the left of a contour. */
static void orientContours(std::vector<std::vector<V2>> &contours)
{
    for (size_t i = 0; i < contours.size(); i++) {
        int depth = 0;
        for (size_t j = 0; j < contours.size(); j++)
            if (j != i && insideContour(contours[j], contours[i][0]))
                depth++;
        bool hole = depth % 2 == 1;
        float area = signedArea(contours[i]);
        if ((area > 0) == hole) {
            std::vector<V2> reversed(contours[i].rbegin(), contours[i].rend());
            contours[i] = reversed;
        }
    }
}

static void GLAPIENTRY tessVertex(void *vertex, void *user)
{
    ((Tess *)user)->triangles.push_back((int)(intptr_t)vertex);
}

static void GLAPIENTRY tessEdgeFlag(GLboolean, void *) {}

static void GLAPIENTRY tessCombine(GLdouble coords[3], void *[4], GLfloat[4], void **out, void *user)
{
    Tess *t = (Tess *)user;
    t->points->push_back(V2{(float)coords[0], (float)coords[1]});
    *out = (void *)(intptr_t)(t->points->size() - 1);
}

/* Triangulates the filled region of the contours (non-zero rule); returns
 * triangles as indices into `points`, which holds the contour points in
 * order followed by any point the tessellator had to add. */
static std::vector<int> triangulate(const std::vector<std::vector<V2>> &contours, std::vector<V2> *points)
{
    Tess tess;
    tess.points = points;
    std::vector<GLdouble> coords;
    size_t total = 0;
    for (const std::vector<V2> &c : contours)
        total += c.size();
    coords.reserve(total * 3);
    GLUtesselator *t = gluNewTess();
    gluTessCallback(t, GLU_TESS_VERTEX_DATA, (void(GLAPIENTRY *)())tessVertex);
    gluTessCallback(t, GLU_TESS_EDGE_FLAG_DATA, (void(GLAPIENTRY *)())tessEdgeFlag);
    gluTessCallback(t, GLU_TESS_COMBINE_DATA, (void(GLAPIENTRY *)())tessCombine);
    gluTessProperty(t, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(t, 0, 0, 1);
    gluTessBeginPolygon(t, &tess);
    size_t index = 0;
    for (const std::vector<V2> &c : contours) {
        gluTessBeginContour(t);
        for (const V2 &p : c) {
            coords.push_back(p.x);
            coords.push_back(p.y);
            coords.push_back(0.0);
            gluTessVertex(t, &coords[coords.size() - 3], (void *)(intptr_t)index);
            index++;
        }
        gluTessEndContour(t);
    }
    gluTessEndPolygon(t);
    gluDeleteTess(t);
    /* every triangle counter-clockwise in the xy plane */
    for (size_t i = 0; i + 2 < tess.triangles.size(); i += 3) {
        V2 a = (*points)[tess.triangles[i]], b = (*points)[tess.triangles[i + 1]], c = (*points)[tess.triangles[i + 2]];
        if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) < 0) {
            int v = tess.triangles[i + 1];
            tess.triangles[i + 1] = tess.triangles[i + 2];
            tess.triangles[i + 2] = v;
        }
    }
    return tess.triangles;
}

/* One glyph's contours as a closed solid from z = z0 to z1. */
static void extrudeGlyph(Mesh *mesh, int k, std::vector<std::vector<V2>> contours, float z0, float z1)
{
    orientContours(contours);
    std::vector<V2> points;
    for (const std::vector<V2> &c : contours)
        points.insert(points.end(), c.begin(), c.end());
    std::vector<int> tris = triangulate(contours, &points);

    char face[32];
    std::snprintf(face, sizeof face, "face%d", k);
    meshShellBegin(mesh);
    std::vector<int> front, back;
    for (const V2 &p : points) {
        front.push_back(meshVertex(mesh, v3(p.x, p.y, z1)));
        back.push_back(meshVertex(mesh, v3(p.x, p.y, z0)));
    }
    meshUse(mesh, face);
    for (size_t i = 0; i + 2 < tris.size(); i += 3) {
        meshTri(mesh, front[tris[i]], front[tris[i + 1]], front[tris[i + 2]]);
        meshTri(mesh, back[tris[i]], back[tris[i + 2]], back[tris[i + 1]]);
    }
    meshUse(mesh, "side");
    size_t base = 0;
    for (const std::vector<V2> &c : contours) {
        for (size_t i = 0; i < c.size(); i++) {
            size_t a = base + i, b = base + (i + 1) % c.size();
            meshQuad(mesh, front[b], front[a], back[a], back[b]);
        }
        base += c.size();
    }
    meshShellEnd(mesh);
}

/* ---- Public functions ------------------------------------------------------------ */

const char *greetName(int k) { return GREET_NAMES[k]; }

void greetMaterials(Mesh *mesh)
{
    char name[32];
    for (int k = 0; k < GREET_COUNT; k++) {
        std::snprintf(name, sizeof name, "face%d", k);
        const float *c = GREET_COLOURS[k];
        meshMaterial(mesh, name, c[0], c[1], c[2], 0.9f, 0.8f, 80.0f, 1.0f);
    }
    meshMaterial(mesh, "side", 0.16f, 0.16f, 0.2f, 1.0f, 0.9f, 90.0f, 1.0f);
    meshMaterial(mesh, "plate", 0.07f, 0.07f, 0.09f, 1.0f, 0.5f, 60.0f, 1.0f);
}

int buildGreet(Mesh *mesh, int k, const char *fontPath)
{
    FT_Library library;
    FT_Face face;
    if (FT_Init_FreeType(&library) != 0)
        return -1;
    if (FT_New_Face(library, fontPath, 0, &face) != 0) {
        FT_Done_FreeType(library);
        return -1;
    }
    meshInit(mesh);
    greetMaterials(mesh);
    meshGroup(mesh, GREET_NAMES[k]);

    Outline outline;
    outline.scale = EM_SIZE / face->units_per_EM;
    outline.pen = V2{0, 0};
    FT_Outline_Funcs funcs = {moveTo, lineTo, conicTo, cubicTo, 0, 0};
    std::vector<std::vector<std::vector<V2>>> glyphs;
    FT_UInt previous = 0;
    for (const char *p = GREET_NAMES[k]; *p; p++) {
        FT_UInt index = FT_Get_Char_Index(face, (FT_ULong)(unsigned char)*p);
        if (previous && FT_HAS_KERNING(face)) {
            FT_Vector kern;
            FT_Get_Kerning(face, previous, index, FT_KERNING_UNSCALED, &kern);
            outline.pen.x += kern.x * outline.scale;
        }
        if (FT_Load_Glyph(face, index, FT_LOAD_NO_SCALE) == 0 && face->glyph->format == FT_GLYPH_FORMAT_OUTLINE) {
            outline.contours.clear();
            FT_Outline_Decompose(&face->glyph->outline, &funcs, &outline);
            std::vector<std::vector<V2>> contours;
            for (std::vector<V2> &c : outline.contours) {
                if (c.size() > 1 && std::fabs(c.front().x - c.back().x) < 1e-5f &&
                    std::fabs(c.front().y - c.back().y) < 1e-5f)
                    c.pop_back();
                if (c.size() >= 3)
                    contours.push_back(c);
            }
            if (!contours.empty())
                glyphs.push_back(contours);
        }
        outline.pen.x += face->glyph->advance.x * outline.scale;
        previous = index;
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    /* centre the line on the origin */
    float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
    for (const auto &g : glyphs)
        for (const auto &c : g)
            for (const V2 &p : c) {
                x0 = std::fmin(x0, p.x);
                x1 = std::fmax(x1, p.x);
                y0 = std::fmin(y0, p.y);
                y1 = std::fmax(y1, p.y);
            }
    Xf toModel = xfRotate(-90.0f, 1, 0, 0);
    Xf centre = xfTranslate(-(x0 + x1) * 0.5f, -(y0 + y1) * 0.5f, 0);
    meshSetXf(mesh, toModel);
    meshUse(mesh, "plate");
    primBox(mesh, v3(0, 0, 0), v3((x1 - x0) * 0.5f + MARGIN, (y1 - y0) * 0.5f + MARGIN, PLATE * 0.5f));
    /* the front face's name, then the back face's, mirrored across x */
    meshSetXf(mesh, xfMul(toModel, centre));
    for (const auto &g : glyphs)
        extrudeGlyph(mesh, k, g, PLATE * 0.5f, PLATE * 0.5f + DEPTH);
    meshSetXf(mesh, xfMul(toModel, xfMul(xfScale(-1, 1, 1), centre)));
    for (const auto &g : glyphs)
        extrudeGlyph(mesh, k, g, -PLATE * 0.5f - DEPTH, -PLATE * 0.5f);
    meshSetXf(mesh, xfIdentity());
    return glyphs.empty() ? -1 : 0;
}
