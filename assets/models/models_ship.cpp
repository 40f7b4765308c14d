/*
 * models_ship.cpp - the ship (skepp/skepp.obj): a twin-engine fighter.
 *
 * The scenes draw it scaled by 0.02, nose along model +z: head-on in scene 2
 * (it flies towards the viewer), from above in scene 3 (turned 90 degrees
 * about y, about 10 units below the eye) and from behind in scenes 5 and 6
 * (turned 180 degrees about y), with up along +y.
 *
 * Its size is set by scene 3, where the four credit captions hang in the
 * plane of the ship at fixed offsets around it: the ship is built at full
 * size and then shrunk (SHIP_SCALE) and moved back (SHIP_BACK) so that, seen
 * from above, it lies between the captions: nose short of the "code" line,
 * wings inside the "music" and "models" lines, and the tail narrow where the
 * "voices" line runs beside it. That makes it about 300 model units long
 * (6 in the scenes) and 230 wide.
 *
 * The triangles are grouped by material, one group each, so that a material
 * is set once per run of triangles and a shader can read it (the ship shader
 * of scenes 5 and 6 paints from the materials).
 *
 * Depends on: models.h.
 */
#include "models.h"

#include <cmath>

/* ---- State ----------------------------------------------------------------- */

struct HullStation {
    float z, w, h, yc;
};

/* Fuselage cross-sections from the nose back. */
static const HullStation HULL[] = {
    {345.0f, 14.0f, 9.0f, -2.0f},  {310.0f, 30.0f, 20.0f, 0.0f}, {260.0f, 44.0f, 30.0f, 2.0f},
    {190.0f, 56.0f, 38.0f, 4.0f},  {110.0f, 64.0f, 44.0f, 6.0f}, {20.0f, 70.0f, 46.0f, 6.0f},
    {-90.0f, 72.0f, 44.0f, 4.0f},  {-190.0f, 64.0f, 38.0f, 2.0f}, {-250.0f, 52.0f, 32.0f, 0.0f},
    {-280.0f, 44.0f, 26.0f, 0.0f},
};

static const int HULL_SIDES = 24;

static const float SHIP_SCALE = 0.42f;   /* of the size the parts are built at */
static const float SHIP_BACK = 20.0f;    /* model units towards -z, after scaling */

/* ---- Internal helpers -------------------------------------------------------- */

static float signedPow(float v, float e)
{
    return v < 0 ? -std::pow(-v, e) : std::pow(v, e);
}

static std::vector<V3> hullRing(const HullStation &s)
{
    std::vector<V3> ring;
    for (int i = 0; i < HULL_SIDES; i++) {
        double a = 2.0 * M_PI * i / HULL_SIDES;
        float c = (float)std::cos(a), n = (float)std::sin(a);
        float y = signedPow(n, 0.8f) * s.h * (n < 0 ? 0.7f : 1.0f);
        ring.push_back(v3(signedPow(c, 0.7f) * s.w, s.yc + y, s.z));
    }
    return ring;
}

static void fuselage(Mesh *mesh)
{
    std::vector<std::vector<V3>> rings;
    rings.push_back({v3(0, -2.0f, 370.0f)});
    for (const HullStation &s : HULL)
        rings.push_back(hullRing(s));
    meshUse(mesh, "hull");
    primLoft(mesh, rings);

    /* canopy: a glass blister on the spine */
    std::vector<std::vector<V3>> canopy;
    canopy.push_back({v3(0, 30.0f, 262.0f)});
    const float zs[] = {245.0f, 215.0f, 180.0f, 150.0f, 125.0f};
    const float ws[] = {12.0f, 20.0f, 22.0f, 19.0f, 10.0f};
    const float hs[] = {10.0f, 20.0f, 24.0f, 21.0f, 12.0f};
    for (int k = 0; k < 5; k++)
        canopy.push_back(ringAround(v3(0, 32.0f, zs[k]), v3(0, 0, -1), ws[k], hs[k], 16, 0));
    canopy.push_back({v3(0, 36.0f, 105.0f)});
    meshUse(mesh, "glass");
    primLoft(mesh, canopy);

    /* spine fairing behind the canopy and the nose stripes */
    meshUse(mesh, "panel");
    primBeam(mesh, v3(0, 54.0f, 110.0f), v3(0, 46.0f, -200.0f), 8.0f, 8.0f, v3(0, 1, 0));
    /* dorsal antenna and the belly sensor blister */
    primCylinder(mesh, v3(0, 52.0f, -150.0f), v3(0, 96.0f, -190.0f), 2.5f, 1.0f, 6);
    meshUse(mesh, "dark");
    meshSetXf(mesh, xfMul(xfTranslate(0, -18.0f, 200.0f), xfRotate(180.0f, 1, 0, 0)));
    primLathe(mesh, {{0, 0}, {14.0f, 0}, {12.0f, 6.0f}, {0, 9.0f}}, 12);
    meshSetXf(mesh, xfIdentity());
    meshUse(mesh, "accent");
    for (int side = -1; side <= 1; side += 2) {
        primBeam(mesh, v3(side * 46.5f, 6.0f, 250.0f), v3(side * 63.5f, 8.0f, 120.0f), 1.5f, 5.0f,
                 v3(0, 1, 0));
        /* air intakes along the flanks */
        meshUse(mesh, "dark");
        primBox(mesh, v3(side * 66.0f, -8.0f, 60.0f), v3(8.0f, 12.0f, 40.0f));
        meshUse(mesh, "accent");
    }
}

