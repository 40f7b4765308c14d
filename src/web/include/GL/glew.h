/*
 * GL/glew.h (web build) - what the framework asks of GLEW, answered by the
 * web GL layer (src/web/web_gl.cpp): the OpenGL 1.x to 3.0 declarations of
 * emscripten's desktop headers, every entry point the code calls offered,
 * so glewInit has nothing to load and every extension test is true.
 *
 * Depends on: emscripten's GL/gl.h and GL/glext.h (declarations only).
 */
#ifndef KOLVANE_WEB_GLEW_H
#define KOLVANE_WEB_GLEW_H

#ifndef GL_GLEXT_PROTOTYPES
#define GL_GLEXT_PROTOTYPES 1
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>   /* the real GLEW header brings GLU in too */

#define GLEW_OK 0
#define GLEW_VERSION_2_0 1
#define GLEW_VERSION_3_0 1
#define GLEW_ARB_shader_objects 1
#define GLEW_ARB_vertex_shader 1
#define GLEW_ARB_fragment_shader 1
#define GLEW_ARB_framebuffer_object 1
#define GLEW_EXT_framebuffer_object 1
#define GLEW_ARB_texture_float 1
#define GLEW_VERSION_3_2 0
#define GLEW_ARB_seamless_cube_map 1   /* WebGL 2's cube maps are always seamless */

#ifdef __cplusplus
extern "C" {
#endif
GLenum glewInit(void);
const GLubyte *glewGetErrorString(GLenum error);
#ifdef __cplusplus
}
#endif

#endif
