/*
 * glm_read.cpp - the OBJ reader (a counting pass, then a filling pass over the
 * same bytes), the MTL reader, groups and material lookup, facet normals and
 * the validation of a model's indices.
 *
 * The filling pass checks every write against what the counting pass counted:
 * a file that reads differently the second time ends with a fatal error
 * instead of writing past an array.
 *
 * Depends on: glm_scan.cpp (the scanner), glm_texture.cpp (map_Kd textures),
 * glm_vector.cpp, libc.
 */
#include "glm_internal.h"

#include <string.h>

/* ---- State ------------------------------------------------------------------ */

/* Triangles counted per group by the counting pass, in group-list order, so
 * that the filling pass can check its appends. */
static GLuint *groupCapacity = NULL;
static GLuint groupCapacityCount = 0;

/* ---- Internal helpers ------------------------------------------------------- */

/* The four forms of a face corner, decided by the face's first corner. */
enum { FORM_VN, FORM_VTN, FORM_VT, FORM_V };

typedef struct {
    GLuint v, t, n;
} Corner;

/* Matches literal text the way a scanf format does: character by character,
 * consuming what matched; 1 when all of it matched. */
static int matchLiteral(const char **text, const char *literal)
{
    const char *p = *text;
    for (; *literal; literal++, p++) {
        if (*p != *literal) {
            *text = p;
            return 0;
        }
    }
    *text = p;
    return 1;
}

/* Reads one corner in the given form ("%u//%u", "%u/%u/%u", "%u/%u", "%u");
 * updates the indices it reads and returns how many it read. */
static int readCorner(const char **text, int form, Corner *corner)
{
    if (!__glmParseUint(text, &corner->v))
        return 0;
    switch (form) {
    case FORM_VN:
        if (!matchLiteral(text, "//") || !__glmParseUint(text, &corner->n))
            return 1;
        return 2;
    case FORM_VTN:
        if (!matchLiteral(text, "/") || !__glmParseUint(text, &corner->t))
            return 1;
        if (!matchLiteral(text, "/") || !__glmParseUint(text, &corner->n))
            return 2;
        return 3;
    case FORM_VT:
        if (!matchLiteral(text, "/") || !__glmParseUint(text, &corner->t))
            return 1;
        return 2;
    default:
        return 1;
    }
}

/* Reads the first corner of a face as a token and decides the face's form. */
static int readFirstCorner(GlmScan *scan, Corner *corner)
{
    char token[GLM_TOKEN_MAX + 1];
    __glmScanToken(scan, token);
    int form;
    Corner probe = {0, 0, 0};
    const char *p = token;
    if (strstr(token, "//"))
        form = FORM_VN;
    else if (readCorner(&p, FORM_VTN, &probe) == 3)
        form = FORM_VTN;
    else if (p = token, readCorner(&p, FORM_VT, &probe) == 2)
        form = FORM_VT;
    else
        form = FORM_V;
    corner->v = 0;
    corner->t = (form == FORM_VTN || form == FORM_VT) ? 0 : GLM_NONE;
    corner->n = (form == FORM_VTN || form == FORM_VN) ? 0 : GLM_NONE;
    p = token;
    readCorner(&p, form, corner);
    return form;
}

static int readNextCorner(GlmScan *scan, int form, Corner *corner)
{
    return readCorner(&scan->p, form, corner);
}

/* The group name of a "g" statement: the rest of the line without its last
 * character (the line break), leading blank included. */
static void readGroupName(GlmScan *scan, char *name)
{
    size_t length = __glmScanLine(scan, name, GLM_TOKEN_MAX + 1);
    if (length > 0)
        name[length - 1] = '\0';
}

static void countUp(GLuint *counter, const char *what)
{
    if (*counter >= GLM_NONE - 2)
        __glmFatalError("glmFirstPass(): too many %s.", what);
    (*counter)++;
}

static void changedFile(GlmModel *model, const char *what)
{
    __glmFatalError("glmSecondPass(): \"%s\" reads differently the second time "
                    "(more %s than counted).", model->pathname, what);
}

/* Triangles the counting pass counted for a group (found by its position in
 * the list). */
