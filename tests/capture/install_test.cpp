/*
 * install_test.cpp - kolvane installed and packaged: `cmake --install` into a
 * scratch prefix, the installed program run from another folder (its frames
 * and benchmark JSON land where it was started, the frame matches the build
 * tree's), the order in which the data folder is looked for (a working
 * directory that holds the demo's data comes before the installed data and
 * the checkout), and the Debian package that CPack makes (its files and
 * declared dependencies, read with dpkg-deb).
 *
 * Depends on: cmake, cpack and dpkg-deb on the PATH, the kolvane executable
 * and the generated manual page and changelog, capture_run.cpp.
 */
#include <gtest/gtest.h>

#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "capture_run.h"

namespace {

/* Scene 7 opens on the planet: textures, shaders and noise in one frame. */
const std::vector<std::string> PLANET_CAPTURE = {"-w", "320", "-h", "180", "-m", "-s", "7",
                                                 "--capture", "f%d.png", "--fps", "10",
                                                 "--to", "277.05"};

/* The files of the checkout's data/ folder, relative to it. */
std::vector<std::string> dataFiles()
{
    std::string list = shellOutput("cd '" KOLVANE_SOURCE_DIR "' && find data -type f | sort");
    std::vector<std::string> files;
    size_t start = 0, end;
    while ((end = list.find('\n', start)) != std::string::npos) {
        files.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return files;
}

bool isRegularFile(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

class Install : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = makeScratchDir("install"); }
    void TearDown() override { removeScratchDir(dir); }
};

TEST_F(Install, InstalledProgramRunsFromAnyFolderAndWritesWhereItWasStarted)
{
    std::string prefix = dir + "/prefix";
    KolvaneRun install = runProgram("/bin/sh", {"-c", "cmake --install '" KOLVANE_BINARY_DIR
                                                      "' --prefix '" + prefix + "'"},
                                    dir, 300);
    ASSERT_EQ(install.status, 0) << install.out << install.err;
    KolvaneRun version = runProgram(prefix + "/bin/kolvane", {"--version"}, dir, 30);
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "kolvane " KOLVANE_VERSION "\n");
    for (const std::string &f : dataFiles())
        EXPECT_TRUE(isRegularFile(prefix + "/share/kolvane/" + f)) << f;
    EXPECT_TRUE(isRegularFile(prefix + "/share/kolvane/tools/crounded.ttf"));
    EXPECT_TRUE(isRegularFile(prefix + "/share/applications/kolvane.desktop"));
    EXPECT_TRUE(isRegularFile(prefix + "/share/icons/hicolor/256x256/apps/kolvane.png"));

