/*
 * glm_read.cpp - the OBJ reader (a counting pass, then a filling pass over the
 * same bytes), the MTL reader, groups and material lookup, facet normals and
 * the validation of a model's indices.
 *
 * The filling pass checks every write against what the counting pass counted:
 * a file that reads differently the second time ends with a fatal error
 * instead of writing past an array. Groups and materials are found by name
 * through hash indexes the reader keeps for the length of one read.
 *
 * Text from a file appears in messages only as a short printable excerpt
 * (__glmExcerpt), and a material library outside the model's data root is
 * left out (__glmNamedPath).
 *
 * Depends on: glm_scan.cpp (the scanner), glm_file.cpp (files, the data
 * root, excerpts), glm_texture.cpp (map_Kd textures), glm_vector.cpp, libc.
 */
#include "glm_internal.h"

#include <errno.h>
#include <stdint.h>
#include <string.h>

/* ---- Internal helpers ------------------------------------------------------- */

/* A name index: open addressing with linear probing over a power-of-two
 * table kept at most half full. The names belong to the model (group and
 * material names); an entry carries the group or the material's number. */
typedef struct {
    const char *name;       /* null: free slot */
    GlmGroup *group;
    GLuint number;          /* group: triangles counted; material: its index */
} NameSlot;

typedef struct {
    NameSlot *slots;
    size_t capacity;
    size_t used;
} NameIndex;

/* What one glmReadOBJ keeps from its first pass to its second: the file's
 * text, where each group is (and how many triangles the counting pass gave
 * it) and where each material is. */
struct GlmReader {
    GlmScan scan;
    NameIndex groups;
    NameIndex materials;
};

/* FNV-1a */
static size_t hashName(const char *name)
{
    uint64_t hash = 14695981039346656037ull;
    for (; *name; name++)
        hash = (hash ^ (unsigned char)*name) * 1099511628211ull;
    return (size_t)hash;
}

/* The slot holding the name, or the free slot where it would go. */
static NameSlot *indexSlot(const NameIndex *index, const char *name)
{
    size_t mask = index->capacity - 1;
    for (size_t i = hashName(name) & mask;; i = (i + 1) & mask) {
        NameSlot *slot = &index->slots[i];
        if (!slot->name || strcmp(slot->name, name) == 0)
            return slot;
    }
}

static NameSlot *indexFind(const NameIndex *index, const char *name)
{
    if (!index->capacity)
        return NULL;
    NameSlot *slot = indexSlot(index, name);
    return slot->name ? slot : NULL;
}

/* The slot of the name, made (with a null group and number 0) when absent. */
static NameSlot *indexAdd(NameIndex *index, const char *name)
{
    if (2 * (index->used + 1) > index->capacity) {
        NameIndex grown = {NULL, index->capacity ? 2 * index->capacity : 64, index->used};
        grown.slots = (NameSlot *)__glmCalloc(grown.capacity, sizeof(NameSlot));
        for (size_t i = 0; i < index->capacity; i++)
            if (index->slots[i].name)
                *indexSlot(&grown, index->slots[i].name) = index->slots[i];
        __glmFree(index->slots);
        *index = grown;
    }
    NameSlot *slot = indexSlot(index, name);
    if (!slot->name) {
        slot->name = name;
        index->used++;
    }
    return slot;
}

static void indexRelease(NameIndex *index)
{
    __glmFree(index->slots);
    index->slots = NULL;
    index->capacity = index->used = 0;
}

/* The four forms of a face corner, decided by the face's first corner. */
enum { FORM_VN, FORM_VTN, FORM_VT, FORM_V };

/* A corner's indices as written: positive, zero, negative (relative) or
 * absent. */
#define INDEX_ABSENT (-GLM_INDEX_LIMIT - 2)

