/*
 * tvx_audio.cpp - the audio layer: an MP3 stream decoded by libmpg123 inside
 * the SDL2 device callback, and the position of what is being heard.
 *
 * The heard position comes from the device: each time it asks for a buffer we
 * note which stream frame that buffer starts at and when it was asked for; one
 * buffer is still queued ahead of it, so the frame being heard then lies one
 * buffer earlier. Between requests the position moves on with the wall clock,
 * smoothed over the device's jitter; a device that stalls (starved of CPU)
 * makes the stream skip ahead, so that sound and clock keep to the wall clock.
 * On SDL's dummy driver nothing is heard and the driver's pace is only
 * approximate, so there the position runs on the wall clock alone.
 *
 * The decoder reads the music file through the layer's own reader: only a
 * regular file is opened (tvx_openRegular never waits on a FIFO), and never
 * more of it than the size it had when it was opened.
 *
 * Depends on: SDL2 (device, locking, performance counter), libmpg123,
 * tvx_files.cpp (opening the file), and ALSA's error handler where ALSA is
 * installed (looked up at run time).
 */
#include "tvx_audio.h"
#include "tvx.h"    /* tvx_openRegular */

#include <SDL.h>
#include <mpg123.h>

#include <dlfcn.h>  /* dlopen: quietening ALSA while a device is looked for */
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h> /* pread, close */

/* ---- State ----------------------------------------------------------------- */

/* The music file as the decoder reads it: a descriptor, the size it had when
 * opened, and the decoder's read position. */
struct MusicFile {
    int fd;
    long long size;
    long long pos;
};

struct TvxAudioStream {
    mpg123_handle *decoder;
    MusicFile file;
    long rate;
    int channels;
    long long length;          /* frames */
};

struct TvxAudioChannel {
    TvxAudioSystem *system;
    TvxAudioStream *stream;
    SDL_AudioDeviceID device;
    long long period;          /* frames in one device buffer */

    /* Shared with the device thread, guarded by the device lock. */
    int paused;
    int ended;                 /* the decoder has delivered its last frame */
    long long nextFrame;       /* stream frame of the next buffer; runs on past the end in silence */
    long long bufferFrame;     /* stream frame at which the last requested buffer starts */
    Uint64 bufferTime;         /* performance counter when it was requested */
    int buffers;               /* buffers requested since the last seek or resume */
    TvxAudioPacer pacer;       /* the device's pace since then */

    /* Main thread only. */
    double smooth;             /* the device position, smoothed: frame ... */
    Uint64 smoothTime;         /* ... at this performance counter */
    int smoothValid;
    long long floor;           /* the reported position never goes below this */
    long long pausedAt;        /* the position held while paused */
    long long wallFrame;       /* wall-clock anchor of the dummy driver: frame ... */
    Uint64 wallTime;           /* ... and when it was set */
};

struct TvxAudioSystem {
    int initialised;
    int silent;
    int playing;               /* the channel below is in use */
    TvxAudioChannel channel;
};

static const long long DEVICE_BUFFER = 4096;  /* frames per device buffer, ~93 ms at 44.1 kHz */
static const double SMOOTHING = 0.5;          /* s over which the clock absorbs the device's jitter */
static const double JUMP = 0.1;               /* s of disagreement that the clock follows at once */
static const int SETTLED = 3;                 /* buffers after a (re)start before the pace is taken */
static const double PACE_FOLLOW = 1.0 / 32.0; /* share of the median's distance followed per request */

/* ---- Internal helpers ------------------------------------------------------ */

static mpg123_ssize_t readMusic(void *handle, void *buffer, size_t bytes)
{
    MusicFile *f = (MusicFile *)handle;
    long long left = f->size - f->pos;
    if (left <= 0)
        return 0;
    if ((long long)bytes > left)
        bytes = (size_t)left;
    ssize_t n;
    do
        n = pread(f->fd, buffer, bytes, (off_t)f->pos);
    while (n < 0 && errno == EINTR);
    if (n > 0)
        f->pos += n;
    return n;
}

static off_t seekMusic(void *handle, off_t offset, int whence)
{
    MusicFile *f = (MusicFile *)handle;
    long long base = whence == SEEK_SET ? 0 : whence == SEEK_CUR ? f->pos : f->size;
    if (base + offset < 0) {
        errno = EINVAL;
        return -1;
    }
    f->pos = base + offset;
    return (off_t)f->pos;
}

/* Opens the music file and a decoder on it, reading its format and length.
 * TVX_AUDIO_OK with the stream's fields filled, else an error code (the
 * stream then holds nothing open). */
