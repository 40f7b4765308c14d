/*
 * pictures_test.cpp - the demo's pictures as the scenes use them: every file
 * is a PNG that loads through tvx_loadPNG with its own size, keeps the
 * proportions of the quad its scene draws it on and is large enough for a
 * 1920 x 1080 screen; drawn through tvx_draw2DTexture it shows upright (the
 * files are stored upside down); the overlays are clear in the middle and
 * opaque at their rims; and the generator paints the same bytes again.
 */
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <ctype.h> /* isalnum */
#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm> /* std::max of a list */
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "pic.h"                     /* the generator: the upright paintings and the PNG writer */
#include "test_gl.h"
#include "tvx.h"

namespace {

const int W = 640, H = 360;
/* Half the height of the view at depth 1 (45 degree vertical field). */
const double VIEW_HALF = 0.41421356;

enum Kind { OPAQUE, CUTOUT, OVERLAY };

/* What the scenes need of each picture: the quad's half-size, the distance
 * from the eye at which it is drawn (0 where it moves), and its kind. */
struct Expected {
    const char *file;
    double halfWidth, halfHeight, depth;
    Kind kind;
};

const Expected expected[] = {
    {"background.png", 40.0, 36.9, 64.5, OPAQUE},
    {"title.png", 21.6, 3.15, 49.91, CUTOUT},
    {"tarvex_presents.png", 10.4, 2.88, 49.9, CUTOUT},
    {"vornfest20.png", 6.4, 3.6, 49.8, CUTOUT},
    {"apocalyptic1.png", 6.72, 3.78, 0, OPAQUE},
    {"apocalyptic2.png", 6.72, 3.78, 0, OPAQUE},
    {"apocalyptic3.png", 6.72, 3.78, 0, OPAQUE},
    {"eniac.png", 6.72, 3.78, 0, OPAQUE},
    {"transistor.png", 6.72, 3.78, 0, OPAQUE},
    {"opticalprocessor.png", 6.72, 3.78, 0, OPAQUE},
    {"tmp.png", 37.6, 16.605, 49.89, OVERLAY},
    {"display_overlay.png", 37.6, 16.605, 49.89, OVERLAY},
};

/* Failure messages name the picture. */
void PrintTo(const Expected &e, std::ostream *os)
{
    *os << e.file;
}

std::string dataPath(const char *file)
{
    return std::string("data/") + file;
}

std::vector<unsigned char> readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

/* Width and height from the PNG signature and IHDR chunk; false if the file
 * is not a PNG. */
bool pngSize(const std::string &path, int *width, int *height)
{
    static const unsigned char signature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::vector<unsigned char> b = readBytes(path);
    if (b.size() < 24 || memcmp(b.data(), signature, 8) != 0 || memcmp(&b[12], "IHDR", 4) != 0)
        return false;
    *width = b[16] << 24 | b[17] << 16 | b[18] << 8 | b[19];
    *height = b[20] << 24 | b[21] << 16 | b[22] << 8 | b[23];
    return true;
}

/* The chunk types of a PNG file in order ("IHDR", "IDAT", ...). */
std::vector<std::string> pngChunks(const std::string &path)
{
    std::vector<unsigned char> b = readBytes(path);
    std::vector<std::string> chunks;
    size_t at = 8;
    while (at + 12 <= b.size()) {
        size_t length = (size_t)b[at] << 24 | b[at + 1] << 16 | b[at + 2] << 8 | b[at + 3];
        chunks.push_back(std::string((const char *)&b[at + 4], 4));
        at += 12 + length;
    }
    return chunks;
}

/* The texture's level 0 as RGBA rows in upload (file) order. */
std::vector<unsigned char> textureTexels(unsigned int texture, int *width, int *height)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<unsigned char> texels((size_t)*width * *height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    return texels;
}

/* The picture drawn as a screen quad filling most of the window, over a grey
 * of level `ground`, read back. Rows are stored top first, as seen. */
struct Shot {
    std::vector<unsigned char> rgba;
    double left, top, width, height; /* the quad on the window, in pixels */
};

Shot drawFitted(unsigned int texture, double aspect, float ground)
{
    double halfHeight = 18.0, halfWidth = halfHeight * aspect;
    if (halfWidth > 34.0) {
        halfWidth = 34.0;
        halfHeight = halfWidth / aspect;
    }
    glClearColor(ground, ground, ground, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -50);
    glColor4f(1, 1, 1, 1);
    tvx_draw2DTexture(0, 0, 0, (float)halfWidth, (float)halfHeight, texture);

    std::vector<unsigned char> bottomUp((size_t)W * H * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGBA, GL_UNSIGNED_BYTE, bottomUp.data());
    Shot shot;
    shot.rgba.resize(bottomUp.size());
    for (int y = 0; y < H; y++)
        memcpy(&shot.rgba[(size_t)y * W * 4], &bottomUp[(size_t)(H - 1 - y) * W * 4], (size_t)W * 4);
    double pixelsPerUnit = (H / 2.0) / (50.0 * VIEW_HALF);
    shot.width = 2 * halfWidth * pixelsPerUnit;
    shot.height = 2 * halfHeight * pixelsPerUnit;
    shot.left = W / 2.0 - shot.width / 2;
    shot.top = H / 2.0 - shot.height / 2;
    return shot;
}

/* Mean colour (0..255) of the shot over a box given in fractions of the quad
 * (u from the left, v from the top). */
void shotMean(const Shot &shot, double u0, double v0, double u1, double v1, double rgb[3])
{
    int x0 = (int)(shot.left + u0 * shot.width), x1 = (int)(shot.left + u1 * shot.width);
    int y0 = (int)(shot.top + v0 * shot.height), y1 = (int)(shot.top + v1 * shot.height);
    double sum[3] = {0, 0, 0};
    int n = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++, n++)
            for (int c = 0; c < 3; c++)
                sum[c] += shot.rgba[((size_t)y * W + x) * 4 + c];
    for (int c = 0; c < 3; c++)
        rgb[c] = sum[c] / n;
}

