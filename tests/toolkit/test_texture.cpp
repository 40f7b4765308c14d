/*
 * test_texture.cpp - PNG and TGA loading read back from the textures, the
 * loaders' fatal messages, the black texture and the screen quad's transform
 * and orientation read back from the framebuffer.
 */
#include <gtest/gtest.h>

#include "test_gl.h"
#include "toolkit_test.h"
#include "tvx.h"

#include <GL/glu.h> /* gluProject */
#include <gd.h>     /* writing the test PNGs */
#include <png.h>    /* writing a grey PNG, which libgd cannot */
#include <sys/resource.h>

static const int W = 640, H = 360;

static std::string writePng(const std::string &name, gdImagePtr image)
{
    std::string path = scratchPath(name);
    FILE *file = fopen(path.c_str(), "wb");
    gdImageSaveAlpha(image, 1);
    gdImagePng(image, file);
    fclose(file);
    gdImageDestroy(image);
    return path;
}

/* An 18-byte TGA header followed by the given pixel bytes. */
static std::vector<unsigned char> tga(int type, int width, int height, int depth,
                                      std::vector<unsigned char> pixels)
{
    std::vector<unsigned char> bytes = {0, 0, (unsigned char)type, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                        (unsigned char)width, (unsigned char)(width >> 8),
                                        (unsigned char)height, (unsigned char)(height >> 8),
                                        (unsigned char)depth, 0};
    for (unsigned char byte : pixels)
        bytes.push_back(byte);
    return bytes;
}

class Texture : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testGlContext(W, H);
    }
};

TEST_F(Texture, PalettePngTransparentEntryHasOpacityZero)
{
    gdImagePtr image = gdImageCreate(2, 2);
    int red = gdImageColorAllocate(image, 255, 0, 0);
    int clear = gdImageColorAllocate(image, 0, 0, 255);
    gdImageColorTransparent(image, clear);
    gdImageSetPixel(image, 0, 0, red);
    gdImageSetPixel(image, 1, 0, clear);
    gdImageSetPixel(image, 0, 1, clear);
    gdImageSetPixel(image, 1, 1, red);

    int w, h;
    std::vector<unsigned char> p = readTexture(tvx_loadPNG(writePng("palette.png", image).c_str()), &w, &h);
    ASSERT_EQ(2, w);
    ASSERT_EQ(2, h);
    EXPECT_EQ((std::vector<unsigned char>{255, 0, 0, 255, 0, 0, 255, 0,
                                          0, 0, 255, 0, 255, 0, 0, 255}), p);
}

/* A one-row 8-bit grey PNG whose grey level `clear` is transparent. */
static std::string writeGreyPng(const std::string &name, const std::vector<unsigned char> &row,
                                int clear)
{
    std::string path = scratchPath(name);
    FILE *file = fopen(path.c_str(), "wb");
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, file);
    png_set_IHDR(png, info, (png_uint_32)row.size(), 1, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color_16 transparent = {};
    transparent.gray = (png_uint_16)clear;
    png_set_tRNS(png, info, NULL, 0, &transparent);
    png_write_info(png, info);
    png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    fclose(file);
    return path;
}

TEST_F(Texture, GreyPngTransparentLevelHasOpacityZero)
{
    std::string path = writeGreyPng("grey.png", {0, 128, 255}, 128);
    int w, h;
    std::vector<unsigned char> p = readTexture(tvx_loadPNG(path.c_str()), &w, &h);
    ASSERT_EQ(3, w);
    ASSERT_EQ(1, h);
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 0, 255, 128, 128, 128, 0, 255, 255, 255, 255}), p);
}

TEST_F(Texture, TrueColourPngAlphaBecomesOpacityAndTopRowLandsAtRowZero)
{
    gdImagePtr image = gdImageCreateTrueColor(3, 2);
    gdImageAlphaBlending(image, 0);
    gdImageSetPixel(image, 0, 0, gdTrueColorAlpha(10, 20, 30, 64));
    gdImageSetPixel(image, 1, 0, gdTrueColorAlpha(40, 50, 60, 0));
    gdImageSetPixel(image, 2, 0, gdTrueColorAlpha(70, 80, 90, 127));
    gdImageSetPixel(image, 0, 1, gdTrueColorAlpha(1, 2, 3, 1));
    gdImageSetPixel(image, 1, 1, gdTrueColorAlpha(4, 5, 6, 0));
    gdImageSetPixel(image, 2, 1, gdTrueColorAlpha(7, 8, 9, 0));

    int w, h;
    std::vector<unsigned char> p = readTexture(tvx_loadPNG(writePng("rgba.png", image).c_str()), &w, &h);
    ASSERT_EQ(3, w);
    ASSERT_EQ(2, h);
    EXPECT_EQ((std::vector<unsigned char>{10, 20, 30, 126, 40, 50, 60, 255, 70, 80, 90, 0,
                                          1, 2, 3, 252, 4, 5, 6, 255, 7, 8, 9, 255}), p);
}

