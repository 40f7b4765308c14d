/*
 * test_target.cpp - render targets (ids, viewports, the clear colour that
 * lags one call behind, what is drawn into a target shown upright by the
 * screen quad, the 65th target, sizes no target can have) and the light
 * functions.
 */
#include <gtest/gtest.h>

#include <algorithm> /* std::min */

#include "test_gl.h"
#include "toolkit_test.h"
#include "tvx.h"

static const int W = 320, H = 180;

class Target : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testGlContext(W, H);
        glMatrixMode(GL_MODELVIEW);
    }
};

static std::vector<int> viewport()
{
    GLint v[4];
    glGetIntegerv(GL_VIEWPORT, v);
    return {v[0], v[1], v[2], v[3]};
}

static std::vector<int> texel(unsigned int texture, int x, int y)
{
    int w, h;
    std::vector<unsigned char> p = readTexture(texture, &w, &h);
    const unsigned char *t = &p[((size_t)y * w + x) * 4];
    return {t[0], t[1], t[2], t[3]};
}

TEST_F(Target, IdsCountFromZeroAndTheSixtyFifthIsFatal)
{
    EXPECT_EXIT(STDOUT_TO_STDERR({
                    std::string ids = "ids:";
                    for (int i = 0; i < 64; i++)
                        ids += " " + std::to_string(tvx_loadFBO(8, 8));
                    printf("%s\n", ids.c_str());
                    tvx_loadFBO(8, 8);
                }),
                ::testing::ExitedWithCode(255),
                "ids: 0 1 2 3 4 5 6 7 8 9 10 (.|\n)* 62 63\n"
                "Maximum numbers of fbo's reached\\.\\. exiting$");
}

/* A size of 0, a negative one or one beyond what the GPU takes would make a
 * target that is not complete and shows black: it ends the process instead. */
TEST_F(Target, SizesNoTargetCanHaveAreFatal)
{
    GLint texture = 0, renderbuffer = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &renderbuffer);
    int largest = std::min(texture, renderbuffer);
    ASSERT_GT(largest, 0);
    struct {
        int width, height;
    } sizes[] = {{0, 0}, {640, 0}, {-5, 10}, {largest + 1, 1}, {1, largest + 1}};
    for (auto size : sizes)
        EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadFBO(size.width, size.height)),
                    ::testing::ExitedWithCode(255),
                    "\\[!\\] Render target 0 cannot be " + std::to_string(size.width) + " x "
                        + std::to_string(size.height) + ": its sides must be 1 to "
                        + std::to_string(largest) + " here\n")
            << size.width << " x " << size.height;
}

TEST_F(Target, ViewportFollowsTheTargetAndTheWindowSize)
{
    int wide = tvx_loadFBO(1024, 512);
    int square = tvx_loadFBO(64, 64);
    EXPECT_EQ(wide + 1, square);
    tvx_enableFBO(wide, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 0, 1024, 512}), viewport());
    tvx_enableFBO(square, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 0, 64, 64}), viewport());
    tvx_disableFBO(1280, 800, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 0, 1280, 800}), viewport());
    tvx_disableFBO(320.9f, 180.7f, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 0, 320, 180}), viewport());
    GLint bound = -1;
    glGetIntegerv(GL_FRAMEBUFFER_BINDING_EXT, &bound);
    EXPECT_EQ(0, bound);
}

TEST_F(Target, ClearUsesThePreviousCallsColour)
{
    int id = tvx_loadFBO(16, 16);
    unsigned int texture = tvx_enableFBO(id, 1, 0, 0);
    EXPECT_EQ(texture, tvx_enableFBO(id, 0, 0, 1));
    EXPECT_EQ((std::vector<int>{255, 0, 0, 0}), texel(texture, 5, 5));
    tvx_enableFBO(id, 0, 1, 0);
    EXPECT_EQ((std::vector<int>{0, 0, 255, 0}), texel(texture, 5, 5));

    /* The window's clear lags the same way: it shows the green set last. */
    tvx_disableFBO(W, H, 1, 1, 1);
    unsigned char rgba[4];
    testReadPixel(1, 1, rgba);
    EXPECT_EQ((std::vector<int>{0, 255, 0}), (std::vector<int>{rgba[0], rgba[1], rgba[2]}));
    tvx_enableFBO(id, 0, 0, 0);
    tvx_disableFBO(W, H, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{255, 255, 255, 0}), texel(texture, 5, 5));

    /* tvx_leaveFBO binds the window as tvx_disableFBO does but leaves it as
     * it was (black, not the red set last); its green is the next clear's. */
    tvx_enableFBO(id, 1, 0, 0);
    tvx_leaveFBO(W, H, 0, 1, 0);
    EXPECT_EQ((std::vector<int>{0, 0, W, H}), viewport());
    testReadPixel(1, 1, rgba);
    EXPECT_EQ((std::vector<int>{0, 0, 0}), (std::vector<int>{rgba[0], rgba[1], rgba[2]}));
    tvx_enableFBO(id, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 255, 0, 0}), texel(texture, 5, 5));
}

