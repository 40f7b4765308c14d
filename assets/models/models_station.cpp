/*
 * models_station.cpp - the space station of the asteroid field (station.obj).
 *
 * Scene 2 draws it scaled by 10, 110 units in front of the eye, where the
 * view is about 90 units high: the wheel has a radius of 3.3 model units (33
 * in the scene) and its axis is tilted towards the viewer so that the ring,
 * its spokes, the hub with its docking port, the habitat modules, the solar
 * wings and the antennas all show.
 *
 * Depends on: models.h.
 */
#include "models.h"

#include <cmath>

/* ---- State ------------------------------------------------------------------ */

static const float RING_RADIUS = 3.0f;
static const int RING_SEGMENTS = 48;

/* ---- Internal helpers -------------------------------------------------------- */

/* Place parts in the station frame: local y is the wheel's axis. */
static Xf stationXf(const Xf &local)
{
    return xfMul(xfMul(xfRotate(20.0f, 0, 1, 0), xfRotate(62.0f, 1, 0, 0)), local);
}

static void ring(Mesh *mesh)
{
    /* cross-section in (radial offset, axial) */
    static const V2 SECTION[8] = {{-0.22f, -0.26f}, {0.05f, -0.34f}, {0.26f, -0.3f}, {0.32f, 0.0f},
                                  {0.26f, 0.3f},    {0.05f, 0.34f},  {-0.22f, 0.26f}, {-0.27f, 0.0f}};
    std::vector<std::vector<V3>> rings;
    for (int s = 0; s < RING_SEGMENTS; s++) {
        double a = 2.0 * M_PI * s / RING_SEGMENTS;
        float c = (float)std::cos(a), n = (float)std::sin(a);
        std::vector<V3> r;
        for (const V2 &p : SECTION)
            r.push_back(v3((RING_RADIUS + p.x) * c, p.y, (RING_RADIUS + p.x) * n));
        rings.push_back(r);
    }
    meshUse(mesh, "hull");
    primLoftLoop(mesh, rings);
}

static void modules(Mesh *mesh)
{
    for (int k = 0; k < 6; k++) {
        float angle = 30.0f + k * 60.0f;
        Xf base = stationXf(xfRotate(-angle, 0, 1, 0));
        meshSetXf(mesh, base);
        meshUse(mesh, k % 2 ? "foil" : "panel");
        primBox(mesh, v3(RING_RADIUS + 0.42f, 0, 0), v3(0.16f, 0.42f, 0.55f));
        meshUse(mesh, "lamp");
        for (int w = 0; w < 4; w++)
            primBox(mesh, v3(RING_RADIUS + 0.59f, -0.25f + w * 0.166f, 0.3f), v3(0.02f, 0.04f, 0.12f));
        meshUse(mesh, "panel");
        primCylinder(mesh, v3(RING_RADIUS + 0.55f, 0.3f, -0.35f), v3(RING_RADIUS + 1.3f, 0.3f, -0.35f),
                     0.025f, 0.015f, 6);
        meshUse(mesh, "lamp");
        meshSetXf(mesh, xfMul(base, xfTranslate(RING_RADIUS + 1.3f, 0.3f, -0.35f)));
        primLathe(mesh, {{0, -0.06f}, {0.05f, -0.04f}, {0.06f, 0}, {0.05f, 0.04f}, {0, 0.06f}}, 8);
    }
}

static void solarWings(Mesh *mesh)
{
    meshSetXf(mesh, stationXf(xfIdentity()));
    meshUse(mesh, "panel");
    primBeam(mesh, v3(0, -1.6f, 0), v3(0, -4.4f, 0), 0.08f, 0.08f, v3(1, 0, 0));
    for (int k = 0; k < 4; k++) {
        Xf arm = stationXf(xfRotate(45.0f + 90.0f * k, 0, 1, 0));
        meshSetXf(mesh, arm);
        meshUse(mesh, "panel");
        primBeam(mesh, v3(0, -3.6f, 0), v3(2.2f, -3.6f, 0), 0.04f, 0.04f, v3(0, 1, 0));
        meshUse(mesh, "solar");
        for (int p = 0; p < 3; p++) {
            float x = 0.55f + p * 0.58f;
            primBox(mesh, v3(x, -3.6f, 0), v3(0.26f, 0.5f, 0.015f));
        }
    }
}

