/*
 * tvx_clock.cpp - the demo clock, the music, pause and seeking, the table of
 * scene durations and the key handlers.
 *
 * The clock has one of three sources (tvx_clockSource): with music on it is
 * the heard position of the music stream; with music off (-m) it is the mute
 * clock, which the 25 ms timer of tvx_core.cpp advances one timer period per
 * tick; in a frame-exact run (capture, benchmark) it is the frame clock,
 * which moves on by exactly 1000/fps ms per drawn frame whatever the music
 * flag says. The mute clock and the frame clock start and pause alike
 * (SOUND_MUTE_START, SOUND_MUTE_PAUSE); seeks set them directly.
 * tvx_getTime is the one place the demo reads its time from; with music on
 * it reads the music's position less the audio offset (--audio-offset), so
 * the picture can wait for a sound device's latency, and tvx_skipTo puts the
 * music that far past the picture's time. The arrows move the music itself.
 * The viewer's keys (tvx_viewer.cpp) are tried before the specified ones.
 *
 * Music shorter than the demo: once the music has ended (or a seek goes past
 * its end) the music clock goes on from the music's end on the wall clock, at
 * real speed, held while paused, so every scene still plays and the demo ends
 * by itself; a seek back into the music gives the clock back to the music.
 * A "[/] " line says so the first time.
 *
 * Depends on: the audio layer (tvx_audio.h), freeglut (cursor, game mode),
 * POSIX clock_gettime (the clock past the music's end).
 */
#include "tvx.h"
#include "tvx_audio.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>

/* ---- State ----------------------------------------------------------------- */

unsigned int SONGLENGTH = 0;
int SOUND_PAUSED = 0;
int SOUND_MUTE_START = 0;
int SOUND_MUTE_PAUSE = 0;
int SOUND_MUTE_TIMER = 0;
float SCENE_TIME[100];
int DEMO_LENGTH = 0;

static TvxAudioSystem *system0 = nullptr;
static TvxAudioStream *sound0 = nullptr;
static TvxAudioChannel *channel0 = nullptr;
static unsigned int version0 = 0;

/* The frame clock: 0 fps when the demo runs live. It reads frameBase plus
 * frameCount steps of 1000/fps ms (whole ms, rounded down from the base, so
 * steps of a fractional length do not drift); a seek sets the base. */
static int frameFps = 0;
static int frameBase = 0;
static long long frameCount = 0;

static int audioOffset = 0;   /* ms the picture runs behind the music (--audio-offset) */

/* Past the music's end: the music clock reads pastEndBase ms plus the wall
 * time since pastEndStart (s, monotonic), and holds pastEndBase while paused. */
static int pastEnd = 0;
static int pastEndBase = 0;
static double pastEndStart = 0.0;
static int pastEndSaid = 0;           /* the "[/] " line has been printed */
static char musicPath[256] = "";      /* the music file, for that line */

static const int TIMER_PERIOD_MS = 25;   /* the live run's frame period */
static const int SCENE_SLOTS = sizeof(SCENE_TIME) / sizeof(SCENE_TIME[0]);
static const int SEEK_STEP = 1000;   /* ms moved by one arrow key */

/* ---- Internal helpers ------------------------------------------------------ */

static void setPointer(int paused)
{
    glutSetCursor(paused ? GLUT_CURSOR_CROSSHAIR : GLUT_CURSOR_NONE);
}

static double wallSeconds(void)
{
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (double)ts.tv_sec + (double)ts.tv_nsec * 1e-9;
}

static int pastEndTime(void)
{
    if (SOUND_PAUSED)
        return pastEndBase;
    return pastEndBase + (int)((wallSeconds() - pastEndStart) * 1000.0);
}

/* The clock leaves the music at ms (music time, at or past its end). */
static void goPastEnd(int ms)
{
    if (!pastEndSaid && (long long)SONGLENGTH - audioOffset < DEMO_LENGTH) {
        printf("[/] The music %s ends at %.3f s, before the demo's end at %.3f s: "
               "the clock goes on without it\n",
               musicPath, SONGLENGTH / 1000.0, DEMO_LENGTH / 1000.0);
        pastEndSaid = 1;
    }
    pastEnd = 1;
    pastEndBase = ms;
    pastEndStart = wallSeconds();
}

