/*
 * web_gl.cpp - the desktop OpenGL subset the demo, GLU and FTGL call, on
 * WebGL 2, for the web build only.
 *
 * Immediate mode keeps the current attributes (colour, normal, texture
 * coordinates of two units, secondary colour) and sends each glBegin/glEnd
 * run as a vertex buffer; quads become triangles. Display lists record the
 * calls made between glNewList and glEndList and replay them; the vertices
 * of their runs go into one static buffer per list, and an attribute the
 * list never set takes the current value at replay, as in OpenGL. Matrix
 * stacks, lights, materials, colour material, the texture environment and
 * the enables that WebGL lacks are kept here and handed to the programs by
 * web_glsl.cpp. glPushAttrib saves the groups the code uses (current,
 * enable, colour buffer with the alpha test, depth buffer, viewport, transform, lighting,
 * texture, polygon, scissor, pixel mode). glWindowPos, glBitmap's moves and
 * glDrawPixels (FTGL's pixmap text) draw through a texture. Client vertex
 * arrays and buffer objects, textures, framebuffer objects and blits pass to
 * WebGL, converted where WebGL 2 differs (legacy internal formats, GL_CLAMP,
 * blits between fixed-point and floating-point buffers, RGB read-back).
 *
 * Depends on: WebGL 2 through emscripten (web_gl.h), web_glsl.cpp
 * (programs), libc and the C++ library's vector.
 */
#include "web_gl.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <vector>

/* ---- State ---------------------------------------------------------------------- */

struct Vertex {
    float position[4];
    float normal[3];
    float color[4];
    float secondary[4];
    float texcoord[WEB_TEXTURE_UNITS][4];
};

/* The attributes of a vertex, as bits: which come from a list's buffer. */
enum { HAS_COLOR = 1, HAS_NORMAL = 2, HAS_SECONDARY = 4, HAS_TEX0 = 8, HAS_TEX1 = 16 };

enum ListCode {
    OP_ENABLE, OP_DISABLE, OP_COLOR, OP_NORMAL, OP_SECONDARY, OP_TEXCOORD, OP_MATERIAL,
    OP_LIGHT, OP_LIGHT_MODEL, OP_PUSH_ATTRIB, OP_POP_ATTRIB, OP_PUSH_MATRIX, OP_POP_MATRIX,
    OP_MATRIX_MODE, OP_LOAD_IDENTITY, OP_MULT_MATRIX, OP_LOAD_MATRIX, OP_BLEND_FUNC,
    OP_DEPTH_MASK, OP_DEPTH_FUNC, OP_BIND_TEXTURE, OP_TEX_ENV, OP_CALL_LIST, OP_DRAW,
    OP_SET_CURRENT, OP_CULL_FACE, OP_FRONT_FACE, OP_COLOR_MATERIAL, OP_USE_PROGRAM,
    OP_BLEND_EQUATION, OP_COLOR_MASK, OP_LINE_WIDTH, OP_ACTIVE_TEXTURE, OP_ALPHA_FUNC
};

struct ListOp {
    int code;
    GLenum e[4];
    float f[20];
};

struct DisplayList {
    std::vector<ListOp> ops;
    std::vector<Vertex> vertices;
    GLuint buffer;
    GLuint vao;
    unsigned int enabledArrays;   /* the vao's enabled attribute arrays */
};

/* Attribute groups saved by glPushAttrib. */
struct AttribFrame {
    GLbitfield mask;
    Vertex current;
    float rasterPosition[4];
    float rasterColor[4];
    unsigned char enables[64];
    GLenum blendSrcRGB, blendDstRGB, blendSrcAlpha, blendDstAlpha, blendEqRGB, blendEqAlpha;
    float blendColor[4];
    float clearColor[4];
    GLboolean colorMask[4];
    GLenum alphaFunc;
    float alphaRef;
    GLenum depthFunc;
    GLboolean depthMask;
    float clearDepth;
    GLint viewport[4];
    float depthRange[2];
    GLenum matrixMode;
    struct WebLight light[WEB_LIGHTS];
    float lightModelAmbient[4];
    int twoSide;
    int flat;
    struct WebMaterial material[2];
    GLenum colorMaterialFace, colorMaterialMode;
    GLenum activeTexture;
    GLuint texture2D[WEB_TEXTURE_UNITS];
    GLuint textureCube[WEB_TEXTURE_UNITS];
    GLenum texEnvMode[WEB_TEXTURE_UNITS];
    GLenum cullFaceMode, frontFace;
    GLint scissor[4];
    float pixelScale[4];
};

struct TextureInfo {
    int width;
    int height;
    int floating;          /* a floating-point format: blits to and from it are drawn */
    int generateMipmap;
};

struct FramebufferInfo {
    GLuint colorTexture;
    int floating;
};

/* Capabilities kept here (WebGL has no such enable) or passed on. */
static const GLenum CAPS[] = {
    GL_LIGHTING, GL_LIGHT0, GL_LIGHT1, GL_LIGHT2, GL_LIGHT3, GL_LIGHT4, GL_LIGHT5, GL_LIGHT6,
    GL_LIGHT7, GL_COLOR_MATERIAL, GL_NORMALIZE, GL_RESCALE_NORMAL, GL_TEXTURE_2D,
    GL_TEXTURE_CUBE_MAP, GL_FOG, GL_ALPHA_TEST, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
    GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q, GL_LINE_SMOOTH, GL_POINT_SMOOTH, GL_POLYGON_SMOOTH,
    GL_COLOR_SUM, GL_LINE_STIPPLE, GL_POLYGON_STIPPLE, GL_AUTO_NORMAL, GL_MULTISAMPLE,
    GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT, GL_CLIP_PLANE0, GL_CLIP_PLANE1,
    GL_VERTEX_PROGRAM_TWO_SIDE, GL_VERTEX_PROGRAM_POINT_SIZE, GL_POINT_SPRITE, GL_DEPTH_CLAMP,
    GL_COLOR_LOGIC_OP, GL_INDEX_LOGIC_OP, GL_TEXTURE_CUBE_MAP_SEAMLESS,
    /* the ones WebGL has, from GL_BLEND on */
    GL_BLEND, GL_DEPTH_TEST, GL_CULL_FACE, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_DITHER,
    GL_POLYGON_OFFSET_FILL, GL_SAMPLE_ALPHA_TO_COVERAGE, GL_SAMPLE_COVERAGE};
static const int CAP_COUNT = sizeof(CAPS) / sizeof(CAPS[0]);

static const int STACK_DEPTH = 32;

static struct {
    int ready;
    Vertex current;
    GLenum primitive;                  /* inside glBegin/glEnd, else 0 */
    std::vector<Vertex> run;           /* the vertices of the open run */
    unsigned char enables[64];         /* per CAPS entry; texture ones are unit 0's */
    int texture2DUnit1;
    GLenum matrixMode;
    float modelview[STACK_DEPTH][16];
    float projection[STACK_DEPTH][16];
    float texture[WEB_TEXTURE_UNITS][STACK_DEPTH][16];
    int modelviewTop, projectionTop, textureTop[WEB_TEXTURE_UNITS];
    struct WebFixedState fixed;
    /* WebGL state mirrored here */
    GLenum blendSrcRGB, blendDstRGB, blendSrcAlpha, blendDstAlpha, blendEqRGB, blendEqAlpha;
    float blendColor[4];
    float clearColor[4];
    GLboolean colorMask[4];
    GLenum depthFunc;
    GLboolean depthMask;
    float clearDepth;
    GLint viewport[4];
    float depthRange[2];
    GLenum cullFaceMode, frontFace;
    GLint scissor[4];
    GLenum activeTexture;              /* index 0 or 1 */
    GLuint texture2D[WEB_TEXTURE_UNITS];
    GLuint textureCube[WEB_TEXTURE_UNITS];
    GLuint program;                    /* the program handle in use, 0 for fixed function */
    GLuint arrayBuffer;                /* GL_ARRAY_BUFFER as the code bound it */
    GLuint elementBuffer;              /* GL_ELEMENT_ARRAY_BUFFER likewise */
    GLuint drawFramebuffer, readFramebuffer;
    /* raster position and pixel transfer */
    float rasterPosition[4];           /* window x, y, z, and 1 */
    float rasterColor[4];
    float pixelScale[4];
    GLint unpackAlignment, unpackRowLength;
    /* client arrays */
    struct {
        int enabled;
        GLint size;
        GLenum type;
        GLsizei stride;
        const void *pointer;
        GLuint buffer;
    } arrays[WEB_ATTR_COUNT];
    GLenum clientActiveTexture;
    /* display lists */
    std::vector<DisplayList *> lists;
    DisplayList *recording;
    GLuint recordingName;
    GLenum listMode;
    Vertex currentBeforeList;          /* GL_COMPILE leaves the current attributes alone */
    unsigned int listSetAttributes;    /* HAS_* set inside the list being recorded */
    int replayDepth;
    /* push attrib */
    std::vector<AttribFrame> attribStack;
    std::vector<GLint> clientStack;
    /* objects */
    std::vector<TextureInfo> textures;     /* by texture name */
    std::vector<FramebufferInfo> framebuffers;
    int proxyWidth, proxyHeight;
    /* buffers of the layer's own */
    GLuint streamBuffer, streamVao;
    GLsizeiptr streamSize;
    GLuint clientVao;
    GLuint clientBuffers[WEB_ATTR_COUNT];
    GLuint clientElements;
    GLuint pixelTexture, blitTexture, blitFramebuffer;
    int blitWidth, blitHeight;
    GLuint copyProgram;
    GLint copyRect, copyScale, copySampler;
} S;

/* ---- Internal helpers ------------------------------------------------------------- */

static void identity(float *m)
{
    memset(m, 0, 16 * sizeof(float));
    m[0] = m[5] = m[10] = m[15] = 1.0f;
}

/* r = a * b, column-major as OpenGL keeps them */
static void multiply(float *r, const float *a, const float *b)
{
    float t[16];
    for (int c = 0; c < 4; c++)
        for (int row = 0; row < 4; row++)
            t[c * 4 + row] = a[row] * b[c * 4] + a[4 + row] * b[c * 4 + 1] + a[8 + row] * b[c * 4 + 2] +
                             a[12 + row] * b[c * 4 + 3];
    memcpy(r, t, sizeof t);
}

static void transform(const float *m, const float *v, float *out)
{
    float t[4];
    for (int row = 0; row < 4; row++)
        t[row] = m[row] * v[0] + m[4 + row] * v[1] + m[8 + row] * v[2] + m[12 + row] * v[3];
    memcpy(out, t, sizeof t);
}

static int capIndex(GLenum cap)
{
    for (int i = 0; i < CAP_COUNT; i++)
        if (CAPS[i] == cap)
            return i;
    return -1;
}

static int unitIndex(void)
{
    return S.activeTexture;
}

static float *currentMatrix(void)
{
    switch (S.matrixMode) {
    case GL_PROJECTION: return S.projection[S.projectionTop];
    case GL_TEXTURE: return S.texture[unitIndex()][S.textureTop[unitIndex()]];
    default: return S.modelview[S.modelviewTop];
    }
}

static void matrixChanged(void)
{
    S.fixed.modelview = S.modelview[S.modelviewTop];
    S.fixed.projection = S.projection[S.projectionTop];
    for (int u = 0; u < WEB_TEXTURE_UNITS; u++)
        S.fixed.texture[u] = S.texture[u][S.textureTop[u]];
    S.fixed.matrixSerial++;
}

static void syncEnables(void)
{
    S.fixed.lighting = S.enables[capIndex(GL_LIGHTING)];
    for (int i = 0; i < WEB_LIGHTS; i++)
        S.fixed.light[i].enabled = S.enables[capIndex(GL_LIGHT0 + i)];
    S.fixed.colorMaterial = S.enables[capIndex(GL_COLOR_MATERIAL)];
    S.fixed.normalize = S.enables[capIndex(GL_NORMALIZE)] || S.enables[capIndex(GL_RESCALE_NORMAL)];
    S.fixed.texture2D[0] = S.enables[capIndex(GL_TEXTURE_2D)];
    S.fixed.texture2D[1] = S.texture2DUnit1;
    S.fixed.alphaTest = S.enables[capIndex(GL_ALPHA_TEST)];
    S.fixed.lightSerial++;
    S.fixed.fixedSerial++;
}

static void setVec4(float *to, const float *from)
{
    memcpy(to, from, 4 * sizeof(float));
}

