/*
 * glm_gl_test.cpp - the model library under a real OpenGL context: material
 * textures (PPM and PNG types, rows, power-of-two sizes, unpack alignment,
 * shared entries, bad images), the drawing passes (groups newest first, the
 * transparent pass and the GL state it leaves, mode warnings, texture
 * coordinates out of range), display lists, and the fuzz crashers replayed.
 */
#include <gtest/gtest.h>

#include <dirent.h>
#include <png.h>
#include <string.h>
#include <sys/stat.h> /* mkfifo */
#include <unistd.h>   /* alarm */

#include <string>
#include <vector>

#include "glm.h"
#include "glm_test_util.h"
#include "test_gl.h"

namespace {

class Gl : public ::testing::Test {
protected:
    std::string dir = scratchDir();

    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testGlContext(64, 64);
    }

    /* Nothing may be left for the driver to compile when freeglut closes the
     * display at exit, after the driver's own statics are gone. */
    void TearDown() override
    {
        glFinish();
        removeScratch(dir);
    }
};

std::string ppm(int width, int height, unsigned char r, unsigned char g, unsigned char b)
{
    std::string text = "P6\n# made by a test\n" + std::to_string(width) + " " +
                       std::to_string(height) + "\n255\n";
    for (int i = 0; i < width * height; i++) {
        text += (char)r;
        text += (char)g;
        text += (char)b;
    }
    return text;
}

/* Writes a PNG; rows are given top first, packed as libpng takes them. */
void writePng(const std::string &path, int width, int height, int colorType, int depth,
              const std::vector<std::vector<unsigned char>> &rows,
              const std::vector<png_color> &palette = {},
              const std::vector<unsigned char> &trns = {},
              const png_color_16 *trnsColour = nullptr)
{
    FILE *file = fopen(path.c_str(), "wb");
    ASSERT_NE(nullptr, file);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png)))
        FAIL() << "libpng could not write " << path;
    png_init_io(png, file);
    png_set_IHDR(png, info, width, height, depth, colorType, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty())
        png_set_PLTE(png, info, palette.data(), (int)palette.size());
    if (!trns.empty())
        png_set_tRNS(png, info, trns.data(), (int)trns.size(), NULL);
    if (trnsColour)
        png_set_tRNS(png, info, NULL, 0, trnsColour);
    png_write_info(png, info);
    for (const std::vector<unsigned char> &row : rows)
        png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(file);
}

GLint boundSize(GLenum which)
{
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, which, &value);
    return value;
}

GLint integer(GLenum which)
{
    GLint value = 0;
    glGetIntegerv(which, &value);
    return value;
}

/* Orthographic view of -1..1 with nothing but flat colour. */
void plainView(void)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_BLEND);
    glDisable(GL_CULL_FACE);
    glDepthMask(GL_TRUE);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void centrePixel(unsigned char rgba[4])
{
    glFinish();
    testReadPixel(32, 32, rgba);
}

const char *const SQUARE = "v -1 -1 0\nv 1 -1 0\nv 1 1 0\nv -1 1 0\n";

std::string capture(void (*draw)(GlmModel *), GlmModel *model)
{
    ::testing::internal::CaptureStderr();
    draw(model);
    return ::testing::internal::GetCapturedStderr();
}

}  // namespace

/* ---- Textures ---------------------------------------------------------------- */

