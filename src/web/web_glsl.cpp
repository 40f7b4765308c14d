/*
 * web_glsl.cpp - shader programs of the web GL layer: GLSL 1.20 sources
 * rewritten into GLSL ES 3.00, the fixed-function stages generated, and the
 * built-in uniforms fed from the layer's state.
 *
 * The rewriter works on tokens: "attribute" and "varying" become "in" and
 * "out", texture2D, textureCube and their kin become texture and its kin,
 * and the built-ins (gl_Vertex, gl_Normal, gl_Color, gl_SecondaryColor,
 * gl_MultiTexCoord0/1, gl_FrontColor, gl_BackColor, gl_TexCoord,
 * gl_FragColor, gl_FragData, gl_ModelViewMatrix, gl_ProjectionMatrix,
 * gl_ModelViewProjectionMatrix, gl_NormalMatrix, gl_TextureMatrix,
 * gl_LightSource, gl_LightModel, gl_FrontMaterial, ftransform, ...) become
 * attributes, varyings, uniforms and a function of the layer's own, declared
 * in a prelude every stage shares (names start with "tvxgl_", which WebGL
 * leaves free). A program without a vertex stage gets the fixed-function
 * one (transform, lighting, colour material, texture matrices); one without
 * a fragment stage gets the fixed-function fragment stage (colour times the
 * unit-0 texture in the texture environment's mode, then the alpha test;
 * a fragment stage of the code's own is not alpha-tested); the fixed-function
 * program is both. Uniforms are sent at a draw only when the part of the
 * state they come from has changed since the program's last draw.
 *
 * Program and shader handles are the layer's own (a table here), since the
 * ARB entry points share one name space for both; uniform locations are
 * WebGL's, for the program in use.
 *
 * Depends on: WebGL 2 through emscripten (web_gl.h), the layer's state
 * (web_gl.cpp), libc and the C++ library's string and vector.
 */
#include "web_gl.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <string>
#include <vector>

/* ---- State ---------------------------------------------------------------------- */

enum Uniform {
    U_MODELVIEW, U_PROJECTION, U_MVP, U_NORMAL_MATRIX, U_MODELVIEW_INVERSE, U_TEXTURE0, U_TEXTURE1,
    U_LIGHT_MODEL_AMBIENT, U_LIGHTING, U_NORMALIZE, U_TWO_SIDE, U_COLOR_MATERIAL, U_TEX_ON,
    U_TEX_ENV, U_FRONT_EMISSION, U_FRONT_AMBIENT, U_FRONT_DIFFUSE, U_FRONT_SPECULAR,
    U_FRONT_SHININESS, U_BACK_EMISSION, U_BACK_AMBIENT, U_BACK_DIFFUSE, U_BACK_SPECULAR,
    U_BACK_SHININESS, U_ALPHA_FUNC, U_ALPHA_REF, U_LIGHTS
};
enum LightUniform {
    L_AMBIENT, L_DIFFUSE, L_SPECULAR, L_POSITION, L_HALF_VECTOR, L_SPOT_DIRECTION, L_SPOT_EXPONENT,
    L_SPOT_CUTOFF, L_SPOT_COS_CUTOFF, L_CONSTANT, L_LINEAR, L_QUADRATIC, L_ON, L_COUNT
};
static const int UNIFORM_COUNT = U_LIGHTS + WEB_LIGHTS * L_COUNT;

static const char *const UNIFORM_NAMES[U_LIGHTS] = {
    "tvxgl_ModelViewMatrix", "tvxgl_ProjectionMatrix", "tvxgl_ModelViewProjectionMatrix",
    "tvxgl_NormalMatrix", "tvxgl_ModelViewMatrixInverse", "tvxgl_TextureMatrix[0]",
    "tvxgl_TextureMatrix[1]", "tvxgl_LightModel.ambient", "tvxgl_Lighting", "tvxgl_Normalize",
    "tvxgl_TwoSide", "tvxgl_ColorMaterial", "tvxgl_Texture0", "tvxgl_TexEnv0",
    "tvxgl_FrontMaterial.emission", "tvxgl_FrontMaterial.ambient", "tvxgl_FrontMaterial.diffuse",
    "tvxgl_FrontMaterial.specular", "tvxgl_FrontMaterial.shininess", "tvxgl_BackMaterial.emission",
    "tvxgl_BackMaterial.ambient", "tvxgl_BackMaterial.diffuse", "tvxgl_BackMaterial.specular",
    "tvxgl_BackMaterial.shininess", "tvxgl_AlphaFunc", "tvxgl_AlphaRef"};
static const char *const LIGHT_FIELDS[L_COUNT] = {
    "ambient", "diffuse", "specular", "position", "halfVector", "spotDirection", "spotExponent",
    "spotCutoff", "spotCosCutoff", "constantAttenuation", "linearAttenuation",
    "quadraticAttenuation", ""};

static const char *const ATTRIBUTE_NAMES[WEB_ATTR_COUNT] = {
    "tvxgl_Vertex", "tvxgl_Normal", "tvxgl_Color", "tvxgl_SecondaryColor",
    "tvxgl_MultiTexCoord0", "tvxgl_MultiTexCoord1"};

enum ObjectKind { KIND_FREE, KIND_SHADER, KIND_PROGRAM };

struct GLObject {
    int kind;
    GLuint real;               /* the WebGL shader or program */
    GLenum type;               /* a shader's stage */
    std::string source;        /* a shader's source as given */
    std::string log;           /* a shader's or program's log, with the layer's own lines */
    int ok;                    /* compiled, or linked */
    std::vector<GLuint> attached;
    int userVertex;            /* a program whose vertex stage is the code's own */
    GLint location[UNIFORM_COUNT];
    unsigned int matrixSerial, lightSerial, fixedSerial;   /* state last sent, plus one */
};

static std::vector<GLObject> objects(1);   /* handle 0 is never handed out */
/* The fixed-function stages and program, smooth ([0]) and flat ([1]): the
 * flat ones take each primitive's colours from its last vertex, as
 * glShadeModel(GL_FLAT) does. */