static int openDecoder(const char *path, TvxAudioStream *s)
{
    size_t size = 0;
    const char *why = nullptr;
    int fd = tvx_openRegular(path, &size, &why);
    if (fd < 0)
        return errno == EINVAL ? TVX_AUDIO_ERR_NOT_A_FILE : TVX_AUDIO_ERR_FILE_NOT_FOUND;
    s->file.fd = fd;
    s->file.size = (long long)size;
    s->file.pos = 0;

    int err = MPG123_OK;
    mpg123_handle *dec = mpg123_new(nullptr, &err);
    if (dec == nullptr) {
        close(fd);
        return TVX_AUDIO_ERR_MEMORY;
    }
    long rate = 0;
    int channels = 0;
    int encoding = 0;
    mpg123_param(dec, MPG123_ADD_FLAGS, MPG123_QUIET, 0.0);
    int ok = mpg123_replace_reader_handle(dec, readMusic, seekMusic, nullptr) == MPG123_OK
          && mpg123_open_handle(dec, &s->file) == MPG123_OK
          && mpg123_getformat(dec, &rate, &channels, &encoding) == MPG123_OK
          && rate > 0 && (channels == 1 || channels == 2)
          && mpg123_format_none(dec) == MPG123_OK
          && mpg123_format(dec, rate, channels, MPG123_ENC_SIGNED_16) == MPG123_OK
          && mpg123_scan(dec) == MPG123_OK;
    off_t length = ok ? mpg123_length(dec) : 0;
    if (!ok || length <= 0) {
        mpg123_delete(dec);
        close(fd);
        return TVX_AUDIO_ERR_FILE_BAD;
    }
    s->decoder = dec;
    s->rate = rate;
    s->channels = channels;
    s->length = length;
    return TVX_AUDIO_OK;
}

typedef void (*AlsaErrorHandler)(const char *file, int line, const char *function, int err,
                                 const char *fmt, ...);
typedef int (*AlsaSetErrorHandler)(AlsaErrorHandler handler);

static void ignoreAlsa(const char *, int, const char *, int, const char *, ...) {}

/* Where there is no sound card, ALSA reports it on stderr in eight lines while
 * SDL looks for a device; the layer's caller says it in one. quiet = 0 gives
 * ALSA its own reporting back. The library stays loaded, so SDL uses the same
 * instance. */
static void quietAlsa(int quiet)
{
    static void *alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (alsa == nullptr)
        return;
    AlsaSetErrorHandler set = (AlsaSetErrorHandler)dlsym(alsa, "snd_lib_error_set_handler");
    if (set != nullptr)
        set(quiet ? ignoreAlsa : nullptr);
}

static int openProbe(void)
{
    SDL_AudioSpec want;
    SDL_AudioSpec have;
    SDL_zero(want);
    want.freq = 44100;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = (Uint16)DEVICE_BUFFER;
    SDL_AudioDeviceID dev = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (dev == 0)
        return 0;
    SDL_CloseAudioDevice(dev);
    return 1;
}

static int startDummyDriver(void)
{
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, "dummy", SDL_HINT_OVERRIDE);
    return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
}

static double secondsSince(Uint64 then)
{
    Uint64 now = SDL_GetPerformanceCounter();
    if (now <= then)
        return 0.0;
    return (double)(now - then) / (double)SDL_GetPerformanceFrequency();
}

/* A device starved of CPU time misses its turn and the sound stops for a
 * moment, so what is heard falls behind the wall clock for good; the stream
 * then skips ahead by as much (tvx_audioPace), so that sound and clock keep
 * to the wall clock. Runs on the device thread with the device lock held. */
static void keepPace(TvxAudioChannel *ch, Uint64 now)
{
    if (ch->ended)
        return;
    double seconds = (double)now / (double)SDL_GetPerformanceFrequency();
    long long skip = tvx_audioPace(&ch->pacer, seconds, ch->nextFrame, (int)ch->stream->rate);
    if (skip <= 0)
        return;
    long long to = ch->nextFrame + skip;
    if (to >= ch->stream->length)
        ch->ended = 1;
    else if (mpg123_seek(ch->stream->decoder, (off_t)to, SEEK_SET) < 0)
        return;
    ch->nextFrame = to;
}

static double median(const double *values, int count)
{
    double sorted[TVX_AUDIO_PACE_WINDOW];
    for (int i = 0; i < count; i++) {
        int j = i;
        for (; j > 0 && sorted[j - 1] > values[i]; j--)
            sorted[j] = sorted[j - 1];
        sorted[j] = values[i];
    }
    return sorted[count / 2];
}

