/*
 * test_shader.cpp - the shader program table: ids in load order, programs
 * with one stage only that draw, uniforms by count, the compile and link
 * reports, and the fatal paths. Cases that need an empty table run in a child
 * process of their own (a death test's child starts with fresh tables).
 */
#include <gtest/gtest.h>

#include "test_gl.h"
#include "toolkit_test.h"
#include "tvx.h"

static const int W = 160, H = 90;

static const char *GREEN_FRAG = "void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n";
static const char *BLUE_VERT =
    "void main() { gl_Position = ftransform(); gl_FrontColor = vec4(0.0, 0.0, 1.0, 1.0); }\n";
static const char *UNIFORM_FRAG =
    "uniform float u1; uniform vec2 u2; uniform vec3 u3; uniform vec4 u4;\n"
    "void main() { gl_FragColor = vec4(u1, u2.y, u3.z, u4.w); }\n";

class Shader : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        testGlContext(W, H);
    }
};

/* A red quad over the whole window; returns the centre pixel. */
static std::vector<int> drawRedQuad()
{
    sceneFrame(0, 0, 0);
    glColor4f(1, 0, 0, 1);
    glBegin(GL_QUADS);
    glVertex2f(-40, -25);
    glVertex2f(40, -25);
    glVertex2f(40, 25);
    glVertex2f(-40, 25);
    glEnd();
    unsigned char rgba[4];
    testReadPixel(W / 2, H / 2, rgba);
    return {rgba[0], rgba[1], rgba[2], rgba[3]};
}

TEST_F(Shader, IdsCountFromZeroInLoadOrderAndNoFilesTakesNoSlot)
{
    std::string frag = writeScratch("green.frag", GREEN_FRAG);
    EXPECT_EXIT(STDOUT_TO_STDERR({
                    std::string ids = "ids:";
                    for (int i = 0; i < 20; i++)
                        ids += " " + std::to_string(tvx_loadShader(NULL, frag.c_str()));
                    ids += " | " + std::to_string(tvx_loadShader(NULL, NULL));
                    ids += " | " + std::to_string(tvx_loadShader(NULL, frag.c_str()));
                    printf("%s\n", ids.c_str());
                    exit(0);
                }),
                ::testing::ExitedWithCode(0),
                "\\[!\\] No files given to function loadShader\\(\\)\n(.|\n)*"
                "ids: 0 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19 \\| -1 \\| 20\n");
}

TEST_F(Shader, SixtyFourthProgramIsFatal)
{
    std::string frag = writeScratch("green.frag", GREEN_FRAG);
    EXPECT_EXIT(STDOUT_TO_STDERR({
                    for (int i = 0; i < 63; i++)
                        tvx_loadShader(NULL, frag.c_str());
                    printf("63 loaded\n");
                    tvx_loadShader(NULL, frag.c_str());
                }),
                ::testing::ExitedWithCode(255), "63 loaded\n\\[!\\] Maximum amount of shaders reached\\.$");
}

/* A missing file, and a directory, a FIFO or a device in a shader's place:
 * each ends the process at once with a line naming it (the FIFO would hold
 * an ordinary open for ever; the alarm ends the child instead). */
TEST_F(Shader, MissingFilesAndFilesThatAreNotFilesAreFatal)
{
    std::string missing = scratchPath("missing.vert");
    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_loadShader(missing.c_str(), NULL)), ::testing::ExitedWithCode(255),
                "\\[!\\] Couldn't load shaderfile " + missing + "\n");
    const auto cases = notFiles("shader");
    for (const auto &c : cases)
        EXPECT_EXIT(STDOUT_TO_STDERR(alarm(20); tvx_loadShader(NULL, c.first.c_str())),
                    ::testing::ExitedWithCode(255),
                    "\\[!\\] Couldn't load shaderfile " + c.first + ": " + c.second + "\n$");
}

/* F5 with a shader that has become a FIFO: the reload says so and goes on
 * (it used to wait for a writer for ever), and the program keeps drawing. */
TEST_F(Shader, AReloadPassesOverAShaderThatIsNoLongerAFile)
{
    std::string frag = writeScratch("reload.frag", GREEN_FRAG);
    ::testing::internal::CaptureStdout();
    int id = tvx_loadShader(NULL, frag.c_str());
    unlink(frag.c_str());
    ASSERT_EQ(0, mkfifo(frag.c_str(), 0600));
    alarm(20);
    tvx_reloadShaders();
    alarm(0);
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_NE(std::string::npos, out.find("[/] " + frag + ": cannot be read again (a FIFO (named "
                                          "pipe), not a file)\n[/] shader program " +
                                          std::to_string(id) + " keeps its old program\n"))
        << out;
    tvx_enableShader(id);
    EXPECT_EQ((std::vector<int>{0, 255, 0, 255}), drawRedQuad());
    tvx_disableShader();
    unlink(frag.c_str());
}

