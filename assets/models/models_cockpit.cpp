/*
 * models_cockpit.cpp - the cockpit of the hyperspace flight (cockpit3.obj).
 *
 * Scene 4 draws the cockpit scaled by 0.1 in its camera frame, so a model
 * unit is a tenth of a camera unit and the eye sits at model (0, 60, 0),
 * looking along +z. The three screen quads of the scene lie (in model units)
 * centred at (-5.25, 53.428, 82.25) facing the eye, at (-19.575, 53.36,
 * 79.26) turned -26.6 degrees about y and at (8.958, 53.56, 79.26) turned 26
 * degrees, each 10.5 x 7.8. Every screen gets a bezel whose opening is
 * exactly that quad, a dark backing just behind it and a console around it;
 * the canopy frame rises from the console's outer corners and leaves the
 * view ahead open.
 *
 * Depends on: models.h.
 */
#include "models.h"

#include <cmath>

/* ---- State ----------------------------------------------------------------- */

struct ScreenFrame {
    V3 center;
    float angle;    /* degrees about y */
};

static const ScreenFrame SCREENS[3] = {
    {{-19.575f, 53.36f, 79.26f}, -26.6f},
    {{-5.25f, 53.428f, 82.25f}, 0.0f},
    {{8.958f, 53.56f, 79.26f}, 26.0f},
};

static const float SCREEN_HALF_W = 5.25f;
static const float SCREEN_HALF_H = 3.9f;

/* ---- Internal helpers -------------------------------------------------------- */

static Xf screenXf(int i)
{
    const ScreenFrame &s = SCREENS[i];
    return xfMul(xfTranslate(s.center.x, s.center.y, s.center.z), xfRotate(s.angle, 0, 1, 0));
}

/* Bezel, backing, glare shield and lower console of one screen, built in the
 * screen's own frame: the screen spans x +-5.25, y +-3.9 at z = 0, and the
 * eye is on the -z side. */
static void screenConsole(Mesh *mesh, int i)
{
    const float w = SCREEN_HALF_W, h = SCREEN_HALF_H, b = 0.9f;
    meshSetXf(mesh, screenXf(i));

    meshUse(mesh, "glass");
    primBox(mesh, v3(0, 0, 0.6f), v3(w + 0.3f, h + 0.3f, 0.5f));

    meshUse(mesh, "bezel");
    primBox(mesh, v3(0, h + b * 0.5f, 0.025f), v3(w + b, b * 0.5f, 0.275f));
    primBox(mesh, v3(0, -h - b * 0.5f, 0.025f), v3(w + b, b * 0.5f, 0.275f));
    primBox(mesh, v3(w + b * 0.5f, 0, 0.025f), v3(b * 0.5f, h, 0.275f));
    primBox(mesh, v3(-w - b * 0.5f, 0, 0.025f), v3(b * 0.5f, h, 0.275f));

    const float pw = w + 2.1f;
    meshUse(mesh, "panel");
    /* the console face the screen is set in */
    primBox(mesh, v3(0, 0.3f, 3.5f), v3(pw, h + 2.2f, 3.2f));
    /* glare shield over the screen */
    meshUse(mesh, "frame");
    primSlabX(mesh, {{-3.2f, h + 1.2f}, {14.0f, h + 1.2f}, {14.0f, h + 3.0f}, {-2.6f, h + 2.5f}}, -pw, pw);
    meshUse(mesh, "trim");
    primSlabX(mesh, {{-3.45f, h + 1.5f}, {-3.2f, h + 1.2f}, {-2.6f, h + 2.5f}, {-2.85f, h + 2.6f}}, -pw, pw);
    /* lower console sloping down towards the pilot */
    meshUse(mesh, "panel");
    primSlabX(mesh, {{-0.7f, -h - 1.0f}, {0.5f, -h - 1.0f}, {12.0f, -34.0f}, {-26.0f, -34.0f}}, -pw, pw);

    /* rows of lit buttons on the slope: the slope runs from (z -0.7, y -4.9)
     * to (z -26, y -34) */
    const char *lamps[3] = {"ledamber", "ledgreen", "ledred"};
    V3 top = v3(0, -h - 1.0f, -0.7f), bottom = v3(0, -34.0f, -26.0f);
    V3 down = v3norm(v3sub(bottom, top));
    V3 out = v3norm(v3cross(v3(1, 0, 0), down));
    if (out.z > 0)
        out = v3scale(out, -1.0f);
    for (int row = 0; row < 3; row++) {
        V3 c = v3lerp(top, bottom, 0.1f + 0.09f * row);
        for (int k = 0; k < 6; k++) {
            float x = -pw + 2.0f + k * (2.0f * pw - 4.0f) / 5.0f;
            V3 p = v3add(v3add(c, v3(x, 0, 0)), v3scale(out, 0.25f));
            meshUse(mesh, lamps[(row + k + i) % 3]);
            primBeam(mesh, v3sub(p, v3scale(out, 0.4f)), v3add(p, v3scale(out, 0.3f)), 0.7f, 0.45f, down);
        }
    }
}

/* Switches, a small slanted display and (on the left) the throttle on the
 * top of a side sill centred at x, whose top lies at y = 44. */