static void setLightDefaults(void)
{
    for (int i = 0; i < WEB_LIGHTS; i++) {
        struct WebLight *l = &S.fixed.light[i];
        memset(l, 0, sizeof *l);
        l->ambient[3] = 1.0f;
        float one = i == 0 ? 1.0f : 0.0f;
        l->diffuse[0] = l->diffuse[1] = l->diffuse[2] = one;
        l->diffuse[3] = 1.0f;
        l->specular[0] = l->specular[1] = l->specular[2] = one;
        l->specular[3] = 1.0f;
        l->position[2] = 1.0f;
        l->spotDirection[2] = -1.0f;
        l->spotCutoff = 180.0f;
        l->attenuation[0] = 1.0f;
    }
    const float ambient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
    setVec4(S.fixed.lightModelAmbient, ambient);
    for (int f = 0; f < 2; f++) {
        struct WebMaterial *m = &S.fixed.material[f];
        memset(m, 0, sizeof *m);
        const float a[4] = {0.2f, 0.2f, 0.2f, 1.0f}, d[4] = {0.8f, 0.8f, 0.8f, 1.0f};
        const float z[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        setVec4(m->ambient, a);
        setVec4(m->diffuse, d);
        setVec4(m->specular, z);
        setVec4(m->emission, z);
    }
    S.fixed.colorMaterialFace = GL_FRONT_AND_BACK;
    S.fixed.colorMaterialMode = GL_AMBIENT_AND_DIFFUSE;
    S.fixed.texEnvMode[0] = S.fixed.texEnvMode[1] = GL_MODULATE;
    S.fixed.alphaFunc = GL_ALWAYS;
}

/* The copy program: a texture drawn into a rectangle of the viewport, for
 * glDrawPixels and for blits WebGL refuses. */
static GLuint buildCopyProgram(void)
{
    static const char *vs =
        "#version 300 es\n"
        "uniform vec4 rect;\n"        /* source rectangle in texture coordinates */
        "out vec2 st;\n"
        "void main() {\n"
        "  vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));\n"
        "  st = mix(rect.xy, rect.zw, corner);\n"
        "  gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);\n"
        "}\n";
    static const char *fs =
        "#version 300 es\n"
        "precision highp float;\n"
        "uniform highp sampler2D picture;\n"
        "uniform vec4 scale;\n"
        "in vec2 st;\n"
        "out vec4 color;\n"
        "void main() { color = texture(picture, st) * scale; }\n";
    GLuint program = emscripten_glCreateProgram();
    GLuint v = emscripten_glCreateShader(GL_VERTEX_SHADER);
    GLuint f = emscripten_glCreateShader(GL_FRAGMENT_SHADER);
    emscripten_glShaderSource(v, 1, &vs, nullptr);
    emscripten_glShaderSource(f, 1, &fs, nullptr);
    emscripten_glCompileShader(v);
    emscripten_glCompileShader(f);
    emscripten_glAttachShader(program, v);
    emscripten_glAttachShader(program, f);
    emscripten_glLinkProgram(program);
    S.copyRect = emscripten_glGetUniformLocation(program, "rect");
    S.copyScale = emscripten_glGetUniformLocation(program, "scale");
    S.copySampler = emscripten_glGetUniformLocation(program, "picture");
    return program;
}

static void setupVertexLayout(GLuint buffer)
{
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
    const GLsizei stride = sizeof(Vertex);
    emscripten_glVertexAttribPointer(WEB_ATTR_VERTEX, 4, GL_FLOAT, GL_FALSE, stride,
                                     (const void *)offsetof(Vertex, position));
    emscripten_glVertexAttribPointer(WEB_ATTR_NORMAL, 3, GL_FLOAT, GL_FALSE, stride,
                                     (const void *)offsetof(Vertex, normal));
    emscripten_glVertexAttribPointer(WEB_ATTR_COLOR, 4, GL_FLOAT, GL_FALSE, stride,
                                     (const void *)offsetof(Vertex, color));
    emscripten_glVertexAttribPointer(WEB_ATTR_SECONDARY, 4, GL_FLOAT, GL_FALSE, stride,
                                     (const void *)offsetof(Vertex, secondary));
    emscripten_glVertexAttribPointer(WEB_ATTR_TEXCOORD0, 4, GL_FLOAT, GL_FALSE, stride,
                                     (const void *)offsetof(Vertex, texcoord[0]));
    emscripten_glVertexAttribPointer(WEB_ATTR_TEXCOORD1, 4, GL_FLOAT, GL_FALSE, stride,
                                     (const void *)offsetof(Vertex, texcoord[1]));
    for (int a = 0; a < WEB_ATTR_COUNT; a++)
        emscripten_glEnableVertexAttribArray(a);
}

static void restoreArrayBuffer(void)
{
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, S.arrayBuffer);
}

static void init(void)
{
    if (S.ready)
        return;
    S.ready = 1;
    S.current.position[3] = 1.0f;
    S.current.normal[2] = 1.0f;
    for (int k = 0; k < 4; k++)
        S.current.color[k] = 1.0f;
    S.current.secondary[3] = 1.0f;
    S.current.texcoord[0][3] = S.current.texcoord[1][3] = 1.0f;
    identity(S.modelview[0]);
    identity(S.projection[0]);
    for (int u = 0; u < WEB_TEXTURE_UNITS; u++)
        identity(S.texture[u][0]);
    S.matrixMode = GL_MODELVIEW;
    setLightDefaults();
    S.enables[capIndex(GL_DITHER)] = 1;
    syncEnables();
    matrixChanged();
    S.blendSrcRGB = S.blendSrcAlpha = GL_ONE;
    S.blendDstRGB = S.blendDstAlpha = GL_ZERO;
    S.blendEqRGB = S.blendEqAlpha = GL_FUNC_ADD;
    S.colorMask[0] = S.colorMask[1] = S.colorMask[2] = S.colorMask[3] = GL_TRUE;
    S.depthFunc = GL_LESS;
    S.depthMask = GL_TRUE;
    S.clearDepth = 1.0f;
    S.depthRange[1] = 1.0f;
    S.cullFaceMode = GL_BACK;
    S.frontFace = GL_CCW;
    emscripten_glGetIntegerv(GL_VIEWPORT, S.viewport);
    emscripten_glGetIntegerv(GL_SCISSOR_BOX, S.scissor);
    for (int k = 0; k < 4; k++)
        S.pixelScale[k] = 1.0f;
    S.rasterColor[0] = S.rasterColor[1] = S.rasterColor[2] = S.rasterColor[3] = 1.0f;
    S.rasterPosition[3] = 1.0f;
    S.unpackAlignment = 4;
    S.clientActiveTexture = GL_TEXTURE0;
    S.lists.push_back(nullptr);   /* list name 0 is never handed out */

    emscripten_glGenBuffers(1, &S.streamBuffer);
    emscripten_glGenVertexArrays(1, &S.streamVao);
    emscripten_glBindVertexArray(S.streamVao);
    setupVertexLayout(S.streamBuffer);
    emscripten_glGenVertexArrays(1, &S.clientVao);
    emscripten_glGenBuffers(WEB_ATTR_COUNT, S.clientBuffers);
    emscripten_glGenBuffers(1, &S.clientElements);
    emscripten_glBindVertexArray(0);
    restoreArrayBuffer();
    S.copyProgram = buildCopyProgram();
}

/* ---- Display-list recording ---- */

/* Records a call while a list is compiled; 1 when the call is not to run
 * now (GL_COMPILE). */
static int record(int code, const GLenum *e, int ne, const float *f, int nf)
{
    if (S.recording == nullptr)
        return 0;
    ListOp op;
    memset(&op, 0, sizeof op);
    op.code = code;
    for (int i = 0; i < ne; i++)
        op.e[i] = e[i];
    for (int i = 0; i < nf; i++)
        op.f[i] = f[i];
    S.recording->ops.push_back(op);
    return S.listMode == GL_COMPILE;
}

static int recordE(int code, GLenum a, GLenum b = 0, GLenum c = 0, GLenum d = 0)
{
    const GLenum e[4] = {a, b, c, d};
    return record(code, e, 4, nullptr, 0);
}

/* ---- Drawing ---- */

static GLenum webPrimitive(GLenum mode)
{
    switch (mode) {
    case GL_QUADS: return GL_TRIANGLES;
    case GL_QUAD_STRIP: return GL_TRIANGLE_STRIP;
    case GL_POLYGON: return GL_TRIANGLE_FAN;
    default: return mode;
    }
}

/* A run in WebGL's primitives: quads become two triangles each. */
static void convertRun(GLenum mode, const std::vector<Vertex> &in, std::vector<Vertex> &out)
{
    if (mode != GL_QUADS) {
        out.insert(out.end(), in.begin(), in.end());
        return;
    }
    for (size_t q = 0; q + 3 < in.size(); q += 4) {
        const size_t order[6] = {0, 1, 2, 0, 2, 3};
        for (int k = 0; k < 6; k++)
            out.push_back(in[q + order[k]]);
    }
}

static void prepareDraw(void)
{
    webglsl_prepareDraw(S.program);
}

static void drawRunNow(GLenum mode, const std::vector<Vertex> &run)
{
    static std::vector<Vertex> converted;
    converted.clear();
    convertRun(mode, run, converted);
    if (converted.empty())
        return;
    prepareDraw();
    emscripten_glBindVertexArray(S.streamVao);
    emscripten_glBindBuffer(GL_ARRAY_BUFFER, S.streamBuffer);
    GLsizeiptr bytes = (GLsizeiptr)(converted.size() * sizeof(Vertex));
    if (bytes > S.streamSize) {
        S.streamSize = bytes * 2;
        emscripten_glBufferData(GL_ARRAY_BUFFER, S.streamSize, nullptr, GL_STREAM_DRAW);
    }
    emscripten_glBufferSubData(GL_ARRAY_BUFFER, 0, bytes, converted.data());
    emscripten_glDrawArrays(webPrimitive(mode), 0, (GLsizei)converted.size());
    emscripten_glBindVertexArray(0);
    restoreArrayBuffer();
}

/* The attributes a list's vertices carry; the others are the current ones. */
static const int ATTRIBUTE_OF_BIT[5] = {WEB_ATTR_COLOR, WEB_ATTR_NORMAL, WEB_ATTR_SECONDARY,
                                        WEB_ATTR_TEXCOORD0, WEB_ATTR_TEXCOORD1};

static const float *currentAttribute(int attribute)
{
    switch (attribute) {
    case WEB_ATTR_NORMAL: {
        static float n[4];
        memcpy(n, S.current.normal, sizeof S.current.normal);
        n[3] = 1.0f;
        return n;
    }
    case WEB_ATTR_COLOR: return S.current.color;
    case WEB_ATTR_SECONDARY: return S.current.secondary;
    case WEB_ATTR_TEXCOORD0: return S.current.texcoord[0];
    case WEB_ATTR_TEXCOORD1: return S.current.texcoord[1];
    default: return S.current.position;
    }
}

static void recordRun(GLenum mode)
{
    DisplayList *list = S.recording;
    ListOp op;
    memset(&op, 0, sizeof op);
    op.code = OP_DRAW;
    op.e[0] = webPrimitive(mode);
    op.e[1] = (GLenum)list->vertices.size();
    convertRun(mode, S.run, list->vertices);
    op.e[2] = (GLenum)(list->vertices.size() - op.e[1]);
    op.e[3] = S.listSetAttributes;
    if (op.e[2] > 0)
        list->ops.push_back(op);
    /* After the run the current attributes are the last ones it set. */
    ListOp set;
    memset(&set, 0, sizeof set);
    set.code = OP_SET_CURRENT;
    set.e[0] = S.listSetAttributes;
    memcpy(set.f, S.current.color, 4 * sizeof(float));
    memcpy(set.f + 4, S.current.normal, 3 * sizeof(float));
    memcpy(set.f + 8, S.current.texcoord[0], 4 * sizeof(float));
    memcpy(set.f + 12, S.current.texcoord[1], 4 * sizeof(float));
    memcpy(set.f + 16, S.current.secondary, 4 * sizeof(float));
    list->ops.push_back(set);
}

static void endRun(void)
{
    if (S.recording != nullptr) {
        recordRun(S.primitive);
        if (S.listMode == GL_COMPILE)
            return;
    }
    drawRunNow(S.primitive, S.run);
}

/* A call that changes what a run's later vertices look like (a material)
 * closes the run at the last whole primitive and opens a new one. */
static void splitRun(void)
{
    GLenum mode = S.primitive;
    endRun();
    S.run.clear();
    S.primitive = mode;
}

static void replayList(GLuint name);

