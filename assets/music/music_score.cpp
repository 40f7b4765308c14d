/*
 * music_score.cpp - the composition: one piece in D minor that follows the
 * demo's scenes. Every section starts where its scene starts and has a whole
 * number of 4/4 bars, so its tempo is chosen to fit (68.6 to 137 BPM):
 *
 *   0.0  title       quiet pad, bell motif, sub drone        4 bars  68.6 BPM
 *  14.0  sepia       lament on a plucked string, crackle,   38 bars  72.1 BPM
 *                    soft drums, lead; static bursts with
 *                    a boom at 40.7 49.9 60 68 86 97 s
 * 140.5  asteroids   pedal pulse, tremolo strings, toms      6 bars 102.9 BPM
 * 154.5  credits     half-time beat, bass ostinato, theme   10 bars 104.3 BPM
 * 177.5  tunnel      build: arpeggio opening up, riser,     20 bars 120.0 BPM
 *                    snare roll, drop before the next scene
 * 217.5  terrain     four-on-the-floor, rolling bass, lead  16 bars 128.0 BPM
 * 247.5  lattice     new progression, kick back after 6 s   16 bars 127.2 BPM
 * 277.7  planet      targeting bleeps, half-time, riser;    11 bars 128.8 BPM
 *                    all stops at 297.2 as the picture fades
 * 298.2  explosion   the climax: impact, full chords        2 bars 137.1 BPM
 * 301.7  outro       warm F major, electric piano, lead     20 bars  87.3 BPM
 * 356.7  end         final chord and bells, fade from 366.7
 *
 * Depends on: music.h (note layout).
 */
#include "music.h"

#include <stdint.h>  /* uint32_t state of the humanising generator */
#include <vector>

/* ---- State ---------------------------------------------------------------- */

enum {
    SEC_TITLE,
    SEC_SEPIA,
    SEC_ASTEROIDS,
    SEC_CREDITS,
    SEC_TUNNEL,
    SEC_TERRAIN,
    SEC_LATTICE,
    SEC_PLANET,
    SEC_CLIMAX,
    SEC_OUTRO,
    SEC_END,
    SEC_COUNT
};

struct Section {
    double start;  /* seconds */
    int bars;      /* whole 4/4 bars up to the next section (0: keep tempo) */
    double beat;   /* seconds per beat, derived */
};

static Section s_sections[SEC_COUNT] = {
    { 0.0, 4, 0 },    { 14.0, 38, 0 },  { 140.5, 6, 0 }, { 154.5, 10, 0 },
    { 177.5, 20, 0 }, { 217.5, 16, 0 }, { 247.5, 16, 0 }, { 277.7, 11, 0 },
    { 298.2, 2, 0 },  { 301.7, 20, 0 }, { 356.7, 0, 0 },
};

/* Moments in the sepia section where the picture bursts with static. */
static const double SEPIA_ACCENTS[6] = { 40.7, 49.9, 60.0, 68.0, 86.0, 97.0 };
/* The planet breaks apart; the picture fades out one second before. */
static const double EXPLOSION = 298.2;
static const double PICTURE_OUT = 297.2;

/* A chord: bass note and four voiced tones (MIDI numbers). */
struct Chord {
    int bass;
    int tone[4];
};

static const Chord DM = { 38, { 57, 62, 65, 69 } };
static const Chord DM_C = { 36, { 57, 62, 65, 69 } };
static const Chord DM7 = { 38, { 57, 60, 62, 65 } };
static const Chord BBMAJ7 = { 34, { 58, 62, 65, 69 } };
static const Chord BB = { 34, { 58, 62, 65, 70 } };
static const Chord GM = { 43, { 58, 62, 67, 70 } };
static const Chord GM7 = { 43, { 58, 62, 65, 67 } };
static const Chord A = { 33, { 57, 61, 64, 69 } };
static const Chord A7 = { 33, { 55, 61, 64, 69 } };
static const Chord F = { 41, { 57, 60, 65, 69 } };
static const Chord F_C = { 36, { 57, 60, 65, 69 } };
static const Chord F_A = { 33, { 57, 60, 65, 69 } };
static const Chord C = { 36, { 55, 60, 64, 67 } };
static const Chord C_E = { 40, { 55, 60, 64, 67 } };
static const Chord CSUS = { 36, { 55, 60, 65, 67 } };
static const Chord EB = { 39, { 58, 63, 67, 70 } };
static const Chord EB_D = { 38, { 58, 63, 67, 70 } };
static const Chord BB_D = { 38, { 58, 62, 65, 70 } };
static const Chord FMAJ9 = { 41, { 57, 60, 64, 67 } };

/* A melody note: start and length in beats, MIDI pitch. */
struct Tone {
    float beat, length;
    int pitch;
};

/* The lament of the sepia section, 8 bars over Dm Dm/C Bbmaj7 A Dm F/C Gm7 A7. */
static const Tone LAMENT[] = {
    { 0, 1.5f, 69 },  { 1.5f, 0.5f, 67 }, { 2, 1, 65 },      { 3, 1, 64 },  { 4, 3, 62 },      { 7, 1, 64 },
    { 8, 1.5f, 65 },  { 9.5f, 0.5f, 67 }, { 10, 1, 69 },     { 11, 1, 74 }, { 12, 3, 73 },     { 15, 1, 69 },
    { 16, 1.5f, 74 }, { 17.5f, 0.5f, 76 }, { 18, 1, 77 },    { 19, 1, 74 }, { 20, 2, 72 },     { 22, 1, 69 },
    { 23, 1, 65 },    { 24, 1.5f, 67 },   { 25.5f, 0.5f, 69 }, { 26, 1, 70 }, { 27, 1, 74 },   { 28, 1.5f, 76 },
    { 29.5f, 0.5f, 74 }, { 30, 2, 73 },
};

