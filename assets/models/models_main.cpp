/*
 * models_main.cpp - model-gen: writes every model of the demo.
 *
 *   model-gen OUTPUT_DIR FONT
 *
 * OUTPUT_DIR is the demo's data/models folder; FONT is the rounded TrueType
 * font the greeting names are cut from (tools/crounded.ttf). The output is
 * the same, byte for byte, on every run.
 *
 * Depends on: models.h, the C++ standard library (directories).
 */
#include "models.h"

#include <cstdio>
#include <filesystem>   /* create_directories */
#include <string>

/* ---- Internal helpers -------------------------------------------------------- */

static int writeModel(const Mesh *mesh, const std::string &dir, const char *name, const char *title)
{
    std::string obj = dir + "/" + name + ".obj", mtl = dir + "/" + name + ".mtl";
    std::string mtlName = std::string(name) + ".mtl";
    if (meshWrite(mesh, obj, mtl, mtlName.c_str(), title) != 0) {
        std::fprintf(stderr, "[!] model-gen: cannot write %s\n", obj.c_str());
        return -1;
    }
    std::printf("[*] %s: %zu triangles\n", obj.c_str(), mesh->tris.size());
    return 0;
}

/* ---- Public functions ----------------------------------------------------------- */

int main(int argc, char **argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR FONT\n", argv[0]);
        return 2;
    }
    std::string out = argv[1];
    std::error_code error;
    std::filesystem::create_directories(out + "/skepp", error);
    std::filesystem::create_directories(out + "/greets", error);

    Mesh mesh;
    int failed = 0;
    buildTv(&mesh);
    failed |= writeModel(&mesh, out, "tv", "Kolvane: tower of television sets");
    buildShip(&mesh);
    failed |= writeModel(&mesh, out + "/skepp", "skepp", "Kolvane: the ship");
    buildStation(&mesh);
    failed |= writeModel(&mesh, out, "station", "Kolvane: space station");
    buildCockpit(&mesh);
    failed |= writeModel(&mesh, out, "cockpit3", "Kolvane: cockpit");
    buildMonitor(&mesh);
    failed |= writeModel(&mesh, out, "screen", "Kolvane: monitor");

    std::string greets = out + "/greets";
    for (int k = 0; k < GREET_COUNT; k++) {
        if (buildGreet(&mesh, k, argv[2]) != 0) {
            std::fprintf(stderr, "[!] model-gen: cannot cut greeting %s from %s\n", greetName(k), argv[2]);
            return 1;
        }
        std::string title = std::string("Kolvane: greetings to ") + greetName(k);
        std::string obj = greets + "/greet" + std::to_string(k) + ".obj";
        if (meshWrite(&mesh, obj, k == 0 ? greets + "/greets.mtl" : "", "greets.mtl",
                      k == 0 ? "Kolvane: greeting materials" : title.c_str()) != 0) {
            std::fprintf(stderr, "[!] model-gen: cannot write %s\n", obj.c_str());
            return 1;
        }
        std::printf("[*] %s: %zu triangles\n", obj.c_str(), mesh.tris.size());
    }
    return failed ? 1 : 0;
}