TEST_F(Gl, TexturesGrowToPowerOfTwoSides)
{
    GLfloat s = 0, t = 0;
    std::string path = writeFile(dir + "a.ppm", ppm(300, 200, 10, 20, 30));
    GLuint id = glmLoadTexture(path.c_str(), GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE, &s, &t);
    ASSERT_NE(0u, id);
    EXPECT_EQ((GLint)id, integer(GL_TEXTURE_BINDING_2D));
    EXPECT_EQ(512, boundSize(GL_TEXTURE_WIDTH));
    EXPECT_EQ(256, boundSize(GL_TEXTURE_HEIGHT));
    EXPECT_FLOAT_EQ(1.0f, s);
    EXPECT_FLOAT_EQ(1.0f, t);
    GLint filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(GL_LINEAR_MIPMAP_LINEAR, filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &filter);
    EXPECT_EQ(GL_REPEAT, filter);
    /* mipmaps from the driver when it offers them, else from GLU */
    GLint level1 = 0, generate = GL_FALSE;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 1, GL_TEXTURE_WIDTH, &level1);
    EXPECT_EQ(256, level1);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, &generate);
    EXPECT_EQ(glmIsExtensionSupported("GL_SGIS_generate_mipmap") ? GL_TRUE : GL_FALSE, generate);

    path = writeFile(dir + "b.ppm", ppm(256, 256, 1, 2, 3));
    id = glmLoadTexture(path.c_str(), GL_TRUE, GL_FALSE, GL_FALSE, GL_FALSE, &s, &t);
    EXPECT_EQ(256, boundSize(GL_TEXTURE_WIDTH));
    EXPECT_EQ(256, boundSize(GL_TEXTURE_HEIGHT));
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filter);
    EXPECT_EQ(GL_NEAREST, filter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &filter);
    EXPECT_EQ(GL_CLAMP, filter);
}

TEST_F(Gl, UnpackAlignmentFollowsTheRowsUploaded)
{
    GLfloat s, t;
    glmLoadTexture(writeFile(dir + "five.ppm", ppm(5, 4, 1, 2, 3)).c_str(), GL_TRUE, GL_TRUE,
                   GL_TRUE, GL_FALSE, &s, &t);
    EXPECT_EQ(1, integer(GL_UNPACK_ALIGNMENT));
    EXPECT_EQ(8, boundSize(GL_TEXTURE_WIDTH));
    glmLoadTexture(writeFile(dir + "four.ppm", ppm(4, 4, 1, 2, 3)).c_str(), GL_TRUE, GL_TRUE,
                   GL_TRUE, GL_FALSE, &s, &t);
    EXPECT_EQ(4, integer(GL_UNPACK_ALIGNMENT));

    /* one pixel wide, resampled to 1 x 4: the resampled rows are padded to 4
     * bytes and must be uploaded that way */
    glmLoadTexture(writeFile(dir + "one.ppm", ppm(1, 3, 10, 20, 30)).c_str(), GL_TRUE, GL_TRUE,
                   GL_TRUE, GL_FALSE, &s, &t);
    EXPECT_EQ(4, boundSize(GL_TEXTURE_HEIGHT));
    unsigned char texels[4 * 4];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    for (int row = 0; row < 4; row++) {
        EXPECT_EQ(10, texels[4 * row]) << "row " << row;
        EXPECT_EQ(20, texels[4 * row + 1]) << "row " << row;
        EXPECT_EQ(30, texels[4 * row + 2]) << "row " << row;
    }
}

