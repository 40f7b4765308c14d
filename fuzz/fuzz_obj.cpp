/*
 * fuzz_obj.cpp - libFuzzer target of the OBJ and MTL readers. One input holds
 * up to three files separated by a line "@@@": the model "m.obj", its
 * material library "m.mtl" and an image "t.img" (seeds name them with
 * "mtllib m.mtl" and "map_Kd t.img"). A model that reads is then drawn into a
 * display list, run through the geometry operations and written back.
 *
 * Depends on: fuzz_support.cpp, the model library built with KOLVANE_FUZZING.
 */
#include <GL/glew.h>
#include <string.h>

#include "fuzz_support.h"
#include "glm_internal.h"

/* ---- Internal helpers ------------------------------------------------------- */

static const char SEPARATOR[] = "\n@@@\n";

static void compile(GlmModel *model, GLuint mode)
{
    GLuint list = glmList(model, mode);
    glDeleteLists(list, 1);
}

static void exercise(void *argument)
{
    (void)argument;
    GlmModel *model = glmReadOBJ(fuzzPath("m.obj"));
    compile(model, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
    compile(model, GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_COLOR | GLM_MODE_TWO_SIDE);
    GLfloat dimensions[3];
    glmDimensions(model, dimensions);
    glmUnitize(model);
    glmScale(model, 2.0f);
    glmReverseWinding(model);
    glmVertexNormals(model, 90.0f, GL_TRUE);
    glmVertexNormals(model, 60.0f, GL_FALSE);
    compile(model, GLM_MODE_SMOOTH | GLM_MODE_MATERIAL);
    glmSpheremapTexture(model);
    glmLinearTexture(model);
    compile(model, GLM_MODE_TEXTURE | GLM_MODE_MATERIAL);
    glmWeld(model, 0.001f);
    /* the material library is written beside the model only under a plain
     * file name, so nothing lands outside the scratch directory */
    GLuint mode = GLM_MODE_FLAT | GLM_MODE_TEXTURE | GLM_MODE_COLOR;
    if (model->mtllib && !strchr(model->mtllib, '/'))
        mode |= GLM_MODE_MATERIAL;
    glmWriteOBJ(model, fuzzPath("w.obj"), mode);
    glmWriteOBJ(model, fuzzPath("w.obj"), GLM_MODE_SMOOTH | GLM_MODE_TEXTURE);
    glmDelete(model);
}

/* ---- Public functions ------------------------------------------------------- */

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    (void)argc;
    (void)argv;
    fuzzGlContext();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const unsigned char *data, size_t size)
{
    static const char *const names[3] = {"m.obj", "m.mtl", "t.img"};
    const unsigned char *part = data;
    size_t left = size;
    for (int i = 0; i < 3; i++) {
        if (!part) {
            fuzzWriteFile(names[i], NULL, 0);
            continue;
        }
        const unsigned char *cut = (const unsigned char *)memmem(part, left, SEPARATOR,
                                                                 sizeof(SEPARATOR) - 1);
        size_t length = cut ? (size_t)(cut - part) : left;
        fuzzWriteFile(names[i], part, length);
        if (cut) {
            left -= length + sizeof(SEPARATOR) - 1;
            part = cut + sizeof(SEPARATOR) - 1;
        } else {
            part = NULL;
        }
    }
    fuzzRun(exercise, NULL);
    return 0;
}