TEST_F(Shader, LoadFileReturnsTheWholeTextZeroTerminated)
{
    std::string path = writeScratch("some.frag", std::string("line one\nline two"));
    ::testing::internal::CaptureStdout();
    char *text = loadFile(path.c_str());
    EXPECT_EQ("[*] shaderfile " + path + " loaded\n", ::testing::internal::GetCapturedStdout());
    EXPECT_STREQ("line one\nline two", text);
    free(text);
}

TEST_F(Shader, FragmentOnlyAndVertexOnlyProgramsDraw)
{
    int fragmentOnly = tvx_loadShader(NULL, writeScratch("green.frag", GREEN_FRAG).c_str());
    int vertexOnly = tvx_loadShader(writeScratch("blue.vert", BLUE_VERT).c_str(), NULL);
    EXPECT_EQ(fragmentOnly + 1, vertexOnly);

    tvx_enableShader(fragmentOnly);
    EXPECT_EQ((std::vector<int>{0, 255, 0, 255}), drawRedQuad());
    tvx_enableShader(vertexOnly);
    EXPECT_EQ((std::vector<int>{0, 0, 255, 255}), drawRedQuad());
    tvx_disableShader();
    EXPECT_EQ((std::vector<int>{255, 0, 0, 255}), drawRedQuad());
}

TEST_F(Shader, UniformsOfOneToFourFloatsAndTheCountRules)
{
    int id = tvx_loadShader(NULL, writeScratch("uniform.frag", UNIFORM_FRAG).c_str());
    const float one[] = {1.0f}, two[] = {9.0f, 0.5f}, three[] = {9.0f, 9.0f, 0.25f},
                four[] = {9.0f, 9.0f, 9.0f, 1.0f}, five[] = {0, 0, 0, 0, 0};
    tvx_enableShader(id);
    ::testing::internal::CaptureStdout();
    tvx_shader_sendUniformValue(id, "u1", one, 1);
    tvx_shader_sendUniformValue(id, "u2", two, 2);
    tvx_shader_sendUniformValue(id, "u3", three, 3);
    tvx_shader_sendUniformValue(id, "u4", four, 4);
    tvx_shader_sendUniformValue(id, "notUsed", four, 4);
    tvx_shader_sendUniformValue(id, "u4", five, -1);
    EXPECT_EQ("", ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(GL_NO_ERROR, (int)glGetError());
    std::vector<int> sent = drawRedQuad();
    EXPECT_NEAR(255, sent[0], 1);
    EXPECT_NEAR(128, sent[1], 1);
    EXPECT_NEAR(64, sent[2], 1);

    ::testing::internal::CaptureStdout();
    tvx_shader_sendUniformValue(id, "u4", five, 5);
    EXPECT_EQ("[!] The tarvex framework only supports float4\n Any complains? Go to hell.\n",
              ::testing::internal::GetCapturedStdout());
    EXPECT_EQ(sent, drawRedQuad());
    tvx_disableShader();

    EXPECT_EXIT(STDOUT_TO_STDERR(tvx_shader_sendUniformValue(id, "u4", four, 0)),
                ::testing::ExitedWithCode(255),
                "\\[!\\] tvx_shader_sendUniformValue was given an invalid count-value check "
                "argument 4 and redo\\.\\. \\*sadface\\* :\\($");
}

TEST_F(Shader, CompileAndLinkFailuresAreReportedAndTheIdIsKept)
{
    std::string broken = writeScratch("broken.frag", std::string("void main() { gl_FragColor = oops; }\n"));
    std::string noMain = writeScratch("nomain.frag", std::string("float helper() { return 1.0; }\n"));
    int good = tvx_loadShader(NULL, writeScratch("green.frag", GREEN_FRAG).c_str());
    ::testing::internal::CaptureStdout();
    int a = tvx_loadShader(NULL, broken.c_str());
    int b = tvx_loadShader(NULL, noMain.c_str());
    std::string out = ::testing::internal::GetCapturedStdout();
    EXPECT_EQ(good + 1, a);
    EXPECT_EQ(good + 2, b);
    EXPECT_NE(std::string::npos, out.find("[/] " + broken + ": fragment shader failed to compile\n[/] " + broken + ": "));
    EXPECT_NE(std::string::npos, out.find("[/] " + noMain + ": shader program " + std::to_string(b)
                                          + " failed to link\n[/] " + noMain + ": "));
    for (size_t start = 0; start < out.size();) {
        size_t end = out.find('\n', start);
        std::string line = out.substr(start, end - start);
        EXPECT_TRUE(line.rfind("[/] ", 0) == 0 || line.rfind("[*] ", 0) == 0) << line;
        start = end + 1;
    }
}