TEST_F(Gl, PpmRowsStayInFileOrderAndHeadersAreRobust)
{
    std::string text = "P6\n# comment\n2\n2 255\n";
    const unsigned char pixels[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    text.append((const char *)pixels, sizeof(pixels));
    int w = 0, h = 0;
    GLenum type = 0;
    GLubyte *image = glmReadPPM(writeFile(dir + "p.ppm", text).c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ(2, w);
    EXPECT_EQ(2, h);
    EXPECT_EQ((GLenum)GL_RGB, type);
    EXPECT_EQ(0, memcmp(pixels, image, sizeof(pixels)));
    free(image);

    std::string longComment = "P6\n#" + std::string(300, 'c') + "\n1 1\n255\nabc";
    image = glmReadPPM(writeFile(dir + "c.ppm", longComment).c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ('a', image[0]);
    free(image);

    const char *const bad[] = {"P6\n", "P6\n4 4\n", "P6\nwide 4 255\n", "P6\n4 4 255\nab",
                               "P6\n0 4 255\n", "P6\n-3 4 255\n", "P6\n99999 99999 255\n",
                               "P6\n3 2049638230412172402 255\n0123456789",
                               "P3\n1 1 255\n1 2 3\n", "", "P6 1 1 255\nxyz"};
    ::testing::internal::CaptureStderr();
    for (const char *header : bad)
        EXPECT_EQ(nullptr, glmReadPPM(writeFile(dir + "bad.ppm", header).c_str(), 1, &w, &h,
                                      &type))
            << header;
    std::string warnings = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(std::string::npos, warnings.find("header of \"" + dir + "bad.ppm\" ends early"));
    EXPECT_NE(std::string::npos, warnings.find("holds no number where one is expected"));
    EXPECT_NE(std::string::npos, warnings.find("holds 2 of its 48 pixel bytes"));

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, glmReadPPM((dir + "none.ppm").c_str(), 1, &w, &h, &type));
    EXPECT_EQ(dir + "none.ppm: No such file or directory\n",
              ::testing::internal::GetCapturedStderr());
}

TEST_F(Gl, PngTypesAndRowsBottomFirst)
{
    int w = 0, h = 0;
    GLenum type = 0;
    std::string path = dir + "rgb.png";
    writePng(path, 2, 2, PNG_COLOR_TYPE_RGB, 8, {{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}});
    GLubyte *image = glmReadPNG(path.c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ((GLenum)GL_RGB, type);
    EXPECT_EQ(7, image[0]);     /* the picture's bottom row comes first */
    EXPECT_EQ(1, image[6]);
    free(image);

    std::vector<png_color> palette = {{255, 0, 0}, {0, 0, 255}};
    writePng(path, 2, 1, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}}, palette);
    image = glmReadPNG(path.c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ((GLenum)GL_RGB, type);
    EXPECT_EQ(255, image[0]);
    EXPECT_EQ(255, image[5]);
    free(image);

    writePng(path, 2, 1, PNG_COLOR_TYPE_PALETTE, 8, {{0, 1}}, palette, {128});
    image = glmReadPNG(path.c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ((GLenum)GL_RGBA, type);
    EXPECT_EQ(128, image[3]);
    EXPECT_EQ(255, image[7]);
    free(image);

    writePng(path, 1, 1, PNG_COLOR_TYPE_RGB, 16, {{0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}});
    image = glmReadPNG(path.c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ((GLenum)GL_RGB, type);
    EXPECT_EQ(0x12, image[0]);
    EXPECT_EQ(0x9a, image[2]);
    free(image);

    writePng(path, 4, 1, PNG_COLOR_TYPE_GRAY, 2, {{0x1b}});  /* 0 1 2 3 */
    image = glmReadPNG(path.c_str(), 1, &w, &h, &type);
    ASSERT_NE(nullptr, image);
    EXPECT_EQ((GLenum)GL_LUMINANCE, type);
    EXPECT_EQ(0, image[0]);
    EXPECT_EQ(85, image[1]);
    EXPECT_EQ(255, image[3]);
    free(image);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(nullptr, glmReadPNG(writeFile(dir + "junk.png", "not a picture").c_str(), 1, &w,
                                  &h, &type));
    EXPECT_EQ(nullptr, glmReadPNG((dir + "none.png").c_str(), 1, &w, &h, &type));
    EXPECT_EQ("PNG error: Not a PNG file\n", ::testing::internal::GetCapturedStderr());
}

/* Every colour type and bit depth libpng reads makes a texture: one pixel of
 * each, read back as RGBA, where a grey texture's level lands in red (grey
 * with alpha used to end the process with "unknown type 0x190a"). */
TEST_F(Gl, EveryPngColourTypeAndDepthIsAUsableTexture)
{
    struct Case {
        const char *what;
        int colorType, depth;
        std::vector<unsigned char> row;
        std::vector<unsigned char> trns;
        bool greyKey, rgbKey;   /* a transparent grey level 200, or colour (1, 2, 3) */
        std::vector<int> rgba;
    };
    const std::vector<png_color> palette = {{10, 20, 30}, {40, 50, 60}};
    const Case cases[] = {
        {"grey 1", PNG_COLOR_TYPE_GRAY, 1, {0x80}, {}, false, false, {255, 0, 0, 255}},
        {"grey 2", PNG_COLOR_TYPE_GRAY, 2, {0x40}, {}, false, false, {85, 0, 0, 255}},
        {"grey 4", PNG_COLOR_TYPE_GRAY, 4, {0x80}, {}, false, false, {136, 0, 0, 255}},
        {"grey 8", PNG_COLOR_TYPE_GRAY, 8, {200}, {}, false, false, {200, 0, 0, 255}},
        {"grey 16", PNG_COLOR_TYPE_GRAY, 16, {200, 7}, {}, false, false, {200, 0, 0, 255}},
        {"grey 8, transparent level", PNG_COLOR_TYPE_GRAY, 8, {200}, {}, true, false,
         {200, 0, 0, 0}},
        {"grey + alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, {7, 9}, {}, false, false, {7, 0, 0, 9}},
        {"grey + alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, {7, 1, 9, 1}, {}, false, false,
         {7, 0, 0, 9}},
        {"rgb 8, transparent colour", PNG_COLOR_TYPE_RGB, 8, {1, 2, 3}, {}, false, true,
         {1, 2, 3, 0}},
        {"rgb 16", PNG_COLOR_TYPE_RGB, 16, {0x12, 0x34, 0x56, 0x78, 0x9a, 0xbc}, {}, false, false,
         {0x12, 0x56, 0x9a, 255}},
        {"rgba 8", PNG_COLOR_TYPE_RGBA, 8, {1, 2, 3, 4}, {}, false, false, {1, 2, 3, 4}},
        {"rgba 16", PNG_COLOR_TYPE_RGBA, 16, {1, 0, 2, 0, 3, 0, 4, 0}, {}, false, false,
         {1, 2, 3, 4}},
        {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, {0x80}, {}, false, false, {40, 50, 60, 255}},
        {"palette 4, transparent entry", PNG_COLOR_TYPE_PALETTE, 4, {0x00}, {77}, false, false,
         {10, 20, 30, 77}},
        {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, {1}, {}, false, false, {40, 50, 60, 255}},
    };
    png_color_16 grey = {};
    grey.gray = 200;
    png_color_16 rgb = {};
    rgb.red = 1;
    rgb.green = 2;
    rgb.blue = 3;
    for (const Case &c : cases) {
        std::string path = dir + "type.png";
        writePng(path, 1, 1, c.colorType, c.depth, {c.row},
                 c.colorType == PNG_COLOR_TYPE_PALETTE ? palette : std::vector<png_color>{},
                 c.trns, c.greyKey ? &grey : c.rgbKey ? &rgb : nullptr);
        GLfloat s = 0, t = 0;
        ::testing::internal::CaptureStderr();
        GLuint texture = glmLoadTexture(path.c_str(), GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE, &s, &t);
        EXPECT_EQ("", ::testing::internal::GetCapturedStderr()) << c.what;
        ASSERT_NE(0u, texture) << c.what;
        unsigned char pixel[4] = {0, 0, 0, 0};
        glBindTexture(GL_TEXTURE_2D, texture);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
        EXPECT_EQ(c.rgba, (std::vector<int>{pixel[0], pixel[1], pixel[2], pixel[3]})) << c.what;
        glDeleteTextures(1, &texture);
    }
}

TEST_F(Gl, MaterialsShareTextureEntriesByName)
{
    writeFile(dir + "tex.ppm", ppm(4, 4, 200, 100, 50));
    writeFile(dir + "copy.ppm", ppm(4, 4, 200, 100, 50));
    writeFile(dir + "m.mtl", "newmtl a\nmap_Kd tex.ppm\nnewmtl b\nmap_Kd  tex.ppm \n"
                             "newmtl c\nmap_Kd copy.ppm\nnewmtl d\nmap_Kd gone.ppm\n");
    ::testing::internal::CaptureStderr();
    GlmModel *model = glmReadOBJ(
        writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE + "f 1 2 3\n").c_str());
    EXPECT_EQ(dir + "gone.ppm: No such file or directory\n",
              ::testing::internal::GetCapturedStderr());
    ASSERT_EQ(3u, model->numtextures);
    EXPECT_EQ(0, model->materials[1].map_diffuse);
    EXPECT_EQ(0, model->materials[2].map_diffuse);
    EXPECT_EQ(1, model->materials[3].map_diffuse);
    EXPECT_EQ(2, model->materials[4].map_diffuse);
    EXPECT_STREQ("tex.ppm", model->textures[0].name);
    EXPECT_TRUE(glIsTexture(model->textures[0].id));
    EXPECT_TRUE(glIsTexture(model->textures[1].id));
    EXPECT_NE(model->textures[0].id, model->textures[1].id);
    EXPECT_EQ(0u, model->textures[2].id);
    EXPECT_FLOAT_EQ(1.0f, model->textures[0].width);

    /* written back, every material keeps its map, the unreadable one too */
    ::testing::internal::CaptureStderr();
    glmWriteOBJ(model, (dir + "copy.obj").c_str(), GLM_MODE_MATERIAL);
    GlmModel *copy = glmReadOBJ((dir + "copy.obj").c_str());
    ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(model->nummaterials, copy->nummaterials);
    ASSERT_EQ(3u, copy->numtextures);
    for (GLuint i = 0; i < model->nummaterials; i++)
        EXPECT_EQ(model->materials[i].map_diffuse, copy->materials[i].map_diffuse) << i;
    for (GLuint i = 0; i < 3; i++)
        EXPECT_STREQ(model->textures[i].name, copy->textures[i].name);
    glmDelete(copy);

    GLuint first = model->textures[0].id;
    glmDelete(model);
    EXPECT_FALSE(glIsTexture(first));
}

/* A texture that is a FIFO or a directory is left out with a warning naming
 * it, before anything is read (the FIFO would hold an ordinary open for
 * ever; the alarm ends the test instead); the model is read on. */
TEST_F(Gl, TexturesThatAreNotFilesAreLeftOut)
{
    ASSERT_EQ(0, mkfifo((dir + "fifo.png").c_str(), 0600));
    writeFile(dir + "m.mtl", "newmtl a\nmap_Kd fifo.png\nnewmtl b\nmap_Kd .\n");
    ::testing::internal::CaptureStderr();
    alarm(20);
    GlmModel *model = glmReadOBJ(
        writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE + "f 1 2 3\n").c_str());
    alarm(0);
    EXPECT_EQ("GLM: Warning: glmLoadTexture(): can't read \"" + dir + "fifo.png\" (a FIFO (named "
              "pipe), not a file).\n"
              "GLM: Warning: glmLoadTexture(): can't read \"" + dir + ".\" (a directory, not a "
              "file).\n",
              ::testing::internal::GetCapturedStderr());
    ASSERT_EQ(2u, model->numtextures);
    EXPECT_EQ(0u, model->textures[0].id);
    EXPECT_EQ(0u, model->textures[1].id);
    EXPECT_EQ(1u, model->numtriangles);
    glmDelete(model);
    unlink((dir + "fifo.png").c_str());
}

TEST_F(Gl, ExtensionNamesAreWholeWords)
{
    EXPECT_FALSE(glmIsExtensionSupported(""));
    EXPECT_FALSE(glmIsExtensionSupported("GL_ARB multitexture"));
    std::string all = (const char *)glGetString(GL_EXTENSIONS);
    std::string first = all.substr(0, all.find(' '));
    EXPECT_TRUE(glmIsExtensionSupported(first.c_str()));
    EXPECT_FALSE(glmIsExtensionSupported(first.substr(0, first.size() - 1).c_str()));
    EXPECT_FALSE(glmIsExtensionSupported("GL_KOLVANE_no_such_thing"));
}

/* ---- Drawing ----------------------------------------------------------------- */

TEST_F(Gl, GroupsAreDrawnNewestFirst)
{
    writeFile(dir + "m.mtl", "newmtl red\nKd 1 0 0\nnewmtl green\nKd 0 1 0\n");
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE +
                                                             "usemtl red\nf 1 2 3 4\ng top\n"
                                                             "usemtl green\nf 1 2 3 4\n")
                                     .c_str());
    plainView();
    glmDraw(model, GLM_MODE_COLOR);
    unsigned char rgba[4];
    centrePixel(rgba);
    EXPECT_EQ(255, rgba[0]);   /* "default" (red) is drawn last */
    EXPECT_EQ(0, rgba[1]);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));
    glmDelete(model);
}

