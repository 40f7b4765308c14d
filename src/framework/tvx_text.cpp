/*
 * tvx_text.cpp - text: the rounded TrueType face and the fonts made from it,
 * polygon text in that face, the typewriter that reveals a message one
 * character per 100 ms of demo time, the pause read-out, and the
 * texture-strip font whose glyphs are equal vertical slices of a TGA image.
 * The face is read once into memory (tvx_readFile: a regular file only, so a
 * FIFO in its place cannot hold the program) and every font is made from
 * those bytes; a face that cannot be read, or that FreeType cannot open, ends
 * the process like any other missing resource.
 * Depends on: FTGL (polygon and pixmap fonts), OpenGL (through GLEW), the demo
 * clock (tvx_getTime), tvx_files.cpp and the TGA loader (tvx_loadTGA).
 */
#include "tvx.h"

#include <GL/glew.h>
#include <FTGL/ftgl.h> /* the C interface, in namespace FTGL when compiled as C++ */

#include <ctype.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ---------------------------------------------------------------- */

#define FONT_FILE "tools/crounded.ttf"
#define FONT_LIMIT ((size_t)64 << 20)   /* bytes: far above any TrueType face */

static int FONTLIST = 0; /* first display list of the loaded strip font */
static int FONTQ = 0;    /* number of glyphs in it */

/* The face's bytes, read once; FreeType reads the fonts from them. */
static unsigned char *faceBytes = NULL;
static size_t faceSize = 0;
/* The polygon font of the captions, made once and kept. */
static FTGL::FTGLfont *polygonFont = NULL;

/* ---- Public functions ------------------------------------------------------ */

FTGL::FTGLfont *tvx_createFont(enum tvx_fontKind kind)
{
    if (faceBytes == NULL) {
        const char *why = NULL;
        if (tvx_readFile(FONT_FILE, FONT_LIMIT, &faceBytes, &faceSize, &why) != 0) {
            printf("[!] Couldn't load the font %s: %s\n", FONT_FILE, why);
            exit(-1);
        }
    }
    FTGL::FTGLfont *font = kind == TVX_FONT_PIXMAP
                               ? FTGL::ftglCreatePixmapFontFromMem(faceBytes, faceSize)
                               : FTGL::ftglCreatePolygonFontFromMem(faceBytes, faceSize);
    if (font == NULL) {
        printf("[!] Couldn't load the font %s: FreeType cannot read it as a font\n", FONT_FILE);
        exit(-1);
    }
    return font;
}

void tvx_loadFont(void)
{
    if (polygonFont != NULL)
        return;
    polygonFont = tvx_createFont(TVX_FONT_POLYGON);
    FTGL::ftglSetFontFaceSize(polygonFont, 4, 72);
}

void tvx_drawPolygonText(const char *text, float x, float y, float z)
{
    tvx_loadFont();
    glPushMatrix();
    glTranslatef(x, y, z);
    FTGL::ftglRenderFont(polygonFont, text, FTGL::RENDER_ALL);
    glPopMatrix();
}

/* One message at a time, recognised by its length: a message of another
 * length restarts the typing, one of the same length continues the current
 * one (and keeps showing its text). */
void tvx_typeWriterText(const char *message, float x, float y, float z)
{
    static int loaded = 0;
    static int len = 0;
    static char *saved_str = NULL;
    static char *printstr = NULL;
    static int startTime = 0;
    static int writingPos = 0;

    int now = tvx_getTime();
    int elapsed = now - startTime;
    int length = (int)strlen(message);
    if (len != length)
        loaded = 0;

    if (loaded == 0) {
        free(saved_str);
        free(printstr);
        writingPos = 0;
        len = length;
        saved_str = (char *)calloc((size_t)len + 1, 1);
        printstr = (char *)calloc((size_t)len + 1, 1);
        if (saved_str == NULL || printstr == NULL) {
            printf("[!] Unable to allocate memory for the typewriter\n");
            exit(-1);
        }
        memcpy(saved_str, message, (size_t)len);
        startTime = tvx_getTime();
        loaded++;
        return;
    }

    writingPos = elapsed / 100;
    if (writingPos > len)
        writingPos = len;
    if (writingPos < 0)
        return;
    memcpy(printstr, saved_str, (size_t)writingPos);
    printstr[writingPos] = '\0';
    tvx_drawPolygonText(printstr, x, y, z);
}

