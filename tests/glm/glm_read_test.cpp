/*
 * glm_read_test.cpp - the OBJ and MTL readers: groups and "default", the face
 * forms, faces across lines, fan triangulation, facet normals, materials and
 * their statements, missing materials, bad input, the fatal messages (status
 * 1), and the OBJ probe of the framework.
 */
#include <gtest/gtest.h>

#include <string.h>
#include <sys/stat.h> /* mkdir, mkfifo */
#include <unistd.h>

#include <string>
#include <vector>

#include "glm.h"
#include "glm_test_util.h"
#include "tvx.h"

namespace {

class Reader : public ::testing::Test {
protected:
    std::string dir = scratchDir();
    ~Reader() override { removeScratch(dir); }

    std::string obj(const std::string &text, const std::string &name = "m.obj")
    {
        return writeFile(dir + name, text);
    }
    void mtl(const std::string &text, const std::string &name = "m.mtl")
    {
        writeFile(dir + name, text);
    }
    GlmModel *load(const std::string &text)
    {
        return glmReadOBJ(obj(text).c_str());
    }
    GlmModel *loadQuiet(const std::string &text, std::string *warnings)
    {
        ::testing::internal::CaptureStderr();
        GlmModel *model = load(text);
        *warnings = ::testing::internal::GetCapturedStderr();
        return model;
    }
};

const char *const TRIANGLE = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
const char *const SQUARE = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\n";

std::vector<std::string> groupNames(const GlmModel *model)
{
    std::vector<std::string> names;
    for (const GlmGroup *group = model->groups; group; group = group->next)
        names.push_back(group->name);
    return names;
}

void expectCorners(const GlmTriangle &t, GLuint a, GLuint b, GLuint c)
{
    EXPECT_EQ(a, t.vindices[0]);
    EXPECT_EQ(b, t.vindices[1]);
    EXPECT_EQ(c, t.vindices[2]);
}

}  // namespace

/* ---- Groups ------------------------------------------------------------------ */

TEST_F(Reader, FileWithoutGroupsHasOnlyDefaultHoldingEverything)
{
    GlmModel *model = load(std::string(SQUARE) + "f 1 2 3\nf 1 3 4\n");
    ASSERT_EQ(1u, model->numgroups);
    EXPECT_STREQ("default", model->groups->name);
    EXPECT_EQ(2u, model->groups->numtriangles);
    EXPECT_EQ(0u, model->groups->triangles[0]);
    EXPECT_EQ(1u, model->groups->triangles[1]);
    EXPECT_EQ(nullptr, model->groups->next);
    glmDelete(model);
}

TEST_F(Reader, GroupsNewestFirstWithDefaultLast)
{
    GlmModel *model = load(std::string(SQUARE) +
                           "f 1 2 3\ng body\nf 1 3 4\ng lid\nf 2 3 4\ng body\nf 1 2 4\n");
    EXPECT_EQ((std::vector<std::string>{" lid", " body", "default"}), groupNames(model));
    EXPECT_EQ(3u, model->numgroups);
    const GlmGroup *body = model->groups->next;
    ASSERT_EQ(2u, body->numtriangles);
    EXPECT_EQ(1u, body->triangles[0]);
    EXPECT_EQ(3u, body->triangles[1]);
    EXPECT_EQ(1u, model->groups->next->next->numtriangles);
    EXPECT_EQ(body, glmFindGroup(model, " body"));
    EXPECT_EQ(nullptr, glmFindGroup(model, "body"));
    glmDelete(model);

    /* line breaks of either kind are not part of a name, nor is the last
     * letter of a file that ends without one */
    model = load("v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\ng body\r\nf 1 2 3\r\ng lid\r\n"
                 "f 1 2 3\r\ng body\r\nf 1 2 3\r\ng last");
    EXPECT_EQ((std::vector<std::string>{" last", " lid", " body", "default"}), groupNames(model));
    EXPECT_EQ(2u, model->groups->next->next->numtriangles);
    glmDelete(model);
}

TEST_F(Reader, GroupWithoutWordIsTheEmptyName)
{
    GlmModel *model = load(std::string(TRIANGLE) + "g\nf 1 2 3\n");
    EXPECT_EQ((std::vector<std::string>{"", "default"}), groupNames(model));
    EXPECT_EQ(1u, model->groups->numtriangles);
    EXPECT_EQ(0u, model->groups->next->numtriangles);
    glmDelete(model);
}

