/*
 * preview_main.cpp - asset-preview: the contact sheet of the demo's assets.
 *
 *   asset-preview [OUTPUT.png]        (default build/asset-preview.png)
 *
 * Run from the repository root under a display (scripts/preview-assets.sh
 * builds it and starts a private Xvfb). Every picture is loaded with
 * tvx_loadPNG and drawn with tvx_draw2DTexture at the proportions of its
 * on-screen quad, over a checkerboard that shows its transparency, so it
 * appears exactly as upright (or not) as in the demo. Every model is read
 * with glmReadOBJ and drawn with mode 17 under tvx_setLight0 from three
 * sides; the cockpit's first view is the pilot's view of scene 4 with the
 * three screen quads drawn where the scene draws them, and the monitor is
 * drawn with its picture quad as in scene 6. The last rows show every shader
 * of data/shader/ on the geometry and with the uniforms its scene gives it.
 * A missing file gets a red cell.
 *
 * Depends on: the tvx framework, the model library, freeglut (window,
 * bitmap labels), libpng (writing the sheet).
 */
#include <GL/glew.h>
#include <GL/freeglut.h>
#include <png.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>   /* access */
#include <vector>

#include "glm.h"
#include "tvx.h"

/* ---- State ----------------------------------------------------------------- */

struct Picture {
    const char *path;
    float halfWidth, halfHeight;   /* the quad the demo draws it on */
};

static const Picture PICTURES[] = {
    {"data/background.png", 40.0f, 36.9f},      {"data/title.png", 21.6f, 3.15f},
    {"data/tarvex_presents.png", 10.4f, 2.88f}, {"data/vornfest20.png", 6.4f, 3.6f},
    {"data/apocalyptic1.png", 6.72f, 3.78f},    {"data/apocalyptic2.png", 6.72f, 3.78f},
    {"data/apocalyptic3.png", 6.72f, 3.78f},    {"data/eniac.png", 6.72f, 3.78f},
    {"data/transistor.png", 6.72f, 3.78f},      {"data/opticalprocessor.png", 6.72f, 3.78f},
    {"data/tmp.png", 37.6f, 16.605f},           {"data/display_overlay.png", 37.6f, 16.605f},
};

enum ModelKind { PLAIN, COCKPIT, MONITOR, GREETING };

struct ModelEntry {
    const char *path;
    enum ModelKind kind;
};

static const ModelEntry MODELS[] = {
    {"data/models/tv.obj", PLAIN},
    {"data/models/skepp/skepp.obj", PLAIN},
    {"data/models/station.obj", PLAIN},
    {"data/models/cockpit3.obj", COCKPIT},
    {"data/models/screen.obj", MONITOR},
    {"data/models/greets/greet0.obj", GREETING},
    {"data/models/greets/greet1.obj", GREETING},
    {"data/models/greets/greet2.obj", GREETING},
    {"data/models/greets/greet3.obj", GREETING},
    {"data/models/greets/greet4.obj", GREETING},
    {"data/models/greets/greet5.obj", GREETING},
    {"data/models/greets/greet6.obj", GREETING},
    {"data/models/greets/greet7.obj", GREETING},
    {"data/models/greets/greet8.obj", GREETING},
};

enum ShaderShape { PASS_PICTURE, TUNNEL, TERRAIN, ROCKS, GLOBE, STATION, SCREEN, SHIP, BALL };

struct ShaderEntry {
    const char *vertex, *fragment;
    enum ShaderShape shape;
    const char *uniforms[3];
    float values[3];
    const char *picture;      /* what a picture-based shader is shown on */
    const char *label;
};