static void drawListRun(DisplayList *list, const ListOp *op)
{
    if (list->vao == 0) {
        emscripten_glGenVertexArrays(1, &list->vao);
        emscripten_glGenBuffers(1, &list->buffer);
        emscripten_glBindVertexArray(list->vao);
        setupVertexLayout(list->buffer);
        emscripten_glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(list->vertices.size() * sizeof(Vertex)),
                                list->vertices.data(), GL_STATIC_DRAW);
        list->enabledArrays = ~0u;
        restoreArrayBuffer();
    }
    prepareDraw();
    emscripten_glBindVertexArray(list->vao);
    for (int b = 0; b < 5; b++) {
        int attribute = ATTRIBUTE_OF_BIT[b];
        unsigned int bit = 1u << attribute;
        if (op->e[3] & (1u << b)) {
            if (!(list->enabledArrays & bit)) {
                emscripten_glEnableVertexAttribArray(attribute);
                list->enabledArrays |= bit;
            }
        } else {
            if (list->enabledArrays & bit) {
                emscripten_glDisableVertexAttribArray(attribute);
                list->enabledArrays &= ~bit;
            }
            emscripten_glVertexAttrib4fv(attribute, currentAttribute(attribute));
        }
    }
    emscripten_glDrawArrays(op->e[0], (GLint)op->e[1], (GLsizei)op->e[2]);
    emscripten_glBindVertexArray(0);
}

static void setCurrentFromList(const ListOp *op)
{
    unsigned int set = op->e[0];
    if (set & HAS_COLOR)
        memcpy(S.current.color, op->f, 4 * sizeof(float));
    if (set & HAS_NORMAL)
        memcpy(S.current.normal, op->f + 4, 3 * sizeof(float));
    if (set & HAS_TEX0)
        memcpy(S.current.texcoord[0], op->f + 8, 4 * sizeof(float));
    if (set & HAS_TEX1)
        memcpy(S.current.texcoord[1], op->f + 12, 4 * sizeof(float));
    if (set & HAS_SECONDARY)
        memcpy(S.current.secondary, op->f + 16, 4 * sizeof(float));
}

/* ---- Attribute groups ---- */

static void applyEnable(int index, int on);

static void saveAttribs(AttribFrame *a, GLbitfield mask)
{
    a->mask = mask;
    a->current = S.current;
    memcpy(a->rasterPosition, S.rasterPosition, sizeof a->rasterPosition);
    memcpy(a->rasterColor, S.rasterColor, sizeof a->rasterColor);
    memcpy(a->enables, S.enables, sizeof a->enables);
    a->blendSrcRGB = S.blendSrcRGB;
    a->blendDstRGB = S.blendDstRGB;
    a->blendSrcAlpha = S.blendSrcAlpha;
    a->blendDstAlpha = S.blendDstAlpha;
    a->blendEqRGB = S.blendEqRGB;
    a->blendEqAlpha = S.blendEqAlpha;
    memcpy(a->blendColor, S.blendColor, sizeof a->blendColor);
    memcpy(a->clearColor, S.clearColor, sizeof a->clearColor);
    memcpy(a->colorMask, S.colorMask, sizeof a->colorMask);
    a->alphaFunc = S.fixed.alphaFunc;
    a->alphaRef = S.fixed.alphaRef;
    a->depthFunc = S.depthFunc;
    a->depthMask = S.depthMask;
    a->clearDepth = S.clearDepth;
    memcpy(a->viewport, S.viewport, sizeof a->viewport);
    memcpy(a->depthRange, S.depthRange, sizeof a->depthRange);
    a->matrixMode = S.matrixMode;
    memcpy(a->light, S.fixed.light, sizeof a->light);
    memcpy(a->lightModelAmbient, S.fixed.lightModelAmbient, sizeof a->lightModelAmbient);
    a->twoSide = S.fixed.twoSide;
    a->flat = S.fixed.flat;
    memcpy(a->material, S.fixed.material, sizeof a->material);
    a->colorMaterialFace = S.fixed.colorMaterialFace;
    a->colorMaterialMode = S.fixed.colorMaterialMode;
    a->activeTexture = S.activeTexture;
    memcpy(a->texture2D, S.texture2D, sizeof a->texture2D);
    memcpy(a->textureCube, S.textureCube, sizeof a->textureCube);
    memcpy(a->texEnvMode, S.fixed.texEnvMode, sizeof a->texEnvMode);
    a->cullFaceMode = S.cullFaceMode;
    a->frontFace = S.frontFace;
    memcpy(a->scissor, S.scissor, sizeof a->scissor);
    memcpy(a->pixelScale, S.pixelScale, sizeof a->pixelScale);
    /* the second unit's GL_TEXTURE_2D rides in the spare slot */
    a->enables[63] = (unsigned char)S.texture2DUnit1;
}

static void restoreEnables(const AttribFrame *a, int (*which)(GLenum))
{
    for (int i = 0; i < CAP_COUNT; i++) {
        if (!which(CAPS[i]) || a->enables[i] == S.enables[i])
            continue;
        if (CAPS[i] == GL_TEXTURE_2D)
            S.enables[i] = a->enables[i];   /* unit 0's, whichever unit is active */
        else
            applyEnable(i, a->enables[i]);
    }
}

static int anyCap(GLenum) { return 1; }
static int lightingCap(GLenum cap)
{
    return cap == GL_LIGHTING || (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + WEB_LIGHTS) ||
           cap == GL_COLOR_MATERIAL;
}
static int depthCap(GLenum cap) { return cap == GL_DEPTH_TEST; }
static int colorCap(GLenum cap)
{
    return cap == GL_BLEND || cap == GL_ALPHA_TEST || cap == GL_DITHER || cap == GL_COLOR_LOGIC_OP;
}
static int transformCap(GLenum cap)
{
    return cap == GL_NORMALIZE || cap == GL_RESCALE_NORMAL || cap == GL_CLIP_PLANE0 ||
           cap == GL_CLIP_PLANE1;
}
static int textureCap(GLenum cap)
{
    return cap == GL_TEXTURE_2D || cap == GL_TEXTURE_CUBE_MAP || cap == GL_TEXTURE_GEN_S ||
           cap == GL_TEXTURE_GEN_T || cap == GL_TEXTURE_GEN_R || cap == GL_TEXTURE_GEN_Q;
}
static int polygonCap(GLenum cap)
{
    return cap == GL_CULL_FACE || cap == GL_POLYGON_SMOOTH || cap == GL_POLYGON_STIPPLE ||
           cap == GL_POLYGON_OFFSET_FILL || cap == GL_POLYGON_OFFSET_LINE ||
           cap == GL_POLYGON_OFFSET_POINT;
}
static int scissorCap(GLenum cap) { return cap == GL_SCISSOR_TEST; }
static int fogCap(GLenum cap) { return cap == GL_FOG; }

static void restoreAttribs(const AttribFrame *a)
{
    GLbitfield mask = a->mask;
    if (mask & GL_CURRENT_BIT) {
        S.current = a->current;
        memcpy(S.rasterPosition, a->rasterPosition, sizeof S.rasterPosition);
        memcpy(S.rasterColor, a->rasterColor, sizeof S.rasterColor);
    }
    if (mask & GL_ENABLE_BIT) {
        restoreEnables(a, anyCap);
        S.texture2DUnit1 = a->enables[63];
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        restoreEnables(a, colorCap);
        glBlendFuncSeparate(a->blendSrcRGB, a->blendDstRGB, a->blendSrcAlpha, a->blendDstAlpha);
        glBlendEquationSeparate(a->blendEqRGB, a->blendEqAlpha);
        glBlendColor(a->blendColor[0], a->blendColor[1], a->blendColor[2], a->blendColor[3]);
        glClearColor(a->clearColor[0], a->clearColor[1], a->clearColor[2], a->clearColor[3]);
        glColorMask(a->colorMask[0], a->colorMask[1], a->colorMask[2], a->colorMask[3]);
        glAlphaFunc(a->alphaFunc, a->alphaRef);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        restoreEnables(a, depthCap);
        glDepthFunc(a->depthFunc);
        glDepthMask(a->depthMask);
        glClearDepth(a->clearDepth);
    }
    if (mask & GL_VIEWPORT_BIT) {
        glViewport(a->viewport[0], a->viewport[1], a->viewport[2], a->viewport[3]);
        glDepthRange(a->depthRange[0], a->depthRange[1]);
    }
    if (mask & GL_TRANSFORM_BIT) {
        restoreEnables(a, transformCap);
        S.matrixMode = a->matrixMode;
    }
    if (mask & GL_LIGHTING_BIT) {
        restoreEnables(a, lightingCap);
        memcpy(S.fixed.light, a->light, sizeof S.fixed.light);
        memcpy(S.fixed.lightModelAmbient, a->lightModelAmbient, sizeof a->lightModelAmbient);
        S.fixed.twoSide = a->twoSide;
        S.fixed.flat = a->flat;
        memcpy(S.fixed.material, a->material, sizeof a->material);
        S.fixed.colorMaterialFace = a->colorMaterialFace;
        S.fixed.colorMaterialMode = a->colorMaterialMode;
    }
    if (mask & GL_TEXTURE_BIT) {
        restoreEnables(a, textureCap);
        S.texture2DUnit1 = a->enables[63];
        for (int u = 0; u < WEB_TEXTURE_UNITS; u++) {
            glActiveTexture(GL_TEXTURE0 + u);
            glBindTexture(GL_TEXTURE_2D, a->texture2D[u]);
            glBindTexture(GL_TEXTURE_CUBE_MAP, a->textureCube[u]);
            S.fixed.texEnvMode[u] = a->texEnvMode[u];
        }
        glActiveTexture(GL_TEXTURE0 + a->activeTexture);
    }
    if (mask & GL_POLYGON_BIT) {
        restoreEnables(a, polygonCap);
        glCullFace(a->cullFaceMode);
        glFrontFace(a->frontFace);
    }
    if (mask & GL_SCISSOR_BIT) {
        restoreEnables(a, scissorCap);
        glScissor(a->scissor[0], a->scissor[1], a->scissor[2], a->scissor[3]);
    }
    if (mask & GL_FOG_BIT)
        restoreEnables(a, fogCap);
    if (mask & GL_PIXEL_MODE_BIT)
        memcpy(S.pixelScale, a->pixelScale, sizeof S.pixelScale);
    syncEnables();
}

static void applyEnable(int index, int on)
{
    GLenum cap = CAPS[index];
    if (cap == GL_TEXTURE_2D && S.activeTexture == 1) {
        S.texture2DUnit1 = on;
    } else {
        S.enables[index] = (unsigned char)on;
        if (index >= capIndex(GL_BLEND)) {
            if (on)
                emscripten_glEnable(cap);
            else
                emscripten_glDisable(cap);
        }
    }
    syncEnables();
}

/* ---- Textures and framebuffers ---- */

static TextureInfo *textureInfo(GLuint name)
{
    if (name == 0)
        return nullptr;
    if (name >= S.textures.size())
        S.textures.resize(name + 1, TextureInfo{0, 0, 0, 0});
    return &S.textures[name];
}

static FramebufferInfo *framebufferInfo(GLuint name)
{
    if (name == 0)
        return nullptr;
    if (name >= S.framebuffers.size())
        S.framebuffers.resize(name + 1, FramebufferInfo{0, 0});
    return &S.framebuffers[name];
}

static GLuint boundTexture(GLenum target)
{
    if (target == GL_TEXTURE_2D)
        return S.texture2D[unitIndex()];
    if (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z)
        return S.textureCube[unitIndex()];
    return 0;
}

static int isFloatFormat(GLint format)
{
    return format == GL_RGBA16F || format == GL_RGBA32F || format == GL_RGB16F ||
           format == GL_RGB32F || format == GL_R16F || format == GL_R32F || format == GL_RG16F ||
           format == GL_RG32F || format == GL_R11F_G11F_B10F;
}

/* The format, type and internal format WebGL 2 takes for a desktop upload. */
static void webFormat(GLint *internal, GLenum *format, GLenum *type, const void *data)
{
    switch (*internal) {
    case 1: case GL_LUMINANCE8: *internal = GL_LUMINANCE; break;
    case 2: case GL_LUMINANCE8_ALPHA8: *internal = GL_LUMINANCE_ALPHA; break;
    case 3: case GL_RGB: *internal = GL_RGB8; break;
    case 4: case GL_RGBA: *internal = GL_RGBA8; break;
    case GL_RGBA16: case GL_RGBA12: *internal = GL_RGBA16F; break;
    case GL_RGB16: *internal = GL_RGB16F; break;
    default: break;
    }
    if (*format == GL_BGR)
        *format = GL_RGB;
    if (*format == GL_BGRA)
        *format = GL_RGBA;
    if (*internal == GL_LUMINANCE || *internal == GL_LUMINANCE_ALPHA || *internal == GL_ALPHA) {
        *format = (GLenum)*internal;
        *type = GL_UNSIGNED_BYTE;
        return;
    }
    if (isFloatFormat(*internal)) {
        if (data == nullptr || (*type != GL_FLOAT && *type != GL_HALF_FLOAT))
            *type = *internal == GL_RGBA32F || *internal == GL_RGB32F || *internal == GL_R32F ||
                            *internal == GL_RG32F ? GL_FLOAT : GL_HALF_FLOAT;
    } else if (*internal == GL_RGBA8 || *internal == GL_RGB8) {
        *type = GL_UNSIGNED_BYTE;
        *format = *internal == GL_RGBA8 ? GL_RGBA : GL_RGB;
    }
}