TEST_F(Reader, AddGroupReturnsTheExistingGroup)
{
    GlmModel *model = load(std::string(TRIANGLE) + "f 1 2 3\n");
    GlmGroup *added = glmAddGroup(model, "extra");
    EXPECT_EQ(added, glmAddGroup(model, "extra"));
    EXPECT_EQ(2u, model->numgroups);
    EXPECT_EQ(added, model->groups);
    glmDelete(model);
}

/* ---- Faces ------------------------------------------------------------------- */

TEST_F(Reader, FaceFormsSetTheirIndices)
{
    std::string text = std::string(TRIANGLE) +
                       "vn 0 0 1\nvn 0 1 0\nvn 1 0 0\nvn 0 0 -1\nvn 0 -1 0\nvn -1 0 0\n"
                       "vt 0 0\nvt 1 0\nvt 0 1\n"
                       "f 1//4 2//5 3//6\nf 1/1 2/2 3/3\nf 1/3/1 2/2/2 3/1/3\nf 3 2 1\n";
    GlmModel *model = load(text);
    ASSERT_EQ(4u, model->numtriangles);
    const GlmTriangle *t = model->triangles;
    EXPECT_EQ(4u, t[0].nindices[0]);
    EXPECT_EQ(5u, t[0].nindices[1]);
    EXPECT_EQ(6u, t[0].nindices[2]);
    for (int k = 0; k < 3; k++) {
        EXPECT_EQ(GLM_NONE, t[0].tindices[k]);
        EXPECT_EQ(GLuint(k + 1), t[1].tindices[k]);
        EXPECT_EQ(GLM_NONE, t[1].nindices[k]);
        EXPECT_EQ(GLuint(3 - k), t[2].tindices[k]);
        EXPECT_EQ(GLuint(k + 1), t[2].nindices[k]);
        EXPECT_EQ(GLM_NONE, t[3].tindices[k]);
        EXPECT_EQ(GLM_NONE, t[3].nindices[k]);
    }
    expectCorners(t[3], 3, 2, 1);
    EXPECT_EQ(6u, model->numnormals);
    EXPECT_EQ(3u, model->numtexcoords);
    EXPECT_FLOAT_EQ(-1.0f, model->normals[3 * 6]);
    EXPECT_FLOAT_EQ(1.0f, model->texcoords[2 * 3 + 1]);
    glmDelete(model);
}

TEST_F(Reader, RelativeIndicesCountBackFromThePointsReadSoFar)
{
    std::string text = std::string(TRIANGLE) + "vn 0 0 1\nvn 0 1 0\nvt 0 0\nvt 1 0\nvt 0 1\n"
                       "f -3/-3/-2 -2/-2/-2 -1/-1/-1\nf -1//-1 -2//-2 -3//-1\nf -3/-1 2/-2 -1/1\n"
                       "v 0 0 1\nvn 1 0 0\nvt 1 1\nf -1/-1/-1 -4/-4/-3 1/1/1 -2/-2/-2\n";
    GlmModel *model = load(text);
    ASSERT_EQ(5u, model->numtriangles);
    const GlmTriangle *t = model->triangles;
    expectCorners(t[0], 1, 2, 3);
    EXPECT_EQ((std::vector<GLuint>{1, 2, 3, 1, 1, 2}),
              (std::vector<GLuint>{t[0].tindices[0], t[0].tindices[1], t[0].tindices[2],
                                   t[0].nindices[0], t[0].nindices[1], t[0].nindices[2]}));
    expectCorners(t[1], 3, 2, 1);
    EXPECT_EQ((std::vector<GLuint>{2, 1, 2, GLM_NONE}),
              (std::vector<GLuint>{t[1].nindices[0], t[1].nindices[1], t[1].nindices[2],
                                   t[1].tindices[0]}));
    expectCorners(t[2], 1, 2, 3);
    EXPECT_EQ((std::vector<GLuint>{3, 2, 1, GLM_NONE}),
              (std::vector<GLuint>{t[2].tindices[0], t[2].tindices[1], t[2].tindices[2],
                                   t[2].nindices[0]}));
    /* a point read after the face before moves what -1 means */
    expectCorners(t[3], 4, 1, 1);
    expectCorners(t[4], 4, 1, 3);
    EXPECT_EQ(4u, t[3].tindices[0]);
    EXPECT_EQ(3u, t[3].nindices[0]);
    EXPECT_EQ(1u, t[3].nindices[1]);
    EXPECT_EQ(2u, t[4].nindices[2]);
    glmDelete(model);
}