/* The credits theme, 8 bars over Bb Bb Gm Gm Eb A Dm A. */
static const Tone OMEN[] = {
    { 0, 3, 77 },  { 3, 1, 74 },  { 4, 4, 70 },  { 8, 3, 79 },  { 11, 1, 77 }, { 12, 4, 74 },
    { 16, 3, 75 }, { 19, 1, 74 }, { 20, 2, 73 }, { 22, 2, 76 }, { 24, 4, 74 }, { 28, 2, 69 },
    { 30, 2, 73 },
};

/* The main theme of the flight, 8 bars over Dm Bb F C. */
static const Tone THEME[] = {
    { 0, 0.75f, 81 },  { 0.75f, 0.75f, 81 }, { 1.5f, 0.5f, 79 }, { 2, 1, 77 },          { 3, 1, 76 },
    { 4, 0.75f, 77 },  { 4.75f, 0.75f, 77 }, { 5.5f, 0.5f, 76 }, { 6, 1, 74 },          { 7, 1, 77 },
    { 8, 0.75f, 84 },  { 8.75f, 0.75f, 84 }, { 9.5f, 0.5f, 81 }, { 10, 1, 77 },         { 11, 1, 81 },
    { 12, 1.5f, 79 },  { 13.5f, 0.5f, 81 },  { 14, 1, 79 },      { 15, 1, 76 },
    { 16, 0.75f, 81 }, { 16.75f, 0.75f, 81 }, { 17.5f, 0.5f, 82 }, { 18, 1, 81 },       { 19, 1, 77 },
    { 20, 0.75f, 86 }, { 20.75f, 0.75f, 86 }, { 21.5f, 0.5f, 84 }, { 22, 1, 82 },       { 23, 1, 81 },
    { 24, 1.5f, 81 },  { 25.5f, 0.5f, 79 },  { 26, 1, 77 },      { 27, 1, 72 },
    { 28, 2, 76 },     { 30, 1, 79 },        { 31, 1, 76 },
};

/* The counter theme of the lattice, 8 bars over Gm Bb Dm A. */
static const Tone COUNTER[] = {
    { 0, 1, 86 },      { 1, 1, 82 },        { 2, 1, 79 },  { 3, 0.5f, 81 }, { 3.5f, 0.5f, 82 },
    { 4, 1.5f, 77 },   { 5.5f, 0.5f, 79 },  { 6, 1, 77 },  { 7, 1, 74 },
    { 8, 1, 81 },      { 9, 1, 77 },        { 10, 1, 74 }, { 11, 0.5f, 76 }, { 11.5f, 0.5f, 77 },
    { 12, 2, 76 },     { 14, 1, 73 },       { 15, 1, 76 },
    { 16, 1, 79 },     { 17, 0.5f, 81 },    { 17.5f, 0.5f, 82 }, { 18, 2, 86 },
    { 20, 1, 84 },     { 21, 1, 82 },       { 22, 1, 81 }, { 23, 1, 77 },
    { 24, 1.5f, 81 },  { 25.5f, 0.5f, 79 }, { 26, 1, 77 }, { 27, 1, 74 },
    { 28, 2, 76 },     { 30, 2, 73 },
};

/* The outro song, 8 bars over F C/E Dm7 Bbmaj7 F/A Gm7 Bb C. */
static const Tone SONG[] = {
    { 0, 1.5f, 69 },  { 1.5f, 0.5f, 72 }, { 2, 2, 77 },  { 4, 1.5f, 76 },  { 5.5f, 0.5f, 74 }, { 6, 2, 72 },
    { 8, 1.5f, 74 },  { 9.5f, 0.5f, 76 }, { 10, 1, 77 }, { 11, 1, 81 },    { 12, 3, 81 },      { 15, 1, 77 },
    { 16, 1.5f, 72 }, { 17.5f, 0.5f, 77 }, { 18, 2, 81 }, { 20, 1.5f, 82 }, { 21.5f, 0.5f, 81 }, { 22, 1, 79 },
    { 23, 1, 77 },    { 24, 2, 74 },      { 26, 1, 77 }, { 27, 1, 79 },    { 28, 2, 79 },      { 30, 2, 76 },
};

/* The bell motif of the title and the end. */
static const Tone MOTIF[] = {
    { 0.5f, 1, 81 },  { 1.5f, 0.5f, 77 }, { 2, 1, 76 },   { 3, 1, 74 },  { 4.5f, 1, 81 },  { 5.5f, 0.5f, 79 },
    { 6, 1, 77 },     { 7, 1, 76 },       { 8.5f, 1, 74 }, { 9.5f, 0.5f, 77 }, { 10, 1, 81 }, { 11, 1, 82 },
    { 12.5f, 1, 81 }, { 13.5f, 0.5f, 76 }, { 14, 1, 73 }, { 15, 1, 69 },
};

/* Where composed notes go, and the style given to the next ones. */
static std::vector<MusicNote> *s_notes;
static float s_bright = 0.5f, s_reverb = 0.2f, s_delay = 0.0f, s_release = 0.0f;
static int s_ducked = 0;
static uint32_t s_random = 0x1234567u;

/* ---- Internal helpers ----------------------------------------------------- */

static void sectionsInit(void)
{
    for (int s = 0; s < SEC_COUNT; s++) {
        if (s_sections[s].bars > 0)
            s_sections[s].beat = (s_sections[s + 1].start - s_sections[s].start) / (4.0 * s_sections[s].bars);
        else
            s_sections[s].beat = s_sections[s - 1].beat;
    }
}