static GLuint capacityOf(GlmModel *model, GlmGroup *group)
{
    GLuint slot = 0;
    for (GlmGroup *g = model->groups; g && g != group; g = g->next)
        slot++;
    return slot < groupCapacityCount ? groupCapacity[slot] : 0;
}

static void setMaterialDefaults(GlmMaterial *material)
{
    material->name = NULL;
    material->diffuse[0] = material->diffuse[1] = material->diffuse[2] = 0.8f;
    material->diffuse[3] = 1.0f;
    material->ambient[0] = material->ambient[1] = material->ambient[2] = 0.2f;
    material->ambient[3] = 1.0f;
    material->specular[0] = material->specular[1] = material->specular[2] = 0.0f;
    material->specular[3] = 1.0f;
    material->shininess = 65.0f;
    material->map_diffuse = -1;
}

static void releaseMaterials(GlmModel *model)
{
    for (GLuint i = 0; model->materials && i < model->nummaterials; i++)
        __glmFree(model->materials[i].name);
    __glmFree(model->materials);
    model->materials = NULL;
    model->nummaterials = 0;
}

static void readThreeFloats(GlmScan *scan, GLfloat *values)
{
    for (int i = 0; i < 3 && __glmScanFloat(scan, &values[i]); i++) {
    }
}

/* The filling pass of the MTL reader. */
static void fillMaterials(GlmModel *model, GlmScan *scan, const char *path)
{
    char token[GLM_TOKEN_MAX + 1];
    char line[GLM_MAPLINE_MAX + 1];
    GLuint current = 0;
    while (__glmScanToken(scan, token)) {
        GlmMaterial *material = &model->materials[current];
        switch (token[0]) {
        case '#':
            __glmScanSkipLine(scan);
            break;
        case 'n':
            if (strncmp(token, "newmtl", 6) != 0)
                __glmFatalError("glmReadMTL: Got \"%s\" instead of \"newmtl\" in file \"%s\"",
                                token, path);
            if (current + 1 >= model->nummaterials)
                __glmFatalError("glmReadMTL(): \"%s\" reads differently the second time "
                                "(more materials than counted).", path);
            current++;
            __glmScanLine(scan, line, GLM_TOKEN_MAX + 1);
            model->materials[current].name = __glmStrdup(__glmLastOfTwoWords(line));
            break;
        case 'K':
            if (token[1] == 'd')
                readThreeFloats(scan, material->diffuse);
            else if (token[1] == 's')
                readThreeFloats(scan, material->specular);
            else if (token[1] == 'a')
                readThreeFloats(scan, material->ambient);
            else {
                __glmWarning("glmReadMTL: Command \"%s\" ignored", token);
                __glmScanSkipLine(scan);
            }
            break;
        case 'N':
            if (token[1] == 's') {
                GLfloat s;
                if (__glmScanFloat(scan, &s))
                    material->shininess = s / 100.0f * 128.0f;
            } else if (token[1] == 'i') {
                __glmWarning("refraction index ignored");
                __glmScanSkipLine(scan);
            } else {
                __glmWarning("glmReadMTL: Command \"%s\" ignored", token);
                __glmScanSkipLine(scan);
            }
            break;
        case 'd':
            __glmScanFloat(scan, &material->diffuse[3]);
            break;
        case 'i': {
            if (strncmp(token, "illum", 5) != 0)
                __glmFatalError("glmReadMTL: Got \"%s\" instead of \"illum\" in file \"%s\"",
                                token, path);
            GLuint illum;
            if (__glmScanUint(scan, &illum) && illum != 2)
                __glmWarning("illum material ignored: illum %d", (int)illum);
            break;
        }
        case 'm': {
            __glmScanLine(scan, line, sizeof(line));
            char *map = __glmStrStrip(line);
            if (strncmp(token, "map_Kd", 6) == 0) {
                if (map)
                    material->map_diffuse = glmFindOrAddTexture(model, map);
                else
                    __glmWarning("glmReadMTL: \"%s\" without a file name ignored in file \"%s\"",
                                 token, path);
            } else {
                __glmWarning("map %s %s ignored", token, map ? map : "");
            }
            __glmFree(map);
            break;
        }
        case 'r':
            __glmScanLine(scan, line, GLM_TOKEN_MAX + 1);
            __glmWarning("reflection type ignored: r%s", line);
            break;
        default:
            __glmScanSkipLine(scan);
            break;
        }
    }
}