TEST_F(Reader, FaceContinuesOnTheNextLine)
{
    GlmModel *model = load(std::string(SQUARE) + "f 1 2\n 3\n4\ng after\nf 1 2 3\n");
    ASSERT_EQ(3u, model->numtriangles);
    expectCorners(model->triangles[0], 1, 2, 3);
    expectCorners(model->triangles[1], 1, 3, 4);
    EXPECT_STREQ(" after", model->groups->name);
    EXPECT_EQ(1u, model->groups->numtriangles);
    glmDelete(model);
}

TEST_F(Reader, FanTriangulationFromTheFirstCorner)
{
    GlmModel *model = load(std::string(SQUARE) + "f 1 2 3 4\nf 1/1 2/2 3/3 4/4 5/5\nvt 0 0\n"
                                                 "vt 1 0\nvt 1 1\nvt 0 1\nvt 0.5 0.5\n");
    ASSERT_EQ(5u, model->numtriangles);
    expectCorners(model->triangles[0], 1, 2, 3);
    expectCorners(model->triangles[1], 1, 3, 4);
    expectCorners(model->triangles[2], 1, 2, 3);
    expectCorners(model->triangles[3], 1, 3, 4);
    expectCorners(model->triangles[4], 1, 4, 5);
    EXPECT_EQ(1u, model->triangles[4].tindices[0]);
    EXPECT_EQ(4u, model->triangles[4].tindices[1]);
    EXPECT_EQ(5u, model->triangles[4].tindices[2]);
    glmDelete(model);
}

TEST_F(Reader, ShortFaceRepeatsItsLastCorner)
{
    GlmModel *model = load(std::string(TRIANGLE) + "f 1 2\n");
    ASSERT_EQ(1u, model->numtriangles);
    expectCorners(model->triangles[0], 1, 2, 2);
    /* zero area: the facet normal is the zero vector, not 0/0 */
    for (int k = 0; k < 3; k++)
        EXPECT_EQ(0.0f, model->facetnorms[3 + k]);
    glmDelete(model);
}

TEST_F(Reader, FacetNormalsAndModelFields)
{
    GlmModel *model = load(std::string(TRIANGLE) + "s off\no thing\nf 1 2 3\nf 1 3 2\n");
    EXPECT_STREQ((dir + "m.obj").c_str(), model->pathname);
    EXPECT_EQ(nullptr, model->mtllib);
    EXPECT_EQ(nullptr, model->normals);
    EXPECT_EQ(nullptr, model->texcoords);
    EXPECT_EQ(2u, model->numfacetnorms);
    EXPECT_EQ(1u, model->triangles[0].findex);
    EXPECT_EQ(2u, model->triangles[1].findex);
    EXPECT_FLOAT_EQ(1.0f, model->facetnorms[3 * 1 + 2]);
    EXPECT_FLOAT_EQ(-1.0f, model->facetnorms[3 * 2 + 2]);
    EXPECT_FLOAT_EQ(0.0f, model->facetnorms[3 * 1 + 0]);
    for (int k = 0; k < 3; k++)
        EXPECT_EQ(0.0f, model->position[k]);
    glmDelete(model);
}

/* ---- Materials --------------------------------------------------------------- */

TEST_F(Reader, MaterialStatements)
{
    mtl("# library\nKd 0.1 0.2 0.3\nnewmtl red\nKd 1 0 0\nKa 0.5 0.25 0\nKs 1 1 0.5\n"
        "Ns 96.078431\nillum 2\nnewmtl x glass\nd 0.5\nNs 50\nTr 0.2\nbump b.png\n");
    std::string warnings;
    GlmModel *model = loadQuiet(std::string("mtllib  m.mtl \n") + TRIANGLE + "f 1 2 3\n",
                                &warnings);
    EXPECT_STREQ("m.mtl", model->mtllib);
    ASSERT_EQ(3u, model->nummaterials);
    const GlmMaterial *m = model->materials;
    EXPECT_STREQ("default", m[0].name);
    EXPECT_FLOAT_EQ(0.1f, m[0].diffuse[0]);
    EXPECT_FLOAT_EQ(0.3f, m[0].diffuse[2]);
    EXPECT_STREQ("red", m[1].name);
    EXPECT_FLOAT_EQ(1.0f, m[1].diffuse[0]);
    EXPECT_FLOAT_EQ(0.0f, m[1].diffuse[1]);
    EXPECT_FLOAT_EQ(1.0f, m[1].diffuse[3]);
    EXPECT_FLOAT_EQ(0.25f, m[1].ambient[1]);
    EXPECT_FLOAT_EQ(0.5f, m[1].specular[2]);
    EXPECT_NEAR(123.0f, m[1].shininess, 0.05f);
    EXPECT_EQ(-1, m[1].map_diffuse);
    EXPECT_STREQ("glass", m[2].name);
    EXPECT_FLOAT_EQ(0.5f, m[2].diffuse[3]);
    EXPECT_FLOAT_EQ(64.0f, m[2].shininess);
    EXPECT_FLOAT_EQ(0.8f, m[2].diffuse[0]);
    EXPECT_FLOAT_EQ(0.2f, m[2].ambient[0]);
    EXPECT_FLOAT_EQ(1.0f, m[2].ambient[3]);
    EXPECT_FLOAT_EQ(0.0f, m[2].specular[0]);
    EXPECT_FLOAT_EQ(65.0f, m[0].shininess);
    EXPECT_EQ("", warnings);
    EXPECT_EQ(1u, glmFindMaterial(model, "red"));
    glmDelete(model);
}

