/*
 * assets_pictures_test.cpp - every picture the demo loads exists, loads
 * through tvx_loadPNG, is large enough to stay sharp on a 1920 x 1080
 * screen and has the proportions of the quad it is shown on.
 *
 * Depends on: GoogleTest, the test GL context, the tvx framework.
 */
#include <gtest/gtest.h>

#include <GL/glew.h>

#include <unistd.h>   /* access */

#include "test_gl.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

struct PictureCase {
    const char *path;
    float halfWidth, halfHeight;   /* the quad the scenes draw it on */
};

static const PictureCase PICTURES[] = {
    {"data/background.png", 40.0f, 36.9f},      {"data/tarvex_presents.png", 10.4f, 2.88f},
    {"data/title.png", 21.6f, 3.15f},           {"data/vornfest20.png", 6.4f, 3.6f},
    {"data/eniac.png", 6.72f, 3.78f},           {"data/tmp.png", 37.6f, 16.605f},
    {"data/display_overlay.png", 37.6f, 16.605f}, {"data/apocalyptic1.png", 6.72f, 3.78f},
    {"data/apocalyptic2.png", 6.72f, 3.78f},    {"data/apocalyptic3.png", 6.72f, 3.78f},
    {"data/transistor.png", 6.72f, 3.78f},      {"data/opticalprocessor.png", 6.72f, 3.78f},
};

/* ---- Tests ------------------------------------------------------------------------ */

TEST(PictureFiles, EveryPictureLoadsAtTheProportionsOfItsQuad)
{
    testGlContext(320, 180);
    for (const PictureCase &p : PICTURES) {
        SCOPED_TRACE(p.path);
        ASSERT_EQ(access(p.path, R_OK), 0) << "missing";
        unsigned int texture = tvx_loadPNG(p.path);
        GLint w = 0, h = 0;
        glBindTexture(GL_TEXTURE_2D, texture);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
        ASSERT_GT(w, 0);
        ASSERT_GT(h, 0);
        EXPECT_GE(w > h ? w : h, 512);
        float want = p.halfWidth / p.halfHeight, got = (float)w / (float)h;
        EXPECT_NEAR(got / want, 1.0f, 0.06f) << w << "x" << h;
    }
}