TEST_F(Gl, TransparentMaterialsFollowAdditivelyAndLeaveBlendingOff)
{
    writeFile(dir + "m.mtl", "newmtl red\nKd 1 0 0\nnewmtl glass\nKd 0 1 0\nd 0.5\n");
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE +
                                                             "usemtl red\nf 1 2 3 4\ng top\n"
                                                             "usemtl glass\nf 1 2 3 4\n")
                                     .c_str());
    plainView();
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ZERO);
    glDepthMask(GL_FALSE);
    glmDraw(model, GLM_MODE_COLOR);
    unsigned char rgba[4];
    centrePixel(rgba);
    /* red first, then the newer green group blended on top: yellow */
    EXPECT_EQ(255, rgba[0]);
    EXPECT_EQ(255, rgba[1]);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(mask);
    EXPECT_EQ(GL_SRC_ALPHA, integer(GL_BLEND_SRC));
    EXPECT_EQ(GL_ONE, integer(GL_BLEND_DST));
    glmDelete(model);
}

TEST_F(Gl, OpaqueModelLeavesBlendingAndDepthMaskAlone)
{
    writeFile(dir + "m.mtl", "newmtl red\nKd 1 0 0\nKa 0.5 0 0\nNs 50\n");
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE +
                                                             "usemtl red\nf 1 2 3 4\n")
                                     .c_str());
    plainView();
    glEnable(GL_BLEND);
    glDepthMask(GL_FALSE);
    glEnable(GL_COLOR_MATERIAL);
    glmDraw(model, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLboolean mask = GL_TRUE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_FALSE(mask);
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
    GLfloat material[4];
    glGetMaterialfv(GL_FRONT, GL_DIFFUSE, material);
    EXPECT_FLOAT_EQ(1.0f, material[0]);
    EXPECT_FLOAT_EQ(0.0f, material[1]);
    glGetMaterialfv(GL_BACK, GL_AMBIENT, material);
    EXPECT_FLOAT_EQ(0.5f, material[0]);
    glGetMaterialfv(GL_FRONT, GL_SHININESS, material);
    EXPECT_FLOAT_EQ(64.0f, material[0]);
    EXPECT_EQ(0, integer(GL_LIGHT_MODEL_TWO_SIDE));
    glmDraw(model, GLM_MODE_TWO_SIDE);
    EXPECT_EQ(1, integer(GL_LIGHT_MODEL_TWO_SIDE));
    glDisable(GL_BLEND);
    glDepthMask(GL_TRUE);
    glmDelete(model);
}

