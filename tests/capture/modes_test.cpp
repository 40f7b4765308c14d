/*
 * modes_test.cpp - the frame-exact modes of kolvane run whole: the demo
 * captured to .mp4 at 96 x 54 and 2 fps (status 0, every frame, a video and
 * an audio stream of the demo's length), PNG patterns and --to, the end of
 * the demo after -s, a .mkv whose sound starts at the start scene, the
 * benchmark's rows and JSON, scene 2's last second alike at 40 and 60 fps
 * (its camera turn and dimming step by the frame's length), --help, and
 * options that are refused. Output files: a video whose encoder fails at any
 * point (stand-ins for ffmpeg on the PATH, and a file size limit that stops
 * the real one) is never called written and leaves an existing file of its
 * name as it was; ffmpeg dies with the program however it is ended; music
 * shorter than the run says how much of the video has sound.
 *
 * Frame k of a run shows the demo time of its first frame plus
 * floor(k * 1000 / fps) ms; the demo draws every frame up to its end and
 * exits in the next one, and --to stops before the first frame at or past it.
 *
 * Depends on: the kolvane executable, ffprobe, nlohmann-json (reading the
 * benchmark's JSON), capture_run.cpp.
 */
#include <gtest/gtest.h>

#include <algorithm>  /* std::sort */
#include <dirent.h>
#include <nlohmann/json.hpp>
#include <signal.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "capture_run.h"

namespace {

/* Frames of a run from start to end ms: inclusive at the demo's end,
 * exclusive at --to. */
int frameCount(int startMs, int endMs, int fps, bool inclusive)
{
    int count = 0;
    for (long long k = 0;; k++) {
        long long t = startMs + k * 1000 / fps;
        if (inclusive ? t > endMs : t >= endMs)
            return count;
        count++;
    }
}

/* ffprobe's value of one entry for the streams of one type, e.g.
 * probe(file, "v", "nb_frames"); "" when there is no such stream. */
std::string probe(const std::string &file, const char *type, const char *entry)
{
    std::string text = shellOutput(std::string("ffprobe -v error -select_streams ") + type +
                                   " -show_entries stream=" + entry + " -of csv=p=0 '" + file + "'");
    while (!text.empty() && (text.back() == '\n' || text.back() == ','))
        text.pop_back();
    return text;
}

std::string probeFormat(const std::string &file, const char *entry)
{
    std::string text = shellOutput(std::string("ffprobe -v error -show_entries format=") + entry +
                                   " -of csv=p=0 '" + file + "'");
    while (!text.empty() && text.back() == '\n')
        text.pop_back();
    return text;
}

/* The names in a folder in order, "." and ".." left out. */
std::vector<std::string> namesIn(const std::string &dir)
{
    std::vector<std::string> names;
    DIR *d = opendir(dir.c_str());
    while (d != nullptr) {
        struct dirent *e = readdir(d);
        if (e == nullptr)
            break;
        std::string name = e->d_name;
        if (name != "." && name != "..")
            names.push_back(name);
    }
    if (d != nullptr)
        closedir(d);
    std::sort(names.begin(), names.end());
    return names;
}

/* A folder holding a stand-in "ffmpeg" with the given script; the PATH
 * that finds it first. */
std::string pathWithFfmpeg(const std::string &bin, const std::string &script)
{
    mkdir(bin.c_str(), 0755);
    FILE *f = fopen((bin + "/ffmpeg").c_str(), "w");
    if (f == nullptr)
        return "";
    fputs(("#!/bin/sh\n" + script).c_str(), f);
    fclose(f);
    chmod((bin + "/ffmpeg").c_str(), 0755);
    return bin + ":" + getenv("PATH");
}

/* The state letter of a process ('Z' for one that has ended and waits to be
 * reaped), or 0 when it is gone. */
char processState(pid_t pid)
{
    std::string stat = readText("/proc/" + std::to_string(pid) + "/stat");
    size_t close = stat.rfind(')');
    return close != std::string::npos && close + 2 < stat.size() ? stat[close + 2] : 0;
}

/* The ffmpeg child of a process, or -1. */
pid_t ffmpegChildOf(pid_t pid)
{
    std::string dir = "/proc/" + std::to_string(pid) + "/task";
    for (const std::string &task : namesIn(dir)) {
        std::string children = readText(dir + "/" + task + "/children");
        for (size_t at = 0; at < children.size();) {
            pid_t child = (pid_t)atoi(children.c_str() + at);
            if (child > 0 && readText("/proc/" + std::to_string(child) + "/comm") == "ffmpeg\n")
                return child;
            size_t blank = children.find(' ', at);
            at = blank == std::string::npos ? children.size() : blank + 1;
        }
    }
    return -1;
}

class Modes : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override { dir = makeScratchDir("modes"); }
    void TearDown() override { removeScratchDir(dir); }
};

