/*
 * modes_test.cpp - the frame-exact modes of kolvane run whole: the demo
 * captured to .mp4 at 96 x 54 and 2 fps (status 0, every frame, a video and
 * an audio stream of the demo's length), PNG patterns and --to, the end of
 * the demo after -s, a .mkv whose sound starts at the start scene, the
 * benchmark's rows and JSON, scene 2's last second alike at 40 and 60 fps
 * (its camera turn and dimming step by the frame's length), --help, and
 * options that are refused.
 *
 * Frame k of a run shows the demo time of its first frame plus
 * floor(k * 1000 / fps) ms; the demo draws every frame up to its end and
 * exits in the next one, and --to stops before the first frame at or past it.
 *
 * Depends on: the kolvane executable, ffprobe, nlohmann-json (reading the
 * benchmark's JSON), capture_run.cpp.
 */
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
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
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-s", "9", "--capture", video, "--fps", "3"}, 300);
    ASSERT_EQ(r.status, 0) << r.err;
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
    KolvaneRun r = runKolvane({"-w", "96", "-h", "54", "-m", "-s", "2", "--bench", "--fps", "2",
                               "--to", "156", "--json", json}, 300);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("[*] benchmark: 96 x 54, 32 frames on a 2 fps frame clock\n"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("first loading frame (all assets): "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("scene  frames    mean  median     p95     max  (ms)\n"), std::string::npos);
    EXPECT_NE(r.out.find("\n        2      29  "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n        3       3  "), std::string::npos) << r.out;

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
    };
    for (const Refusal &refusal : refusals) {
        KolvaneRun r = runKolvane(refusal.args, 30);
        EXPECT_EQ(r.status, 2) << refusal.args[0];
        EXPECT_EQ(r.err, refusal.message);
        EXPECT_EQ(r.out, "") << "nothing starts";
    }
}

}  // namespace
