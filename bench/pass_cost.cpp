/*
 * pass_cost.cpp - what one frame-sized pass of each of the demo's shaders,
 * and each step of the motion blur, costs on this OpenGL.
 *
 * Every program of data/shader, and the variants the demo keeps beside its
 * shader table, is drawn as a quad over the whole window (the glow over a
 * quarter of its sides, as the bloom pass draws it), sampling a frame-sized
 * picture on texture unit 0 (and the glow or the overlay on unit 1, a cube
 * map on unit 2), with the uniforms at values the scenes send and the
 * blending the passes use; the blur's steps are timed on their own (window to
 * picture, which only a frame drawn in the window needs; blend into the
 * history and history to window, for the 8-bit history and the half-float
 * one of heavy histories). Each figure is the best of three runs of ten
 * draws, each run closed by glFinish, and comes with the pixels the draw
 * covered (an occlusion query), since a vertex stage may move the quad. On a
 * software rasteriser this is the floor under a frame: a scene that shows a
 * pass cannot be drawn in less than the pass costs.
 *
 * usage: pass_cost [W H]   (default 1280 720; run from the repository root,
 *                           under a display: Xvfb without a GPU)
 *
 * Depends on: OpenGL through GLEW, freeglut (the window), the shader files.
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <GL/glew.h>
#include <GL/freeglut.h>

/* ---- State ----------------------------------------------------------------- */

struct Program {
    const char *name;       /* what the demo calls it */
    const char *vertex;     /* path, or nullptr for the fixed-function stage */
    const char *fragment;
    const char *define;     /* defined after #version for a variant, or nullptr */
    int quarter;            /* drawn over a quarter of the window's sides */
};

static const struct Program programs[] = {
    {"sepia pass, static", nullptr, "data/shader/sepia.frag", nullptr, 0},
    {"sepia pass, faint or no static", nullptr, "data/shader/sepia.frag", "QUIET", 0},
    {"sepia plaster (wall)", nullptr, "data/shader/sepia.frag", "PLASTER", 0},
    {"sepia plaster, faint static", nullptr, "data/shader/sepia.frag", "PLASTER_QUIET", 0},
    {"bloom pass, noise", nullptr, "data/shader/bloom.frag", nullptr, 0},
    {"bloom pass, no noise", nullptr, "data/shader/bloom.frag", "CLEAN", 0},
    {"glow, at a quarter", "data/shader/quad.vert", "data/shader/glow.frag", nullptr, 1},
    {"planet", "data/shader/planet.vert", "data/shader/planet.frag", nullptr, 0},
    {"hyperspace tunnel", "data/shader/tunnel.vert", "data/shader/tunnel.frag", nullptr, 0},
    {"bump (station)", "data/shader/bump.vert", "data/shader/bump.frag", nullptr, 0},
    {"cockpit screen", "data/shader/xobject.vert", "data/shader/xobject.frag", nullptr, 0},
    {"asteroid", "data/shader/asteroid.vert", "data/shader/asteroid.frag", nullptr, 0},
    {"terrain (scene 5)", "data/shader/scene5.vert", "data/shader/scene5.frag", nullptr, 0},
    {"lattice and overlay (scene 6)", nullptr, "data/shader/lattice_overlay.frag", nullptr, 0},
};

/* Uniform values as the scenes send them in mid-scene. */
static const struct {
    const char *name;
    float value;
} uniforms[] = {
    {"timer", 5.3f}, {"noise", 0.2f}, {"staticNoiseAmmount", 0.1f},
    {"fadeLevel", 1.0f}, {"noiseLevel", 0.2f},
};

static int width = 1280;
static int height = 720;

/* The picture drawn over (also the blur's picture target) and the blur's
 * two kinds of history: 8-bit, and half-float for heavy histories. */
static GLuint pictureFramebuffer, pictureTexture;
static GLuint plainHistoryFramebuffer, plainHistoryTexture;
static GLuint fineHistoryFramebuffer, fineHistoryTexture;
static GLuint history;   /* the one the blur's steps use */

/* ---- Internal helpers ------------------------------------------------------ */

