/*
 * glm_geometry.cpp - operations on a loaded model: fitting into the unit cube,
 * measuring and scaling, reversing the winding, smoothed vertex normals with a
 * crease angle, planar and sphere-map texture coordinates, welding of
 * near-equal vertices, and releasing a model.
 *
 * Depends on: glm_vector.cpp, OpenGL (glDeleteTextures), libm.
 */
#include "glm_internal.h"

#include <math.h>
#include <string.h>

/* ---- Internal helpers ------------------------------------------------------- */

/* One use of a vertex by a triangle, in the per-vertex lists of
 * glmVertexNormals. */
typedef struct GlmNode {
    GLuint index;           /* the triangle */
    GLboolean averaged;
    struct GlmNode *next;
} GlmNode;

/* Per-axis maximum and minimum over vertices 1..numvertices; a model without
 * vertices has an extent of 0. */
static void extent(const GlmModel *model, GLfloat max[3], GLfloat min[3])
{
    for (int axis = 0; axis < 3; axis++)
        max[axis] = min[axis] = model->numvertices ? model->vertices[3 + axis] : 0.0f;
    for (GLuint i = 1; i <= model->numvertices; i++) {
        for (int axis = 0; axis < 3; axis++) {
            GLfloat value = model->vertices[3 * i + axis];
            if (max[axis] < value)
                max[axis] = value;
            if (min[axis] > value)
                min[axis] = value;
        }
    }
}

static void sizes(const GLfloat max[3], const GLfloat min[3], GLfloat dimensions[3])
{
    for (int axis = 0; axis < 3; axis++)
        dimensions[axis] = glmAbs(max[axis]) + glmAbs(min[axis]);
}

static void normalizeNonZero(GLfloat *v)
{
    if (v[0] != 0.0f || v[1] != 0.0f || v[2] != 0.0f)
        glmNormalize(v);
}

static void swapCorners(GLuint *indices)
{
    GLuint first = indices[0];
    indices[0] = indices[2];
    indices[2] = first;
}

/* Makes sure normal `next` exists, growing the array by `step` entries at a
 * time; crease growth is reported. */
static void reserveNormal(GlmModel *model, GLuint next, GLuint step, int report)
{
    while (model->numnormals < next) {
        model->numnormals += step;
        if (report)
            __glmWarning("glmVertexNormals(): realloc %d+100\n", (int)model->numnormals);
        model->normals = (GLfloat *)__glmRealloc(
            model->normals, ((size_t)model->numnormals + 1) * 3 * sizeof(GLfloat));
    }
}

/* Welds vectors 1..*count: returns a new array holding the distinct ones
 * first-seen first, and the new index of every old vector in map[1..*count]. */
static GLfloat *weld(const GLfloat *vectors, GLuint *count, GLfloat epsilon, GLuint *map)
{
    GLuint n = *count;
    GLfloat *copies = (GLfloat *)__glmMalloc(((size_t)n + 1) * 3 * sizeof(GLfloat));
    memcpy(copies, vectors, ((size_t)n + 1) * 3 * sizeof(GLfloat));
    GLuint kept = 0;
    for (GLuint i = 1; i <= n; i++) {
        const GLfloat *vector = &vectors[3 * i];
        GLuint found = 0;
        for (GLuint j = 1; j <= kept && !found; j++)
            if (glmEqual(&copies[3 * j], vector, epsilon))
                found = j;
        if (!found) {
            found = ++kept;
            memcpy(&copies[3 * found], vector, 3 * sizeof(GLfloat));
        }
        map[i] = found;
    }
    *count = kept;
    return copies;
}

/* ---- Public functions ------------------------------------------------------- */

void glmDimensions(GlmModel *model, GLfloat *dimensions)
{
    GLfloat max[3], min[3];
    extent(model, max, min);
    sizes(max, min, dimensions);
}

GLfloat glmUnitize(GlmModel *model)
{
    GLfloat max[3], min[3], dimensions[3], centre[3];
    extent(model, max, min);
    sizes(max, min, dimensions);
    for (int axis = 0; axis < 3; axis++)
        centre[axis] = (max[axis] + min[axis]) / 2.0f;
    GLfloat largest = glmMax(glmMax(dimensions[0], dimensions[1]), dimensions[2]);
    /* a model of no extent is only centred */
    GLfloat scale = largest > 0.0f ? 2.0f / largest : 1.0f;
    for (GLuint i = 1; i <= model->numvertices; i++)
        for (int axis = 0; axis < 3; axis++)
            model->vertices[3 * i + axis] = (model->vertices[3 * i + axis] - centre[axis]) * scale;
    return scale;
}

void glmScale(GlmModel *model, GLfloat scale)
{
    for (GLuint i = 1; i <= model->numvertices; i++)
        for (int axis = 0; axis < 3; axis++)
            model->vertices[3 * i + axis] *= scale;
}

