/*
 * glm_geometry_test.cpp - geometry operations and writers: unitize and the
 * sum-of-absolute-values extent, reverse winding twice, vertex normals on a
 * cube at 90 and 180 degrees, welding, generated texture coordinates, the
 * exact OBJ and MTL text, a write-then-read round trip that gives the same
 * model, and the writers' fatal messages (no file, full disk).
 */
#include <gtest/gtest.h>

#include <math.h>
#include <string.h>

#include <string>
#include <vector>

#include "glm.h"
#include "glm_test_util.h"

namespace {

class Geometry : public ::testing::Test {
protected:
    std::string dir = scratchDir();
    ~Geometry() override { removeScratch(dir); }

    GlmModel *load(const std::string &text, const std::string &name = "m.obj")
    {
        return glmReadOBJ(writeFile(dir + name, text).c_str());
    }
};

/* A cube of half side `h` centred on the origin, six quads facing outwards. */
std::string cube(float h)
{
    char text[512];
    snprintf(text, sizeof(text),
             "v %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\n"
             "v %g %g %g\nv %g %g %g\nv %g %g %g\nv %g %g %g\n"
             "f 1 4 3 2\nf 5 6 7 8\nf 1 2 6 5\nf 3 4 8 7\nf 1 5 8 4\nf 2 3 7 6\n",
             -h, -h, -h, h, -h, -h, h, h, -h, -h, h, -h, -h, -h, h, h, -h, h, h, h, h, -h, h, h);
    return text;
}

const GLfloat *vertex(const GlmModel *model, GLuint i) { return &model->vertices[3 * i]; }

}  // namespace

TEST_F(Geometry, UnitizeFitsIntoTheUnitCube)
{
    GlmModel *model = load(cube(1.0f));
    EXPECT_FLOAT_EQ(1.0f, glmUnitize(model));
    EXPECT_FLOAT_EQ(-1.0f, vertex(model, 1)[0]);
    EXPECT_FLOAT_EQ(1.0f, vertex(model, 7)[2]);
    glmDelete(model);

    model = load(cube(2.0f));
    EXPECT_FLOAT_EQ(0.5f, glmUnitize(model));
    EXPECT_FLOAT_EQ(-1.0f, vertex(model, 1)[1]);
    EXPECT_FLOAT_EQ(1.0f, vertex(model, 7)[0]);
    glmDelete(model);

    /* off-centre: centred first, then scaled by 2 / (|max| + |min|) */
    model = load("v 1 0 0\nv 3 1 0\nv 2 0 1\nf 1 2 3\n");
    EXPECT_FLOAT_EQ(0.5f, glmUnitize(model));
    EXPECT_FLOAT_EQ(-0.5f, vertex(model, 1)[0]);
    EXPECT_FLOAT_EQ(0.5f, vertex(model, 2)[0]);
    EXPECT_FLOAT_EQ(0.25f, vertex(model, 2)[1]);
    glmDelete(model);
}

TEST_F(Geometry, DimensionsAddAbsoluteValuesAndScaleMultiplies)
{
    GlmModel *model = load("v 1 -2 0\nv 3 -1 0\nv 2 -1 5\nf 1 2 3\n");
    GLfloat d[3];
    glmDimensions(model, d);
    EXPECT_FLOAT_EQ(4.0f, d[0]);
    EXPECT_FLOAT_EQ(3.0f, d[1]);
    EXPECT_FLOAT_EQ(5.0f, d[2]);
    glmScale(model, 2.0f);
    EXPECT_FLOAT_EQ(6.0f, vertex(model, 2)[0]);
    EXPECT_FLOAT_EQ(-4.0f, vertex(model, 1)[1]);
    glmDelete(model);
}

TEST_F(Geometry, ModelOfNoExtentStaysFinite)
{
    GlmModel *model = load("v 1 1 1\nf 1 1 1\n");
    EXPECT_FLOAT_EQ(1.0f, glmUnitize(model));
    EXPECT_FLOAT_EQ(0.0f, vertex(model, 1)[0]);
    glmLinearTexture(model);
    EXPECT_TRUE(isfinite(model->texcoords[2]));
    glmDelete(model);
}

