/*
 * tvx_options.cpp - the command line: one table of options, the one parser
 * that reads it, the checks that refuse a command line, and the --help text
 * made from the table.
 *
 * Adding an option: a field in struct tvx_options (tvx.h), a reader below
 * that stores its value (and writes an error for a value it refuses), a row
 * in OPTIONS, and, when it only makes sense with other options, a line in
 * checkCombinations.
 *
 * The framework's own options keep their old, lenient rules, but whatever
 * they take in place of what was written (a number read from "800px", a
 * scene 0 for "-s two", an option given last without its value, an unknown
 * short option) gets a "[/] " line in options->notes saying what was taken.
 *
 * Depends on: libc only (no display), so tests read command lines directly.
 */
#include "tvx.h"

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

/* ---- State ----------------------------------------------------------------- */

/* One option: its name, what follows it, how it is read and how --help shows
 * it. A value-taking option given as the last argument is refused when
 * valueRequired is set and ignored otherwise. */
struct OptionRow {
    const char *name;
    const char *value;        /* the value's name in --help; null for a flag */
    int valueRequired;
    int (*read)(struct tvx_options *o, const char *value);   /* 0, or 1 with o->error */
    const char *usage;        /* --help's left column; null: shown with the row before */
    const char *help;         /* --help's text; a "\n" goes on to an indented line */
};

static const int MAX_SIDE = 32767;      /* largest window side X can make */
static const size_t NOTE_LINE = 256;    /* longest "[/] " line of the notes */
static const int DEFAULT_FPS = 60;
static const int USAGE_COLUMN = 18;     /* width of --help's left column */
/* Beyond 3 s the picture would run back into the scene before the start
 * scene, and past the music's end. */
static const int AUDIO_OFFSET_LIMIT = 3000;
static const double LOWEST_SCALE = 0.25;  /* the smallest fixed render scale */

/* ---- Internal helpers ------------------------------------------------------ */

static int refuse(struct tvx_options *o, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    vsnprintf(o->error, sizeof(o->error), format, args);
    va_end(args);
    return 1;
}

/* Adds a "[/] " line to the notes; a line that does not fit is left out. */
static void note(struct tvx_options *o, const char *format, ...)
{
    char line[NOTE_LINE];
    va_list args;
    va_start(args, format);
    int n = vsnprintf(line, sizeof line, format, args);
    va_end(args);
    size_t used = strlen(o->notes);
    if (n > 0 && (size_t)n < sizeof line && used + (size_t)n < sizeof(o->notes))
        memcpy(o->notes + used, line, (size_t)n + 1);
}

/* 1 when text is a whole decimal number and nothing else. */
static int isWholeNumber(const char *text)
{
    char *end = nullptr;
    errno = 0;
    strtol(text, &end, 10);
    return end != text && *end == '\0' && errno == 0;
}

/* atoi without its undefined behaviour on overflow: leading digits, 0 for a
 * non-number, clamped to the int range. */
static int toInt(const char *text)
{
    long v = strtol(text, nullptr, 10);
    if (v > INT_MAX)
        return INT_MAX;
    if (v < INT_MIN)
        return INT_MIN;
    return (int)v;
}

/* A window side from the command line: its leading digits, at most
 * MAX_SIDE; 0 (not given) when it is no size. A value that is not a whole
 * number, or beyond MAX_SIDE, gets a note of what was taken. */
static int toSide(struct tvx_options *o, const char *name, const char *value)
{
    int v = toInt(value);
    int clean = isWholeNumber(value);
    if (v > MAX_SIDE) {
        note(o, "[/] %s %s is more than the %d pixels a window side can have: %d is taken\n",
             name, value, MAX_SIDE, MAX_SIDE);
        return MAX_SIDE;
    }
    if (!clean && v >= 1)
        note(o, "[/] %s takes a number of pixels, not \"%s\": %d is taken\n", name, value, v);
    else if (!clean)
        note(o, "[/] %s takes a number of pixels, not \"%s\": it counts as not given\n", name, value);
    else if (v < 1)
        note(o, "[/] %s %s is no size: it counts as not given\n", name, value);
    return v >= 1 ? v : 0;
}

/* A whole decimal number in [low, high] and nothing else. */
static int toNumber(const char *text, double low, double high, double *value)
{
    char *end = nullptr;
    errno = 0;
    double v = strtod(text, &end);
    if (errno != 0 || end == text || *end != '\0' || !(v >= low && v <= high))
        return 0;
    *value = v;
    return 1;
}