double luminance(const double rgb[3])
{
    return 0.299 * rgb[0] + 0.587 * rgb[1] + 0.114 * rgb[2];
}

/* Brightest luminance of the shot over a box, as for shotMean. */
double shotMax(const Shot &shot, double u0, double v0, double u1, double v1)
{
    int x0 = (int)(shot.left + u0 * shot.width), x1 = (int)(shot.left + u1 * shot.width);
    int y0 = (int)(shot.top + v0 * shot.height), y1 = (int)(shot.top + v1 * shot.height);
    double best = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) {
            const unsigned char *p = &shot.rgba[((size_t)y * W + x) * 4];
            double rgb[3] = {(double)p[0], (double)p[1], (double)p[2]};
            best = fmax(best, luminance(rgb));
        }
    return best;
}

/* Mean luminance (0..255) of the upright painting over a grey ground, on a box
 * in fractions of the picture; `flipped` reads it upside down. */
double paintingMean(cairo_surface_t *painting, int format, double ground, double u0, double v0,
                    double u1, double v1, bool flipped)
{
    int w = cairo_image_surface_get_width(painting), h = cairo_image_surface_get_height(painting);
    int stride = cairo_image_surface_get_stride(painting);
    const unsigned char *data = cairo_image_surface_get_data(painting);
    if (flipped) {
        double t = v0;
        v0 = 1.0 - v1;
        v1 = 1.0 - t;
    }
    double sum = 0;
    int n = 0;
    for (int y = (int)(v0 * h); y < (int)(v1 * h); y++) {
        int row = flipped ? h - 1 - y : y;
        const uint32_t *p = (const uint32_t *)(data + (size_t)row * stride);
        for (int x = (int)(u0 * w); x < (int)(u1 * w); x++, n++) {
            double a = (p[x] >> 24) / 255.0;
            double rgb[3] = {(double)((p[x] >> 16) & 0xff), (double)((p[x] >> 8) & 0xff),
                             (double)(p[x] & 0xff)};
            for (double &c : rgb)
                c += (1.0 - a) * ground * 255.0; /* premultiplied over the ground */
            if (format == PIC_PNG_SEPIA) {
                /* stored as the sepia tone of its grey level */
                double tone[3];
                picSepiaTone(luminance(rgb) / 255.0, tone);
                for (int c = 0; c < 3; c++)
                    rgb[c] = tone[c] * 255.0;
            }
            sum += luminance(rgb);
        }
    }
    return sum / n;
}

int pictureIndex(const char *file)
{
    for (int i = 0; i < picCount(); i++)
        if (strcmp(picEntry(i)->file, file) == 0)
            return i;
    return -1;
}

class Picture : public ::testing::TestWithParam<Expected> {
protected:
    void SetUp() override
    {
        testGlContext(W, H);
    }
};