/* Time in seconds of a beat of a section (beat 0 = its start). */
static double at(int sec, double beat)
{
    return s_sections[sec].start + beat * s_sections[sec].beat;
}

static double beats(int sec, double count)
{
    return count * s_sections[sec].beat;
}

static double sectionEnd(int sec)
{
    return sec + 1 < SEC_COUNT ? s_sections[sec + 1].start : MUSIC_LENGTH;
}

/* A deterministic number in [0, 1). */
static float chance(void)
{
    s_random ^= s_random << 13;
    s_random ^= s_random >> 17;
    s_random ^= s_random << 5;
    return (float)(s_random >> 8) / 16777216.0f;
}

static void style(float bright, float reverb, float delay, int ducked)
{
    s_bright = bright;
    s_reverb = reverb;
    s_delay = delay;
    s_ducked = ducked;
}

static void play(int instrument, double start, double length, float pitch, float velocity, float pan = 0.0f)
{
    MusicNote n;
    n.start = start;
    n.length = length;
    n.pitch = pitch;
    n.velocity = velocity > 1.0f ? 1.0f : velocity;
    n.pan = pan;
    n.bright = s_bright;
    n.reverb = s_reverb;
    n.delay = s_delay;
    n.release = s_release;
    n.instrument = instrument;
    n.ducked = s_ducked;
    s_notes->push_back(n);
}

/* The four tones of a chord, spread across the stereo field. */
static void chord(int instrument, double start, double length, const Chord &c, float velocity, int transpose = 0)
{
    static const float pans[4] = { -0.45f, 0.15f, -0.15f, 0.45f };
    for (int k = 0; k < 4; k++)
        play(instrument, start, length, (float)(c.tone[k] + transpose), velocity, pans[k]);
}

static void melody(int instrument, int sec, double beat0, const Tone *tones, int count, float velocity,
                   int transpose = 0, float pan = 0.0f)
{
    for (int k = 0; k < count; k++)
        play(instrument, at(sec, beat0 + tones[k].beat), beats(sec, tones[k].length) * 0.92,
             (float)(tones[k].pitch + transpose), velocity, pan);
}

/* A drum bar written as sixteen steps: 'x' hit, 'X' accent, 'o' ghost.
   Hats and shakers vary a little in strength, as a drummer's would. */
static void drumBar(int sec, int bar, const char *steps, int instrument, float velocity, float pan = 0.0f)
{
    int loose = instrument == INST_HAT || instrument == INST_OPENHAT || instrument == INST_SHAKER;
    for (int k = 0; k < 16 && steps[k]; k++) {
        float v = steps[k] == 'x' ? velocity : steps[k] == 'X' ? velocity * 1.25f : steps[k] == 'o' ? velocity * 0.5f : 0.0f;
        if (v > 0.0f)
            play(instrument, at(sec, bar * 4 + k * 0.25), 0.1, 0.0f, loose ? v * (0.85f + 0.3f * chance()) : v, pan);
    }
}

/* Arpeggio in sixteenths over a chord: the tones and their octave above,
   walked by `order`. */
static void arpBar(int sec, int bar, const Chord &c, const int *order, int steps, float velocity, float bright0,
                   float bright1, int transpose = 0)
{
    for (int k = 0; k < steps; k++) {
        int i = order[k % 8];
        int pitch = c.tone[i % 4] + (i / 4) * 12 + transpose;
        s_bright = bright0 + (bright1 - bright0) * (float)k / (float)steps;
        play(INST_ARP, at(sec, bar * 4 + k * 0.25), beats(sec, 0.22), (float)pitch, velocity,
             (k & 1) ? 0.35f : -0.35f);
    }
}

/* A noise burst in the picture: static, a low boom and a bell stab. */
static void accent(double t, const Chord &c, float velocity)
{
    float b = s_bright, r = s_reverb, d = s_delay;
    style(0.5f, 0.35f, 0.0f, 0);
    play(INST_STATIC, t, 1.1, 0.0f, velocity);
    play(INST_BOOM, t, 1.0, 0.0f, 0.6f * velocity);
    style(0.3f, 0.4f, 0.0f, 0);
    play(INST_CRASH, t, 1.0, 0.0f, 0.4f * velocity, 0.3f);
    style(0.7f, 0.5f, 0.25f, 0);
    for (int k = 1; k < 4; k++)
        play(INST_BELL, t, 1.5, (float)(c.tone[k] + 12), 0.45f * velocity, -0.4f + 0.3f * k);
    style(0.0f, 0.2f, 0.0f, 0);
    play(INST_SWELL, t - 1.2, 1.2, 0.0f, 0.3f * velocity);
    style(b, r, d, 0);
}

/* ---- Internal helpers: the sections --------------------------------------- */

static void composeTitle(void)
{
    const int sec = SEC_TITLE;
    const Chord *prog[4] = { &DM, &DM, &BBMAJ7, &A };
    style(0.12f, 0.5f, 0.0f, 0);
    play(INST_SUB, at(sec, 0), beats(sec, 15), 38.0f, 0.3f);
    for (int bar = 0; bar < 4; bar++)
        chord(INST_PAD, at(sec, bar * 4), beats(sec, 4), *prog[bar], 0.35f + 0.1f * bar);
    style(0.15f, 0.5f, 0.0f, 0);
    play(INST_PAD, at(sec, 14), beats(sec, 2), 61.0f, 0.4f, 0.2f);
    style(0.35f, 0.55f, 0.4f, 0);
    melody(INST_BELL, sec, 0, MOTIF, 16, 0.45f);
    style(0.0f, 0.3f, 0.0f, 0);
    play(INST_SWELL, at(sec, 13), beats(sec, 3), 0.0f, 0.35f);
}