static int endsWith(const char *text, const char *end)
{
    size_t n = strlen(text);
    size_t m = strlen(end);
    return n >= m && strcmp(text + n - m, end) == 0;
}

static int isVideoName(const char *name)
{
    return endsWith(name, ".mp4") || endsWith(name, ".mkv");
}

static int readWidth(struct tvx_options *o, const char *value)
{
    if (o->requestedWidth == 0)
        o->requestedWidth = toSide(o, "-w", value);
    return 0;
}

static int readHeight(struct tvx_options *o, const char *value)
{
    if (o->requestedHeight == 0)
        o->requestedHeight = toSide(o, "-h", value);
    return 0;
}

static int readWindow(struct tvx_options *o, const char *)
{
    o->fullscreen = 0;
    return 0;
}

static int readMute(struct tvx_options *o, const char *)
{
    o->soundOn = 0;
    return 0;
}

static int readScene(struct tvx_options *o, const char *value)
{
    o->startScene = toInt(value);
    if (!isWholeNumber(value))
        note(o, "[/] -s takes a scene number, not \"%s\": scene %d is taken\n", value,
             o->startScene);
    return 0;
}

static int readCapture(struct tvx_options *o, const char *value)
{
    o->capture = value;
    return 0;
}

static int readBench(struct tvx_options *o, const char *)
{
    o->bench = 1;
    return 0;
}

static int readJson(struct tvx_options *o, const char *value)
{
    o->json = value;
    return 0;
}

static int readFps(struct tvx_options *o, const char *value)
{
    double number = 0.0;
    if (!toNumber(value, 1, 1000, &number) || number != floor(number))
        return refuse(o, "--fps takes a whole number from 1 to 1000, not \"%s\"", value);
    o->fps = (int)number;
    return 0;
}

static int readTo(struct tvx_options *o, const char *value)
{
    double number = 0.0;
    if (!toNumber(value, 0, 100000, &number))
        return refuse(o, "--to takes a demo time in seconds, not \"%s\"", value);
    o->to = number;
    return 0;
}

static int readLoop(struct tvx_options *o, const char *)
{
    o->loop = 1;
    return 0;
}

static int readAudioOffset(struct tvx_options *o, const char *value)
{
    double number = 0.0;
    if (!toNumber(value, -AUDIO_OFFSET_LIMIT, AUDIO_OFFSET_LIMIT, &number) || number != floor(number))
        return refuse(o, "--audio-offset takes whole milliseconds from %d to %d, not \"%s\"",
                      -AUDIO_OFFSET_LIMIT, AUDIO_OFFSET_LIMIT, value);
    o->audioOffset = (int)number;
    return 0;
}

static int readLetterbox(struct tvx_options *o, const char *)
{
    o->letterbox = 1;
    return 0;
}

static int readScale(struct tvx_options *o, const char *value)
{
    double number = 0.0;
    if (strcmp(value, "auto") == 0)
        o->scale = 0.0f;
    else if (toNumber(value, LOWEST_SCALE, 1.0, &number))
        o->scale = (float)number;
    else
        return refuse(o, "--scale takes auto or a scale from %g to 1, not \"%s\"", LOWEST_SCALE,
                      value);
    return 0;
}

static int readStats(struct tvx_options *o, const char *value)
{
    o->stats = value;
    return 0;
}

static int readHelp(struct tvx_options *o, const char *)
{
    o->help = 1;
    return 0;
}

static int readVersion(struct tvx_options *o, const char *)
{
    o->version = 1;
    return 0;
}