TEST_F(Geometry, ReverseWindingTwiceRestoresTheModel)
{
    GlmModel *model = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nvn 0 1 0\nvn 1 0 0\n"
                           "vt 0 0\nvt 1 0\nvt 0 1\nf 1/1/1 2/2/2 3/3/3\n");
    GlmTriangle before = model->triangles[0];
    std::vector<GLfloat> normals(model->normals, model->normals + 12);
    std::vector<GLfloat> facets(model->facetnorms, model->facetnorms + 6);

    glmReverseWinding(model);
    const GlmTriangle &t = model->triangles[0];
    EXPECT_EQ(3u, t.vindices[0]);
    EXPECT_EQ(1u, t.vindices[2]);
    EXPECT_EQ(3u, t.nindices[0]);
    EXPECT_EQ(3u, t.tindices[0]);
    EXPECT_FLOAT_EQ(-1.0f, model->facetnorms[5]);
    EXPECT_FLOAT_EQ(-1.0f, model->normals[5]);

    glmReverseWinding(model);
    EXPECT_EQ(0, memcmp(&before, &model->triangles[0], sizeof(GlmTriangle)));
    EXPECT_EQ(normals, std::vector<GLfloat>(model->normals, model->normals + 12));
    EXPECT_EQ(facets, std::vector<GLfloat>(model->facetnorms, model->facetnorms + 6));
    glmDelete(model);
}

TEST_F(Geometry, VertexNormalsAtNinetyDegreesKeepTheFacesApart)
{
    GlmModel *model = load(cube(1.0f));
    glmVertexNormals(model, 90.0f, GL_FALSE);
    for (GLuint i = 0; i < model->numtriangles; i++) {
        const GlmTriangle &t = model->triangles[i];
        for (int j = 0; j < 3; j++) {
            ASSERT_NE(GLM_NONE, t.nindices[j]);
            ASSERT_LE(t.nindices[j], model->numnormals);
            for (int axis = 0; axis < 3; axis++)
                EXPECT_NEAR(model->facetnorms[3 * t.findex + axis],
                            model->normals[3 * t.nindices[j] + axis], 1e-6)
                    << "triangle " << i << " corner " << j;
        }
    }
    glmDelete(model);
}

TEST_F(Geometry, VertexNormalsAtOneHundredEightyDegreesAverageEverything)
{
    GlmModel *model = load(cube(1.0f));
    glmVertexNormals(model, 180.0f, GL_FALSE);
    EXPECT_EQ(8u, model->numnormals);
    for (GLuint v = 1; v <= model->numvertices; v++) {
        GLfloat sum[3] = {0, 0, 0};
        GLuint index = GLM_NONE;
        for (GLuint i = 0; i < model->numtriangles; i++) {
            const GlmTriangle &t = model->triangles[i];
            for (int j = 0; j < 3; j++) {
                if (t.vindices[j] != v)
                    continue;
                for (int axis = 0; axis < 3; axis++)
                    sum[axis] += model->facetnorms[3 * t.findex + axis];
                if (index == GLM_NONE)
                    index = t.nindices[j];
                EXPECT_EQ(index, t.nindices[j]) << "vertex " << v;
            }
        }
        glmNormalize(sum);
        for (int axis = 0; axis < 3; axis++)
            EXPECT_NEAR(sum[axis], model->normals[3 * index + axis], 1e-6) << "vertex " << v;
    }
    glmDelete(model);
}

TEST_F(Geometry, VertexNormalsKeepExistingOnesAndWarnForUnusedVertices)
{
    GlmModel *model = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 5 5 5\nvn 0 1 0\n"
                           "f 1//1 2//1 3//1\nf 1 3 2\n");
    ::testing::internal::CaptureStderr();
    glmVertexNormals(model, 45.0f, GL_TRUE);
    std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos,
              warnings.find("GLM: Warning: glmVertexNormals(): vertex 4 w/o a triangle\n"));
    for (int j = 0; j < 3; j++)
        EXPECT_EQ(1u, model->triangles[0].nindices[j]);
    const GlmTriangle &t = model->triangles[1];
    ASSERT_NE(GLM_NONE, t.nindices[0]);
    EXPECT_FLOAT_EQ(0.0f, model->normals[1]);
    EXPECT_FLOAT_EQ(1.0f, model->normals[3 + 1]);
    EXPECT_FLOAT_EQ(-1.0f, model->normals[3 * t.nindices[0] + 2]);
    EXPECT_GE(model->numnormals, 2u);
    glmDelete(model);
}