TEST_F(Gl, ModeWarningsOnEveryCall)
{
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string(SQUARE) +
                                                             "vn 0 0 1\nf 1//1 2//1 3//1\n")
                                     .c_str());
    plainView();
    std::string warnings = capture([](GlmModel *m) { glmDraw(m, 17); glmDraw(m, 17); }, model);
    const std::string material = "GLM: Warning: glmDraw() warning: material render mode "
                                 "requested with no materials defined.\n";
    EXPECT_EQ(material + material, warnings);
    warnings = capture([](GlmModel *m) { glmDraw(m, GLM_MODE_FLAT | GLM_MODE_SMOOTH); }, model);
    EXPECT_EQ("GLM: Warning: glmDraw() warning: flat render mode requested and smooth render "
              "mode requested (using smooth).\n",
              warnings);
    warnings = capture([](GlmModel *m) { glmDraw(m, GLM_MODE_TEXTURE | GLM_MODE_COLOR); },
                       model);
    EXPECT_EQ("GLM: Warning: glmDraw() warning: texture render mode requested with no texture "
              "coordinates defined.\n"
              "GLM: Warning: glmDraw() warning: color render mode requested with no materials "
              "defined.\n",
              warnings);
    EXPECT_EQ((GLenum)GL_NO_ERROR, glGetError());
    glmDelete(model);

    writeFile(dir + "m.mtl", "newmtl red\n");
    model = glmReadOBJ(writeFile(dir + "n.obj", std::string("mtllib m.mtl\n") + SQUARE +
                                                   "f 1 2 3\n")
                           .c_str());
    warnings = capture([](GlmModel *m) { glmDraw(m, GLM_MODE_COLOR | GLM_MODE_MATERIAL); }, model);
    EXPECT_EQ("GLM: Warning: glmDraw() warning: color and material render mode requested "
              "using only material mode.\n",
              warnings);
    glmDelete(model);
}

