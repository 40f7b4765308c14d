/*
 * tvx_objprobe.cpp - a small stand-alone probe that reports what an OBJ file
 * names: its material library and whether that library holds materials.
 * Nothing in the demo calls it; it writes to standard output.
 *
 * Depends on: tvx_files.cpp (reading the files), libc.
 */
#include "tvx.h"

#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

/* ---- State ----------------------------------------------------------------- */

#define PROBE_LIMIT ((size_t)1 << 30)   /* bytes of a model or library read */

/* ---- Public functions ------------------------------------------------------- */

void readMtlToObj(struct tvx_mtlFile *file)
{
    unsigned char *bytes = NULL;
    size_t size = 0;
    const char *why = NULL;
    if (tvx_readFile(file->name, PROBE_LIMIT, &bytes, &size, &why) != 0) {
        printf("[/] Couldn't material file %s.\n", file->name);
        return;
    }
    int count = 0;
    const char *p = (const char *)bytes;
    const char *found;
    while ((found = strstr(p, "newmtl")) != NULL) {
        count++;
        p = found[6] ? found + 7 : found + 6;
    }
    free(bytes);
    if (count == 0)
        printf("[/] No materials found\n");
}

int tvx_loadObjModel(const char *path)
{
    printf("[*] Loading %s.\n", path);
    unsigned char *bytes = NULL;
    size_t size = 0;
    const char *why = NULL;
    if (tvx_readFile(path, PROBE_LIMIT, &bytes, &size, &why) != 0) {
        if (errno == ENOMEM)
            printf("couldn't allocate memory\n");
        else
            printf("Couldn't open %s.\n", path);
        exit(-1);
    }
    char *text = (char *)bytes;

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
            /* shown as printable text: the name can run across lines of
             * the file and hold any byte */
            for (const char *c = name; *c; c++)
                putchar(*c >= 0x20 && *c < 0x7F ? *c : '?');
            printf("\n\n");
            struct tvx_mtlFile mtl = {name};
            readMtlToObj(&mtl);
            free(name);
        }
    }
    free(text);
    return 0;
}