void glmReverseWinding(GlmModel *model)
{
    for (GLuint i = 0; i < model->numtriangles; i++) {
        GlmTriangle *triangle = &model->triangles[i];
        swapCorners(triangle->vindices);
        if (model->numnormals)
            swapCorners(triangle->nindices);
        if (model->numtexcoords)
            swapCorners(triangle->tindices);
    }
    for (GLuint i = 1; i <= model->numfacetnorms; i++)
        for (int axis = 0; axis < 3; axis++)
            model->facetnorms[3 * i + axis] = -model->facetnorms[3 * i + axis];
    for (GLuint i = 1; i <= model->numnormals; i++)
        for (int axis = 0; axis < 3; axis++)
            model->normals[3 * i + axis] = -model->normals[3 * i + axis];
}

void glmVertexNormals(GlmModel *model, GLfloat angle, GLboolean keepExisting)
{
    GLfloat cosAngle = (GLfloat)cos(angle * 3.141592653589793 / 180.0);
    GLuint next;
    if (!keepExisting) {
        __glmFree(model->normals);
        model->numnormals = 3 * model->numtriangles;
        model->normals = (GLfloat *)__glmMalloc(((size_t)model->numnormals + 1) * 3 * sizeof(GLfloat));
        next = 1;
    } else {
        next = model->numnormals + 1;
    }

    GlmNode **members = (GlmNode **)__glmCalloc((size_t)model->numvertices + 1, sizeof(GlmNode *));
    GlmNode *pool = (GlmNode *)__glmMalloc(((size_t)model->numtriangles * 3 + 1) * sizeof(GlmNode));
    size_t used = 0;
    for (GLuint i = 0; i < model->numtriangles; i++) {
        for (int j = 0; j < 3; j++) {
            GLuint v = model->triangles[i].vindices[j];
            GlmNode *node = &pool[used++];
            node->index = i;
            node->averaged = GL_FALSE;
            node->next = members[v];
            members[v] = node;
        }
    }

    for (GLuint v = 1; v <= model->numvertices; v++) {
        GlmNode *head = members[v];
        if (!head) {
            __glmWarning("glmVertexNormals(): vertex %d w/o a triangle", (int)v);
            continue;
        }
        const GlmTriangle *first = &model->triangles[head->index];
        GLfloat average[3] = {0.0f, 0.0f, 0.0f};
        for (GlmNode *node = head; node; node = node->next) {
            const GlmTriangle *triangle = &model->triangles[node->index];
            node->averaged = GL_FALSE;
            if (triangle->findex == GLM_NONE || first->findex == GLM_NONE)
                continue;
            const GLfloat *normal = &model->facetnorms[3 * triangle->findex];
            if (glmDot(normal, &model->facetnorms[3 * first->findex]) > cosAngle) {
                node->averaged = GL_TRUE;
                for (int axis = 0; axis < 3; axis++)
                    average[axis] += normal[axis];
            }
        }

        GLuint averageIndex = GLM_NONE;
        for (GlmNode *node = head; node; node = node->next) {
            GlmTriangle *triangle = &model->triangles[node->index];
            if (node->averaged) {
                for (int j = 0; j < 3; j++) {
                    if (triangle->vindices[j] != v ||
                        (keepExisting && triangle->nindices[j] != GLM_NONE))
                        continue;
                    if (averageIndex == GLM_NONE) {
                        reserveNormal(model, next, 1000, 0);
                        normalizeNonZero(average);
                        memcpy(&model->normals[3 * next], average, 3 * sizeof(GLfloat));
                        averageIndex = next++;
                    }
                    triangle->nindices[j] = averageIndex;
                }
            } else if (triangle->findex == GLM_NONE) {
                for (int j = 0; j < 3; j++)
                    if (!keepExisting && triangle->vindices[j] == v)
                        triangle->nindices[j] = GLM_NONE;
            } else {
                reserveNormal(model, next, 100, 1);
                memcpy(&model->normals[3 * next], &model->facetnorms[3 * triangle->findex],
                       3 * sizeof(GLfloat));
                int taken = 0;
                for (int j = 0; j < 3; j++) {
                    if (triangle->vindices[j] != v ||
                        (keepExisting && triangle->nindices[j] != GLM_NONE))
                        continue;
                    triangle->nindices[j] = next;
                    taken = 1;
                }
                if (taken)
                    next++;
            }
        }
    }

    model->numnormals = next - 1;
    __glmFree(pool);
    __glmFree(members);
    GLfloat *normals = (GLfloat *)__glmMalloc(((size_t)model->numnormals + 1) * 3 * sizeof(GLfloat));
    if (model->normals)
        memcpy(normals, model->normals, ((size_t)model->numnormals + 1) * 3 * sizeof(GLfloat));
    else
        memset(normals, 0, 3 * sizeof(GLfloat));
    __glmFree(model->normals);
    model->normals = normals;
}

