/*
 * tvx_frame.cpp - where a frame is drawn and how it reaches the window: the
 * picture target, the render scale and the motion blur.
 *
 * A frame is drawn into the window, or into the picture target, a colour
 * texture with a depth buffer like the window's: always when the render
 * scale (tvx_scale.cpp) makes the picture smaller than its place in the
 * window, and while the motion blur is on. At the frame's end the picture
 * target is stretched to its place in the window, with a linear filter when
 * the scale is below 1; the demo then keeps its period at any resolution
 * and only gets softer. The picture's size at the scale is what the demo
 * sees as the window's (tvx_globalX, tvx_globalY); render targets made at
 * that size follow it, and those of a fixed size are drawn at that size
 * times the scale (tvx_fitPictureTargets).
 *
 * The history of the blur is a window-sized colour target. At every frame
 * end the finished frame is blended into it with weight 1 - w (history x w +
 * frame x (1 - w)) and it is copied to the window. An 8-bit history rounds
 * every blend to a level, and what the rounding leaves behind adds up to at
 * most 0.5 / (1 - w) levels: about one while the history weighs up to
 * COARSE_MOST (a blur of 0.5 a period in frames of 18 ms or more), but a
 * trail that never quite fades in frames much shorter than the period. Such
 * heavy histories are kept in half floats instead, which cost a software
 * rasteriser a third more to blend into and copy out. Between COARSE_MOST
 * and FINE_FROM the history keeps its kind, so frame times near the bound do
 * not switch it to and fro; a switch carries the history over.
 *
 * While the blur is on (it was in the last frame), a frame is not drawn into
 * the window but into the picture target, a window-sized colour texture with
 * a depth buffer like the window's, which the blend then reads directly; on a
 * software rasteriser that saves copying every frame out of the window. The
 * window's framebuffer is then the picture target for everything the frame
 * draws (tvx_pictureFramebuffer), from tvx_beginFrame to tvx_motionBlur. A
 * frame drawn in the window and blurred is first copied out of it.
 *
 * A frame finished by one last draw over the whole picture (a pass's screen
 * quad) need not blend the picture in afterwards: tvx_historyDraw binds the
 * history, with the picture's depth buffer, and a blend that weighs the draw
 * in directly (source x alpha x (1 - w) + history x w), which spares a
 * software rasteriser the blend of a whole frame; the frame end then only
 * copies the history to the window. What the frame drew before that draw
 * stays in the picture target, for the draw to read (tvx_pictureTexture).
 *
 * A weight of 0 leaves the picture as it is and costs nothing; so does a
 * weight below half a grey level (NEGLIGIBLE_WEIGHT), since frame + w x
 * (history - frame) then rounds back to the frame's own level in every pixel
 * (a benchmark or capture at 5 frames a second weighs a 0.2 blur's history at
 * 0.2^8). The history is then taken up again from the first blurred frame
 * itself (on a software rasteriser a copy of every unblurred frame would cost
 * several ms, for a trail of one frame at the moment the blur comes on); so
 * is it after the scale changed. A reshape drops the history: the next
 * blurred frame is blended with black, and the targets follow the new window
 * size.
 * Depends on: OpenGL through GLEW (core framebuffer objects and blits, blend
 * colour, half-float textures where the driver has them).
 */
#include "tvx.h"

#include <GL/glew.h>

/* ---- State ----------------------------------------------------------------- */

/* The blended frames: [0] RGBA8, [1] half-float (else 16-bit) RGBA. */
static unsigned int historyTexture[2] = {0, 0};
static unsigned int historyFramebuffer[2] = {0, 0};
static int fineHistory = 0;               /* the one in use */
static unsigned int frameTexture = 0;     /* RGBA8: the picture target's colour */
static unsigned int frameFramebuffer = 0; /* the picture target */
static unsigned int frameDepth = 0;       /* its depth buffer, as deep as the window's */
static int targetWidth = 0;
static int targetHeight = 0;
static int historyDropped = 1;            /* the history is to start black */
static int historyStale = 0;              /* the history is to start from the frame */
static int blurOn = 0;                    /* the last frame was blurred */
static int inPicture = 0;                 /* this frame is drawn into the picture target */
static int pictureUsable = 0;             /* the picture target is complete */
static int frameInHistory = 0;            /* this frame's last draw went into the history */
static int historyDepth[2] = {0, 0};      /* the history takes the picture's depth buffer */
static int fullWidth = 0;                 /* the picture's place in the window */
static int fullHeight = 0;

/* Below this the history cannot move an 8-bit level: 255 x w < 0.5. */
static const float NEGLIGIBLE_WEIGHT = 1.0f / 510.0f;
/* Up to this weight an 8-bit history will do; above FINE_FROM it is fine. */
static const float COARSE_MOST = 0.6f;
static const float FINE_FROM = 0.7f;

/* ---- Internal helpers ------------------------------------------------------ */