/* Runs on the device thread with the device lock held. */
static void fillBuffer(void *user, Uint8 *out, int len)
{
    TvxAudioChannel *ch = (TvxAudioChannel *)user;
    if (ch->paused) {
        memset(out, 0, (size_t)len);
        return;
    }
    long long frames = len / (2 * ch->stream->channels);
    Uint64 now = SDL_GetPerformanceCounter();
    keepPace(ch, now);
    ch->bufferFrame = ch->nextFrame;
    ch->bufferTime = now;
    ch->buffers++;

    size_t done = 0;
    while (!ch->ended && done < (size_t)len) {
        size_t got = 0;
        int r = mpg123_read(ch->stream->decoder, out + done, (size_t)len - done, &got);
        done += got;
        if (r == MPG123_DONE || (r != MPG123_OK && r != MPG123_NEW_FORMAT && got == 0))
            ch->ended = 1;
    }
    memset(out + done, 0, (size_t)len - done);
    ch->nextFrame += frames;
}

/* Rounded up, so that a position set in ms reads back as the same ms. */
static long long msToFrame(const TvxAudioStream *s, unsigned int ms)
{
    return ((long long)ms * s->rate + 999) / 1000;
}

static unsigned int frameToMs(const TvxAudioStream *s, long long frame)
{
    return (unsigned int)(frame * 1000 / s->rate);
}

/* The device asks for buffers at the pace of its own timer, a few ms early or
 * late; the clock runs on the wall clock and is pulled towards the device's
 * position over SMOOTHING seconds, so that the picture does not jitter and the
 * clock cannot drift from the sound. A large disagreement (the device stalled,
 * the sound dropped out) is followed at once. */
static long long smoothFrame(TvxAudioChannel *ch, long long raw)
{
    Uint64 now = SDL_GetPerformanceCounter();
    if (!ch->smoothValid) {
        ch->smooth = (double)raw;
        ch->smoothTime = now;
        ch->smoothValid = 1;
        return raw;
    }
    double dt = (double)(now - ch->smoothTime) / (double)SDL_GetPerformanceFrequency();
    double predicted = ch->smooth + dt * ch->stream->rate;
    double error = raw - predicted;
    if (error > JUMP * ch->stream->rate || error < -JUMP * ch->stream->rate)
        predicted = (double)raw;
    else
        predicted += error * (dt < SMOOTHING ? dt / SMOOTHING : 1.0);
    ch->smooth = predicted;
    ch->smoothTime = now;
    return (long long)predicted;
}

/* The frame being heard now; past the stream's end it runs on in silence. */
static long long playedFrame(TvxAudioChannel *ch)
{
    if (ch->paused)
        return ch->pausedAt;
    long long f;
    if (ch->system->silent) {
        f = ch->wallFrame + (long long)(secondsSince(ch->wallTime) * ch->stream->rate);
    } else {
        SDL_LockAudioDevice(ch->device);
        long long written = ch->bufferFrame;
        Uint64 when = ch->bufferTime;
        int buffers = ch->buffers;
        SDL_UnlockAudioDevice(ch->device);
        double elapsed = secondsSince(when);
        long long raw = buffers > 0 ? tvx_audioHeardFrame(written, ch->period, ch->period, elapsed,
                                                          (int)ch->stream->rate, 0)
                                    : ch->floor;
        /* Once buffers flow the clock is smoothed; until then (starting,
         * after a seek or a resume) it holds with the device. */
        f = buffers > 1 ? smoothFrame(ch, raw) : raw;
    }
    if (f < ch->floor)
        f = ch->floor;
    ch->floor = f;
    return f;
}

/* The frame being heard now, clamped to the stream's length. */
static long long heardFrame(TvxAudioChannel *ch)
{
    long long f = playedFrame(ch);
    return f < ch->stream->length ? f : ch->stream->length;
}

/* Moves the decoder to frame and restarts the clock there; the caller decides
 * whether the channel is paused afterwards. */
static int restartAt(TvxAudioChannel *ch, long long frame)
{
    SDL_LockAudioDevice(ch->device);
    off_t r = mpg123_seek(ch->stream->decoder, (off_t)frame, SEEK_SET);
    if (r >= 0) {
        ch->nextFrame = frame;
        ch->ended = frame >= ch->stream->length;
        ch->buffers = 0;
        memset(&ch->pacer, 0, sizeof(ch->pacer));
    }
    SDL_UnlockAudioDevice(ch->device);
    if (r < 0)
        return TVX_AUDIO_ERR_SEEK;
    ch->smoothValid = 0;
    ch->floor = frame;
    ch->wallFrame = frame;
    ch->wallTime = SDL_GetPerformanceCounter();
    return TVX_AUDIO_OK;
}

