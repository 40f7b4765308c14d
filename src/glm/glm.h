/*
 * glm.h - the model library: Wavefront OBJ/MTL models in memory, their
 * material textures, drawing through OpenGL, geometry operations and writers.
 *
 * Point arrays are 1-based (entry 0 is unused); triangles, groups, materials
 * and textures are 0-based. GLM_NONE (all 32 bits set) marks an absent index.
 * Warnings go to standard error as "GLM: Warning: ...", fatal errors as
 * "GLM: Fatal Error: ..." and end the process with status 1.
 *
 * Depends on: OpenGL and GLU, libpng.
 */
#ifndef GLM_H
#define GLM_H

#include <GL/glew.h>   /* GLuint, GLenum and the texture targets */

#define GLM_NONE 0xFFFFFFFFu

#define GLM_MODE_NONE     0
#define GLM_MODE_FLAT     (1 << 0)
#define GLM_MODE_SMOOTH   (1 << 1)
#define GLM_MODE_TEXTURE  (1 << 2)
#define GLM_MODE_COLOR    (1 << 3)
#define GLM_MODE_MATERIAL (1 << 4)
#define GLM_MODE_TWO_SIDE (1 << 5)

typedef struct _GlmMaterial {
    char *name;
    GLfloat diffuse[4];
    GLfloat ambient[4];
    GLfloat specular[4];
    GLfloat shininess;      /* OpenGL's 0..128 range */
    int map_diffuse;        /* index into the texture list, -1 for none */
} GlmMaterial;

typedef struct _GlmTriangle {
    GLuint vindices[3];
    GLuint nindices[3];
    GLuint tindices[3];
    GLuint findex;
    GLuint material;
} GlmTriangle;

typedef struct _GlmTexture {
    char *name;
    GLuint id;
    GLfloat width;          /* scale factor for s */
    GLfloat height;         /* scale factor for t */
} GlmTexture;

typedef struct _GlmGroup {
    char *name;
    GLuint numtriangles;
    GLuint *triangles;
    GLuint material;
    struct _GlmGroup *next;
} GlmGroup;

typedef struct _GlmModel {
    char *pathname;
    char *mtllib;

    GLuint numvertices;
    GLfloat *vertices;

    GLuint numnormals;
    GLfloat *normals;

    GLuint numtexcoords;
    GLfloat *texcoords;

    GLuint numfacetnorms;
    GLfloat *facetnorms;

    GLuint numtriangles;
    GlmTriangle *triangles;

    GLuint nummaterials;
    GlmMaterial *materials;

    GLuint numgroups;
    GlmGroup *groups;

    GLuint numtextures;
    GlmTexture *textures;

    GLfloat position[3];
} GlmModel;

/* ---- Reading (glm_read.cpp) ----------------------------------------------- */

GlmModel *glmReadOBJ(const char *path);
/* The folder that the file names a model gives (mtllib, map_Kd) may not lead
 * out of, for models inside it; a name leading elsewhere ("../" steps, an
 * absolute path, a symbolic link) is refused with a warning and the model is
 * read without it. Null (the default): each model's own folder. */
void glmSetDataRoot(const char *folder);
void glmReadMTL(GlmModel *model, const char *name);
void glmFacetNormals(GlmModel *model);
GlmGroup *glmFindGroup(GlmModel *model, const char *name);
GlmGroup *glmAddGroup(GlmModel *model, const char *name);
GLuint glmFindMaterial(GlmModel *model, const char *name);

/* ---- Vector helpers (glm_vector.cpp) --------------------------------------- */

GLfloat glmMax(GLfloat a, GLfloat b);
GLfloat glmAbs(GLfloat f);
GLfloat glmDot(const GLfloat *u, const GLfloat *v);
void glmCross(const GLfloat *u, const GLfloat *v, GLfloat *n);
void glmNormalize(GLfloat *v);
GLboolean glmEqual(const GLfloat *u, const GLfloat *v, GLfloat epsilon);

/* ---- Material textures (glm_texture.cpp) ----------------------------------- */

/* -1, with a warning, for a name outside the model's data root. */
int glmFindOrAddTexture(GlmModel *model, const char *name);
GLuint glmLoadTexture(const char *path, GLboolean alpha, GLboolean repeat,
                      GLboolean filtering, GLboolean mipmaps,
                      GLfloat *texcoordWidth, GLfloat *texcoordHeight);
GLubyte *glmReadPPM(const char *path, int alpha, int *width, int *height, GLenum *type);
GLubyte *glmReadPNG(const char *path, int alpha, int *width, int *height, GLenum *type);
void glmImgInit(void);
int glmIsExtensionSupported(const char *name);

/* ---- Drawing (glm_draw.cpp) ------------------------------------------------ */

void glmDraw(GlmModel *model, GLuint mode);
GLuint glmList(GlmModel *model, GLuint mode);

/* ---- Geometry operations and writers (glm_geometry.cpp, glm_write.cpp) ----- */

GLfloat glmUnitize(GlmModel *model);
void glmDimensions(GlmModel *model, GLfloat *dimensions);
void glmScale(GlmModel *model, GLfloat scale);
void glmReverseWinding(GlmModel *model);
void glmVertexNormals(GlmModel *model, GLfloat angle, GLboolean keepExisting);
void glmLinearTexture(GlmModel *model);
void glmSpheremapTexture(GlmModel *model);
void glmWeld(GlmModel *model, GLfloat epsilon);
GLfloat *glmWeldVectors(GLfloat *vectors, GLuint *numvectors, GLfloat epsilon);
void glmDelete(GlmModel *model);
void glmWriteOBJ(GlmModel *model, const char *path, GLuint mode);
void glmWriteMTL(GlmModel *model, const char *objPath, const char *name);

#endif