static void composeSepia(void)
{
    const int sec = SEC_SEPIA, bars = 38;
    const Chord *prog[8] = { &DM, &DM_C, &BBMAJ7, &A, &DM, &F_C, &GM7, &A7 };
    const Chord *coda[6] = { &DM, &DM_C, &BBMAJ7, &A, &GM7, &A };
    static const int order[8] = { 0, 1, 2, 3, 4, 3, 2, 1 };

    style(0.5f, 0.05f, 0.0f, 0);
    play(INST_CRACKLE, at(sec, 0), sectionEnd(sec) - at(sec, 0), 0.0f, 0.55f);

    for (int bar = 0; bar < bars; bar++) {
        const Chord &c = bar < 32 ? *prog[bar % 8] : *coda[bar - 32];
        int breakdown = bar >= 24 && bar < 32;
        int full = bar >= 16 && bar < 24;
        double t = at(sec, bar * 4);

        style(0.18f + (full ? 0.1f : 0.0f), 0.45f, 0.0f, 0);
        chord(INST_PAD, t, beats(sec, 4), c, breakdown ? 0.6f : 0.5f);

        /* The plucked string walks the chord in eighths. */
        style(0.35f, 0.35f, 0.15f, 0);
        for (int k = 0; k < 8; k++) {
            int i = order[k];
            float v = (k == 0 ? 0.75f : 0.55f) * (bar >= 36 ? 0.7f : 1.0f);
            play(INST_PLUCK, at(sec, bar * 4 + k * 0.5), beats(sec, 0.9), (float)(c.tone[i % 4] + (i / 4) * 12), v,
                 (k & 1) ? 0.3f : -0.3f);
        }

        if (!breakdown && bar < 36) {
            style(0.15f, 0.05f, 0.0f, 0);
            play(INST_BASS, t, beats(sec, 1.9), (float)c.bass, 0.55f);
            play(INST_BASS, at(sec, bar * 4 + 2), beats(sec, 1.9), (float)(bar % 2 ? c.bass + 7 : c.bass), 0.45f);
        }

        style(0.3f, 0.15f, 0.0f, 0);
        if ((bar >= 8 && bar < 24) || (bar >= 32 && bar < 36)) {
            drumBar(sec, bar, "x.........x.....", INST_KICK, 0.45f);
            drumBar(sec, bar, "....x.......x...", INST_RIM, 0.45f, 0.2f);
            drumBar(sec, bar, "..o...o...o...o.", INST_SHAKER, 0.5f, -0.3f);
        }
        if (full)
            drumBar(sec, bar, "x.o.x.o.x.o.x.oo", INST_HAT, 0.3f, 0.25f);
        if (breakdown)
            drumBar(sec, bar, "..o...o...o...o.", INST_SHAKER, 0.4f, -0.3f);
    }

    /* The lament: soft on its first pass, an octave up and brighter on the
       second; the bell carries it through the breakdown. */
    style(0.12f, 0.45f, 0.25f, 0);
    melody(INST_LEAD, sec, 8 * 4, LAMENT, (int)(sizeof LAMENT / sizeof LAMENT[0]), 0.6f);
    style(0.3f, 0.45f, 0.3f, 0);
    melody(INST_LEAD, sec, 16 * 4, LAMENT, (int)(sizeof LAMENT / sizeof LAMENT[0]), 0.55f, 12);
    style(0.15f, 0.5f, 0.35f, 0);
    melody(INST_BELL, sec, 24 * 4, LAMENT, (int)(sizeof LAMENT / sizeof LAMENT[0]), 0.4f, 12);
    style(0.15f, 0.45f, 0.25f, 0);
    melody(INST_LEAD, sec, 32 * 4, LAMENT, 12, 0.45f);

    for (int k = 0; k < 6; k++) {
        double t = SEPIA_ACCENTS[k];
        int bar = (int)((t - s_sections[sec].start) / beats(sec, 4));
        accent(t, bar < 32 ? *prog[bar % 8] : *coda[bar - 32], 1.0f);
    }
    style(0.0f, 0.3f, 0.0f, 0);
    play(INST_SWELL, sectionEnd(sec) - 2.0, 2.0, 0.0f, 0.4f);
}