TEST_F(Modes, WholeDemoToMp4HasEveryFrameAndTheSound)
{
    std::string video = dir + "/demo.mp4";
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "--capture", video, "--fps", "2"}, 900);
    ASSERT_EQ(r.status, 0) << r.err;
    int frames = frameCount(0, 366700, 2, true);
    ASSERT_EQ(frames, 734);
    EXPECT_NE(r.err.find("[*] 734 frames written to " + video + "\n"), std::string::npos) << r.err;

    EXPECT_EQ(probe(video, "v", "codec_name"), "h264");
    EXPECT_EQ(probe(video, "v", "width,height"), "96,54");
    EXPECT_EQ(probe(video, "v", "r_frame_rate"), "2/1");
    EXPECT_EQ(probe(video, "v", "nb_frames"), std::to_string(frames));
    EXPECT_EQ(probe(video, "a", "codec_name"), "aac");
    double picture = atof(probe(video, "v", "duration").c_str());
    double sound = atof(probe(video, "a", "duration").c_str());
    EXPECT_NEAR(picture, 367.0, 0.01);
    EXPECT_NEAR(sound, 366.7, 0.1);
}

TEST_F(Modes, PngPatternNumbersFramesFromZeroAndStopsAtTo)
{
    /* -s 9 starts at 356 s; at 4 fps --to 358 leaves 356.00 to 357.75 s. */
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-m", "-s", "9", "--capture",
                               dir + "/shot-%03d.png", "--fps", "4", "--to", "358"}, 300);
    ASSERT_EQ(r.status, 0) << r.err;
    int frames = frameCount(356000, 358000, 4, false);
    ASSERT_EQ(frames, 8);
    for (int k = 0; k < frames; k++) {
        char name[32];
        snprintf(name, sizeof(name), "/shot-%03d.png", k);
        Frame f;
        ASSERT_TRUE(readFrame(dir + name, &f)) << name;
        EXPECT_EQ(f.width, 96);
        EXPECT_EQ(f.height, 54);
    }
    EXPECT_FALSE(fileExists(dir + "/shot-008.png"));
    EXPECT_NE(r.err.find("[*] 8 frames written to " + dir + "/shot-%03d.png\n"), std::string::npos) << r.err;
}

TEST_F(Modes, DemoEndAfterAStartSceneAtAFractionalStep)
{
    /* After -s 9 the last scene runs from 356 s for 10 s; at 3 fps the frame
     * times are 356000 + floor(k * 1000 / 3) and the one at 366000 is still
     * drawn. The .mkv's sound covers the same ten seconds. */
    std::string video = dir + "/end.mkv";
    writeFrame(video, Frame{1, 1, {1, 2, 3}});   /* an older file of that name is replaced whole */
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-s", "9", "--capture", video, "--fps", "3"}, 300);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"end.mkv"}) << "no temporary file is left";
    int frames = frameCount(356000, 366000, 3, true);
    ASSERT_EQ(frames, 31);
    EXPECT_NE(r.err.find("[*] 31 frames written to " + video + "\n"), std::string::npos) << r.err;
    EXPECT_EQ(probe(video, "a", "codec_name"), "aac");
    EXPECT_EQ(shellOutput("ffprobe -v error -count_frames -select_streams v -show_entries "
                          "stream=nb_read_frames -of csv=p=0 '" + video + "'"), "31\n");
    EXPECT_NEAR(atof(probeFormat(video, "duration").c_str()), 31.0 / 3.0, 0.1);
}