TEST_F(Reader, IgnoredMaterialStatementsWarn)
{
    mtl("newmtl a\nillum 1\nNi 1.5\nKe 1 1 1\nNx 3\nmap_Ka  ambient map.png \nKd 0 1 0\n"
        "refl -type sphere\nNs 900\nnewmtl b\nNs -5\n");
    std::string warnings;
    GlmModel *model = loadQuiet(std::string("mtllib m.mtl\n") + TRIANGLE + "f 1 2 3\n",
                                &warnings);
    EXPECT_EQ("GLM: Warning: illum material ignored: illum 1\n"
              "GLM: Warning: refraction index ignored\n"
              "GLM: Warning: glmReadMTL: Command \"Ke\" ignored\n"
              "GLM: Warning: glmReadMTL: Command \"Nx\" ignored\n"
              "GLM: Warning: map map_Ka ambient map.png ignored\n"
              "GLM: Warning: reflection type ignored: r -type sphere\n"
              "GLM: Warning: glmReadMTL: \"Ns 900\" of material \"a\" outside 0..100 in file \"" +
                  dir + "m.mtl\", 100 used\n"
              "GLM: Warning: glmReadMTL: \"Ns -5\" of material \"b\" outside 0..100 in file \"" +
                  dir + "m.mtl\", 0 used\n",
              warnings);
    /* OpenGL takes shininess in 0..128 only */
    EXPECT_FLOAT_EQ(128.0f, model->materials[1].shininess);
    EXPECT_FLOAT_EQ(0.0f, model->materials[2].shininess);
    /* the statement after the map line is read normally */
    EXPECT_FLOAT_EQ(1.0f, model->materials[1].diffuse[1]);
    EXPECT_FLOAT_EQ(0.0f, model->materials[1].diffuse[0]);
    glmDelete(model);
}

TEST_F(Reader, TrianglesAndGroupsTakeTheMaterialInForce)
{
    mtl("newmtl red\nnewmtl blue\n");
    GlmModel *model = load(std::string("mtllib m.mtl\n") + SQUARE +
                           "f 1 2 3\ng a\nusemtl red\nf 1 2 3\nusemtl blue\nf 1 3 4\n"
                           "g b\nf 2 3 4\nusemtl red\nf 1 2 4\ng c\nusemtl blue\n");
    ASSERT_EQ(5u, model->numtriangles);
    EXPECT_EQ(0u, model->triangles[0].material);
    EXPECT_EQ(1u, model->triangles[1].material);
    EXPECT_EQ(2u, model->triangles[2].material);
    EXPECT_EQ(2u, model->triangles[3].material);
    EXPECT_EQ(1u, model->triangles[4].material);
    const GlmGroup *c = model->groups, *b = c->next, *a = b->next, *def = a->next;
    EXPECT_EQ(1u, a->material);
    EXPECT_EQ(2u, b->material);  /* its first face came with blue in force */
    EXPECT_EQ(0u, c->material);  /* no triangle yet when blue was named */
    EXPECT_EQ(0u, def->material);
    glmDelete(model);
}

TEST_F(Reader, GroupMaterialSetByUsemtlAfterItsFirstTriangles)
{
    mtl("newmtl red\n");
    GlmModel *model = load(std::string("mtllib m.mtl\n") + TRIANGLE +
                           "g a\nf 1 2 3\nusemtl red\nf 1 2 3\n");
    EXPECT_EQ(1u, model->groups->material);
    EXPECT_EQ(0u, model->triangles[0].material);
    EXPECT_EQ(1u, model->triangles[1].material);
    glmDelete(model);
}

