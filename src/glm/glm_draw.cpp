/*
 * glm_draw.cpp - drawing a model in immediate mode: the mode clean-up, one
 * GL_TRIANGLES run per group, material changes sent only when the material
 * changes, and transparent materials in a second, additively blended pass;
 * compiling the same calls into a display list.
 *
 * Depends on: OpenGL, glm_texture.cpp (the texture target).
 */
#include "glm_internal.h"

/* ---- Internal helpers ------------------------------------------------------- */

/* Working state of one glmDraw call. */
typedef struct {
    const GlmModel *model;
    GLuint mode;
    int blendmodel;       /* a transparent material was met */
    int transparent;      /* the current material is transparent */
    GLuint material;      /* current material, GLM_NONE before the first */
    int materialPending;
    int texture;          /* current texture-list index, -1 for none */
    int texturePending;
    int badTexcoordWarned;
    int badTextureWarned;
} DrawState;

static const GLuint MATERIAL_MODES = GLM_MODE_TEXTURE | GLM_MODE_COLOR | GLM_MODE_MATERIAL;

static GLuint cleanMode(const GlmModel *model, GLuint mode)
{
    if ((mode & GLM_MODE_FLAT) && !model->facetnorms) {
        __glmWarning("glmDraw() warning: flat render mode requested with no facet normals defined.");
        mode &= ~GLM_MODE_FLAT;
    }
    if ((mode & GLM_MODE_SMOOTH) && !model->normals) {
        __glmWarning("glmDraw() warning: smooth render mode requested with no normals defined.");
        mode &= ~GLM_MODE_SMOOTH;
    }
    if ((mode & GLM_MODE_TEXTURE) && !model->texcoords) {
        __glmWarning("glmDraw() warning: texture render mode requested with no texture "
                     "coordinates defined.");
        mode &= ~GLM_MODE_TEXTURE;
    }
    if ((mode & GLM_MODE_FLAT) && (mode & GLM_MODE_SMOOTH)) {
        __glmWarning("glmDraw() warning: flat render mode requested and smooth render mode "
                     "requested (using smooth).");
        mode &= ~GLM_MODE_FLAT;
    }
    if ((mode & GLM_MODE_COLOR) && !model->materials) {
        __glmWarning("glmDraw() warning: color render mode requested with no materials defined.");
        mode &= ~GLM_MODE_COLOR;
    }
    if ((mode & GLM_MODE_MATERIAL) && !model->materials) {
        __glmWarning("glmDraw() warning: material render mode requested with no materials "
                     "defined.");
        mode &= ~GLM_MODE_MATERIAL;
    }
    if ((mode & GLM_MODE_COLOR) && (mode & GLM_MODE_MATERIAL)) {
        __glmWarning("glmDraw() warning: color and material render mode requested using only "
                     "material mode.");
        mode &= ~GLM_MODE_COLOR;
    }
    return mode;
}

static void makeCurrent(DrawState *state, GLuint index)
{
    const GlmMaterial *material = &state->model->materials[index];
    state->material = index;
    state->transparent = material->diffuse[3] < 1.0f;
    if (state->transparent)
        state->blendmodel = 1;
    state->materialPending = 1;
    int texture = material->map_diffuse;
    if (texture < -1 || texture >= (int)state->model->numtextures) {
        char shown[GLM_EXCERPT_SIZE];
        if (!state->badTextureWarned)
            __glmWarning("glmDraw() warning: material \"%s\" names texture %d of %u, drawn "
                         "without it.", __glmExcerpt(material->name ? material->name : "", shown),
                         texture, state->model->numtextures);
        state->badTextureWarned = 1;
        texture = -1;
    }
    if (texture != state->texture) {
        state->texture = texture;
        state->texturePending = 1;
    }
}

/* A material index the model holds; anything else draws as material 0. */
static GLuint checkedMaterial(const DrawState *state, GLuint index)
{
    return index < state->model->nummaterials ? index : 0;
}