std::string nameOf(const ::testing::TestParamInfo<Expected> &info)
{
    std::string name;
    for (const char *c = info.param.file; *c && *c != '.'; c++)
        name += (char)(isalnum((unsigned char)*c) ? *c : '_');
    return name;
}

} // namespace

TEST_P(Picture, IsAPngWithTheQuadsProportionsAndEnoughPixels)
{
    const Expected &e = GetParam();
    int width = 0, height = 0;
    ASSERT_TRUE(pngSize(dataPath(e.file), &width, &height)) << e.file << " is missing or no PNG";
    double aspect = e.halfWidth / e.halfHeight;
    EXPECT_NEAR((double)width / height, aspect, 0.005 * aspect) << width << " x " << height;
    /* nothing but the image: no time or text chunks that would change the
       bytes from one regeneration to the next */
    for (const std::string &chunk : pngChunks(dataPath(e.file)))
        EXPECT_TRUE(chunk == "IHDR" || chunk == "PLTE" || chunk == "IDAT" || chunk == "IEND")
            << "chunk " << chunk;
    if (e.depth > 0) {
        /* pixels the quad covers on a 1080-line screen; allow 5 % of upscaling */
        double onScreen = 1080.0 * e.halfHeight / (e.depth * VIEW_HALF);
        EXPECT_GE(height, 0.95 * onScreen) << "drawn " << onScreen << " pixels high";
    } else {
        EXPECT_GE(width, 1024);
        EXPECT_GE(height, 576);
    }
}

TEST_P(Picture, LoadsThroughTheFrameworkWithItsOwnSizeAndAlpha)
{
    const Expected &e = GetParam();
    int fileWidth = 0, fileHeight = 0;
    ASSERT_TRUE(pngSize(dataPath(e.file), &fileWidth, &fileHeight));
    unsigned int texture = tvx_loadPNG(dataPath(e.file).c_str());
    int w = 0, h = 0;
    std::vector<unsigned char> texels = textureTexels(texture, &w, &h);
    EXPECT_EQ(w, fileWidth);
    EXPECT_EQ(h, fileHeight);
    ASSERT_EQ(glGetError(), (GLenum)GL_NO_ERROR);

    size_t clear = 0, faint = 0, solid = 0, count = (size_t)w * h;
    for (size_t i = 0; i < count; i++) {
        clear += texels[i * 4 + 3] == 0;
        faint += texels[i * 4 + 3] < 32;
        solid += texels[i * 4 + 3] == 255;
    }
    if (e.kind == OPAQUE) {
        EXPECT_EQ(solid, count) << "an opaque picture lets the scene through";
    } else {
        /* the scene shows through most of it, and its marks are solid */
        EXPECT_GT(clear, 0u);
        EXPECT_GT(faint, count / 5);
        EXPECT_GT(solid, count / 500);
        const size_t corners[4] = {0, (size_t)w - 1, count - w, count - 1};
        if (e.kind == CUTOUT) {
            for (size_t c : corners)
                EXPECT_EQ(texels[c * 4 + 3], 0) << "corner texel " << c;
            /* the glow dies out before the edges, which would show as lines */
            int edge = 0;
            for (int x = 0; x < w; x++)
                edge = std::max({edge, (int)texels[(size_t)x * 4 + 3],
                                 (int)texels[((size_t)(h - 1) * w + x) * 4 + 3]});
            for (int y = 0; y < h; y++)
                edge = std::max({edge, (int)texels[(size_t)y * w * 4 + 3],
                                 (int)texels[((size_t)y * w + w - 1) * 4 + 3]});
            EXPECT_LE(edge, 4) << "alpha at the border";
        }
    }
    glDeleteTextures(1, &texture);
}