TEST_F(Reader, MissingMaterialsWarnAndUseMaterialZero)
{
    std::string warnings;
    GlmModel *model = loadQuiet(std::string(TRIANGLE) + "usemtl shiny\nf 1 2 3\n", &warnings);
    EXPECT_EQ(0u, model->nummaterials);
    EXPECT_EQ(nullptr, model->materials);
    EXPECT_EQ(0u, model->triangles[0].material);
    EXPECT_EQ("GLM: Warning: glmFindMaterial():  can't find material \"shiny\".\n", warnings);
    glmDelete(model);

    mtl("newmtl red\n");
    model = loadQuiet(std::string("mtllib m.mtl\n") + TRIANGLE + "usemtl blue\nf 1 2 3\n",
                      &warnings);
    EXPECT_EQ(0u, model->triangles[0].material);
    EXPECT_EQ("GLM: Warning: glmFindMaterial():  can't find material \"blue\".\n", warnings);
    glmDelete(model);
}

TEST_F(Reader, SecondMtllibReplacesTheMaterialTable)
{
    mtl("newmtl a\nnewmtl b\n", "one.mtl");
    mtl("newmtl c\n", "two.mtl");
    GlmModel *model = load(std::string("mtllib one.mtl\nmtllib two.mtl\n") + TRIANGLE +
                           "usemtl c\nf 1 2 3\n");
    EXPECT_STREQ("two.mtl", model->mtllib);
    ASSERT_EQ(2u, model->nummaterials);
    EXPECT_STREQ("c", model->materials[1].name);
    EXPECT_EQ(1u, model->triangles[0].material);
    glmDelete(model);
}

TEST_F(Reader, SecondWordOfMtllibAndUsemtlTakesThePlace)
{
    mtl("newmtl red\n", "lib.mtl");
    GlmModel *model = load(std::string("mtllib ignored lib.mtl\n") + TRIANGLE +
                           "usemtl ignored red\nf 1 2 3\n");
    EXPECT_STREQ("lib.mtl", model->mtllib);
    EXPECT_EQ(1u, model->triangles[0].material);
    glmDelete(model);
}

/* ---- Bad input --------------------------------------------------------------- */

TEST_F(Reader, EmptyLibraryAndMapNamesWarnInsteadOfCrashing)
{
    mtl("newmtl a\nmap_Kd   \n");
    std::string warnings;
    GlmModel *model = loadQuiet(std::string("mtllib \t \nmtllib m.mtl\n") + TRIANGLE +
                                "f 1 2 3\n", &warnings);
    EXPECT_NE(std::string::npos, warnings.find("\"mtllib\" without a library name ignored"));
    EXPECT_NE(std::string::npos, warnings.find("\"map_Kd\" without a file name ignored"));
    EXPECT_EQ(-1, model->materials[1].map_diffuse);
    EXPECT_EQ(0u, model->numtextures);
    glmDelete(model);
}

/* A library named with "../" steps, an absolute path or a link leading out
 * of the model's data root (its own folder, or the folder set with
 * glmSetDataRoot when the model lies in it) is left out with a warning
 * naming the model and the name: the model is read on without it, and does
 * not name it either (it would be written there). A link to a device out
 * there is never opened. */
