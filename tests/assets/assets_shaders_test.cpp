/*
 * assets_shaders_test.cpp - every GLSL program of data/shader/ compiles and
 * links on the driver without a word in its logs, declares exactly the
 * uniforms the timeline sends (plus its texture samplers), and the two
 * post-processing passes do what the scenes rely on.
 *
 * Depends on: GoogleTest, the test GL context, the tvx framework.
 */
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "test_gl.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

struct ShaderCase {
    const char *vertex;
    const char *fragment;
    std::set<std::string> uniforms;   /* what the timeline sends */
};

static const ShaderCase SHADERS[] = {
    {nullptr, "data/shader/sepia.frag", {"timer", "noise", "staticNoiseAmmount", "fadeLevel"}},
    {nullptr, "data/shader/bloom.frag", {"noiseLevel", "timer", "fadeLevel"}},
    {"data/shader/tunnel.vert", "data/shader/tunnel.frag", {"timer"}},
    {"data/shader/proc_terrain.vert", "data/shader/proc_terrain.frag", {"timer"}},
    {"data/shader/asteroid.vert", "data/shader/asteroid.frag", {}},
    {"data/shader/bump.vert", "data/shader/bump.frag", {}},
    {"data/shader/planet.vert", "data/shader/planet.frag", {}},
    {"data/shader/xobject.vert", "data/shader/xobject.frag", {}},
    {"data/shader/ship_pos.vert", nullptr, {"timer"}},
    {"data/shader/scene5.vert", "data/shader/scene5.frag", {}},
    {"data/shader/quad.vert", "data/shader/glow.frag", {}},
    {nullptr, "data/shader/lattice_overlay.frag", {"frameOrigin", "frameScale", "overlayOnly", "readBelow", "share"}},
    {"data/shader/quad.vert", "data/shader/planet_surface.frag", {"faceOut", "faceRight", "faceUp"}},
};

/* ---- Internal helpers -------------------------------------------------------- */

static std::string readText(const char *path)
{
    std::string text;
    FILE *file = std::fopen(path, "rb");
    if (!file)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, n);
    std::fclose(file);
    return text;
}

static std::string trimmed(const std::string &s)
{
    size_t a = s.find_first_not_of(" \t\r\n");
    return a == std::string::npos ? std::string() : s.substr(a, s.find_last_not_of(" \t\r\n") - a + 1);
}

/* Compiles one stage; returns the shader and fills the log. */
static GLuint compileStage(GLenum stage, const char *path, GLint *ok, std::string *log)
{
    std::string source = readText(path);
    const char *text = source.c_str();
    GLuint shader = glCreateShader(stage);
    glShaderSource(shader, 1, &text, nullptr);
    glCompileShader(shader);
    glGetShaderiv(shader, GL_COMPILE_STATUS, ok);
    char buffer[4096] = "";
    glGetShaderInfoLog(shader, sizeof buffer, nullptr, buffer);
    *log = trimmed(buffer);
    return shader;
}

static GLuint programOf(int id)
{
    tvx_enableShader(id);
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    tvx_disableShader();
    return (GLuint)program;
}

/* A 4 x 4 texture of one colour. */
static unsigned int plainTexture(unsigned char r, unsigned char g, unsigned char b)
{
    std::vector<unsigned char> px(4 * 4 * 4);
    for (size_t i = 0; i < px.size(); i += 4) {
        px[i] = r;
        px[i + 1] = g;
        px[i + 2] = b;
        px[i + 3] = 255;
    }
    unsigned int texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    return texture;
}

static void send(int id, const char *name, float value)
{
    tvx_shader_sendUniformValue(id, name, &value, 1);
}

/* Draws a screen quad of a pass through shader `id` and reads the centre. */
static void passPixel(int id, unsigned int texture, unsigned char rgba[4])
{
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -50);
    glColor4f(1, 1, 1, 1);
    tvx_enableShader(id);
    tvx_draw2DTexture(0, 0, 0, 48, 17.1f, texture);
    tvx_disableShader();
    testReadPixel(160, 90, rgba);
}

class ShaderFiles : public ::testing::Test {
protected:
    void SetUp() override { testGlContext(320, 180); }
};

/* ---- Tests ------------------------------------------------------------------------ */

TEST_F(ShaderFiles, EveryStageCompilesAndLinksWithoutWarnings)
{
    for (const ShaderCase &c : SHADERS) {
        GLuint program = glCreateProgram();
        for (int stage = 0; stage < 2; stage++) {
            const char *path = stage == 0 ? c.vertex : c.fragment;
            if (!path)
                continue;
            SCOPED_TRACE(path);
            GLint ok = 0;
            std::string log;
            GLuint shader = compileStage(stage == 0 ? GL_VERTEX_SHADER : GL_FRAGMENT_SHADER, path, &ok, &log);
            EXPECT_TRUE(ok) << log;
            EXPECT_EQ(log, "");
            EXPECT_NE(readText(path).find("#version 120"), std::string::npos);
            glAttachShader(program, shader);
        }
        glLinkProgram(program);
        GLint linked = 0;
        glGetProgramiv(program, GL_LINK_STATUS, &linked);
        char buffer[4096] = "";
        glGetProgramInfoLog(program, sizeof buffer, nullptr, buffer);
        EXPECT_TRUE(linked) << (c.vertex ? c.vertex : c.fragment) << ": " << buffer;
        EXPECT_EQ(trimmed(buffer), "") << (c.vertex ? c.vertex : c.fragment);
    }
}

