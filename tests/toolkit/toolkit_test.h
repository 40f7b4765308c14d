/*
 * toolkit_test.h - small helpers shared by the rendering-toolkit tests:
 * scratch files (and paths that are not files), texture and framebuffer
 * read-back, and running code whose messages go to standard output inside a
 * death test.
 */
#ifndef TOOLKIT_TEST_H
#define TOOLKIT_TEST_H

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h> /* mkfifo */
#include <unistd.h>   /* dup2, symlink */

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

/* Death tests match standard error; the framework's messages go to standard
 * output, so the statement runs with standard output sent to standard error. */
#define STDOUT_TO_STDERR(...) \
    do {                      \
        fflush(stdout);       \
        dup2(2, 1);           \
        __VA_ARGS__;          \
    } while (0)

/* A scratch directory of the running test, under the build tree. A death
 * test's child runs the test again from the start and finds the same paths. */
inline std::string scratchPath(const std::string &name)
{
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string dir = std::string(KOLVANE_BINARY_DIR) + "/scratch/" + test->test_suite_name()
                      + "." + test->name();
    std::filesystem::create_directories(dir);
    return dir + "/" + name;
}

inline std::string writeScratch(const std::string &name, const std::vector<unsigned char> &bytes)
{
    std::string path = scratchPath(name);
    FILE *file = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    return path;
}

inline std::string writeScratch(const std::string &name, const std::string &text)
{
    return writeScratch(name, std::vector<unsigned char>(text.begin(), text.end()));
}

/* Scratch paths that are not regular files, each with the reason the
 * framework gives for it as a regular expression: a directory, a FIFO (no
 * writer: an ordinary open would wait for ever) and a link to a device. */
inline std::vector<std::pair<std::string, std::string>> notFiles(const std::string &stem)
{
    std::string folder = scratchPath(stem + "-folder");
    std::string fifo = scratchPath(stem + "-fifo");
    std::string device = scratchPath(stem + "-device");
    std::filesystem::create_directories(folder);
    unlink(fifo.c_str());
    unlink(device.c_str());
    if (mkfifo(fifo.c_str(), 0600) != 0 || symlink("/dev/zero", device.c_str()) != 0)
        ADD_FAILURE() << "cannot make " << fifo << " and " << device;
    return {{folder, "a directory, not a file"},
            {fifo, "a FIFO \\(named pipe\\), not a file"},
            {device, "a device, not a file"}};
}

/* Level 0 of a texture as tightly packed RGBA bytes, with its size. */
inline std::vector<unsigned char> readTexture(unsigned int texture, int *width, int *height)
{
    glBindTexture(GL_TEXTURE_2D, texture);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, width);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, height);
    std::vector<unsigned char> pixels((size_t)*width * *height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

/* The whole current read buffer as RGBA bytes, row 0 at the bottom. */
inline std::vector<unsigned char> readFrame(int width, int height)
{
    std::vector<unsigned char> pixels((size_t)width * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

/* The frame of the demo's scenes: model-view = a translation of -50 along z. */
inline void sceneFrame(float r, float g, float b)
{
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.0f, 0.0f, -50.0f);
    glClearColor(r, g, b, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

#endif
