/*
 * models_props.cpp - the tower of television sets of the photo carousel
 * (tv.obj) and the monitor of the lattice (screen.obj).
 *
 * The tower stands at the centre of the round room at scale 0.075: its foot
 * on the floor (room height -10, model -133), its top above the third row of
 * photographs (room height 31, model 415), and it stays inside a radius of
 * 46 model units so that the nearest photograph, 3.95 room units from the
 * axis, clears it.
 *
 * The monitor is drawn translated by (0, 0, -20), turned 180 degrees about y
 * and scaled by 10; its screen face therefore lies at model z = -0.35 with
 * the picture's 2.52 x 2.0 extent, and its front faces model -z.
 *
 * Depends on: models.h.
 */
#include "models.h"

#include <cmath>

/* ---- Internal helpers ---------------------------------------------------- */

/* One television set, front face at local z = 0 facing +z, centred on x and
 * y; `style` varies the knob panel. */
static void tvSet(Mesh *mesh, const Xf &place, float w, float h, float d, int style)
{
    meshSetXf(mesh, place);
    meshUse(mesh, style % 3 == 2 ? "plastic" : "wood");
    primBox(mesh, v3(0, 0, -d * 0.3f), v3(w * 0.5f, h * 0.5f, d * 0.3f));
    meshUse(mesh, "plastic");
    primLoft(mesh, {{v3(-w * 0.4f, -h * 0.4f, -d * 0.6f), v3(w * 0.4f, -h * 0.4f, -d * 0.6f),
                     v3(w * 0.4f, h * 0.4f, -d * 0.6f), v3(-w * 0.4f, h * 0.4f, -d * 0.6f)},
                    {v3(-w * 0.2f, -h * 0.2f, -d), v3(w * 0.2f, -h * 0.2f, -d),
                     v3(w * 0.2f, h * 0.2f, -d), v3(-w * 0.2f, h * 0.2f, -d)}});
    /* screen: the glass sits proud of a dark mask */
    float sx0 = -w * 0.44f, sx1 = w * 0.2f, sy = h * 0.36f;
    meshUse(mesh, "mask");
    primBox(mesh, v3((sx0 + sx1) * 0.5f, 0, 0.4f), v3((sx1 - sx0) * 0.5f + 1.5f, sy + 1.5f, 0.6f));
    meshUse(mesh, style % 2 ? "screenb" : "screen");
    primLoft(mesh, {{v3(sx0, -sy, 0.5f), v3(sx1, -sy, 0.5f), v3(sx1, sy, 0.5f), v3(sx0, sy, 0.5f)},
                    {v3(sx0 + 1.0f, -sy + 1.0f, 1.6f), v3(sx1 - 1.0f, -sy + 1.0f, 1.6f),
                     v3(sx1 - 1.0f, sy - 1.0f, 1.6f), v3(sx0 + 1.0f, sy - 1.0f, 1.6f)}});
    /* knob panel */
    float kx = w * 0.33f;
    meshUse(mesh, "chrome");
    primCylinder(mesh, v3(kx, h * 0.2f, 0), v3(kx, h * 0.2f, 2.5f), w * 0.06f, w * 0.05f, 10);
    primCylinder(mesh, v3(kx, h * 0.0f, 0), v3(kx, h * 0.0f, 2.0f), w * 0.045f, w * 0.04f, 10);
    meshUse(mesh, "plastic");
    for (int i = 0; i < 3; i++) {
        float y = -h * 0.2f - i * h * 0.08f;
        primBox(mesh, v3(kx, y, 0.3f), v3(w * 0.09f, h * 0.015f, 0.4f));
    }
}

/* ---- Public functions ------------------------------------------------------ */