/* BGR(A) rows turned into RGB(A) for WebGL, which takes no BGR. */
static const void *swizzled(GLenum format, GLsizei width, GLsizei height, const void *data,
                            std::vector<unsigned char> &buffer)
{
    if (data == nullptr || (format != GL_BGR && format != GL_BGRA))
        return data;
    int channels = format == GL_BGR ? 3 : 4;
    size_t row = (size_t)width * channels;
    size_t pitch = (row + S.unpackAlignment - 1) / S.unpackAlignment * S.unpackAlignment;
    buffer.assign((const unsigned char *)data, (const unsigned char *)data + pitch * height);
    for (GLsizei y = 0; y < height; y++)
        for (GLsizei x = 0; x < width; x++) {
            unsigned char *p = &buffer[y * pitch + x * channels];
            unsigned char b = p[0];
            p[0] = p[2];
            p[2] = b;
        }
    return buffer.data();
}

/* Draws a texture rectangle over the viewport's rectangle with the copy
 * program, outside the code's state, which is put back afterwards. */
static void drawTexture(GLuint texture, const float *rect, const float *scale, int blend,
                        GLenum filter)
{
    emscripten_glUseProgram(S.copyProgram);
    emscripten_glUniform4fv(S.copyRect, 1, rect);
    emscripten_glUniform4fv(S.copyScale, 1, scale);
    emscripten_glUniform1i(S.copySampler, 0);
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, texture);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, (GLint)filter);
    emscripten_glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, (GLint)filter);
    int depth = S.enables[capIndex(GL_DEPTH_TEST)];
    int cull = S.enables[capIndex(GL_CULL_FACE)];
    int blending = S.enables[capIndex(GL_BLEND)];
    if (depth)
        emscripten_glDisable(GL_DEPTH_TEST);
    if (cull)
        emscripten_glDisable(GL_CULL_FACE);
    if (blending && !blend)
        emscripten_glDisable(GL_BLEND);
    if (!blending && blend)
        emscripten_glEnable(GL_BLEND);
    emscripten_glBindVertexArray(S.clientVao);
    for (int a = 0; a < WEB_ATTR_COUNT; a++)
        emscripten_glDisableVertexAttribArray(a);
    emscripten_glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
    emscripten_glBindVertexArray(0);
    if (depth)
        emscripten_glEnable(GL_DEPTH_TEST);
    if (cull)
        emscripten_glEnable(GL_CULL_FACE);
    if (blending && !blend)
        emscripten_glEnable(GL_BLEND);
    if (!blending && blend)
        emscripten_glDisable(GL_BLEND);
    emscripten_glBindTexture(GL_TEXTURE_2D, S.texture2D[0]);
    emscripten_glActiveTexture(GL_TEXTURE0 + S.activeTexture);
    emscripten_glUseProgram(webglsl_realProgram(S.program));
}

static int framebufferIsFloat(GLuint name)
{
    FramebufferInfo *info = framebufferInfo(name);
    return info != nullptr && info->floating;
}

/* A blit WebGL refuses (fixed-point to floating-point or back) is drawn:
 * the source's colour texture, or a fixed-point copy of the window, stretched
 * over the destination rectangle. */
static void drawnBlit(GLint sx0, GLint sy0, GLint sx1, GLint sy1, GLint dx0, GLint dy0, GLint dx1,
                      GLint dy1, GLenum filter)
{
    GLuint texture = 0;
    int width = 0, height = 0;
    FramebufferInfo *source = framebufferInfo(S.readFramebuffer);
    if (source != nullptr && source->colorTexture != 0) {
        texture = source->colorTexture;
        TextureInfo *t = textureInfo(texture);
        width = t->width;
        height = t->height;
    } else {
        /* the window: copied into a texture of its size first */
        GLint size[4];
        emscripten_glGetIntegerv(GL_VIEWPORT, size);
        int w = sx0 > sx1 ? sx0 : sx1, h = sy0 > sy1 ? sy0 : sy1;
        if (S.blitTexture == 0) {
            emscripten_glGenTextures(1, &S.blitTexture);
            emscripten_glGenFramebuffers(1, &S.blitFramebuffer);
        }
        if (w > S.blitWidth || h > S.blitHeight) {
            S.blitWidth = w;
            S.blitHeight = h;
            emscripten_glBindTexture(GL_TEXTURE_2D, S.blitTexture);
            emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                                    nullptr);
            emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, S.blitFramebuffer);
            emscripten_glFramebufferTexture2D(GL_DRAW_FRAMEBUFFER, GL_COLOR_ATTACHMENT0,
                                              GL_TEXTURE_2D, S.blitTexture, 0);
        }
        emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, S.blitFramebuffer);
        emscripten_glBlitFramebuffer(sx0, sy0, sx1, sy1, sx0, sy0, sx1, sy1, GL_COLOR_BUFFER_BIT,
                                     GL_NEAREST);
        emscripten_glBindFramebuffer(GL_DRAW_FRAMEBUFFER, S.drawFramebuffer);
        texture = S.blitTexture;
        width = S.blitWidth;
        height = S.blitHeight;
    }
    if (width <= 0 || height <= 0)
        return;
    const float rect[4] = {(float)sx0 / width, (float)sy0 / height, (float)sx1 / width,
                           (float)sy1 / height};
    const float one[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    emscripten_glViewport(dx0 < dx1 ? dx0 : dx1, dy0 < dy1 ? dy0 : dy1, abs(dx1 - dx0),
                          abs(dy1 - dy0));
    float r[4] = {rect[0], rect[1], rect[2], rect[3]};
    if (dx1 < dx0) {
        r[0] = rect[2];
        r[2] = rect[0];
    }
    if (dy1 < dy0) {
        r[1] = rect[3];
        r[3] = rect[1];
    }
    int mask = !(S.colorMask[0] && S.colorMask[1] && S.colorMask[2] && S.colorMask[3]);
    if (mask)
        emscripten_glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    drawTexture(texture, r, one, 0, filter);
    if (mask)
        emscripten_glColorMask(S.colorMask[0], S.colorMask[1], S.colorMask[2], S.colorMask[3]);
    emscripten_glViewport(S.viewport[0], S.viewport[1], S.viewport[2], S.viewport[3]);
}

/* ---- Client arrays ---- */

static int attributeOfArray(GLenum array)
{
    switch (array) {
    case GL_VERTEX_ARRAY: return WEB_ATTR_VERTEX;
    case GL_NORMAL_ARRAY: return WEB_ATTR_NORMAL;
    case GL_COLOR_ARRAY: return WEB_ATTR_COLOR;
    case GL_SECONDARY_COLOR_ARRAY: return WEB_ATTR_SECONDARY;
    case GL_TEXTURE_COORD_ARRAY:
        return S.clientActiveTexture == GL_TEXTURE1 ? WEB_ATTR_TEXCOORD1 : WEB_ATTR_TEXCOORD0;
    default: return -1;
    }
}

static GLsizei typeSize(GLenum type)
{
    switch (type) {
    case GL_BYTE: case GL_UNSIGNED_BYTE: return 1;
    case GL_SHORT: case GL_UNSIGNED_SHORT: case GL_HALF_FLOAT: return 2;
    case GL_DOUBLE: return 8;
    default: return 4;
    }
}

/* Binds the client arrays for vertices 0 to count - 1: arrays in buffer
 * objects as they are, arrays in memory copied into the layer's buffers,
 * attributes without an array as their current values. */
static void bindClientArrays(GLsizei count)
{
    prepareDraw();
    emscripten_glBindVertexArray(S.clientVao);
    for (int a = 0; a < WEB_ATTR_COUNT; a++) {
        if (!S.arrays[a].enabled) {
            emscripten_glDisableVertexAttribArray(a);
            emscripten_glVertexAttrib4fv(a, currentAttribute(a));
            continue;
        }
        GLsizei elementSize = S.arrays[a].size * typeSize(S.arrays[a].type);
        GLsizei stride = S.arrays[a].stride ? S.arrays[a].stride : elementSize;
        const void *pointer = S.arrays[a].pointer;
        if (S.arrays[a].buffer != 0) {
            emscripten_glBindBuffer(GL_ARRAY_BUFFER, S.arrays[a].buffer);
        } else {
            emscripten_glBindBuffer(GL_ARRAY_BUFFER, S.clientBuffers[a]);
            emscripten_glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)stride * (count - 1) + elementSize,
                                    pointer, GL_STREAM_DRAW);
            pointer = nullptr;
        }
        GLboolean normalized = a == WEB_ATTR_COLOR || a == WEB_ATTR_SECONDARY ? S.arrays[a].type != GL_FLOAT : GL_FALSE;
        emscripten_glVertexAttribPointer(a, S.arrays[a].size, S.arrays[a].type, normalized, stride,
                                         pointer);
        emscripten_glEnableVertexAttribArray(a);
    }
    restoreArrayBuffer();
}

/* ---- Raster position and pixel drawing ---- */

static void setRasterFromObject(float x, float y, float z, float w)
{
    float v[4] = {x, y, z, w};
    float eye[4], clip[4];
    transform(S.fixed.modelview, v, eye);
    transform(S.fixed.projection, eye, clip);
    if (clip[3] == 0.0f)
        return;
    S.rasterPosition[0] = S.viewport[0] + (clip[0] / clip[3] + 1.0f) * 0.5f * S.viewport[2];
    S.rasterPosition[1] = S.viewport[1] + (clip[1] / clip[3] + 1.0f) * 0.5f * S.viewport[3];
    S.rasterPosition[2] = (clip[2] / clip[3] + 1.0f) * 0.5f;
    setVec4(S.rasterColor, S.current.color);
}

/* ---- Public functions ------------------------------------------------------------- */

extern "C" {

const struct WebFixedState *webgl_fixedState(void)
{
    init();
    return &S.fixed;
}

GLenum glewInit(void)
{
    init();
    return GLEW_OK;
}

const GLubyte *glewGetErrorString(GLenum)
{
    return (const GLubyte *)"no error";
}

const GLubyte *glGetString(GLenum name)
{
    switch (name) {
    case GL_VENDOR: return (const GLubyte *)"kolvane";
    case GL_RENDERER: return (const GLubyte *)"kolvane web layer on WebGL 2";
    case GL_VERSION: return (const GLubyte *)"2.1 (WebGL 2)";
    case GL_SHADING_LANGUAGE_VERSION: return (const GLubyte *)"1.20";
    case GL_EXTENSIONS:
        return (const GLubyte *)"GL_ARB_shader_objects GL_ARB_vertex_shader GL_ARB_fragment_shader "
                                "GL_EXT_framebuffer_object GL_ARB_framebuffer_object "
                                "GL_ARB_texture_float GL_ARB_texture_non_power_of_two";
    default: return (const GLubyte *)"";
    }
}

/* -- enables -- */

void glEnable(GLenum cap)
{
    init();
    if (recordE(OP_ENABLE, cap))
        return;
    int i = capIndex(cap);
    if (i >= 0)
        applyEnable(i, 1);
}

void glDisable(GLenum cap)
{
    init();
    if (recordE(OP_DISABLE, cap))
        return;
    int i = capIndex(cap);
    if (i >= 0)
        applyEnable(i, 0);
}

GLboolean glIsEnabled(GLenum cap)
{
    init();
    if (cap == GL_TEXTURE_2D && S.activeTexture == 1)
        return (GLboolean)S.texture2DUnit1;
    int i = capIndex(cap);
    return i >= 0 ? (GLboolean)S.enables[i] : GL_FALSE;
}

void glEnableClientState(GLenum array)
{
    int a = attributeOfArray(array);
    if (a >= 0)
        S.arrays[a].enabled = 1;
}

void glDisableClientState(GLenum array)
{
    int a = attributeOfArray(array);
    if (a >= 0)
        S.arrays[a].enabled = 0;
}

void glClientActiveTexture(GLenum texture)
{
    S.clientActiveTexture = texture;
}

/* -- current attributes and immediate mode -- */

void glBegin(GLenum mode)
{
    init();
    S.primitive = mode;
    S.run.clear();
}

void webgl_begin(GLenum mode)
{
    glBegin(mode);
}

void glEnd(void)
{
    if (S.primitive == 0)
        return;
    endRun();
    S.primitive = 0;
    S.run.clear();
}

static void vertex(float x, float y, float z, float w)
{
    S.current.position[0] = x;
    S.current.position[1] = y;
    S.current.position[2] = z;
    S.current.position[3] = w;
    if (S.primitive != 0)
        S.run.push_back(S.current);
}

void glVertex2f(GLfloat x, GLfloat y) { vertex(x, y, 0.0f, 1.0f); }
void glVertex2i(GLint x, GLint y) { vertex((float)x, (float)y, 0.0f, 1.0f); }
void glVertex2d(GLdouble x, GLdouble y) { vertex((float)x, (float)y, 0.0f, 1.0f); }
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) { vertex(x, y, z, 1.0f); }
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) { vertex((float)x, (float)y, (float)z, 1.0f); }
void glVertex3fv(const GLfloat *v) { vertex(v[0], v[1], v[2], 1.0f); }
void glVertex3dv(const GLdouble *v) { vertex((float)v[0], (float)v[1], (float)v[2], 1.0f); }
void glVertex2fv(const GLfloat *v) { vertex(v[0], v[1], 0.0f, 1.0f); }
void glVertex4f(GLfloat x, GLfloat y, GLfloat z, GLfloat w) { vertex(x, y, z, w); }