    /* The build tree's program, started away from the checkout, finds it. */
    std::string fromBuild = dir + "/build-run";
    std::string fromPrefix = dir + "/prefix-run";
    ASSERT_EQ(mkdir(fromBuild.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(fromPrefix.c_str(), 0755), 0);
    KolvaneRun built = runProgram(KOLVANE_BINARY_DIR "/src/demo/kolvane", PLANET_CAPTURE,
                                  fromBuild, 120);
    ASSERT_EQ(built.status, 0) << built.out << built.err;
    KolvaneRun installed = runProgram(prefix + "/bin/kolvane", PLANET_CAPTURE, fromPrefix, 120);
    ASSERT_EQ(installed.status, 0) << installed.out << installed.err;
    EXPECT_NE(installed.err.find("[*] 1 frames written to f%d.png\n"), std::string::npos)
        << installed.err;

    Frame reference, frame;
    ASSERT_TRUE(readFrame(fromBuild + "/f0.png", &reference));
    ASSERT_TRUE(readFrame(fromPrefix + "/f0.png", &frame));
    FrameDifference d = compareFrames(reference, frame);
    EXPECT_TRUE(withinTolerance(d)) << "worst " << d.worst << " at " << d.worstX << ","
                                    << d.worstY << ", mean " << d.mean;
    EXPECT_FALSE(fileExists(prefix + "/share/kolvane/f0.png"));
    EXPECT_FALSE(fileExists(KOLVANE_SOURCE_DIR "/f0.png"));

    KolvaneRun bench = runProgram(prefix + "/bin/kolvane",
                                  {"-w", "96", "-h", "54", "-m", "-s", "9", "--bench",
                                   "--json", "bench.json", "--fps", "2", "--to", "356.5"},
                                  fromPrefix, 120);
    ASSERT_EQ(bench.status, 0) << bench.out << bench.err;
    EXPECT_NE(readText(fromPrefix + "/bench.json").find("\"scenes\""), std::string::npos);

    /* Pointed at a folder without data/, it says where it looked. */
    KolvaneRun lost = runProgram(prefix + "/bin/kolvane", {"-m", "-nf"}, fromPrefix, 30,
                                 {{"KOLVANE_DATA", fromPrefix}});
    EXPECT_EQ(lost.status, 255);
    EXPECT_EQ(lost.out, "[!] Couldn't find the demo's data folder: looked in " + fromPrefix +
                        " (set KOLVANE_DATA to the folder that holds data/ and tools/)\n");
}

/* The share of pure green in a frame's middle third. */
double greenShare(const Frame &f)
{
    int green = 0, all = 0;
    for (int y = f.height / 3; y < f.height * 2 / 3; y++)
        for (int x = f.width / 3; x < f.width * 2 / 3; x++, all++) {
            const unsigned char *p = &f.rgb[((size_t)y * f.width + x) * 3];
            green += p[0] < 40 && p[1] > 200 && p[2] < 40;
        }
    return all > 0 ? (double)green / all : 0.0;
}

/* A demo maker's copy of the demo's folder, started in it, reads its own
 * files: a changed shader shows, and without its music it ends as the demo
 * does without music, not with the checkout's. A folder whose data/ is not
 * the demo's is passed over. With no data anywhere, the line lists the
 * places in the order they were tried. */
TEST_F(Install, TheWorkingDirectoryWithTheDemosDataComesFirst)
{
    const std::string exe = KOLVANE_BINARY_DIR "/src/demo/kolvane";
    std::string copy = makeEditableDataDir("copy");
    ASSERT_FALSE(copy.empty());
    FILE *shader = fopen((copy + "/data/shader/sepia.frag").c_str(), "w");
    ASSERT_NE(shader, nullptr);
    fputs("void main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n", shader);
    fclose(shader);
    KolvaneRun green = runProgram(exe, {"-w", "96", "-h", "54", "-m", "-s", "1", "--capture",
                                        "f%d.png", "--fps", "10", "--to", "14.05"},
                                  copy, 120, {{"KOLVANE_DATA", ""}});
    ASSERT_EQ(green.status, 0) << green.out << green.err;
    Frame frame;
    ASSERT_TRUE(readFrame(copy + "/f0.png", &frame));
    EXPECT_GT(greenShare(frame), 0.5) << "the copy's sepia pass is not the one drawn";

    unlink((copy + "/data/test.mp3").c_str());
    KolvaneRun silent = runProgram(exe, {"-nf", "-w", "96", "-h", "54"}, copy, 60,
                                   {{"KOLVANE_DATA", ""}, {"SDL_AUDIODRIVER", "dummy"}});
    EXPECT_EQ(silent.status, 255) << silent.out;
    EXPECT_NE(silent.out.find("[!] FMOD error! (4) data/test.mp3: File not found.\n"),
              std::string::npos) << silent.out;
    removeScratchDir(copy);

    std::string other = dir + "/other";
    ASSERT_EQ(mkdir(other.c_str(), 0755), 0);
    ASSERT_EQ(mkdir((other + "/data").c_str(), 0755), 0);
    KolvaneRun passed = runProgram(exe, PLANET_CAPTURE, other, 120, {{"KOLVANE_DATA", ""}});
    ASSERT_EQ(passed.status, 0) << passed.out << passed.err;
    EXPECT_TRUE(fileExists(other + "/f0.png"));

    /* a program away from any build tree and any installed data */
    std::string bin = dir + "/bin";
    std::string empty = dir + "/empty";
    ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(empty.c_str(), 0755), 0);
    ASSERT_EQ(runProgram("/bin/cp", {exe, bin + "/kolvane"}, dir, 30).status, 0);
    KolvaneRun lost = runProgram(bin + "/kolvane", {"-m", "-nf"}, empty, 30, {{"KOLVANE_DATA", ""}});
    EXPECT_EQ(lost.status, 255);
    EXPECT_EQ(lost.out, "[!] Couldn't find the demo's data folder: looked in " + empty + ", " + dir +
                        "/share/kolvane (set KOLVANE_DATA to the folder that holds data/ and "
                        "tools/)\n");
}

TEST_F(Install, DebianPackageHoldsTheProgramItsDataAndItsDependencies)
{
    KolvaneRun cpack = runProgram("/bin/sh", {"-c", "cpack --config '" KOLVANE_BINARY_DIR
                                                    "/CPackConfig.cmake' -B '" + dir + "'"},
                                  dir, 300);
    ASSERT_EQ(cpack.status, 0) << cpack.out << cpack.err;
    std::string arch = shellOutput("dpkg --print-architecture");
    std::string deb = dir + "/kolvane_" KOLVANE_VERSION "_" + arch.substr(0, arch.find('\n')) + ".deb";
    ASSERT_TRUE(isRegularFile(deb)) << cpack.out;

    std::string files = shellOutput("dpkg-deb -c '" + deb + "'");
    for (const std::string &f : dataFiles())
        EXPECT_NE(files.find(" ./usr/share/kolvane/" + f + "\n"), std::string::npos) << f;
    for (const char *f : {" ./usr/bin/kolvane\n", " ./usr/share/applications/kolvane.desktop\n",
                          " ./usr/share/icons/hicolor/256x256/apps/kolvane.png\n",
                          " ./usr/share/man/man6/kolvane.6.gz\n",
                          " ./usr/share/doc/kolvane/copyright\n",
                          " ./usr/share/doc/kolvane/changelog.gz\n",
                          " ./usr/share/kolvane/tools/crounded.ttf"})
        EXPECT_NE(files.find(f), std::string::npos) << f << "\n" << files.substr(0, 2000);

    EXPECT_EQ(shellOutput("dpkg-deb -f '" + deb + "' Version"), KOLVANE_VERSION "\n");
    std::string depends = shellOutput("dpkg-deb -f '" + deb + "' Depends");
    for (const char *p : {"fonts-comfortaa", "libglut3.12", "libglew2.2", "libgd3", "libpng16-16",
                          "libftgl2", "libfreetype6", "libsdl2-2.0-0", "libmpg123-0", "libgl1",
                          "libglu1-mesa"})
        EXPECT_NE(depends.find(p), std::string::npos) << p << " in " << depends;
    EXPECT_EQ(shellOutput("dpkg-deb -f '" + deb + "' Recommends"), "ffmpeg\n");
}

}  // namespace