/* Moves the music clock to ms of music time: into the music, or past its
 * end (the channel then stands at the end, silent). */
static void seekMusic(long long ms)
{
    if (ms < (long long)SONGLENGTH) {
        pastEnd = 0;
        tvx_audioSetPosition(channel0, (unsigned int)ms);
        return;
    }
    tvx_audioSetPosition(channel0, SONGLENGTH);
    goPastEnd(ms > 0x7FFFFFFF ? 0x7FFFFFFF : (int)ms);
}

static int frameTime(void)
{
    return frameBase + (int)(frameCount * 1000 / frameFps);
}

/* Moves the mute clock or the frame clock to ms. */
static void setSilentTime(int ms)
{
    if (tvx_clockSource() == TVX_CLOCK_FRAMES) {
        frameBase = ms;
        frameCount = 0;
    } else {
        SOUND_MUTE_TIMER = ms;
    }
}

/* The clock's own reading: with music on, the position of the music, before
 * the picture's offset. */
static int clockTime(void)
{
    switch (tvx_clockSource()) {
    case TVX_CLOCK_FRAMES:
        return frameTime();
    case TVX_CLOCK_MUTE_TIMER:
        return SOUND_MUTE_TIMER;
    case TVX_CLOCK_MUSIC:
        break;
    }
    if (pastEnd)
        return pastEndTime();
    unsigned int ms = 0;
    tvx_audioGetPosition(channel0, &ms);
    /* The music has ended while the demo has more to show: the clock goes
     * on from where the music's end has got to by now. */
    if (channel0 != nullptr && SONGLENGTH > 0 && ms >= SONGLENGTH
        && (long long)SONGLENGTH - audioOffset < DEMO_LENGTH) {
        unsigned int past = 0;
        tvx_audioGetTimePastEnd(channel0, &past);
        goPastEnd((int)SONGLENGTH + (int)past);
        return pastEndTime();
    }
    return (int)ms;
}

/* ---- Public functions ------------------------------------------------------ */

enum tvx_clockSource tvx_clockSource(void)
{
    if (frameFps > 0)
        return TVX_CLOCK_FRAMES;
    return SOUND_ON ? TVX_CLOCK_MUSIC : TVX_CLOCK_MUTE_TIMER;
}

void tvx_setFrameClock(int fps)
{
    frameFps = fps > 0 ? fps : 0;
    frameBase = 0;
    frameCount = 0;
}

void tvx_stepFrameClock(void)
{
    if (tvx_clockSource() == TVX_CLOCK_FRAMES && SOUND_MUTE_START != 0 && SOUND_MUTE_PAUSE == 0)
        frameCount++;
}

float tvx_framePeriods(void)
{
    if (tvx_clockSource() != TVX_CLOCK_FRAMES)
        return 1.0f;
    return (float)(1000.0 / frameFps / TIMER_PERIOD_MS);
}

int tvx_clockPaused(void)
{
    return tvx_clockSource() == TVX_CLOCK_MUSIC ? SOUND_PAUSED : SOUND_MUTE_PAUSE;
}

void tvx_fmod_errcheck(int result)
{
    if (result != TVX_AUDIO_OK) {
        printf("[!] FMOD error! (%d) %s\n", result, tvx_audioErrorString(result));
        exit(-1);
    }
}

/* The check of the call that opens the music file: its line names the file. */
static void fileErrcheck(int result, const char *path)
{
    if (result != TVX_AUDIO_OK) {
        printf("[!] FMOD error! (%d) %s: %s\n", result, path, tvx_audioErrorString(result));
        exit(-1);
    }
}

void tvx_loadMusic(const char *path)
{
    if (tvx_clockSource() != TVX_CLOCK_MUSIC)
        return;
    tvx_fmod_errcheck(tvx_audioCreate(&system0));
    tvx_fmod_errcheck(tvx_audioGetVersion(system0, &version0));
    tvx_fmod_errcheck(tvx_audioInit(system0, 1));
    if (tvx_audioIsSilent(system0))
        printf("[/] No audio device (driver %s); the music plays silently.\n",
               tvx_audioDriverName(system0));
    fileErrcheck(tvx_audioOpenStream(system0, path, &sound0), path);
    snprintf(musicPath, sizeof musicPath, "%s", path);
}

