/*
 * test_text.cpp - polygon text, the typewriter over demo time (driven through
 * the mute clock) with its restart rules, the pause read-out's fixed place,
 * a font face that cannot be used, and the texture-strip font: glyph
 * placement and depth order, its messages, and the committed strip image
 * "data/font.tga".
 */
#include <gtest/gtest.h>

#include "test_gl.h"
#include "toolkit_test.h"
#include "tvx.h"

#include <fstream>
#include <iterator>
#include <sys/stat.h> /* mkfifo */

static const int W = 320, H = 180;

class Text : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testGlContext(W, H);
        SOUND_ON = 0;
    }
};

/* What one frame shows after `draw`, in white on black. */
template <typename Draw>
static std::vector<unsigned char> frameOf(Draw draw)
{
    sceneFrame(0, 0, 0);
    glColor4f(1, 1, 1, 1);
    draw();
    return readFrame(W, H);
}

static std::vector<unsigned char> typed(const char *message, int time)
{
    tvx_skipTo(time);
    return frameOf([&] { tvx_typeWriterText(message, -30, -2, 0); });
}

static std::vector<unsigned char> text(const char *shown)
{
    return frameOf([&] { tvx_drawPolygonText(shown, -30, -2, 0); });
}

static std::vector<unsigned char> bytesOf(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

TEST_F(Text, PolygonTextDrawsInTheCurrentColour)
{
    const std::vector<unsigned char> blank = text("");
    std::vector<unsigned char> shown = frameOf([] {
        glColor4f(1, 0, 0, 1);
        tvx_drawPolygonText("kolvane", -10, -2, 0);
    });
    ASSERT_NE(blank, shown);
    for (size_t i = 0; i < shown.size(); i += 4)
        ASSERT_EQ(0, shown[i + 1] + shown[i + 2]) << "only red is drawn";
}

TEST_F(Text, TypewriterRevealsOneCharacterPerHundredMilliseconds)
{
    const std::vector<unsigned char> blank = text("");
    EXPECT_EQ(blank, typed("target locked.", 50000)) << "nothing in the first frame";
    EXPECT_EQ(text("ta"), typed("target locked.", 50250));
    EXPECT_EQ(text("target locked."), typed("target locked.", 51400));
    EXPECT_EQ(text("target locked."), typed("target locked.", 90000));
    EXPECT_EQ(blank, typed("target locked.", 49000)) << "clock moved back before the start";
    EXPECT_EQ(text("t"), typed("target locked.", 50199));
}

TEST_F(Text, TypewriterRestartsOnlyWhenTheLengthChanges)
{
    const std::vector<unsigned char> blank = text("");
    typed("abcdefghijklmnopq", 1000);
    EXPECT_EQ(blank, typed("hello", 2000));
    EXPECT_EQ(text("hel"), typed("hello", 2300));
    EXPECT_EQ(text("hell"), typed("world", 2400)) << "same length: the old text goes on";
    EXPECT_EQ(blank, typed("hi", 2400));
    EXPECT_EQ(text("h"), typed("hi", 2500));
    EXPECT_EQ(blank, typed("hello", 2500)) << "another length starts from an empty line";
    EXPECT_EQ(text("hello"), typed("hello", 3000));
}

TEST_F(Text, PauseReadOutStaysNearTheBottomLeftCorner)
{
    tvx_skipTo(1234);
    auto paused = [] {
        return frameOf([] {
            glColor4f(1, 0, 0, 1);
            glRasterPos3f(20, 20, 0); /* wherever earlier text left it */
            tvx_infoText();
        });
    };
    ::testing::internal::CaptureStdout();
    std::vector<unsigned char> first = paused();
    std::vector<unsigned char> second = paused();
    EXPECT_EQ("PAUSED AT : 1234ms\nPAUSED AT : 1234ms\n", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(first, second);

    int left = W, right = -1, top = -1;
    for (int y = 0; y < H; y++)
        for (int x = 0; x < W; x++)
            if (first[((size_t)y * W + x) * 4] > 0) {
                left = std::min(left, x);
                right = std::max(right, x);
                top = std::max(top, y);
            }
    EXPECT_GE(left, 5);
    EXPECT_LT(left, 20);
    EXPECT_GT(right, 100) << "the whole line is on screen";
    EXPECT_LT(right, W - 1);
    EXPECT_LT(top, 40);
}

/* Runs a text function in a folder whose "tools/crounded.ttf" is the given
 * kind of thing ("missing", "text", "fifo", "folder"), in a death test's child. */
static void drawWithFace(const std::string &folder, const char *kind, void (*draw)(void))
{
    std::filesystem::create_directories(folder + "/tools");
    std::string face = folder + "/tools/crounded.ttf";
    std::filesystem::remove_all(face);
    if (std::string(kind) == "text")
        writeScratch("face/tools/crounded.ttf", std::string("this is no TrueType face\n"));
    else if (std::string(kind) == "fifo")
        mkfifo(face.c_str(), 0600);
    else if (std::string(kind) == "folder")
        std::filesystem::create_directories(face);
    if (chdir(folder.c_str()) != 0)
        exit(3);
    alarm(20);
    fflush(stdout);
    dup2(2, 1);
    draw();
    exit(0);
}

/* A face that is missing, that FreeType cannot read, or that is no file at
 * all ends the process with a line naming it, whichever text needs it first:
 * captions, the pause read-out, the overlay (its font comes from the same
 * place). It used to leave the text out and warn in every frame. */
TEST_F(Text, AFaceThatCannotBeUsedIsFatal)
{
    struct Case { const char *kind; const char *why; };
    const Case cases[] = {
        {"missing", "No such file or directory"},
        {"text", "FreeType cannot read it as a font"},
        {"fifo", "a FIFO \\(named pipe\\), not a file"},
        {"folder", "a directory, not a file"},
    };
    void (*const draws[])(void) = {
        [] { tvx_drawPolygonText("kolvane", 0, 0, 0); },
        [] { tvx_infoText(); },
        [] { tvx_createFont(TVX_FONT_PIXMAP); },
    };
    std::string folder = scratchPath("face");
    for (const Case &c : cases)
        for (void (*draw)(void) : draws)
            EXPECT_EXIT(drawWithFace(folder, c.kind, draw), ::testing::ExitedWithCode(255),
                        std::string("\\[!\\] Couldn't load the font tools/crounded\\.ttf: ") + c.why
                            + "\n")
                << c.kind;
}

TEST_F(Text, StripFontMessages)
{
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_text("abc", 1, 0, 0, 0, 0, 0, 0)), ::testing::ExitedWithCode(255),
                "\\[!\\] tvx_text\\(\\) no font loaded\\.$");
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadTextureFont("data/font.tga", 0)), ::testing::ExitedWithCode(255),
                "\\[!\\] No fontindex was given \\(argument 2 of function tvx_loadTextureFont\\(\\)$");

    std::string spaced = scratchPath("strip font  file.TGA");
    std::filesystem::copy_file("data/font.tga", spaced, std::filesystem::copy_options::overwrite_existing);
    ::testing::internal::CaptureStdout();
    int first = tvx_loadTextureFont(spaced.c_str(), 26);
    std::string warning = "[/] \"" + spaced + "\" contains whitespaces. is bad\n";
    EXPECT_EQ(warning + warning + warning + "[*] texture " + spaced + " loaded...\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(glIsList(first));
    EXPECT_TRUE(glIsList(first + 25));

    ::testing::internal::CaptureStdout();
    int untextured = tvx_loadTextureFont("data/font.png", 2);
    EXPECT_EQ("[/] data/font.png is not a tga image: the font has no texture\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_TRUE(glIsList(untextured + 1));
}

/* A strip of three solid glyphs, red, green and blue, seen through an
 * orthographic projection of 20 pixels a unit with x = 0 at pixel 40. */
TEST_F(Text, StripGlyphsSitAtTheirPositionsAndLaterOnesInFront)
{
    std::vector<unsigned char> strip = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 1, 0, 32, 8};
    const unsigned char bgra[3][4] = {{0, 0, 255, 255}, {0, 255, 0, 255}, {255, 0, 0, 255}};
    for (const unsigned char *pixel : bgra)
        strip.insert(strip.end(), pixel, pixel + 4);
    std::string path = writeScratch("rgb.tga", strip);
    ::testing::internal::CaptureStdout();
    tvx_loadTextureFont(path.c_str(), 3);
    ::testing::internal::GetCapturedStdout();

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(-2, 14, -4.5, 4.5, -10, 10);
    glMatrixMode(GL_MODELVIEW);
    auto colours = [](const char *shown, float spacing) {
        glLoadIdentity();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        tvx_text(shown, spacing, 0, 0, 0, 0, 0, 0);
        std::string seen;
        for (int x = 40; x < W; x += 60) {
            unsigned char rgba[4];
            testReadPixel(x, H / 2, rgba);
            seen += rgba[0] == 255 ? 'r' : rgba[1] == 255 ? 'g' : rgba[2] == 255 ? 'b' : '.';
        }
        return seen;
    };
    EXPECT_EQ("rg.b.", colours("aB c", 3));
    EXPECT_EQ("b....", colours("abc", 0)) << "the last glyph lies in front";
    EXPECT_EQ("r....", colours("cba", 0));
    EXPECT_EQ("..g..", colours("z!b", 3)) << "characters outside the strip draw nothing";
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

TEST_F(Text, FontStripIsTheGeneratorsOutputAndDrawsInTheTest)
{
    std::string again = scratchPath("font.tga");
    std::string command = std::string(FONTSTRIP) + " tools/crounded.ttf " + again;
    ASSERT_EQ(0, system(command.c_str()));
    std::vector<unsigned char> committed = bytesOf("data/font.tga");
    EXPECT_EQ(committed, bytesOf(again)) << "regenerate with the font-strip target";
    ASSERT_EQ(18u + 26 * 32 * 32 * 4, committed.size());
    EXPECT_EQ((std::vector<unsigned char>{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x40, 3, 32, 0, 32, 8}),
              std::vector<unsigned char>(committed.begin(), committed.begin() + 18));

    ::testing::internal::CaptureStdout();
    std::vector<unsigned char> shown = frameOf([] { tvx_testTextureFont(); });
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(0u, out.find("[*] texture data/font.tga loaded...\n")) << out;
    EXPECT_NE(text(""), shown);
}
