/*
 * tvx_shader.cpp - the shader program table.
 *
 * tvx_loadShader builds a GLSL program from a vertex-shader file, a
 * fragment-shader file or both through the ARB shader-object entry points and
 * keeps it in a 63-slot table under an id handed out 0, 1, 2, ... in load
 * order. Failing compile and link steps are reported with their logs as "[/] "
 * lines; the program keeps its slot either way. Uniforms of one to four
 * floats are sent by name through the core OpenGL 2.0 entry points.
 * tvx_reloadShaders reads every slot's files again while the demo runs and
 * swaps in the programs whose sources changed, once they compile and link;
 * a program that does not keeps the one it had. Source files are read
 * through tvx_readFile, so a FIFO or a directory in their place is refused,
 * at loading and at a reload alike, instead of holding the program.
 *
 * Beside the table the framework keeps programs of its own (the bloom pass's
 * glow, the programs that bake procedural surfaces): built and reloaded the
 * same way from their files, but holding no id of the table, so the ids the
 * demo's loading order hands out stay as they are.
 * Depends on: OpenGL (through GLEW), tvx_files.cpp, libc.
 */
#include "tvx.h"

#include <GL/glew.h>

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ---------------------------------------------------------------- */

#define SHADER_SLOTS 63
#define OWN_SLOTS 16
#define SOURCE_LIMIT ((size_t)16 << 20)   /* bytes: no shader comes near it */

struct ShaderSlot {
    char *vertexSource;
    char *fragmentSource;
    GLhandleARB vertexShader;
    GLhandleARB fragmentShader;
    GLhandleARB program;
    char *vertexPath;      /* the files it was built from, for reloads */
    char *fragmentPath;
    const char *define;    /* a name defined in both stages (own programs), or NULL */
};

static struct ShaderSlot shader[SHADER_SLOTS];
static int CURRENT_ID = -1; /* id of the last loaded program */

static struct ShaderSlot own[OWN_SLOTS];   /* the framework's own programs */
static int ownCount = 0;

/* What a step of an own program saved of the caller's state. */
static GLint stepDrawFramebuffer = 0;
static GLint stepReadFramebuffer = 0;
static GLint stepProgram = 0;

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

/* Compiles one stage, with "#define <define>" after its #version line when
 * define is given; 0 in *ok (and the log printed) when it fails. */
static GLhandleARB compileShader(GLenum type, const char *source, const char *define,
                                 const char *path, int *ok)
{
    GLhandleARB object = glCreateShaderObjectARB(type);
    if (define == NULL) {
        glShaderSourceARB(object, 1, &source, NULL);
    } else {
        const char *rest = source;
        if (strncmp(source, "#version", 8) == 0) {
            const char *end = strchr(source, '\n');
            rest = end != NULL ? end + 1 : source + strlen(source);
        }
        char line[96];
        snprintf(line, sizeof line, "#define %s\n", define);
        const char *parts[3] = {source, line, rest};
        const GLint lengths[3] = {(GLint)(rest - source), -1, -1};
        glShaderSourceARB(object, 3, parts, lengths);
    }
    glCompileShaderARB(object);

    GLint compiled = 0;
    glGetObjectParameterivARB(object, GL_OBJECT_COMPILE_STATUS_ARB, &compiled);
    if (!compiled) {
        printf("[/] %s: %s shader failed to compile\n", path,
               type == GL_VERTEX_SHADER_ARB ? "vertex" : "fragment");
        printInfoLog(object, path);
        *ok = 0;
    }
    return object;
}

/* Builds a program from the given sources into *built (vertex stage first);
 * returns 1 when every stage compiled and the program linked, else 0 with
 * the logs printed. */
static int buildProgram(const char *vertexSource, const char *fragmentSource,
                        const char *vertexPath, const char *fragmentPath, int id,
                        struct ShaderSlot *built)
{
    int ok = 1;
    dprint("Creating shaderprogram", 0);
    built->program = glCreateProgramObjectARB();
    dprint("Done creating shaderprogram", 0);
    built->vertexShader = 0;
    built->fragmentShader = 0;
    if (vertexSource != NULL) {
        dprint("Trying to create shader object (vertex)", 0);
        built->vertexShader = compileShader(GL_VERTEX_SHADER_ARB, vertexSource, built->define,
                                            vertexPath, &ok);
    }
    if (fragmentSource != NULL) {
        dprint("Trying to create shader object (fragment)", 0);
        built->fragmentShader = compileShader(GL_FRAGMENT_SHADER_ARB, fragmentSource, built->define,
                                              fragmentPath, &ok);
    }
    if (vertexSource != NULL)
        glAttachObjectARB(built->program, built->vertexShader);
    if (fragmentSource != NULL)
        glAttachObjectARB(built->program, built->fragmentShader);