static const ShaderEntry SHADERS[] = {
    {NULL, "data/shader/sepia.frag", PASS_PICTURE, {"timer", "staticNoiseAmmount", "fadeLevel"}, {3.0f, 0.1f, 1.0f},
     "data/eniac.png", "sepia.frag on eniac.png"},
    {NULL, "data/shader/bloom.frag", PASS_PICTURE, {"timer", "noiseLevel", "fadeLevel"}, {3.0f, 0.2f, 1.0f},
     "data/title.png", "bloom.frag on title.png"},
    {"data/shader/tunnel.vert", "data/shader/tunnel.frag", TUNNEL, {"timer"}, {5.0f}, NULL, "tunnel: scene 4's cylinder"},
    {"data/shader/proc_terrain.vert", "data/shader/proc_terrain.frag", TERRAIN, {"timer"}, {300.0f}, NULL,
     "proc_terrain: scene 6's view"},
    {"data/shader/asteroid.vert", "data/shader/asteroid.frag", ROCKS, {NULL}, {0}, NULL, "asteroid: GLUT spheres"},
    {"data/shader/planet.vert", "data/shader/planet.frag", GLOBE, {NULL}, {0}, NULL, "planet: scene 4 and scene 7 colours"},
    {"data/shader/bump.vert", "data/shader/bump.frag", STATION, {NULL}, {0}, NULL, "bump: the station"},
    {"data/shader/xobject.vert", "data/shader/xobject.frag", SCREEN, {NULL}, {0}, "data/apocalyptic1.png",
     "xobject on apocalyptic1.png"},
    {"data/shader/ship_pos.vert", NULL, SHIP, {"timer"}, {0.0f}, NULL, "ship_pos: the ship from behind"},
    {"data/shader/scene5.vert", "data/shader/scene5.frag", BALL, {NULL}, {0}, NULL, "scene5: a lit sphere"},
};

static const int CELL_W = 384, CELL_H = 216, COLUMNS = 6;

static std::vector<unsigned char> sheet;   /* RGB, top row first */
static int sheetW, sheetH;
static unsigned int screenTexture;         /* stand-in picture for the screens */

/* ---- Internal helpers -------------------------------------------------------- */

static void label(const std::string &text, float r, float g, float b)
{
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glUseProgram(0);
    glColor4f(0, 0, 0, 1);
    glWindowPos2i(7, CELL_H - 15);
    glutBitmapString(GLUT_BITMAP_HELVETICA_12, (const unsigned char *)text.c_str());
    glColor4f(r, g, b, 1);
    glWindowPos2i(6, CELL_H - 14);
    glutBitmapString(GLUT_BITMAP_HELVETICA_12, (const unsigned char *)text.c_str());
    glEnable(GL_DEPTH_TEST);
}

static void beginCell(float r, float g, float b)
{
    glViewport(0, 0, CELL_W, CELL_H);
    glClearColor(r, g, b, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

/* Copies the drawn cell into the sheet at cell index `cell`. */
static void endCell(int cell)
{
    std::vector<unsigned char> pixels(CELL_W * CELL_H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, CELL_W, CELL_H, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    int cx = (cell % COLUMNS) * CELL_W, cy = (cell / COLUMNS) * CELL_H;
    for (int y = 0; y < CELL_H; y++) {
        const unsigned char *src = &pixels[(CELL_H - 1 - y) * CELL_W * 3];
        std::memcpy(&sheet[((cy + y) * sheetW + cx) * 3], src, CELL_W * 3);
    }
}

static void missingCell(int cell, const char *path)
{
    beginCell(0.35f, 0.02f, 0.02f);
    label(std::string("missing: ") + path, 1, 1, 1);
    endCell(cell);
}

static void checkerboard(float w, float h)
{
    glDisable(GL_LIGHTING);
    glBegin(GL_QUADS);
    const float step = w / 24.0f;
    for (float y = -h; y < h; y += step) {
        for (float x = -w; x < w; x += step) {
            int odd = ((int)std::floor(x / step) + (int)std::floor(y / step)) & 1;
            float c = odd ? 0.32f : 0.22f;
            glColor4f(c, c, c, 1);
            glVertex3f(x, y, -60);
            glVertex3f(x + step, y, -60);
            glVertex3f(x + step, y + step, -60);
            glVertex3f(x, y + step, -60);
        }
    }
    glEnd();
}

static void pictureCell(int cell, const Picture &p)
{
    if (access(p.path, R_OK) != 0) {
        missingCell(cell, p.path);
        return;
    }
    unsigned int texture = tvx_loadPNG(p.path);
    int tw = 0, th = 0;
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &tw);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &th);

    beginCell(0.1f, 0.1f, 0.1f);
    float aspect = (float)CELL_W / CELL_H;
    float halfH = std::fmax(p.halfHeight, p.halfWidth / aspect) * 1.04f;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-halfH * aspect, halfH * aspect, -halfH, halfH, 1, 100);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    checkerboard(halfH * aspect, halfH);
    glTranslatef(0, 0, -50);
    glColor4f(1, 1, 1, 1);
    tvx_draw2DTexture(0, 0, 0, p.halfWidth, p.halfHeight, texture);
    char text[160];
    std::snprintf(text, sizeof text, "%s  %dx%d", p.path + 5, tw, th);
    label(text, 1, 1, 0.6f);
    endCell(cell);
}

