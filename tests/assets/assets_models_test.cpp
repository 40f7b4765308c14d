/*
 * assets_models_test.cpp - the demo's models: each reads through glmReadOBJ
 * without a warning, names its material library and a material for every
 * triangle, is made of closed shells wound counter-clockwise (outward), keeps
 * to its triangle budget and fits where its scene puts it: the cockpit's
 * bezels frame the three screen quads of scene 4 with nothing between them
 * and the eye, the monitor's screen face lies where scene 6 draws its
 * picture, and so on. Regenerating the models gives the committed bytes.
 *
 * Depends on: GoogleTest, the test GL context, the model library, the tvx
 * framework (the ship shader), the timeline (drawModel).
 */
#include <gtest/gtest.h>

#include <algorithm>   /* std::copy */
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <utility>

#include "glm.h"
#include "test_gl.h"
#include "timeline.h"   /* drawModel */
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

struct Box {
    float lo[3], hi[3];
};

struct ModelCase {
    const char *path;
    unsigned minTriangles, maxTriangles;
};

static const ModelCase MODELS[] = {
    {"data/models/tv.obj", 2000, 12000},
    {"data/models/skepp/skepp.obj", 1000, 5000},
    {"data/models/station.obj", 1000, 5000},
    {"data/models/cockpit3.obj", 300, 6000},
    {"data/models/screen.obj", 12, 499},
    {"data/models/greets/greet0.obj", 200, 12000},
    {"data/models/greets/greet1.obj", 200, 12000},
    {"data/models/greets/greet2.obj", 200, 12000},
    {"data/models/greets/greet3.obj", 200, 12000},
    {"data/models/greets/greet4.obj", 200, 12000},
    {"data/models/greets/greet5.obj", 200, 12000},
    {"data/models/greets/greet6.obj", 200, 12000},
    {"data/models/greets/greet7.obj", 200, 12000},
    {"data/models/greets/greet8.obj", 200, 12000},
};

static const char *const GENERATED[] = {
    "tv.obj", "tv.mtl", "skepp/skepp.obj", "skepp/skepp.mtl", "station.obj", "station.mtl",
    "cockpit3.obj", "cockpit3.mtl", "screen.obj", "screen.mtl", "greets/greets.mtl",
    "greets/greet0.obj", "greets/greet1.obj", "greets/greet2.obj", "greets/greet3.obj",
    "greets/greet4.obj", "greets/greet5.obj", "greets/greet6.obj", "greets/greet7.obj",
    "greets/greet8.obj",
};

/* ---- Internal helpers -------------------------------------------------------- */

static GlmModel *readQuietly(const char *path, std::string *warnings)
{
    testing::internal::CaptureStderr();
    GlmModel *model = glmReadOBJ(path);
    *warnings = testing::internal::GetCapturedStderr();
    return model;
}

static const float *vertex(const GlmModel *m, GLuint index) { return &m->vertices[3 * index]; }

static Box bounds(const GlmModel *m)
{
    Box b = {{1e30f, 1e30f, 1e30f}, {-1e30f, -1e30f, -1e30f}};
    for (GLuint i = 1; i <= m->numvertices; i++)
        for (int k = 0; k < 3; k++) {
            b.lo[k] = std::fmin(b.lo[k], vertex(m, i)[k]);
            b.hi[k] = std::fmax(b.hi[k], vertex(m, i)[k]);
        }
    return b;
}

/* Six times the signed volume enclosed by the triangles. */
static double signedVolume6(const GlmModel *m)
{
    double v = 0;
    for (GLuint t = 0; t < m->numtriangles; t++) {
        const float *a = vertex(m, m->triangles[t].vindices[0]);
        const float *b = vertex(m, m->triangles[t].vindices[1]);
        const float *c = vertex(m, m->triangles[t].vindices[2]);
        v += (double)a[0] * ((double)b[1] * c[2] - (double)b[2] * c[1]) -
             (double)a[1] * ((double)b[0] * c[2] - (double)b[2] * c[0]) +
             (double)a[2] * ((double)b[0] * c[1] - (double)b[1] * c[0]);
    }
    return v;
}

/* Number of directed edges that no triangle crosses the other way: zero for
 * closed, consistently wound shells. */