TEST_F(Modes, BenchPrintsSceneRowsAndWritesJson)
{
    /* -s 2 starts at 140 s; scene 2 runs to 154 s and scene 3 follows. At
     * 2 fps up to --to 156: 29 frames of scene 2 and 3 of scene 3. */
    std::string json = dir + "/bench.json";
    writeFrame(json, Frame{1, 1, {1, 2, 3}});   /* an older file of that name is replaced whole */
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-m", "-s", "2", "--bench", "--fps", "2",
                               "--to", "156", "--json", json}, 300);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("[*] benchmark: 96 x 54, 32 frames on a 2 fps frame clock\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("first loading frame (all assets): "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("scene  frames    mean  median     p95     max  (ms)\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n        2      29  "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n        3       3  "), std::string::npos) << r.out;

    EXPECT_EQ(namesIn(dir), std::vector<std::string>{"bench.json"}) << "no temporary file is left";
    nlohmann::json figures = nlohmann::json::parse(readText(json), nullptr, false);
    ASSERT_FALSE(figures.is_discarded()) << readText(json);
    EXPECT_EQ(figures["width"], 96);
    EXPECT_EQ(figures["height"], 54);
    EXPECT_EQ(figures["fps"], 2);
    EXPECT_GT(figures["first_loading_frame_ms"].get<double>(), 0.0);
    EXPECT_GE(figures["loading_frames"].get<int>(), 1);
    ASSERT_EQ(figures["scenes"].size(), 2u);
    const int expected[2][2] = {{2, 29}, {3, 3}};
    for (int i = 0; i < 2; i++) {
        const nlohmann::json &row = figures["scenes"][i];
        EXPECT_EQ(row["scene"], expected[i][0]);
        EXPECT_EQ(row["frames"], expected[i][1]);
        double mean = row["mean_ms"], median = row["median_ms"], p95 = row["p95_ms"], max = row["max_ms"];
        EXPECT_GT(mean, 0.0);
        EXPECT_LE(median, p95);
        EXPECT_LE(p95, max);
        EXPECT_LE(mean, max);
    }
}

TEST_F(Modes, BenchJsonThatCannotBeWrittenFails)
{
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-m", "-s", "9", "--bench", "--fps", "2",
                               "--to", "357", "--json", dir + "/missing/bench.json"}, 300);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("[!] Cannot write " + dir + "/missing/bench.json: "), std::string::npos) << r.err;
}

TEST_F(Modes, FramesThatCannotBeWrittenEndWithAnError)
{
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-m", "-s", "9", "--capture",
                               dir + "/missing/f%d.png", "--fps", "2", "--to", "357"}, 300);
    EXPECT_EQ(r.status, 255);
    EXPECT_NE(r.err.find("[!] Cannot write " + dir + "/missing/f0.png: "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("frames written"), std::string::npos) << r.err;
}

/* ffmpeg may fail at any point and still end with status 0 ("Error writing
 * trailer" on a disk that fills at the end), or write a file that is cut
 * short: what it says and what it wrote are checked. Each failure ends with a
 * "[!] " line and status 1, and the file of that name is left as it was. */
TEST_F(Modes, AVideoTheEncoderDoesNotFinishIsNeverCalledWritten)
{
    const std::string takeFrames = "for out; do :; done\ncat > /dev/null\n";
    struct Case {
        const char *what;
        std::string script;
        std::string reason;
    };
    const Case cases[] = {
        {"an error at the end, status 0",
         takeFrames + "printf 'partial' > \"$out\"\n"
                      "echo \"Error writing trailer of $out: No space left on device\" >&2\n",
         "ffmpeg could not finish the file"},
        {"a file cut short, status 0", takeFrames + "printf 'cut short' > \"$out\"\n",
         "ffprobe cannot read what ffmpeg wrote"},
        {"a status of its own", takeFrames + "echo 'Conversion failed!' >&2\nexit 1\n",
         "ffmpeg ended with status 1"},
        {"the disk fills (a file size limit)", "ulimit -f 4\nexec /usr/bin/ffmpeg \"$@\"\n",
         "ffmpeg was ended by signal 25 (File size limit exceeded)"},
    };
    const std::string video = dir + "/video.mp4";
    for (const Case &c : cases) {
        writeFrame(video, Frame{1, 1, {1, 2, 3}});
        std::string before = readText(video);
        std::string path = pathWithFfmpeg(dir + "/bin", c.script);
        KolvaneRun r = runKolvane({"-w", "320", "-h", "180", "-s", "9", "--capture", video, "--fps",
                                   "10", "--to", "358"}, 300, {{"PATH", path}});
        EXPECT_EQ(r.status, 1) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find("[!] The video " + video + " could not be written: " + c.reason + "\n"),
                  std::string::npos) << c.what << "\n" << r.err;
        EXPECT_EQ(r.err.find("frames written"), std::string::npos) << c.what;
        EXPECT_EQ(readText(video), before) << c.what << ": the old file is gone";
        EXPECT_EQ(namesIn(dir), (std::vector<std::string>{"bin", "video.mp4"}))
            << c.what << ": a temporary file is left";
        removeScratchDir(dir + "/bin");
    }
}

