/*
 * web_gl.h - what the files of the web GL layer share: the WebGL 2 calls
 * underneath (emscripten's emscripten_gl* entry points, which stay
 * reachable while the layer itself defines the desktop gl* names), the
 * vertex attribute slots, the fixed-function state the generated programs
 * read, and the calls between the layer's files.
 *
 * web_gl.cpp keeps the state and the desktop OpenGL subset; web_glsl.cpp
 * rewrites GLSL 1.20 into GLSL ES 3.00, generates the fixed-function
 * programs and feeds every program its built-in uniforms; web_glut.cpp is
 * freeglut on the canvas (and draws the solid sphere and cube through
 * web_gl.cpp's immediate mode).
 *
 * Depends on: GL/glew.h of the web layer (types and enums).
 */
#ifndef KOLVANE_WEB_GL_H
#define KOLVANE_WEB_GL_H

#include <GL/glew.h>

/* ---- WebGL 2 underneath ------------------------------------------------------- */

extern "C" {
void emscripten_glActiveTexture(GLenum);
void emscripten_glAttachShader(GLuint, GLuint);
void emscripten_glBindAttribLocation(GLuint, GLuint, const GLchar *);
void emscripten_glBindBuffer(GLenum, GLuint);
void emscripten_glBindFramebuffer(GLenum, GLuint);
void emscripten_glBindRenderbuffer(GLenum, GLuint);
void emscripten_glBindTexture(GLenum, GLuint);
void emscripten_glBindVertexArray(GLuint);
void emscripten_glBlendColor(GLfloat, GLfloat, GLfloat, GLfloat);
void emscripten_glBlendEquationSeparate(GLenum, GLenum);
void emscripten_glBlendFuncSeparate(GLenum, GLenum, GLenum, GLenum);
void emscripten_glBlitFramebuffer(GLint, GLint, GLint, GLint, GLint, GLint, GLint, GLint,
                                  GLbitfield, GLenum);
void emscripten_glBufferData(GLenum, GLsizeiptr, const void *, GLenum);
void emscripten_glBufferSubData(GLenum, GLintptr, GLsizeiptr, const void *);
GLenum emscripten_glCheckFramebufferStatus(GLenum);
void emscripten_glClear(GLbitfield);
void emscripten_glClearColor(GLfloat, GLfloat, GLfloat, GLfloat);
void emscripten_glClearDepthf(GLfloat);
void emscripten_glColorMask(GLboolean, GLboolean, GLboolean, GLboolean);
void emscripten_glCompileShader(GLuint);
GLuint emscripten_glCreateProgram(void);
GLuint emscripten_glCreateShader(GLenum);
void emscripten_glCullFace(GLenum);
void emscripten_glDeleteBuffers(GLsizei, const GLuint *);
void emscripten_glDeleteFramebuffers(GLsizei, const GLuint *);
void emscripten_glDeleteProgram(GLuint);
void emscripten_glDeleteRenderbuffers(GLsizei, const GLuint *);
void emscripten_glDeleteShader(GLuint);
void emscripten_glDeleteTextures(GLsizei, const GLuint *);
void emscripten_glDepthFunc(GLenum);
void emscripten_glDepthMask(GLboolean);
void emscripten_glDepthRangef(GLfloat, GLfloat);
void emscripten_glDisable(GLenum);
void emscripten_glDisableVertexAttribArray(GLuint);
void emscripten_glDrawArrays(GLenum, GLint, GLsizei);
void emscripten_glDrawElements(GLenum, GLsizei, GLenum, const void *);
void emscripten_glEnable(GLenum);
void emscripten_glEnableVertexAttribArray(GLuint);
void emscripten_glFinish(void);
void emscripten_glFlush(void);
void emscripten_glFramebufferRenderbuffer(GLenum, GLenum, GLenum, GLuint);
void emscripten_glFramebufferTexture2D(GLenum, GLenum, GLenum, GLuint, GLint);
void emscripten_glFrontFace(GLenum);
void emscripten_glGenBuffers(GLsizei, GLuint *);
void emscripten_glGenFramebuffers(GLsizei, GLuint *);
void emscripten_glGenRenderbuffers(GLsizei, GLuint *);
void emscripten_glGenTextures(GLsizei, GLuint *);
void emscripten_glGenVertexArrays(GLsizei, GLuint *);
void emscripten_glGenerateMipmap(GLenum);
GLenum emscripten_glGetError(void);
void emscripten_glGetFloatv(GLenum, GLfloat *);
void emscripten_glGetIntegerv(GLenum, GLint *);
void emscripten_glGetProgramInfoLog(GLuint, GLsizei, GLsizei *, GLchar *);
void emscripten_glGetProgramiv(GLuint, GLenum, GLint *);
void emscripten_glGetShaderInfoLog(GLuint, GLsizei, GLsizei *, GLchar *);
void emscripten_glGetShaderiv(GLuint, GLenum, GLint *);
GLint emscripten_glGetUniformLocation(GLuint, const GLchar *);
void emscripten_glGetUniformfv(GLuint, GLint, GLfloat *);
void emscripten_glGetUniformiv(GLuint, GLint, GLint *);
GLint emscripten_glGetAttribLocation(GLuint, const GLchar *);
void emscripten_glLineWidth(GLfloat);
void emscripten_glLinkProgram(GLuint);
void emscripten_glPixelStorei(GLenum, GLint);
void emscripten_glPolygonOffset(GLfloat, GLfloat);
void emscripten_glReadBuffer(GLenum);
void emscripten_glReadPixels(GLint, GLint, GLsizei, GLsizei, GLenum, GLenum, void *);
void emscripten_glRenderbufferStorage(GLenum, GLenum, GLsizei, GLsizei);
void emscripten_glScissor(GLint, GLint, GLsizei, GLsizei);
void emscripten_glShaderSource(GLuint, GLsizei, const GLchar *const *, const GLint *);
void emscripten_glTexImage2D(GLenum, GLint, GLint, GLsizei, GLsizei, GLint, GLenum, GLenum,
                             const void *);
void emscripten_glTexSubImage2D(GLenum, GLint, GLint, GLint, GLsizei, GLsizei, GLenum, GLenum,
                                const void *);
void emscripten_glTexParameteri(GLenum, GLenum, GLint);
void emscripten_glUniform1i(GLint, GLint);
void emscripten_glUniform1f(GLint, GLfloat);
void emscripten_glUniform4fv(GLint, GLsizei, const GLfloat *);
void emscripten_glUniform3fv(GLint, GLsizei, const GLfloat *);
void emscripten_glUniformMatrix3fv(GLint, GLsizei, GLboolean, const GLfloat *);
void emscripten_glUniformMatrix4fv(GLint, GLsizei, GLboolean, const GLfloat *);
void emscripten_glUseProgram(GLuint);
void emscripten_glVertexAttrib4fv(GLuint, const GLfloat *);
void emscripten_glVertexAttribPointer(GLuint, GLint, GLenum, GLboolean, GLsizei, const void *);
void emscripten_glViewport(GLint, GLint, GLsizei, GLsizei);
}

