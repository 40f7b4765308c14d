/*
 * tvx_objprobe.cpp - a small stand-alone probe that reports what an OBJ file
 * names: its material library and whether that library holds materials.
 * Nothing in the demo calls it; it writes to standard output.
 *
 * Depends on: libc.
 */
#include "tvx.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- Internal helpers ------------------------------------------------------- */

/* The whole file as one NUL-terminated text, or null when the memory cannot
 * be had; length found by seeking to the end. */
static char *readWhole(FILE *file)
{
    long length = 0;
    if (fseek(file, 0, SEEK_END) == 0)
        length = ftell(file);
    if (length < 0)
        length = 0;
    rewind(file);
    char *text = (char *)malloc((size_t)length + 1);
    if (!text)
        return NULL;
    size_t got = fread(text, 1, (size_t)length, file);
    text[got] = '\0';
    return text;
}

/* ---- Public functions ------------------------------------------------------- */

void readMtlToObj(struct tvx_mtlFile *file)
{
    FILE *mtl = fopen(file->name, "r");
    if (!mtl) {
        printf("[/] Couldn't material file %s.\n", file->name);
        return;
    }
    char *text = readWhole(mtl);
    int count = 0;
    if (text) {
        const char *p = text;
        const char *found;
        while ((found = strstr(p, "newmtl")) != NULL) {
            count++;
            p = found[6] ? found + 7 : found + 6;
        }
        free(text);
    }
    if (count == 0)
        printf("[/] No materials found\n");
    fclose(mtl);
}

int tvx_loadObjModel(const char *path)
{
    printf("[*] Loading %s.\n", path);
    FILE *file = fopen(path, "r");
    if (!file) {
        printf("Couldn't open %s.\n", path);
        exit(-1);
    }
    char *text = readWhole(file);
    if (!text) {
        printf("couldn't allocate memory\n");
        exit(-1);
    }

    const char *mtllib = strstr(text, "mtllib");
    if (!mtllib) {
        printf("[/] No mtllib defined in the model");
    } else {
        /* the name starts past the keyword and one blank and must end in
         * ".mtl" after that point */
        const char *start = mtllib[6] ? mtllib + 7 : mtllib + 6;
        const char *suffix = strstr(start, ".mtl");
        if (!suffix) {
            printf("[/] Invalid material filename.\n");
        } else {
            size_t length = (size_t)(suffix + 4 - start);
            char *name = (char *)malloc(length + 1);
            if (!name) {
                printf("couldn't allocate memory\n");
                exit(-1);
            }
            memcpy(name, start, length);
            name[length] = '\0';
            printf("%s\n\n", name);
            struct tvx_mtlFile mtl = {name};
            readMtlToObj(&mtl);
            free(name);
        }
    }
    free(text);
    fclose(file);
    return 0;
}