static void composeAsteroids(void)
{
    const int sec = SEC_ASTEROIDS;
    const Chord *pads[6] = { &DM, &EB_D, &DM, &EB_D, &BB_D, &A };
    static const int cluster[6][3] = { { 69, 74, 75 }, { 67, 70, 75 }, { 69, 74, 75 },
                                       { 67, 70, 75 }, { 65, 68, 74 }, { 64, 69, 73 } };
    double t0 = at(sec, 0);

    style(0.5f, 0.4f, 0.0f, 0);
    play(INST_BOOM, t0, 1.5, 0.0f, 0.9f);
    play(INST_CRASH, t0, 1.5, 0.0f, 0.6f, -0.2f);
    play(INST_STATIC, t0, 0.8, 0.0f, 0.6f);
    style(0.1f, 0.3f, 0.0f, 0);
    play(INST_SUB, t0, beats(sec, 24), 38.0f, 0.4f);

    for (int bar = 0; bar < 6; bar++) {
        double t = at(sec, bar * 4);
        style(0.2f + 0.05f * bar, 0.45f, 0.0f, 0);
        for (int k = 0; k < 3; k++)
            play(INST_STRINGS, t, beats(sec, 3.9), (float)cluster[bar][k], 0.55f, -0.4f + 0.4f * k);
        style(0.1f, 0.4f, 0.0f, 0);
        chord(INST_PAD, t, beats(sec, 4), *pads[bar], 0.35f, -12);
        /* Pedal pulse on D in eighths, opening slowly. */
        for (int k = 0; k < 8; k++) {
            style(0.1f + 0.05f * bar + (k == 0 ? 0.1f : 0.0f), 0.1f, 0.0f, 0);
            play(INST_BASS, at(sec, bar * 4 + k * 0.5), beats(sec, 0.4), 38.0f, k == 0 ? 0.7f : 0.5f);
        }
        /* A glassy semitone rings high above the field. */
        style(0.1f, 0.5f, 0.4f, 0);
        play(INST_BELL, t, beats(sec, 1.5), 86.0f, 0.3f, -0.5f);
        play(INST_BELL, at(sec, bar * 4 + 2), beats(sec, 1.5), 87.0f, 0.28f, 0.5f);
        style(0.3f, 0.35f, 0.0f, 0);
        drumBar(sec, bar, "x..x............", INST_KICK, 0.55f);
        play(INST_TOM, t, 0.5, 45.0f, 0.6f, -0.3f);
        if (bar == 5) {
            play(INST_TOM, at(sec, 22), 0.5, 43.0f, 0.6f, 0.3f);
            play(INST_TOM, at(sec, 22.67), 0.5, 41.0f, 0.65f, 0.0f);
            play(INST_TOM, at(sec, 23.33), 0.5, 38.0f, 0.7f, -0.3f);
        }
    }
    style(0.0f, 0.3f, 0.0f, 0);
    play(INST_SWELL, at(sec, 23), beats(sec, 1), 0.0f, 0.3f);
}

static void composeCredits(void)
{
    const int sec = SEC_CREDITS;
    const Chord *prog[10] = { &DM, &DM, &BB, &BB, &GM, &GM, &EB, &A, &DM, &A };
    static const int ostinato[8] = { 0, 0, 12, 0, 7, 0, 10, 0 };

    style(0.4f, 0.4f, 0.0f, 0);
    play(INST_CRASH, at(sec, 0), 1.5, 0.0f, 0.65f, 0.2f);
    play(INST_BOOM, at(sec, 0), 1.0, 0.0f, 0.6f);
    for (int bar = 0; bar < 10; bar++) {
        const Chord &c = *prog[bar];
        double t = at(sec, bar * 4);
        style(0.3f, 0.4f, 0.0f, 0);
        chord(INST_STRINGS, t, beats(sec, 3.9), c, 0.45f + 0.02f * bar);
        for (int k = 0; k < 8; k++) {
            int step = ostinato[k];
            if (step == 10 && &c == &A)
                step = 7;
            style(0.25f + 0.02f * bar, 0.08f, 0.0f, 0);
            play(INST_BASS, at(sec, bar * 4 + k * 0.5), beats(sec, 0.45), (float)(c.bass + step), k == 0 ? 0.7f : 0.55f);
        }
        style(0.35f, 0.15f, 0.0f, 0);
        drumBar(sec, bar, "x.........x.....", INST_KICK, 0.8f);
        drumBar(sec, bar, "........x.......", INST_SNARE, 0.6f);
        drumBar(sec, bar, bar < 4 ? "x.o.x.o.x.o.x.o." : "xoooxoooxoooxooo", INST_HAT, 0.35f, 0.3f);
    }
    style(0.4f, 0.4f, 0.3f, 0);
    melody(INST_LEAD, sec, 2 * 4, OMEN, (int)(sizeof OMEN / sizeof OMEN[0]), 0.5f);
    style(0.0f, 0.3f, 0.0f, 0);
    play(INST_SWELL, at(sec, 36), beats(sec, 4), 0.0f, 0.5f);
    style(0.5f, 0.35f, 0.0f, 0);
    play(INST_TOM, at(sec, 38), 0.5, 45.0f, 0.6f, -0.3f);
    play(INST_TOM, at(sec, 38.5), 0.5, 43.0f, 0.6f, 0.0f);
    play(INST_TOM, at(sec, 39), 0.5, 40.0f, 0.65f, 0.3f);
    play(INST_TOM, at(sec, 39.5), 0.5, 38.0f, 0.7f, 0.0f);
}