/* ---- Public functions ------------------------------------------------------ */

long long tvx_audioHeardFrame(long long written, long long latency, long long period,
                              double elapsed, int rate, long long floor)
{
    long long moved = (long long)(elapsed * rate);
    if (moved > period)
        moved = period;
    long long f = written - latency + moved;
    return f > floor ? f : floor;
}

/* The first SETTLED requests after a (re)start come as fast as the device
 * fills its queue and tell nothing of its pace; the next window of requests
 * gives the first fit. A single request (early, late, one of a burst) moves
 * the median little, and the fit follows it by PACE_FOLLOW a request, so that
 * the device clock's drift and the server's slow changes of latency are
 * followed without a skip; only a step of TVX_AUDIO_STALL that lasts for
 * most of the window is one. */
long long tvx_audioPace(TvxAudioPacer *pacer, double now, long long frame, int rate)
{
    int n = pacer->requests++;
    if (n < SETTLED || rate <= 0)
        return 0;
    n -= SETTLED;
    pacer->offsets[n % TVX_AUDIO_PACE_WINDOW] = now - (double)frame / rate;
    if (n + 1 < TVX_AUDIO_PACE_WINDOW)
        return 0;
    double m = median(pacer->offsets, TVX_AUDIO_PACE_WINDOW);
    if (n + 1 == TVX_AUDIO_PACE_WINDOW) {
        pacer->pace = m;
        return 0;
    }
    if (m - pacer->pace < TVX_AUDIO_STALL) {
        pacer->pace += (m - pacer->pace) * PACE_FOLLOW;
        return 0;
    }
    /* The median of the window is its least late request once a stall has
     * filled most of it; the skip is the median of the late requests alone. */
    double late[TVX_AUDIO_PACE_WINDOW];
    int count = 0;
    for (int i = 0; i < TVX_AUDIO_PACE_WINDOW; i++)
        if (pacer->offsets[i] - pacer->pace >= TVX_AUDIO_STALL / 2.0)
            late[count++] = pacer->offsets[i] - pacer->pace;
    long long skip = (long long)(median(late, count) * rate + 0.5);
    double skipped = (double)skip / rate;
    for (int i = 0; i < TVX_AUDIO_PACE_WINDOW; i++)
        pacer->offsets[i] -= skipped;
    return skip;
}