TEST_F(Gl, TexturedDrawingSkipsCoordinatesOutOfRangeWithOneWarningPerCall)
{
    writeFile(dir + "tex.ppm", ppm(2, 2, 0, 0, 255));
    writeFile(dir + "m.mtl", "newmtl blue\nmap_Kd tex.ppm\n");
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE +
                                                             "vt 0 0\nvt 1 0\nvt 1 1\n"
                                                             "usemtl blue\nf 1/1 2/2 3/3\n"
                                                             "f 1/9 3/3 4/7\n")
                                     .c_str());
    plainView();
    const std::string warning = "GLM: Warning: glmDraw() warning: texture coordinate 9 of "
                                "triangle 1 out of range (1..3), skipped.\n";
    std::string warnings = capture(
        [](GlmModel *m) { glmDraw(m, GLM_MODE_TEXTURE | GLM_MODE_MATERIAL); }, model);
    EXPECT_EQ(warning, warnings);
    warnings = capture(
        [](GlmModel *m) {
            glmDraw(m, GLM_MODE_TEXTURE);
            glmDraw(m, GLM_MODE_TEXTURE);
        },
        model);
    EXPECT_EQ(warning + warning, warnings);
    EXPECT_EQ((GLint)model->textures[0].id, integer(GL_TEXTURE_BINDING_2D));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLfloat env = 0;
    glGetTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ((GLfloat)GL_MODULATE, env);
    glDisable(GL_TEXTURE_2D);
    glmDelete(model);
}