static const struct OptionRow OPTIONS[] = {
    {"-w", "W", 0, readWidth, "-w W -h H",
     "resolution (both needed; default game mode 1280x800,\nor a 640 x 480 window)"},
    {"-h", "H", 0, readHeight, nullptr, nullptr},
    {"-nf", nullptr, 0, readWindow, "-nf", "a window instead of full-screen game mode"},
    {"-m", nullptr, 0, readMute, "-m", "no music"},
    {"-s", "N", 0, readScene, "-s N", "start at scene N (0 to 9)"},
    {"--capture", "OUT", 1, readCapture, "--capture OUT",
     "render frame-exactly to OUT: a .mp4 or .mkv video with\n"
     "the music, or PNG files named by a pattern with %d"},
    {"--bench", nullptr, 0, readBench, "--bench",
     "render frame-exactly and print per-scene frame times"},
    {"--json", "FILE", 1, readJson, "--json FILE", "with --bench: also write the figures as JSON"},
    {"--fps", "N", 1, readFps, "--fps N", "frames per second of demo time (default 60)"},
    {"--to", "SECONDS", 1, readTo, "--to SECONDS", "stop at this demo time instead of the demo's end"},
    {"--loop", nullptr, 0, readLoop, "--loop",
     "at the demo's end, start it again (as started: from -s N)\n"
     "instead of ending; Escape still quits"},
    {"--audio-offset", "MS", 1, readAudioOffset, "--audio-offset MS",
     "show the picture MS ms later than the music (earlier\n"
     "when negative), -3000 to 3000, for sound with latency"},
    {"--letterbox", nullptr, 0, readLetterbox, "--letterbox",
     "keep the 16:9 picture undistorted, with black bars"},
    {"--scale", "F", 1, readScale, "--scale auto|F",
     "draw the picture at F (0.25 to 1) of the window's size and\n"
     "stretch it; auto (the default) lowers it, to 0.5 at most,\n"
     "only while frames take longer than the 25 ms period"},
    {"--stats", "FILE", 1, readStats, "--stats FILE",
     "once a second, a JSON line of frame figures to FILE"},
    {"--help", nullptr, 0, readHelp, "--help", "this text"},
    {"--version", nullptr, 0, readVersion, "--version", "the program's version"},
};

static const int OPTION_COUNT = sizeof(OPTIONS) / sizeof(OPTIONS[0]);

/* The options glutInit takes out of argv itself, and whether each has a value. */
static const struct {
    const char *name;
    int hasValue;
} GLUT_OPTIONS[] = {
    {"-display", 1}, {"-geometry", 1}, {"-iconic", 0}, {"-indirect", 0},
    {"-direct", 0},  {"-gldebug", 0},  {"-sync", 0},
};

static const struct OptionRow *findOption(const char *name)
{
    for (int k = 0; k < OPTION_COUNT; k++)
        if (strcmp(OPTIONS[k].name, name) == 0)
            return &OPTIONS[k];
    return nullptr;
}

/* -1 when name is not one of glutInit's options, else whether it has a value. */
static int glutOption(const char *name)
{
    for (const auto &g : GLUT_OPTIONS)
        if (strcmp(g.name, name) == 0)
            return g.hasValue;
    return -1;
}

/* 1 when the argument is the value of the one before it. */
static int isValueOf(const char *previous)
{
    const struct OptionRow *row = findOption(previous);
    return (row != nullptr && row->value != nullptr) || glutOption(previous) == 1;
}

/* Options that only make sense together, and the form of --capture's name. */
static int checkCombinations(struct tvx_options *o)
{
    int clocked = o->fps != 0 || o->to >= 0.0;
    if (o->capture && o->bench)
        return refuse(o, "--capture and --bench cannot be combined");
    if (clocked && !o->capture && !o->bench)
        return refuse(o, "--fps and --to go with --capture or --bench");
    if (o->json && !o->bench)
        return refuse(o, "--json goes with --bench");
    if ((o->capture || o->bench) &&
        (o->loop || o->audioOffset != 0 || o->letterbox || o->scale >= 0.0f || o->stats))
        return refuse(o, "--loop, --audio-offset, --letterbox, --scale and --stats go with a live run, "
                         "not with %s (it always draws the whole picture)",
                      o->capture ? "--capture" : "--bench");
    if (o->capture && !isVideoName(o->capture) && !strchr(o->capture, '%'))
        return refuse(o, "--capture needs a .mp4 or .mkv file, or a PNG pattern with %%d, not \"%s\"",
                      o->capture);
    char prefix[4096], suffix[4096];
    int digits = 0;
    if (o->capture && !isVideoName(o->capture) &&
        !tvx_splitFramePattern(o->capture, prefix, suffix, sizeof(prefix), &digits))
        return refuse(o, "the frame pattern \"%s\" needs exactly one %%d and no other %% conversion",
                      o->capture);
    return 0;
}