/* Bounding box of a model's points. */
static void bounds(const GlmModel *m, float lo[3], float hi[3])
{
    for (int k = 0; k < 3; k++) {
        lo[k] = 1e30f;
        hi[k] = -1e30f;
    }
    for (GLuint i = 1; i <= m->numvertices; i++) {
        for (int k = 0; k < 3; k++) {
            lo[k] = std::fmin(lo[k], m->vertices[3 * i + k]);
            hi[k] = std::fmax(hi[k], m->vertices[3 * i + k]);
        }
    }
}

/* The pilot's view of scene 4 with the screens where the scene puts them. */
static void cockpitPilotView(GlmModel *model)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(45.0, 16.0 / 9.0, 1.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -50);
    glTranslatef(0, -6, 50);
    glRotatef(180, 0, 1, 0);
    glRotatef(3, 1, 0, 0);
    glColor4f(1, 1, 1, 1);
    glPushMatrix();
    tvx_draw2DTexture(0.525f, 5.3428f, -8.225f, 0.525f, 0.39f, screenTexture);
    glPopMatrix();
    const float places[2][4] = {{-1.9575f, 5.336f, 7.926f, -26.6f}, {0.8958f, 5.356f, 7.926f, 26.0f}};
    for (const auto &pl : places) {
        glPushMatrix();
        glTranslatef(pl[0], pl[1], pl[2]);
        glRotatef(pl[3], 0, 1, 0);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, screenTexture);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0);
        glVertex2f(-0.525f, 0.39f);
        glTexCoord2f(1, 0);
        glVertex2f(0.525f, 0.39f);
        glTexCoord2f(1, 1);
        glVertex2f(0.525f, -0.39f);
        glTexCoord2f(0, 1);
        glVertex2f(-0.525f, -0.39f);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glPopMatrix();
    }
    glScalef(0.1f, 0.1f, 0.1f);
    tvx_setLight0(1);
    glmDraw(model, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
    tvx_setLight0(0);
}

