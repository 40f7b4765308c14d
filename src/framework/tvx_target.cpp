/*
 * tvx_target.cpp - render targets and lights.
 *
 * Render targets are framebuffer objects with an RGBA8 colour texture and a
 * 24-bit depth renderbuffer, kept in a 64-slot table under ids handed out
 * 0, 1, 2, ... in creation order. Binding a target or the window clears it
 * with the clear colour of the previous call, then sets the new one, and
 * resets the current matrix to a translation of -50 along z; a scissor the
 * caller set for the target before is switched off, so that the next one is
 * drawn whole. tvx_leaveFBO does all this for the window but the clear: it
 * ends a target's pass that another target's pass follows, before anything
 * is drawn in the window, whose clear would then only cost a software
 * rasteriser a pass over every pixel. A target made at the size of the
 * picture the demo draws (W x H: the window's, or smaller at a render scale
 * below 1) follows that size when it changes; one of a fixed size is drawn
 * at that size times the render scale (a tunnel picture of 1024 x 1024 shown
 * in a picture of half the window's sides needs no more than 512 x 512), so
 * its passes shrink with the picture; the textures' coordinates are the same
 * at any size.
 * The light functions hand a caller's light record or the default white
 * light to the fixed-function lighting. A target that cannot be made
 * complete ends the process.
 * Depends on: OpenGL (through GLEW: EXT framebuffer objects).
 */
#include "tvx.h"

#include <GL/glew.h>

#include <stdio.h>
#include <stdlib.h>

/* ---- State ---------------------------------------------------------------- */

#define FBO_SLOTS 64

struct RenderTarget {
    unsigned int texture;
    unsigned int framebuffer;
    unsigned int renderbuffer;
    int width;            /* its storage now */
    int height;
    int madeWidth;        /* the size it was made at */
    int madeHeight;
    int followsPicture;   /* made at the picture's size: keeps to it */
};

static struct RenderTarget fbo[FBO_SLOTS];
static int CURRENT_ID = 0; /* slots in use, and the index of the next free one */

static float ambientLight[4] = {0.2f, 0.2f, 0.2f, 1.0f};
static float diffuseLight[4] = {0.8f, 0.8f, 0.8f, 1.0f};
static float specularLight[4] = {0.5f, 0.5f, 0.5f, 1.0f};

/* ---- Internal helpers ----------------------------------------------------- */

static void clearAndReset(float r, float g, float b, int clear)
{
    /* The clear uses the colour of the previous call; r, g, b take effect at
     * the next one. */
    if (clear)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(r, g, b, 0.0f);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);
}

/* Binds the window (or the picture target the frame is drawn into). */
static void bindWindow(float w, float h)
{
    glDisable(GL_SCISSOR_TEST);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, tvx_pictureFramebuffer());
    tvx_pictureViewport((int)w, (int)h);
}

/* The largest side both the colour texture and the depth renderbuffer can
 * have. */
static int largestSide(void)
{
    GLint texture = 0, renderbuffer = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &texture);
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE_EXT, &renderbuffer);
    return texture < renderbuffer ? texture : renderbuffer;
}

static const char *statusName(GLenum status)
{
    switch (status) {
    case GL_FRAMEBUFFER_INCOMPLETE_ATTACHMENT_EXT: return "an attachment is incomplete";
    case GL_FRAMEBUFFER_INCOMPLETE_MISSING_ATTACHMENT_EXT: return "it has no attachment";
    case GL_FRAMEBUFFER_INCOMPLETE_DIMENSIONS_EXT: return "its attachments differ in size";
    case GL_FRAMEBUFFER_INCOMPLETE_FORMATS_EXT: return "its attachments' formats do not go together";
    case GL_FRAMEBUFFER_UNSUPPORTED_EXT: return "the driver does not support this combination";
    case 0: return "the completeness check failed";
    default: return "an unknown framebuffer status";
    }
}

/* The colour texture and depth buffer of a target, width x height. */
static void makeStorage(struct RenderTarget *target, int width, int height)
{
    target->width = width;
    target->height = height;
    glBindTexture(GL_TEXTURE_2D, target->texture);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_INT, NULL);
    glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, target->renderbuffer);
    glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, width, height);
}