static void antennas(Mesh *mesh)
{
    meshSetXf(mesh, stationXf(xfIdentity()));
    meshUse(mesh, "panel");
    primCylinder(mesh, v3(0, 1.9f, 0), v3(0, 3.6f, 0), 0.05f, 0.02f, 8);
    meshUse(mesh, "lamp");
    primCylinder(mesh, v3(0, 3.6f, 0), v3(0, 3.75f, 0), 0.05f, 0.0f, 8);
    /* dish on the hub's side, looking out along +x */
    meshSetXf(mesh, stationXf(xfMul(xfTranslate(0.7f, 1.0f, 0), xfRotate(-90.0f, 0, 0, 1))));
    meshUse(mesh, "panel");
    primCylinder(mesh, v3(0, 0, 0), v3(0, 0.45f, 0), 0.06f, 0.06f, 8);
    meshUse(mesh, "hull");
    primLathe(mesh, {{0.0f, 0.40f}, {0.25f, 0.45f}, {0.5f, 0.6f}, {0.7f, 0.82f}, {0.66f, 0.84f},
                     {0.46f, 0.64f}, {0.22f, 0.5f}, {0.0f, 0.46f}}, 20);
    meshUse(mesh, "panel");
    primCylinder(mesh, v3(0, 0.46f, 0), v3(0, 1.0f, 0), 0.02f, 0.02f, 6);
    /* whip antennas on the hub */
    meshSetXf(mesh, stationXf(xfIdentity()));
    for (int k = 0; k < 3; k++) {
        double a = 2.0 * M_PI * k / 3.0 + 0.4;
        V3 root = v3(0.5f * (float)std::cos(a), 1.3f, 0.5f * (float)std::sin(a));
        V3 tip = v3(1.6f * (float)std::cos(a), 2.3f, 1.6f * (float)std::sin(a));
        primCylinder(mesh, root, tip, 0.03f, 0.01f, 6);
    }
}

/* ---- Public functions ---------------------------------------------------------- */

void buildStation(Mesh *mesh)
{
    meshInit(mesh);
    meshMaterial(mesh, "hull", 0.66f, 0.67f, 0.7f, 0.6f, 0.6f, 60.0f, 1.0f);
    meshMaterial(mesh, "panel", 0.38f, 0.4f, 0.44f, 0.6f, 0.4f, 40.0f, 1.0f);
    meshMaterial(mesh, "foil", 0.85f, 0.62f, 0.22f, 0.6f, 0.9f, 85.0f, 1.0f);
    meshMaterial(mesh, "solar", 0.12f, 0.2f, 0.48f, 0.8f, 1.0f, 95.0f, 1.0f);
    meshMaterial(mesh, "lamp", 1.0f, 0.9f, 0.6f, 1.5f, 0.5f, 50.0f, 1.0f);
    meshMaterial(mesh, "dark", 0.08f, 0.08f, 0.09f, 1.0f, 0.3f, 30.0f, 1.0f);

    meshGroup(mesh, "hub");
    meshSetXf(mesh, stationXf(xfIdentity()));
    meshUse(mesh, "hull");
    primLathe(mesh, {{0, -1.95f}, {0.3f, -1.95f}, {0.35f, -1.75f}, {0.55f, -1.55f}, {0.55f, -0.55f},
                     {0.72f, -0.38f}, {0.72f, 0.38f}, {0.55f, 0.55f}, {0.55f, 1.45f}, {0.36f, 1.62f},
                     {0.3f, 1.9f}, {0, 1.9f}}, 24);
    meshUse(mesh, "dark");
    primLathe(mesh, {{0, 1.85f}, {0.22f, 1.85f}, {0.22f, 1.98f}, {0, 1.98f}}, 16);
    meshUse(mesh, "lamp");
    for (int k = 0; k < 8; k++) {
        double a = 2.0 * M_PI * k / 8.0;
        V3 c = v3(0.73f * (float)std::cos(a), 0, 0.73f * (float)std::sin(a));
        primBox(mesh, c, v3(0.03f, 0.05f, 0.03f));
    }

    meshGroup(mesh, "ring");
    meshSetXf(mesh, stationXf(xfIdentity()));
    ring(mesh);
    meshUse(mesh, "panel");
    for (int k = 0; k < 6; k++) {
        double a = 2.0 * M_PI * k / 6.0;
        V3 dir = v3((float)std::cos(a), 0, (float)std::sin(a));
        primCylinder(mesh, v3scale(dir, 0.6f), v3scale(dir, RING_RADIUS - 0.2f), 0.09f, 0.09f, 8);
    }
    modules(mesh);

    meshGroup(mesh, "wings");
    solarWings(mesh);
    meshGroup(mesh, "antennas");
    antennas(mesh);
}
