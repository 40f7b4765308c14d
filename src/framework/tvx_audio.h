/*
 * tvx_audio.h - the framework's audio layer: one MP3 stream played on one
 * channel, with the position of what is being heard in milliseconds.
 *
 * The device comes from SDL2, the decoding from libmpg123 (streamed from the
 * file, sample-accurate seeking). Where no audio device can be opened the
 * layer falls back to SDL's dummy driver and keeps the position on the wall
 * clock, so a demo timed on it runs at the right speed in silence.
 *
 * Every call returns a result code (TVX_AUDIO_OK or an error) that
 * tvx_audioErrorString turns into a message. Calls are made from one thread;
 * the device plays on a thread of its own behind this interface.
 */
#ifndef TVX_AUDIO_H
#define TVX_AUDIO_H

#define TVX_AUDIO_VERSION 0x00010000u

enum {
    TVX_AUDIO_OK = 0,
    TVX_AUDIO_ERR_INVALID_PARAM,    /* a null handle or an out-of-range value */
    TVX_AUDIO_ERR_NOT_INITIALISED,  /* the system was not initialised */
    TVX_AUDIO_ERR_INIT,             /* the audio subsystem could not start */
    TVX_AUDIO_ERR_FILE_NOT_FOUND,   /* the music file cannot be opened */
    TVX_AUDIO_ERR_FILE_BAD,         /* the file holds no decodable MP3 audio */
    TVX_AUDIO_ERR_DEVICE,           /* no device could be opened, not even the dummy one */
    TVX_AUDIO_ERR_SEEK,             /* the decoder could not seek */
    TVX_AUDIO_ERR_MEMORY,           /* out of memory */
    TVX_AUDIO_ERR_NOT_A_FILE        /* the path names a directory, a FIFO or a device */
};

struct TvxAudioSystem;
struct TvxAudioStream;
struct TvxAudioChannel;

/* Creates a system object; nothing is started until tvx_audioInit. */
int tvx_audioCreate(TvxAudioSystem **system);
int tvx_audioGetVersion(TvxAudioSystem *system, unsigned int *version);
/* Starts the audio subsystem and finds a device; maxChannels must be >= 1
 * (one stream plays at a time). Falls back to the dummy driver where no
 * device can be opened. */
int tvx_audioInit(TvxAudioSystem *system, int maxChannels);
/* Closes the device and stops the audio subsystem. The streams opened on the
 * system outlive it: close them afterwards, never while they play. */
int tvx_audioRelease(TvxAudioSystem *system);
/* 1 when the layer plays on the dummy driver (nothing is heard, the position
 * follows the wall clock), 0 on a real device. */
int tvx_audioIsSilent(TvxAudioSystem *system);
/* The name of the SDL audio driver in use, or "" before tvx_audioInit. */
const char *tvx_audioDriverName(TvxAudioSystem *system);

/* Opens an MP3 file as a non-looping stream decoded while it plays. Only a
 * regular file is opened, and never read past the size it had then. */
int tvx_audioOpenStream(TvxAudioSystem *system, const char *path, TvxAudioStream **stream);
/* The length in ms of an MP3 file, without a system or a device. */
int tvx_audioFileLength(const char *path, unsigned int *ms);
int tvx_audioGetLength(TvxAudioStream *stream, unsigned int *ms);
int tvx_audioCloseStream(TvxAudioStream *stream);

/* Plays the stream from its start on the system's channel (a stream already
 * playing is restarted); paused = 1 leaves it paused at 0. */
int tvx_audioPlay(TvxAudioSystem *system, TvxAudioStream *stream, int paused,
                  TvxAudioChannel **channel);
/* The position of what is being heard, in ms; it stands still while paused
 * and stays at the length once the stream has ended. */
int tvx_audioGetPosition(TvxAudioChannel *channel, unsigned int *ms);
/* How long ago, in ms, the end of the stream was heard (the device plays
 * silence on after it); 0 while it has not been. */
int tvx_audioGetTimePastEnd(TvxAudioChannel *channel, unsigned int *ms);
/* Moves playback to ms (0 to the length); a paused channel stays paused. */
int tvx_audioSetPosition(TvxAudioChannel *channel, unsigned int ms);
int tvx_audioGetPaused(TvxAudioChannel *channel, int *paused);
int tvx_audioSetPaused(TvxAudioChannel *channel, int paused);

/* The message for a result code; never null. */
const char *tvx_audioErrorString(int result);

/* The heard position in frames on a real device, from the last buffer the
 * device asked for: that buffer started at stream frame `written`, was asked
 * for `elapsed` seconds ago, and `latency` frames were still queued ahead of
 * it. The estimate advances with the wall clock but never beyond the end of
 * that buffer (`period` frames), and never below `floor` (the last seek or
 * resume, or the last value reported). */
long long tvx_audioHeardFrame(long long written, long long latency, long long period,
                              double elapsed, int rate, long long floor);

/* How the device keeps pace with the wall clock, from the times at which it
 * asks for buffers. Each request gives an offset: its time minus the stream
 * time of the frame it starts at. On a steady device the offset is constant
 * but for jitter, early requests and bursts (tens of ms) and the drift of the
 * device's clock (a few hundred ppm); a device starved of CPU misses its turn,
 * the sound stops for a while and every later offset is that much larger.
 * The pacer follows the median of the latest offsets slowly and skips the
 * stream ahead only when that median steps above it by TVX_AUDIO_STALL.
 * All-zero is the state after a (re)start. */
#define TVX_AUDIO_PACE_WINDOW 5
#define TVX_AUDIO_STALL 0.25 /* s behind the device's own pace that is a stall */
struct TvxAudioPacer {
    int requests;                            /* seen since the (re)start */
    double offsets[TVX_AUDIO_PACE_WINDOW];   /* the latest offsets, s, oldest overwritten */
    double pace;                             /* the fitted offset, s */
};
/* One request at `now` (s, any origin) for the buffer starting at stream
 * frame `frame`, at `rate` frames a second. Returns the frames to skip the
 * stream ahead by before this buffer is filled: 0 but after a stall. */
long long tvx_audioPace(TvxAudioPacer *pacer, double now, long long frame, int rate);

#endif