/* The read-out is placed in window coordinates every time, 10 pixels in from
 * the bottom-left corner, so it stays put whatever was drawn before. */
void tvx_infoText(void)
{
    char buffer[1024];
    FTGL::FTGLfont *font = tvx_createFont(TVX_FONT_PIXMAP);
    snprintf(buffer, sizeof buffer, "PAUSED | Time: %dms", tvx_getTime());
    glWindowPos2i(10, 10);
    FTGL::ftglSetFontFaceSize(font, 20, 72);
    FTGL::ftglRenderFont(font, buffer, FTGL::RENDER_ALL);
    FTGL::ftglDestroyFont(font);
    printf("PAUSED AT : %dms\n", tvx_getTime());
}

int tvx_loadTextureFont(const char *path, int count)
{
    if (count <= 0) {
        printf("[!] No fontindex was given (argument 2 of function tvx_loadTextureFont()");
        exit(-1);
    }

    size_t length = strlen(path);
    char *lower = (char *)malloc(length + 1);
    if (lower == NULL) {
        printf("[!] Unable to allocate memory for the font path %s\n", path);
        exit(-1);
    }
    for (size_t i = 0; i <= length; i++) {
        lower[i] = (char)tolower((unsigned char)path[i]);
        if (lower[i] == ' ')
            printf("[/] \"%s\" contains whitespaces. is bad\n", path);
    }

    unsigned int texture = 0;
    if (length >= 3 && strcmp(lower + length - 3, "tga") == 0)
        texture = tvx_loadTGA(path);
    else
        printf("[/] %s is not a tga image: the font has no texture\n", path);
    free(lower);

    GLuint first = glGenLists(count);
    for (int i = 0; i < count; i++) {
        float step = 1.0f / (float)count;
        glNewList(first + i, GL_COMPILE);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, texture);
        glBegin(GL_QUADS);
        glTexCoord2f((float)i * step, 0.0f);
        glVertex3f(-1.0f, -1.0f, 0.0f);
        glTexCoord2f((float)(i + 1) * step, 0.0f);
        glVertex3f(1.0f, -1.0f, 0.0f);
        glTexCoord2f((float)(i + 1) * step, 1.0f);
        glVertex3f(1.0f, 1.0f, 0.0f);
        glTexCoord2f((float)i * step, 1.0f);
        glVertex3f(-1.0f, 1.0f, 0.0f);
        glEnd();
        glDisable(GL_TEXTURE_2D);
        glEndList();
    }
    FONTQ = count;
    FONTLIST = (int)first;
    return (int)first;
}

/* Characters outside the strip's letters take their position like a blank
 * but draw nothing: they would call display lists that are not glyphs. */
void tvx_text(const char *text, float spacing, float x, float y, float z,
              float rx, float ry, float rz)
{
    if (FONTQ == 0) {
        printf("[!] tvx_text() no font loaded.");
        exit(-1);
    }
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(rx, 1.0f, 0.0f, 0.0f);
    glRotatef(ry, 0.0f, 1.0f, 0.0f);
    glRotatef(rz, 0.0f, 0.0f, 1.0f);
    float depth = 0.01f;
    for (int i = 0; text[i] != '\0'; i++) {
        int glyph = tolower((unsigned char)text[i]) - 'a';
        if (text[i] == ' ' || glyph < 0 || glyph >= FONTQ)
            continue;
        glPushMatrix();
        glTranslatef((float)i * spacing, 0.0f, depth);
        glCallList((GLuint)(FONTLIST + glyph));
        glPopMatrix();
        depth += 0.01f;
    }
    glPopMatrix();
}

void tvx_testTextureFont(void)
{
    static int loaded = 0;
    static unsigned int texID = 0;
    if (loaded == 0) {
        texID = tvx_loadTGA("data/font.tga");
        printf("%d\n", (int)texID);
        loaded++;
    }
    glEnable(GL_TEXTURE_2D);
    glPushMatrix();
    glBindTexture(GL_TEXTURE_2D, texID);
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 0.0f);
    glVertex3f(10.0f, 0.0f, 0.0f);
    glTexCoord2f(1.0f, 1.0f);
    glVertex3f(10.0f, 10.0f, 0.0f);
    glTexCoord2f(0.0f, 1.0f);
    glVertex3f(0.0f, 10.0f, 0.0f);
    glEnd();
    glPopMatrix();
    glDisable(GL_TEXTURE_2D);
}