TEST_F(Gl, TextureModeOnAModelWithoutMaterialsDrawsPlainly)
{
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string(SQUARE) + "f 1 2 3 4\n")
                                     .c_str());
    glmLinearTexture(model);
    plainView();
    glColor3f(0, 0, 1);
    glmDraw(model, GLM_MODE_TEXTURE | GLM_MODE_COLOR);
    unsigned char rgba[4];
    centrePixel(rgba);
    EXPECT_EQ(255, rgba[2]);
    glDisable(GL_TEXTURE_2D);
    glmDelete(model);
}

TEST_F(Gl, DisplayListHoldsTheDrawing)
{
    writeFile(dir + "m.mtl", "newmtl green\nKd 0 1 0\n");
    GlmModel *model = glmReadOBJ(writeFile(dir + "m.obj", std::string("mtllib m.mtl\n") + SQUARE +
                                                             "usemtl green\nf 1 2 3 4\n")
                                     .c_str());
    plainView();
    GLuint list = glmList(model, GLM_MODE_COLOR);
    EXPECT_TRUE(glIsList(list));
    EXPECT_EQ((GLenum)GL_NO_ERROR, glGetError());
    unsigned char rgba[4];
    centrePixel(rgba);
    EXPECT_EQ(0, rgba[1]);      /* compiled, not drawn */
    glCallList(list);
    centrePixel(rgba);
    EXPECT_EQ(255, rgba[1]);
    glDeleteLists(list, 1);
    glmDelete(model);
}