static void sideConsole(Mesh *mesh, float x, float side)
{
    const char *lamps[3] = {"ledgreen", "ledamber", "ledred"};
    for (int row = 0; row < 2; row++) {
        for (int k = 0; k < 5; k++) {
            meshUse(mesh, lamps[(row * 2 + k) % 3]);
            primBox(mesh, v3(x - 5.0f + 2.5f * k, 44.4f, 66.0f + 4.0f * row), v3(0.8f, 0.5f, 1.0f));
        }
    }
    /* the display leans towards the pilot */
    meshSetXf(mesh, xfMul(xfTranslate(x, 47.0f, 54.0f), xfRotate(-35.0f, 1, 0, 0)));
    meshUse(mesh, "bezel");
    primBox(mesh, v3(0, 0, 0), v3(6.0f, 4.0f, 0.6f));
    meshUse(mesh, "screen");
    primBox(mesh, v3(0, 0, -0.45f), v3(5.0f, 3.1f, 0.3f));
    meshSetXf(mesh, xfIdentity());
    if (side < 0) {
        meshUse(mesh, "frame");
        primBox(mesh, v3(x + 4.0f, 45.0f, 40.0f), v3(2.5f, 1.0f, 7.0f));
        primCylinder(mesh, v3(x + 4.0f, 45.5f, 42.0f), v3(x + 4.0f, 53.0f, 38.0f), 0.6f, 0.6f, 8);
        meshUse(mesh, "trim");
        meshSetXf(mesh, xfTranslate(x + 4.0f, 0, 38.0f));
        primLathe(mesh, {{0, 52.0f}, {1.2f, 52.4f}, {1.6f, 53.5f}, {1.2f, 54.6f}, {0, 55.0f}}, 10);
        meshSetXf(mesh, xfIdentity());
    }
}

/* ---- Public functions --------------------------------------------------------- */

void buildCockpit(Mesh *mesh)
{
    meshInit(mesh);
    meshMaterial(mesh, "panel", 0.2f, 0.22f, 0.26f, 0.9f, 0.3f, 30.0f, 1.0f);
    meshMaterial(mesh, "bezel", 0.05f, 0.05f, 0.06f, 1.0f, 0.5f, 60.0f, 1.0f);
    meshMaterial(mesh, "glass", 0.01f, 0.02f, 0.03f, 1.0f, 0.3f, 80.0f, 1.0f);
    meshMaterial(mesh, "frame", 0.46f, 0.47f, 0.5f, 0.8f, 0.7f, 70.0f, 1.0f);
    meshMaterial(mesh, "trim", 0.95f, 0.45f, 0.08f, 1.0f, 0.6f, 60.0f, 1.0f);
    meshMaterial(mesh, "ledred", 1.0f, 0.15f, 0.1f, 1.5f, 0.5f, 60.0f, 1.0f);
    meshMaterial(mesh, "ledgreen", 0.2f, 1.0f, 0.35f, 1.5f, 0.5f, 60.0f, 1.0f);
    meshMaterial(mesh, "ledamber", 1.0f, 0.7f, 0.1f, 1.5f, 0.5f, 60.0f, 1.0f);
    meshMaterial(mesh, "screen", 0.1f, 0.45f, 0.35f, 1.5f, 0.8f, 90.0f, 1.0f);

    meshGroup(mesh, "console");
    for (int i = 0; i < 3; i++)
        screenConsole(mesh, i);

    /* the canopy: pillars from the console's outer corners, a bow over the
     * head and the sills at the pilot's sides */
    meshGroup(mesh, "canopy");
    meshSetXf(mesh, xfIdentity());
    const float cx = -5.25f;
    meshUse(mesh, "frame");
    for (int side = -1; side <= 1; side += 2) {
        float s = (float)side;
        V3 foot = v3(cx + s * 22.5f, 57.0f, 80.0f);
        V3 knee = v3(cx + s * 19.0f, 80.0f, 62.0f);
        V3 head = v3(cx + s * 15.0f, 104.0f, 36.0f);
        primBeam(mesh, foot, knee, 1.6f, 1.1f, v3(0, 0.6f, 0.8f));
        primBeam(mesh, knee, head, 1.6f, 1.1f, v3(0, 0.8f, 0.6f));
        /* side window frame and sill */
        V3 sill = v3(cx + s * 46.0f, 46.0f, 30.0f);
        primBeam(mesh, v3(cx + s * 27.0f, 54.0f, 74.0f), sill, 1.4f, 1.4f, v3(0, 1, 0));
        primBeam(mesh, knee, v3(cx + s * 40.0f, 84.0f, 24.0f), 1.2f, 1.0f, v3(0, 1, 0));
        meshUse(mesh, "panel");
        primBox(mesh, v3(cx + s * 44.0f, 30.0f, 40.0f), v3(8.0f, 14.0f, 40.0f));
        meshUse(mesh, "trim");
        primBox(mesh, v3(cx + s * 36.5f, 44.5f, 40.0f), v3(0.5f, 0.5f, 38.0f));
        sideConsole(mesh, cx + s * 44.0f, s);
        meshUse(mesh, "frame");
    }
    primBeam(mesh, v3(cx - 15.0f, 104.0f, 36.0f), v3(cx + 15.0f, 104.0f, 36.0f), 1.6f, 1.1f, v3(0, 1, 0));
    primBeam(mesh, v3(cx - 15.0f, 104.0f, 36.0f), v3(cx - 18.0f, 112.0f, -10.0f), 1.4f, 1.0f, v3(0, 1, 0));
    primBeam(mesh, v3(cx + 15.0f, 104.0f, 36.0f), v3(cx + 18.0f, 112.0f, -10.0f), 1.4f, 1.0f, v3(0, 1, 0));
}