/* ---- Shared between the layer's files ------------------------------------------ */

/* Vertex attribute slots of every program the layer links. */
enum WebAttribute {
    WEB_ATTR_VERTEX = 0,
    WEB_ATTR_NORMAL,
    WEB_ATTR_COLOR,
    WEB_ATTR_SECONDARY,
    WEB_ATTR_TEXCOORD0,
    WEB_ATTR_TEXCOORD1,
    WEB_ATTR_COUNT
};

#define WEB_LIGHTS 8
#define WEB_TEXTURE_UNITS 2

struct WebLight {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float position[4];       /* eye space, as glLightfv transformed it */
    float spotDirection[3];  /* eye space */
    float spotExponent;
    float spotCutoff;
    float attenuation[3];    /* constant, linear, quadratic */
    int enabled;
};

struct WebMaterial {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess;
};

/* What the fixed-function programs and the built-in uniforms read. Each
 * serial grows when its part changes, so a program uploads only what changed
 * since its last draw. */
struct WebFixedState {
    const float *modelview;                      /* tops of the matrix stacks */
    const float *projection;
    const float *texture[WEB_TEXTURE_UNITS];
    struct WebLight light[WEB_LIGHTS];
    float lightModelAmbient[4];
    int twoSide;
    struct WebMaterial material[2];              /* front, back */
    int lighting;
    int colorMaterial;                           /* enabled */
    GLenum colorMaterialFace;
    GLenum colorMaterialMode;
    int normalize;
    int texture2D[WEB_TEXTURE_UNITS];            /* GL_TEXTURE_2D enabled per unit */
    GLenum texEnvMode[WEB_TEXTURE_UNITS];
    int alphaTest;                               /* GL_ALPHA_TEST enabled */
    int flat;                                    /* glShadeModel(GL_FLAT) */
    GLenum alphaFunc;
    float alphaRef;
    unsigned int matrixSerial;
    unsigned int lightSerial;
    unsigned int fixedSerial;
};

/* web_gl.cpp */
extern "C" {
const struct WebFixedState *webgl_fixedState(void);
/* Immediate mode for the layer's own geometry (web_glut.cpp's solids). */
void webgl_begin(GLenum mode);
}

/* web_glsl.cpp */
/* Binds the program of the next draw (the current one, or the fixed-function
 * one with the stages it lacks) and sends it what changed of the fixed state. */
void webglsl_prepareDraw(GLuint currentProgram);
/* The WebGL program behind a program handle of the layer; 0 for none. */
GLuint webglsl_realProgram(GLuint handle);

#endif
