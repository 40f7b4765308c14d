/*
 * options_test.cpp - the command line of tvx_init, read through
 * tvx_parseOptions without a display: resolution rules, first-wins widths,
 * last-wins scene, values compared as option names, and the printed lines
 * (the "[/] " notes of what was taken in place of an unusable value or an
 * unknown option, then the resolution); the options of frame-exact runs read
 * by the same parser, and what refuses a command line (the program's
 * messages are checked in tests/capture).
 */
#include <gtest/gtest.h>

#include <list>
#include <string>
#include <vector>

#include "tvx.h"

namespace {

struct Parsed {
    tvx_options o;
    std::string out;
};

Parsed parse(std::vector<std::string> args)
{
    /* The options point into the arguments, as they do into argv, so every
     * argument list lives as long as the test program. */
    static std::list<std::vector<std::string>> kept;
    args.insert(args.begin(), "kolvane");
    kept.push_back(args);
    std::vector<char *> argv;
    for (std::string &a : kept.back())
        argv.push_back(a.data());
    argv.push_back(nullptr);
    Parsed p;
    testing::internal::CaptureStdout();
    int refused = tvx_parseOptions((int)args.size(), argv.data(), &p.o);
    EXPECT_EQ(refused, p.o.error[0] != '\0');
    fflush(stdout);
    p.out = testing::internal::GetCapturedStdout();
    return p;
}

const char *DEFAULT_LINE = "[*] Resolution set to default becouse nothing else was given\n";

/* The default resolution, printed after the given notes. */
void expectDefaults(const Parsed &p, const std::string &notes = "")
{
    EXPECT_STREQ(p.o.gameMode, "1280x800:32@75");
    EXPECT_EQ(p.o.gameWidth, 1280);
    EXPECT_EQ(p.o.gameHeight, 800);
    EXPECT_EQ(p.o.width, 640);
    EXPECT_EQ(p.o.height, 480);
    EXPECT_EQ(p.out, notes + DEFAULT_LINE);
}

TEST(Options, NoOptionsGiveGameModeAtTheDefaultResolution)
{
    Parsed p = parse({});
    expectDefaults(p);
    EXPECT_EQ(p.o.fullscreen, 1);
    EXPECT_EQ(p.o.soundOn, 1);
    EXPECT_EQ(p.o.startScene, 0);
}

TEST(Options, NoFullscreenAloneOpensA640x480Window)
{
    Parsed p = parse({"-nf"});
    expectDefaults(p);
    EXPECT_EQ(p.o.fullscreen, 0);
}

TEST(Options, OneSideAloneCountsAsNoResolution)
{
    expectDefaults(parse({"-w", "1024"}));
    expectDefaults(parse({"-h", "768"}));
    expectDefaults(parse({"-nf", "-w", "1024", "-m"}));
}

TEST(Options, BothSidesSetTheGameModeAndTheWindow)
{
    Parsed p = parse({"-w", "1024", "-h", "768"});
    EXPECT_STREQ(p.o.gameMode, "1024x768:32@75");
    EXPECT_EQ(p.out, "[*] Resolution set to 1024x768:32@75\n");
    EXPECT_EQ(p.o.fullscreen, 1);

    Parsed w = parse({"-h", "768", "-nf", "-w", "1024"});
    EXPECT_EQ(w.o.fullscreen, 0);
    EXPECT_EQ(w.o.width, 1024);
    EXPECT_EQ(w.o.height, 768);
    EXPECT_EQ(w.o.gameWidth, 1024);
    EXPECT_EQ(w.o.gameHeight, 768);
}

TEST(Options, TheFirstNonZeroSideWins)
{
    Parsed zero = parse({"-w", "0", "-w", "800", "-h", "600"});
    EXPECT_STREQ(zero.o.gameMode, "800x600:32@75");
    EXPECT_EQ(zero.out, "[/] -w 0 is no size: it counts as not given\n"
                        "[*] Resolution set to 800x600:32@75\n");
    Parsed first = parse({"-w", "800", "-w", "1024", "-h", "600", "-h", "700"});
    EXPECT_STREQ(first.o.gameMode, "800x600:32@75");
}

TEST(Options, SidesReadTheirLeadingDigits)
{
    Parsed px = parse({"-w", "800px", "-h", "600"});
    EXPECT_STREQ(px.o.gameMode, "800x600:32@75");
    EXPECT_EQ(px.out, "[/] -w takes a number of pixels, not \"800px\": 800 is taken\n"
                      "[*] Resolution set to 800x600:32@75\n");
    expectDefaults(parse({"-w", "wide", "-h", "600"}),
                   "[/] -w takes a number of pixels, not \"wide\": it counts as not given\n");
    Parsed later = parse({"-w", "wide", "-w", "320", "-h", "200"});
    EXPECT_STREQ(later.o.gameMode, "320x200:32@75");
}

/* A side no window can have says what it gives: none, or the largest. */
TEST(Options, UnusableSidesCountAsNotGivenAndTooLargeOnesAreCut)
{
    expectDefaults(parse({"-w", "-800", "-h", "600"}),
                   "[/] -w -800 is no size: it counts as not given\n");
    Parsed huge = parse({"-w", "99999999999999999999", "-h", "100000"});
    EXPECT_STREQ(huge.o.gameMode, "32767x32767:32@75");
    EXPECT_EQ(huge.out, "[/] -w 99999999999999999999 is more than the 32767 pixels a window "
                        "side can have: 32767 is taken\n"
                        "[/] -h 100000 is more than the 32767 pixels a window side can have: "
                        "32767 is taken\n"
                        "[*] Resolution set to 32767x32767:32@75\n");
    Parsed exact = parse({"-w", "32767", "-h", "1"});
    EXPECT_STREQ(exact.o.gameMode, "32767x1:32@75");
    EXPECT_EQ(exact.out, "[*] Resolution set to 32767x1:32@75\n");
}

TEST(Options, AnOptionWithoutItsValueIsIgnored)
{
    expectDefaults(parse({"-h", "600", "-w"}), "[/] -w at the end has no value: it is ignored\n");
    Parsed s = parse({"-s", "4", "-s"});
    EXPECT_EQ(s.o.startScene, 4);
    EXPECT_EQ(s.out, std::string("[/] -s at the end has no value: it is ignored\n") + DEFAULT_LINE);
    EXPECT_EQ(parse({"-s"}).o.startScene, 0);
}

TEST(Options, TheLastSceneWins)
{
    EXPECT_EQ(parse({"-s", "3", "-s", "5"}).o.startScene, 5);
    EXPECT_EQ(parse({"-s", "7", "-s", "0"}).o.startScene, 0);
    Parsed two = parse({"-s", "two"});
    EXPECT_EQ(two.o.startScene, 0);
    EXPECT_EQ(two.out, std::string("[/] -s takes a scene number, not \"two\": scene 0 is taken\n")
                           + DEFAULT_LINE);
    Parsed digits = parse({"-s", "4th"});
    EXPECT_EQ(digits.o.startScene, 4);
    EXPECT_EQ(digits.out, std::string("[/] -s takes a scene number, not \"4th\": scene 4 is "
                                      "taken\n") + DEFAULT_LINE);
}

TEST(Options, MuteAndWindowFlags)
{
    Parsed p = parse({"-m", "-nf"});
    EXPECT_EQ(p.o.soundOn, 0);
    EXPECT_EQ(p.o.fullscreen, 0);
}

TEST(Options, ValuesAreComparedWithTheOptionNamesToo)
{
    Parsed p = parse({"-s", "-m"});
    EXPECT_EQ(p.o.startScene, 0);
    EXPECT_EQ(p.o.soundOn, 0);
    Parsed q = parse({"-w", "-nf", "-h", "600"});
    EXPECT_EQ(q.o.fullscreen, 0);
    expectDefaults(q, "[/] -w takes a number of pixels, not \"-nf\": it counts as not given\n");
    Parsed r = parse({"-s", "-s", "6"});
    EXPECT_EQ(r.o.startScene, 6);
}

/* Unknown short options are ignored with a note; GLUT's own options (which
 * glutInit takes out) and their values, other options' values and other
 * words are not noted. */
TEST(Options, UnknownArgumentsAreIgnored)
{
    Parsed p = parse({"--help", "-W", "800", "-H", "600", "-nf=1", "-mute", "x"});
    expectDefaults(p, "[/] Unknown option -W ignored (see --help)\n"
                      "[/] Unknown option -H ignored (see --help)\n"
                      "[/] Unknown option -nf=1 ignored (see --help)\n"
                      "[/] Unknown option -mute ignored (see --help)\n");
    EXPECT_EQ(p.o.fullscreen, 1);
    EXPECT_EQ(p.o.soundOn, 1);
    EXPECT_EQ(p.o.startScene, 0);
    Parsed glut = parse({"-display", ":7", "-geometry", "-10+20", "-sync", "-s", "-3",
                         "--audio-offset", "-40"});
    EXPECT_EQ(glut.o.startScene, -3);
    EXPECT_EQ(glut.o.audioOffset, -40);
    expectDefaults(glut);
}

TEST(Options, FrameExactOptionsFollowTheSameRules)
{
    Parsed p = parse({"-s", "--bench", "-w", "--json", "b.json", "-h", "600"});
    EXPECT_EQ(p.o.error[0], '\0') << p.o.error;
    EXPECT_EQ(p.o.bench, 1) << "a value is also an option";
    EXPECT_EQ(p.o.startScene, 0);
    EXPECT_STREQ(p.o.json, "b.json");
    expectDefaults(p, "[/] -s takes a scene number, not \"--bench\": scene 0 is taken\n"
                      "[/] -w takes a number of pixels, not \"--json\": it counts as not given\n");

    Parsed q = parse({"-m", "-s", "2", "--bench", "--to", "12.5", "--json", "b.json", "-w", "320", "-h", "200"});
    EXPECT_EQ(q.o.error[0], '\0') << q.o.error;
    EXPECT_EQ(q.o.soundOn, 0);
    EXPECT_EQ(q.o.startScene, 2);
    EXPECT_EQ(q.o.fps, 60);
    EXPECT_EQ(q.o.to, 12.5);
    EXPECT_STREQ(q.o.json, "b.json");
    EXPECT_STREQ(q.o.gameMode, "320x200:32@75");
    EXPECT_EQ(q.o.capture, nullptr);
}

TEST(Options, RefusalsStopAtTheFirstWrongOption)
{
    Parsed p = parse({"--capture", "x.mp4", "--fps", "0", "--bogus"});
    EXPECT_STREQ(p.o.error, "--fps takes a whole number from 1 to 1000, not \"0\"");
    Parsed q = parse({"--bench", "--fps"});
    EXPECT_STREQ(q.o.error, "option --fps needs a value");
    Parsed r = parse({"-w", "--width", "-s"});
    EXPECT_STREQ(r.o.error, "unknown option --width (see --help)");
    EXPECT_EQ(r.out, std::string("[/] -w takes a number of pixels, not \"--width\": it counts as "
                                 "not given\n") + DEFAULT_LINE)
        << "tvx_parseOptions still prints the notes and the resolution";
    /* an option where a file name or a number must be is not taken for one */
    Parsed j = parse({"--bench", "--json", "--fps", "5"});
    EXPECT_STREQ(j.o.error, "option --json needs a value, not the option --fps");
    Parsed k = parse({"--capture", "-m"});
    EXPECT_STREQ(k.o.error, "option --capture needs a value, not the option -m");
    Parsed a = parse({"--audio-offset", "120.5"});
    EXPECT_STREQ(a.o.error, "--audio-offset takes whole milliseconds from -3000 to 3000, not \"120.5\"");
    Parsed b = parse({"--bench", "--letterbox"});
    EXPECT_STREQ(b.o.error, "--loop, --audio-offset, --letterbox, --scale and --stats go with a live "
                            "run, not with --bench (it always draws the whole picture)");
    Parsed c = parse({"--loop", "--audio-offset", "-250", "--letterbox", "-s", "9"});
    EXPECT_EQ(c.o.error[0], '\0') << c.o.error;
    EXPECT_EQ(c.o.loop, 1);
    EXPECT_EQ(c.o.audioOffset, -250);
    EXPECT_EQ(c.o.letterbox, 1);
    EXPECT_EQ(c.o.startScene, 9);
    EXPECT_EQ(c.o.scale, -1.0f) << "no --scale: automatic";
    /* the render scale and the live figures: a live run's, never a capture's */
    Parsed s = parse({"--scale", "0.5", "--stats", "run.jsonl"});
    EXPECT_EQ(s.o.error[0], '\0') << s.o.error;
    EXPECT_EQ(s.o.scale, 0.5f);
    EXPECT_STREQ(s.o.stats, "run.jsonl");
    EXPECT_EQ(parse({"--scale", "auto"}).o.scale, 0.0f);
    for (const char *wrong : {"0.2", "1.5", "half", "0"})
        EXPECT_EQ(std::string(parse({"--scale", wrong}).o.error),
                  std::string("--scale takes auto or a scale from 0.25 to 1, not \"") + wrong + "\"");
    EXPECT_STREQ(parse({"--capture", "x.mp4", "--scale", "1"}).o.error,
                 "--loop, --audio-offset, --letterbox, --scale and --stats go with a live run, "
                 "not with --capture (it always draws the whole picture)");
    EXPECT_NE(parse({"--bench", "--stats", "run.jsonl"}).o.error[0], '\0');
}

}  // namespace