TEST_P(Picture, ShowsUprightThroughTheScreenQuadAndRegeneratesTheSameBytes)
{
    const Expected &e = GetParam();
    int index = pictureIndex(e.file);
    ASSERT_GE(index, 0) << "the generator does not paint " << e.file;
    const PicEntry *entry = picEntry(index);
    unsigned int texture = tvx_loadPNG(dataPath(e.file).c_str());
    const float ground = 0.5f;
    Shot shot = drawFitted(texture, e.halfWidth / e.halfHeight, ground);
    glDeleteTextures(1, &texture);

    /* compare 16 x 8 blocks of the screen with the upright painting, and with
       the painting upside down: the screen must follow the upright one */
    cairo_surface_t *painting = entry->paint(entry->width, entry->height);
    double upright = 0, flipped = 0;
    const int cols = 16, rows = 8;
    for (int r = 0; r < rows; r++)
        for (int c = 0; c < cols; c++) {
            double u0 = 0.05 + 0.9 * c / cols, u1 = 0.05 + 0.9 * (c + 1) / cols;
            double v0 = 0.05 + 0.9 * r / rows, v1 = 0.05 + 0.9 * (r + 1) / rows;
            double rgb[3];
            shotMean(shot, u0, v0, u1, v1, rgb);
            double seen = luminance(rgb);
            upright += fabs(seen - paintingMean(painting, entry->format, ground, u0, v0, u1, v1, false));
            flipped += fabs(seen - paintingMean(painting, entry->format, ground, u0, v0, u1, v1, true));
        }
    upright /= cols * rows;
    flipped /= cols * rows;
    EXPECT_LT(upright, 4.0) << "the screen differs from the upright painting";
    if (flipped > 6.0) { /* where upside down looks different, the screen is upright */
        EXPECT_LT(upright, 0.5 * flipped) << "upright " << upright << ", upside down " << flipped;
    }

    /* the generator writes the committed file again, byte for byte */
    char dir[] = "/tmp/kolvane-pictures-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    std::string fresh = std::string(dir) + "/" + e.file;
    ASSERT_EQ(picWritePng(painting, fresh.c_str(), entry->format), 0);
    cairo_surface_destroy(painting);
    EXPECT_TRUE(readBytes(fresh) == readBytes(dataPath(e.file)))
        << e.file << " is not what the generator paints; rebuild the target `pictures`";
    remove(fresh.c_str());
    rmdir(dir);
}

INSTANTIATE_TEST_SUITE_P(Pictures, Picture, ::testing::ValuesIn(expected), nameOf);

/* Features that must be where a viewer expects them once drawn. */
class Orientation : public ::testing::Test {
protected:
    void SetUp() override
    {
        testGlContext(W, H);
    }

    Shot shoot(const char *file, double aspect, float ground)
    {
        unsigned int texture = tvx_loadPNG(dataPath(file).c_str());
        Shot shot = drawFitted(texture, aspect, ground);
        glDeleteTextures(1, &texture);
        return shot;
    }
};

TEST_F(Orientation, TitleHairlineRunsBelowTheName)
{
    /* left of the lettering only the hairline is lit: find its row */
    Shot shot = shoot("title.png", 21.6 / 3.15, 0.0f);
    int column = (int)(shot.left + 0.12 * shot.width), brightest = -1;
    double best = -1;
    for (int y = (int)shot.top; y < (int)(shot.top + shot.height); y++) {
        const unsigned char *p = &shot.rgba[((size_t)y * W + column) * 4];
        if (p[0] + p[1] + p[2] > best) {
            best = p[0] + p[1] + p[2];
            brightest = y;
        }
    }
    EXPECT_GT(best, 150);
    EXPECT_GT((brightest - shot.top) / shot.height, 0.65) << "hairline at row " << brightest;
}

TEST_F(Orientation, CaptionNameStandsAboveTheWordPresents)
{
    Shot shot = shoot("tarvex_presents.png", 10.4 / 2.88, 0.0f);
    double upper[3], lower[3];
    shotMean(shot, 0.0, 0.0, 1.0, 0.5, upper);
    shotMean(shot, 0.0, 0.5, 1.0, 1.0, lower);
    EXPECT_GT(luminance(upper), 1.5 * luminance(lower));
}

TEST_F(Orientation, LogoYearSitsInTheGapOfTheFrameBelow)
{
    Shot shot = shoot("vornfest20.png", 6.4 / 3.6, 0.0f);
    double year[3], frameTop[3];
    shotMean(shot, 0.40, 0.76, 0.60, 0.88, year);      /* cyan digits */
    shotMean(shot, 0.40, 0.09, 0.60, 0.15, frameTop); /* pink tube */
    EXPECT_GT(year[2], year[0] + 20) << "the year is not at the bottom";
    EXPECT_GT(frameTop[0], frameTop[2] + 20) << "the frame's top edge is not at the top";
}