typedef struct {
    long long v, t, n;
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
    if (!__glmParseIndex(text, &corner->v))
        return 0;
    switch (form) {
    case FORM_VN:
        if (!matchLiteral(text, "//") || !__glmParseIndex(text, &corner->n))
            return 1;
        return 2;
    case FORM_VTN:
        if (!matchLiteral(text, "/") || !__glmParseIndex(text, &corner->t))
            return 1;
        if (!matchLiteral(text, "/") || !__glmParseIndex(text, &corner->n))
            return 2;
        return 3;
    case FORM_VT:
        if (!matchLiteral(text, "/") || !__glmParseIndex(text, &corner->t))
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
    corner->t = (form == FORM_VTN || form == FORM_VT) ? 0 : INDEX_ABSENT;
    corner->n = (form == FORM_VTN || form == FORM_VN) ? 0 : INDEX_ABSENT;
    p = token;
    readCorner(&p, form, corner);
    return form;
}

static int readNextCorner(GlmScan *scan, int form, Corner *corner)
{
    return readCorner(&scan->p, form, corner);
}

/* The index a corner's value stands for, given how many points of its kind
 * were read before the face: -1 is the last of them. A relative index that
 * reaches before the first point is a fatal error; out-of-range absolute
 * ones are left to the validation. */
static GLuint resolveIndex(long long value, GLuint readSoFar, const char *kind,
                           GLuint triangle)
{
    if (value == INDEX_ABSENT)
        return GLM_NONE;
    if (value > GLM_INDEX_LIMIT - 1)
        return GLM_NONE - 1;
    if (value >= 0)
        return (GLuint)value;
    if (-value > (long long)readSoFar)
        __glmFatalError("relative %s index for triangle %u out of bounds (%lld with %u read "
                        "so far)", kind, triangle, value, readSoFar);
    return (GLuint)((long long)readSoFar + 1 + value);
}

/* The group name of a "g" statement: the rest of the line without its line
 * break ("\n" or "\r\n"), leading blank included. */
static char *readGroupName(GlmScan *scan)
{
    size_t length;
    char *name = __glmScanLine(scan, &length);
    if (length > 0 && name[length - 1] == '\n')
        name[--length] = '\0';
    if (length > 0 && name[length - 1] == '\r')
        name[--length] = '\0';
    return name;
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

/* A new group at the head of the list (the name is not looked up). */
static GlmGroup *newGroup(GlmModel *model, const char *name)
{
    if (model->numgroups >= GLM_NONE - 1)
        __glmFatalError("glmAddGroup(): too many groups.");
    GlmGroup *group = (GlmGroup *)__glmMalloc(sizeof(GlmGroup));
    group->name = __glmStrdup(name);
    group->numtriangles = 0;
    group->triangles = NULL;
    group->material = 0;
    group->next = model->groups;
    model->groups = group;
    model->numgroups++;
    return group;
}

/* glmAddGroup through the reader's index. */
static GlmGroup *addGroup(GlmModel *model, GlmReader *reader, const char *name)
{
    NameSlot *slot = indexFind(&reader->groups, name);
    if (slot)
        return slot->group;
    GlmGroup *group = newGroup(model, name);
    indexAdd(&reader->groups, group->name)->group = group;
    return group;
}

/* glmFindMaterial through the reader's index. */
static GLuint findMaterial(GlmModel *model, GlmReader *reader, const char *name)
{
    const NameSlot *slot = indexFind(&reader->materials, name);
    if (slot)
        return slot->number;
    return glmFindMaterial(model, name);
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

/* "Ns" (0..100, some exporters write up to 1000) as OpenGL's shininess,
 * which must lie in 0..128. */
static void readShininess(GlmScan *scan, GlmMaterial *material, const char *path)
{
    GLfloat s;
    if (!__glmScanFloat(scan, &s))
        return;
    if (!(s >= 0.0f && s <= 100.0f)) {
        GLfloat used = s > 100.0f ? 100.0f : 0.0f;
        char shown[GLM_EXCERPT_SIZE];
        __glmWarning("glmReadMTL: \"Ns %g\" of material \"%s\" outside 0..100 in file "
                     "\"%s\", %g used", (double)s,
                     __glmExcerpt(material->name ? material->name : "default", shown), path,
                     (double)used);
        s = used;
    }
    material->shininess = s / 100.0f * 128.0f;
}

/* The filling pass of the MTL reader. Every statement ends at its line end,
 * as in the counting pass. */
static void fillMaterials(GlmModel *model, GlmScan *scan, const char *path)
{
    char token[GLM_TOKEN_MAX + 1];
    char shown[GLM_EXCERPT_SIZE];      /* the token as messages show it */
    char shownName[GLM_EXCERPT_SIZE];
    GLuint current = 0;
    while (__glmScanToken(scan, token)) {
        GlmMaterial *material = &model->materials[current];
        switch (token[0]) {
        case 'n': {
            if (strncmp(token, "newmtl", 6) != 0)
                __glmFatalError("glmReadMTL: Got \"%s\" instead of \"newmtl\" in file \"%s\"",
                                __glmExcerpt(token, shown), path);
            if (current + 1 >= model->nummaterials)
                __glmFatalError("glmReadMTL(): \"%s\" reads differently the second time "
                                "(more materials than counted).", path);
            current++;
            char *line = __glmScanLine(scan, NULL);
            model->materials[current].name = __glmStrdup(__glmLastOfTwoWords(line));
            __glmFree(line);
            break;
        }
        case 'K':
            if (token[1] == 'd')
                readThreeFloats(scan, material->diffuse);
            else if (token[1] == 's')
                readThreeFloats(scan, material->specular);
            else if (token[1] == 'a')
                readThreeFloats(scan, material->ambient);
            else
                __glmWarning("glmReadMTL: Command \"%s\" ignored", __glmExcerpt(token, shown));
            __glmScanSkipLine(scan);
            break;
        case 'N':
            if (token[1] == 's')
                readShininess(scan, material, path);
            else if (token[1] == 'i')
                __glmWarning("refraction index ignored");
            else
                __glmWarning("glmReadMTL: Command \"%s\" ignored", __glmExcerpt(token, shown));
            __glmScanSkipLine(scan);
            break;
        case 'd':
            __glmScanFloat(scan, &material->diffuse[3]);
            __glmScanSkipLine(scan);
            break;
        case 'i': {
            if (strncmp(token, "illum", 5) != 0)
                __glmFatalError("glmReadMTL: Got \"%s\" instead of \"illum\" in file \"%s\"",
                                __glmExcerpt(token, shown), path);
            GLuint illum;
            if (__glmScanUint(scan, &illum) && illum != 2)
                __glmWarning("illum material ignored: illum %d", (int)illum);
            __glmScanSkipLine(scan);
            break;
        }
        case 'm': {
            char *line = __glmScanLine(scan, NULL);
            char *map = __glmStrStrip(line);
            __glmFree(line);
            if (strncmp(token, "map_Kd", 6) == 0) {
                if (map)
                    material->map_diffuse = glmFindOrAddTexture(model, map);
                else
                    __glmWarning("glmReadMTL: \"%s\" without a file name ignored in file \"%s\"",
                                 __glmExcerpt(token, shown), path);
            } else {
                __glmWarning("map %s %s ignored", __glmExcerpt(token, shown),
                             __glmExcerpt(map ? map : "", shownName));
            }
            __glmFree(map);
            break;
        }
        case 'r': {
            /* the rest of the line, without its line break, as an excerpt */
            size_t length;
            char *line = __glmScanLine(scan, &length);
            while (length > 0 && (line[length - 1] == '\n' || line[length - 1] == '\r'))
                line[--length] = '\0';
            __glmWarning("reflection type ignored: r%s", __glmExcerpt(line, shown));
            __glmFree(line);
            break;
        }
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
    return group ? group : newGroup(model, name);
}

GLuint glmFindMaterial(GlmModel *model, const char *name)
{
    for (GLuint i = 0; i < model->nummaterials; i++)
        if (model->materials[i].name && strcmp(model->materials[i].name, name) == 0)
            return i;
    char shown[GLM_EXCERPT_SIZE];
    __glmWarning("glmFindMaterial():  can't find material \"%s\".", __glmExcerpt(name, shown));
    return 0;
}

/* Reads the library name (from the model) at path: glmReadMTL once the
 * name is known to stay inside the data root. */
static void readLibrary(GlmModel *model, const char *name, const char *path)
{
    /* the path as messages show it: the name from the model as an excerpt */
    char *dir = __glmDirName(model->pathname);
    char excerpt[GLM_EXCERPT_SIZE];
    __glmExcerpt(name, excerpt);
    size_t shownLength = strlen(dir) + strlen(excerpt) + 1;
    char *shown = (char *)__glmMalloc(shownLength);
    snprintf(shown, shownLength, "%s%s", dir, excerpt);
    __glmFree(dir);

    GlmScan scan;
    const char *why = NULL;
    if (__glmScanLoad(&scan, path, &why) != 0) {
        if (errno == ENOENT)
            __glmFatalError("glmReadMTL() failed: can't open material file \"%s\".", shown);
        __glmFatalError("glmReadMTL() failed: can't open material file \"%s\" (%s).", shown, why);
    }

    GLuint count = 1;
    char token[GLM_TOKEN_MAX + 1];
    char excerptToken[GLM_EXCERPT_SIZE];
    while (__glmScanToken(&scan, token)) {
        if (token[0] == 'n') {
            if (strncmp(token, "newmtl", 6) != 0)
                __glmFatalError("glmReadMTL: Got \"%s\" instead of \"newmtl\" in file \"%s\"",
                                __glmExcerpt(token, excerptToken), shown);
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
    fillMaterials(model, &scan, shown);
    __glmScanRelease(&scan);
    __glmFree(shown);
}

void glmReadMTL(GlmModel *model, const char *name)
{
    char *path = __glmNamedPath(model, name, "material library");
    if (!path)
        return;
    readLibrary(model, name, path);
    __glmFree(path);
}

void glmFirstPass(GlmModel *model, GlmReader *reader)
{
    GlmScan *scan = &reader->scan;
    char token[GLM_TOKEN_MAX + 1];
    char shown[GLM_EXCERPT_SIZE];   /* the token as messages show it */
    GLuint numvertices = 0, numnormals = 0, numtexcoords = 0, numtriangles = 0;
    GlmGroup *group = addGroup(model, reader, "default");

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
                __glmFatalError("glmFirstPass(): Unknown token \"%s\".", __glmExcerpt(token, shown));
            __glmScanSkipLine(scan);
            break;
        case 'm': {
            if (strncmp(token, "mtllib", 6) != 0)
                __glmFatalError("glmReadOBJ: Got \"%s\" instead of \"mtllib\"",
                                __glmExcerpt(token, shown));
            char *line = __glmScanLine(scan, NULL);
            char *name = __glmStrStrip(__glmLastOfTwoWords(line));
            __glmFree(line);
            if (!name) {
                __glmWarning("glmReadOBJ: \"mtllib\" without a library name ignored in \"%s\"",
                             model->pathname);
                break;
            }
            /* a library outside the data root is left out with a warning,
             * and the model does not name it either */
            char *path = __glmNamedPath(model, name, "material library");
            if (!path) {
                __glmFree(name);
                break;
            }
            __glmFree(model->mtllib);
            model->mtllib = name;
            readLibrary(model, name, path);
            __glmFree(path);
            break;
        }
        case 'u':
            if (strncmp(token, "usemtl", 6) != 0)
                __glmFatalError("glmReadOBJ: Got \"%s\" instead of \"usemtl\"",
                                __glmExcerpt(token, shown));
            __glmScanSkipLine(scan);
            break;
        case 'g': {
            char *name = readGroupName(scan);
            group = addGroup(model, reader, name);
            __glmFree(name);
            break;
        }
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

    /* the filling pass counts the groups' triangles again, against what was
     * counted here */
    for (GlmGroup *g = model->groups; g; g = g->next) {
        g->triangles = (GLuint *)__glmCalloc(g->numtriangles, sizeof(GLuint));
        indexFind(&reader->groups, g->name)->number = g->numtriangles;
        g->numtriangles = 0;
    }
}

void glmSecondPass(GlmModel *model, GlmReader *reader)
{
    GlmScan *scan = &reader->scan;
    char token[GLM_TOKEN_MAX + 1];
    char shown[GLM_EXCERPT_SIZE];   /* the token as messages show it */
    GLuint nextVertex = 1, nextNormal = 1, nextTexcoord = 1, numtriangles = 0;
    GLuint material = 0;
    const NameSlot *slot = indexFind(&reader->groups, "default");
    GlmGroup *group = slot->group;
    GLuint capacity = slot->number;

    /* the first material of each name, as glmFindMaterial finds it */
    for (GLuint i = 0; i < model->nummaterials; i++) {
        const char *name = model->materials[i].name;
        if (name && !indexFind(&reader->materials, name))
            indexAdd(&reader->materials, name)->number = i;
    }

    while (__glmScanToken(scan, token)) {
        switch (token[0]) {
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
                __glmFatalError("glmSecondPass(): Unknown token \"%s\".", __glmExcerpt(token, shown));
            }
            __glmScanSkipLine(scan);
            break;
        case 'g': {
            char *name = readGroupName(scan);
            slot = indexFind(&reader->groups, name);
            __glmFree(name);
            if (!slot)
                changedFile(model, "groups");
            group = slot->group;
            capacity = slot->number;
            break;
        }
        case 'u': {
            char *line = __glmScanLine(scan, NULL);
            material = findMaterial(model, reader, __glmLastOfTwoWords(line));
            __glmFree(line);
            if (group->material == 0 && group->numtriangles > 0)
                group->material = material;
            break;
        }
        case 'f': {
            if (group->material == 0)
                group->material = material;
            /* relative indices count back from the points read before the face */
            GLuint readSoFar[3] = {nextVertex - 1, nextTexcoord - 1, nextNormal - 1};
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
                    triangle->vindices[k] =
                        resolveIndex(corners[k]->v, readSoFar[0], "vertex", numtriangles);
                    triangle->tindices[k] =
                        resolveIndex(corners[k]->t, readSoFar[1], "texture", numtriangles);
                    triangle->nindices[k] =
                        resolveIndex(corners[k]->n, readSoFar[2], "normal", numtriangles);
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
    GlmReader reader;
    memset(&reader, 0, sizeof(reader));
    const char *why = NULL;
    if (__glmScanLoad(&reader.scan, path, &why) != 0) {
        if (errno == ENOENT)
            __glmFatalError("glmReadOBJ() failed: can't open data file \"%s\".", path);
        __glmFatalError("glmReadOBJ() failed: can't open data file \"%s\" (%s).", path, why);
    }

    GlmModel *model = (GlmModel *)__glmCalloc(1, sizeof(GlmModel));
    model->pathname = __glmStrdup(path);

    glmFirstPass(model, &reader);

    model->vertices = (GLfloat *)__glmCalloc((size_t)model->numvertices + 1, 3 * sizeof(GLfloat));
    model->triangles = (GlmTriangle *)__glmCalloc(model->numtriangles, sizeof(GlmTriangle));
    if (model->numnormals)
        model->normals = (GLfloat *)__glmCalloc((size_t)model->numnormals + 1, 3 * sizeof(GLfloat));
    if (model->numtexcoords)
        model->texcoords =
            (GLfloat *)__glmCalloc((size_t)model->numtexcoords + 1, 2 * sizeof(GLfloat));

    __glmScanRewind(&reader.scan);
    glmSecondPass(model, &reader);
    __glmScanRelease(&reader.scan);
    indexRelease(&reader.groups);
    indexRelease(&reader.materials);

    validate(model);
    glmFacetNormals(model);
    return model;
}