TEST_F(Texture, OnePixelPngGivesOnePixelTexture)
{
    gdImagePtr image = gdImageCreateTrueColor(1, 1);
    gdImageSetPixel(image, 0, 0, gdTrueColorAlpha(200, 100, 50, 0));
    int w, h;
    std::vector<unsigned char> p = readTexture(tvx_loadPNG(writePng("one.png", image).c_str()), &w, &h);
    EXPECT_EQ(1, w);
    EXPECT_EQ(1, h);
    EXPECT_EQ((std::vector<unsigned char>{200, 100, 50, 255}), p);
}

TEST_F(Texture, PngFailuresAreFatal)
{
    std::string missing = scratchPath("missing.png");
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadPNG(missing.c_str())), ::testing::ExitedWithCode(255),
                "\\[! " + missing + "\\] file not found\\.\n");
    std::string text = writeScratch("not-a.png", std::string("this is no picture\n"));
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadPNG(text.c_str())), ::testing::ExitedWithCode(255),
                "\\[! " + text + "\\] Unable to load image$");
}

/* A directory, a FIFO or a device in a picture's place ends the process at
 * once with a line naming it, for both readers (the FIFO would hold an
 * ordinary open for ever; the alarm ends the child instead). */
TEST_F(Texture, PicturesThatAreNotFilesAreFatalWithoutWaiting)
{
    const auto cases = notFiles("picture");
    for (const auto &c : cases) {
        EXPECT_EXIT(STDOUT_TO_STDERR(alarm(20); tvx_loadPNG(c.first.c_str())),
                    ::testing::ExitedWithCode(255),
                    "\\[! " + c.first + "\\] Unable to load image: " + c.second + "\n$");
        EXPECT_EXIT(STDOUT_TO_STDERR(alarm(20); tvx_loadTGA(c.first.c_str())),
                    ::testing::ExitedWithCode(255),
                    "\\[!\\] Unable to load " + c.first + ": " + c.second + "\n$");
    }
}

/* A PNG signature and IHDR chunk claiming width x height, and nothing else:
 * refused on the header, the pixels are never looked for. */
static std::vector<unsigned char> pngHeader(unsigned width, unsigned height)
{
    std::vector<unsigned char> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13,
                                    'I', 'H', 'D', 'R'};
    for (unsigned v : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            b.push_back((unsigned char)(v >> shift));
    for (unsigned char c : {8, 6, 0, 0, 0, 0, 0, 0, 0})
        b.push_back(c);
    return b;
}

static std::string tooLarge(const std::string &path, int width, int height, int max)
{
    return "\\[!\\] " + path + " is " + std::to_string(width) + " x " + std::to_string(height)
           + " pixels; this OpenGL takes textures of at most " + std::to_string(max) + " x "
           + std::to_string(max) + "\n";
}

/* Sizes beyond the GPU's limit end the process naming the file, whether the
 * pixels are there (one row one pixel wider than the limit) or only claimed
 * by the header (40000 x 40000, which would take gigabytes to decode). */
TEST_F(Texture, PicturesBeyondTheTextureLimitAreFatalBeforeDecoding)
{
    GLint max = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &max);
    ASSERT_GT(max, 0);

    std::string wide = writePng("wide.png", gdImageCreateTrueColor(max + 1, 1));
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadPNG(wide.c_str())), ::testing::ExitedWithCode(255),
                tooLarge(wide, max + 1, 1, max));
    std::string lie = writeScratch("lie.png", pngHeader(40000, 40000));
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadPNG(lie.c_str())), ::testing::ExitedWithCode(255),
                tooLarge(lie, 40000, 40000, max));
    if (max < 65535) {
        std::string tall = writeScratch("tall.tga", tga(2, 1, max + 1, 24,
                                                        std::vector<unsigned char>(3 * (max + 1))));
        EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadTGA(tall.c_str())), ::testing::ExitedWithCode(255),
                    tooLarge(tall, 1, max + 1, max));
    }
}