static GLuint fixedVertex[2] = {0, 0};     /* real shaders */
static GLuint fixedFragment[2] = {0, 0};
static GLuint fixedProgram[2] = {0, 0};    /* handles of the programs */
static GLuint realInUse = 0;

static const char *PRELUDE =
    "precision highp float;\n"
    "precision highp int;\n"
    "precision highp sampler2D;\n"
    "precision highp samplerCube;\n"
    "precision highp sampler3D;\n"
    "precision highp sampler2DShadow;\n"
    "struct tvxgl_LightSourceParameters {\n"
    "  vec4 ambient; vec4 diffuse; vec4 specular; vec4 position; vec4 halfVector;\n"
    "  vec3 spotDirection; float spotExponent; float spotCutoff; float spotCosCutoff;\n"
    "  float constantAttenuation; float linearAttenuation; float quadraticAttenuation;\n"
    "};\n"
    "uniform tvxgl_LightSourceParameters tvxgl_LightSource[8];\n"
    "struct tvxgl_LightModelParameters { vec4 ambient; };\n"
    "uniform tvxgl_LightModelParameters tvxgl_LightModel;\n"
    "struct tvxgl_MaterialParameters {\n"
    "  vec4 emission; vec4 ambient; vec4 diffuse; vec4 specular; float shininess;\n"
    "};\n"
    "uniform tvxgl_MaterialParameters tvxgl_FrontMaterial;\n"
    "uniform tvxgl_MaterialParameters tvxgl_BackMaterial;\n"
    "uniform mat4 tvxgl_ModelViewMatrix;\n"
    "uniform mat4 tvxgl_ProjectionMatrix;\n"
    "uniform mat4 tvxgl_ModelViewProjectionMatrix;\n"
    "uniform mat4 tvxgl_ModelViewMatrixInverse;\n"
    "uniform mat3 tvxgl_NormalMatrix;\n"
    "uniform mat4 tvxgl_TextureMatrix[2];\n"
    "const int tvxgl_MaxLights = 8;\n"
    "const int tvxgl_MaxTextureCoords = 4;\n";

static const char *VERTEX_PRELUDE =
    "in vec4 tvxgl_Vertex;\n"
    "in vec3 tvxgl_Normal;\n"
    "in vec4 tvxgl_Color;\n"
    "in vec4 tvxgl_SecondaryColor;\n"
    "in vec4 tvxgl_MultiTexCoord0;\n"
    "in vec4 tvxgl_MultiTexCoord1;\n"
    "const vec4 tvxgl_MultiTexCoordOther = vec4(0.0, 0.0, 0.0, 1.0);\n"
    "out vec4 tvxgl_FrontColor;\n"
    "out vec4 tvxgl_BackColor;\n"
    "out vec4 tvxgl_FrontSecondaryColor;\n"
    "out vec4 tvxgl_BackSecondaryColor;\n"
    "out vec4 tvxgl_TexCoord[4];\n"
    "out float tvxgl_FogFragCoord;\n"
    "vec4 tvxgl_ClipVertex;\n"
    "vec4 tvxgl_ftransform() { return tvxgl_ModelViewProjectionMatrix * tvxgl_Vertex; }\n";

static const char *FRAGMENT_PRELUDE =
    "in vec4 tvxgl_FrontColor;\n"
    "in vec4 tvxgl_BackColor;\n"
    "in vec4 tvxgl_FrontSecondaryColor;\n"
    "in vec4 tvxgl_TexCoord[4];\n"
    "in float tvxgl_FogFragCoord;\n";

/* The fixed-function vertex stage: per-vertex lighting as OpenGL 1.x does
 * it (infinite viewer, colour material, attenuation and spots). */