int tvx_audioCreate(TvxAudioSystem **system)
{
    if (system == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    *system = (TvxAudioSystem *)calloc(1, sizeof(TvxAudioSystem));
    return *system ? TVX_AUDIO_OK : TVX_AUDIO_ERR_MEMORY;
}

int tvx_audioInit(TvxAudioSystem *system, int maxChannels)
{
    if (system == nullptr || maxChannels < 1)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (system->initialised)
        return TVX_AUDIO_OK;
    /* The demo has its own key handling; SDL must not take SIGINT/SIGTERM. */
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    quietAlsa(1);
    int ok = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0 && openProbe();
    quietAlsa(0);
    if (!ok && !(startDummyDriver() && openProbe()))
        return SDL_WasInit(SDL_INIT_AUDIO) ? TVX_AUDIO_ERR_DEVICE : TVX_AUDIO_ERR_INIT;
    const char *driver = SDL_GetCurrentAudioDriver();
    system->silent = driver == nullptr || strcmp(driver, "dummy") == 0;
    system->initialised = 1;
    return TVX_AUDIO_OK;
}

int tvx_audioRelease(TvxAudioSystem *system)
{
    if (system == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (system->playing)
        SDL_CloseAudioDevice(system->channel.device);
    if (system->initialised)
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    free(system);
    return TVX_AUDIO_OK;
}

int tvx_audioIsSilent(TvxAudioSystem *system)
{
    return system != nullptr && system->silent;
}

const char *tvx_audioDriverName(TvxAudioSystem *system)
{
    const char *driver = system && system->initialised ? SDL_GetCurrentAudioDriver() : nullptr;
    return driver ? driver : "";
}

int tvx_audioOpenStream(TvxAudioSystem *system, const char *path, TvxAudioStream **stream)
{
    if (system == nullptr || path == nullptr || stream == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (!system->initialised)
        return TVX_AUDIO_ERR_NOT_INITIALISED;
    TvxAudioStream *s = (TvxAudioStream *)calloc(1, sizeof(TvxAudioStream));
    if (s == nullptr)
        return TVX_AUDIO_ERR_MEMORY;
    int r = openDecoder(path, s);
    if (r != TVX_AUDIO_OK) {
        free(s);
        return r;
    }
    *stream = s;
    return TVX_AUDIO_OK;
}

int tvx_audioCloseStream(TvxAudioStream *stream)
{
    if (stream == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    mpg123_delete(stream->decoder);
    close(stream->file.fd);
    free(stream);
    return TVX_AUDIO_OK;
}

int tvx_audioFileLength(const char *path, unsigned int *ms)
{
    if (path == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    TvxAudioStream s;
    memset(&s, 0, sizeof s);
    int r = openDecoder(path, &s);
    if (r != TVX_AUDIO_OK)
        return r;
    *ms = frameToMs(&s, s.length);
    mpg123_delete(s.decoder);
    close(s.file.fd);
    return TVX_AUDIO_OK;
}

int tvx_audioGetLength(TvxAudioStream *stream, unsigned int *ms)
{
    if (stream == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    *ms = frameToMs(stream, stream->length);
    return TVX_AUDIO_OK;
}

int tvx_audioPlay(TvxAudioSystem *system, TvxAudioStream *stream, int paused,
                  TvxAudioChannel **channel)
{
    if (system == nullptr || stream == nullptr || channel == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (!system->initialised)
        return TVX_AUDIO_ERR_NOT_INITIALISED;
    TvxAudioChannel *ch = &system->channel;
    if (system->playing) {
        SDL_CloseAudioDevice(ch->device);
        system->playing = 0;
    }
    if (mpg123_seek(stream->decoder, 0, SEEK_SET) < 0)
        return TVX_AUDIO_ERR_SEEK;
    memset(ch, 0, sizeof(*ch));
    ch->system = system;
    ch->stream = stream;
    ch->paused = paused ? 1 : 0;

    SDL_AudioSpec want;
    SDL_AudioSpec have;
    SDL_zero(want);
    want.freq = (int)stream->rate;
    want.format = AUDIO_S16SYS;
    want.channels = (Uint8)stream->channels;
    want.samples = (Uint16)DEVICE_BUFFER;
    want.callback = fillBuffer;
    want.userdata = ch;
    ch->device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (ch->device == 0)
        return TVX_AUDIO_ERR_DEVICE;
    ch->period = have.samples;
    ch->wallTime = SDL_GetPerformanceCounter();
    system->playing = 1;
    SDL_PauseAudioDevice(ch->device, 0);
    *channel = ch;
    return TVX_AUDIO_OK;
}

int tvx_audioGetPosition(TvxAudioChannel *channel, unsigned int *ms)
{
    if (channel == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    *ms = frameToMs(channel->stream, heardFrame(channel));
    return TVX_AUDIO_OK;
}

int tvx_audioGetTimePastEnd(TvxAudioChannel *channel, unsigned int *ms)
{
    if (channel == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    long long past = playedFrame(channel) - channel->stream->length;
    *ms = past > 0 ? frameToMs(channel->stream, past) : 0;
    return TVX_AUDIO_OK;
}

int tvx_audioSetPosition(TvxAudioChannel *channel, unsigned int ms)
{
    if (channel == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    long long frame = msToFrame(channel->stream, ms);
    if (frame > channel->stream->length)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    int r = restartAt(channel, frame);
    if (r == TVX_AUDIO_OK && channel->paused)
        channel->pausedAt = frame;
    return r;
}

int tvx_audioGetPaused(TvxAudioChannel *channel, int *paused)
{
    if (channel == nullptr || paused == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    *paused = channel->paused;
    return TVX_AUDIO_OK;
}

int tvx_audioSetPaused(TvxAudioChannel *channel, int paused)
{
    if (channel == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    paused = paused ? 1 : 0;
    if (paused == channel->paused)
        return TVX_AUDIO_OK;
    if (paused) {
        long long at = heardFrame(channel);
        SDL_LockAudioDevice(channel->device);
        channel->paused = 1;
        SDL_UnlockAudioDevice(channel->device);
        channel->pausedAt = at;
        return TVX_AUDIO_OK;
    }
    /* Playback resumes with the frame at which it was paused, not with what
     * the decoder had already handed to the device. */
    int r = restartAt(channel, channel->pausedAt);
    if (r != TVX_AUDIO_OK)
        return r;
    SDL_LockAudioDevice(channel->device);
    channel->paused = 0;
    SDL_UnlockAudioDevice(channel->device);
    return TVX_AUDIO_OK;
}