static void makeTarget(unsigned int *texture, unsigned int *framebuffer, GLenum format,
                       int width, int height)
{
    if (*texture == 0) {
        glGenTextures(1, texture);
        glGenFramebuffers(1, framebuffer);
    }
    glBindTexture(GL_TEXTURE_2D, *texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, format, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, *framebuffer);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D,
                              *texture, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

/* The picture target gets a depth buffer as deep as the window's, so that
 * the depth test decides as it would in the window. */
static void attachDepth(int width, int height)
{
    GLint bits = 24;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetIntegerv(GL_DEPTH_BITS, &bits);
    if (frameDepth == 0)
        glGenRenderbuffers(1, &frameDepth);
    glBindRenderbuffer(GL_RENDERBUFFER, frameDepth);
    glRenderbufferStorage(GL_RENDERBUFFER, bits > 24 ? GL_DEPTH_COMPONENT32 : GL_DEPTH_COMPONENT24,
                          width, height);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, frameFramebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, frameDepth);
    /* an incomplete one is never drawn into: the frames stay in the window */
    pictureUsable = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    /* a frame's last draw into the history is depth tested against what the
     * frame drew before it; a history that cannot take the depth buffer is
     * only ever blended into */
    for (int k = 0; k < 2; k++) {
        glBindFramebuffer(GL_FRAMEBUFFER, historyFramebuffer[k]);
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, frameDepth);
        historyDepth[k] = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
        if (!historyDepth[k])
            glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

/* Makes the targets the window's size, once and after a reshape. */
static void fitTargets(int width, int height)
{
    if (width == targetWidth && height == targetHeight)
        return;
    GLenum fine = GLEW_VERSION_3_0 || GLEW_ARB_texture_float ? GL_RGBA16F_ARB : GL_RGBA16;
    makeTarget(&historyTexture[0], &historyFramebuffer[0], GL_RGBA8, width, height);
    makeTarget(&historyTexture[1], &historyFramebuffer[1], fine, width, height);
    makeTarget(&frameTexture, &frameFramebuffer, GL_RGBA8, width, height);
    attachDepth(width, height);
    targetWidth = width;
    targetHeight = height;
}

/* The picture's size for this frame: the demo's W and H, and the render
 * targets, follow the scale. A change of scale takes the blur's history up
 * again from the next blurred frame. */
static void applyScale(void)
{
    float scale = tvx_renderScale();
    int width = tvx_scaledSide(fullWidth, scale);
    int height = tvx_scaledSide(fullHeight, scale);
    if (width == tvx_globalX && height == tvx_globalY)
        return;
    tvx_globalX = width;
    tvx_globalY = height;
    tvx_fitPictureTargets(width, height, scale);
    if (!historyDropped)
        historyStale = 1;
}

/* Puts a target's picture in its place in the window, stretched when the
 * render scale made it smaller. */
static void toWindow(unsigned int from, int width, int height)
{
    int x = 0, y = 0;
    tvx_pictureOrigin(&x, &y);
    int sameSize = width == fullWidth && height == fullHeight;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glBlitFramebuffer(0, 0, width, height, x, y, x + fullWidth, y + fullHeight, GL_COLOR_BUFFER_BIT,
                      sameSize ? GL_NEAREST : GL_LINEAR);
}

/* Copies the picture's colour from one framebuffer to another: in the
 * window (framebuffer 0) the picture begins where tvx_pictureOrigin says
 * (off the corner with --letterbox), in a target at its corner. */
static void copyColour(unsigned int from, unsigned int to, int width, int height)
{
    int x = 0, y = 0;
    tvx_pictureOrigin(&x, &y);
    int fromX = from == 0 ? x : 0, fromY = from == 0 ? y : 0;
    int toX = to == 0 ? x : 0, toY = to == 0 ? y : 0;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    glBlitFramebuffer(fromX, fromY, fromX + width, fromY + height, toX, toY, toX + width,
                      toY + height, GL_COLOR_BUFFER_BIT, GL_NEAREST);
}

/* Blends the frame texture into the history: one quad over the whole target,
 * in a state of its own that is put back afterwards. */
static void blendFrameIntoHistory(float weight)
{
    GLint program = 0;
    glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    glPushAttrib(GL_ENABLE_BIT | GL_COLOR_BUFFER_BIT | GL_VIEWPORT_BIT | GL_TEXTURE_BIT |
                 GL_CURRENT_BIT | GL_TRANSFORM_BIT | GL_DEPTH_BUFFER_BIT | GL_POLYGON_BIT |
                 GL_LIGHTING_BIT | GL_FOG_BIT);
    glUseProgram(0);
    glBindFramebuffer(GL_FRAMEBUFFER, historyFramebuffer[fineHistory]);
    glViewport(0, 0, targetWidth, targetHeight);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendColor(0.0f, 0.0f, 0.0f, 1.0f - weight);
    glBlendFunc(GL_CONSTANT_ALPHA, GL_ONE_MINUS_CONSTANT_ALPHA);
    glActiveTexture(GL_TEXTURE0);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, frameTexture);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glMatrixMode(GL_TEXTURE);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(1.0f, -1.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(1.0f, 1.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glBindTexture(GL_TEXTURE_2D, 0);
    glPopAttrib();   /* also the matrix mode, the viewport and the blend */
    glUseProgram((GLuint)program);
}

/* Takes the kind of history this weight needs; one kept up so far is
 * carried over into the other kind. */
static void chooseHistory(float weight, int kept, int width, int height)
{
    int fine = fineHistory ? weight > COARSE_MOST : weight > FINE_FROM;
    if (fine != fineHistory && kept)
        copyColour(historyFramebuffer[fineHistory], historyFramebuffer[fine], width, height);
    fineHistory = fine;
}

/* Clears the whole of the bound framebuffer's colour to black; the clear
 * colour and the scissor stay as they were. */
static void clearBlack(void)
{
    glPushAttrib(GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    glPopAttrib();
}

/* Binds the history in use, black first where it was dropped. */
static void bindHistory(void)
{
    glBindFramebuffer(GL_FRAMEBUFFER, historyFramebuffer[fineHistory]);
    if (historyDropped)
        clearBlack();
}

/* Clears the bars around a letterboxed picture, which nothing drew in the
 * window in this frame; leaves the window bound. */
static void clearBars(void)
{
    int x = 0, y = 0;
    tvx_pictureOrigin(&x, &y);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (x != 0 || y != 0)
        clearBlack();
}

/* ---- Public functions ------------------------------------------------------ */

void tvx_setPictureSize(int width, int height)
{
    fullWidth = width;
    fullHeight = height;
    tvx_globalX = tvx_globalY = 0;
    applyScale();
}

void tvx_beginFrame(void)
{
    tvx_frameBegins();
    if (fullWidth > 0 && fullHeight > 0)
        applyScale();
    int width = tvx_globalX;
    int height = tvx_globalY;
    int scaled = width != fullWidth || height != fullHeight;
    inPicture = 0;
    if ((blurOn || scaled) && width > 0 && height > 0) {
        fitTargets(width, height);
        inPicture = pictureUsable;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, tvx_pictureFramebuffer());
    if (width > 0 && height > 0)
        tvx_pictureViewport(width, height);
}

unsigned int tvx_pictureFramebuffer(void)
{
    return inPicture ? frameFramebuffer : 0;
}

void tvx_motionBlur(float weight)
{
    int width = tvx_globalX;
    int height = tvx_globalY;
    int drawnInPicture = inPicture;
    inPicture = 0;
    if (weight < NEGLIGIBLE_WEIGHT)
        weight = 0.0f;
    blurOn = weight != 0.0f;
    if (width <= 0 || height <= 0)
        return;
    if (weight == 0.0f && !drawnInPicture) {
        historyStale = 1;
        return;
    }
    if (drawnInPicture) {
        /* Nothing was drawn in the window in this frame: the bars around a
         * letterboxed picture are cleared, the picture is copied over. */
        clearBars();
    } else {
        fitTargets(width, height);
    }
    if (weight != 0.0f)
        chooseHistory(weight, !historyStale && !historyDropped, width, height);
    unsigned int history = historyFramebuffer[fineHistory];
    if (frameInHistory) {
        /* the frame's last draw went into the history: it is the finished frame */
        frameInHistory = 0;
        toWindow(history, width, height);
    } else if (weight == 0.0f || historyStale) {
        /* no history to blend with: the frame stays as drawn and, when the
         * blur is on, is where the history starts */
        if (weight != 0.0f)
            copyColour(drawnInPicture ? frameFramebuffer : 0, history, width, height);
        if (drawnInPicture)
            toWindow(frameFramebuffer, width, height);
    } else {
        bindHistory();
        if (!drawnInPicture)
            copyColour(0, frameFramebuffer, width, height);
        blendFrameIntoHistory(weight);
        toWindow(history, width, height);
    }
    historyStale = weight == 0.0f;
    if (weight != 0.0f)
        historyDropped = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    tvx_pictureViewport(fullWidth, fullHeight);
}

float tvx_historyDraw(float weight)
{
    int width = tvx_globalX;
    int height = tvx_globalY;
    if (!inPicture || frameInHistory || weight < NEGLIGIBLE_WEIGHT || width <= 0 || height <= 0)
        return 0.0f;
    int kept = !historyStale && !historyDropped;
    chooseHistory(weight, kept, width, height);
    if (!historyDepth[fineHistory])
        return 0.0f;
    bindHistory();
    /* a history taken up again starts from this frame alone */
    float historyWeight = historyStale ? 0.0f : weight;
    glEnable(GL_BLEND);
    glBlendEquation(GL_FUNC_ADD);
    glBlendColor(0.0f, 0.0f, 0.0f, historyWeight);
    glBlendFunc(GL_SRC_ALPHA, GL_CONSTANT_ALPHA);
    frameInHistory = 1;
    return 1.0f - historyWeight;
}

unsigned int tvx_pictureTexture(void)
{
    return inPicture ? frameTexture : 0;
}

void tvx_dropMotionBlur(void)
{
    historyDropped = 1;
    historyStale = 0;
    blurOn = 0;
}
