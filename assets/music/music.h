/*
 * music.h - the soundtrack generator's modules: the score (notes in seconds,
 * built from the demo's scene times), the synthesizer that turns notes into a
 * stereo mix, the master stage (loudness normalisation, limiter, end fade) and
 * the BS.1770 loudness meter that the master stage and the tests share.
 * Depends on: the C++ standard library (std::vector for the score).
 */
#ifndef KOLVANE_MUSIC_H
#define KOLVANE_MUSIC_H

#include <stddef.h>
#include <vector>

enum { MUSIC_RATE = 44100 };

/* Length of the rendered piece and of the closing fade, in seconds. */
#define MUSIC_LENGTH 372.0
#define MUSIC_FADE_START 366.7
#define MUSIC_FADE_END 370.7
/* Master targets: integrated loudness and sample-peak ceiling before encoding. */
#define MUSIC_TARGET_LUFS (-16.0)
#define MUSIC_CEILING_DB (-3.5)

enum MusicInstrument {
    INST_PAD,      /* detuned saw stack through a low-pass filter        */
    INST_STRINGS,  /* darker saw stack with tremolo, for the tense parts */
    INST_BASS,     /* saw and sine sub, filter envelope                  */
    INST_SUB,      /* plain sine drone                                   */
    INST_LEAD,     /* triangle-to-saw lead with delayed vibrato          */
    INST_PLUCK,    /* plucked string (Karplus-Strong)                    */
    INST_BELL,     /* two-operator FM bell                               */
    INST_EPIANO,   /* two-operator FM electric piano                     */
    INST_ARP,      /* short filtered saw for arpeggios                   */
    INST_BLEEP,    /* square blip, the targeting computer                */
    INST_KICK,
    INST_SNARE,
    INST_CLAP,
    INST_HAT,
    INST_OPENHAT,
    INST_SHAKER,
    INST_RIM,
    INST_TOM,
    INST_CRASH,
    INST_BOOM,     /* low impact                                         */
    INST_STATIC,   /* burst of radio static                              */
    INST_RISER,    /* noise sweep rising over the note's length          */
    INST_SWELL,    /* reversed cymbal, peaks at the note's end           */
    INST_CRACKLE,  /* record crackle over the note's length              */
    INST_COUNT
};

/* One note of the score. Times in seconds from the start of the piece. */
struct MusicNote {
    double start;
    double length;   /* how long the key is held (release follows)   */
    float pitch;     /* MIDI note number; drums use it as tuning      */
    float velocity;  /* 0..1                                          */
    float pan;       /* -1 left .. +1 right                           */
    float bright;    /* 0..1, filter opening / timbre                 */
    float reverb;    /* send to the reverb                            */
    float delay;     /* send to the echo                              */
    float release;   /* release time in seconds, 0: the instrument's  */
    int instrument;  /* MusicInstrument                               */
    int ducked;      /* 1: the note is ducked by the kick (side-chain);
                        on a kick, 1 means it triggers the ducking     */
};

/* The score: every note of the piece, in no particular order. */
void scoreCompose(std::vector<MusicNote> *notes);
/* Length of one beat in seconds at time t (the echo follows the tempo). */
double scoreBeatLength(double t);

/* Renders the notes that start before `seconds` into left/right buffers of
   seconds * MUSIC_RATE frames (cleared first), effects included. */
void synthRender(const std::vector<MusicNote> &notes, double seconds, float *left, float *right);

/* Composes, renders and masters `seconds` of the piece into the vectors
   (resized). Returns the integrated loudness after mastering, in LUFS. */
double musicRender(double seconds, std::vector<float> *left, std::vector<float> *right);
/* Limits both channels to the ceiling (linear) with a look-ahead limiter. */
void masterLimit(float *left, float *right, size_t frames, float ceiling);

/* Integrated loudness (ITU-R BS.1770, K-weighted, gated) of a stereo signal,
   in LUFS; -70 or lower for silence. */
double meterLoudness(const float *left, const float *right, size_t frames, int rate);
/* Largest absolute sample value of both channels, in dBFS. */
double meterPeakDb(const float *left, const float *right, size_t frames);

#endif
