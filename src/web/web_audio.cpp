/*
 * web_audio.cpp - the framework's audio layer (tvx_audio.h) on WebAudio, for
 * the web build: the browser decodes the MP3 into a buffer, and one buffer
 * source plays it on the page's AudioContext (made by the page at the click
 * that starts the demo, as browsers require; made here otherwise).
 *
 * The position of what is heard is the context's clock since the source
 * started, less the output latency the browser reports, from the position
 * it started at; pausing stops the source and keeps the position, resuming
 * and seeking start a new source there. Decoding runs while the demo loads;
 * until it is done the stream reads as 0 ms long and the channel stands at
 * its start (the page decodes the music before the demo starts, so that
 * the start-scene seek knows the music's length).
 *
 * Depends on: emscripten (EM_JS: WebAudio in the page), the framework's
 * file reading (tvx_files.cpp), libc.
 */
#include "tvx_audio.h"

#include <emscripten.h>

#include <errno.h>
#include <stdlib.h>

#include "tvx.h"   /* tvx_readFile: regular files only, read to a bound */

/* ---- State ---------------------------------------------------------------------- */

struct TvxAudioStream {
    int id;                    /* the page's decoded buffer */
};

struct TvxAudioChannel {
    TvxAudioStream *stream;
    int paused;
    double startPosition;      /* s into the music where the source started */
    int pending;               /* to start once decoding is done */
};

struct TvxAudioSystem {
    int initialised;
    int silent;                /* never: the browser always has an output */
    TvxAudioChannel channel;
};

/* The largest music file the page takes into memory to decode. */
static const size_t MUSIC_LIMIT = (size_t)512 << 20;

/* ---- Internal helpers ------------------------------------------------------------- */

/* The page's side: Module.kolvaneAudio (the context) and the decoded buffers. */
EM_JS(int, webAudioInit, (void), {
    var Context = window.AudioContext || window.webkitAudioContext;
    if (!Context)
        return 0;
    if (!Module.kolvaneAudio)
        Module.kolvaneAudio = new Context();
    Module.kolvaneMusic = Module.kolvaneMusic || {buffers: [], source: null, started: 0, at: 0, silent: false};
    return 1;
});

EM_JS(int, webAudioDecode, (const unsigned char *bytes, int size), {
    var m = Module.kolvaneMusic;
    var id = m.buffers.length;
    var early = Module.kolvaneDecoded;
    if (early && early.size === size) {
        /* the page decoded the file while the demo was waiting for its click */
        m.buffers.push({buffer: early.buffer, failed: early.failed});
        return id;
    }
    m.buffers.push({buffer: null, failed: false});
    var copy = HEAPU8.slice(bytes, bytes + size).buffer;
    Module.kolvaneAudio.decodeAudioData(copy, function(buffer) { m.buffers[id].buffer = buffer; },
                                        function() { m.buffers[id].failed = true; });
    return id;
});

/* 1 decoded, 0 still decoding, -1 not audio */
EM_JS(int, webAudioState, (int id), {
    var b = Module.kolvaneMusic.buffers[id];
    return b.failed ? -1 : (b.buffer ? 1 : 0);
});

EM_JS(double, webAudioLength, (int id), {
    var b = Module.kolvaneMusic.buffers[id].buffer;
    return b ? b.duration : 0;
});

EM_JS(void, webAudioStop, (void), {
    var m = Module.kolvaneMusic;
    if (m.source) {
        m.source.onended = null;
        try { m.source.stop(); } catch (e) {}
        m.source = null;
    }
});

EM_JS(void, webAudioStart, (int id, double at), {
    var m = Module.kolvaneMusic;
    var ctx = Module.kolvaneAudio;
    if (m.source) {
        try { m.source.stop(); } catch (e) {}
    }
    var source = ctx.createBufferSource();
    source.buffer = m.buffers[id].buffer;
    source.connect(ctx.destination);
    source.start(0, Math.min(at, source.buffer.duration));
    m.source = source;
    m.started = ctx.currentTime;
    m.at = at;
    if (ctx.state === 'suspended')
        ctx.resume();
});

/* s heard since the source started */
EM_JS(double, webAudioElapsed, (void), {
    var m = Module.kolvaneMusic;
    var ctx = Module.kolvaneAudio;
    if (!m.source)
        return 0;
    var latency = (ctx.outputLatency || 0) + (ctx.baseLatency || 0);
    return Math.max(0, ctx.currentTime - m.started - latency);
});

static double lengthSeconds(TvxAudioStream *stream)
{
    return webAudioState(stream->id) == 1 ? webAudioLength(stream->id) : 0.0;
}

/* Where the heard position would be had the music not ended: the context's
 * clock runs on past the end. */
static double unclampedSeconds(TvxAudioChannel *ch)
{
    if (ch->paused || ch->pending)
        return ch->startPosition;
    return ch->startPosition + webAudioElapsed();
}

