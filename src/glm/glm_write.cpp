/*
 * glm_write.cpp - writing a model back as Wavefront OBJ text, with its
 * material library as MTL text beside it, laid out so that reading the files
 * back gives the model that was written: the faces of the group "default"
 * come before the first "g" statement, the other groups follow oldest first,
 * a group name is written with the blank it was read with, and the
 * properties of material 0 ("default") come before the first "newmtl".
 * A write that fails (a full disk) is a fatal error, never a short file.
 *
 * Depends on: libc, POSIX stat (is the library written the one read?).
 */
#include "glm_internal.h"

#include <errno.h>
#include <string.h>
#include <sys/stat.h>

/* ---- Internal helpers ------------------------------------------------------- */

static const char *const CREDIT_LINES =
    "#  Kolvane\n"
    "#  model library of the Kolvane real-time demo\n"
    "#  written by the Kolvane developers\n";

static GLuint cleanMode(const GlmModel *model, GLuint mode)
{
    if ((mode & GLM_MODE_FLAT) && !model->facetnorms) {
        __glmWarning("glmWriteOBJ() warning: flat normal output requested with no facet "
                     "normals defined.");
        mode &= ~GLM_MODE_FLAT;
    }
    if ((mode & GLM_MODE_SMOOTH) && !model->normals) {
        __glmWarning("glmWriteOBJ() warning: smooth normal output requested with no normals "
                     "defined.");
        mode &= ~GLM_MODE_SMOOTH;
    }
    if ((mode & GLM_MODE_TEXTURE) && !model->texcoords) {
        __glmWarning("glmWriteOBJ() warning: texture coordinate output requested with no "
                     "texture coordinates defined.");
        mode &= ~GLM_MODE_TEXTURE;
    }
    if ((mode & GLM_MODE_FLAT) && (mode & GLM_MODE_SMOOTH)) {
        __glmWarning("glmWriteOBJ() warning: flat normal output requested and smooth normal "
                     "output requested (using smooth).");
        mode &= ~GLM_MODE_FLAT;
    }
    if ((mode & GLM_MODE_COLOR) && !model->materials) {
        __glmWarning("glmWriteOBJ() warning: color output requested with no colors (materials) "
                     "defined.");
        mode &= ~GLM_MODE_COLOR;
    }
    if ((mode & GLM_MODE_MATERIAL) && !model->materials) {
        __glmWarning("glmWriteOBJ() warning: material output requested with no materials "
                     "defined.");
        mode &= ~GLM_MODE_MATERIAL;
    }
    if ((mode & GLM_MODE_COLOR) && (mode & GLM_MODE_MATERIAL)) {
        __glmWarning("glmWriteOBJ() warning: color and material output requested outputting "
                     "only materials.");
        mode &= ~GLM_MODE_COLOR;
    }
    return mode;
}

static const char *materialName(const GlmModel *model, GLuint index)
{
    if (index < model->nummaterials && model->materials[index].name)
        return model->materials[index].name;
    return "default";
}

/* Flushes and closes a written file; any failed write or close ends the
 * process instead of leaving a short file behind unnoticed. */
static void finish(FILE *file, const char *path, const char *who)
{
    int failed = fflush(file) != 0 || ferror(file);
    int error = errno;
    if (fclose(file) != 0 && !failed) {
        failed = 1;
        error = errno;
    }
    if (failed)
        __glmFatalError("%s failed: can't write file \"%s\": %s.", who, path, strerror(error));
}