/* Caps the address space 200 MB above what is in use, then loads. */
static void loadPngWithLittleMemory(const std::string &path)
{
    long pages = 0;
    FILE *statm = fopen("/proc/self/statm", "r");
    if (statm == NULL || fscanf(statm, "%ld", &pages) != 1)
        exit(3);
    fclose(statm);
    rlim_t cap = (rlim_t)pages * sysconf(_SC_PAGESIZE) + (200u << 20);
    struct rlimit limit = {cap, cap};
    setrlimit(RLIMIT_AS, &limit);
    tvx_loadPNG(path.c_str());
}

/* The pixel buffer is four times the decoded palette image: with the address
 * space capped between the two, only the pixel buffer fails. */
TEST_F(Texture, PngPixelBufferThatCannotBeAllocatedIsFatal)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the address space cannot be capped under AddressSanitizer";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "the address space cannot be capped under AddressSanitizer";
#endif
#endif
    gdImagePtr image = gdImageCreate(8192, 8192);
    gdImageColorAllocate(image, 9, 9, 9);
    std::string path = writePng("large.png", image);
    EXPECT_EXIT(STDOUT_TO_STDERR(loadPngWithLittleMemory(path)), ::testing::ExitedWithCode(255),
                "\\[!\\] Unable to allocate memory for png " + path + " \\(8192x8192\\)");
}

TEST_F(Texture, TgaOf24And32BitsUploadsRgbInFileRowOrder)
{
    /* Three pixels a row: nine bytes, not a multiple of the default alignment. */
    std::string rgb = writeScratch("rgb.tga", tga(2, 3, 2, 24, {3, 2, 1, 6, 5, 4, 9, 8, 7,
                                                                30, 20, 10, 60, 50, 40, 90, 80, 70}));
    std::string rgba = writeScratch("rgba.tga", tga(2, 1, 2, 32, {3, 2, 1, 128, 6, 5, 4, 0}));
    int w, h;
    ::testing::internal::CaptureStdout();
    std::vector<unsigned char> p = readTexture(tvx_loadTGA(rgb.c_str()), &w, &h);
    std::vector<unsigned char> q = readTexture(tvx_loadTGA(rgba.c_str()), &w, &h);
    EXPECT_EQ("[*] texture " + rgb + " loaded...\n[*] texture " + rgba + " loaded...\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 3, 255, 4, 5, 6, 255, 7, 8, 9, 255,
                                          10, 20, 30, 255, 40, 50, 60, 255, 70, 80, 90, 255}), p);
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 3, 128, 4, 5, 6, 0}), q);
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(4, alignment);
}

TEST_F(Texture, TgaFailuresAreFatalWithTheirMessages)
{
    struct Case { std::vector<unsigned char> bytes; const char *message; };
    std::vector<unsigned char> withId = tga(2, 1, 1, 24, {1, 2, 3});
    withId[0] = 4;
    std::vector<unsigned char> withOrigin = tga(2, 1, 1, 24, {1, 2, 3});
    withOrigin[8] = 1;
    const Case cases[] = {
        {withId, "\\[!\\] Unable to load %s$"},
        {withOrigin, "\\[!\\] Unable to load %s$"},
        {tga(10, 1, 1, 24, {1, 2, 3}), "\\[!\\] Unable to load %s$"},
        {tga(1, 1, 1, 24, {1, 2, 3}), "\\[!\\] Unable to load %s$"},
        {{0, 0, 2, 0, 0}, "\\[!\\] Unable to load %s$"},
        {tga(2, 1, 1, 8, {1}), "\\[!\\] %s was a corrupt image =/\n"},
        {tga(2, 0, 1, 24, {}), "\\[!\\] %s was a corrupt image =/\n"},
        {tga(2, 2, 2, 32, {1, 2, 3, 4, 5, 6, 7}), "\\[!\\] Unable to allocate memory for tga %s\\.\\.\\.\n"},
        {tga(2, 4096, 4096, 32, {}), "\\[!\\] Unable to allocate memory for tga %s\\.\\.\\.\n"},
    };
    int n = 0;
    for (const Case &c : cases) {
        std::string path = writeScratch("bad" + std::to_string(n++) + ".tga", c.bytes);
        char message[512];
        snprintf(message, sizeof message, c.message, path.c_str());
        EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadTGA(path.c_str())), ::testing::ExitedWithCode(255), message)
            << "case " << n - 1;
    }
    std::string missing = scratchPath("missing.tga");
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadTGA(missing.c_str())), ::testing::ExitedWithCode(255),
                "\\[! " + missing + "\\] file not found \n");
}