static void composeTunnel(void)
{
    const int sec = SEC_TUNNEL, bars = 20;
    const Chord *prog[20] = { &BB, &BB, &C, &C, &DM, &DM, &DM, &DM, &BB, &BB,
                              &C, &C, &GM, &GM, &A, &A, &BB, &C, &A, &A };
    static const int order[8] = { 0, 1, 2, 3, 4, 5, 6, 7 };
    double t0 = at(sec, 0);

    style(0.5f, 0.4f, 0.0f, 0);
    play(INST_STATIC, t0, 1.0, 0.0f, 0.8f);
    play(INST_BOOM, t0, 1.5, 0.0f, 0.9f);
    play(INST_CRASH, t0, 1.5, 0.0f, 0.7f, 0.0f);

    for (int bar = 0; bar < bars; bar++) {
        const Chord &c = *prog[bar];
        double t = at(sec, bar * 4);
        float u = (float)bar / (float)bars;
        int drop = bar == bars - 1;
        style(0.2f + 0.4f * u, 0.4f, 0.0f, 1);
        chord(INST_PAD, t, beats(sec, drop ? 3.0 : 3.9), c, 0.5f);
        if (bar < 4) {
            style(0.1f, 0.1f, 0.0f, 0);
            play(INST_BASS, t, beats(sec, 3.8), (float)c.bass, 0.55f);
        }
        s_delay = 0.2f;
        arpBar(sec, bar, c, order, drop ? 12 : 16, 0.45f + 0.25f * u, 0.05f + 0.85f * u, 0.05f + 0.85f * (u + 0.05f));
        s_delay = 0.0f;
        if (bar >= 4) {
            style(0.2f + 0.4f * u, 0.05f, 0.0f, 1);
            for (int k = 0; k < (drop ? 6 : 8); k++) {
                if (bar >= 16)
                    play(INST_BASS, at(sec, bar * 4 + k * 0.5), beats(sec, 0.22), (float)c.bass, 0.6f);
                play(INST_BASS, at(sec, bar * 4 + k * 0.5 + 0.25), beats(sec, 0.22), (float)c.bass, 0.6f);
            }
            style(0.4f, 0.1f, 0.0f, 1);
            drumBar(sec, bar, drop ? "x...x...x......." : "x...x...x...x...", INST_KICK, 0.6f + 0.3f * u);
        }
        style(0.5f, 0.2f, 0.0f, 0);
        if (bar >= 8 && bar < 16)
            drumBar(sec, bar, "....x.......x...", INST_SNARE, 0.55f);
        if (bar >= 12)
            drumBar(sec, bar, drop ? "xoxoxoxoxoxo...." : "xoxoxoxoxoxoxoxo", INST_HAT, 0.3f, 0.3f);
        if (bar == 16 || bar == 17)
            drumBar(sec, bar, "x.x.x.x.x.x.x.x.", INST_SNARE, 0.35f + 0.05f * (bar - 16));
        if (bar == 18)
            drumBar(sec, bar, "xxxxxxxxxxxxxxxx", INST_SNARE, 0.42f);
        if (drop)
            for (int k = 0; k < 24; k++)
                play(INST_SNARE, at(sec, bar * 4 + k / 8.0), 0.1, 0.0f, 0.42f + 0.012f * k);
    }
    style(0.0f, 0.3f, 0.0f, 0);
    play(INST_RISER, at(sec, 48), beats(sec, 32), 50.0f, 0.35f);
    play(INST_SWELL, at(sec, 76), beats(sec, 4), 0.0f, 0.6f);
}

static void driveDrums(int sec, int bar, float level)
{
    style(0.45f, 0.08f, 0.0f, 1);
    drumBar(sec, bar, "x...x...x...x...", INST_KICK, 0.9f * level);
    style(0.5f, 0.15f, 0.0f, 0);
    drumBar(sec, bar, "....x.......x...", INST_CLAP, 0.6f * level);
    drumBar(sec, bar, "....x.......x...", INST_SNARE, 0.45f * level);
    style(0.5f, 0.04f, 0.0f, 0);
    drumBar(sec, bar, "xoxoxoxoxoxoxoxo", INST_HAT, 0.3f * level, 0.3f);
    drumBar(sec, bar, "..x...x...x...x.", INST_OPENHAT, 0.35f * level, -0.25f);
}

static void driveBass(int sec, int bar, const Chord &c, float bright)
{
    static const int steps[16] = { -1, 0, 0, 12, -1, 0, 0, 12, -1, 0, 0, 12, -1, 0, 7, 12 };
    style(bright, 0.05f, 0.0f, 1);
    for (int k = 0; k < 16; k++)
        if (steps[k] >= 0)
            play(INST_BASS, at(sec, bar * 4 + k * 0.25), beats(sec, 0.22), (float)(c.bass + steps[k]),
                 steps[k] == 0 && (k & 3) == 1 ? 0.6f : 0.5f);
}

static void composeTerrain(void)
{
    const int sec = SEC_TERRAIN;
    const Chord *prog[4] = { &DM, &BB, &F, &C };
    static const int order[8] = { 0, 2, 4, 2, 1, 3, 5, 3 };

    style(0.5f, 0.4f, 0.0f, 0);
    play(INST_CRASH, at(sec, 0), 2.0, 0.0f, 0.8f, -0.2f);
    play(INST_BOOM, at(sec, 0), 1.0, 0.0f, 0.8f);
    for (int bar = 0; bar < 16; bar++) {
        const Chord &c = *prog[bar % 4];
        driveDrums(sec, bar, 1.0f);
        driveBass(sec, bar, c, 0.35f);
        style(0.45f, 0.35f, 0.0f, 1);
        chord(INST_PAD, at(sec, bar * 4), beats(sec, 3.8), c, 0.4f);
        s_delay = 0.25f;
        if (bar >= 2)
            arpBar(sec, bar, c, order, 16, 0.3f, 0.45f, 0.55f, 12);
        if (bar % 4 == 0 && bar > 0) {
            style(0.4f, 0.4f, 0.0f, 0);
            play(INST_CRASH, at(sec, bar * 4), 1.5, 0.0f, 0.5f, 0.3f);
        }
    }
    style(0.55f, 0.35f, 0.3f, 0);
    melody(INST_LEAD, sec, 4 * 4, THEME, (int)(sizeof THEME / sizeof THEME[0]), 0.6f);
    melody(INST_LEAD, sec, 12 * 4, THEME, 19, 0.6f);
    style(0.5f, 0.25f, 0.0f, 0);
    for (int k = 0; k < 4; k++)
        play(INST_TOM, at(sec, 62 + k * 0.5), 0.4, (float)(47 - 3 * k), 0.6f, -0.3f + 0.2f * k);
}