static int unpairedEdges(const GlmModel *m)
{
    std::map<std::pair<GLuint, GLuint>, int> edges;
    for (GLuint t = 0; t < m->numtriangles; t++)
        for (int k = 0; k < 3; k++) {
            GLuint a = m->triangles[t].vindices[k], b = m->triangles[t].vindices[(k + 1) % 3];
            edges[{a, b}]++;
        }
    int unpaired = 0;
    for (const auto &e : edges) {
        auto back = edges.find({e.first.second, e.first.first});
        if (back == edges.end() || back->second != e.second)
            unpaired++;
    }
    return unpaired;
}

/* Distance along the ray from o towards o + d (d not normalised, so 1 is the
 * target point) to the nearest triangle, or a large value. */
static float firstHit(const GlmModel *m, const float o[3], const float d[3])
{
    float best = 1e30f;
    for (GLuint t = 0; t < m->numtriangles; t++) {
        const float *a = vertex(m, m->triangles[t].vindices[0]);
        const float *b = vertex(m, m->triangles[t].vindices[1]);
        const float *c = vertex(m, m->triangles[t].vindices[2]);
        float e1[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
        float e2[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        float p[3] = {d[1] * e2[2] - d[2] * e2[1], d[2] * e2[0] - d[0] * e2[2], d[0] * e2[1] - d[1] * e2[0]};
        float det = e1[0] * p[0] + e1[1] * p[1] + e1[2] * p[2];
        if (std::fabs(det) < 1e-12f)
            continue;
        float s[3] = {o[0] - a[0], o[1] - a[1], o[2] - a[2]};
        float u = (s[0] * p[0] + s[1] * p[1] + s[2] * p[2]) / det;
        if (u < 0 || u > 1)
            continue;
        float q[3] = {s[1] * e1[2] - s[2] * e1[1], s[2] * e1[0] - s[0] * e1[2], s[0] * e1[1] - s[1] * e1[0]};
        float v = (d[0] * q[0] + d[1] * q[1] + d[2] * q[2]) / det;
        if (v < 0 || u + v > 1)
            continue;
        float dist = (e2[0] * q[0] + e2[1] * q[1] + e2[2] * q[2]) / det;
        if (dist > 1e-4f && dist < best)
            best = dist;
    }
    return best;
}

static std::string fileBytes(const std::string &path)
{
    std::string text;
    FILE *file = std::fopen(path.c_str(), "rb");
    if (!file)
        return "<missing>";
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

class ModelFiles : public ::testing::Test {
protected:
    void SetUp() override { testGlContext(320, 180); }
};

/* ---- Tests ------------------------------------------------------------------------ */

TEST_F(ModelFiles, EveryModelReadsCleanWithMaterialsAndClosedOutwardShells)
{
    for (const ModelCase &c : MODELS) {
        SCOPED_TRACE(c.path);
        std::string warnings;
        GlmModel *m = readQuietly(c.path, &warnings);
        EXPECT_EQ(warnings, "");
        ASSERT_NE(m->mtllib, nullptr);
        EXPECT_GT(m->nummaterials, 1u);
        EXPECT_GE(m->numtriangles, c.minTriangles);
        EXPECT_LE(m->numtriangles, c.maxTriangles);
        int unnamed = 0;
        for (GLuint t = 0; t < m->numtriangles; t++)
            unnamed += m->triangles[t].material == 0;
        EXPECT_EQ(unnamed, 0) << "triangles without a material";
        for (GLuint i = 1; i < m->nummaterials; i++) {
            EXPECT_GT(m->materials[i].shininess, 0.0f);
            EXPECT_LE(m->materials[i].shininess, 128.0f);
        }
        EXPECT_EQ(unpairedEdges(m), 0);
        EXPECT_GT(signedVolume6(m), 0.0) << "faces wound clockwise (inward)";
        glmDelete(m);
    }
}

TEST_F(ModelFiles, DrawingWithMode17WritesNoWarningAndLeavesNoGlError)
{
    for (const ModelCase &c : MODELS) {
        SCOPED_TRACE(c.path);
        std::string warnings;
        GlmModel *m = readQuietly(c.path, &warnings);
        tvx_setLight0(1);
        testing::internal::CaptureStderr();
        glmDraw(m, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        tvx_setLight0(0);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        glmDelete(m);
    }
}

TEST_F(ModelFiles, TvTowerStandsOnTheFloorInsideTheCarousel)
{
    std::string warnings;
    GlmModel *m = readQuietly("data/models/tv.obj", &warnings);
    Box b = bounds(m);
    /* at scale 0.075: floor at -10, photographs from 2.9 to 30.1, nearest
     * photograph plane 3.95 from the axis */
    EXPECT_NEAR(b.lo[1] * 0.075f, -10.0f, 0.1f);
    EXPECT_GT(b.hi[1] * 0.075f, 28.0f);
    EXPECT_LT(b.hi[1] * 0.075f, 36.0f);
    for (GLuint i = 1; i <= m->numvertices; i++) {
        const float *p = vertex(m, i);
        if (p[1] * 0.075f < 30.0f) {
            ASSERT_LT(std::hypot(p[0], p[2]) * 0.075f, 3.5f) << "vertex " << i;
        }
    }
    glmDelete(m);
}

TEST_F(ModelFiles, ShipLiesBetweenTheCreditCaptionsNoseForward)
{
    std::string warnings;
    GlmModel *m = readQuietly("data/models/skepp/skepp.obj", &warnings);
    Box b = bounds(m);
    float length = (b.hi[2] - b.lo[2]) * 0.02f, span = (b.hi[0] - b.lo[0]) * 0.02f;
    EXPECT_GT(length, 5.0f);
    EXPECT_GT(span, 3.5f);
    EXPECT_LT(span, length);
    EXPECT_NEAR(b.lo[0], -b.hi[0], 1.0f) << "symmetric";
    EXPECT_GT(b.hi[2], -b.lo[2] * 0.75f) << "the nose reaches well forward";
    /* Scene 3 turns the ship 90 degrees about y (model z becomes the ship
     * frame's x, model -x its z) and looks down on it from about 10 units;
     * the captions lie at ship-frame height 0 ("code" across x = 2.9 to 3.4,
     * "music" and "models" along |z| = 2.6 to 3.4) and 2 ("voices" along
     * z = -0.9 to -1.4 aft of x = -2.3). Seen from above, no part of the
     * ship may reach under a caption. */
    for (GLuint i = 1; i <= m->numvertices; i++) {
        const float *p = vertex(m, i);
        float x = p[2] * 0.02f, y = p[1] * 0.02f, z = -p[0] * 0.02f;
        ASSERT_LT(x, 2.8f) << "vertex " << i << " under the code caption";
        ASSERT_LT(std::fabs(z), 2.5f) << "vertex " << i << " under the music or models caption";
        if (x < -2.3f) {
            ASSERT_LT(std::fabs(z), 0.95f) << "vertex " << i << " under the voices caption";
        }
        ASSERT_LT(y, 1.9f) << "vertex " << i << " above the voices caption";
    }
    glmDelete(m);
}

TEST_F(ModelFiles, StationFitsTheViewOfSceneTwo)
{
    std::string warnings;
    GlmModel *m = readQuietly("data/models/station.obj", &warnings);
    float far = 0;
    for (GLuint i = 1; i <= m->numvertices; i++) {
        const float *p = vertex(m, i);
        far = std::fmax(far, std::sqrt(p[0] * p[0] + p[1] * p[1] + p[2] * p[2]));
    }
    /* at scale 10, 110 units away, the view is 91 units high */
    EXPECT_GT(far * 10.0f, 30.0f);
    EXPECT_LT(far * 10.0f, 46.0f);
    glmDelete(m);
}

TEST_F(ModelFiles, CockpitBezelsFrameTheThreeScreenQuadsInPlainView)
{
    std::string warnings;
    GlmModel *m = readQuietly("data/models/cockpit3.obj", &warnings);
    /* the eye in model units (camera frame x 10) and the screens of scene 4 */
    const float eye[3] = {0.0f, 60.0f * std::cos(3.0f * (float)M_PI / 180.0f),
                          -60.0f * std::sin(3.0f * (float)M_PI / 180.0f)};
    const float screens[3][4] = {{-19.575f, 53.36f, 79.26f, -26.6f},
                                 {-5.25f, 53.428f, 82.25f, 0.0f},
                                 {8.958f, 53.56f, 79.26f, 26.0f}};
    for (const auto &s : screens) {
        float a = s[3] * (float)M_PI / 180.0f;
        for (float sx = -1.0f; sx <= 1.0f; sx += 0.5f) {
            for (float sy = -1.0f; sy <= 1.0f; sy += 0.5f) {
                for (float grow : {0.97f, 1.06f}) {
                    float lx = sx * 5.25f * grow, ly = sy * 3.9f * grow;
                    float target[3] = {s[0] + lx * std::cos(a), s[1] + ly, s[2] - lx * std::sin(a)};
                    float d[3] = {target[0] - eye[0], target[1] - eye[1], target[2] - eye[2]};
                    float hit = firstHit(m, eye, d);
                    bool edge = std::fabs(sx) == 1.0f || std::fabs(sy) == 1.0f;
                    if (grow < 1.0f) {
                        EXPECT_GT(hit, 1.0f) << "screen point hidden: " << s[3] << " " << sx << " " << sy;
                    } else if (edge) {
                        EXPECT_NEAR(hit, 1.0f, 0.02f) << "no bezel next to the screen: " << s[3] << " " << sx << " " << sy;
                    }
                }
            }
        }
    }
    /* the view straight ahead, above the dashboard, is open */
    for (float x = -15.0f; x <= 5.0f; x += 5.0f) {
        for (float y = 66.0f; y <= 90.0f; y += 6.0f) {
            float d[3] = {x - eye[0], y - eye[1], 150.0f - eye[2]};
            EXPECT_GT(firstHit(m, eye, d), 1.0f) << x << " " << y;
        }
    }
    glmDelete(m);
}

TEST_F(ModelFiles, MonitorScreenFaceIsWhereTheLatticeDrawsThePicture)
{
    std::string warnings;
    GlmModel *m = readQuietly("data/models/screen.obj", &warnings);
    /* picture: 2.52 x 2.0 at model z = -0.35, seen from -z */
    const float viewer[3] = {0.0f, 0.0f, -6.0f};
    for (float sx = -1.0f; sx <= 1.0f; sx += 0.5f) {
        for (float sy = -1.0f; sy <= 1.0f; sy += 0.5f) {
            float target[3] = {sx * 1.26f * 0.98f, sy * 1.0f * 0.98f, -0.35f};
            float d[3] = {target[0] - viewer[0], target[1] - viewer[1], target[2] - viewer[2]};
            float hit = firstHit(m, viewer, d);
            EXPECT_GT(hit, 1.0f) << "picture hidden at " << sx << " " << sy;
            EXPECT_LT(hit, 1.02f) << "no screen glass right behind the picture at " << sx << " " << sy;
            if (std::fabs(sx) == 1.0f || std::fabs(sy) == 1.0f) {
                float out[3] = {sx * 1.26f * 1.08f - viewer[0], sy * 1.0f * 1.08f - viewer[1], -0.35f - viewer[2]};
                EXPECT_LT(firstHit(m, viewer, out), 1.0f) << "no bezel around the picture";
            }
        }
    }
    Box b = bounds(m);
    EXPECT_LT(b.hi[0] * 10.0f, 20.0f) << "fits its 40-unit lattice cell";
    EXPECT_LT(b.hi[1] * 10.0f, 20.0f);
    EXPECT_GT(b.lo[1] * 10.0f, -20.0f);
    glmDelete(m);
}

TEST_F(ModelFiles, GreetingsAreSignsThatReadTheRightWayFromBothSides)
{
    double asymmetry = 0;
    for (int k = 0; k < 9; k++) {
        char path[64];
        std::snprintf(path, sizeof path, "data/models/greets/greet%d.obj", k);
        SCOPED_TRACE(path);
        std::string warnings;
        GlmModel *m = readQuietly(path, &warnings);
        Box b = bounds(m);
        float width = b.hi[0] - b.lo[0], depth = b.hi[1] - b.lo[1], height = b.hi[2] - b.lo[2];
        EXPECT_NEAR(depth, 0.38f, 0.01f) << "a plate with letters standing on both faces, along y";
        EXPECT_GT(height, 0.7f);
        EXPECT_LT(height, 1.8f);
        EXPECT_GT(width * 5.0f, 15.0f);
        EXPECT_LT(width * 5.0f, 52.0f);
        EXPECT_NEAR(b.lo[0], -b.hi[0], 0.01f);
        EXPECT_NEAR(b.lo[2], -b.hi[2], 0.01f);
        /* The letter faces on the +y side and on the -y side: the same
         * name, and seen from its own side each reads the right way round,
         * so the two are mirror images across x = 0. Area-weighted moments
         * in x and x z of the outer faces of the letters: a mirror image
         * flips their signs, a copy seen from behind would keep them. */
        double area[2] = {0, 0}, mx[2] = {0, 0}, mxz[2] = {0, 0};
        for (GLuint t = 0; t < m->numtriangles; t++) {
            const GlmTriangle &tri = m->triangles[t];
            if (std::string(m->materials[tri.material].name).compare(0, 4, "face") != 0)
                continue;
            const float *n = &m->facetnorms[3 * tri.findex];
            const float *a = vertex(m, tri.vindices[0]), *p1 = vertex(m, tri.vindices[1]),
                        *p2 = vertex(m, tri.vindices[2]);
            int side = n[1] > 0.9f && a[1] > 0.1f ? 0 : n[1] < -0.9f && a[1] < -0.1f ? 1 : -1;
            if (side < 0)
                continue;
            double ux = p1[0] - a[0], uz = p1[2] - a[2], vx = p2[0] - a[0], vz = p2[2] - a[2];
            double s = std::fabs(ux * vz - uz * vx) * 0.5;
            double cx = (a[0] + p1[0] + p2[0]) / 3.0, cz = (a[2] + p1[2] + p2[2]) / 3.0;
            area[side] += s;
            mx[side] += s * cx;
            mxz[side] += s * cx * cz;
        }
        EXPECT_GT(area[0], 0.5) << "letters on the +y face";
        EXPECT_NEAR(area[0], area[1], area[0] * 0.01) << "the same letters on the -y face";
        EXPECT_NEAR(mx[0], -mx[1], 1e-3);
        EXPECT_NEAR(mxz[0], -mxz[1], 1e-3);
        asymmetry += std::fabs(mx[0]) + std::fabs(mxz[0]);
        glmDelete(m);
    }
    EXPECT_GT(asymmetry, 0.05) << "the names are lopsided enough for the moments to tell";
}

TEST(ModelGenerator, RegeneratingGivesTheCommittedBytes)
{
    std::string out = std::string(KOLVANE_BINARY_DIR) + "/regenerated-models";
    std::string command = "rm -rf '" + out + "' && '" KOLVANE_BINARY_DIR "/assets/models/model-gen' '" + out +
                          "' '" KOLVANE_SOURCE_DIR "/tools/crounded.ttf' > /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);
    for (const char *name : GENERATED) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fileBytes(out + "/" + name) == fileBytes(std::string("data/models/") + name));
    }
}

TEST(ModelGenerator, MissingFontFailsWithAMessage)
{
    std::string command = "'" KOLVANE_BINARY_DIR "/assets/models/model-gen' '" KOLVANE_BINARY_DIR
                          "/regenerated-nofont' /nonexistent.ttf 2>&1 | grep -q 'cannot cut greeting'";
    EXPECT_EQ(std::system(command.c_str()), 0);
}

/* The ship seen from above through the ship shader, nose down the screen,
 * drawn the timeline's way into the test window. */
static void drawShipFromAbove(GlmModel *m, int ship)
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-160, 160, -90, 90, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);
    tvx_enableShader(ship);
    float timer = 0.0f;
    tvx_shader_sendUniformValue(ship, "timer", &timer, 1);
    tvx_setLight0(1);
    drawModel(m);
    tvx_setLight0(0);
    tvx_disableShader();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

/* The pixel of that view at model (x, z). */
static void shipPixel(float x, float z, unsigned char rgba[4])
{
    testReadPixel((int)((x + 160.0f) / 320.0f * 320.0f), (int)((90.0f - z) / 180.0f * 180.0f), rgba);
}

TEST_F(ModelFiles, ShipShaderPaintsFromTheModelsMaterials)
{
    std::string warnings;
    GlmModel *m = readQuietly("data/models/skepp/skepp.obj", &warnings);
    int ship = tvx_loadShader("data/shader/ship_pos.vert", nullptr);
    drawShipFromAbove(m, ship);
    unsigned char canopy[4], hull[4];
    shipPixel(0.0f, 55.0f, canopy);
    shipPixel(63.0f, -70.0f, hull);
    EXPECT_GT(canopy[2], canopy[0] + 20) << "the canopy glass is blue";
    EXPECT_GT(hull[0] + hull[1] + hull[2], 300) << "the wing is light grey";
    EXPECT_NEAR(hull[0], hull[2], 40);

    /* the paint follows the material, wherever the hull is */
    for (GLuint i = 0; i < m->nummaterials; i++) {
        if (std::string(m->materials[i].name) != "hull")
            continue;
        const GLfloat red[4] = {1.0f, 0.0f, 0.0f, 1.0f}, dim[4] = {0.6f, 0.0f, 0.0f, 1.0f};
        std::copy(red, red + 4, m->materials[i].diffuse);
        std::copy(dim, dim + 4, m->materials[i].ambient);
    }
    drawShipFromAbove(m, ship);
    shipPixel(63.0f, -70.0f, hull);
    EXPECT_GT(hull[0], hull[1] + 100) << "the wing is painted red from its material";
    EXPECT_GT(hull[0], hull[2] + 100);
    glmDelete(m);
}