TEST_F(Texture, BlackTextureIsOpaqueBlack512)
{
    int w, h;
    std::vector<unsigned char> p = readTexture(tvx_loadBlack(), &w, &h);
    EXPECT_EQ(512, w);
    EXPECT_EQ(512, h);
    size_t wrong = 0;
    for (size_t i = 0; i < p.size(); i += 4)
        wrong += p[i] != 0 || p[i + 1] != 0 || p[i + 2] != 0 || p[i + 3] != 255;
    EXPECT_EQ(0u, wrong);
}

/* An 8 x 8 PNG in quadrants: top-left red, top-right green, bottom-left blue,
 * bottom-right white. Drawn full-screen, its top file row lands at the bottom. */
TEST_F(Texture, QuadShowsTopFileRowAtTheBottomAndSamplesLinearlyFromThenOn)
{
    gdImagePtr image = gdImageCreateTrueColor(8, 8);
    gdImageFilledRectangle(image, 0, 0, 3, 3, 0xFF0000);
    gdImageFilledRectangle(image, 4, 0, 7, 3, 0x00FF00);
    gdImageFilledRectangle(image, 0, 4, 3, 7, 0x0000FF);
    gdImageFilledRectangle(image, 4, 4, 7, 7, 0xFFFFFF);
    unsigned int texture = tvx_loadPNG(writePng("quadrants.png", image).c_str());

    sceneFrame(0, 0, 0);
    glColor4f(1, 1, 1, 1);
    tvx_draw2DTexture(0, 0, 0, 40, 25, texture);
    unsigned char bottomLeft[4], bottomRight[4], topLeft[4], topRight[4];
    testReadPixel(W / 4, H / 4, bottomLeft);
    testReadPixel(3 * W / 4, H / 4, bottomRight);
    testReadPixel(W / 4, 3 * H / 4, topLeft);
    testReadPixel(3 * W / 4, 3 * H / 4, topRight);
    EXPECT_EQ((std::vector<int>{255, 0, 0}), (std::vector<int>{bottomLeft[0], bottomLeft[1], bottomLeft[2]}));
    EXPECT_EQ((std::vector<int>{0, 255, 0}), (std::vector<int>{bottomRight[0], bottomRight[1], bottomRight[2]}));
    EXPECT_EQ((std::vector<int>{0, 0, 255}), (std::vector<int>{topLeft[0], topLeft[1], topLeft[2]}));
    EXPECT_EQ((std::vector<int>{255, 255, 255}), (std::vector<int>{topRight[0], topRight[1], topRight[2]}));

    GLint minFilter = 0, magFilter = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(GL_LINEAR, minFilter);
    EXPECT_EQ(GL_LINEAR, magFilter);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
}

/* The quad's centre lies at (-x, y, -z) of the caller's frame. */
TEST_F(Texture, QuadCentreIsMirroredInXAndZ)
{
    unsigned int white = tvx_loadBlack();
    sceneFrame(0, 0, 0);
    glColor4f(1, 1, 1, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD); /* black texture + white = white */
    tvx_draw2DTexture(0.525f, 5.3428f, -8.225f, 0.3f, 0.3f, white);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);

    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    auto litAt = [&](double x, double y, double z) {
        GLdouble wx, wy, wz;
        gluProject(x, y, z, modelview, projection, viewport, &wx, &wy, &wz);
        unsigned char rgba[4];
        testReadPixel((int)wx, (int)wy, rgba);
        return rgba[0] == 255 && rgba[1] == 255 && rgba[2] == 255;
    };
    EXPECT_TRUE(litAt(-0.525, 5.3428, 8.225));
    EXPECT_FALSE(litAt(0.525, 5.3428, 8.225));
    EXPECT_FALSE(litAt(-0.525, -5.3428, 8.225));
}