static void modelCell(int cell, const ModelEntry &e, GlmModel *model, int view)
{
    beginCell(0.12f, 0.13f, 0.16f);
    if (e.kind == COCKPIT && view == 0) {
        cockpitPilotView(model);
        label("cockpit3.obj: pilot's view, screens as drawn by the scene", 0.7f, 1, 0.7f);
        endCell(cell);
        return;
    }
    float lo[3], hi[3];
    bounds(model, lo, hi);
    float c[3], radius = 0;
    for (int k = 0; k < 3; k++) {
        c[k] = (lo[k] + hi[k]) * 0.5f;
        radius = std::fmax(radius, (hi[k] - lo[k]) * 0.5f);
    }
    radius = e.kind == MONITOR ? 25.0f : radius * 1.5f;
    static const float YAW[3] = {0.0f, 90.0f, 215.0f}, PITCH[3] = {0.0f, 0.0f, 25.0f};
    static const char *const VIEW[3] = {"front (+z)", "side (+x)", "behind, above"};
    static const float MONITOR_YAW[3] = {0.0f, 35.0f, 150.0f};

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(30.0, (double)CELL_W / CELL_H, radius * 0.2, radius * 8.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0, 0, -radius * 2.4f);
    tvx_setLight0(1);
    glRotatef(PITCH[view], 1, 0, 0);
    if (e.kind == MONITOR) {
        /* one cell of the lattice: the picture quad, then the list's placement */
        glRotatef(MONITOR_YAW[view], 0, 1, 0);
        glTranslatef(0, 0, 18.0f);
        glColor4f(1, 1, 1, 1);
        tvx_draw2DTexture(0, 0, 16.5f, 12.6f, 10.0f, screenTexture);
        glTranslatef(0, 0, -20);
        glRotatef(180, 0, 1, 0);
        glScalef(10, 10, 10);
    } else {
        glRotatef(e.kind == GREETING && view == 1 ? 50.0f : YAW[view], 0, 1, 0);
        if (e.kind == GREETING)
            glRotatef(90, 1, 0, 0);
        glTranslatef(-c[0], -c[1], -c[2]);
    }
    glmDraw(model, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
    tvx_setLight0(0);
    char text[200];
    std::snprintf(text, sizeof text, "%s  %u tris  %s", e.path + 12, model->numtriangles,
                  e.kind == MONITOR ? (view == 0 ? "front" : view == 1 ? "three-quarter" : "behind")
                  : e.kind == GREETING ? (view == 0 ? "as scene 5 shows it" : view == 1 ? "turned" : VIEW[view])
                  : VIEW[view]);
    label(text, 0.7f, 1, 0.7f);
    endCell(cell);
}

/* A small picture with a clear top, bottom and left for the screen quads. */
static unsigned int makeScreenTexture(void)
{
    const int n = 64;
    std::vector<unsigned char> px(n * n * 4);
    for (int y = 0; y < n; y++) {
        for (int x = 0; x < n; x++) {
            unsigned char *p = &px[(y * n + x) * 4];
            bool grid = x % 16 == 0 || y % 16 == 0;
            p[0] = (unsigned char)(y < n / 2 ? 40 : 200);
            p[1] = (unsigned char)(grid ? 255 : 120 + x);
            p[2] = (unsigned char)(x < n / 2 ? 230 : 60);
            p[3] = 255;
        }
    }
    unsigned int texture;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, n, n, 0, GL_RGBA, GL_UNSIGNED_BYTE, px.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    return texture;
}

static void perspective(double fov)
{
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fov, 16.0 / 9.0, 1.0, 200.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

static void shaderCell(int cell, const ShaderEntry &e)
{
    beginCell(0, 0, 0);
    int id = tvx_loadShader(e.vertex, e.fragment);
    tvx_enableShader(id);
    for (int i = 0; i < 3 && e.uniforms[i]; i++)
        tvx_shader_sendUniformValue(id, e.uniforms[i], &e.values[i], 1);
    perspective(45.0);
    glTranslatef(0, 0, -50);
    glColor4f(1, 1, 1, 1);
    switch (e.shape) {
    case PASS_PICTURE:
    case SCREEN:
        if (access(e.picture, R_OK) == 0) {
            unsigned int texture = tvx_loadPNG(e.picture);
            tvx_enableShader(id);
            if (e.shape == SCREEN)
                tvx_draw2DTexture(0, 0, 0, 20.0f, 14.9f, texture);
            else
                tvx_draw2DTexture(0, 0, 0, 30.0f, e.picture[5] == 'e' ? 16.9f : 4.4f, texture);
        }
        break;
    case TUNNEL: {
        GLUquadric *q = gluNewQuadric();
        gluQuadricTexture(q, GL_TRUE);
        glTranslatef(0, 0, 4.0f * 5.0f - 100.5f);
        gluCylinder(q, 5.5, 6.0, 200, 50, 100);
        gluDeleteQuadric(q);
        break;
    }
    case TERRAIN:
        glRotatef(63, 1, 0, 0);
        glRotatef(160, 0, 1, 0);
        for (float z = -100; z < 99; z += 1) {
            glBegin(GL_TRIANGLE_STRIP);
            for (float x = -100; x < 100; x += 1) {
                glVertex3f(x, 0, z);
                glNormal3f(x, 0, z);
                glVertex3f(x, 0, z + 1);
                glNormal3f(x, 0, z + 1);
            }
            glEnd();
        }
        break;
    case ROCKS:
        tvx_setLight0(1);
        for (int i = 0; i < 5; i++) {
            glPushMatrix();
            glTranslatef(-24.0f + 12.0f * i, 4.0f * (float)std::sin(i * 2.0), 0);
            glRotatef(70.0f * i, 0.2f, 0.5f, 0.9f);
            glutSolidSphere(2.0 + (i % 3) * 1.5, 20, 20);
            glPopMatrix();
        }
        break;
    case GLOBE:
        tvx_setLight0(1);
        glPushMatrix();
        glTranslatef(-13, 0, 0);
        glColor4f(0.9f, 1, 0.9f, 0.9f);
        glutSolidSphere(10, 100, 100);
        glTranslatef(26, 0, 0);
        glColor4f(1, 0, 1, 1);
        glRotatef(30, 0, 0.5f, 0.1f);
        glutSolidSphere(10, 50, 50);
        glPopMatrix();
        break;
    case STATION:
    case SHIP:
    case BALL:
        tvx_setLight0(1);
        if (e.shape == BALL) {
            glColor4f(0.3f, 0.5f, 1.0f, 1);
            glutSolidSphere(12, 40, 40);
            break;
        }
        {
            GlmModel *m = glmReadOBJ(e.shape == STATION ? "data/models/station.obj" : "data/models/skepp/skepp.obj");
            if (e.shape == STATION) {
                glTranslatef(0, 0, -60);
                glScalef(10, 10, 10);
            } else {
                glTranslatef(0, -4, 28);
                glRotatef(15, 1, 0, 0);
                glRotatef(180, 0, 1, 0);
                glScalef(0.02f, 0.02f, 0.02f);
            }
            glmDraw(m, GLM_MODE_FLAT | GLM_MODE_MATERIAL);
            glmDelete(m);
        }
        break;
    }
    tvx_setLight0(0);
    tvx_disableShader();
    label(e.label, 0.6f, 0.9f, 1.0f);
    endCell(cell);
}

static int writePng(const char *path)
{
    FILE *file = std::fopen(path, "wb");
    if (!file)
        return -1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, NULL, NULL, NULL);
    png_infop info = png_create_info_struct(png);
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return -1;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, sheetW, sheetH, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int y = 0; y < sheetH; y++)
        png_write_row(png, &sheet[y * sheetW * 3]);
    png_write_end(png, NULL);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 ? 0 : -1;
}