static const char *FIXED_VERTEX =
    "uniform bool tvxgl_Lighting;\n"
    "uniform bool tvxgl_LightOn[8];\n"
    "uniform bool tvxgl_Normalize;\n"
    "uniform bool tvxgl_TwoSide;\n"
    "uniform int tvxgl_ColorMaterial;\n"   /* 0 off, 1 ambient and diffuse, 2 diffuse, 3 ambient, 4 specular, 5 emission */
    "vec4 tvxgl_light(vec3 eye, vec3 n, tvxgl_MaterialParameters m) {\n"
    "  vec3 c = m.emission.rgb + tvxgl_LightModel.ambient.rgb * m.ambient.rgb;\n"
    "  for (int i = 0; i < 8; i++) {\n"
    "    if (!tvxgl_LightOn[i]) continue;\n"
    "    vec4 p = tvxgl_LightSource[i].position;\n"
    "    vec3 toLight = p.xyz - eye * p.w;\n"
    "    float att = 1.0;\n"
    "    if (p.w != 0.0) {\n"
    "      float d = length(toLight);\n"
    "      att = 1.0 / (tvxgl_LightSource[i].constantAttenuation + tvxgl_LightSource[i].linearAttenuation * d\n"
    "                   + tvxgl_LightSource[i].quadraticAttenuation * d * d);\n"
    "      if (tvxgl_LightSource[i].spotCutoff != 180.0) {\n"
    "        float s = dot(-normalize(toLight), normalize(tvxgl_LightSource[i].spotDirection));\n"
    "        att *= s < tvxgl_LightSource[i].spotCosCutoff ? 0.0 : pow(max(s, 0.0), tvxgl_LightSource[i].spotExponent);\n"
    "      }\n"
    "    }\n"
    "    vec3 l = dot(toLight, toLight) > 0.0 ? normalize(toLight) : vec3(0.0);\n"
    "    float nl = max(dot(n, l), 0.0);\n"
    "    vec3 term = tvxgl_LightSource[i].ambient.rgb * m.ambient.rgb\n"
    "              + nl * tvxgl_LightSource[i].diffuse.rgb * m.diffuse.rgb;\n"
    "    if (nl > 0.0) {\n"
    "      float nh = max(dot(n, normalize(l + vec3(0.0, 0.0, 1.0))), 0.0);\n"
    "      float f = m.shininess == 0.0 ? 1.0 : pow(nh, m.shininess);\n"
    "      term += f * tvxgl_LightSource[i].specular.rgb * m.specular.rgb;\n"
    "    }\n"
    "    c += att * term;\n"
    "  }\n"
    "  return vec4(clamp(c, 0.0, 1.0), clamp(m.diffuse.a, 0.0, 1.0));\n"
    "}\n"
    "tvxgl_MaterialParameters tvxgl_colored(tvxgl_MaterialParameters m) {\n"
    "  if (tvxgl_ColorMaterial == 1) { m.ambient = tvxgl_Color; m.diffuse = tvxgl_Color; }\n"
    "  else if (tvxgl_ColorMaterial == 2) m.diffuse = tvxgl_Color;\n"
    "  else if (tvxgl_ColorMaterial == 3) m.ambient = tvxgl_Color;\n"
    "  else if (tvxgl_ColorMaterial == 4) m.specular = tvxgl_Color;\n"
    "  else if (tvxgl_ColorMaterial == 5) m.emission = tvxgl_Color;\n"
    "  return m;\n"
    "}\n"
    "void main() {\n"
    "  vec4 eye = tvxgl_ModelViewMatrix * tvxgl_Vertex;\n"
    "  gl_Position = tvxgl_ProjectionMatrix * eye;\n"
    "  tvxgl_TexCoord[0] = tvxgl_TextureMatrix[0] * tvxgl_MultiTexCoord0;\n"
    "  tvxgl_TexCoord[1] = tvxgl_TextureMatrix[1] * tvxgl_MultiTexCoord1;\n"
    "  tvxgl_TexCoord[2] = vec4(0.0);\n"
    "  tvxgl_TexCoord[3] = vec4(0.0);\n"
    "  tvxgl_FrontSecondaryColor = tvxgl_SecondaryColor;\n"
    "  tvxgl_BackSecondaryColor = tvxgl_SecondaryColor;\n"
    "  tvxgl_FogFragCoord = -eye.z;\n"
    "  if (!tvxgl_Lighting) {\n"
    "    tvxgl_FrontColor = clamp(tvxgl_Color, 0.0, 1.0);\n"
    "    tvxgl_BackColor = tvxgl_FrontColor;\n"
    "    return;\n"
    "  }\n"
    "  vec3 n = tvxgl_NormalMatrix * tvxgl_Normal;\n"
    "  if (tvxgl_Normalize) n = dot(n, n) > 0.0 ? normalize(n) : n;\n"
    "  vec3 at = eye.w != 0.0 ? eye.xyz / eye.w : eye.xyz;\n"
    "  tvxgl_FrontColor = tvxgl_light(at, n, tvxgl_colored(tvxgl_FrontMaterial));\n"
    "  tvxgl_BackColor = tvxgl_TwoSide ? tvxgl_light(at, -n, tvxgl_colored(tvxgl_BackMaterial))\n"
    "                                  : tvxgl_FrontColor;\n"
    "}\n";

/* The fixed-function fragment stage: the colour, times the unit-0 texture
 * in the texture environment's mode (0 modulate, 1 replace, 2 decal, 3 add). */
static const char *FIXED_FRAGMENT =
    "uniform bool tvxgl_TwoSide;\n"
    "uniform int tvxgl_Texture0;\n"
    "uniform int tvxgl_TexEnv0;\n"
    "uniform sampler2D tvxgl_Sampler0;\n"
    "uniform int tvxgl_AlphaFunc;\n"   /* 0 none, then NEVER, LESS, EQUAL, LEQUAL, GREATER, NOTEQUAL, GEQUAL */
    "uniform float tvxgl_AlphaRef;\n"
    "out vec4 tvxgl_FragColor;\n"
    "void main() {\n"
    "  vec4 c = tvxgl_TwoSide && !gl_FrontFacing ? tvxgl_BackColor : tvxgl_FrontColor;\n"
    "  if (tvxgl_Texture0 != 0) {\n"
    "    vec4 t = texture(tvxgl_Sampler0, tvxgl_TexCoord[0].st);\n"
    "    if (tvxgl_TexEnv0 == 1) c = t;\n"
    "    else if (tvxgl_TexEnv0 == 2) c = vec4(mix(c.rgb, t.rgb, t.a), c.a);\n"
    "    else if (tvxgl_TexEnv0 == 3) c = vec4(c.rgb + t.rgb, c.a * t.a);\n"
    "    else c *= t;\n"
    "  }\n"
    "  if (tvxgl_AlphaFunc != 0) {\n"
    "    float a = c.a, r = tvxgl_AlphaRef;\n"
    "    bool pass = tvxgl_AlphaFunc == 2 ? a < r : tvxgl_AlphaFunc == 3 ? a == r\n"
    "              : tvxgl_AlphaFunc == 4 ? a <= r : tvxgl_AlphaFunc == 5 ? a > r\n"
    "              : tvxgl_AlphaFunc == 6 ? a != r : tvxgl_AlphaFunc == 7 ? a >= r : false;\n"
    "    if (!pass) discard;\n"
    "  }\n"
    "  tvxgl_FragColor = c;\n"
    "}\n";

/* Identifiers of GLSL 1.20 and what they become in either stage. */
struct Rename {
    const char *from;
    const char *vertex;
    const char *fragment;
};