TEST_F(Orientation, SkyOverTheRuinsIsAboveTheGround)
{
    Shot shot = shoot("apocalyptic2.png", 16.0 / 9.0, 0.0f);
    double sky[3], ground[3];
    shotMean(shot, 0.05, 0.05, 0.95, 0.3, sky);
    shotMean(shot, 0.05, 0.75, 0.95, 0.95, ground);
    EXPECT_GT(luminance(sky), luminance(ground) + 10);
}

TEST_F(Orientation, ValveHallStripLightsAreOnTheCeiling)
{
    Shot shot = shoot("eniac.png", 16.0 / 9.0, 0.0f);
    double lights = shotMax(shot, 0.2, 0.05, 0.8, 0.3), floor = shotMax(shot, 0.2, 0.7, 0.8, 0.95);
    EXPECT_GT(lights, 200);
    EXPECT_LT(floor, 150);
}

TEST_F(Orientation, CockpitHeadingTapeIsAtTheTop)
{
    Shot shot = shoot("tmp.png", 37.6 / 16.605, 0.5f);
    double tape = shotMax(shot, 0.25, 0.08, 0.75, 0.16), mirror = shotMax(shot, 0.25, 0.84, 0.75, 0.92);
    EXPECT_GT(tape, mirror + 60) << "no heading tape along the top";
}

TEST_F(Orientation, MonitorRecordingLampIsTopLeft)
{
    Shot shot = shoot("display_overlay.png", 37.6 / 16.605, 0.5f);
    double lamp[3], mirror[3];
    shotMean(shot, 0.08, 0.16, 0.10, 0.21, lamp);
    shotMean(shot, 0.08, 0.79, 0.10, 0.84, mirror);
    EXPECT_GT(lamp[0], lamp[1] + 30) << "no red lamp at the top left";
    EXPECT_LT(fabs(mirror[0] - mirror[1]), 15) << "a red lamp at the bottom left";
}

/* The overlays cover the whole picture: their middles must let it through,
 * and their rims must hide it. Checked on the texels, in file order. */
TEST(Overlays, CockpitIsClearInTheMiddleAndOverTheScreensAndBarredAtTheTop)
{
    testGlContext(W, H);
    unsigned int texture = tvx_loadPNG("data/tmp.png");
    int w = 0, h = 0;
    std::vector<unsigned char> t = textureTexels(texture, &w, &h);
    /* texel alpha at (u, v) of the picture as seen, v from the top; the file
       holds the bottom row first */
    auto alpha = [&](double u, double v) {
        int x = (int)(u * (w - 1)), y = h - 1 - (int)(v * (h - 1));
        return t[((size_t)y * w + x) * 4 + 3];
    };
    /* the middle, where the view ahead shows */
    for (double v = 0.3; v <= 0.7; v += 0.005)
        for (double u = 0.3; u <= 0.7; u += 0.005)
            ASSERT_EQ(alpha(u, v), 0) << "at " << u << ", " << v;
    /* the bottom middle, where the cockpit's three screens are */
    for (double v = 0.8; v <= 1.0; v += 0.005)
        for (double u = 0.44; u <= 0.56; u += 0.005)
            ASSERT_LE(alpha(u, v), 8) << "at " << u << ", " << v;
    /* the bar along the top */
    for (double u = 0.0; u <= 1.0; u += 0.005)
        EXPECT_EQ(alpha(u, 0.01), 255) << "at " << u;
    glDeleteTextures(1, &texture);
}

TEST(Overlays, MonitorIsSeeThroughInTheMiddleAndOpaqueInTheCorners)
{
    testGlContext(W, H);
    unsigned int texture = tvx_loadPNG("data/display_overlay.png");
    int w = 0, h = 0;
    std::vector<unsigned char> t = textureTexels(texture, &w, &h);
    int clear = 0;
    for (int y = 3 * h / 10; y < 7 * h / 10; y++)
        for (int x = 3 * w / 10; x < 7 * w / 10; x += 5) {
            unsigned char a = t[((size_t)y * w + x) * 4 + 3];
            ASSERT_LE(a, 80) << "at " << x << ", " << y;
            clear += a == 0;
        }
    EXPECT_GT(clear, 0) << "the scanlines leave no clear rows";
    const int corners[4][2] = {{2, 2}, {w - 3, 2}, {2, h - 3}, {w - 3, h - 3}};
    for (const int *c : corners)
        EXPECT_EQ(t[((size_t)c[1] * w + c[0]) * 4 + 3], 255);
    glDeleteTextures(1, &texture);
}