static double heardSeconds(TvxAudioChannel *ch)
{
    double at = unclampedSeconds(ch);
    double length = lengthSeconds(ch->stream);
    return at < length ? at : length;
}

/* Starts the source at the channel's position, once the music is decoded. */
static void startIfReady(TvxAudioChannel *ch)
{
    if (ch->paused)
        return;
    if (webAudioState(ch->stream->id) != 1) {
        ch->pending = 1;
        return;
    }
    ch->pending = 0;
    webAudioStart(ch->stream->id, ch->startPosition);
}

/* ---- Public functions ------------------------------------------------------------- */

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
    if (!webAudioInit())
        return TVX_AUDIO_ERR_INIT;
    system->initialised = 1;
    return TVX_AUDIO_OK;
}

int tvx_audioRelease(TvxAudioSystem *system)
{
    if (system == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    webAudioStop();
    free(system);
    return TVX_AUDIO_OK;
}

int tvx_audioIsSilent(TvxAudioSystem *system)
{
    return system != nullptr && system->silent;
}

const char *tvx_audioDriverName(TvxAudioSystem *system)
{
    return system != nullptr && system->initialised ? "webaudio" : "";
}

int tvx_audioOpenStream(TvxAudioSystem *system, const char *path, TvxAudioStream **stream)
{
    if (system == nullptr || path == nullptr || stream == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (!system->initialised)
        return TVX_AUDIO_ERR_NOT_INITIALISED;
    unsigned char *bytes = nullptr;
    size_t size = 0;
    const char *why = nullptr;
    if (tvx_readFile(path, MUSIC_LIMIT, &bytes, &size, &why) != 0) {
        if (errno == EINVAL)
            return TVX_AUDIO_ERR_NOT_A_FILE;
        return errno == ENOMEM ? TVX_AUDIO_ERR_MEMORY
               : errno == EFBIG ? TVX_AUDIO_ERR_FILE_BAD : TVX_AUDIO_ERR_FILE_NOT_FOUND;
    }
    if (size == 0) {
        free(bytes);
        return TVX_AUDIO_ERR_FILE_BAD;
    }
    TvxAudioStream *s = (TvxAudioStream *)calloc(1, sizeof(TvxAudioStream));
    if (s == nullptr) {
        free(bytes);
        return TVX_AUDIO_ERR_MEMORY;
    }
    s->id = webAudioDecode(bytes, (int)size);
    free(bytes);
    *stream = s;
    return TVX_AUDIO_OK;
}

/* Before decoding is done the length reads 0, which the clock takes as
 * unknown; a file the browser cannot decode is reported here. */
int tvx_audioGetLength(TvxAudioStream *stream, unsigned int *ms)
{
    if (stream == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (webAudioState(stream->id) < 0)
        return TVX_AUDIO_ERR_FILE_BAD;
    *ms = (unsigned int)(lengthSeconds(stream) * 1000.0);
    return TVX_AUDIO_OK;
}

int tvx_audioCloseStream(TvxAudioStream *stream)
{
    free(stream);
    return TVX_AUDIO_OK;
}

int tvx_audioPlay(TvxAudioSystem *system, TvxAudioStream *stream, int paused,
                  TvxAudioChannel **channel)
{
    if (system == nullptr || stream == nullptr || channel == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (webAudioState(stream->id) < 0)
        return TVX_AUDIO_ERR_FILE_BAD;
    TvxAudioChannel *ch = &system->channel;
    ch->stream = stream;
    ch->paused = paused ? 1 : 0;
    ch->startPosition = 0.0;
    startIfReady(ch);
    *channel = ch;
    return TVX_AUDIO_OK;
}

int tvx_audioGetPosition(TvxAudioChannel *channel, unsigned int *ms)
{
    if (channel == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    if (channel->pending)
        startIfReady(channel);
    *ms = (unsigned int)(heardSeconds(channel) * 1000.0);
    return TVX_AUDIO_OK;
}

int tvx_audioGetTimePastEnd(TvxAudioChannel *channel, unsigned int *ms)
{
    if (channel == nullptr || ms == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    double past = unclampedSeconds(channel) - lengthSeconds(channel->stream);
    *ms = past > 0.0 && lengthSeconds(channel->stream) > 0.0 ? (unsigned int)(past * 1000.0) : 0;
    return TVX_AUDIO_OK;
}

int tvx_audioSetPosition(TvxAudioChannel *channel, unsigned int ms)
{
    if (channel == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    double at = ms / 1000.0;
    double length = lengthSeconds(channel->stream);
    if (length > 0.0 && at > length)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    channel->startPosition = at;
    if (!channel->paused)
        startIfReady(channel);
    return TVX_AUDIO_OK;
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
        channel->startPosition = heardSeconds(channel);
        channel->paused = 1;
        webAudioStop();
        return TVX_AUDIO_OK;
    }
    channel->paused = 0;
    startIfReady(channel);
    return TVX_AUDIO_OK;
}