static const Rename RENAMES[] = {
    {"attribute", "in", "in"},
    {"varying", "out", "in"},
    {"texture2D", "texture", "texture"},
    {"texture2DProj", "textureProj", "textureProj"},
    {"texture2DLod", "textureLod", "textureLod"},
    {"texture2DProjLod", "textureProjLod", "textureProjLod"},
    {"textureCube", "texture", "texture"},
    {"textureCubeLod", "textureLod", "textureLod"},
    {"texture3D", "texture", "texture"},
    {"shadow2D", "texture", "texture"},
    {"gl_Vertex", "tvxgl_Vertex", "tvxgl_Vertex"},
    {"gl_Normal", "tvxgl_Normal", "tvxgl_Normal"},
    {"gl_Color", "tvxgl_Color", "tvxgl_FrontColor"},
    {"gl_SecondaryColor", "tvxgl_SecondaryColor", "tvxgl_FrontSecondaryColor"},
    {"gl_MultiTexCoord0", "tvxgl_MultiTexCoord0", "tvxgl_MultiTexCoord0"},
    {"gl_MultiTexCoord1", "tvxgl_MultiTexCoord1", "tvxgl_MultiTexCoord1"},
    {"gl_MultiTexCoord2", "tvxgl_MultiTexCoordOther", "tvxgl_MultiTexCoordOther"},
    {"gl_MultiTexCoord3", "tvxgl_MultiTexCoordOther", "tvxgl_MultiTexCoordOther"},
    {"gl_FrontColor", "tvxgl_FrontColor", "tvxgl_FrontColor"},
    {"gl_BackColor", "tvxgl_BackColor", "tvxgl_BackColor"},
    {"gl_FrontSecondaryColor", "tvxgl_FrontSecondaryColor", "tvxgl_FrontSecondaryColor"},
    {"gl_BackSecondaryColor", "tvxgl_BackSecondaryColor", "tvxgl_BackSecondaryColor"},
    {"gl_TexCoord", "tvxgl_TexCoord", "tvxgl_TexCoord"},
    {"gl_FogFragCoord", "tvxgl_FogFragCoord", "tvxgl_FogFragCoord"},
    {"gl_ClipVertex", "tvxgl_ClipVertex", "tvxgl_ClipVertex"},
    {"gl_FragColor", "tvxgl_FragColor", "tvxgl_FragColor"},
    {"gl_FragData", "tvxgl_FragData", "tvxgl_FragData"},
    {"ftransform", "tvxgl_ftransform", "tvxgl_ftransform"},
    {"gl_ModelViewMatrix", "tvxgl_ModelViewMatrix", "tvxgl_ModelViewMatrix"},
    {"gl_ProjectionMatrix", "tvxgl_ProjectionMatrix", "tvxgl_ProjectionMatrix"},
    {"gl_ModelViewProjectionMatrix", "tvxgl_ModelViewProjectionMatrix",
     "tvxgl_ModelViewProjectionMatrix"},
    {"gl_ModelViewMatrixInverse", "tvxgl_ModelViewMatrixInverse", "tvxgl_ModelViewMatrixInverse"},
    {"gl_NormalMatrix", "tvxgl_NormalMatrix", "tvxgl_NormalMatrix"},
    {"gl_TextureMatrix", "tvxgl_TextureMatrix", "tvxgl_TextureMatrix"},
    {"gl_LightSource", "tvxgl_LightSource", "tvxgl_LightSource"},
    {"gl_LightModel", "tvxgl_LightModel", "tvxgl_LightModel"},
    {"gl_FrontMaterial", "tvxgl_FrontMaterial", "tvxgl_FrontMaterial"},
    {"gl_BackMaterial", "tvxgl_BackMaterial", "tvxgl_BackMaterial"},
    {"gl_MaxLights", "tvxgl_MaxLights", "tvxgl_MaxLights"},
    {"gl_MaxTextureCoords", "tvxgl_MaxTextureCoords", "tvxgl_MaxTextureCoords"},
};

/* Words GLSL ES 3.00 keeps for itself that were free names in GLSL 1.20. */
static const char *const RESERVED[] = {
    "texture", "flat", "smooth", "layout", "sample", "input", "output", "filter", "buffer",
    "shared", "uint", "patch", "active", "common", "partition", "resource", "centroid",
    "precision", "lowp", "mediump", "highp", "superp", "switch", "case", "default", "isampler2D",
    "usampler2D", "sampler2DArray", "invariant", "coherent", "volatile", "restrict", "readonly",
    "writeonly", "noperspective", "subroutine", "namespace", "using", "union"};

/* ---- Internal helpers ------------------------------------------------------------- */

static GLObject *object(GLuint handle, int kind)
{
    if (handle == 0 || handle >= objects.size() || objects[handle].kind != kind)
        return nullptr;
    return &objects[handle];
}

static GLuint newObject(int kind)
{
    GLObject o;
    o.kind = kind;
    o.real = 0;
    o.type = 0;
    o.ok = 0;
    o.userVertex = 0;
    for (int i = 0; i < UNIFORM_COUNT; i++)
        o.location[i] = -1;
    o.matrixSerial = o.lightSerial = o.fixedSerial = 0;
    objects.push_back(o);
    return (GLuint)(objects.size() - 1);
}

static int isIdentifierStart(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
}

static int isIdentifierChar(char c)
{
    return isIdentifierStart(c) || (c >= '0' && c <= '9');
}

static const char *renamed(const std::string &word, GLenum stage)
{
    for (const Rename &r : RENAMES)
        if (word == r.from)
            return stage == GL_VERTEX_SHADER ? r.vertex : r.fragment;
    return nullptr;
}

static int reserved(const std::string &word)
{
    for (const char *r : RESERVED)
        if (word == r)
            return 1;
    return 0;
}

/* The body of a GLSL 1.20 stage in GLSL ES 3.00 words; *uses tells whether
 * it writes gl_FragColor (1) or gl_FragData (2). Comments, numbers and
 * other words pass as they are; "#version" and "#extension" lines are
 * blanked, so the line numbers of the log stay those of the file. */
static std::string rewriteBody(const std::string &in, GLenum stage, int *uses)
{
    std::string out;
    out.reserve(in.size() + in.size() / 4);
    size_t i = 0;
    int lineStart = 1;
    *uses = 0;
    while (i < in.size()) {
        char c = in[i];
        if (lineStart && (c == ' ' || c == '\t')) {
            out += c;
            i++;
            continue;
        }
        if (lineStart && c == '#') {
            size_t end = in.find('\n', i);
            if (end == std::string::npos)
                end = in.size();
            std::string line = in.substr(i, end - i);
            size_t word = line.find_first_not_of(" \t", 1);
            if (word != std::string::npos &&
                (line.compare(word, 7, "version") == 0 || line.compare(word, 9, "extension") == 0)) {
                i = end;
                continue;
            }
        }
        lineStart = c == '\n';
        if (c == '/' && i + 1 < in.size() && in[i + 1] == '/') {
            size_t end = in.find('\n', i);
            if (end == std::string::npos)
                end = in.size();
            out.append(in, i, end - i);
            i = end;
            continue;
        }
        if (c == '/' && i + 1 < in.size() && in[i + 1] == '*') {
            size_t end = in.find("*/", i + 2);
            end = end == std::string::npos ? in.size() : end + 2;
            out.append(in, i, end - i);
            i = end;
            continue;
        }
        if (c >= '0' && c <= '9') {
            size_t start = i;
            while (i < in.size() && (isIdentifierChar(in[i]) || in[i] == '.'))
                i++;
            out.append(in, start, i - start);
            continue;
        }
        if (!isIdentifierStart(c)) {
            out += c;
            i++;
            continue;
        }
        size_t start = i;
        while (i < in.size() && isIdentifierChar(in[i]))
            i++;
        std::string word = in.substr(start, i - start);
        if (word == "gl_FragColor")
            *uses |= 1;
        if (word == "gl_FragData")
            *uses |= 2;
        const char *to = renamed(word, stage);
        if (to != nullptr)
            out += to;
        else if (reserved(word))
            out += "tvxgl_user_" + word;
        else
            out += word;
    }
    return out;
}