/* An attribute set in a list before a vertex is the list's own; outside a
 * run it is also a call the list replays. */
static void setAttribute(int code, unsigned int bit, float *target, const float *v, int n)
{
    if (S.recording != nullptr) {
        S.listSetAttributes |= bit;
        if (S.primitive == 0) {
            float f[4] = {0.0f, 0.0f, 0.0f, 1.0f};
            memcpy(f, v, n * sizeof(float));
            record(code, nullptr, 0, f, 4);
        }
    }
    memcpy(target, v, n * sizeof(float));
}

static void color(float r, float g, float b, float a)
{
    const float v[4] = {r, g, b, a};
    setAttribute(OP_COLOR, HAS_COLOR, S.current.color, v, 4);
}

void glColor3f(GLfloat r, GLfloat g, GLfloat b) { color(r, g, b, 1.0f); }
void glColor3fv(const GLfloat *v) { color(v[0], v[1], v[2], 1.0f); }
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { color(r, g, b, a); }
void glColor4fv(const GLfloat *v) { color(v[0], v[1], v[2], v[3]); }
void glColor3d(GLdouble r, GLdouble g, GLdouble b) { color((float)r, (float)g, (float)b, 1.0f); }
void glColor4d(GLdouble r, GLdouble g, GLdouble b, GLdouble a)
{
    color((float)r, (float)g, (float)b, (float)a);
}
void glColor3ub(GLubyte r, GLubyte g, GLubyte b) { color(r / 255.0f, g / 255.0f, b / 255.0f, 1.0f); }
void glColor4ub(GLubyte r, GLubyte g, GLubyte b, GLubyte a)
{
    color(r / 255.0f, g / 255.0f, b / 255.0f, a / 255.0f);
}

void glSecondaryColor3f(GLfloat r, GLfloat g, GLfloat b)
{
    const float v[4] = {r, g, b, 1.0f};
    setAttribute(OP_SECONDARY, HAS_SECONDARY, S.current.secondary, v, 4);
}

void glSecondaryColor3fv(const GLfloat *v) { glSecondaryColor3f(v[0], v[1], v[2]); }

static void normal(float x, float y, float z)
{
    const float v[3] = {x, y, z};
    setAttribute(OP_NORMAL, HAS_NORMAL, S.current.normal, v, 3);
}

void glNormal3f(GLfloat x, GLfloat y, GLfloat z) { normal(x, y, z); }
void glNormal3fv(const GLfloat *v) { normal(v[0], v[1], v[2]); }
void glNormal3d(GLdouble x, GLdouble y, GLdouble z) { normal((float)x, (float)y, (float)z); }
void glNormal3dv(const GLdouble *v) { normal((float)v[0], (float)v[1], (float)v[2]); }

static void texcoord(int unit, float s, float t, float r, float q)
{
    const float v[4] = {s, t, r, q};
    if (S.recording != nullptr && S.primitive == 0) {
        S.listSetAttributes |= unit ? HAS_TEX1 : HAS_TEX0;
        float f[5] = {s, t, r, q, (float)unit};
        record(OP_TEXCOORD, nullptr, 0, f, 5);
    } else if (S.recording != nullptr) {
        S.listSetAttributes |= unit ? HAS_TEX1 : HAS_TEX0;
    }
    memcpy(S.current.texcoord[unit], v, sizeof v);
}

void glTexCoord2f(GLfloat s, GLfloat t) { texcoord(0, s, t, 0.0f, 1.0f); }
void glTexCoord2d(GLdouble s, GLdouble t) { texcoord(0, (float)s, (float)t, 0.0f, 1.0f); }
void glTexCoord2fv(const GLfloat *v) { texcoord(0, v[0], v[1], 0.0f, 1.0f); }
void glTexCoord3f(GLfloat s, GLfloat t, GLfloat r) { texcoord(0, s, t, r, 1.0f); }
void glTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) { texcoord(0, s, t, r, q); }

void glMultiTexCoord4f(GLenum unit, GLfloat s, GLfloat t, GLfloat r, GLfloat q)
{
    int u = unit == GL_TEXTURE1 ? 1 : 0;
    texcoord(u, s, t, r, q);
}

void glMultiTexCoord2f(GLenum unit, GLfloat s, GLfloat t) { glMultiTexCoord4f(unit, s, t, 0.0f, 1.0f); }

void glRectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2)
{
    glBegin(GL_QUADS);
    glVertex2f(x1, y1);
    glVertex2f(x2, y1);
    glVertex2f(x2, y2);
    glVertex2f(x1, y2);
    glEnd();
}

void glRecti(GLint x1, GLint y1, GLint x2, GLint y2)
{
    glRectf((float)x1, (float)y1, (float)x2, (float)y2);
}

/* -- matrices -- */

void glMatrixMode(GLenum mode)
{
    init();
    if (recordE(OP_MATRIX_MODE, mode))
        return;
    S.matrixMode = mode;
}

void glLoadIdentity(void)
{
    init();
    if (recordE(OP_LOAD_IDENTITY, 0))
        return;
    identity(currentMatrix());
    matrixChanged();
}

void glLoadMatrixf(const GLfloat *m)
{
    if (record(OP_LOAD_MATRIX, nullptr, 0, m, 16))
        return;
    memcpy(currentMatrix(), m, 16 * sizeof(float));
    matrixChanged();
}

void glMultMatrixf(const GLfloat *m)
{
    init();
    if (record(OP_MULT_MATRIX, nullptr, 0, m, 16))
        return;
    float *c = currentMatrix();
    multiply(c, c, m);
    matrixChanged();
}

void glMultMatrixd(const GLdouble *m)
{
    float f[16];
    for (int i = 0; i < 16; i++)
        f[i] = (float)m[i];
    glMultMatrixf(f);
}

void glLoadMatrixd(const GLdouble *m)
{
    float f[16];
    for (int i = 0; i < 16; i++)
        f[i] = (float)m[i];
    glLoadMatrixf(f);
}

void glTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    float m[16];
    identity(m);
    m[12] = x;
    m[13] = y;
    m[14] = z;
    glMultMatrixf(m);
}

void glTranslated(GLdouble x, GLdouble y, GLdouble z) { glTranslatef((float)x, (float)y, (float)z); }

void glScalef(GLfloat x, GLfloat y, GLfloat z)
{
    float m[16];
    identity(m);
    m[0] = x;
    m[5] = y;
    m[10] = z;
    glMultMatrixf(m);
}

void glScaled(GLdouble x, GLdouble y, GLdouble z) { glScalef((float)x, (float)y, (float)z); }

void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    float length = sqrtf(x * x + y * y + z * z);
    if (length == 0.0f)
        return;
    x /= length;
    y /= length;
    z /= length;
    float radians = angle * 3.14159265358979f / 180.0f;
    float c = cosf(radians), s = sinf(radians), t = 1.0f - c;
    float m[16] = {x * x * t + c,     y * x * t + z * s, x * z * t - y * s, 0.0f,
                   x * y * t - z * s, y * y * t + c,     y * z * t + x * s, 0.0f,
                   x * z * t + y * s, y * z * t - x * s, z * z * t + c,     0.0f,
                   0.0f,              0.0f,              0.0f,              1.0f};
    glMultMatrixf(m);
}

void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z)
{
    glRotatef((float)angle, (float)x, (float)y, (float)z);
}

void glOrtho(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    float m[16];
    identity(m);
    m[0] = (float)(2.0 / (r - l));
    m[5] = (float)(2.0 / (t - b));
    m[10] = (float)(-2.0 / (f - n));
    m[12] = (float)(-(r + l) / (r - l));
    m[13] = (float)(-(t + b) / (t - b));
    m[14] = (float)(-(f + n) / (f - n));
    glMultMatrixf(m);
}

void glFrustum(GLdouble l, GLdouble r, GLdouble b, GLdouble t, GLdouble n, GLdouble f)
{
    float m[16];
    memset(m, 0, sizeof m);
    m[0] = (float)(2.0 * n / (r - l));
    m[5] = (float)(2.0 * n / (t - b));
    m[8] = (float)((r + l) / (r - l));
    m[9] = (float)((t + b) / (t - b));
    m[10] = (float)(-(f + n) / (f - n));
    m[11] = -1.0f;
    m[14] = (float)(-2.0 * f * n / (f - n));
    glMultMatrixf(m);
}

void glPushMatrix(void)
{
    init();
    if (recordE(OP_PUSH_MATRIX, 0))
        return;
    int *top = S.matrixMode == GL_PROJECTION ? &S.projectionTop
               : S.matrixMode == GL_TEXTURE   ? &S.textureTop[unitIndex()]
                                              : &S.modelviewTop;
    if (*top + 1 >= STACK_DEPTH)
        return;
    const float *from = currentMatrix();
    (*top)++;
    memcpy(currentMatrix(), from, 16 * sizeof(float));
    matrixChanged();
}

void glPopMatrix(void)
{
    if (recordE(OP_POP_MATRIX, 0))
        return;
    int *top = S.matrixMode == GL_PROJECTION ? &S.projectionTop
               : S.matrixMode == GL_TEXTURE   ? &S.textureTop[unitIndex()]
                                              : &S.modelviewTop;
    if (*top > 0)
        (*top)--;
    matrixChanged();
}

/* -- queries -- */

void glGetFloatv(GLenum name, GLfloat *v)
{
    init();
    switch (name) {
    case GL_MODELVIEW_MATRIX: memcpy(v, S.fixed.modelview, 16 * sizeof(float)); return;
    case GL_PROJECTION_MATRIX: memcpy(v, S.fixed.projection, 16 * sizeof(float)); return;
    case GL_TEXTURE_MATRIX: memcpy(v, S.fixed.texture[unitIndex()], 16 * sizeof(float)); return;
    case GL_CURRENT_COLOR: memcpy(v, S.current.color, 4 * sizeof(float)); return;
    case GL_CURRENT_NORMAL: memcpy(v, S.current.normal, 3 * sizeof(float)); return;
    case GL_CURRENT_TEXTURE_COORDS: memcpy(v, S.current.texcoord[unitIndex()], 4 * sizeof(float)); return;
    case GL_CURRENT_RASTER_COLOR: memcpy(v, S.rasterColor, 4 * sizeof(float)); return;
    case GL_CURRENT_RASTER_POSITION: memcpy(v, S.rasterPosition, 4 * sizeof(float)); return;
    case GL_LIGHT_MODEL_AMBIENT: memcpy(v, S.fixed.lightModelAmbient, 4 * sizeof(float)); return;
    case GL_COLOR_CLEAR_VALUE: memcpy(v, S.clearColor, 4 * sizeof(float)); return;
    case GL_RED_SCALE: *v = S.pixelScale[0]; return;
    case GL_GREEN_SCALE: *v = S.pixelScale[1]; return;
    case GL_BLUE_SCALE: *v = S.pixelScale[2]; return;
    case GL_ALPHA_SCALE: *v = S.pixelScale[3]; return;
    default: break;
    }
    GLint i[16];
    if (name == GL_VIEWPORT || name == GL_MATRIX_MODE || name == GL_CURRENT_PROGRAM ||
        name == GL_TEXTURE_BINDING_2D || name == GL_UNPACK_ALIGNMENT) {
        glGetIntegerv(name, i);
        int n = name == GL_VIEWPORT ? 4 : 1;
        for (int k = 0; k < n; k++)
            v[k] = (float)i[k];
        return;
    }
    emscripten_glGetFloatv(name, v);
}