/* Every normal and vertex index in range; the value -1 is accepted as "no
 * normal" but never as a vertex, which every corner needs. */
static void validate(GlmModel *model)
{
    for (GLuint i = 0; i < model->numtriangles; i++) {
        const GlmTriangle *triangle = &model->triangles[i];
        for (int j = 0; j < 3; j++) {
            GLuint n = triangle->nindices[j];
            if (n != GLM_NONE && (n == 0 || n > model->numnormals))
                __glmFatalError("normal index for triangle %d out of bounds (%d > %d)\n",
                                (int)i, (int)n, (int)model->numnormals);
            GLuint v = triangle->vindices[j];
            if (v == 0 || v > model->numvertices)
                __glmFatalError("vertex index for triangle %d out of bounds (%d > %d)\n",
                                (int)i, (int)v, (int)model->numvertices);
        }
    }
}

/* ---- Public functions ------------------------------------------------------- */

GlmGroup *glmFindGroup(GlmModel *model, const char *name)
{
    for (GlmGroup *group = model->groups; group; group = group->next)
        if (strcmp(name, group->name) == 0)
            return group;
    return NULL;
}

GlmGroup *glmAddGroup(GlmModel *model, const char *name)
{
    GlmGroup *group = glmFindGroup(model, name);
    if (group)
        return group;
    if (model->numgroups >= GLM_NONE - 1)
        __glmFatalError("glmAddGroup(): too many groups.");
    group = (GlmGroup *)__glmMalloc(sizeof(GlmGroup));
    group->name = __glmStrdup(name);
    group->numtriangles = 0;
    group->triangles = NULL;
    group->material = 0;
    group->next = model->groups;
    model->groups = group;
    model->numgroups++;
    return group;
}

GLuint glmFindMaterial(GlmModel *model, const char *name)
{
    for (GLuint i = 0; i < model->nummaterials; i++)
        if (model->materials[i].name && strcmp(model->materials[i].name, name) == 0)
            return i;
    __glmWarning("glmFindMaterial():  can't find material \"%s\".", name);
    return 0;
}

void glmReadMTL(GlmModel *model, const char *name)
{
    char *dir = __glmDirName(model->pathname);
    size_t length = strlen(dir) + strlen(name) + 1;
    char *path = (char *)__glmMalloc(length);
    snprintf(path, length, "%s%s", dir, name);
    __glmFree(dir);

    FILE *file = fopen(path, "r");
    if (!file)
        __glmFatalError("glmReadMTL() failed: can't open material file \"%s\".", path);
    GlmScan scan;
    __glmScanLoad(&scan, file, path);
    fclose(file);

    GLuint count = 1;
    char token[GLM_TOKEN_MAX + 1];
    while (__glmScanToken(&scan, token)) {
        if (token[0] == 'n') {
            if (strncmp(token, "newmtl", 6) != 0)
                __glmFatalError("glmReadMTL: Got \"%s\" instead of \"newmtl\" in file \"%s\"",
                                token, path);
            countUp(&count, "materials");
        }
        __glmScanSkipLine(&scan);
    }

    releaseMaterials(model);
    model->materials = (GlmMaterial *)__glmCalloc(count, sizeof(GlmMaterial));
    model->nummaterials = count;
    for (GLuint i = 0; i < count; i++)
        setMaterialDefaults(&model->materials[i]);
    model->materials[0].name = __glmStrdup("default");

    __glmScanRewind(&scan);
    fillMaterials(model, &scan, path);
    __glmScanRelease(&scan);
    __glmFree(path);
}