static std::string stageSource(const std::string &body, GLenum stage, int fragOutputs)
{
    std::string s = "#version 300 es\n";
    s += PRELUDE;
    s += stage == GL_VERTEX_SHADER ? VERTEX_PRELUDE : FRAGMENT_PRELUDE;
    if (stage == GL_FRAGMENT_SHADER && (fragOutputs & 2))
        s += "layout(location = 0) out vec4 tvxgl_FragData[1];\n";
    else if (stage == GL_FRAGMENT_SHADER && (fragOutputs & 1))
        s += "out vec4 tvxgl_FragColor;\n";
    s += "#line 1\n";
    s += body;
    return s;
}

static std::string shaderLog(GLuint real)
{
    GLint length = 0;
    emscripten_glGetShaderiv(real, GL_INFO_LOG_LENGTH, &length);
    std::string log;
    if (length > 1) {
        log.resize((size_t)length);
        emscripten_glGetShaderInfoLog(real, length, nullptr, &log[0]);
        log.resize(strlen(log.c_str()));
    }
    return log;
}

static std::string programLog(GLuint real)
{
    GLint length = 0;
    emscripten_glGetProgramiv(real, GL_INFO_LOG_LENGTH, &length);
    std::string log;
    if (length > 1) {
        log.resize((size_t)length);
        emscripten_glGetProgramInfoLog(real, length, nullptr, &log[0]);
        log.resize(strlen(log.c_str()));
    }
    return log;
}

static GLuint compileReal(GLenum stage, const std::string &source, int *ok, std::string *log)
{
    GLuint real = emscripten_glCreateShader(stage);
    const char *text = source.c_str();
    emscripten_glShaderSource(real, 1, &text, nullptr);
    emscripten_glCompileShader(real);
    GLint status = 0;
    emscripten_glGetShaderiv(real, GL_COMPILE_STATUS, &status);
    *ok = status != 0;
    *log = shaderLog(real);
    return real;
}

/* A fixed-function stage's source with its colours flat: the qualifier
 * before every colour passed from the vertex to the fragment stage. */
static std::string flatColours(std::string source)
{
    static const char *colours[] = {"vec4 tvxgl_FrontColor;", "vec4 tvxgl_BackColor;",
                                    "vec4 tvxgl_FrontSecondaryColor;",
                                    "vec4 tvxgl_BackSecondaryColor;"};
    for (const char *direction : {"out ", "in "}) {
        for (const char *colour : colours) {
            std::string declaration = std::string(direction) + colour;
            size_t at = source.find(declaration);
            if (at != std::string::npos && (at == 0 || source[at - 1] == '\n'))
                source.insert(at, "flat ");
        }
    }
    return source;
}

static void fixedStages(void)
{
    if (fixedVertex[0] != 0)
        return;
    std::string fragment = "#version 300 es\n";
    fragment += PRELUDE;
    fragment += FRAGMENT_PRELUDE;
    fragment += FIXED_FRAGMENT;
    const std::string vertex = stageSource(FIXED_VERTEX, GL_VERTEX_SHADER, 0);
    for (int flat = 0; flat < 2; flat++) {
        int ok = 0;
        std::string log;
        fixedVertex[flat] = compileReal(GL_VERTEX_SHADER, flat ? flatColours(vertex) : vertex, &ok, &log);
        if (!ok)
            printf("[!] The web GL layer's fixed-function vertex stage does not compile: %s\n", log.c_str());
        fixedFragment[flat] =
            compileReal(GL_FRAGMENT_SHADER, flat ? flatColours(fragment) : fragment, &ok, &log);
        if (!ok)
            printf("[!] The web GL layer's fixed-function fragment stage does not compile: %s\n", log.c_str());
    }
}

static void findLocations(GLObject *p)
{
    for (int u = 0; u < U_LIGHTS; u++)
        p->location[u] = emscripten_glGetUniformLocation(p->real, UNIFORM_NAMES[u]);
    char name[96];
    for (int i = 0; i < WEB_LIGHTS; i++)
        for (int f = 0; f < L_COUNT; f++) {
            if (f == L_ON)
                snprintf(name, sizeof name, "tvxgl_LightOn[%d]", i);
            else
                snprintf(name, sizeof name, "tvxgl_LightSource[%d].%s", i, LIGHT_FIELDS[f]);
            p->location[U_LIGHTS + i * L_COUNT + f] = emscripten_glGetUniformLocation(p->real, name);
        }
    GLint sampler = emscripten_glGetUniformLocation(p->real, "tvxgl_Sampler0");
    if (sampler >= 0) {
        emscripten_glUseProgram(p->real);
        emscripten_glUniform1i(sampler, 0);
        emscripten_glUseProgram(realInUse);
    }
}

/* Links a program from its shaders, the fixed-function stages (flat ones
 * when flat, for the fixed-function program) standing in for those it
 * lacks. */