TEST_F(Geometry, WeldJoinsCoincidentVerticesInFirstSeenOrder)
{
    GlmModel *model = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nv 1.0004 0 0\nv 0 0 1\n"
                           "f 1 2 3\nf 4 5 3\n");
    glmWeld(model, 0.001f);
    EXPECT_EQ(4u, model->numvertices);
    EXPECT_EQ(2u, model->triangles[1].vindices[0]);
    EXPECT_EQ(4u, model->triangles[1].vindices[1]);
    EXPECT_EQ(3u, model->triangles[1].vindices[2]);
    EXPECT_FLOAT_EQ(1.0f, vertex(model, 2)[0]);
    EXPECT_FLOAT_EQ(1.0f, vertex(model, 4)[2]);
    glmDelete(model);

    GLfloat vectors[3 * 4] = {0, 0, 0, 5, 5, 5, 1, 1, 1, 5, 5, 5.002f};
    GLuint count = 3;
    GLfloat *kept = glmWeldVectors(vectors, &count, 0.001f);
    EXPECT_EQ(3u, count);                /* 0.002 apart is not within 0.001 */
    EXPECT_FLOAT_EQ(1.0f, vectors[3]);
    EXPECT_FLOAT_EQ(2.0f, vectors[6]);
    EXPECT_FLOAT_EQ(3.0f, vectors[9]);
    EXPECT_FLOAT_EQ(1.0f, kept[6]);
    EXPECT_FLOAT_EQ(5.002f, kept[11]);
    free(kept);

    vectors[11] = 5.0005f;
    for (int i = 1; i <= 3; i++)
        vectors[3 * i] = i == 2 ? 1.0f : 5.0f;
    count = 3;
    kept = glmWeldVectors(vectors, &count, 0.001f);
    EXPECT_EQ(2u, count);
    EXPECT_FLOAT_EQ(1.0f, vectors[9]);
    free(kept);
}

TEST_F(Geometry, GeneratedTextureCoordinates)
{
    GlmModel *model = load("v -1 0 -1\nv 1 0 1\nv 1 2 -1\nvn 0 0 1\nvn 1 0 0\nvn 0 1 0\n"
                           "f 1//1 2//2 3//3\n");
    glmLinearTexture(model);
    ASSERT_EQ(3u, model->numtexcoords);
    /* s = 2 / max(2, 2, 2): x and z mapped from -1..1 to 0..1 */
    EXPECT_FLOAT_EQ(0.0f, model->texcoords[2]);
    EXPECT_FLOAT_EQ(0.0f, model->texcoords[3]);
    EXPECT_FLOAT_EQ(1.0f, model->texcoords[4]);
    EXPECT_FLOAT_EQ(1.0f, model->texcoords[5]);
    EXPECT_EQ(3u, model->triangles[0].tindices[2]);

    glmSpheremapTexture(model);
    ASSERT_EQ(3u, model->numtexcoords);
    EXPECT_NEAR(0.5f, model->texcoords[2], 1e-6);   /* (0, 0, 1) */
    EXPECT_NEAR(0.5f, model->texcoords[3], 1e-6);
    EXPECT_FLOAT_EQ(0.0f, model->texcoords[4]);     /* (1, 0, 0): r = 0 */
    EXPECT_FLOAT_EQ(0.0f, model->texcoords[5]);
    EXPECT_NEAR(1.0f, model->texcoords[6], 1e-6);   /* (0, 1, 0) */
    EXPECT_NEAR(0.5f, model->texcoords[7], 1e-6);
    EXPECT_EQ(2u, model->triangles[0].tindices[1]);
    glmDelete(model);
}

/* ---- Writers ----------------------------------------------------------------- */

TEST_F(Geometry, WriteWithModeZeroGivesPositionsGroupsAndPlainFaces)
{
    GlmModel *model = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\ng body\nf 3 2 1\n");
    std::string path = dir + "out.obj";
    glmWriteOBJ(model, path.c_str(), GLM_MODE_NONE);
    EXPECT_EQ("#  \n#  Wavefront OBJ generated by GLM library\n#  \n#  GLM library\n"
              "#  Kolvane\n#  model library of the Kolvane real-time demo\n"
              "#  written by the Kolvane developers\n#  \n"
              "\n# 3 vertices\nv 0.000000 0.000000 0.000000\nv 1.000000 0.000000 0.000000\n"
              "v 0.000000 1.000000 0.000000\n"
              "\n# 2 groups\n# 2 faces (triangles)\n\n"
              "f 1 2 3\n\ng body\nf 3 2 1\n\n",
              readFile(path));
    glmDelete(model);
}