void glGetDoublev(GLenum name, GLdouble *v)
{
    float f[16];
    memset(f, 0, sizeof f);
    glGetFloatv(name, f);
    int n = name == GL_MODELVIEW_MATRIX || name == GL_PROJECTION_MATRIX || name == GL_TEXTURE_MATRIX ? 16 : 4;
    for (int k = 0; k < n; k++)
        v[k] = f[k];
}

void glGetIntegerv(GLenum name, GLint *v)
{
    init();
    switch (name) {
    case GL_VIEWPORT: memcpy(v, S.viewport, sizeof S.viewport); return;
    case GL_MATRIX_MODE: *v = (GLint)S.matrixMode; return;
    case GL_SHADE_MODEL: *v = S.fixed.flat ? GL_FLAT : GL_SMOOTH; return;
    case GL_CURRENT_PROGRAM: *v = (GLint)S.program; return;
    case GL_TEXTURE_BINDING_2D: *v = (GLint)S.texture2D[unitIndex()]; return;
    case GL_TEXTURE_BINDING_CUBE_MAP: *v = (GLint)S.textureCube[unitIndex()]; return;
    case GL_ACTIVE_TEXTURE: *v = (GLint)(GL_TEXTURE0 + S.activeTexture); return;
    case GL_ARRAY_BUFFER_BINDING: *v = (GLint)S.arrayBuffer; return;
    case GL_ELEMENT_ARRAY_BUFFER_BINDING: *v = (GLint)S.elementBuffer; return;
    case GL_DRAW_FRAMEBUFFER_BINDING: *v = (GLint)S.drawFramebuffer; return;
    case GL_READ_FRAMEBUFFER_BINDING: *v = (GLint)S.readFramebuffer; return;
    case GL_MAX_LIGHTS: *v = WEB_LIGHTS; return;
    case GL_MAX_TEXTURE_UNITS: *v = WEB_TEXTURE_UNITS; return;
    case GL_MAX_MODELVIEW_STACK_DEPTH: case GL_MAX_PROJECTION_STACK_DEPTH:
    case GL_MAX_TEXTURE_STACK_DEPTH: *v = STACK_DEPTH; return;
    case GL_MAX_ATTRIB_STACK_DEPTH: *v = 16; return;
    case GL_UNPACK_ALIGNMENT: *v = S.unpackAlignment; return;
    case GL_UNPACK_ROW_LENGTH: *v = S.unpackRowLength; return;
    case GL_DEPTH_BITS: *v = 24; return;
    case GL_RED_BITS: case GL_GREEN_BITS: case GL_BLUE_BITS: case GL_ALPHA_BITS: *v = 8; return;
    case GL_ACCUM_RED_BITS: case GL_ACCUM_GREEN_BITS: case GL_ACCUM_BLUE_BITS:
    case GL_ACCUM_ALPHA_BITS: *v = 0; return;
    default: break;
    }
    emscripten_glGetIntegerv(name, v);
}

void glGetBooleanv(GLenum name, GLboolean *v)
{
    if (name == GL_DEPTH_WRITEMASK) {
        *v = S.depthMask;
        return;
    }
    if (name == GL_COLOR_WRITEMASK) {
        memcpy(v, S.colorMask, sizeof S.colorMask);
        return;
    }
    GLint i = 0;
    glGetIntegerv(name, &i);
    *v = i != 0;
}

GLenum glGetError(void)
{
    return emscripten_glGetError();
}

/* -- attribute stacks -- */

void glPushAttrib(GLbitfield mask)
{
    init();
    if (recordE(OP_PUSH_ATTRIB, mask))
        return;
    AttribFrame frame;
    saveAttribs(&frame, mask);
    S.attribStack.push_back(frame);
}

void glPopAttrib(void)
{
    if (recordE(OP_POP_ATTRIB, 0))
        return;
    if (S.attribStack.empty())
        return;
    AttribFrame frame = S.attribStack.back();
    S.attribStack.pop_back();
    restoreAttribs(&frame);
}

void glPushClientAttrib(GLbitfield)
{
    S.clientStack.push_back(S.unpackAlignment);
    S.clientStack.push_back(S.unpackRowLength);
}

void glPopClientAttrib(void)
{
    if (S.clientStack.size() < 2)
        return;
    glPixelStorei(GL_UNPACK_ROW_LENGTH, S.clientStack.back());
    S.clientStack.pop_back();
    glPixelStorei(GL_UNPACK_ALIGNMENT, S.clientStack.back());
    S.clientStack.pop_back();
}

/* -- lights and materials -- */

static void lightParameter(struct WebLight *l, GLenum pname, const float *v)
{
    switch (pname) {
    case GL_AMBIENT: setVec4(l->ambient, v); break;
    case GL_DIFFUSE: setVec4(l->diffuse, v); break;
    case GL_SPECULAR: setVec4(l->specular, v); break;
    case GL_POSITION: transform(S.fixed.modelview, v, l->position); break;
    case GL_SPOT_DIRECTION: {
        const float d[4] = {v[0], v[1], v[2], 0.0f};
        float e[4];
        transform(S.fixed.modelview, d, e);
        memcpy(l->spotDirection, e, 3 * sizeof(float));
        break;
    }
    case GL_SPOT_EXPONENT: l->spotExponent = v[0]; break;
    case GL_SPOT_CUTOFF: l->spotCutoff = v[0]; break;
    case GL_CONSTANT_ATTENUATION: l->attenuation[0] = v[0]; break;
    case GL_LINEAR_ATTENUATION: l->attenuation[1] = v[0]; break;
    case GL_QUADRATIC_ATTENUATION: l->attenuation[2] = v[0]; break;
    default: break;
    }
}

void glLightfv(GLenum light, GLenum pname, const GLfloat *v)
{
    init();
    const GLenum e[2] = {light, pname};
    if (record(OP_LIGHT, e, 2, v, 4))
        return;
    int i = (int)(light - GL_LIGHT0);
    if (i < 0 || i >= WEB_LIGHTS)
        return;
    lightParameter(&S.fixed.light[i], pname, v);
    S.fixed.lightSerial++;
}

void glLightf(GLenum light, GLenum pname, GLfloat value)
{
    const float v[4] = {value, 0.0f, 0.0f, 0.0f};
    glLightfv(light, pname, v);
}

void glLightModelfv(GLenum pname, const GLfloat *v)
{
    init();
    const GLenum e[1] = {pname};
    if (record(OP_LIGHT_MODEL, e, 1, v, 4))
        return;
    if (pname == GL_LIGHT_MODEL_AMBIENT)
        setVec4(S.fixed.lightModelAmbient, v);
    else if (pname == GL_LIGHT_MODEL_TWO_SIDE)
        S.fixed.twoSide = v[0] != 0.0f;
    S.fixed.lightSerial++;
}

void glLightModeli(GLenum pname, GLint value)
{
    const float v[4] = {(float)value, 0.0f, 0.0f, 0.0f};
    glLightModelfv(pname, v);
}

void glLightModelf(GLenum pname, GLfloat value)
{
    const float v[4] = {value, 0.0f, 0.0f, 0.0f};
    glLightModelfv(pname, v);
}

void glMaterialfv(GLenum face, GLenum pname, const GLfloat *v)
{
    init();
    if (S.primitive != 0)
        splitRun();
    const GLenum e[2] = {face, pname};
    if (record(OP_MATERIAL, e, 2, v, 4))
        return;
    for (int f = 0; f < 2; f++) {
        if ((f == 0 && face == GL_BACK) || (f == 1 && face == GL_FRONT))
            continue;
        struct WebMaterial *m = &S.fixed.material[f];
        switch (pname) {
        case GL_AMBIENT: setVec4(m->ambient, v); break;
        case GL_DIFFUSE: setVec4(m->diffuse, v); break;
        case GL_SPECULAR: setVec4(m->specular, v); break;
        case GL_EMISSION: setVec4(m->emission, v); break;
        case GL_SHININESS: m->shininess = v[0]; break;
        case GL_AMBIENT_AND_DIFFUSE:
            setVec4(m->ambient, v);
            setVec4(m->diffuse, v);
            break;
        default: break;
        }
    }
    S.fixed.lightSerial++;
}

void glMaterialf(GLenum face, GLenum pname, GLfloat value)
{
    const float v[4] = {value, 0.0f, 0.0f, 0.0f};
    glMaterialfv(face, pname, v);
}

void glColorMaterial(GLenum face, GLenum mode)
{
    init();
    if (recordE(OP_COLOR_MATERIAL, face, mode))
        return;
    S.fixed.colorMaterialFace = face;
    S.fixed.colorMaterialMode = mode;
    S.fixed.lightSerial++;
}

/* Only chooses between the smooth and the flat fixed-function program: no
 * uniform depends on it. */
void glShadeModel(GLenum mode)
{
    init();
    S.fixed.flat = mode == GL_FLAT;
}
void glHint(GLenum, GLenum) {}
void glPolygonMode(GLenum, GLenum) {}
void glPointSize(GLfloat) {}
void glFogf(GLenum, GLfloat) {}
void glFogfv(GLenum, const GLfloat *) {}
void glFogi(GLenum, GLint) {}
void glClearAccum(GLfloat, GLfloat, GLfloat, GLfloat) {}
void glAccum(GLenum, GLfloat) {}
void glDrawBuffer(GLenum) {}

/* The alpha test, done by the fixed-function fragment stage. */
void glAlphaFunc(GLenum func, GLclampf ref)
{
    init();
    const GLenum e[1] = {func};
    const float f[1] = {ref};
    if (record(OP_ALPHA_FUNC, e, 1, f, 1))
        return;
    S.fixed.alphaFunc = func;
    S.fixed.alphaRef = ref < 0.0f ? 0.0f : ref > 1.0f ? 1.0f : ref;
    S.fixed.fixedSerial++;
}

void glTexEnvi(GLenum target, GLenum pname, GLint value)
{
    init();
    if (recordE(OP_TEX_ENV, target, pname, (GLenum)value))
        return;
    if (target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE) {
        S.fixed.texEnvMode[unitIndex()] = (GLenum)value;
        S.fixed.fixedSerial++;
    }
}

void glTexEnvf(GLenum target, GLenum pname, GLfloat value) { glTexEnvi(target, pname, (GLint)value); }

/* -- WebGL state kept here too -- */

void glBlendFuncSeparate(GLenum srcRGB, GLenum dstRGB, GLenum srcAlpha, GLenum dstAlpha)
{
    init();
    if (recordE(OP_BLEND_FUNC, srcRGB, dstRGB, srcAlpha, dstAlpha))
        return;
    S.blendSrcRGB = srcRGB;
    S.blendDstRGB = dstRGB;
    S.blendSrcAlpha = srcAlpha;
    S.blendDstAlpha = dstAlpha;
    emscripten_glBlendFuncSeparate(srcRGB, dstRGB, srcAlpha, dstAlpha);
}

void glBlendFunc(GLenum src, GLenum dst) { glBlendFuncSeparate(src, dst, src, dst); }

void glBlendEquationSeparate(GLenum rgb, GLenum alpha)
{
    init();
    if (recordE(OP_BLEND_EQUATION, rgb, alpha))
        return;
    S.blendEqRGB = rgb;
    S.blendEqAlpha = alpha;
    emscripten_glBlendEquationSeparate(rgb, alpha);
}

void glBlendEquation(GLenum mode) { glBlendEquationSeparate(mode, mode); }

void glBlendColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    init();
    S.blendColor[0] = r;
    S.blendColor[1] = g;
    S.blendColor[2] = b;
    S.blendColor[3] = a;
    emscripten_glBlendColor(r, g, b, a);
}

void glClearColor(GLfloat r, GLfloat g, GLfloat b, GLfloat a)
{
    init();
    S.clearColor[0] = r;
    S.clearColor[1] = g;
    S.clearColor[2] = b;
    S.clearColor[3] = a;
    emscripten_glClearColor(r, g, b, a);
}

void glClearDepth(GLclampd depth)
{
    init();
    S.clearDepth = (float)depth;
    emscripten_glClearDepthf((float)depth);
}

void glClear(GLbitfield mask)
{
    init();
    mask &= GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
    if (mask != 0)
        emscripten_glClear(mask);
}

void glColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a)
{
    init();
    if (recordE(OP_COLOR_MASK, r, g, b, a))
        return;
    S.colorMask[0] = r;
    S.colorMask[1] = g;
    S.colorMask[2] = b;
    S.colorMask[3] = a;
    emscripten_glColorMask(r, g, b, a);
}

void glDepthFunc(GLenum func)
{
    init();
    if (recordE(OP_DEPTH_FUNC, func))
        return;
    S.depthFunc = func;
    emscripten_glDepthFunc(func);
}

void glDepthMask(GLboolean flag)
{
    init();
    if (recordE(OP_DEPTH_MASK, flag))
        return;
    S.depthMask = flag;
    emscripten_glDepthMask(flag);
}