/* ---- Public functions ---------------------------------------------------------- */

int main(int argc, char **argv)
{
    const char *out = argc > 1 ? argv[1] : "build/asset-preview.png";
    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_DOUBLE | GLUT_RGBA | GLUT_DEPTH);
    glutInitWindowSize(CELL_W, CELL_H);
    glutCreateWindow("asset-preview");
    tvx_initRendering();
    glReadBuffer(GL_BACK);
    glDrawBuffer(GL_BACK);
    screenTexture = makeScreenTexture();

    const int pictureCount = sizeof PICTURES / sizeof PICTURES[0];
    const int modelCount = sizeof MODELS / sizeof MODELS[0];
    int pictureRows = (pictureCount + COLUMNS - 1) / COLUMNS;
    int modelRows = (modelCount * 3 + COLUMNS - 1) / COLUMNS;
    const int shaderCount = sizeof SHADERS / sizeof SHADERS[0];
    int shaderRows = (shaderCount + COLUMNS - 1) / COLUMNS;
    sheetW = CELL_W * COLUMNS;
    sheetH = CELL_H * (pictureRows + modelRows + shaderRows);
    sheet.assign((size_t)sheetW * sheetH * 3, 0);

    for (int i = 0; i < pictureCount; i++)
        pictureCell(i, PICTURES[i]);
    for (int i = 0; i < modelCount; i++) {
        int first = pictureRows * COLUMNS + i * 3;
        if (access(MODELS[i].path, R_OK) != 0) {
            for (int v = 0; v < 3; v++)
                missingCell(first + v, MODELS[i].path);
            continue;
        }
        GlmModel *model = glmReadOBJ(MODELS[i].path);
        for (int v = 0; v < 3; v++)
            modelCell(first + v, MODELS[i], model, v);
        glmDelete(model);
    }
    for (int i = 0; i < shaderCount; i++)
        shaderCell((pictureRows + modelRows) * COLUMNS + i, SHADERS[i]);
    if (writePng(out) != 0) {
        std::fprintf(stderr, "[!] asset-preview: cannot write %s\n", out);
        return 1;
    }
    std::printf("[*] contact sheet written to %s (%dx%d)\n", out, sheetW, sheetH);
    return 0;
}