/* ffmpeg never outlives the program: killed outright, the program takes it
 * along (PR_SET_PDEATHSIG); ended by SIGTERM, it also removes what ffmpeg
 * had written, and no video of that name appears. The stand-in for ffmpeg
 * would wait a minute after its last frame. */
TEST_F(Modes, FfmpegEndsWithTheProgram)
{
    std::string path = pathWithFfmpeg(dir + "/bin", "cat > /dev/null\nexec sleep 60\n");
    for (int sig : {SIGKILL, SIGTERM}) {
        std::string video = dir + "/run" + std::to_string(sig) + ".mp4";
        std::string log = dir + "/log" + std::to_string(sig);
        pid_t pid = startKolvane({"-w", "320", "-h", "180", "-m", "--capture", video, "--fps", "60"},
                                 log, {{"PATH", path}});
        ASSERT_GT(pid, 0);
        pid_t ffmpeg = -1;
        for (int i = 0; i < 600 && ffmpeg < 0; i++) {
            usleep(100000);
            ffmpeg = ffmpegChildOf(pid);
        }
        ASSERT_GT(ffmpeg, 0) << readText(log);
        usleep(500000);
        kill(pid, sig);
        waitChild(pid, 30);
        char state = processState(ffmpeg);
        for (int i = 0; i < 100 && state != 0 && state != 'Z'; i++) {
            usleep(50000);
            state = processState(ffmpeg);
        }
        EXPECT_TRUE(state == 0 || state == 'Z') << "ffmpeg still runs after signal " << sig;
        EXPECT_FALSE(fileExists(video)) << sig;
    }
    for (const std::string &name : namesIn(dir))
        EXPECT_TRUE(name == "bin" || name.rfind("log", 0) == 0 || name.rfind(".run9.mp4.", 0) == 0)
            << name << ": only a killed run leaves its temporary file";
}

/* Music shorter than the run: the video has sound where there is music, and
 * the run says how much; music that ends before the first frame leaves the
 * video silent, said likewise. */
TEST_F(Modes, ShortMusicSaysHowMuchOfTheVideoHasSound)
{
    std::string work = makeEditableDataDir("short");
    ASSERT_FALSE(work.empty());
    unlink((work + "/data/test.mp3").c_str());
    ASSERT_EQ(symlink(SHORT_MUSIC, (work + "/data/test.mp3").c_str()), 0);
    const std::string exe = KOLVANE_BINARY_DIR "/src/demo/kolvane";
    std::string video = dir + "/short.mp4";
    KolvaneRun r = runProgram(exe, {"-w", "96", "-h", "54", "--capture", video, "--fps", "2", "--to",
                                    "5"}, work, 300, {{"KOLVANE_DATA", work}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("[*] 10 frames written to " + video + "\n[/] The music data/test.mp3 "
                         "ends at 3.000 s of demo time: 3.000 s of the video's 5.000 s have "
                         "sound\n"), std::string::npos) << r.err;
    EXPECT_NEAR(atof(probe(video, "a", "duration").c_str()), 3.0, 0.1);

    std::string silent = dir + "/silent.mp4";
    r = runProgram(exe, {"-w", "96", "-h", "54", "-s", "9", "--capture", silent, "--fps", "2",
                         "--to", "357"}, work, 300, {{"KOLVANE_DATA", work}});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("[/] The music data/test.mp3 ends at 3.000 s of demo time, before the "
                         "first frame at 356.000 s: the video has no sound\n"), std::string::npos)
        << r.err;
    EXPECT_EQ(probe(silent, "a", "codec_name"), "");
    EXPECT_EQ(probe(silent, "v", "nb_frames"), "2");
    removeScratchDir(work);
}

