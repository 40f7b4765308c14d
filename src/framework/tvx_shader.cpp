/*
 * tvx_shader.cpp - the shader program table.
 *
 * tvx_loadShader builds a GLSL program from a vertex-shader file, a
 * fragment-shader file or both through the ARB shader-object entry points and
 * keeps it in a 63-slot table under an id handed out 0, 1, 2, ... in load
 * order. Failing compile and link steps are reported with their logs as "[/] "
 * lines; the program keeps its slot either way. Uniforms of one to four
 * floats are sent by name through the core OpenGL 2.0 entry points.
 * Depends on: OpenGL (through GLEW), libc.
 */
#include "tvx.h"

#include <GL/glew.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ---------------------------------------------------------------- */

#define SHADER_SLOTS 63

struct ShaderSlot {
    char *vertexSource;
    char *fragmentSource;
    GLhandleARB vertexShader;
    GLhandleARB fragmentShader;
    GLhandleARB program;
};

static struct ShaderSlot shader[SHADER_SLOTS];
static int CURRENT_ID = -1; /* id of the last loaded program */

/* ---- Internal helpers ----------------------------------------------------- */

/* Prints an object's info log as "[/] " lines, each naming the file(s) it
 * came from. */
static void printInfoLog(GLhandleARB object, const char *files)
{
    GLint length = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_INFO_LOG_LENGTH_ARB, &length);
    if (length <= 1)
        return;
    char *log = (char *)malloc((size_t)length);
    if (log == NULL)
        return;
    glGetInfoLogARB(object, length, NULL, log);
    for (char *line = strtok(log, "\n"); line != NULL; line = strtok(NULL, "\n"))
        printf("[/] %s: %s\n", files, line);
    free(log);
}

static GLhandleARB compileShader(GLenum type, const char *source, const char *path)
{
    GLhandleARB object = glCreateShaderObjectARB(type);
    glShaderSourceARB(object, 1, &source, NULL);
    glCompileShaderARB(object);

    GLint compiled = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    if (!compiled) {
        printf("[/] %s: %s shader failed to compile\n", path,
               type == GL_VERTEX_SHADER_ARB ? "vertex" : "fragment");
        printInfoLog(object, path);
    }
    return object;
}

static struct ShaderSlot *slotOf(int id, const char *caller)
{
    if (id < 0 || id > CURRENT_ID) {
        printf("[/] %s: no shader program with id %d\n", caller, id);
        return NULL;
    }
    return &shader[id];
}

/* ---- Public functions ------------------------------------------------------ */

char *loadFile(const char *path)
{
    dprint("fopen'ing file", 0);
    FILE *file = fopen(path, "r");
    dprint("filehandle NULL check", 0);
    if (file == NULL) {
        printf("[!] Couldn't load shaderfile %s\n", path);
        exit(-1);
    }
    dprint("getting filelength", 0);
    long length = -1;
    if (fseek(file, 0, SEEK_END) == 0)
        length = ftell(file);
    if (length < 0) {
        fclose(file);
        printf("[!] Couldn't load shaderfile %s\n", path);
        exit(-1);
    }
    dprint("rewinding filestreampointer", 0);
    rewind(file);
    dprint("allocating memory ", 0);
    char *text = (char *)malloc((size_t)length + 1);
    if (text == NULL) {
        fclose(file);
        printf("[!] Couldn't allocate memory");
        exit(-1);
    }
    size_t got = fread(text, 1, (size_t)length, file);
    text[got] = '\0';
    fclose(file);
    printf("[*] shaderfile %s loaded\n", path);
    return text;
}

int tvx_loadShader(const char *vertexPath, const char *fragmentPath)
{
    dprint("increasing CURRENT_ID to next free id", 0);
    CURRENT_ID++;
    int id = CURRENT_ID;

    dprint("CURRENT_ID max check", 0);
    if (id > SHADER_SLOTS - 1) {
        printf("[!] Maximum amount of shaders reached.");
        CURRENT_ID--;
        exit(-1);
    }

    dprint("Confirming given filenames", 0);
    if (vertexPath == NULL && fragmentPath == NULL) {
        printf("[!] No files given to function loadShader()\n");
        CURRENT_ID--;
        return -1;
    }

    struct ShaderSlot *slot = &shader[id];
    dprint("loading the shaderfiles from loadShader()", 0);
    if (vertexPath != NULL)
        slot->vertexSource = loadFile(vertexPath);
    if (fragmentPath != NULL)
        slot->fragmentSource = loadFile(fragmentPath);
    dprint("Done loading shadefiles...", 0);

    dprint("Creating shaderprogram", 0);
    slot->program = glCreateProgramObjectARB();
    dprint("Done creating shaderprogram", 0);

    if (vertexPath != NULL) {
        dprint("Trying to create shader object (vertex)", 0);
        slot->vertexShader = compileShader(GL_VERTEX_SHADER_ARB, slot->vertexSource, vertexPath);
    }
    if (fragmentPath != NULL) {
        dprint("Trying to create shader object (fragment)", 0);
        slot->fragmentShader = compileShader(GL_FRAGMENT_SHADER_ARB, slot->fragmentSource, fragmentPath);
    }
    if (vertexPath != NULL)
        glAttachObjectARB(slot->program, slot->vertexShader);
    if (fragmentPath != NULL)
        glAttachObjectARB(slot->program, slot->fragmentShader);

    glLinkProgramARB(slot->program);
    GLint linked = 0;
    glGetObjectParameterivARB(slot->program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked) {
        char files[1024];
        if (vertexPath != NULL && fragmentPath != NULL)
            snprintf(files, sizeof files, "%s + %s", vertexPath, fragmentPath);
        else
            snprintf(files, sizeof files, "%s", vertexPath != NULL ? vertexPath : fragmentPath);
        printf("[/] %s: shader program %d failed to link\n", files, id);
        printInfoLog(slot->program, files);
    }

    dprint("returning CURRENT_ID", 0);
    return id;
}

void tvx_enableShader(int id)
{
    struct ShaderSlot *slot = slotOf(id, "tvx_enableShader");
    glUseProgramObjectARB(slot != NULL ? slot->program : 0);
}

void tvx_disableShader(void)
{
    glUseProgramObjectARB(0);
}

void tvx_shader_sendUniformValue(int id, const char *name, const float *values, int count)
{
    struct ShaderSlot *slot = slotOf(id, "tvx_shader_sendUniformValue");
    if (slot == NULL)
        return;
    GLint location = glGetUniformLocation((GLuint)slot->program, name);

    if (count > 4) {
        printf("[!] The tarvex framework only supports float4\n Any complains? Go to hell.\n");
        return;
    }
    switch (count) {
    case 0:
        printf("[!] tvx_shader_sendUniformValue was given an invalid count-value check argument 4 and redo.. *sadface* :(");
        exit(-1);
    case 1:
        glUniform1f(location, values[0]);
        break;
    case 2:
        glUniform2f(location, values[0], values[1]);
        break;
    case 3:
        glUniform3f(location, values[0], values[1], values[2]);
        break;
    case 4:
        glUniform4f(location, values[0], values[1], values[2], values[3]);
        break;
    default:
        break; /* a negative count sends nothing */
    }
}