TEST_F(Target, DrawingIsShownUprightThroughTheScreenQuad)
{
    int id = tvx_loadFBO(64, 64);
    unsigned int texture = tvx_enableFBO(id, 0, 0, 0);
    tvx_enableFBO(id, 0, 0, 0);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_EQ(-50.0f, m[14]);
    glColor4f(0, 1, 0, 1); /* the upper half, green */
    glRectf(-100, 0, 100, 100);
    tvx_disableFBO(W, H, 0, 0, 0);
    EXPECT_EQ((std::vector<int>{0, 255, 0, 255}), texel(texture, 32, 60));
    EXPECT_EQ((std::vector<int>{0, 0, 0, 0}), texel(texture, 32, 3));

    glColor4f(1, 1, 1, 1);
    glDisable(GL_BLEND);
    tvx_draw2DTexture(0, 0, 0, 40, 25, texture);
    glEnable(GL_BLEND);
    unsigned char top[4], bottom[4];
    testReadPixel(W / 2, H - 10, top);
    testReadPixel(W / 2, 10, bottom);
    EXPECT_EQ(255, top[1]);
    EXPECT_EQ(0, bottom[1]);
}

TEST_F(Target, LightsStayEnabledWhenLightingIsSwitchedOff)
{
    float light[16];
    tvx_setLightData(light + 0, 0.9f, 0.9f, 0.9f, 1.0f);
    tvx_setLightData(light + 4, 0.1f, 0.2f, 0.3f, 1.0f);
    tvx_setLightData(light + 8, 0.4f, 0.5f, 0.6f, 1.0f);
    tvx_setLightData(light + 12, 1.0f, 2.0f, 3.0f, 1.0f);
    glLoadIdentity();
    glTranslatef(0, 0, -50);
    tvx_enableLight(light, 1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));

    float diffuse[4], specular[4], position[4], ambient[4];
    glGetLightfv(GL_LIGHT1, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT1, GL_SPECULAR, specular);
    glGetLightfv(GL_LIGHT1, GL_POSITION, position);
    glGetLightfv(GL_LIGHT1, GL_AMBIENT, ambient);
    EXPECT_EQ((std::vector<float>{0.1f, 0.2f, 0.3f, 1.0f}), std::vector<float>(diffuse, diffuse + 4));
    EXPECT_EQ((std::vector<float>{0.4f, 0.5f, 0.6f, 1.0f}), std::vector<float>(specular, specular + 4));
    EXPECT_EQ((std::vector<float>{1.0f, 2.0f, -47.0f, 1.0f}), std::vector<float>(position, position + 4));
    EXPECT_EQ((std::vector<float>{0.0f, 0.0f, 0.0f, 1.0f}), std::vector<float>(ambient, ambient + 4));

    tvx_setLight0(0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));

    tvx_setLight0(1);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT1));
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glGetLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glGetLightfv(GL_LIGHT0, GL_SPECULAR, specular);
    glGetLightfv(GL_LIGHT0, GL_POSITION, position);
    EXPECT_EQ((std::vector<float>{0.2f, 0.2f, 0.2f, 1.0f}), std::vector<float>(ambient, ambient + 4));
    EXPECT_EQ((std::vector<float>{0.8f, 0.8f, 0.8f, 1.0f}), std::vector<float>(diffuse, diffuse + 4));
    EXPECT_EQ((std::vector<float>{0.5f, 0.5f, 0.5f, 1.0f}), std::vector<float>(specular, specular + 4));
    EXPECT_EQ((std::vector<float>{0.0f, 0.0f, 1.0f, 0.0f}), std::vector<float>(position, position + 4));

    tvx_setAmbientLight(0.25f, 0.5f, 0.75f, 1.0f);
    glGetFloatv(GL_LIGHT_MODEL_AMBIENT, ambient);
    EXPECT_EQ((std::vector<float>{0.25f, 0.5f, 0.75f, 1.0f}), std::vector<float>(ambient, ambient + 4));
    tvx_setLight0(0);
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHT1);
}