static void linkProgram(GLObject *p, int flat)
{
    int vertex = 0, fragment = 0;
    for (GLuint s : p->attached) {
        GLObject *shader = object(s, KIND_SHADER);
        if (shader == nullptr)
            continue;
        vertex |= shader->type == GL_VERTEX_SHADER;
        fragment |= shader->type == GL_FRAGMENT_SHADER;
    }
    fixedStages();
    GLuint old = p->real;
    p->real = emscripten_glCreateProgram();
    for (GLuint s : p->attached) {
        GLObject *shader = object(s, KIND_SHADER);
        if (shader != nullptr)
            emscripten_glAttachShader(p->real, shader->real);
    }
    if (!vertex)
        emscripten_glAttachShader(p->real, fixedVertex[flat]);
    if (!fragment)
        emscripten_glAttachShader(p->real, fixedFragment[flat]);
    for (int a = 0; a < WEB_ATTR_COUNT; a++)
        emscripten_glBindAttribLocation(p->real, (GLuint)a, ATTRIBUTE_NAMES[a]);
    emscripten_glLinkProgram(p->real);
    GLint status = 0;
    emscripten_glGetProgramiv(p->real, GL_LINK_STATUS, &status);
    p->ok = status != 0;
    p->log = programLog(p->real);
    p->userVertex = vertex;
    p->matrixSerial = p->lightSerial = p->fixedSerial = 0;
    if (p->ok)
        findLocations(p);
    if (old != 0) {
        /* a program relinked while in use stays in use, as in OpenGL */
        if (realInUse == old) {
            realInUse = p->ok ? p->real : 0;
            emscripten_glUseProgram(realInUse);
        }
        emscripten_glDeleteProgram(old);
    }
}

static void inverse3Transposed(const float *m, float *out)
{
    /* upper 3 x 3 of a column-major 4 x 4 */
    float a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
    float A = e * i - f * h, B = -(d * i - f * g), C = d * h - e * g;
    float det = a * A + b * B + c * C;
    float inv = det != 0.0f ? 1.0f / det : 0.0f;
    /* the inverse transposed is the cofactor matrix over det; stored
     * column-major, element (row r, column c) at c * 3 + r */
    out[0] = A * inv;
    out[1] = -(b * i - c * h) * inv;
    out[2] = (b * f - c * e) * inv;
    out[3] = B * inv;
    out[4] = (a * i - c * g) * inv;
    out[5] = -(a * f - c * d) * inv;
    out[6] = C * inv;
    out[7] = -(a * h - b * g) * inv;
    out[8] = (a * e - b * d) * inv;
}

static void multiply4(float *r, const float *a, const float *b)
{
    for (int c = 0; c < 4; c++)
        for (int row = 0; row < 4; row++)
            r[c * 4 + row] = a[row] * b[c * 4] + a[4 + row] * b[c * 4 + 1] + a[8 + row] * b[c * 4 + 2] +
                             a[12 + row] * b[c * 4 + 3];
}

static int invert4(const float *m, float *out)
{
    float inv[16];
    inv[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] + m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inv[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] - m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inv[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] + m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inv[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] - m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inv[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] - m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inv[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] + m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inv[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] - m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inv[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] + m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inv[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] + m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inv[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] - m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inv[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] + m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inv[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] - m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inv[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] - m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inv[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] + m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inv[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] - m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inv[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] + m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    float det = m[0] * inv[0] + m[1] * inv[4] + m[2] * inv[8] + m[3] * inv[12];
    if (det == 0.0f)
        return 0;
    for (int i = 0; i < 16; i++)
        out[i] = inv[i] / det;
    return 1;
}

static void sendMatrices(GLObject *p, const struct WebFixedState *s)
{
    const GLint *loc = p->location;
    if (loc[U_MODELVIEW] >= 0)
        emscripten_glUniformMatrix4fv(loc[U_MODELVIEW], 1, GL_FALSE, s->modelview);
    if (loc[U_PROJECTION] >= 0)
        emscripten_glUniformMatrix4fv(loc[U_PROJECTION], 1, GL_FALSE, s->projection);
    if (loc[U_MVP] >= 0) {
        float mvp[16];
        multiply4(mvp, s->projection, s->modelview);
        emscripten_glUniformMatrix4fv(loc[U_MVP], 1, GL_FALSE, mvp);
    }
    if (loc[U_NORMAL_MATRIX] >= 0) {
        float n[9];
        inverse3Transposed(s->modelview, n);
        emscripten_glUniformMatrix3fv(loc[U_NORMAL_MATRIX], 1, GL_FALSE, n);
    }
    if (loc[U_MODELVIEW_INVERSE] >= 0) {
        float inv[16];
        if (invert4(s->modelview, inv))
            emscripten_glUniformMatrix4fv(loc[U_MODELVIEW_INVERSE], 1, GL_FALSE, inv);
    }
    if (loc[U_TEXTURE0] >= 0)
        emscripten_glUniformMatrix4fv(loc[U_TEXTURE0], 1, GL_FALSE, s->texture[0]);
    if (loc[U_TEXTURE1] >= 0)
        emscripten_glUniformMatrix4fv(loc[U_TEXTURE1], 1, GL_FALSE, s->texture[1]);
}

static void send4(GLint location, const float *v)
{
    if (location >= 0)
        emscripten_glUniform4fv(location, 1, v);
}

static void send1(GLint location, float v)
{
    if (location >= 0)
        emscripten_glUniform1f(location, v);
}