    glLinkProgramARB(built->program);
    GLint linked = 0;
    glGetObjectParameterivARB(built->program, GL_OBJECT_LINK_STATUS_ARB, &linked);
    if (!linked) {
        char files[1024];
        if (vertexPath != NULL && fragmentPath != NULL)
            snprintf(files, sizeof files, "%s + %s", vertexPath, fragmentPath);
        else
            snprintf(files, sizeof files, "%s", vertexPath != NULL ? vertexPath : fragmentPath);
        if (id >= 0)
            printf("[/] %s: shader program %d failed to link\n", files, id);
        else
            printf("[/] %s: the program failed to link\n", files);
        printInfoLog(built->program, files);
        ok = 0;
    }
    return ok;
}

static void deleteProgram(struct ShaderSlot *built)
{
    if (built->vertexShader != 0)
        glDeleteObjectARB(built->vertexShader);
    if (built->fragmentShader != 0)
        glDeleteObjectARB(built->fragmentShader);
    glDeleteObjectARB(built->program);
}

/* The whole text of a shader file, zero-terminated; NULL with *why the
 * reason when it cannot be read (tvx_readFile: a FIFO, a directory or a
 * device is refused before anything is read). */
static char *readSource(const char *path, const char **why)
{
    dprint("getting filelength", 0);
    dprint("rewinding filestreampointer", 0);
    dprint("allocating memory ", 0);
    unsigned char *text = NULL;
    size_t length = 0;
    if (tvx_readFile(path, SOURCE_LIMIT, &text, &length, why) != 0)
        return NULL;
    return (char *)text;
}

/* A source file read again for a reload; NULL, with a "[/] " line, when it
 * cannot be read. */
static char *rereadSource(const char *path)
{
    const char *why = NULL;
    char *text = readSource(path, &why);
    if (text == NULL)
        printf("[/] %s: cannot be read again (%s)\n", path, why);
    return text;
}

static int sameText(const char *a, const char *b)
{
    return (a == NULL && b == NULL) || (a != NULL && b != NULL && strcmp(a, b) == 0);
}

static char *copyPath(const char *path)
{
    if (path == NULL)
        return NULL;
    char *copy = strdup(path);
    if (copy == NULL) {
        printf("[!] Couldn't allocate memory");
        exit(-1);
    }
    return copy;
}

/* Reads a program's files into a slot and builds it there; id names it in
 * the link message (-1 for the framework's own programs). */
static void fillSlot(struct ShaderSlot *slot, const char *vertexPath, const char *fragmentPath,
                     const char *define, int id)
{
    slot->define = define;
    if (vertexPath != NULL)
        slot->vertexSource = loadFile(vertexPath);
    if (fragmentPath != NULL)
        slot->fragmentSource = loadFile(fragmentPath);
    slot->vertexPath = copyPath(vertexPath);
    slot->fragmentPath = copyPath(fragmentPath);
    buildProgram(slot->vertexSource, slot->fragmentSource, vertexPath, fragmentPath, id, slot);
}

/* Builds a slot's program again when its files changed; returns 1 when they
 * did, and sets *kept when the new sources do not build and the old program
 * stays. */