/* The window and game-mode sizes from -w and -h. */
static void applyResolution(struct tvx_options *o)
{
    if (o->requestedWidth != 0 && o->requestedHeight != 0) {
        o->width = o->gameWidth = o->requestedWidth;
        o->height = o->gameHeight = o->requestedHeight;
        snprintf(o->gameMode, sizeof(o->gameMode), "%dx%d:32@75", o->width, o->height);
    } else {
        o->width = 640;
        o->height = 480;
        o->gameWidth = 1280;
        o->gameHeight = 800;
        snprintf(o->gameMode, sizeof(o->gameMode), "1280x800:32@75");
    }
}

/* ---- Public functions ------------------------------------------------------ */

int tvx_readOptions(int argc, char **argv, struct tvx_options *o)
{
    memset(o, 0, sizeof(*o));
    o->fullscreen = 1;
    o->soundOn = 1;
    o->to = -1.0;
    o->scale = -1.0f;
    int refused = 0;
    /* Every argument is compared with the names, the values of options too. */
    for (int i = 1; i < argc && !refused; i++) {
        const struct OptionRow *row = findOption(argv[i]);
        if (row == nullptr) {
            if (strncmp(argv[i], "--", 2) == 0)
                refused = refuse(o, "unknown option %s (see --help)", argv[i]);
            else if (argv[i][0] == '-' && glutOption(argv[i]) < 0 && !(i > 1 && isValueOf(argv[i - 1])))
                note(o, "[/] Unknown option %s ignored (see --help)\n", argv[i]);
            continue;
        }
        const char *value = i + 1 < argc ? argv[i + 1] : nullptr;
        if (row->value && value == nullptr) {
            if (row->valueRequired)
                refused = refuse(o, "option %s needs a value", row->name);
            else
                note(o, "[/] %s at the end has no value: it is ignored\n", row->name);
            continue;
        }
        /* An option where a file name or a number must be is no value. */
        if (row->valueRequired && (findOption(value) != nullptr || strncmp(value, "--", 2) == 0)) {
            refused = refuse(o, "option %s needs a value, not the option %s", row->name, value);
            continue;
        }
        refused = row->read(o, value);
    }
    if (!refused)
        refused = checkCombinations(o);
    if (o->fps == 0)
        o->fps = DEFAULT_FPS;
    applyResolution(o);
    return refused;
}

int tvx_parseOptions(int argc, char **argv, struct tvx_options *o)
{
    int refused = tvx_readOptions(argc, argv, o);
    fputs(o->notes, stdout);
    if (o->requestedWidth != 0 && o->requestedHeight != 0)
        printf("[*] Resolution set to %s\n", o->gameMode);
    else
        printf("[*] Resolution set to default becouse nothing else was given\n");
    return refused;
}

void tvx_printUsage(const char *program)
{
    printf("usage: %s [options]\n", program);
    for (int k = 0; k < OPTION_COUNT; k++) {
        if (OPTIONS[k].usage == nullptr)
            continue;
        printf("  %-*s", USAGE_COLUMN, OPTIONS[k].usage);
        for (const char *c = OPTIONS[k].help; *c; c++) {
            putchar(*c);
            if (*c == '\n')
                printf("  %-*s", USAGE_COLUMN, "");
        }
        putchar('\n');
    }
    printf("keys: Escape quits, Space pauses, Left and Right seek by one second,\n"
           "      Page Down / Page Up the next / previous scene, Home the demo's start,\n"
           "      Tab information overlay, F12 screenshot (kolvane-<ms>.png), F5 reload shaders\n");
}

int tvx_splitFramePattern(const char *pattern, char *prefix, char *suffix, size_t room, int *digits)
{
    char *out = prefix;
    size_t used = 0;
    int found = 0;
    for (const char *p = pattern; *p; p++) {
        if (*p == '%' && p[1] == '%') {
            p++;
        } else if (*p == '%') {
            const char *q = p + 1;
            int width = 0;
            if (*q == '0')
                while (*q >= '0' && *q <= '9' && width <= 32)
                    width = width * 10 + (*q++ - '0');
            if (*q != 'd' || found || width > 32)
                return 0;
            found = 1;
            *digits = width;
            out[used] = '\0';
            out = suffix;
            used = 0;
            p = q;
            continue;
        }
        if (used + 1 >= room)
            return 0;
        out[used++] = *p;
    }
    out[used] = '\0';
    return found;
}
