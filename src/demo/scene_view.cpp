/*
 * scene_view.cpp - what can be in view (see scene_view.h): the six planes of
 * the view volume from the rows of projection times model-view, narrowed to
 * the scissor box when the scissor test is on, and the eye from the inverse
 * of the model-view.
 *
 * Depends on: OpenGL (the current matrices).
 */
#include "scene_view.h"

#include <math.h>

#include <GL/glew.h>

/* ---- State ----------------------------------------------------------------- */

static float planes[6][4];               /* view volume, normalised, inside >= 0 */
static float eye[3];                     /* the eye in object coordinates */

/* ---- Internal helpers ------------------------------------------------------ */

/* The six planes of the view volume in object coordinates, from the rows of
 * projection times model-view: x and y between lo and hi in normalised
 * device coordinates (-1 and 1 for the whole viewport), z between -1 and 1. */
static void findPlanes(const float p[16], const float m[16], const float lo[2], const float hi[2])
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
        /* row >= bound * w on the low side, row <= bound * w on the high one */
        float sign = (i % 2 == 0) ? 1.0f : -1.0f;
        float bound = row < 2 ? (i % 2 == 0 ? lo[row] : hi[row]) : -sign;
        float len2 = 0.0f;
        for (int col = 0; col < 4; col++) {
            planes[i][col] = sign * (c[col * 4 + row] - bound * c[col * 4 + 3]);
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

/* The part of the viewport that can be drawn in, in normalised device
 * coordinates: all of it, or the scissor box's share when the scissor test
 * is on. */
static void drawableRange(float lo[2], float hi[2])
{
    lo[0] = lo[1] = -1.0f;
    hi[0] = hi[1] = 1.0f;
    if (!glIsEnabled(GL_SCISSOR_TEST))
        return;
    GLint view[4], box[4];
    glGetIntegerv(GL_VIEWPORT, view);
    glGetIntegerv(GL_SCISSOR_BOX, box);
    for (int k = 0; k < 2; k++) {
        if (view[2 + k] <= 0)
            continue;
        float a = 2.0f * (float)(box[k] - view[k]) / (float)view[2 + k] - 1.0f;
        float b = 2.0f * (float)(box[k] + box[2 + k] - view[k]) / (float)view[2 + k] - 1.0f;
        lo[k] = a > -1.0f ? a : -1.0f;
        hi[k] = b < 1.0f ? b : 1.0f;
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
        eye[0] = eye[1] = eye[2] = NAN;
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

void view_capture(void)
{
    float m[16], p[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    float lo[2], hi[2];
    drawableRange(lo, hi);
    findPlanes(p, m, lo, hi);
    findEye(m);
}

int view_ballInView(float x, float y, float z, float radius)
{
    for (int i = 0; i < 6; i++) {
        const float *q = planes[i];
        if (q[0] * x + q[1] * y + q[2] * z + q[3] < -radius)
            return 0;
    }
    return 1;
}

int view_boxInView(const float lo[3], const float hi[3])
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

float view_eye(int axis)
{
    return eye[axis];
}