void glmFirstPass(GlmModel *model, GlmScan *scan)
{
    char token[GLM_TOKEN_MAX + 1];
    char line[GLM_TOKEN_MAX + 1];
    GLuint numvertices = 0, numnormals = 0, numtexcoords = 0, numtriangles = 0;
    GlmGroup *group = glmAddGroup(model, "default");

    while (__glmScanToken(scan, token)) {
        switch (token[0]) {
        case '#':
            __glmScanSkipLine(scan);
            break;
        case 'v':
            if (token[1] == '\0')
                countUp(&numvertices, "vertices");
            else if (token[1] == 'n')
                countUp(&numnormals, "normals");
            else if (token[1] == 't')
                countUp(&numtexcoords, "texture coordinates");
            else
                __glmFatalError("glmFirstPass(): Unknown token \"%s\".", token);
            __glmScanSkipLine(scan);
            break;
        case 'm': {
            if (strncmp(token, "mtllib", 6) != 0)
                __glmFatalError("glmReadOBJ: Got \"%s\" instead of \"mtllib\"", token);
            __glmScanLine(scan, line, sizeof(line));
            char *name = __glmStrStrip(__glmLastOfTwoWords(line));
            if (!name) {
                __glmWarning("glmReadOBJ: \"mtllib\" without a library name ignored in \"%s\"",
                             model->pathname);
                break;
            }
            __glmFree(model->mtllib);
            model->mtllib = name;
            glmReadMTL(model, name);
            break;
        }
        case 'u':
            if (strncmp(token, "usemtl", 6) != 0)
                __glmFatalError("glmReadOBJ: Got \"%s\" instead of \"usemtl\"", token);
            __glmScanSkipLine(scan);
            break;
        case 'g':
            readGroupName(scan, line);
            group = glmAddGroup(model, line);
            break;
        case 'f': {
            Corner corner;
            int form = readFirstCorner(scan, &corner);
            readNextCorner(scan, form, &corner);
            readNextCorner(scan, form, &corner);
            countUp(&numtriangles, "triangles");
            countUp(&group->numtriangles, "triangles");
            while (readNextCorner(scan, form, &corner)) {
                countUp(&numtriangles, "triangles");
                countUp(&group->numtriangles, "triangles");
            }
            break;
        }
        default:
            __glmScanSkipLine(scan);
            break;
        }
    }

    model->numvertices = numvertices;
    model->numnormals = numnormals;
    model->numtexcoords = numtexcoords;
    model->numtriangles = numtriangles;

    groupCapacity = (GLuint *)__glmCalloc(model->numgroups, sizeof(GLuint));
    groupCapacityCount = model->numgroups;
    GLuint slot = 0;
    for (GlmGroup *g = model->groups; g; g = g->next, slot++) {
        g->triangles = (GLuint *)__glmCalloc(g->numtriangles, sizeof(GLuint));
        groupCapacity[slot] = g->numtriangles;
        g->numtriangles = 0;
    }
}