static double seconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static char *readFile(const char *path)
{
    FILE *file = fopen(path, "rb");
    if (file == nullptr)
        return nullptr;
    fseek(file, 0, SEEK_END);
    long size = ftell(file);
    fseek(file, 0, SEEK_SET);
    char *text = size >= 0 ? (char *)malloc((size_t)size + 1) : nullptr;
    if (text != nullptr) {
        size_t got = fread(text, 1, (size_t)size, file);
        text[got] = '\0';
    }
    fclose(file);
    return text;
}

/* Compiles a stage, with "#define <define>" after its first line (the
 * #version) when define is given, and attaches it. */
static int attach(GLuint program, GLenum type, const char *path, const char *define)
{
    char *source = readFile(path);
    if (source == nullptr) {
        fprintf(stderr, "pass_cost: cannot read %s (run from the repository root)\n", path);
        return 0;
    }
    GLuint shader = glCreateShader(type);
    char *rest = strchr(source, '\n');
    rest = rest != nullptr ? rest + 1 : source + strlen(source);
    char line[64];
    snprintf(line, sizeof line, "#define %s\n", define != nullptr ? define : "PASS_COST");
    const char *parts[3] = {source, line, rest};
    const GLint lengths[3] = {(GLint)(rest - source), -1, -1};
    glShaderSource(shader, 3, parts, lengths);
    glCompileShader(shader);
    free(source);
    GLint ok = 0;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &ok);
    if (!ok) {
        fprintf(stderr, "pass_cost: %s does not compile\n", path);
        return 0;
    }
    glAttachShader(program, shader);
    return 1;
}

/* The program of one table row, linked and bound with its uniforms; 0 when
 * it cannot be built. */
static GLuint buildProgram(const struct Program *p)
{
    GLuint program = glCreateProgram();
    if ((p->vertex && !attach(program, GL_VERTEX_SHADER, p->vertex, p->define)) ||
        !attach(program, GL_FRAGMENT_SHADER, p->fragment, p->define))
        return 0;
    glLinkProgram(program);
    GLint ok = 0;
    glGetProgramiv(program, GL_LINK_STATUS, &ok);
    if (!ok) {
        fprintf(stderr, "pass_cost: %s does not link\n", p->fragment);
        return 0;
    }
    glUseProgram(program);
    for (const auto &u : uniforms) {
        GLint at = glGetUniformLocation(program, u.name);
        if (at >= 0)
            glUniform1f(at, u.value);
    }
    glUniform1i(glGetUniformLocation(program, "glow"), 1);
    glUniform1i(glGetUniformLocation(program, "overlay"), 1);
    GLint frameScale = glGetUniformLocation(program, "frameScale");
    if (frameScale >= 0)   /* scene 6's overlay, read at the fragment's place */
        glUniform2f(frameScale, 1.0f / (float)width, 1.0f / (float)height);
    glUniform1i(glGetUniformLocation(program, "surface"), 2);
    return program;
}

static void fullQuad(void)
{
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f); glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f); glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f); glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f); glVertex2f(-1.0f, 1.0f);
    glEnd();
}

/* A frame-sized target with a colour texture of the given format. */
static GLuint makeTarget(GLenum format, GLuint *texture, const unsigned char *pixels)
{
    glGenTextures(1, texture);
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels);
    GLuint framebuffer;
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, *texture, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    return framebuffer;
}

/* The pixels one draw covers, by an occlusion query. */
static void countCovered(void (*draw)(void), long *covered)
{
    GLuint query;
    glGenQueries(1, &query);
    glBeginQuery(GL_SAMPLES_PASSED, query);
    draw();
    glEndQuery(GL_SAMPLES_PASSED);
    GLuint samples = 0;
    glGetQueryObjectuiv(query, GL_QUERY_RESULT, &samples);
    glDeleteQueries(1, &query);
    *covered = (long)samples;
}

/* Best of three runs of ten draws, in ms per draw; *covered gets the pixels
 * one draw of a program covers (the quads without one cover the frame). */
static double timeDraws(void (*draw)(void), long *covered)
{
    *covered = (long)width * height;
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    if (program != 0)
        countCovered(draw, covered);
    double best = 1e30;
    for (int run = 0; run < 3; run++) {
        glFinish();
        double start = seconds();
        for (int i = 0; i < 10; i++)
            draw();
        glFinish();
        double ms = (seconds() - start) * 100.0;
        if (ms < best)
            best = ms;
    }
    return best;
}