/* True when both paths name one existing file. */
static int sameFile(const char *a, const char *b)
{
    struct stat sa, sb;
    return stat(a, &sa) == 0 && stat(b, &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

/* The path of a file named beside another file. */
static char *besides(const char *path, const char *name)
{
    char *dir = __glmDirName(path);
    size_t length = strlen(dir) + strlen(name) + 1;
    char *result = (char *)__glmMalloc(length);
    snprintf(result, length, "%s%s", dir, name);
    __glmFree(dir);
    return result;
}

/* Everything the MTL reader takes from a material. */
static void writeMaterial(FILE *file, const GlmModel *model, const GlmMaterial *material)
{
    fprintf(file, "Ka %f %f %f\n", material->ambient[0], material->ambient[1],
            material->ambient[2]);
    fprintf(file, "Kd %f %f %f\n", material->diffuse[0], material->diffuse[1],
            material->diffuse[2]);
    fprintf(file, "Ks %f %f %f\n", material->specular[0], material->specular[1],
            material->specular[2]);
    fprintf(file, "Ns %f\n", material->shininess / 128.0f * 100.0f);
    fprintf(file, "d %f\n", material->diffuse[3]);
    if (material->map_diffuse >= 0 && (GLuint)material->map_diffuse < model->numtextures)
        fprintf(file, "map_Kd %s\n", model->textures[material->map_diffuse].name);
    fprintf(file, "\n");
}

/* One face line. A corner index the triangle does not have (-1) is left out
 * of the line rather than written, since a reader takes -1 for the last
 * point read. */
static void writeFace(FILE *file, const GlmTriangle *t, GLuint mode)
{
    int v0 = (int)t->vindices[0], v1 = (int)t->vindices[1], v2 = (int)t->vindices[2];
    int t0 = (int)t->tindices[0], t1 = (int)t->tindices[1], t2 = (int)t->tindices[2];
    int n0 = (int)t->nindices[0], n1 = (int)t->nindices[1], n2 = (int)t->nindices[2];
    int f = (int)t->findex;
    int texture = (mode & GLM_MODE_TEXTURE) && t->tindices[0] != GLM_NONE &&
                  t->tindices[1] != GLM_NONE && t->tindices[2] != GLM_NONE;
    int smooth = (mode & GLM_MODE_SMOOTH) && t->nindices[0] != GLM_NONE &&
                 t->nindices[1] != GLM_NONE && t->nindices[2] != GLM_NONE;
    int flat = (mode & GLM_MODE_FLAT) && t->findex != GLM_NONE;
    if (texture && smooth)
        fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", v0, t0, n0, v1, t1, n1, v2, t2, n2);
    else if (texture && flat)
        /* the facet normals were written as the file's normals */
        fprintf(file, "f %d/%d/%d %d/%d/%d %d/%d/%d\n", v0, t0, f, v1, t1, f, v2, t2, f);
    else if (texture)
        fprintf(file, "f %d/%d %d/%d %d/%d\n", v0, t0, v1, t1, v2, t2);
    else if (smooth)
        fprintf(file, "f %d//%d %d//%d %d//%d\n", v0, n0, v1, n1, v2, n2);
    else if (flat)
        fprintf(file, "f %d//%d %d//%d %d//%d\n", v0, f, v1, f, v2, f);
    else
        fprintf(file, "f %d %d %d\n", v0, v1, v2);
}

/* A group's faces, with "usemtl" statements placed so that reading them back
 * gives each triangle and the group the material they have. The reader gives
 * a face the material in force (carried across "g" statements, in `current`),
 * and a group whose material is still 0 the material in force at a face, or
 * the one named by a "usemtl" once the group holds a triangle. */
static void writeGroupFaces(FILE *file, const GlmModel *model, const GlmGroup *group,
                            GLuint mode, GLuint *current)
{
    GLuint groupMaterial = 0;     /* as the reader will have it so far */
    for (GLuint i = 0; i < group->numtriangles; i++) {
        const GlmTriangle *triangle = &model->triangles[group->triangles[i]];
        if (groupMaterial == 0 && i > 0 && group->material != 0 &&
            triangle->material != group->material) {
            fprintf(file, "usemtl %s\n", materialName(model, group->material));
            *current = groupMaterial = group->material;
        }
        if (triangle->material != *current) {
            fprintf(file, "usemtl %s\n", materialName(model, triangle->material));
            *current = triangle->material;
            if (groupMaterial == 0 && i > 0)
                groupMaterial = *current;
        }
        if (groupMaterial == 0)
            groupMaterial = *current;
        writeFace(file, triangle, mode);
    }
    if (groupMaterial == 0 && group->material != 0 && group->numtriangles > 0) {
        fprintf(file, "usemtl %s\n", materialName(model, group->material));
        *current = group->material;
    }
    fprintf(file, "\n");
}

/* ---- Public functions ------------------------------------------------------- */

void glmWriteMTL(GlmModel *model, const char *objPath, const char *name)
{
    char *path = besides(objPath, name);
    if (model->mtllib) {
        char *source = besides(model->pathname, model->mtllib);
        if (sameFile(path, source))
            __glmWarning("glmWriteMTL(): overwriting \"%s\", the material library the model "
                         "was read from.", path);
        __glmFree(source);
    }

    FILE *file = fopen(path, "w");
    if (!file)
        __glmFatalError("glmWriteMTL() failed: can't open file \"%s\".", path);
    fprintf(file, "#  \n#  Wavefront MTL generated by GLM library\n#  \n#  GLM library\n");
    fputs(CREDIT_LINES, file);
    fprintf(file, "#  \n\n");
    for (GLuint i = 0; i < model->nummaterials; i++) {
        /* the reader makes material 0 itself, and statements before the
         * first "newmtl" go to it */
        if (i > 0)
            fprintf(file, "newmtl %s\n", materialName(model, i));
        writeMaterial(file, model, &model->materials[i]);
    }
    finish(file, path, "glmWriteMTL()");
    __glmFree(path);
}

void glmWriteOBJ(GlmModel *model, const char *path, GLuint mode)
{
    mode = cleanMode(model, mode);

    FILE *file = fopen(path, "w");
    if (!file)
        __glmFatalError("glmWriteOBJ() failed: can't open file \"%s\" to write.", path);

    fprintf(file, "#  \n#  Wavefront OBJ generated by GLM library\n#  \n#  GLM library\n");
    fputs(CREDIT_LINES, file);
    fprintf(file, "#  \n");

    if ((mode & GLM_MODE_MATERIAL) && model->mtllib) {
        fprintf(file, "\nmtllib %s\n\n", model->mtllib);
        glmWriteMTL(model, path, model->mtllib);
    }

    fprintf(file, "\n");
    fprintf(file, "# %d vertices\n", (int)model->numvertices);
    for (GLuint i = 1; i <= model->numvertices; i++)
        fprintf(file, "v %f %f %f\n", model->vertices[3 * i], model->vertices[3 * i + 1],
                model->vertices[3 * i + 2]);

    if (mode & GLM_MODE_SMOOTH) {
        fprintf(file, "\n");
        fprintf(file, "# %u normals\n", model->numnormals);
        for (GLuint i = 1; i <= model->numnormals; i++)
            fprintf(file, "vn %f %f %f\n", model->normals[3 * i], model->normals[3 * i + 1],
                    model->normals[3 * i + 2]);
    } else if (mode & GLM_MODE_FLAT) {
        fprintf(file, "\n");
        fprintf(file, "# %d normals\n", (int)model->numfacetnorms);
        for (GLuint i = 1; i <= model->numfacetnorms; i++)
            fprintf(file, "vn %f %f %f\n", model->facetnorms[3 * i],
                    model->facetnorms[3 * i + 1], model->facetnorms[3 * i + 2]);
    }

    if (mode & GLM_MODE_TEXTURE) {
        fprintf(file, "\n");
        fprintf(file, "# %d texcoords\n", (int)model->numtexcoords);
        for (GLuint i = 1; i <= model->numtexcoords; i++)
            fprintf(file, "vt %f %f\n", model->texcoords[2 * i], model->texcoords[2 * i + 1]);
    }

    fprintf(file, "\n");
    fprintf(file, "# %d groups\n", (int)model->numgroups);
    fprintf(file, "# %d faces (triangles)\n", (int)model->numtriangles);
    fprintf(file, "\n");

    /* the list holds the groups newest first: write them oldest first, so
     * that reading the file back builds the same list */
    const GlmGroup **order = (const GlmGroup **)__glmCalloc(model->numgroups + 1, sizeof(*order));
    GLuint count = 0;
    for (const GlmGroup *group = model->groups; group && count <= model->numgroups;
         group = group->next)
        order[count++] = group;
    GLuint current = 0;     /* the reader's material in force */
    const GlmGroup *implicit = glmFindGroup(model, "default");
    if (implicit)
        writeGroupFaces(file, model, implicit, mode, &current);
    while (count > 0) {
        const GlmGroup *group = order[--count];
        if (group == implicit)
            continue;
        /* a name read from a file keeps the blank after "g" */
        int blank = group->name[0] == '\0' || group->name[0] == ' ' || group->name[0] == '\t';
        fprintf(file, blank ? "g%s\n" : "g %s\n", group->name);
        writeGroupFaces(file, model, group, mode, &current);
    }
    __glmFree(order);
    finish(file, path, "glmWriteOBJ()");
}