TEST_F(Reader, NamesOutsideTheDataRootAreLeftOut)
{
    ASSERT_EQ(0, mkdir((dir + "sub").c_str(), 0700));
    writeFile(dir + "lib.mtl", "newmtl red\nKd 1 0 0\n");
    ASSERT_EQ(0, symlink("../lib.mtl", (dir + "sub/up.mtl").c_str()));
    ASSERT_EQ(0, symlink("/dev/urandom", (dir + "sub/random.mtl").c_str()));
    const std::string model = dir + "sub/m.obj";
    const std::string root = dir.substr(0, dir.size() - 1) + "/sub";
    const char *const names[] = {"../lib.mtl", "/etc/passwd", "up.mtl", "random.mtl",
                                 "./../sub/../../lib.mtl"};
    for (const char *name : names) {
        writeFile(model, std::string("mtllib ") + name + "\n" + TRIANGLE + "usemtl red\nf 1 2 3\n");
        ::testing::internal::CaptureStderr();
        alarm(20);
        GlmModel *m = glmReadOBJ(model.c_str());
        alarm(0);
        std::string warnings = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ("GLM: Warning: \"" + model + "\" names the material library \"" + name +
                      "\", which lies outside its data root \"" + root + "\": it is left out.\n"
                      "GLM: Warning: glmFindMaterial():  can't find material \"red\".\n",
                  warnings);
        EXPECT_EQ(nullptr, m->mtllib) << name;
        EXPECT_EQ(0u, m->nummaterials) << name;
        EXPECT_EQ(1u, m->numtriangles) << name;
        glmDelete(m);
    }

    /* with the data root above the model, the same steps stay inside it */
    glmSetDataRoot(dir.c_str());
    for (const char *name : {"../lib.mtl", "up.mtl"}) {
        writeFile(model, std::string("mtllib ") + name + "\n" + TRIANGLE + "usemtl red\nf 1 2 3\n");
        GlmModel *m = glmReadOBJ(model.c_str());
        EXPECT_STREQ(name, m->mtllib);
        ASSERT_EQ(2u, m->nummaterials) << name;
        EXPECT_EQ(1u, m->triangles[0].material);
        glmDelete(m);
    }
    writeFile(model, std::string("mtllib random.mtl\n") + TRIANGLE);
    ::testing::internal::CaptureStderr();
    glmDelete(glmReadOBJ(model.c_str()));
    EXPECT_NE(std::string::npos, ::testing::internal::GetCapturedStderr().find(
                                     "names the material library \"random.mtl\", which lies outside "
                                     "its data root \"" + dir.substr(0, dir.size() - 1) + "\""));
    glmSetDataRoot(NULL);

    /* a texture name is judged alike, before any image is read */
    writeFile(dir + "sub/ok.mtl", "newmtl a\nmap_Kd ../../tex.png\nnewmtl b\nmap_Kd /tmp/x.ppm\n");
    writeFile(model, std::string("mtllib ok.mtl\n") + TRIANGLE);
    ::testing::internal::CaptureStderr();
    GlmModel *m = glmReadOBJ(model.c_str());
    std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ("GLM: Warning: \"" + model + "\" names the texture \"../../tex.png\", which lies "
              "outside its data root \"" + root + "\": it is left out.\n"
              "GLM: Warning: \"" + model + "\" names the texture \"/tmp/x.ppm\", which lies "
              "outside its data root \"" + root + "\": it is left out.\n",
              warnings);
    EXPECT_EQ(-1, m->materials[1].map_diffuse);
    EXPECT_EQ(-1, m->materials[2].map_diffuse);
    EXPECT_EQ(0u, m->numtextures);
    glmDelete(m);
    for (const char *name : {"m.obj", "ok.mtl", "up.mtl", "random.mtl"})
        unlink((dir + "sub/" + name).c_str());
    rmdir((dir + "sub").c_str());
}

TEST_F(Reader, LongLinesAndTokensStayInsideTheirBuffers)
{
    std::string longWord(5000, 'x');
    std::string text = "# " + longWord + "\n" + TRIANGLE + "g " + longWord + "\n" +
                       "f 1 2 3\no " + longWord + "\n" + "s" + longWord + "f 1 2 3\n";
    std::string warnings;
    GlmModel *model = loadQuiet(text, &warnings);
    EXPECT_EQ(3u, model->numvertices);
    EXPECT_EQ(1u, model->numtriangles);
    /* a group name is the whole rest of its line */
    EXPECT_EQ(" " + longWord, model->groups->name);
    glmDelete(model);

    /* the end of a long line is never read as a statement, in either pass or
     * in the material library */
    std::string filler(140, '-');
    mtl("# " + filler + " newmtl x\nnewmtl " + filler + " b\nKd 1 0 0 " + filler +
        " newmtl y\n");
    model = loadQuiet("mtllib m.mtl\n# " + filler + " made face 1 2 3\n" + TRIANGLE +
                          "o " + filler + " f 1 2 3\nusemtl " + filler + " b\n"
                          "f 1 2 3 # " + filler + " g lost\n"
                          "s " + filler + " g lost\nv 0 0 1 " + filler + " f 1 2 3\n",
                      &warnings);
    EXPECT_EQ("", warnings);
    EXPECT_EQ(4u, model->numvertices);
    EXPECT_EQ(1u, model->numtriangles);
    EXPECT_EQ(1u, model->numgroups);
    ASSERT_EQ(2u, model->nummaterials);
    EXPECT_STREQ("b", model->materials[1].name);
    EXPECT_FLOAT_EQ(1.0f, model->materials[1].diffuse[0]);
    EXPECT_EQ(1u, model->triangles[0].material);
    glmDelete(model);
}