/* Times the draw and prints its line. */
static void report(const char *name, void (*draw)(void))
{
    long covered = 0;
    double ms = timeDraws(draw, &covered);
    printf("  %-28s %7.2f ms  %5.1f%% of the frame\n", name, ms,
           100.0 * (double)covered / ((double)width * height));
}

/* The blur's steps, between the window and its two targets. */

static void copyOut(void)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, pictureFramebuffer);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

static void blendIn(void)
{
    glBindFramebuffer(GL_FRAMEBUFFER, history);
    glBindTexture(GL_TEXTURE_2D, pictureTexture);
    glBlendColor(0.0f, 0.0f, 0.0f, 0.8f);
    glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
    fullQuad();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

static void copyBack(void)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, history);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width, height, 0, 0, width, height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

/* ---- Public functions ------------------------------------------------------ */

int main(int argc, char **argv)
{
    glutInit(&argc, argv);
    if (argc == 3) {
        width = atoi(argv[1]);
        height = atoi(argv[2]);
    } else if (argc != 1) {
        fprintf(stderr, "usage: pass_cost [W H]\n");
        return 2;
    }
    if (width < 16 || height < 16 || width > 8192 || height > 8192) {
        fprintf(stderr, "pass_cost: the frame must be 16 to 8192 pixels a side\n");
        return 2;
    }
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(width, height);
    glutCreateWindow("pass_cost");
    if (glewInit() != GLEW_OK || !GLEW_VERSION_2_0) {
        fprintf(stderr, "pass_cost: this OpenGL has no GLSL programs\n");
        return 1;
    }
    printf("pass_cost: %d x %d, %s\n", width, height, (const char *)glGetString(GL_RENDERER));

    /* A picture with detail in every channel, as a frame-sized texture. */
    unsigned char *pixels = (unsigned char *)malloc((size_t)width * height * 4);
    if (pixels == nullptr)
        return 1;
    for (long i = 0; i < (long)width * height * 4; i++)
        pixels[i] = (unsigned char)((i * 7919 + (i >> 12) * 31) & 255);
    pictureFramebuffer = makeTarget(GL_RGBA8, &pictureTexture, pixels);
    free(pixels);
    plainHistoryFramebuffer = makeTarget(GL_RGBA8, &plainHistoryTexture, nullptr);
    fineHistoryFramebuffer = makeTarget(GLEW_VERSION_3_0 || GLEW_ARB_texture_float ? GL_RGBA16F_ARB
                                                                                    : GL_RGBA16,
                                        &fineHistoryTexture, nullptr);

    /* the glow the bloom pass reads, and a cube map for the planet's surface */
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, fineHistoryTexture);
    GLuint cube;
    glGenTextures(1, &cube);
    glActiveTexture(GL_TEXTURE2);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
    for (int face = 0; face < 6; face++)
        glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_RGBA8, 512, 512, 0, GL_RGBA,
                     GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glActiveTexture(GL_TEXTURE0);

    glViewport(0, 0, width, height);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, pictureTexture);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);

    printf("frame-sized passes, best of 3 x 10 draws:\n");
    report("textured quad, no program", fullQuad);
    int failed = 0;
    for (const auto &p : programs) {
        GLuint program = buildProgram(&p);
        if (program == 0) {
            failed = 1;
            continue;
        }
        glBindTexture(GL_TEXTURE_2D, pictureTexture);
        if (p.quarter)
            glViewport(0, 0, width / 4, height / 4);
        report(p.name, fullQuad);
        glViewport(0, 0, width, height);
        glUseProgram(0);
        glDeleteProgram(program);
    }
    printf("motion blur steps:\n");
    report("window to picture", copyOut);
    history = plainHistoryFramebuffer;
    report("blend into 8-bit history", blendIn);
    report("8-bit history to window", copyBack);
    history = fineHistoryFramebuffer;
    report("blend into half-float history", blendIn);
    report("half-float history to window", copyBack);
    return failed;
}