TEST_F(Geometry, WriterModesAndTheirWarnings)
{
    GlmModel *model = load("v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                           "f 1/1 2/2 3/3\n");
    std::string path = dir + "out.obj";
    ::testing::internal::CaptureStderr();
    glmWriteOBJ(model, path.c_str(),
                GLM_MODE_FLAT | GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_COLOR |
                    GLM_MODE_MATERIAL);
    EXPECT_EQ("GLM: Warning: glmWriteOBJ() warning: smooth normal output requested with no "
              "normals defined.\n"
              "GLM: Warning: glmWriteOBJ() warning: color output requested with no colors "
              "(materials) defined.\n"
              "GLM: Warning: glmWriteOBJ() warning: material output requested with no "
              "materials defined.\n",
              ::testing::internal::GetCapturedStderr());
    std::string text = readFile(path);
    /* flat normals with texture coordinates: the facet normal is the normal */
    EXPECT_NE(std::string::npos, text.find("\n# 1 normals\nvn 0.000000 0.000000 1.000000\n"));
    EXPECT_NE(std::string::npos, text.find("\n# 3 texcoords\nvt 0.000000 0.000000\n"));
    EXPECT_NE(std::string::npos, text.find("\n\nf 1/1/1 2/2/1 3/3/1\n"));

    glmWriteOBJ(model, path.c_str(), GLM_MODE_TEXTURE);
    EXPECT_NE(std::string::npos, readFile(path).find("f 1/1 2/2 3/3\n"));
    glmWriteOBJ(model, path.c_str(), GLM_MODE_FLAT);
    EXPECT_NE(std::string::npos, readFile(path).find("f 1//1 2//1 3//1\n"));
    glmDelete(model);
}

/* The two models hold the same groups (in the same order, with the same
 * names and materials), the same triangles in each and the same materials. */
static void expectSameModel(const GlmModel *model, const GlmModel *copy)
{
    ASSERT_EQ(model->numvertices, copy->numvertices);
    for (GLuint i = 3; i < 3 * (model->numvertices + 1); i++)
        EXPECT_FLOAT_EQ(model->vertices[i], copy->vertices[i]);
    ASSERT_EQ(model->numtriangles, copy->numtriangles);
    ASSERT_EQ(model->numgroups, copy->numgroups);
    for (const GlmGroup *a = model->groups, *b = copy->groups; a && b; a = a->next, b = b->next) {
        EXPECT_STREQ(a->name, b->name);
        ASSERT_EQ(a->numtriangles, b->numtriangles) << a->name;
        EXPECT_EQ(a->material, b->material) << a->name;
        for (GLuint i = 0; i < a->numtriangles; i++) {
            const GlmTriangle &ta = model->triangles[a->triangles[i]];
            const GlmTriangle &tb = copy->triangles[b->triangles[i]];
            for (int k = 0; k < 3; k++) {
                EXPECT_EQ(ta.vindices[k], tb.vindices[k]);
                EXPECT_EQ(ta.tindices[k], tb.tindices[k]);
                EXPECT_EQ(ta.nindices[k], tb.nindices[k]);
            }
            EXPECT_EQ(ta.material, tb.material);
        }
    }
    ASSERT_EQ(model->nummaterials, copy->nummaterials);
    for (GLuint i = 0; i < model->nummaterials; i++) {
        const GlmMaterial &ma = model->materials[i], &mb = copy->materials[i];
        EXPECT_STREQ(ma.name, mb.name);
        for (int k = 0; k < 4; k++) {
            EXPECT_NEAR(ma.diffuse[k], mb.diffuse[k], 1e-6) << ma.name;
            EXPECT_NEAR(ma.ambient[k], mb.ambient[k], 1e-6) << ma.name;
            EXPECT_NEAR(ma.specular[k], mb.specular[k], 1e-6) << ma.name;
        }
        EXPECT_NEAR(ma.shininess, mb.shininess, 1e-4) << ma.name;
    }
}

TEST_F(Geometry, WriteThenReadGivesTheSameModel)
{
    writeFile(dir + "m.mtl", "Kd 0.5 0.5 0.5\nnewmtl red\nKd 1 0 0\nKa 0.1 0.2 0.3\n"
                             "Ks 0.5 0.5 0.5\nNs 80\nnewmtl glass\nKd 0 0 1\nd 0.5\n");
    GlmModel *model = load("mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvn 0 0 1\n"
                           "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
                           "f 1/1/1 2/2/1 3/3/1\ng top\nusemtl red\nf 1/1/1 3/3/1 4/4/1\n"
                           "usemtl glass\nf 4/4/1 3/3/1 2/2/1\ng\tside\nusemtl glass\nf 1 2 4\n"
                           "g late\nusemtl default\nf 1 2 3\nusemtl red\nf 2 3 4\n"
                           "g\ng empty\n");
    std::string original = readFile(dir + "m.mtl");
    std::string path = dir + "copy.obj";
    ::testing::internal::CaptureStderr();
    glmWriteOBJ(model, path.c_str(), GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL);
    /* the library beside the copy is the one the model was read from */
    EXPECT_EQ("GLM: Warning: glmWriteMTL(): overwriting \"" + dir +
                  "m.mtl\", the material library the model was read from.\n",
              ::testing::internal::GetCapturedStderr());
    std::string mtl = readFile(dir + "m.mtl");
    EXPECT_EQ(0u, mtl.find("#  \n#  Wavefront MTL generated by GLM library\n"));
    EXPECT_NE(std::string::npos, mtl.find("#  \n\nKa 0.200000 0.200000 0.200000\n"
                                          "Kd 0.500000 0.500000 0.500000\n"
                                          "Ks 0.000000 0.000000 0.000000\nNs 50.781250\n"
                                          "d 1.000000\n\nnewmtl red\n"));
    EXPECT_NE(std::string::npos, mtl.find("newmtl red\nKa 0.100000 0.200000 0.300000\n"
                                          "Kd 1.000000 0.000000 0.000000\n"
                                          "Ks 0.500000 0.500000 0.500000\nNs 80.000000\n"
                                          "d 1.000000\n\n"));
    EXPECT_NE(std::string::npos, mtl.find("newmtl glass\n"));
    EXPECT_NE(std::string::npos, mtl.find("d 0.500000\n"));

    GlmModel *copy = glmReadOBJ(path.c_str());
    EXPECT_STREQ("m.mtl", copy->mtllib);
    expectSameModel(model, copy);
    EXPECT_FLOAT_EQ(0.5f, copy->materials[2].diffuse[3]);

    /* a second round trip writes the same text again */
    std::string text = readFile(path);
    ::testing::internal::CaptureStderr();
    glmWriteOBJ(copy, path.c_str(), GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_MATERIAL);
    ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(text, readFile(path));
    EXPECT_EQ(mtl, readFile(dir + "m.mtl"));
    glmDelete(copy);

    /* a library written anywhere else is written without a word */
    ::testing::internal::CaptureStderr();
    glmWriteMTL(model, path.c_str(), "other.mtl");
    EXPECT_EQ("", ::testing::internal::GetCapturedStderr());
    EXPECT_EQ(mtl, readFile(dir + "other.mtl"));
    glmDelete(model);
}

using GeometryDeath = Geometry;

TEST_F(GeometryDeath, WritersThatCannotOpenOrFillTheirFile)
{
    writeFile(dir + "m.mtl", "newmtl red\n");
    GlmModel *model = load("mtllib m.mtl\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    std::string path = dir + "missing/out.obj";
    EXPECT_EXIT(glmWriteOBJ(model, path.c_str(), GLM_MODE_NONE), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmWriteOBJ() failed: can't open file \"" + path +
                        "\" to write.\n"));
    EXPECT_EXIT(glmWriteMTL(model, path.c_str(), "m.mtl"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmWriteMTL() failed: can't open file \"" + dir +
                        "missing/m.mtl\".\n"));
    /* a full disk: the file opens, the writes fail */
    EXPECT_EXIT(glmWriteOBJ(model, "/dev/full", GLM_MODE_NONE), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmWriteOBJ() failed: can't write file \"/dev/full\": "
                        "No space left on device.\n"));
    EXPECT_EXIT(glmWriteMTL(model, "/dev/model.obj", "full"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmWriteMTL() failed: can't write file \"/dev/full\": "
                        "No space left on device.\n"));
    glmDelete(model);
}