/* Gives a target its storage for a picture of width x height at the render
 * scale: the picture's size, or its own size times the scale. */
static void fitTarget(struct RenderTarget *target, int width, int height, float scale)
{
    if (!target->followsPicture) {
        width = tvx_scaledSide(target->madeWidth, scale);
        height = tvx_scaledSide(target->madeHeight, scale);
    }
    if (target->width != width || target->height != height)
        makeStorage(target, width, height);
}

/* ---- Public functions ------------------------------------------------------ */

/* A target that is not complete would show black in every pass drawn
 * through it, so its size is checked before it is made and its completeness
 * after; either failure ends the process. */
int tvx_loadFBO(int width, int height)
{
    int id = CURRENT_ID;
    if (id + 1 > FBO_SLOTS) {
        printf("Maximum numbers of fbo's reached.. exiting");
        exit(-1);
    }
    int largest = largestSide();
    if (width < 1 || height < 1 || width > largest || height > largest) {
        printf("[!] Render target %d cannot be %d x %d: its sides must be 1 to %d here\n", id,
               width, height, largest);
        exit(-1);
    }
    struct RenderTarget *target = &fbo[id];
    target->followsPicture = width == tvx_globalX && height == tvx_globalY;
    target->madeWidth = width;
    target->madeHeight = height;

    glGenFramebuffersEXT(1, &target->framebuffer);
    glGenTextures(1, &target->texture);
    glGenRenderbuffersEXT(1, &target->renderbuffer);

    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
    target->width = target->height = 0;
    fitTarget(target, tvx_globalX, tvx_globalY, tvx_renderScale());
    glFramebufferTexture2DEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_TEXTURE_2D,
                              target->texture, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                              target->renderbuffer);

    GLenum status = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
    if (status != GL_FRAMEBUFFER_COMPLETE_EXT) {
        printf("[!] Render target %d of %d x %d is not complete: %s\n", id, width, height,
               statusName(status));
        exit(-1);
    }

    CURRENT_ID++;
    return id;
}

void tvx_fitPictureTargets(int width, int height, float scale)
{
    for (int id = 0; id < CURRENT_ID; id++)
        fitTarget(&fbo[id], width, height, scale);
    glBindTexture(GL_TEXTURE_2D, 0);
}

unsigned int tvx_enableFBO(int id, float r, float g, float b)
{
    if (id < 0 || id >= CURRENT_ID) {
        printf("[/] tvx_enableFBO: no render target with id %d\n", id);
        return 0;
    }
    struct RenderTarget *target = &fbo[id];
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, target->width, target->height);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, target->framebuffer);
    clearAndReset(r, g, b, 1);
    return target->texture;
}

void tvx_disableFBO(float w, float h, float r, float g, float b)
{
    bindWindow(w, h);
    clearAndReset(r, g, b, 1);
}

void tvx_leaveFBO(float w, float h, float r, float g, float b)
{
    bindWindow(w, h);
    clearAndReset(r, g, b, 0);
}

void tvx_setLightData(float *row, float a, float b, float c, float d)
{
    row[0] = a;
    row[1] = b;
    row[2] = c;
    row[3] = d;
}

void tvx_setAmbientLight(float r, float g, float b, float a)
{
    const float ambient[4] = {r, g, b, a};
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, ambient);
}

/* The record's rows are ambient, diffuse, specular and position; the ambient
 * row is not sent. The position goes through the current model-view matrix. */
void tvx_enableLight(float *light, int i)
{
    GLenum name = GL_LIGHT0 + i;
    glEnable(GL_LIGHTING);
    glEnable(name);
    glLightfv(name, GL_DIFFUSE, light + 4);
    glLightfv(name, GL_SPECULAR, light + 8);
    glLightfv(name, GL_POSITION, light + 12);
}

/* The default light's position is never set: it keeps OpenGL's (0, 0, 1, 0). */
void tvx_setLight0(int on)
{
    if (!on) {
        glDisable(GL_LIGHTING);
        return;
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambientLight);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuseLight);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specularLight);
}