void glDepthRange(GLclampd n, GLclampd f)
{
    init();
    S.depthRange[0] = (float)n;
    S.depthRange[1] = (float)f;
    emscripten_glDepthRangef((float)n, (float)f);
}

void glViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    init();
    S.viewport[0] = x;
    S.viewport[1] = y;
    S.viewport[2] = width;
    S.viewport[3] = height;
    emscripten_glViewport(x, y, width, height);
}

void glScissor(GLint x, GLint y, GLsizei width, GLsizei height)
{
    init();
    S.scissor[0] = x;
    S.scissor[1] = y;
    S.scissor[2] = width;
    S.scissor[3] = height;
    emscripten_glScissor(x, y, width, height);
}

void glCullFace(GLenum mode)
{
    init();
    if (recordE(OP_CULL_FACE, mode))
        return;
    S.cullFaceMode = mode;
    emscripten_glCullFace(mode);
}

void glFrontFace(GLenum mode)
{
    init();
    if (recordE(OP_FRONT_FACE, mode))
        return;
    S.frontFace = mode;
    emscripten_glFrontFace(mode);
}

void glLineWidth(GLfloat width)
{
    const float f[1] = {width};
    if (record(OP_LINE_WIDTH, nullptr, 0, f, 1))
        return;
    emscripten_glLineWidth(width);
}

void glFinish(void) { emscripten_glFinish(); }
void glFlush(void) { emscripten_glFlush(); }

/* -- textures -- */

void glActiveTexture(GLenum texture)
{
    init();
    if (recordE(OP_ACTIVE_TEXTURE, texture))
        return;
    int unit = (int)(texture - GL_TEXTURE0);
    S.activeTexture = unit >= 0 && unit < WEB_TEXTURE_UNITS ? (GLenum)unit : 0;
    emscripten_glActiveTexture(texture);
}

void glBindTexture(GLenum target, GLuint texture)
{
    init();
    if (recordE(OP_BIND_TEXTURE, target, texture))
        return;
    if (target == GL_TEXTURE_2D)
        S.texture2D[unitIndex()] = texture;
    else if (target == GL_TEXTURE_CUBE_MAP)
        S.textureCube[unitIndex()] = texture;
    emscripten_glBindTexture(target, texture);
}

void glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei width, GLsizei height,
                  GLint border, GLenum format, GLenum type, const void *data)
{
    init();
    if (target == GL_PROXY_TEXTURE_2D) {
        GLint largest = 0;
        emscripten_glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
        int fits = width <= largest && height <= largest;
        S.proxyWidth = fits ? width : 0;
        S.proxyHeight = fits ? height : 0;
        return;
    }
    std::vector<unsigned char> buffer;
    data = swizzled(format, width, height, data, buffer);
    webFormat(&internal, &format, &type, data);
    TextureInfo *info = textureInfo(boundTexture(target));
    if (info != nullptr && level == 0) {
        info->width = width;
        info->height = height;
        info->floating = isFloatFormat(internal);
    }
    emscripten_glTexImage2D(target, level, internal, width, height, border, format, type, data);
    if (info != nullptr && info->generateMipmap && level == 0)
        emscripten_glGenerateMipmap(target == GL_TEXTURE_2D ? GL_TEXTURE_2D : GL_TEXTURE_CUBE_MAP);
}

/* One-dimensional textures (GLU's gluBuild1DMipmaps) are not in WebGL. */
void glTexImage1D(GLenum, GLint, GLint, GLsizei, GLint, GLenum, GLenum, const void *) {}

void glTexSubImage2D(GLenum target, GLint level, GLint x, GLint y, GLsizei width, GLsizei height,
                     GLenum format, GLenum type, const void *data)
{
    std::vector<unsigned char> buffer;
    data = swizzled(format, width, height, data, buffer);
    if (format == GL_BGR)
        format = GL_RGB;
    if (format == GL_BGRA)
        format = GL_RGBA;
    emscripten_glTexSubImage2D(target, level, x, y, width, height, format, type, data);
}

void glGetTexLevelParameteriv(GLenum target, GLint level, GLenum pname, GLint *v)
{
    if (target == GL_PROXY_TEXTURE_2D) {
        *v = pname == GL_TEXTURE_WIDTH ? S.proxyWidth : pname == GL_TEXTURE_HEIGHT ? S.proxyHeight : 0;
        return;
    }
    TextureInfo *info = textureInfo(boundTexture(target));
    *v = 0;
    if (info != nullptr && level == 0)
        *v = pname == GL_TEXTURE_WIDTH ? info->width : pname == GL_TEXTURE_HEIGHT ? info->height : 0;
}

void glTexParameteri(GLenum target, GLenum pname, GLint value)
{
    init();
    if (pname == GL_GENERATE_MIPMAP) {
        TextureInfo *info = textureInfo(boundTexture(target));
        if (info != nullptr)
            info->generateMipmap = value != 0;
        return;
    }
    if (value == GL_CLAMP)
        value = GL_CLAMP_TO_EDGE;
    if (pname == GL_TEXTURE_BORDER_COLOR || pname == GL_TEXTURE_PRIORITY ||
        pname == GL_DEPTH_TEXTURE_MODE)
        return;
    emscripten_glTexParameteri(target, pname, value);
}

void glTexParameterf(GLenum target, GLenum pname, GLfloat value)
{
    glTexParameteri(target, pname, (GLint)value);
}

void glPixelStorei(GLenum pname, GLint value)
{
    init();
    if (pname == GL_UNPACK_ALIGNMENT)
        S.unpackAlignment = value;
    if (pname == GL_UNPACK_ROW_LENGTH)
        S.unpackRowLength = value;
    if (pname == GL_UNPACK_ALIGNMENT || pname == GL_PACK_ALIGNMENT || pname == GL_UNPACK_ROW_LENGTH ||
        pname == GL_PACK_ROW_LENGTH || pname == GL_UNPACK_SKIP_ROWS ||
        pname == GL_UNPACK_SKIP_PIXELS || pname == GL_PACK_SKIP_ROWS || pname == GL_PACK_SKIP_PIXELS)
        emscripten_glPixelStorei(pname, value);
}

void glPixelTransferf(GLenum pname, GLfloat value)
{
    switch (pname) {
    case GL_RED_SCALE: S.pixelScale[0] = value; break;
    case GL_GREEN_SCALE: S.pixelScale[1] = value; break;
    case GL_BLUE_SCALE: S.pixelScale[2] = value; break;
    case GL_ALPHA_SCALE: S.pixelScale[3] = value; break;
    default: break;
    }
}

/* -- framebuffers -- */

void glBindFramebuffer(GLenum target, GLuint framebuffer)
{
    init();
    if (target == GL_FRAMEBUFFER || target == GL_DRAW_FRAMEBUFFER)
        S.drawFramebuffer = framebuffer;
    if (target == GL_FRAMEBUFFER || target == GL_READ_FRAMEBUFFER)
        S.readFramebuffer = framebuffer;
    emscripten_glBindFramebuffer(target, framebuffer);
}

void glBindFramebufferEXT(GLenum target, GLuint framebuffer) { glBindFramebuffer(target, framebuffer); }

void glFramebufferTexture2D(GLenum target, GLenum attachment, GLenum textarget, GLuint texture,
                            GLint level)
{
    GLuint bound = target == GL_READ_FRAMEBUFFER ? S.readFramebuffer : S.drawFramebuffer;
    FramebufferInfo *info = framebufferInfo(bound);
    if (info != nullptr && attachment == GL_COLOR_ATTACHMENT0) {
        info->colorTexture = textarget == GL_TEXTURE_2D ? texture : 0;
        TextureInfo *t = textureInfo(texture);
        info->floating = t != nullptr && t->floating;
    }
    emscripten_glFramebufferTexture2D(target, attachment, textarget, texture, level);
}

void glFramebufferTexture2DEXT(GLenum target, GLenum attachment, GLenum textarget, GLuint texture,
                               GLint level)
{
    glFramebufferTexture2D(target, attachment, textarget, texture, level);
}

void glGenFramebuffersEXT(GLsizei n, GLuint *names) { emscripten_glGenFramebuffers(n, names); }
void glGenRenderbuffersEXT(GLsizei n, GLuint *names) { emscripten_glGenRenderbuffers(n, names); }
void glBindRenderbufferEXT(GLenum target, GLuint name) { emscripten_glBindRenderbuffer(target, name); }

void glRenderbufferStorage(GLenum target, GLenum format, GLsizei width, GLsizei height)
{
    if (format == GL_DEPTH_COMPONENT32 || format == GL_DEPTH_COMPONENT)
        format = GL_DEPTH_COMPONENT24;
    emscripten_glRenderbufferStorage(target, format, width, height);
}

void glRenderbufferStorageEXT(GLenum target, GLenum format, GLsizei width, GLsizei height)
{
    glRenderbufferStorage(target, format, width, height);
}

void glFramebufferRenderbufferEXT(GLenum target, GLenum attachment, GLenum rbtarget, GLuint name)
{
    emscripten_glFramebufferRenderbuffer(target, attachment, rbtarget, name);
}

GLenum glCheckFramebufferStatusEXT(GLenum target) { return emscripten_glCheckFramebufferStatus(target); }

void glBlitFramebuffer(GLint sx0, GLint sy0, GLint sx1, GLint sy1, GLint dx0, GLint dy0, GLint dx1,
                       GLint dy1, GLbitfield mask, GLenum filter)
{
    init();
    if ((mask & GL_COLOR_BUFFER_BIT) &&
        framebufferIsFloat(S.readFramebuffer) != framebufferIsFloat(S.drawFramebuffer)) {
        drawnBlit(sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, filter);
        mask &= ~(GLbitfield)GL_COLOR_BUFFER_BIT;
        if (mask == 0)
            return;
    }
    emscripten_glBlitFramebuffer(sx0, sy0, sx1, sy1, dx0, dy0, dx1, dy1, mask, filter);
}

void glReadBuffer(GLenum mode)
{
    if (mode == GL_BACK && S.readFramebuffer != 0)
        mode = GL_COLOR_ATTACHMENT0;
    if (mode == GL_FRONT)
        mode = GL_BACK;
    emscripten_glReadBuffer(S.readFramebuffer != 0 && mode == GL_BACK ? GL_COLOR_ATTACHMENT0 : mode);
}

/* WebGL reads RGBA bytes; other layouts are packed from them. */
void glReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                  void *data)
{
    if (format == GL_RGBA && type == GL_UNSIGNED_BYTE) {
        emscripten_glReadPixels(x, y, width, height, format, type, data);
        return;
    }
    std::vector<unsigned char> rgba((size_t)width * height * 4);
    emscripten_glPixelStorei(GL_PACK_ALIGNMENT, 4);
    emscripten_glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    GLint alignment = 4;
    emscripten_glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
    int channels = format == GL_RGB || format == GL_BGR ? 3 : 4;
    size_t row = (size_t)width * channels;
    size_t pitch = (row + alignment - 1) / alignment * alignment;
    unsigned char *out = (unsigned char *)data;
    for (GLsizei r = 0; r < height; r++)
        for (GLsizei c = 0; c < width; c++) {
            const unsigned char *p = &rgba[((size_t)r * width + c) * 4];
            unsigned char *q = out + r * pitch + c * channels;
            int bgr = format == GL_BGR || format == GL_BGRA;
            q[0] = p[bgr ? 2 : 0];
            q[1] = p[1];
            q[2] = p[bgr ? 0 : 2];
            if (channels == 4)
                q[3] = p[3];
        }
}

/* -- buffers and client arrays -- */

void glBindBuffer(GLenum target, GLuint buffer)
{
    init();
    if (target == GL_ELEMENT_ARRAY_BUFFER) {
        S.elementBuffer = buffer;   /* bound into the vertex array of each draw */
        return;
    }
    if (target == GL_ARRAY_BUFFER)
        S.arrayBuffer = buffer;
    emscripten_glBindBuffer(target, buffer);
}

void glBufferData(GLenum target, GLsizeiptr size, const void *data, GLenum usage)
{
    if (target == GL_ELEMENT_ARRAY_BUFFER) {
        emscripten_glBindVertexArray(S.clientVao);
        emscripten_glBindBuffer(target, S.elementBuffer);
        emscripten_glBufferData(target, size, data, usage);
        emscripten_glBindVertexArray(0);
        return;
    }
    emscripten_glBufferData(target, size, data, usage);
}

void glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void *data)
{
    if (target == GL_ELEMENT_ARRAY_BUFFER) {
        emscripten_glBindVertexArray(S.clientVao);
        emscripten_glBindBuffer(target, S.elementBuffer);
        emscripten_glBufferSubData(target, offset, size, data);
        emscripten_glBindVertexArray(0);
        return;
    }
    emscripten_glBufferSubData(target, offset, size, data);
}

