/*
 * glm_test_util.h - helpers of the model library's tests: scratch files in a
 * directory of their own, reading files back, exact messages as regular
 * expressions, and a predicate for "ended by exit with status 0 or 1".
 */
#ifndef GLM_TEST_UTIL_H
#define GLM_TEST_UTIL_H

#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

/* A fresh directory under /tmp (one per call). */
inline std::string scratchDir()
{
    char dir[] = "/tmp/kolvane-glm-test-XXXXXX";
    if (!mkdtemp(dir))
        abort();
    return std::string(dir) + "/";
}

/* Removes a scratch directory and the files in it. */
inline void removeScratch(const std::string &dir)
{
    DIR *listing = opendir(dir.c_str());
    if (!listing)
        return;
    while (struct dirent *entry = readdir(listing))
        if (entry->d_name[0] != '.' || (entry->d_name[1] && entry->d_name[1] != '.'))
            unlink((dir + entry->d_name).c_str());
    closedir(listing);
    rmdir(dir.c_str());
}

inline std::string writeFile(const std::string &path, const std::string &text)
{
    FILE *file = fopen(path.c_str(), "wb");
    if (!file)
        abort();
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    return path;
}

inline std::string readFile(const std::string &path)
{
    std::string text;
    FILE *file = fopen(path.c_str(), "rb");
    if (!file)
        return text;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0)
        text.append(buffer, got);
    fclose(file);
    return text;
}

/* A literal text as an extended regular expression. */
inline std::string literal(const std::string &text)
{
    std::string out;
    for (char c : text) {
        if (std::string("\\^$.|?*+()[]{}").find(c) != std::string::npos)
            out += '\\';
        out += c;
    }
    return out;
}

/* Death-test predicate: the process ended through exit with status 0 or 1
 * (a finished read or a fatal error), not by a signal. */
inline bool exitedCleanly(int status)
{
    return WIFEXITED(status) && (WEXITSTATUS(status) == 0 || WEXITSTATUS(status) == 1);
}

#endif