static void composeLattice(void)
{
    const int sec = SEC_LATTICE;
    const Chord *prog[4] = { &GM, &BB, &DM, &A };
    static const int order[8] = { 0, 1, 2, 3, 4, 3, 2, 1 };

    style(0.5f, 0.45f, 0.0f, 0);
    play(INST_CRASH, at(sec, 0), 2.0, 0.0f, 0.75f, 0.2f);
    for (int bar = 0; bar < 16; bar++) {
        const Chord &c = *prog[bar % 4];
        if (bar < 3) {
            /* The camera has not pulled back yet: no kick, hats and clap only. */
            style(0.3f, 0.3f, 0.0f, 0);
            drumBar(sec, bar, "....x.......x...", INST_CLAP, 0.45f);
            drumBar(sec, bar, "x.x.x.x.x.x.x.x.", INST_HAT, 0.3f, 0.3f);
            driveBass(sec, bar, c, 0.1f);
        } else {
            driveDrums(sec, bar, 1.0f);
            driveBass(sec, bar, c, 0.45f);
        }
        style(bar < 3 ? 0.25f : 0.5f, 0.4f, 0.0f, 1);
        chord(INST_PAD, at(sec, bar * 4), beats(sec, 3.8), c, 0.45f);
        s_delay = 0.3f;
        arpBar(sec, bar, c, order, 16, 0.32f, bar < 3 ? 0.25f : 0.6f, bar < 3 ? 0.35f : 0.7f, 12);
        if (bar == 3 || bar == 11) {
            style(0.5f, 0.4f, 0.0f, 0);
            play(INST_CRASH, at(sec, bar * 4), 2.0, 0.0f, 0.7f, -0.2f);
        }
    }
    style(0.6f, 0.35f, 0.3f, 0);
    melody(INST_LEAD, sec, 3 * 4, COUNTER, (int)(sizeof COUNTER / sizeof COUNTER[0]), 0.6f);
    style(0.7f, 0.35f, 0.3f, 0);
    melody(INST_LEAD, sec, 11 * 4, COUNTER, 17, 0.55f, 0, -0.3f);
    melody(INST_LEAD, sec, 11 * 4, COUNTER, 17, 0.4f, -12, 0.3f);
    style(0.5f, 0.25f, 0.0f, 0);
    for (int k = 0; k < 8; k++)
        play(INST_SNARE, at(sec, 62 + k * 0.25), 0.1, 0.0f, 0.4f + 0.05f * k);
}

static void composePlanet(void)
{
    const int sec = SEC_PLANET, bars = 11;
    const Chord *prog[11] = { &DM, &DM, &BB, &BB, &GM, &GM, &A, &A, &DM, &BB, &A };
    static const int scale[5] = { 86, 89, 91, 93, 96 };

    for (int bar = 0; bar < bars; bar++) {
        const Chord &c = *prog[bar];
        double t = at(sec, bar * 4);
        float u = (float)bar / (float)bars;
        int last = bar == bars - 1;
        /* The last bar stops dead where the picture fades out. */
        double hold = last ? PICTURE_OUT - t : beats(sec, 3.9);
        s_release = last ? 0.05f : 0.0f;
        style(0.25f + 0.3f * u, last ? 0.1f : 0.4f, 0.0f, 0);
        chord(INST_STRINGS, t, hold, c, 0.45f + 0.15f * u);
        style(0.2f, 0.1f, 0.0f, 0);
        for (int k = 0; k < 8; k++)
            if (at(sec, bar * 4 + k * 0.5 + 0.4) < PICTURE_OUT)
                play(INST_BASS, at(sec, bar * 4 + k * 0.5), beats(sec, 0.4), (float)c.bass, k == 0 ? 0.65f : 0.5f);
        s_release = 0.0f;
        /* The targeting computer at work until the target is locked. */
        style(0.5f, 0.2f, 0.25f, 0);
        for (int k = 0; k < 16 && bar < 9; k++)
            if (chance() < 0.55f)
                play(INST_BLEEP, at(sec, bar * 4 + k * 0.25), beats(sec, 0.12), (float)scale[(int)(chance() * 5)], 0.5f,
                     chance() * 1.2f - 0.6f);
        style(0.4f, last ? 0.0f : 0.15f, 0.0f, 0);
        if (!last) {
            drumBar(sec, bar, bar < 6 ? "x.........x....." : "x...x...x...x...", INST_KICK, 0.8f);
            drumBar(sec, bar, "........x.......", INST_SNARE, 0.6f);
            drumBar(sec, bar, "x.x.x.x.x.x.x.x.", INST_HAT, 0.3f, 0.3f);
        } else {
            drumBar(sec, bar, "x...x...", INST_KICK, 0.8f);
        }
        if (bar >= 8)
            drumBar(sec, bar, bar == 8 ? "..x...x...x...x." : bar == 9 ? "x.x.x.x.x.x.xxxx" : "xxxxxxx",
                    INST_SNARE, 0.35f + 0.1f * (bar - 8));
    }
    style(0.0f, 0.0f, 0.0f, 0);
    play(INST_RISER, at(sec, 24), PICTURE_OUT - at(sec, 24), 45.0f, 0.5f);
    /* The picture fades: everything holds its breath for a second. */
    play(INST_SWELL, PICTURE_OUT, EXPLOSION - PICTURE_OUT, 0.0f, 0.5f);
}