void glmLinearTexture(GlmModel *model)
{
    __glmFree(model->texcoords);
    model->numtexcoords = model->numvertices;
    model->texcoords = (GLfloat *)__glmCalloc((size_t)model->numtexcoords + 1, 2 * sizeof(GLfloat));
    GLfloat dimensions[3];
    glmDimensions(model, dimensions);
    GLfloat largest = glmAbs(glmMax(glmMax(dimensions[0], dimensions[1]), dimensions[2]));
    /* a model of no extent keeps its coordinates unscaled */
    GLfloat scale = largest > 0.0f ? 2.0f / largest : 1.0f;
    for (GLuint i = 1; i <= model->numvertices; i++) {
        model->texcoords[2 * i] = (model->vertices[3 * i] * scale + 1.0f) / 2.0f;
        model->texcoords[2 * i + 1] = (model->vertices[3 * i + 2] * scale + 1.0f) / 2.0f;
    }
    for (GlmGroup *group = model->groups; group; group = group->next)
        for (GLuint i = 0; i < group->numtriangles; i++) {
            GlmTriangle *triangle = &model->triangles[group->triangles[i]];
            memcpy(triangle->tindices, triangle->vindices, sizeof(triangle->tindices));
        }
}

void glmSpheremapTexture(GlmModel *model)
{
    __glmFree(model->texcoords);
    model->numtexcoords = model->numnormals;
    model->texcoords = (GLfloat *)__glmCalloc((size_t)model->numtexcoords + 1, 2 * sizeof(GLfloat));
    for (GLuint i = 1; i <= model->numnormals; i++) {
        GLfloat x = model->normals[3 * i];
        GLfloat y = model->normals[3 * i + 1];
        GLfloat z = model->normals[3 * i + 2];
        GLfloat r = sqrtf(z * z + y * y);
        GLfloat rho = sqrtf(r * r + x * x);
        GLfloat theta, phi;
        if (r == 0.0f) {
            theta = phi = 0.0f;
        } else {
            phi = x == 0.0f ? 1.5707964f : (GLfloat)acos(x / rho);
            theta = y == 0.0f ? 1.5707961f : (GLfloat)(asin(y / r) + 1.570796325);
        }
        model->texcoords[2 * i] = theta / 3.14159265f;
        model->texcoords[2 * i + 1] = phi / 3.14159265f;
    }
    for (GlmGroup *group = model->groups; group; group = group->next)
        for (GLuint i = 0; i < group->numtriangles; i++) {
            GlmTriangle *triangle = &model->triangles[group->triangles[i]];
            memcpy(triangle->tindices, triangle->nindices, sizeof(triangle->tindices));
        }
}

GLfloat *glmWeldVectors(GLfloat *vectors, GLuint *numvectors, GLfloat epsilon)
{
    GLuint *map = (GLuint *)__glmCalloc((size_t)*numvectors + 1, sizeof(GLuint));
    GLuint n = *numvectors;
    GLfloat *copies = weld(vectors, numvectors, epsilon, map);
    for (GLuint i = 1; i <= n; i++)
        vectors[3 * i] = (GLfloat)map[i];
    __glmFree(map);
    return copies;
}

void glmWeld(GlmModel *model, GLfloat epsilon)
{
    /* the new indices are kept as integers, exact also past 2^24 vertices */
    GLuint count = model->numvertices;
    GLuint *map = (GLuint *)__glmCalloc((size_t)count + 1, sizeof(GLuint));
    GLfloat *copies = weld(model->vertices, &count, epsilon, map);
    for (GLuint i = 0; i < model->numtriangles; i++)
        for (int j = 0; j < 3; j++)
            model->triangles[i].vindices[j] = map[model->triangles[i].vindices[j]];
    __glmFree(map);
    __glmFree(model->vertices);
    model->numvertices = count;
    model->vertices = (GLfloat *)__glmMalloc(((size_t)count + 1) * 3 * sizeof(GLfloat));
    memcpy(model->vertices, copies, ((size_t)count + 1) * 3 * sizeof(GLfloat));
    __glmFree(copies);
}

void glmDelete(GlmModel *model)
{
    __glmFree(model->pathname);
    __glmFree(model->mtllib);
    __glmFree(model->vertices);
    __glmFree(model->normals);
    __glmFree(model->texcoords);
    __glmFree(model->facetnorms);
    __glmFree(model->triangles);
    for (GLuint i = 0; model->materials && i < model->nummaterials; i++)
        __glmFree(model->materials[i].name);
    __glmFree(model->materials);
    for (GLuint i = 0; model->textures && i < model->numtextures; i++) {
        __glmFree(model->textures[i].name);
        glDeleteTextures(1, &model->textures[i].id);
    }
    __glmFree(model->textures);
    GlmGroup *group = model->groups;
    while (group) {
        GlmGroup *next = group->next;
        __glmFree(group->name);
        __glmFree(group->triangles);
        __glmFree(group);
        group = next;
    }
    __glmFree(model);
}