TEST_F(Modes, Scene2LastSecondLooksAlikeAt40And60Fps)
{
    /* Scene 2 turns its camera and dims its last second a step per frame;
     * the steps follow the frame's length, so captures at 40 fps (the live
     * run's 25 ms) and at 60 fps show the same picture at the same demo
     * time: 140 s + 50 j ms is frame 2 j of the one and 3 j of the other.
     * The spheres make the frames vertex-bound: llvmpipe draws them faster
     * without rasterizer threads, to the same pixels. */
    const char *const rates[] = {"40", "60"};
    for (const char *fps : rates) {
        KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-m", "-s", "2", "--capture",
                                   dir + "/fps" + fps + "-%d.png", "--fps", fps, "--to", "154"},
                                  600, {{"GALLIUM_OVERRIDE_CPU_CAPS", "sse4.1"}, {"LP_NUM_THREADS", "0"}});
        ASSERT_EQ(r.status, 0) << r.err;
    }
    Frame previous;
    for (int j : {260, 266, 272, 279}) {
        Frame at40, at60;
        ASSERT_TRUE(readFrame(dir + "/fps40-" + std::to_string(2 * j) + ".png", &at40));
        ASSERT_TRUE(readFrame(dir + "/fps60-" + std::to_string(3 * j) + ".png", &at60));
        FrameDifference d = compareFrames(at40, at60);
        EXPECT_TRUE(withinTolerance(d)) << "demo time " << 140000 + 50 * j << " ms: worst "
                                        << d.worst << " at " << d.worstX << "," << d.worstY
                                        << ", mean " << d.mean;
        if (!previous.rgb.empty()) {
            EXPECT_FALSE(withinTolerance(compareFrames(previous, at40)))
                << "the picture moves between " << 140000 + 50 * j << " ms and the time before";
        }
        previous = at40;
    }
}

TEST(Options, HelpListsEveryOption)
{
    KolvaneRun r = runKolvane({"--help"}, 30);
    EXPECT_EQ(r.status, 0);
    for (const char *option : {"-w W -h H", "-nf", "-m", "-s N", "--capture OUT", "--bench",
                               "--json FILE", "--fps N", "--to SECONDS", "--help", "--version"})
        EXPECT_NE(r.out.find(std::string("  ") + option + " "), std::string::npos) << option << "\n" << r.out;
}

TEST(Options, WrongOptionsAreRefusedWithStatus2)
{
    struct Refusal {
        std::vector<std::string> args;
        const char *message;
    };
    const Refusal refusals[] = {
        {{"--bogus"}, "kolvane: unknown option --bogus (see --help)\n"},
        {{"--capture"}, "kolvane: option --capture needs a value\n"},
        {{"--capture", "x.mp4", "--fps", "0"}, "kolvane: --fps takes a whole number from 1 to 1000, not \"0\"\n"},
        {{"--capture", "x.mp4", "--fps", "2.5"}, "kolvane: --fps takes a whole number from 1 to 1000, not \"2.5\"\n"},
        {{"--capture", "x.mp4", "--to", "-1"}, "kolvane: --to takes a demo time in seconds, not \"-1\"\n"},
        {{"--capture", "x.mp4", "--to", "ten"}, "kolvane: --to takes a demo time in seconds, not \"ten\"\n"},
        {{"--capture", "x.avi"}, "kolvane: --capture needs a .mp4 or .mkv file, or a PNG pattern with %d, not \"x.avi\"\n"},
        {{"--capture", "f%s.png"}, "kolvane: the frame pattern \"f%s.png\" needs exactly one %d and no other % conversion\n"},
        {{"--capture", "f%d-%d.png"}, "kolvane: the frame pattern \"f%d-%d.png\" needs exactly one %d and no other % conversion\n"},
        {{"--capture", "x.mp4", "--bench"}, "kolvane: --capture and --bench cannot be combined\n"},
        {{"--json", "b.json"}, "kolvane: --json goes with --bench\n"},
        {{"--fps", "30"}, "kolvane: --fps and --to go with --capture or --bench\n"},
        {{"--bench", "--json", "--fps", "5"}, "kolvane: option --json needs a value, not the option --fps\n"},
    };
    for (const Refusal &refusal : refusals) {
        KolvaneRun r = runKolvane(refusal.args, 30);
        EXPECT_EQ(r.status, 2) << refusal.args[0];
        EXPECT_EQ(r.err, refusal.message);
        EXPECT_EQ(r.out, "") << "nothing starts";
    }
}

}  // namespace