/* Height of the wing's upper surface at span x (the wing droops 22 units to
 * the tip and thins from 9 to 3). */
static float wingTop(float x)
{
    float u = (x - 50.0f) / 215.0f;
    return -4.0f - 22.0f * u + (9.0f - 6.0f * u) * 0.5f;
}

static void wing(Mesh *mesh, float side)
{
    /* planform (x, z) from the root's leading edge round the tip */
    const V2 plan[4] = {{50.0f, 90.0f}, {260.0f, -150.0f}, {265.0f, -225.0f}, {50.0f, -230.0f}};
    std::vector<V3> lower, upper;
    for (int i = 0; i < 4; i++) {
        float u = (plan[i].x - 50.0f) / 215.0f;
        float y = -4.0f - 22.0f * u;
        float t = 9.0f - 6.0f * u;
        lower.push_back(v3(side * plan[i].x, y - t * 0.5f, plan[i].y));
        upper.push_back(v3(side * plan[i].x, y + t * 0.5f, plan[i].y));
    }
    meshUse(mesh, "hull");
    primLoft(mesh, {lower, upper});
    /* wing-tip cannon and navigation lamp */
    meshUse(mesh, "dark");
    primCylinder(mesh, v3(side * 262.0f, -26.0f, -215.0f), v3(side * 262.0f, -26.0f, -110.0f), 8.0f, 8.0f, 10);
    primCylinder(mesh, v3(side * 262.0f, -26.0f, -110.0f), v3(side * 262.0f, -26.0f, 20.0f), 3.5f, 3.0f, 8);
    meshUse(mesh, side < 0 ? "navred" : "navgreen");
    primBox(mesh, v3(side * 270.0f, -24.0f, -170.0f), v3(3.0f, 3.0f, 6.0f));
    /* two missiles on pylons under the wing */
    for (int k = 0; k < 2; k++) {
        float x = side * (120.0f + 55.0f * k), y = wingTop(120.0f + 55.0f * k) - 24.0f;
        float z = -120.0f - 30.0f * k;
        meshUse(mesh, "panel");
        primBox(mesh, v3(x, y + 10.0f, z), v3(2.5f, 8.0f, 22.0f));
        meshUse(mesh, "hull");
        primCylinder(mesh, v3(x, y, z - 50.0f), v3(x, y, z + 40.0f), 6.0f, 6.0f, 12);
        meshUse(mesh, "accent");
        primCylinder(mesh, v3(x, y, z + 40.0f), v3(x, y, z + 62.0f), 6.0f, 0.0f, 12);
        meshUse(mesh, "dark");
        for (int f = 0; f < 4; f++) {
            double a = M_PI * 0.5 * f + M_PI * 0.25;
            V3 dir = v3((float)std::cos(a), (float)std::sin(a), 0);
            primBeam(mesh, v3add(v3(x, y, z - 48.0f), v3scale(dir, 5.0f)), v3add(v3(x, y, z - 30.0f), v3scale(dir, 5.0f)),
                     0.8f, 7.0f, dir);
        }
    }
    /* stripe on the upper surface */
    meshUse(mesh, "accent");
    primBeam(mesh, v3(side * 150.0f, wingTop(150.0f), -60.0f), v3(side * 200.0f, wingTop(200.0f), -215.0f),
             6.0f, 1.5f, v3(0, 1, 0));
}

