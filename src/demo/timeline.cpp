/*
 * timeline.cpp - drawScene, the frame driver of the demo.
 * (A plain frame until the staged loader and the scene blocks arrive.)
 */
#include "timeline.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include "tvx.h"

int queue = -1;
float sceneTime[12];
float loadingTime = 0.0f;
float gColor = 0.0f;
float mblur = 0.0f;
int FBO[6];

void drawScene(void)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glutSwapBuffers();
}