static void sendLights(GLObject *p, const struct WebFixedState *s)
{
    const GLint *loc = p->location;
    send4(loc[U_LIGHT_MODEL_AMBIENT], s->lightModelAmbient);
    for (int f = 0; f < 2; f++) {
        const struct WebMaterial *m = &s->material[f];
        int base = f == 0 ? U_FRONT_EMISSION : U_BACK_EMISSION;
        send4(loc[base], m->emission);
        send4(loc[base + 1], m->ambient);
        send4(loc[base + 2], m->diffuse);
        send4(loc[base + 3], m->specular);
        send1(loc[base + 4], m->shininess);
    }
    for (int i = 0; i < WEB_LIGHTS; i++) {
        const struct WebLight *l = &s->light[i];
        const GLint *at = loc + U_LIGHTS + i * L_COUNT;
        if (at[L_ON] >= 0)
            emscripten_glUniform1i(at[L_ON], l->enabled);
        send4(at[L_AMBIENT], l->ambient);
        send4(at[L_DIFFUSE], l->diffuse);
        send4(at[L_SPECULAR], l->specular);
        send4(at[L_POSITION], l->position);
        if (at[L_HALF_VECTOR] >= 0) {
            float h[4] = {l->position[0], l->position[1], l->position[2], 0.0f};
            float len = sqrtf(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
            if (len > 0.0f) {
                h[0] /= len;
                h[1] /= len;
                h[2] /= len;
            }
            h[2] += 1.0f;
            len = sqrtf(h[0] * h[0] + h[1] * h[1] + h[2] * h[2]);
            for (int k = 0; k < 3 && len > 0.0f; k++)
                h[k] /= len;
            send4(at[L_HALF_VECTOR], h);
        }
        if (at[L_SPOT_DIRECTION] >= 0)
            emscripten_glUniform3fv(at[L_SPOT_DIRECTION], 1, l->spotDirection);
        send1(at[L_SPOT_EXPONENT], l->spotExponent);
        send1(at[L_SPOT_CUTOFF], l->spotCutoff);
        send1(at[L_SPOT_COS_CUTOFF], cosf(l->spotCutoff * 3.14159265358979f / 180.0f));
        send1(at[L_CONSTANT], l->attenuation[0]);
        send1(at[L_LINEAR], l->attenuation[1]);
        send1(at[L_QUADRATIC], l->attenuation[2]);
    }
}

static int colorMaterialCode(const struct WebFixedState *s)
{
    if (!s->colorMaterial)
        return 0;
    switch (s->colorMaterialMode) {
    case GL_DIFFUSE: return 2;
    case GL_AMBIENT: return 3;
    case GL_SPECULAR: return 4;
    case GL_EMISSION: return 5;
    default: return 1;
    }
}

static int texEnvCode(GLenum mode)
{
    switch (mode) {
    case GL_REPLACE: return 1;
    case GL_DECAL: return 2;
    case GL_ADD: return 3;
    default: return 0;
    }
}

static void sendFixed(GLObject *p, const struct WebFixedState *s)
{
    const GLint *loc = p->location;
    if (loc[U_LIGHTING] >= 0)
        emscripten_glUniform1i(loc[U_LIGHTING], s->lighting);
    if (loc[U_NORMALIZE] >= 0)
        emscripten_glUniform1i(loc[U_NORMALIZE], s->normalize);
    if (loc[U_TWO_SIDE] >= 0)
        emscripten_glUniform1i(loc[U_TWO_SIDE], !p->userVertex && s->lighting && s->twoSide);
    if (loc[U_COLOR_MATERIAL] >= 0)
        emscripten_glUniform1i(loc[U_COLOR_MATERIAL], colorMaterialCode(s));
    if (loc[U_TEX_ON] >= 0)
        emscripten_glUniform1i(loc[U_TEX_ON], s->texture2D[0]);
    if (loc[U_TEX_ENV] >= 0)
        emscripten_glUniform1i(loc[U_TEX_ENV], texEnvCode(s->texEnvMode[0]));
    if (loc[U_ALPHA_FUNC] >= 0) {
        int code = 0;
        if (s->alphaTest && s->alphaFunc != GL_ALWAYS)
            code = s->alphaFunc >= GL_NEVER && s->alphaFunc <= GL_GEQUAL ? (int)(s->alphaFunc - GL_NEVER) + 1 : 0;
        emscripten_glUniform1i(loc[U_ALPHA_FUNC], code);
    }
    if (loc[U_ALPHA_REF] >= 0)
        emscripten_glUniform1f(loc[U_ALPHA_REF], s->alphaRef);
}

/* ---- Public functions ------------------------------------------------------------- */

void webglsl_prepareDraw(GLuint currentProgram)
{
    GLObject *p = object(currentProgram, KIND_PROGRAM);
    const struct WebFixedState *s = webgl_fixedState();
    if (p == nullptr || !p->ok) {
        int flat = s->flat != 0;
        if (fixedProgram[flat] == 0) {
            fixedProgram[flat] = newObject(KIND_PROGRAM);
            linkProgram(&objects[fixedProgram[flat]], flat);
        }
        p = &objects[fixedProgram[flat]];
    }
    if (realInUse != p->real) {
        emscripten_glUseProgram(p->real);
        realInUse = p->real;
    }
    if (p->matrixSerial != s->matrixSerial + 1) {
        sendMatrices(p, s);
        p->matrixSerial = s->matrixSerial + 1;
    }
    if (p->lightSerial != s->lightSerial + 1) {
        sendLights(p, s);
        p->lightSerial = s->lightSerial + 1;
    }
    if (p->fixedSerial != s->fixedSerial + 1) {
        sendFixed(p, s);
        p->fixedSerial = s->fixedSerial + 1;
    }
}

GLuint webglsl_realProgram(GLuint handle)
{
    GLObject *p = object(handle, KIND_PROGRAM);
    realInUse = p != nullptr && p->ok ? p->real : 0;
    return realInUse;
}

extern "C" {

GLuint glCreateShader(GLenum type)
{
    GLuint handle = newObject(KIND_SHADER);
    objects[handle].type = type;
    return handle;
}

GLhandleARB glCreateShaderObjectARB(GLenum type) { return glCreateShader(type); }

void glShaderSource(GLuint shader, GLsizei count, const GLchar *const *strings, const GLint *lengths)
{
    GLObject *s = object(shader, KIND_SHADER);
    if (s == nullptr)
        return;
    s->source.clear();
    for (GLsizei i = 0; i < count; i++) {
        if (lengths != nullptr && lengths[i] >= 0)
            s->source.append(strings[i], (size_t)lengths[i]);
        else
            s->source.append(strings[i]);
    }
}

void glShaderSourceARB(GLhandleARB shader, GLsizei count, const GLcharARB **strings, const GLint *lengths)
{
    glShaderSource(shader, count, strings, lengths);
}

void glCompileShader(GLuint shader)
{
    GLObject *s = object(shader, KIND_SHADER);
    if (s == nullptr)
        return;
    int uses = 0;
    std::string body = rewriteBody(s->source, s->type, &uses);
    if (s->real != 0)
        emscripten_glDeleteShader(s->real);
    s->real = compileReal(s->type, stageSource(body, s->type, uses), &s->ok, &s->log);
}

void glCompileShaderARB(GLhandleARB shader) { glCompileShader(shader); }

GLuint glCreateProgram(void)
{
    return newObject(KIND_PROGRAM);
}

GLhandleARB glCreateProgramObjectARB(void) { return glCreateProgram(); }

void glAttachShader(GLuint program, GLuint shader)
{
    GLObject *p = object(program, KIND_PROGRAM);
    if (p != nullptr && object(shader, KIND_SHADER) != nullptr)
        p->attached.push_back(shader);
}

void glAttachObjectARB(GLhandleARB program, GLhandleARB shader) { glAttachShader(program, shader); }

void glDetachShader(GLuint program, GLuint shader)
{
    GLObject *p = object(program, KIND_PROGRAM);
    if (p == nullptr)
        return;
    for (size_t i = 0; i < p->attached.size(); i++)
        if (p->attached[i] == shader) {
            p->attached.erase(p->attached.begin() + (long)i);
            break;
        }
}

void glLinkProgram(GLuint program)
{
    GLObject *p = object(program, KIND_PROGRAM);
    if (p != nullptr)
        linkProgram(p, 0);
}

void glLinkProgramARB(GLhandleARB program) { glLinkProgram(program); }

void glDeleteShader(GLuint shader)
{
    GLObject *s = object(shader, KIND_SHADER);
    if (s == nullptr)
        return;
    emscripten_glDeleteShader(s->real);
    s->kind = KIND_FREE;
}

void glDeleteProgram(GLuint program)
{
    GLObject *p = object(program, KIND_PROGRAM);
    if (p == nullptr)
        return;
    if (realInUse == p->real)
        realInUse = 0;
    emscripten_glDeleteProgram(p->real);
    p->kind = KIND_FREE;
}

void glDeleteObjectARB(GLhandleARB handle)
{
    if (object(handle, KIND_PROGRAM) != nullptr)
        glDeleteProgram(handle);
    else
        glDeleteShader(handle);
}

void glGetShaderiv(GLuint shader, GLenum pname, GLint *v)
{
    GLObject *s = object(shader, KIND_SHADER);
    *v = 0;
    if (s == nullptr)
        return;
    if (pname == GL_COMPILE_STATUS)
        *v = s->ok;
    else if (pname == GL_INFO_LOG_LENGTH)
        *v = s->log.empty() ? 0 : (GLint)s->log.size() + 1;
    else if (pname == GL_SHADER_TYPE)
        *v = (GLint)s->type;
}

void glGetProgramiv(GLuint program, GLenum pname, GLint *v)
{
    GLObject *p = object(program, KIND_PROGRAM);
    *v = 0;
    if (p == nullptr)
        return;
    if (pname == GL_LINK_STATUS)
        *v = p->ok;
    else if (pname == GL_INFO_LOG_LENGTH)
        *v = p->log.empty() ? 0 : (GLint)p->log.size() + 1;
    else
        emscripten_glGetProgramiv(p->real, pname, v);
}

void glGetObjectParameterivARB(GLhandleARB handle, GLenum pname, GLint *v)
{
    if (object(handle, KIND_PROGRAM) != nullptr)
        glGetProgramiv(handle, pname == GL_OBJECT_LINK_STATUS_ARB ? GL_LINK_STATUS : pname, v);
    else
        glGetShaderiv(handle, pname == GL_OBJECT_COMPILE_STATUS_ARB ? GL_COMPILE_STATUS : pname, v);
}

static void copyLog(const std::string &log, GLsizei size, GLsizei *length, GLchar *out)
{
    GLsizei n = 0;
    if (size > 0) {
        n = (GLsizei)log.size() < size - 1 ? (GLsizei)log.size() : size - 1;
        memcpy(out, log.data(), (size_t)n);
        out[n] = '\0';
    }
    if (length != nullptr)
        *length = n;
}

void glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei *length, GLchar *log)
{
    GLObject *s = object(shader, KIND_SHADER);
    copyLog(s != nullptr ? s->log : std::string(), size, length, log);
}

void glGetProgramInfoLog(GLuint program, GLsizei size, GLsizei *length, GLchar *log)
{
    GLObject *p = object(program, KIND_PROGRAM);
    copyLog(p != nullptr ? p->log : std::string(), size, length, log);
}

void glGetInfoLogARB(GLhandleARB handle, GLsizei size, GLsizei *length, GLcharARB *log)
{
    if (object(handle, KIND_PROGRAM) != nullptr)
        glGetProgramInfoLog(handle, size, length, log);
    else
        glGetShaderInfoLog(handle, size, length, log);
}

GLint glGetUniformLocation(GLuint program, const GLchar *name)
{
    GLObject *p = object(program, KIND_PROGRAM);
    if (p == nullptr || !p->ok)
        return -1;
    return emscripten_glGetUniformLocation(p->real, name);
}

GLint glGetUniformLocationARB(GLhandleARB program, const GLcharARB *name)
{
    return glGetUniformLocation(program, name);
}

/* emscripten finds a uniform location in the program in use, so the
 * program asked about is put in use for the query. */
static GLObject *queriedProgram(GLuint program, GLint location)
{
    GLObject *p = object(program, KIND_PROGRAM);
    if (p == nullptr || !p->ok || location < 0)
        return nullptr;
    if (realInUse != p->real)
        emscripten_glUseProgram(p->real);
    return p;
}

void glGetUniformfv(GLuint program, GLint location, GLfloat *v)
{
    GLObject *p = queriedProgram(program, location);
    if (p == nullptr)
        return;
    emscripten_glGetUniformfv(p->real, location, v);
    if (realInUse != p->real)
        emscripten_glUseProgram(realInUse);
}

void glGetUniformiv(GLuint program, GLint location, GLint *v)
{
    GLObject *p = queriedProgram(program, location);
    if (p == nullptr)
        return;
    emscripten_glGetUniformiv(p->real, location, v);
    if (realInUse != p->real)
        emscripten_glUseProgram(realInUse);
}

GLint glGetAttribLocation(GLuint program, const GLchar *name)
{
    GLObject *p = object(program, KIND_PROGRAM);
    return p != nullptr && p->ok ? emscripten_glGetAttribLocation(p->real, name) : -1;
}

} /* extern "C" */
