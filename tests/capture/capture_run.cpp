/*
 * capture_run.cpp - child runs of kolvane, scratch folders, PNG frames, the
 * golden-frame comparison and private X displays for the capture tests.
 *
 * Depends on: POSIX (fork, exec, waitpid), libpng's simplified API,
 * Xvfb (-displayfd tells the display number it chose).
 */
#include "capture_run.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>   /* remove_all for the scratch folders */
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

/* ---- State ----------------------------------------------------------------- */

const int PIXEL_BOUND = 32;
const double MEAN_BOUND = 1.0;

static const char *const KOLVANE_PATH = KOLVANE_BINARY_DIR "/src/demo/kolvane";

/* ---- Internal helpers ------------------------------------------------------ */

/* In the child: the environment, the working directory, then the program. */
static void execProgram(const std::string &exe, const std::vector<std::string> &args,
                        const std::string &dir, const ChildEnv &env)
{
    std::string asan = getenv("ASAN_OPTIONS") ? getenv("ASAN_OPTIONS") : "";
    /* Under the sanitizers the exit status must stay the program's own. */
    asan += std::string(asan.empty() ? "" : ":") + "detect_leaks=0";
    setenv("ASAN_OPTIONS", asan.c_str(), 1);
    for (const auto &e : env)
        setenv(e.first.c_str(), e.second.c_str(), 1);
    if (chdir(dir.c_str()) != 0)
        _exit(90);
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(exe.c_str()));
    for (const std::string &a : args)
        argv.push_back(const_cast<char *>(a.c_str()));
    argv.push_back(nullptr);
    execv(exe.c_str(), argv.data());
    _exit(91);
}

/* ---- Public functions ------------------------------------------------------ */

int waitChild(pid_t pid, int timeoutSeconds)
{
    for (int i = 0; i < timeoutSeconds * 20; i++) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(50000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

pid_t startKolvane(const std::vector<std::string> &args, const std::string &logPath,
                   const ChildEnv &env, const std::string &workDir)
{
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0)
            _exit(92);
        dup2(fd, 1);
        dup2(fd, 2);
        if (workDir.empty()) {
            execProgram(KOLVANE_PATH, args, KOLVANE_SOURCE_DIR, env);
        } else {
            /* the folder holds the run's own data/ and tools/ */
            ChildEnv withData = env;
            withData.push_back({"KOLVANE_DATA", workDir});
            execProgram(KOLVANE_PATH, args, workDir, withData);
        }
    }
    return pid;
}

KolvaneRun runKolvane(const std::vector<std::string> &args, int timeoutSeconds, const ChildEnv &env)
{
    return runProgram(KOLVANE_PATH, args, KOLVANE_SOURCE_DIR, timeoutSeconds, env);
}

KolvaneRun runProgram(const std::string &exe, const std::vector<std::string> &args,
                      const std::string &dir, int timeoutSeconds, const ChildEnv &env)
{
    KolvaneRun run = {-1, "", ""};
    std::string logs = makeScratchDir("run");
    std::string outPath = logs + "/out";
    std::string errPath = logs + "/err";
    pid_t pid = fork();
    if (pid == 0) {
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int null = open("/dev/null", O_RDONLY);
        if (out < 0 || err < 0 || null < 0)
            _exit(92);
        dup2(null, 0);
        dup2(out, 1);
        dup2(err, 2);
        execProgram(exe, args, dir, env);
    }
    if (pid > 0)
        run.status = waitChild(pid, timeoutSeconds);
    run.out = readText(outPath);
    run.err = readText(errPath);
    removeScratchDir(logs);
    return run;
}

std::string makeScratchDir(const char *tag)
{
    std::string pattern = std::string("/tmp/kolvane-") + tag + "-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) == nullptr)
        return "";
    return name.data();
}

std::string makeEditableDataDir(const char *tag)
{
    namespace fs = std::filesystem;
    std::string dir = makeScratchDir(tag);
    if (dir.empty())
        return dir;
    std::error_code e;
    fs::path source(KOLVANE_SOURCE_DIR);
    fs::create_directory(dir + "/data", e);
    for (const fs::directory_entry &entry : fs::directory_iterator(source / "data", e)) {
        fs::path name = entry.path().filename();
        if (name == "shader")
            fs::copy(entry.path(), dir + "/data/shader", fs::copy_options::recursive, e);
        else
            fs::create_symlink(entry.path(), dir + "/data/" + name.string(), e);
        if (e)
            break;
    }
    if (!e)
        fs::create_directory_symlink(source / "tools", dir + "/tools", e);
    if (e) {
        removeScratchDir(dir);
        return "";
    }
    return dir;
}

void removeScratchDir(const std::string &path)
{
    std::error_code ignored;
    if (!path.empty())
        std::filesystem::remove_all(path, ignored);
}

std::string readText(const std::string &path)
{
    std::string text;
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), f)) > 0)
        text.append(buffer, n);
    fclose(f);
    return text;
}

bool fileExists(const std::string &path)
{
    struct stat st;
    return stat(path.c_str(), &st) == 0;
}

std::string shellOutput(const std::string &command)
{
    std::string text;
    FILE *p = popen(command.c_str(), "r");
    if (p == nullptr)
        return text;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof(buffer), p)) > 0)
        text.append(buffer, n);
    pclose(p);
    return text;
}

bool readFrame(const std::string &path, Frame *frame)
{
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return false;
    image.format = PNG_FORMAT_RGB;
    frame->width = (int)image.width;
    frame->height = (int)image.height;
    frame->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, frame->rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    return true;
}

bool writeFrame(const std::string &path, const Frame &frame)
{
    png_image image;
    memset(&image, 0, sizeof(image));
    image.version = PNG_IMAGE_VERSION;
    image.width = (png_uint_32)frame.width;
    image.height = (png_uint_32)frame.height;
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, frame.rgb.data(), 0, nullptr) != 0;
}

FrameDifference compareFrames(const Frame &a, const Frame &b)
{
    FrameDifference d = {0, 0, 0, 0.0};
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() || a.rgb.empty()) {
        d.worst = 255;
        d.mean = 255.0;
        return d;
    }
    double sum = 0.0;
    for (size_t i = 0; i < a.rgb.size(); i++) {
        int diff = abs((int)a.rgb[i] - (int)b.rgb[i]);
        sum += diff;
        if (diff > d.worst) {
            d.worst = diff;
            d.worstX = (int)(i / 3 % (size_t)a.width);
            d.worstY = (int)(i / 3 / (size_t)a.width);
        }
    }
    d.mean = sum / (double)a.rgb.size();
    return d;
}

bool withinTolerance(const FrameDifference &d)
{
    return d.worst <= PIXEL_BOUND && d.mean <= MEAN_BOUND;
}