TEST_F(Reader, StatementsEndAtTheirLineEndInBothPasses)
{
    /* values are looked for on their statement's line; what follows them on
     * the line is skipped in the filling pass as in the counting pass */
    GlmModel *model = load("v 1 2\n3 f 1 1 1\nv 4 5 6 f 1 1 1\nv 7 8 9 v 1 1 1\n");
    EXPECT_EQ(3u, model->numvertices);
    EXPECT_EQ(0u, model->numtriangles);
    EXPECT_EQ((std::vector<float>{1, 2, 0, 4, 5, 6, 7, 8, 9}),
              std::vector<float>(model->vertices + 3, model->vertices + 12));
    glmDelete(model);
    mtl("Ka 1 newmtl x\nd\n0.5\nNs\n50 newmtl y\n");
    model = load("mtllib m.mtl\n");
    EXPECT_EQ(1u, model->nummaterials);
    EXPECT_FLOAT_EQ(1.0f, model->materials[0].ambient[0]);
    EXPECT_FLOAT_EQ(0.2f, model->materials[0].ambient[1]);
    EXPECT_FLOAT_EQ(1.0f, model->materials[0].diffuse[3]);
    EXPECT_FLOAT_EQ(65.0f, model->materials[0].shininess);
    glmDelete(model);
}

TEST_F(Reader, FileWithoutLineBreakAtTheEnd)
{
    GlmModel *model = load(std::string(TRIANGLE) + "f 1 2 3");
    EXPECT_EQ(1u, model->numtriangles);
    expectCorners(model->triangles[0], 1, 2, 3);
    glmDelete(model);
}

/* ---- Fatal errors ------------------------------------------------------------ */

using ReaderDeath = Reader;

TEST_F(ReaderDeath, MissingFilesAndFilesThatAreNotFiles)
{
    std::string path = dir + "none.obj";
    EXPECT_EXIT(glmReadOBJ(path.c_str()), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadOBJ() failed: can't open data file \"" +
                        path + "\".\n"));
    /* a directory is not read at all */
    EXPECT_EXIT(glmReadOBJ(dir.c_str()), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadOBJ() failed: can't open data file \"" + dir +
                        "\" (a directory, not a file).\n"));
    std::string model = obj(std::string("mtllib gone.mtl\n") + TRIANGLE);
    EXPECT_EXIT(glmReadOBJ(model.c_str()), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadMTL() failed: can't open material file \"" +
                        dir + "gone.mtl\".\n"));
    /* a FIFO is refused before it is read (an ordinary open would wait for
     * a writer for ever; the alarm ends the child instead) */
    std::string fifo = dir + "fifo.mtl";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0600));
    model = obj(std::string("mtllib fifo.mtl\n") + TRIANGLE);
    EXPECT_EXIT({ alarm(20); glmReadOBJ(model.c_str()); }, ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadMTL() failed: can't open material file \"" +
                        fifo + "\" (a FIFO (named pipe), not a file).\n"));
    EXPECT_EXIT({ alarm(20); glmReadOBJ(fifo.c_str()); }, ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadOBJ() failed: can't open data file \"" + fifo +
                        "\" (a FIFO (named pipe), not a file).\n"));
    EXPECT_EXIT({ alarm(20); glmReadOBJ("/dev/urandom"); }, ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadOBJ() failed: can't open data file "
                        "\"/dev/urandom\" (a device, not a file).\n"));
    unlink(fifo.c_str());
}

TEST_F(ReaderDeath, UnexpectedKeywords)
{
    EXPECT_EXIT(load(std::string(TRIANGLE) + "vp 1 2\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmFirstPass(): Unknown token \"vp\".\n"));
    /* a token is shown as a short printable excerpt, never as it stands */
    EXPECT_EXIT(load(std::string(TRIANGLE) + "v\x1b[2J\x07" + std::string(120, 'x') + " 1\n"),
                ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmFirstPass(): Unknown token \"v?[2J?" +
                        std::string(38, 'x') + "...\".\n"));
    EXPECT_EXIT(load("mtl m.mtl\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadOBJ: Got \"mtl\" instead of \"mtllib\"\n"));
    EXPECT_EXIT(load("use red\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadOBJ: Got \"use\" instead of \"usemtl\"\n"));
    mtl("new red\n");
    EXPECT_EXIT(load("mtllib m.mtl\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadMTL: Got \"new\" instead of \"newmtl\" in "
                        "file \"" + dir + "m.mtl\"\n"));
    mtl("newmtl red\nilum 2\n");
    EXPECT_EXIT(load("mtllib m.mtl\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: glmReadMTL: Got \"ilum\" instead of \"illum\" in "
                        "file \"" + dir + "m.mtl\"\n"));
}

