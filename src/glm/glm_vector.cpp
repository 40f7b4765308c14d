/*
 * glm_vector.cpp - the model library's small vector helpers.
 * Depends on: libm.
 */
#include "glm.h"

#include <math.h>

GLfloat glmMax(GLfloat a, GLfloat b)
{
    if (b > a)
        return b;
    return a;
}

GLfloat glmAbs(GLfloat f)
{
    if (f < 0)
        return -f;
    return f;
}

GLfloat glmDot(const GLfloat *u, const GLfloat *v)
{
    return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

void glmCross(const GLfloat *u, const GLfloat *v, GLfloat *n)
{
    n[0] = u[1] * v[2] - u[2] * v[1];
    n[1] = u[2] * v[0] - u[0] * v[2];
    n[2] = u[0] * v[1] - u[1] * v[0];
}

void glmNormalize(GLfloat *v)
{
    GLfloat l = (GLfloat)sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    v[0] /= l;
    v[1] /= l;
    v[2] /= l;
}

GLboolean glmEqual(const GLfloat *u, const GLfloat *v, GLfloat epsilon)
{
    return glmAbs(u[0] - v[0]) < epsilon && glmAbs(u[1] - v[1]) < epsilon &&
           glmAbs(u[2] - v[2]) < epsilon;
}