static int reloadSlot(struct ShaderSlot *slot, int id, int *kept)
{
    char *vertexSource = slot->vertexPath != NULL ? rereadSource(slot->vertexPath) : NULL;
    char *fragmentSource = slot->fragmentPath != NULL ? rereadSource(slot->fragmentPath) : NULL;
    int readable = (slot->vertexPath == NULL || vertexSource != NULL) &&
                   (slot->fragmentPath == NULL || fragmentSource != NULL);
    *kept = 0;
    if (readable && sameText(vertexSource, slot->vertexSource) &&
        sameText(fragmentSource, slot->fragmentSource)) {
        free(vertexSource);
        free(fragmentSource);
        return 0;
    }
    struct ShaderSlot built = *slot;
    if (readable && buildProgram(vertexSource, fragmentSource, slot->vertexPath,
                                 slot->fragmentPath, id, &built)) {
        deleteProgram(slot);
        free(slot->vertexSource);
        free(slot->fragmentSource);
        built.vertexSource = vertexSource;
        built.fragmentSource = fragmentSource;
        *slot = built;
        return 1;
    }
    if (readable)
        deleteProgram(&built);
    if (id >= 0)
        printf("[/] shader program %d keeps its old program\n", id);
    else
        printf("[/] %s keeps its old program\n",
               slot->fragmentPath != NULL ? slot->fragmentPath : slot->vertexPath);
    *kept = 1;
    free(vertexSource);
    free(fragmentSource);
    return 1;
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
    const char *why = NULL;
    char *text = readSource(path, &why);
    dprint("filehandle NULL check", 0);
    if (text == NULL && errno == ENOMEM) {
        printf("[!] Couldn't allocate memory");
        exit(-1);
    }
    if (text == NULL && errno == ENOENT) {
        printf("[!] Couldn't load shaderfile %s\n", path);
        exit(-1);
    }
    if (text == NULL) {
        printf("[!] Couldn't load shaderfile %s: %s\n", path, why);
        exit(-1);
    }
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

    dprint("loading the shaderfiles from loadShader()", 0);
    fillSlot(&shader[id], vertexPath, fragmentPath, NULL, id);
    dprint("returning CURRENT_ID", 0);
    return id;
}

int tvx_loadOwnShader(const char *vertexPath, const char *fragmentPath, const char *define)
{
    if (ownCount == OWN_SLOTS || (vertexPath == NULL && fragmentPath == NULL)) {
        printf("[!] The framework cannot keep another program of its own (%s)\n",
               fragmentPath != NULL ? fragmentPath : vertexPath != NULL ? vertexPath : "no files");
        exit(-1);
    }
    fillSlot(&own[ownCount], vertexPath, fragmentPath, define, -1);
    return ownCount++;
}

unsigned int tvx_ownProgram(int handle)
{
    return handle >= 0 && handle < ownCount ? (unsigned int)own[handle].program : 0;
}

unsigned int tvx_beginOwnStep(int handle)
{
    glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &stepDrawFramebuffer);
    glGetIntegerv(GL_READ_FRAMEBUFFER_BINDING, &stepReadFramebuffer);
    glGetIntegerv(GL_CURRENT_PROGRAM, &stepProgram);
    glPushAttrib(GL_ENABLE_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT | GL_SCISSOR_BIT |
                 GL_POLYGON_BIT | GL_TEXTURE_BIT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_BLEND);
    glDisable(GL_SCISSOR_TEST);
    glDisable(GL_CULL_FACE);
    glDisable(GL_ALPHA_TEST);
    glDisable(GL_STENCIL_TEST);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glActiveTexture(GL_TEXTURE0);
    GLuint program = tvx_ownProgram(handle);
    glUseProgram(program);
    return program;
}

void tvx_ownStepQuad(void)
{
    glBegin(GL_QUADS);
    glVertex2f(-1.0f, -1.0f);
    glVertex2f(1.0f, -1.0f);
    glVertex2f(1.0f, 1.0f);
    glVertex2f(-1.0f, 1.0f);
    glEnd();
}

void tvx_endOwnStep(void)
{
    glPopAttrib();   /* also the textures bound, and the active unit */
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, (GLuint)stepDrawFramebuffer);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, (GLuint)stepReadFramebuffer);
    glUseProgram((GLuint)stepProgram);
}

void tvx_reloadShaders(void)
{
    int changed = 0;
    int kept = 0;
    for (int id = 0; id <= CURRENT_ID; id++) {
        int stays = 0;
        changed += reloadSlot(&shader[id], id, &stays);
        kept += stays;
    }
    for (int k = 0; k < ownCount; k++) {
        int stays = 0;
        reloadSlot(&own[k], -1, &stays);
    }
    printf("[*] shaders reloaded: %d of %d programs changed, %d kept their old program\n",
           changed, CURRENT_ID + 1, kept);
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

void tvx_shader_sendSampler(int id, const char *name, int unit)
{
    struct ShaderSlot *slot = slotOf(id, "tvx_shader_sendSampler");
    if (slot != NULL)
        glUniform1i(glGetUniformLocation((GLuint)slot->program, name), unit);
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
