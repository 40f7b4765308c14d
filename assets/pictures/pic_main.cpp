/*
 * pic_main.cpp - command line of the picture generator:
 *   kolvane_pictures OUTDIR [FILE...]
 * writes every picture (or only the named ones, e.g. title.png) into OUTDIR.
 *
 * Depends on: pic.h.
 */
#include "pic.h"

#include <stdio.h>
#include <string.h>

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s OUTDIR [FILE...]\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 0; i < picCount(); i++) {
        int wanted = argc == 2;
        for (int a = 2; a < argc; a++)
            wanted |= strcmp(argv[a], picEntry(i)->file) == 0;
        if (!wanted)
            continue;
        if (picGenerate(i, argv[1]) != 0)
            status = 1;
        else
            printf("%s/%s\n", argv[1], picEntry(i)->file);
    }
    for (int a = 2; a < argc; a++) {
        int known = 0;
        for (int i = 0; i < picCount(); i++)
            known |= strcmp(argv[a], picEntry(i)->file) == 0;
        if (!known) {
            fprintf(stderr, "pictures: no picture named %s\n", argv[a]);
            status = 2;
        }
    }
    return status;
}