TEST_F(ReaderDeath, IndicesOutOfBounds)
{
    EXPECT_EXIT(load(std::string(TRIANGLE) + "f 1 2 3\nf 1 2 9\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: vertex index for triangle 1 out of bounds (9 > 3)\n\n"));
    EXPECT_EXIT(load(std::string(TRIANGLE) + "f 0 1 2\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: vertex index for triangle 0 out of bounds (0 > 3)\n\n"));
    /* a relative index that reaches before the first point read */
    EXPECT_EXIT(load(std::string(TRIANGLE) + "f 1 2 3\nf -4 1 2\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: relative vertex index for triangle 1 out of bounds "
                        "(-4 with 3 read so far)\n"));
    EXPECT_EXIT(load(std::string(TRIANGLE) + "f 1//-1 2//-1 3//-1\nvn 0 0 1\n"),
                ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: relative normal index for triangle 0 out of bounds "
                        "(-1 with 0 read so far)\n"));
    EXPECT_EXIT(load(std::string(TRIANGLE) + "vt 0 0\nf 1/-1 2/-1 3/-1 1/-2\n"),
                ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: relative texture index for triangle 1 out of bounds "
                        "(-2 with 1 read so far)\n"));
    EXPECT_EXIT(load(std::string(TRIANGLE) + "f 1 2 -99999999999999\n"),
                ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: relative vertex index for triangle 0 out of bounds "
                        "(-4294967296 with 3 read so far)\n"));
    /* an index too large for 32 bits is out of bounds, not "absent" */
    EXPECT_EXIT(load(std::string(TRIANGLE) + "vn 0 0 1\nf 1//1 2//1 3//99999999999\n"),
                ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: normal index for triangle 0 out of bounds (-2 > 1)\n\n"));
    EXPECT_EXIT(load(std::string(TRIANGLE) + "vn 0 0 1\nf 1//1 2//2 3//1\n"),
                ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: normal index for triangle 0 out of bounds (2 > 1)\n\n"));
    /* the normal of a corner is checked before its vertex */
    EXPECT_EXIT(load(std::string(TRIANGLE) + "f 7//3 2//1 3//1\n"), ::testing::ExitedWithCode(1),
                literal("GLM: Fatal Error: normal index for triangle 0 out of bounds (3 > 0)\n\n"));
}

/* ---- The OBJ probe ----------------------------------------------------------- */

TEST_F(Reader, ProbeReportsTheLibraryAndItsMaterials)
{
    std::string library = dir + "probe.mtl";
    writeFile(library, "newmtl a\nnewmtl b\n");
    std::string path = obj("# probe\nmtllib " + library + "\nv 0 0 0\n", "p.obj");
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(0, tvx_loadObjModel(path.c_str()));
    EXPECT_EQ("[*] Loading " + path + ".\n" + library + "\n\n",
              ::testing::internal::GetCapturedStdout());

    writeFile(library, "Kd 1 1 1\n");
    ::testing::internal::CaptureStdout();
    tvx_loadObjModel(path.c_str());
    EXPECT_EQ("[*] Loading " + path + ".\n" + library + "\n\n[/] No materials found\n",
              ::testing::internal::GetCapturedStdout());

    unlink(library.c_str());
    ::testing::internal::CaptureStdout();
    tvx_loadObjModel(path.c_str());
    EXPECT_EQ("[*] Loading " + path + ".\n" + library + "\n\n[/] Couldn't material file " +
                  library + ".\n",
              ::testing::internal::GetCapturedStdout());
}

TEST_F(Reader, ProbeWithoutLibraryOrSuffix)
{
    std::string path = obj("v 0 0 0\n", "p.obj");
    ::testing::internal::CaptureStdout();
    tvx_loadObjModel(path.c_str());
    EXPECT_EQ("[*] Loading " + path + ".\n[/] No mtllib defined in the model",
              ::testing::internal::GetCapturedStdout());
    /* a ".mtl" before the statement does not count */
    path = obj("# old.mtl\nmtllib lib\n", "q.obj");
    ::testing::internal::CaptureStdout();
    tvx_loadObjModel(path.c_str());
    EXPECT_EQ("[*] Loading " + path + ".\n[/] Invalid material filename.\n",
              ::testing::internal::GetCapturedStdout());
    path = obj("mtllib", "r.obj");
    ::testing::internal::CaptureStdout();
    tvx_loadObjModel(path.c_str());
    EXPECT_EQ("[*] Loading " + path + ".\n[/] Invalid material filename.\n",
              ::testing::internal::GetCapturedStdout());
}

TEST_F(ReaderDeath, ProbeOfAMissingFileEndsWithStatus255)
{
    std::string path = dir + "none.obj";
    EXPECT_EXIT(
        {
            dup2(2, 1);
            tvx_loadObjModel(path.c_str());
        },
        ::testing::ExitedWithCode(255), literal("Couldn't open " + path + ".\n"));
}