void glmSecondPass(GlmModel *model, GlmScan *scan)
{
    char token[GLM_TOKEN_MAX + 1];
    char line[GLM_TOKEN_MAX + 1];
    GLuint nextVertex = 1, nextNormal = 1, nextTexcoord = 1, numtriangles = 0;
    GLuint material = 0;
    GlmGroup *group = glmFindGroup(model, "default");
    GLuint capacity = capacityOf(model, group);

    while (__glmScanToken(scan, token)) {
        switch (token[0]) {
        case '#':
            __glmScanSkipLine(scan);
            break;
        case 'v':
            if (token[1] == '\0') {
                if (nextVertex > model->numvertices)
                    changedFile(model, "vertices");
                readThreeFloats(scan, &model->vertices[3 * nextVertex]);
                nextVertex++;
            } else if (token[1] == 'n') {
                if (nextNormal > model->numnormals)
                    changedFile(model, "normals");
                readThreeFloats(scan, &model->normals[3 * nextNormal]);
                nextNormal++;
            } else if (token[1] == 't') {
                if (nextTexcoord > model->numtexcoords)
                    changedFile(model, "texture coordinates");
                GLfloat *uv = &model->texcoords[2 * nextTexcoord];
                if (__glmScanFloat(scan, &uv[0]))
                    __glmScanFloat(scan, &uv[1]);
                nextTexcoord++;
            } else {
                __glmFatalError("glmSecondPass(): Unknown token \"%s\".", token);
            }
            break;
        case 'g':
            readGroupName(scan, line);
            group = glmFindGroup(model, line);
            if (!group)
                changedFile(model, "groups");
            capacity = capacityOf(model, group);
            break;
        case 'u':
            __glmScanLine(scan, line, sizeof(line));
            material = glmFindMaterial(model, __glmLastOfTwoWords(line));
            if (group->material == 0 && group->numtriangles > 0)
                group->material = material;
            break;
        case 'f': {
            if (group->material == 0)
                group->material = material;
            Corner first, previous, corner;
            int form = readFirstCorner(scan, &first);
            corner = first;
            readNextCorner(scan, form, &corner);
            previous = corner;
            readNextCorner(scan, form, &corner);
            for (;;) {
                if (numtriangles >= model->numtriangles || group->numtriangles >= capacity)
                    changedFile(model, "triangles");
                GlmTriangle *triangle = &model->triangles[numtriangles];
                const Corner *corners[3] = {&first, &previous, &corner};
                for (int k = 0; k < 3; k++) {
                    triangle->vindices[k] = corners[k]->v;
                    triangle->tindices[k] = corners[k]->t;
                    triangle->nindices[k] = corners[k]->n;
                }
                triangle->findex = GLM_NONE;
                triangle->material = material;
                group->triangles[group->numtriangles++] = numtriangles;
                numtriangles++;
                previous = corner;
                if (!readNextCorner(scan, form, &corner))
                    break;
            }
            break;
        }
        default:
            __glmScanSkipLine(scan);
            break;
        }
    }
}

void glmFacetNormals(GlmModel *model)
{
    __glmFree(model->facetnorms);
    model->numfacetnorms = model->numtriangles;
    model->facetnorms = (GLfloat *)__glmCalloc((size_t)model->numfacetnorms + 1, 3 * sizeof(GLfloat));
    for (GLuint i = 0; i < model->numtriangles; i++) {
        GlmTriangle *triangle = &model->triangles[i];
        triangle->findex = i + 1;
        const GLfloat *p0 = &model->vertices[3 * triangle->vindices[0]];
        const GLfloat *p1 = &model->vertices[3 * triangle->vindices[1]];
        const GLfloat *p2 = &model->vertices[3 * triangle->vindices[2]];
        GLfloat e1[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        GLfloat e2[3] = {p2[0] - p0[0], p2[1] - p0[1], p2[2] - p0[2]};
        GLfloat *normal = &model->facetnorms[3 * (i + 1)];
        glmCross(e1, e2, normal);
        /* a zero-area triangle keeps the zero vector instead of 0/0 */
        if (normal[0] != 0.0f || normal[1] != 0.0f || normal[2] != 0.0f)
            glmNormalize(normal);
    }
}

GlmModel *glmReadOBJ(const char *path)
{
    FILE *file = fopen(path, "r");
    if (!file)
        __glmFatalError("glmReadOBJ() failed: can't open data file \"%s\".", path);

    GlmModel *model = (GlmModel *)__glmCalloc(1, sizeof(GlmModel));
    model->pathname = __glmStrdup(path);

    GlmScan scan;
    __glmScanLoad(&scan, file, path);
    fclose(file);

    groupCapacity = NULL;
    groupCapacityCount = 0;
    glmFirstPass(model, &scan);

    model->vertices = (GLfloat *)__glmCalloc((size_t)model->numvertices + 1, 3 * sizeof(GLfloat));
    model->triangles = (GlmTriangle *)__glmCalloc(model->numtriangles, sizeof(GlmTriangle));
    if (model->numnormals)
        model->normals = (GLfloat *)__glmCalloc((size_t)model->numnormals + 1, 3 * sizeof(GLfloat));
    if (model->numtexcoords)
        model->texcoords =
            (GLfloat *)__glmCalloc((size_t)model->numtexcoords + 1, 2 * sizeof(GLfloat));

    __glmScanRewind(&scan);
    glmSecondPass(model, &scan);
    __glmScanRelease(&scan);
    __glmFree(groupCapacity);
    groupCapacity = NULL;
    groupCapacityCount = 0;

    validate(model);
    glmFacetNormals(model);
    return model;
}