static void sendMaterial(DrawState *state)
{
    const GlmModel *model = state->model;
    const GlmMaterial *material = &model->materials[state->material];
    state->materialPending = 0;
    if ((state->mode & GLM_MODE_TEXTURE) && state->texturePending) {
        state->texturePending = 0;
        glEnd();
        glBindTexture(_glmTextureTarget,
                      state->texture == -1 ? 0 : model->textures[state->texture].id);
        glBegin(GL_TRIANGLES);
    }
    if (state->mode & GLM_MODE_MATERIAL) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, material->ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, material->diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, material->specular);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, material->shininess);
    }
    if (state->mode & GLM_MODE_COLOR)
        glColor3fv(material->diffuse);
}

static void sendCorners(DrawState *state, const GlmTriangle *triangle, GLuint index)
{
    const GlmModel *model = state->model;
    GLuint mode = state->mode;
    for (int k = 0; k < 3; k++) {
        GLuint n = triangle->nindices[k];
        if ((mode & GLM_MODE_SMOOTH) && n != GLM_NONE)
            glNormal3fv(&model->normals[3 * n]);
        GLuint t = triangle->tindices[k];
        if ((mode & GLM_MODE_TEXTURE) && t != GLM_NONE && state->texture != -1) {
            if (t >= 1 && t <= model->numtexcoords) {
                const GlmTexture *texture = &model->textures[state->texture];
                glTexCoord2f(model->texcoords[2 * t] * texture->width,
                             model->texcoords[2 * t + 1] * texture->height);
            } else if (!state->badTexcoordWarned) {
                __glmWarning("glmDraw() warning: texture coordinate %u of triangle %u out of "
                             "range (1..%u), skipped.", t, index, model->numtexcoords);
                state->badTexcoordWarned = 1;
            }
        }
        glVertex3fv(&model->vertices[3 * triangle->vindices[k]]);
    }
}

static void drawPass(DrawState *state, int pass)
{
    const GlmModel *model = state->model;
    GLuint mode = state->mode;
    state->transparent = 0;
    state->material = GLM_NONE;
    state->materialPending = 0;
    state->texture = -1;
    state->texturePending = 0;
    /* texture coordinates alone (a model without materials) select nothing */
    int materials = (mode & MATERIAL_MODES) && model->materials;

    for (const GlmGroup *group = model->groups; group; group = group->next) {
        if (materials)
            makeCurrent(state, checkedMaterial(state, group->material));
        glBegin(GL_TRIANGLES);
        for (GLuint i = 0; i < group->numtriangles; i++) {
            GLuint index = group->triangles[i];
            const GlmTriangle *triangle = &model->triangles[index];
            if (materials) {
                GLuint material = checkedMaterial(state, triangle->material);
                if (material != 0 && material != state->material)
                    makeCurrent(state, material);
            }
            if (state->transparent != pass)
                continue;
            if (state->materialPending)
                sendMaterial(state);
            if (mode & GLM_MODE_FLAT)
                glNormal3fv(&model->facetnorms[3 * triangle->findex]);
            sendCorners(state, triangle, index);
        }
        glEnd();
    }
}

/* ---- Public functions ------------------------------------------------------- */

void glmDraw(GlmModel *model, GLuint mode)
{
    mode = cleanMode(model, mode);

    if (mode & GLM_MODE_COLOR)
        glEnable(GL_COLOR_MATERIAL);
    else if (mode & GLM_MODE_MATERIAL)
        glDisable(GL_COLOR_MATERIAL);
    if (mode & GLM_MODE_TEXTURE) {
        glEnable(_glmTextureTarget);
        glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
    }
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, (mode & GLM_MODE_TWO_SIDE) ? 1 : 0);

    DrawState state = {};
    state.model = model;
    state.mode = mode;
    drawPass(&state, 0);
    if (state.blendmodel) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glDepthMask(GL_FALSE);
        drawPass(&state, 1);
        glDepthMask(GL_TRUE);
        glDisable(GL_BLEND);
    }
}

GLuint glmList(GlmModel *model, GLuint mode)
{
    GLuint list = glGenLists(1);
    glNewList(list, GL_COMPILE);
    glmDraw(model, mode);
    glEndList();
    return list;
}