TEST_F(ShaderFiles, UniformsAreExactlyTheOnesTheTimelineSendsPlusSamplers)
{
    for (const ShaderCase &c : SHADERS) {
        SCOPED_TRACE(c.vertex ? c.vertex : c.fragment);
        int id = tvx_loadShader(c.vertex, c.fragment);
        GLuint program = programOf(id);
        ASSERT_NE(program, 0u);
        for (const std::string &name : c.uniforms)
            EXPECT_NE(glGetUniformLocation(program, name.c_str()), -1) << name;
        GLint count = 0;
        glGetProgramiv(program, GL_ACTIVE_UNIFORMS, &count);
        for (GLint i = 0; i < count; i++) {
            char name[256];
            GLint size;
            GLenum type;
            glGetActiveUniform(program, (GLuint)i, sizeof name, nullptr, &size, &type, name);
            if (std::string(name).compare(0, 3, "gl_") == 0 || type == GL_SAMPLER_2D ||
                type == GL_SAMPLER_CUBE)
                continue;
            EXPECT_TRUE(c.uniforms.count(name)) << "uniform the timeline never sends: " << name;
        }
    }
}

TEST_F(ShaderFiles, SepiaTonesWarmFadesToBlackAndTonesUntexturedGeometry)
{
    int sepia = tvx_loadShader(nullptr, "data/shader/sepia.frag");
    unsigned int grey = plainTexture(180, 180, 180);
    unsigned char full[4], faded[4], untextured[4];
    tvx_enableShader(sepia);
    send(sepia, "timer", 3.0f);
    send(sepia, "noise", 0.0f);
    send(sepia, "staticNoiseAmmount", 0.0f);
    send(sepia, "fadeLevel", 1.0f);
    tvx_disableShader();
    passPixel(sepia, grey, full);
    EXPECT_GT(full[0], full[2] + 30) << "sepia is warm: red above blue";
    EXPECT_GT(full[0], 90);

    tvx_enableShader(sepia);
    send(sepia, "fadeLevel", 0.0f);
    tvx_disableShader();
    passPixel(sepia, grey, faded);
    EXPECT_LT(faded[0] + faded[1] + faded[2], 10);

    /* The quiet variant draws what the table's program draws while there is
     * no static, and faint static as its average: over a dark picture, where
     * the snow lifts the mean by most of a level, the mean stays within a
     * quarter of a level of the snow's. */
    std::vector<unsigned char> ramp(64 * 4 * 4);
    for (size_t i = 0; i < ramp.size(); i++)
        ramp[i] = (i % 4 == 3) ? 255 : (unsigned char)(i / 4 % 64);   /* a dark ramp */
    unsigned int picture;
    glGenTextures(1, &picture);
    glBindTexture(GL_TEXTURE_2D, picture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 64, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, ramp.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    GLuint quiet = tvx_ownProgram(tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "QUIET"));
    ASSERT_NE(quiet, 0u);
    const char *UNIFORMS[] = {"timer", "noise", "staticNoiseAmmount", "fadeLevel"};
    for (float staticNoise : {0.0f, 0.13f}) {
        const float values[] = {7.3f, 1.0f, staticNoise, 1.0f};
        auto row = [&](GLuint program) {
            glClearColor(0, 0, 0, 1);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glLoadIdentity();
            glTranslatef(0, 0, -50);
            glColor4f(1, 1, 1, 1);
            glUseProgram(program);
            for (int u = 0; u < 4; u++)
                glUniform1f(glGetUniformLocation(program, UNIFORMS[u]), values[u]);
            tvx_draw2DTexture(0, 0, 0, 48, 17.1f, picture);
            glUseProgram(0);
            std::vector<unsigned char> pixels(320 * 180 * 4);
            glReadPixels(0, 0, 320, 180, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
            return pixels;
        };
        std::vector<unsigned char> table = row(programOf(sepia)), drawn = row(quiet);
        int worst = 0;
        double meanTable = 0.0, meanDrawn = 0.0;
        for (size_t i = 0; i < drawn.size(); i++) {
            if (i % 4 == 3)
                continue;
            worst = std::max(worst, std::abs(drawn[i] - table[i]));
            meanTable += table[i];
            meanDrawn += drawn[i];
        }
        meanTable /= 320.0 * 180.0 * 3.0;
        meanDrawn /= 320.0 * 180.0 * 3.0;
        if (staticNoise == 0.0f) {
            EXPECT_LE(worst, 1) << "without static";
        }
        EXPECT_NEAR(meanDrawn, meanTable, 0.25) << "static " << staticNoise;
    }

    /* the round room's wall, through the variant for untextured geometry:
     * lit, one texture coordinate for all */
    GLuint plaster = tvx_ownProgram(tvx_loadOwnShader(nullptr, "data/shader/sepia.frag", "PLASTER"));
    glUseProgram(plaster);
    glUniform1f(glGetUniformLocation(plaster, "fadeLevel"), 1.0f);
    glUniform1f(glGetUniformLocation(plaster, "timer"), 3.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -50);
    glBindTexture(GL_TEXTURE_2D, plainTexture(0, 0, 255));
    glColor4f(0.8f, 0.8f, 0.8f, 1);
    glTexCoord2f(0, 1);
    glBegin(GL_QUADS);
    glVertex3f(-40, -30, 0);
    glVertex3f(40, -30, 0);
    glVertex3f(40, 30, 0);
    glVertex3f(-40, 30, 0);
    glEnd();
    tvx_disableShader();
    testReadPixel(160, 90, untextured);
    EXPECT_GT(untextured[0], untextured[2] + 20) << "the wall is toned from its own colour, not the bound texture";
    EXPECT_GT(untextured[0], 60);
    glUseProgram(0);

    /* A burst of static in a scene's first second covers a picture that is
     * transparent there (scene 4 opens on its tunnel window); later, static
     * shows only as strongly as the picture does. */
    unsigned char clear[4 * 4 * 4] = {0};
    unsigned int transparent;
    glGenTextures(1, &transparent);
    glBindTexture(GL_TEXTURE_2D, transparent);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 4, 4, 0, GL_RGBA, GL_UNSIGNED_BYTE, clear);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    double brightness[2];
    for (int later = 0; later < 2; later++) {
        tvx_enableShader(sepia);
        send(sepia, "timer", later ? 1.5f : 0.3f);
        send(sepia, "staticNoiseAmmount", 0.7f);
        send(sepia, "fadeLevel", 0.06f);
        tvx_disableShader();
        passPixel(sepia, transparent, full);
        std::vector<unsigned char> row(320 * 4);
        glReadPixels(0, 90, 320, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
        double sum = 0.0;
        for (int x = 0; x < 320; x++)
            sum += row[x * 4];
        brightness[later] = sum / 320.0;
    }
    EXPECT_GT(brightness[0], 20.0) << "the opening's burst over a transparent picture";
    EXPECT_LT(brightness[1], 15.0) << "static over a transparent picture after the opening";
}

TEST_F(ShaderFiles, BloomFadesAndShowsNoiseOnAnEmptyPicture)
{
    int bloom = tvx_loadShader(nullptr, "data/shader/bloom.frag");
    unsigned int black = plainTexture(0, 0, 0);
    unsigned int white = plainTexture(255, 255, 255);
    unsigned char px[4];
    tvx_enableShader(bloom);
    send(bloom, "noiseLevel", 0.0f);
    send(bloom, "timer", 1.0f);
    send(bloom, "fadeLevel", 1.0f);
    tvx_disableShader();
    passPixel(bloom, white, px);
    EXPECT_GT(px[0] + px[1] + px[2], 600);
    passPixel(bloom, black, px);
    EXPECT_LT(px[0] + px[1] + px[2], 10);

    /* noise on the empty picture of the last scene: some pixels light up */
    tvx_enableShader(bloom);
    send(bloom, "noiseLevel", 1.0f);
    tvx_disableShader();
    passPixel(bloom, black, px);
    std::vector<unsigned char> row(320 * 4);
    glReadPixels(0, 90, 320, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
    int lit = 0;
    for (int x = 0; x < 320; x++)
        lit += row[x * 4 + 1] > 40;
    EXPECT_GT(lit, 20);

    tvx_enableShader(bloom);
    send(bloom, "fadeLevel", 0.0f);
    tvx_disableShader();
    passPixel(bloom, white, px);
    EXPECT_LT(px[0] + px[1] + px[2], 10);

    /* the halo, worked out beforehand at a reduced size: a bright bar
     * four texels wide lights the dark beside it, and only near it */
    std::vector<unsigned char> picture(512 * 256 * 4, 0);
    for (int y = 0; y < 256; y++)
        for (int x = 254; x < 258; x++)
            for (int c = 0; c < 4; c++)
                picture[(y * 512 + x) * 4 + c] = 255;
    unsigned int bar;
    glGenTextures(1, &bar);
    glBindTexture(GL_TEXTURE_2D, bar);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 512, 256, 0, GL_RGBA, GL_UNSIGNED_BYTE, picture.data());
    tvx_makeGlow(bar);
    tvx_enableShader(bloom);
    tvx_shader_sendSampler(bloom, "glow", 1);
    send(bloom, "noiseLevel", 0.0f);
    send(bloom, "fadeLevel", 1.0f);
    tvx_disableShader();
    passPixel(bloom, bar, px);
    EXPECT_GT(px[0], 200) << "the bar itself";
    glReadPixels(0, 90, 320, 1, GL_RGBA, GL_UNSIGNED_BYTE, row.data());
    EXPECT_GT(row[163 * 4], 10) << "beside the bar, the halo";
    EXPECT_LT(row[220 * 4], 5) << "far from the bar, dark";
}