void tvx_startMusic(void)
{
    if (tvx_clockSource() != TVX_CLOCK_MUSIC) {
        SOUND_MUTE_START++;
        return;
    }
    if (system0 == nullptr) {
        printf("[/] No soundfile loaded.\n");
        return;
    }
    tvx_audioGetLength(sound0, &SONGLENGTH);
    tvx_fmod_errcheck(tvx_audioPlay(system0, sound0, 0, &channel0));
}

int tvx_getTime(void)
{
    int time = clockTime();
    if (tvx_clockSource() != TVX_CLOCK_MUSIC)
        return time;
    return time - audioOffset > 0 ? time - audioOffset : 0;
}

void tvx_setAudioOffset(int ms)
{
    audioOffset = ms;
}

void tvx_skipTo(int ms)
{
    if (tvx_clockSource() != TVX_CLOCK_MUSIC) {
        setSilentTime(ms);
        return;
    }
    /* The picture shows ms when the music plays the offset further on. */
    long long at = (long long)ms + audioOffset;
    if (at < 0)
        at = 0;
    if (SONGLENGTH != 0 && ms >= 0)
        seekMusic(at);
}

void tvx_setDemoLength(float seconds)
{
    static int sceneid = 0;
    if (sceneid >= SCENE_SLOTS) {
        printf("[!] Too many scenes: the demo holds at most %d.\n", SCENE_SLOTS);
        exit(-1);
    }
    SCENE_TIME[sceneid] = seconds;
    DEMO_LENGTH = 0;
    for (int i = 0; i <= sceneid; i++)
        DEMO_LENGTH = (int)((float)DEMO_LENGTH + SCENE_TIME[i] * 1000.0f);
    printf("DEV: DEMO_LENGTH = %d SCENE_TIME[%d] = %f\n", DEMO_LENGTH, sceneid, (double)seconds);
    sceneid++;
}

void tvx_handleKeypress(unsigned char key, int x, int y)
{
    (void)x;
    (void)y;
    if (tvx_viewerKey(key))
        return;
    if (key == 27) {
        glutLeaveGameMode();
        exit(0);
    }
    if (key != 32)
        return;
    if (tvx_clockSource() == TVX_CLOCK_MUSIC) {
        int paused = 0;
        /* Before the music starts there is no channel to pause. */
        if (tvx_audioGetPaused(channel0, &paused) != TVX_AUDIO_OK)
            return;
        /* Past the music's end the wall clock's reading so far is kept, and
         * it counts on from the moment the pause ends. */
        pastEndBase = pastEnd ? pastEndTime() : pastEndBase;
        pastEndStart = wallSeconds();
        tvx_audioSetPaused(channel0, !paused);
        SOUND_PAUSED = !paused;
        setPointer(SOUND_PAUSED);
    } else {
        SOUND_MUTE_PAUSE = !SOUND_MUTE_PAUSE;
        setPointer(SOUND_MUTE_PAUSE);
    }
}

void tvx_handleSpecialKeys(int key, int x, int y)
{
    (void)x;
    (void)y;
    if (tvx_viewerSpecialKey(key))
        return;
    int time = clockTime();
    int music = tvx_clockSource() == TVX_CLOCK_MUSIC;
    /* Before the music starts there is no channel to move. */
    if (music && channel0 == nullptr)
        return;
    if (key == GLUT_KEY_LEFT) {
        if (music)
            seekMusic(time - SEEK_STEP > 0 ? time - SEEK_STEP : 0);
        else
            setSilentTime(time - SEEK_STEP > 0 ? time - SEEK_STEP : 0);
    } else if (key == GLUT_KEY_RIGHT) {
        if (!music)
            setSilentTime(time + SEEK_STEP);
        else if (time + SEEK_STEP < DEMO_LENGTH)
            seekMusic(time + SEEK_STEP);
    }
}