/* ---- Fuzz crashers ----------------------------------------------------------- */

namespace {

/* What the OBJ fuzz target does with one input: up to three files separated
 * by a line "@@@" (model, material library, image), then the model read,
 * drawn into display lists, run through the geometry operations and written. */
void replayObjInput(const std::string &input, const std::string &dir)
{
    const std::string separator = "\n@@@\n";
    const char *const names[3] = {"m.obj", "m.mtl", "t.img"};
    size_t start = 0;
    for (int i = 0; i < 3 && start != std::string::npos; i++) {
        size_t cut = input.find(separator, start);
        writeFile(dir + names[i], input.substr(start, cut == std::string::npos ? cut : cut - start));
        start = cut == std::string::npos ? cut : cut + separator.size();
    }
    GlmModel *model = glmReadOBJ((dir + "m.obj").c_str());
    glDeleteLists(glmList(model, GLM_MODE_FLAT | GLM_MODE_MATERIAL), 1);
    glDeleteLists(glmList(model, GLM_MODE_SMOOTH | GLM_MODE_TEXTURE | GLM_MODE_COLOR), 1);
    glmUnitize(model);
    glmReverseWinding(model);
    glmVertexNormals(model, 90.0f, GL_TRUE);
    glmVertexNormals(model, 60.0f, GL_FALSE);
    glmSpheremapTexture(model);
    glmLinearTexture(model);
    glDeleteLists(glmList(model, GLM_MODE_TEXTURE | GLM_MODE_MATERIAL), 1);
    glmWeld(model, 0.001f);
    glmWriteOBJ(model, (dir + "w.obj").c_str(), GLM_MODE_FLAT | GLM_MODE_TEXTURE);
    glmDelete(model);
}

/* What the image fuzz target does with one input. */
void replayImageInput(const std::string &path)
{
    int w, h;
    GLenum type;
    free(glmReadPPM(path.c_str(), 1, &w, &h, &type));
    GLfloat s, t;
    GLuint id = glmLoadTexture(path.c_str(), GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE, &s, &t);
    glDeleteTextures(1, &id);
}

}  // namespace

TEST_F(Gl, FuzzCrashersEndCleanly)
{
    std::string crashers = std::string(KOLVANE_SOURCE_DIR) + "/tests/glm/crashers/";
    DIR *listing = opendir(crashers.c_str());
    ASSERT_NE(nullptr, listing);
    int replayed = 0;
    while (struct dirent *entry = readdir(listing)) {
        if (entry->d_name[0] == '.')
            continue;
        std::string input = readFile(crashers + entry->d_name);
        std::string name = entry->d_name;
        if (name.compare(0, 4, "ppm-") == 0) {
            std::string path = writeFile(dir + "t.ppm", input);
            EXPECT_EXIT(
                {
                    replayImageInput(path);
                    exit(0);
                },
                exitedCleanly, "")
                << name;
        } else {
            EXPECT_EXIT(
                {
                    replayObjInput(input, dir);
                    exit(0);
                },
                exitedCleanly, "")
                << name;
        }
        replayed++;
    }
    closedir(listing);
    EXPECT_GT(replayed, 0);
}
