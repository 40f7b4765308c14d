/*
 * GL/freeglut.h (web build) - the part of freeglut the framework calls,
 * offered by the web layer (src/web/web_glut.cpp) on an HTML canvas and the
 * browser's animation frames: display and timer callbacks, keys, the
 * window's size, the cursor, and the solid sphere and cube.
 *
 * Depends on: GL/glew.h of the web layer.
 */
#ifndef KOLVANE_WEB_FREEGLUT_H
#define KOLVANE_WEB_FREEGLUT_H

#include <GL/glew.h>

#define GLUT_RGB 0
#define GLUT_RGBA 0
#define GLUT_DOUBLE 2
#define GLUT_DEPTH 16
#define GLUT_ACCUM 4

#define GLUT_WINDOW_WIDTH 102
#define GLUT_WINDOW_HEIGHT 103
#define GLUT_SCREEN_WIDTH 200
#define GLUT_SCREEN_HEIGHT 201
#define GLUT_ELAPSED_TIME 700

#define GLUT_GAME_MODE_ACTIVE 0
#define GLUT_GAME_MODE_POSSIBLE 1

#define GLUT_CURSOR_INHERIT 100
#define GLUT_CURSOR_NONE 101
#define GLUT_CURSOR_CROSSHAIR 9
#define GLUT_CURSOR_LEFT_ARROW 1

#define GLUT_KEY_F1 1
#define GLUT_KEY_F5 5
#define GLUT_KEY_F12 12
#define GLUT_KEY_LEFT 100
#define GLUT_KEY_UP 101
#define GLUT_KEY_RIGHT 102
#define GLUT_KEY_DOWN 103
#define GLUT_KEY_PAGE_UP 104
#define GLUT_KEY_PAGE_DOWN 105
#define GLUT_KEY_HOME 106
#define GLUT_KEY_END 107

#ifdef __cplusplus
extern "C" {
#endif
void glutInit(int *argc, char **argv);
void glutInitDisplayMode(unsigned int mode);
void glutInitWindowSize(int width, int height);
int glutCreateWindow(const char *title);
void glutGameModeString(const char *mode);
int glutEnterGameMode(void);
void glutLeaveGameMode(void);
int glutGameModeGet(GLenum query);
void glutFullScreen(void);
void glutReshapeWindow(int width, int height);
int glutGet(GLenum query);
void glutSetCursor(int cursor);
void glutDisplayFunc(void (*callback)(void));
void glutReshapeFunc(void (*callback)(int, int));
void glutKeyboardFunc(void (*callback)(unsigned char, int, int));
void glutSpecialFunc(void (*callback)(int, int, int));
void glutIdleFunc(void (*callback)(void));
void glutTimerFunc(unsigned int ms, void (*callback)(int), int value);
void glutPostRedisplay(void);
void glutSwapBuffers(void);
void glutMainLoop(void);
void glutSolidSphere(double radius, GLint slices, GLint stacks);
void glutSolidCube(double size);
#ifdef __cplusplus
}
#endif

#endif