void buildTv(Mesh *mesh)
{
    meshInit(mesh);
    meshMaterial(mesh, "wood", 0.46f, 0.29f, 0.15f, 0.6f, 0.25f, 20.0f, 1.0f);
    meshMaterial(mesh, "plastic", 0.13f, 0.13f, 0.14f, 0.8f, 0.5f, 40.0f, 1.0f);
    meshMaterial(mesh, "mask", 0.05f, 0.05f, 0.05f, 1.0f, 0.2f, 10.0f, 1.0f);
    meshMaterial(mesh, "screen", 0.78f, 0.86f, 0.9f, 1.6f, 0.9f, 90.0f, 1.0f);
    meshMaterial(mesh, "screenb", 0.62f, 0.72f, 0.82f, 1.6f, 0.9f, 90.0f, 1.0f);
    meshMaterial(mesh, "chrome", 0.7f, 0.7f, 0.72f, 0.6f, 1.0f, 95.0f, 1.0f);
    meshMaterial(mesh, "plinth", 0.3f, 0.28f, 0.26f, 0.7f, 0.2f, 15.0f, 1.0f);

    meshGroup(mesh, "plinth");
    meshUse(mesh, "plinth");
    meshSetXf(mesh, xfIdentity());
    primLathe(mesh, {{0, -133}, {44, -133}, {44, -121}, {38, -117}, {38, -113}, {0, -113}}, 16);

    meshGroup(mesh, "sets");
    float y = -113.0f;
    for (int level = 0; level < 13; level++) {
        int count = level % 3 == 1 ? 3 : 4;
        float w = count == 3 ? 50.0f : 44.0f + 4.0f * (level % 2);
        float h = w * 0.76f;
        float d = 34.0f;
        float front = count == 3 ? 27.0f : 30.0f;
        float twist = level * 23.0f;
        for (int k = 0; k < count; k++) {
            float angle = twist + k * 360.0f / count;
            Xf place = xfMul(xfRotate(angle, 0, 1, 0), xfTranslate(0, y + h * 0.5f, front));
            tvSet(mesh, place, w, h, d, level + k);
        }
        y += h + 1.0f;
    }

    /* the rabbit-ear antenna on top */
    meshGroup(mesh, "antenna");
    meshSetXf(mesh, xfIdentity());
    meshUse(mesh, "plastic");
    primLathe(mesh, {{0, y}, {14, y}, {10, y + 8}, {0, y + 10}}, 12);
    meshUse(mesh, "chrome");
    primCylinder(mesh, v3(-3, y + 8, 0), v3(-40, y + 60, 6), 1.6f, 1.0f, 6);
    primCylinder(mesh, v3(3, y + 8, 0), v3(36, y + 66, -8), 1.6f, 1.0f, 6);
}

void buildMonitor(Mesh *mesh)
{
    meshInit(mesh);
    meshMaterial(mesh, "casing", 0.72f, 0.7f, 0.64f, 0.7f, 0.3f, 30.0f, 1.0f);
    meshMaterial(mesh, "bezel", 0.1f, 0.1f, 0.11f, 1.0f, 0.4f, 50.0f, 1.0f);
    meshMaterial(mesh, "glass", 0.02f, 0.03f, 0.03f, 1.0f, 0.6f, 90.0f, 1.0f);
    meshMaterial(mesh, "led", 0.2f, 1.0f, 0.3f, 1.0f, 0.5f, 60.0f, 1.0f);
    meshSetXf(mesh, xfIdentity());

    /* the screen face: picture at z = -0.35, 2.52 x 2.0; the dark glass sits
     * just behind it and the bezel frames it exactly */
    const float sx = 1.26f, sy = 1.0f, face = -0.35f;
    meshGroup(mesh, "screen");
    meshUse(mesh, "glass");
    primBox(mesh, v3(0, 0, face + 0.01f + 0.04f), v3(sx + 0.02f, sy + 0.02f, 0.04f));
    meshUse(mesh, "bezel");
    const float b = 0.2f, z0 = face - 0.07f, z1 = face + 0.06f;
    primBox(mesh, v3(0, sy + b * 0.5f, (z0 + z1) * 0.5f), v3(sx + b, b * 0.5f, (z1 - z0) * 0.5f));
    primBox(mesh, v3(0, -sy - b * 0.5f, (z0 + z1) * 0.5f), v3(sx + b, b * 0.5f, (z1 - z0) * 0.5f));
    primBox(mesh, v3(sx + b * 0.5f, 0, (z0 + z1) * 0.5f), v3(b * 0.5f, sy, (z1 - z0) * 0.5f));
    primBox(mesh, v3(-sx - b * 0.5f, 0, (z0 + z1) * 0.5f), v3(b * 0.5f, sy, (z1 - z0) * 0.5f));
    meshUse(mesh, "led");
    primBox(mesh, v3(sx, -sy - b * 0.5f, z0 - 0.01f), v3(0.05f, 0.03f, 0.01f));

    meshGroup(mesh, "casing");
    meshUse(mesh, "casing");
    primBox(mesh, v3(0, 0.02f, (z1 + 0.5f) * 0.5f), v3(sx + b + 0.06f, sy + b + 0.06f, (0.5f - z1) * 0.5f));
    primLoft(mesh, {{v3(-1.3f, -1.05f, 0.5f), v3(1.3f, -1.05f, 0.5f), v3(1.3f, 1.1f, 0.5f), v3(-1.3f, 1.1f, 0.5f)},
                    {v3(-0.7f, -0.75f, 1.35f), v3(0.7f, -0.75f, 1.35f), v3(0.7f, 0.55f, 1.35f), v3(-0.7f, 0.55f, 1.35f)}});
    /* stand */
    primBox(mesh, v3(0, -1.42f, 0.35f), v3(0.22f, 0.2f, 0.22f));
    primBox(mesh, v3(0, -1.66f, 0.3f), v3(0.85f, 0.05f, 0.7f));
}
