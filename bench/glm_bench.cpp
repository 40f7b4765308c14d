/*
 * glm_bench.cpp - reading speed of the model library's OBJ reader against
 * tinyobjloader. Generates a large OBJ file (vertices, normals, texture
 * coordinates, faces in all four corner forms, groups and materials) with its
 * material library, reads it with glmReadOBJ and with tinyobj::LoadObj in
 * the same run (best of a few rounds each, file in the page cache, measured
 * in processor time) and prints both throughputs in MB/s and their ratio.
 * Then reads a file of many small groups (one triangle each), which measures
 * the group lookup alone.
 *
 * Usage: glm_bench [directory [megabytes [rounds]]]
 *   (defaults: $TMPDIR or /tmp, 60, 3). The generated files are removed at
 *   the end.
 *
 * Depends on: the model library, tinyobjloader (its Debian library build).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "glm.h"
#include "tiny_obj_loader.h"

/* ---- Internal helpers ------------------------------------------------------- */

/* Processor time of this process: on a shared machine it does not count the
 * time spent waiting for a core. */
static double now(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static const int MATERIALS = 8;
static const int GROUPS = 64;

static void writeMtl(const char *path)
{
    FILE *file = fopen(path, "w");
    if (!file) {
        perror(path);
        exit(2);
    }
    for (int m = 0; m < MATERIALS; m++)
        fprintf(file, "newmtl mat%d\nKa 0.1 0.1 0.1\nKd %.3f 0.5 0.5\nKs 1 1 1\nNs 40\nd 1\n"
                      "illum 2\n\n", m, m / (double)MATERIALS);
    fclose(file);
}

/* Writes blocks of points and faces until the file holds `megabytes` MB;
 * returns its size in bytes. */
static long writeObj(const char *path, long megabytes)
{
    FILE *file = fopen(path, "w");
    if (!file) {
        perror(path);
        exit(2);
    }
    fprintf(file, "# generated for glm_bench\nmtllib bench.mtl\n");
    const int grid = 100;           /* grid × grid points per block */
    long target = megabytes * 1000000L;
    unsigned base = 0;
    int block = 0;
    srand(7);
    while (ftell(file) < target) {
        fprintf(file, "g part%d\nusemtl mat%d\n", block % GROUPS, block % MATERIALS);
        for (int y = 0; y < grid; y++)
            for (int x = 0; x < grid; x++) {
                float h = (float)rand() / (float)RAND_MAX;
                fprintf(file, "v %f %f %f\n", x * 0.25f + block, y * 0.25f, h);
                fprintf(file, "vn %f %f %f\n", 0.1f * h, 0.2f, 0.97f);
                fprintf(file, "vt %f %f\n", x / (float)grid, y / (float)grid);
            }
        for (int y = 0; y + 1 < grid; y++)
            for (int x = 0; x + 1 < grid; x++) {
                unsigned a = base + (unsigned)(y * grid + x) + 1, b = a + 1;
                unsigned c = a + (unsigned)grid + 1, d = a + (unsigned)grid;
                switch ((x + y) % 4) {
                case 0:
                    fprintf(file, "f %u %u %u %u\n", a, b, c, d);
                    break;
                case 1:
                    fprintf(file, "f %u/%u %u/%u %u/%u %u/%u\n", a, a, b, b, c, c, d, d);
                    break;
                case 2:
                    fprintf(file, "f %u//%u %u//%u %u//%u\nf %u//%u %u//%u %u//%u\n", a, a, b, b,
                            c, c, a, a, c, c, d, d);
                    break;
                default:
                    fprintf(file, "f %u/%u/%u %u/%u/%u %u/%u/%u %u/%u/%u\n", a, a, a, b, b, b, c,
                            c, c, d, d, d);
                    break;
                }
            }
        base += (unsigned)(grid * grid);
        block++;
    }
    long size = ftell(file);
    fclose(file);
    return size;
}

/* GROUP_FILE_GROUPS groups of one triangle each. */
static const int GROUP_FILE_GROUPS = 20000;

static long writeGroupsObj(const char *path)
{
    FILE *file = fopen(path, "w");
    if (!file) {
        perror(path);
        exit(2);
    }
    fprintf(file, "v 0 0 0\nv 1 0 0\nv 0 1 0\n");
    for (int g = 0; g < GROUP_FILE_GROUPS; g++)
        fprintf(file, "g part%d\nf 1 2 3\n", g);
    long size = ftell(file);
    fclose(file);
    return size;
}

static double timeGlm(const char *path, unsigned *triangles)
{
    double start = now();
    GlmModel *model = glmReadOBJ(path);
    double seconds = now() - start;
    *triangles = model->numtriangles;
    glmDelete(model);
    return seconds;
}

static double timeTinyobj(const char *path, const char *dir, size_t *triangles)
{
    tinyobj::attrib_t attrib;
    std::vector<tinyobj::shape_t> shapes;
    std::vector<tinyobj::material_t> materials;
    std::string warn, err;
    double start = now();
    bool ok = tinyobj::LoadObj(&attrib, &shapes, &materials, &warn, &err, path, dir, true);
    double seconds = now() - start;
    if (!ok) {
        fprintf(stderr, "tinyobjloader failed: %s\n", err.c_str());
        exit(2);
    }
    *triangles = 0;
    for (const tinyobj::shape_t &shape : shapes)
        *triangles += shape.mesh.num_face_vertices.size();
    return seconds;
}

/* ---- Public functions ------------------------------------------------------- */

int main(int argc, char **argv)
{
    const char *tmp = getenv("TMPDIR");
    const char *parent = argc > 1 ? argv[1] : (tmp ? tmp : "/tmp");
    long megabytes = argc > 2 ? atol(argv[2]) : 60;
    int rounds = argc > 3 ? atoi(argv[3]) : 3;
    if (megabytes < 1 || rounds < 1) {
        fprintf(stderr, "usage: %s [directory [megabytes [rounds]]]\n", argv[0]);
        return 2;
    }

    char dir[512], obj[600], mtl[600];
    snprintf(dir, sizeof(dir), "%s/kolvane-bench-XXXXXX", parent);
    if (!mkdtemp(dir)) {
        perror(dir);
        return 2;
    }
    snprintf(obj, sizeof(obj), "%s/bench.obj", dir);
    snprintf(mtl, sizeof(mtl), "%s/bench.mtl", dir);
    writeMtl(mtl);
    long bytes = writeObj(obj, megabytes);
    double mb = bytes / 1e6;
    printf("file: %s, %.1f MB\n", obj, mb);

    double bestGlm = 1e30, bestTiny = 1e30;
    unsigned glmTriangles = 0;
    size_t tinyTriangles = 0;
    char dirSlash[520];
    snprintf(dirSlash, sizeof(dirSlash), "%s/", dir);
    for (int round = 0; round < rounds; round++) {
        double g = timeGlm(obj, &glmTriangles);
        double t = timeTinyobj(obj, dirSlash, &tinyTriangles);
        printf("round %d: glmReadOBJ %.3f s, tinyobjloader %.3f s (processor time)\n", round + 1, g, t);
        if (g < bestGlm)
            bestGlm = g;
        if (t < bestTiny)
            bestTiny = t;
    }
    printf("triangles: glmReadOBJ %u, tinyobjloader %zu\n", glmTriangles, tinyTriangles);
    printf("glmReadOBJ:    %8.1f MB/s\n", mb / bestGlm);
    printf("tinyobjloader: %8.1f MB/s\n", mb / bestTiny);
    printf("ratio glmReadOBJ / tinyobjloader: %.2f\n", bestTiny / bestGlm);

    char groups[600];
    snprintf(groups, sizeof(groups), "%s/groups.obj", dir);
    long groupBytes = writeGroupsObj(groups);
    double bestGroups = 1e30;
    unsigned groupTriangles = 0;
    for (int round = 0; round < rounds; round++) {
        double g = timeGlm(groups, &groupTriangles);
        if (g < bestGroups)
            bestGroups = g;
    }
    printf("%d groups of one triangle (%.2f MB): glmReadOBJ %.4f s (processor time)\n",
           GROUP_FILE_GROUPS, groupBytes / 1e6, bestGroups);

    unlink(obj);
    unlink(mtl);
    unlink(groups);
    rmdir(dir);
    return 0;
}