static void composeClimax(void)
{
    const int sec = SEC_CLIMAX;
    const Chord *prog[2] = { &BB, &C };

    style(1.0f, 0.5f, 0.0f, 0);
    play(INST_BOOM, EXPLOSION, 3.0, 0.0f, 1.0f);
    play(INST_STATIC, EXPLOSION, 2.5, 0.0f, 0.9f);
    play(INST_CRASH, EXPLOSION, 3.0, 0.0f, 1.0f, -0.3f);
    play(INST_CRASH, EXPLOSION + 0.01, 3.0, 0.0f, 0.8f, 0.3f);
    for (int bar = 0; bar < 2; bar++) {
        const Chord &c = *prog[bar];
        double t = at(sec, bar * 4);
        style(0.8f, 0.5f, 0.0f, 1);
        chord(INST_PAD, t, beats(sec, 3.9), c, 0.7f);
        chord(INST_PAD, t, beats(sec, 3.9), c, 0.5f, 12);
        style(0.6f, 0.45f, 0.0f, 0);
        chord(INST_STRINGS, t, beats(sec, 3.9), c, 0.6f);
        driveBass(sec, bar, c, 0.5f);
        style(0.5f, 0.1f, 0.0f, 1);
        drumBar(sec, bar, "x...x...x...x...", INST_KICK, 1.0f);
        style(0.6f, 0.3f, 0.0f, 0);
        drumBar(sec, bar, "....x.......x...", INST_SNARE, 0.7f);
        drumBar(sec, bar, "..x...x...x...x.", INST_OPENHAT, 0.4f, -0.25f);
    }
    style(0.6f, 0.3f, 0.0f, 0);
    for (int k = 0; k < 8; k++)
        play(INST_TOM, at(sec, 6 + k * 0.25), 0.4, (float)(50 - 2 * k), 0.7f, -0.4f + 0.1f * k);
    style(0.75f, 0.45f, 0.35f, 0);
    static const Tone wail[4] = { { 0, 2, 86 }, { 2, 2, 89 }, { 4, 2, 88 }, { 6, 2, 84 } };
    melody(INST_LEAD, sec, 0, wail, 4, 0.7f);
}

static void composeOutro(void)
{
    const int sec = SEC_OUTRO, bars = 20;
    const Chord *prog[8] = { &F, &C_E, &DM7, &BBMAJ7, &F_A, &GM7, &BB, &C };
    const Chord *coda[4] = { &DM7, &BBMAJ7, &GM7, &CSUS };

    style(0.4f, 0.5f, 0.0f, 0);
    play(INST_CRASH, at(sec, 0), 2.5, 0.0f, 0.6f, 0.2f);
    for (int bar = 0; bar < bars; bar++) {
        const Chord &c = bar < 16 ? *prog[bar % 8] : *coda[bar - 16];
        double t = at(sec, bar * 4);
        int drums = bar >= 2;
        style(0.25f, 0.5f, 0.0f, 0);
        chord(INST_PAD, t, beats(sec, 4), c, 0.45f);
        style(0.35f, 0.35f, 0.15f, 0);
        chord(INST_EPIANO, t, beats(sec, 1.5), c, 0.36f);
        chord(INST_EPIANO, at(sec, bar * 4 + 2.5), beats(sec, 1.3), c, 0.28f);
        style(0.15f, 0.05f, 0.0f, 0);
        play(INST_BASS, t, beats(sec, 2.3), (float)c.bass, 0.6f);
        play(INST_BASS, at(sec, bar * 4 + 2.5), beats(sec, 1.3), (float)c.bass, 0.5f);
        if (drums) {
            float level = bar >= 18 ? 0.7f : 1.0f;
            style(0.35f, 0.15f, 0.0f, 0);
            drumBar(sec, bar, "x.....x...x.....", INST_KICK, 0.55f * level);
            drumBar(sec, bar, "....x.......x...", INST_RIM, 0.45f * level, 0.2f);
            drumBar(sec, bar, "o.x.o.x.o.x.o.xo", INST_SHAKER, 0.45f * level, -0.3f);
        }
    }
    style(0.25f, 0.45f, 0.3f, 0);
    melody(INST_LEAD, sec, 4 * 4, SONG, (int)(sizeof SONG / sizeof SONG[0]), 0.55f);
    style(0.35f, 0.5f, 0.35f, 0);
    melody(INST_BELL, sec, 12 * 4, SONG, (int)(sizeof SONG / sizeof SONG[0]), 0.4f, 12);
    style(0.2f, 0.45f, 0.3f, 0);
    melody(INST_LEAD, sec, 16 * 4, SONG, 12, 0.45f);
}

static void composeEnd(void)
{
    const int sec = SEC_END;
    double t0 = at(sec, 0);
    double hold = MUSIC_FADE_END - t0;

    style(0.3f, 0.5f, 0.0f, 0);
    play(INST_CRASH, t0, 2.5, 0.0f, 0.4f, -0.2f);
    style(0.22f, 0.55f, 0.0f, 0);
    chord(INST_PAD, t0, hold, FMAJ9, 0.5f);
    play(INST_SUB, t0, hold, 41.0f, 0.3f);
    style(0.15f, 0.05f, 0.0f, 0);
    play(INST_BASS, t0, 3.0, 41.0f, 0.55f);
    style(0.35f, 0.5f, 0.3f, 0);
    for (int k = 0; k < 4; k++)
        play(INST_EPIANO, at(sec, k * 0.5), 4.0, (float)FMAJ9.tone[k], 0.4f, -0.3f + 0.2f * k);
    style(0.3f, 0.6f, 0.45f, 0);
    melody(INST_BELL, sec, 4, MOTIF, 8, 0.35f);
    play(INST_BELL, at(sec, 13), 3.0, 77.0f, 0.35f);
}

/* ---- Public functions ----------------------------------------------------- */

double scoreBeatLength(double t)
{
    if (s_sections[0].beat == 0.0)
        sectionsInit();
    int sec = 0;
    while (sec + 1 < SEC_COUNT && t >= s_sections[sec + 1].start)
        sec++;
    return s_sections[sec].beat;
}

void scoreCompose(std::vector<MusicNote> *notes)
{
    sectionsInit();
    s_notes = notes;
    s_random = 0x1234567u;
    notes->clear();
    composeTitle();
    composeSepia();
    composeAsteroids();
    composeCredits();
    composeTunnel();
    composeTerrain();
    composeLattice();
    composePlanet();
    composeClimax();
    composeOutro();
    composeEnd();
    s_notes = NULL;
}