static void engine(Mesh *mesh, float side)
{
    const float x = side * 74.0f, y = -10.0f;
    /* nacelle: a lathe about the engine's axis, which runs along -z */
    meshSetXf(mesh, xfMul(xfTranslate(x, y, 0), xfRotate(-90.0f, 1, 0, 0)));
    meshUse(mesh, "engine");
    primLathe(mesh, {{0, 10.0f}, {14.0f, 10.0f}, {20.0f, 20.0f}, {26.0f, 40.0f}, {28.0f, 100.0f},
                     {28.0f, 250.0f}, {25.0f, 280.0f}, {27.0f, 300.0f}, {27.0f, 306.0f}, {18.0f, 306.0f},
                     {0, 296.0f}}, 24);
    meshUse(mesh, "accent");
    primLathe(mesh, {{0, 228.0f}, {28.6f, 228.0f}, {28.6f, 240.0f}, {0, 240.0f}}, 24);
    /* thrust vanes round the nozzle */
    meshUse(mesh, "dark");
    for (int k = 0; k < 6; k++) {
        double a = 2.0 * M_PI * (k + 0.5) / 6.0;
        V3 dir = v3((float)std::cos(a), 0, (float)std::sin(a));
        primBeam(mesh, v3add(v3scale(dir, 25.0f), v3(0, 270.0f, 0)), v3add(v3scale(dir, 29.0f), v3(0, 304.0f, 0)),
                 3.0f, 1.5f, dir);
    }
    /* the exhaust glow inside the nozzle */
    meshUse(mesh, "exhaust");
    primLathe(mesh, {{0, 298.0f}, {20.0f, 300.0f}, {16.0f, 320.0f}, {0, 340.0f}}, 16);
    meshSetXf(mesh, xfIdentity());

    /* tail fin on the nacelle, canted outwards */
    Xf fin = xfMul(xfTranslate(x, y + 24.0f, 0), xfRotate(side * -14.0f, 0, 0, 1));
    meshSetXf(mesh, fin);
    meshUse(mesh, "hull");
    std::vector<V3> a, b;
    const V2 profile[4] = {{-140.0f, 0.0f}, {-262.0f, 0.0f}, {-300.0f, 118.0f}, {-246.0f, 118.0f}};
    for (const V2 &p : profile) {
        float t = p.y > 0 ? 2.0f : 5.0f;
        a.push_back(v3(-t, p.y, p.x));
        b.push_back(v3(t, p.y, p.x));
    }
    primLoft(mesh, {a, b});
    meshUse(mesh, "accent");
    primBox(mesh, v3(0, 104.0f, -270.0f), v3(3.0f, 12.0f, 20.0f));
    meshSetXf(mesh, xfIdentity());

    /* pylon joining the nacelle to the hull */
    meshUse(mesh, "panel");
    primBox(mesh, v3(side * 56.0f, -8.0f, -150.0f), v3(16.0f, 10.0f, 90.0f));
}

/* ---- Public functions ----------------------------------------------------------- */

void buildShip(Mesh *mesh)
{
    meshInit(mesh);
    meshMaterial(mesh, "hull", 0.72f, 0.74f, 0.78f, 0.6f, 0.7f, 70.0f, 1.0f);
    meshMaterial(mesh, "panel", 0.45f, 0.47f, 0.52f, 0.6f, 0.5f, 50.0f, 1.0f);
    meshMaterial(mesh, "dark", 0.12f, 0.12f, 0.14f, 1.0f, 0.4f, 40.0f, 1.0f);
    meshMaterial(mesh, "accent", 0.9f, 0.25f, 0.1f, 0.8f, 0.6f, 60.0f, 1.0f);
    meshMaterial(mesh, "glass", 0.08f, 0.2f, 0.32f, 1.0f, 1.0f, 98.0f, 1.0f);
    meshMaterial(mesh, "engine", 0.3f, 0.31f, 0.34f, 0.8f, 0.8f, 80.0f, 1.0f);
    meshMaterial(mesh, "exhaust", 0.3f, 0.85f, 1.0f, 1.6f, 0.4f, 20.0f, 0.85f);
    meshMaterial(mesh, "navred", 1.0f, 0.1f, 0.1f, 1.5f, 0.5f, 40.0f, 1.0f);
    meshMaterial(mesh, "navgreen", 0.1f, 1.0f, 0.3f, 1.5f, 0.5f, 40.0f, 1.0f);

    meshGroup(mesh, "ship");
    meshSetXf(mesh, xfIdentity());
    fuselage(mesh);
    wing(mesh, -1.0f);
    wing(mesh, 1.0f);
    engine(mesh, -1.0f);
    engine(mesh, 1.0f);

    meshTransformAll(mesh, xfMul(xfTranslate(0, 0, -SHIP_BACK), xfScale(SHIP_SCALE, SHIP_SCALE, SHIP_SCALE)));
    meshGroupByMaterial(mesh);
}