static void arrayPointer(int attribute, GLint size, GLenum type, GLsizei stride, const void *pointer)
{
    init();
    S.arrays[attribute].size = size;
    S.arrays[attribute].type = type;
    S.arrays[attribute].stride = stride;
    S.arrays[attribute].pointer = pointer;
    S.arrays[attribute].buffer = S.arrayBuffer;
}

void glVertexPointer(GLint size, GLenum type, GLsizei stride, const void *pointer)
{
    arrayPointer(WEB_ATTR_VERTEX, size, type, stride, pointer);
}

void glNormalPointer(GLenum type, GLsizei stride, const void *pointer)
{
    arrayPointer(WEB_ATTR_NORMAL, 3, type, stride, pointer);
}

void glColorPointer(GLint size, GLenum type, GLsizei stride, const void *pointer)
{
    arrayPointer(WEB_ATTR_COLOR, size, type, stride, pointer);
}

void glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void *pointer)
{
    arrayPointer(S.clientActiveTexture == GL_TEXTURE1 ? WEB_ATTR_TEXCOORD1 : WEB_ATTR_TEXCOORD0,
                 size, type, stride, pointer);
}

void glDrawArrays(GLenum mode, GLint first, GLsizei count)
{
    init();
    if (count <= 0)
        return;
    if (mode == GL_QUADS || mode == GL_QUAD_STRIP || mode == GL_POLYGON) {
        /* not in WebGL: through immediate mode from memory arrays */
        bindClientArrays(first + count);
        emscripten_glBindVertexArray(0);
        return;
    }
    bindClientArrays(first + count);
    emscripten_glDrawArrays(mode, first, count);
    emscripten_glBindVertexArray(0);
}

void glMultiDrawArrays(GLenum mode, const GLint *first, const GLsizei *count, GLsizei runs)
{
    init();
    GLsizei end = 0;
    for (GLsizei r = 0; r < runs; r++)
        if (first[r] + count[r] > end)
            end = first[r] + count[r];
    if (end <= 0)
        return;
    bindClientArrays(end);
    for (GLsizei r = 0; r < runs; r++)
        if (count[r] > 0)
            emscripten_glDrawArrays(mode, first[r], count[r]);
    emscripten_glBindVertexArray(0);
}

void glDrawElements(GLenum mode, GLsizei count, GLenum type, const void *indices)
{
    init();
    if (count <= 0)
        return;
    GLsizei vertices = 0;
    if (S.elementBuffer == 0) {
        for (GLsizei i = 0; i < count; i++) {
            GLsizei index = type == GL_UNSIGNED_INT     ? (GLsizei)((const GLuint *)indices)[i]
                            : type == GL_UNSIGNED_SHORT ? ((const GLushort *)indices)[i]
                                                        : ((const GLubyte *)indices)[i];
            if (index + 1 > vertices)
                vertices = index + 1;
        }
    } else {
        vertices = 1;
        for (int a = 0; a < WEB_ATTR_COUNT; a++)
            if (S.arrays[a].enabled && S.arrays[a].buffer == 0) {
                printf("[/] glDrawElements: arrays in memory need their indices in memory too\n");
                return;
            }
    }
    bindClientArrays(vertices);
    if (S.elementBuffer == 0) {
        emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, S.clientElements);
        emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER, (GLsizeiptr)count * typeSize(type), indices,
                                GL_STREAM_DRAW);
        indices = nullptr;
    } else {
        emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, S.elementBuffer);
    }
    emscripten_glDrawElements(mode, count, type, indices);
    emscripten_glBindVertexArray(0);
}

/* -- display lists -- */

GLuint glGenLists(GLsizei range)
{
    init();
    GLuint first = (GLuint)S.lists.size();
    for (GLsizei i = 0; i < range; i++)
        S.lists.push_back(new DisplayList());
    return first;
}

GLboolean glIsList(GLuint name)
{
    return name > 0 && name < S.lists.size() && S.lists[name] != nullptr;
}

void glNewList(GLuint name, GLenum mode)
{
    init();
    if (!glIsList(name) || S.recording != nullptr)
        return;
    DisplayList *list = S.lists[name];
    list->ops.clear();
    list->vertices.clear();
    if (list->vao != 0) {
        emscripten_glDeleteBuffers(1, &list->buffer);
        list->vao = 0;
    }
    S.recording = list;
    S.currentBeforeList = S.current;
    S.recordingName = name;
    S.listMode = mode;
    S.listSetAttributes = 0;
}

void glEndList(void)
{
    if (S.recording != nullptr && S.listMode == GL_COMPILE)
        S.current = S.currentBeforeList;
    S.recording = nullptr;
    S.recordingName = 0;
}

void glDeleteLists(GLuint first, GLsizei range)
{
    for (GLsizei i = 0; i < range; i++)
        if (glIsList(first + i)) {
            DisplayList *list = S.lists[first + i];
            if (list->vao != 0)
                emscripten_glDeleteBuffers(1, &list->buffer);
            list->ops.clear();
            list->vertices.clear();
            list->vao = 0;
        }
}

void glCallList(GLuint name)
{
    init();
    if (recordE(OP_CALL_LIST, name))
        return;
    if (!glIsList(name) || S.replayDepth > 64)
        return;
    S.replayDepth++;
    replayList(name);
    S.replayDepth--;
}

void glCallLists(GLsizei n, GLenum type, const void *lists)
{
    for (GLsizei i = 0; i < n; i++) {
        GLuint name = type == GL_UNSIGNED_INT     ? ((const GLuint *)lists)[i]
                      : type == GL_UNSIGNED_SHORT ? ((const GLushort *)lists)[i]
                                                  : ((const GLubyte *)lists)[i];
        glCallList(name);
    }
}

/* -- raster position and pixels -- */

void glWindowPos2i(GLint x, GLint y)
{
    init();
    S.rasterPosition[0] = (float)x;
    S.rasterPosition[1] = (float)y;
    S.rasterPosition[2] = 0.0f;
    setVec4(S.rasterColor, S.current.color);
}

void glWindowPos2f(GLfloat x, GLfloat y) { glWindowPos2i((GLint)x, (GLint)y); }

void glRasterPos2f(GLfloat x, GLfloat y) { setRasterFromObject(x, y, 0.0f, 1.0f); }
void glRasterPos2i(GLint x, GLint y) { setRasterFromObject((float)x, (float)y, 0.0f, 1.0f); }
void glRasterPos3f(GLfloat x, GLfloat y, GLfloat z) { setRasterFromObject(x, y, z, 1.0f); }

void glBitmap(GLsizei, GLsizei, GLfloat, GLfloat, GLfloat xmove, GLfloat ymove, const GLubyte *)
{
    S.rasterPosition[0] += xmove;
    S.rasterPosition[1] += ymove;
}

/* The pixel rectangle goes through a texture, scaled by the pixel transfer
 * scales, at the raster position, blended as the state says. */
void glDrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const void *data)
{
    init();
    if (width <= 0 || height <= 0 || type != GL_UNSIGNED_BYTE)
        return;
    int channels = format == GL_LUMINANCE_ALPHA ? 2 : format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 1;
    size_t row = (size_t)(S.unpackRowLength > 0 ? S.unpackRowLength : width) * channels;
    size_t pitch = (row + S.unpackAlignment - 1) / S.unpackAlignment * S.unpackAlignment;
    std::vector<unsigned char> rgba((size_t)width * height * 4);
    const unsigned char *in = (const unsigned char *)data;
    for (GLsizei y = 0; y < height; y++)
        for (GLsizei x = 0; x < width; x++) {
            const unsigned char *p = in + y * pitch + x * channels;
            unsigned char *q = &rgba[((size_t)y * width + x) * 4];
            switch (format) {
            case GL_LUMINANCE_ALPHA: q[0] = q[1] = q[2] = p[0]; q[3] = p[1]; break;
            case GL_LUMINANCE: q[0] = q[1] = q[2] = p[0]; q[3] = 255; break;
            case GL_ALPHA: q[0] = q[1] = q[2] = 255; q[3] = p[0]; break;
            case GL_RGB: q[0] = p[0]; q[1] = p[1]; q[2] = p[2]; q[3] = 255; break;
            default: q[0] = p[0]; q[1] = p[1]; q[2] = p[2]; q[3] = p[3]; break;
            }
        }
    if (S.pixelTexture == 0)
        emscripten_glGenTextures(1, &S.pixelTexture);
    emscripten_glActiveTexture(GL_TEXTURE0);
    emscripten_glBindTexture(GL_TEXTURE_2D, S.pixelTexture);
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    emscripten_glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA,
                            GL_UNSIGNED_BYTE, rgba.data());
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, S.unpackAlignment);
    emscripten_glPixelStorei(GL_UNPACK_ROW_LENGTH, S.unpackRowLength);
    emscripten_glViewport((GLint)floorf(S.rasterPosition[0]), (GLint)floorf(S.rasterPosition[1]),
                          width, height);
    const float rect[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    drawTexture(S.pixelTexture, rect, S.pixelScale, S.enables[capIndex(GL_BLEND)], GL_NEAREST);
    emscripten_glViewport(S.viewport[0], S.viewport[1], S.viewport[2], S.viewport[3]);
}

/* -- programs (the handles are the layer's, see web_glsl.cpp) -- */

void glUseProgram(GLuint program)
{
    init();
    if (recordE(OP_USE_PROGRAM, program))
        return;
    S.program = program;
    emscripten_glUseProgram(webglsl_realProgram(program));
}

void glUseProgramObjectARB(GLhandleARB program) { glUseProgram(program); }

} /* extern "C" */

/* ---- Replay ----------------------------------------------------------------------- */

static void replayList(GLuint name)
{
    DisplayList *list = S.lists[name];
    for (size_t i = 0; i < list->ops.size(); i++) {
        const ListOp *op = &list->ops[i];
        const GLenum *e = op->e;
        const float *f = op->f;
        switch (op->code) {
        case OP_ENABLE: glEnable(e[0]); break;
        case OP_DISABLE: glDisable(e[0]); break;
        case OP_COLOR: color(f[0], f[1], f[2], f[3]); break;
        case OP_NORMAL: normal(f[0], f[1], f[2]); break;
        case OP_SECONDARY: glSecondaryColor3f(f[0], f[1], f[2]); break;
        case OP_TEXCOORD: texcoord((int)f[4], f[0], f[1], f[2], f[3]); break;
        case OP_MATERIAL: glMaterialfv(e[0], e[1], f); break;
        case OP_LIGHT: glLightfv(e[0], e[1], f); break;
        case OP_LIGHT_MODEL: glLightModelfv(e[0], f); break;
        case OP_PUSH_ATTRIB: glPushAttrib(e[0]); break;
        case OP_POP_ATTRIB: glPopAttrib(); break;
        case OP_PUSH_MATRIX: glPushMatrix(); break;
        case OP_POP_MATRIX: glPopMatrix(); break;
        case OP_MATRIX_MODE: glMatrixMode(e[0]); break;
        case OP_LOAD_IDENTITY: glLoadIdentity(); break;
        case OP_MULT_MATRIX: glMultMatrixf(f); break;
        case OP_LOAD_MATRIX: glLoadMatrixf(f); break;
        case OP_BLEND_FUNC: glBlendFuncSeparate(e[0], e[1], e[2], e[3]); break;
        case OP_DEPTH_MASK: glDepthMask((GLboolean)e[0]); break;
        case OP_DEPTH_FUNC: glDepthFunc(e[0]); break;
        case OP_BIND_TEXTURE: glBindTexture(e[0], e[1]); break;
        case OP_TEX_ENV: glTexEnvi(e[0], e[1], (GLint)e[2]); break;
        case OP_CALL_LIST: glCallList(e[0]); break;
        case OP_DRAW: drawListRun(list, op); break;
        case OP_SET_CURRENT: setCurrentFromList(op); break;
        case OP_CULL_FACE: glCullFace(e[0]); break;
        case OP_FRONT_FACE: glFrontFace(e[0]); break;
        case OP_COLOR_MATERIAL: glColorMaterial(e[0], e[1]); break;
        case OP_USE_PROGRAM: glUseProgram(e[0]); break;
        case OP_BLEND_EQUATION: glBlendEquationSeparate(e[0], e[1]); break;
        case OP_COLOR_MASK: glColorMask((GLboolean)e[0], (GLboolean)e[1], (GLboolean)e[2], (GLboolean)e[3]); break;
        case OP_LINE_WIDTH: glLineWidth(f[0]); break;
        case OP_ACTIVE_TEXTURE: glActiveTexture(e[0]); break;
        case OP_ALPHA_FUNC: glAlphaFunc(e[0], f[0]); break;
        default: break;
        }
    }
}
