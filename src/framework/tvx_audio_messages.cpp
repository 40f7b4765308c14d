/*
 * tvx_audio_messages.cpp - what every backend of the audio layer (tvx_audio.h)
 * answers alike: its version and the message for each result code. The
 * native build's backend is tvx_audio.cpp (SDL2 and libmpg123), the web
 * build's src/web/web_audio.cpp (WebAudio).
 *
 * Depends on: nothing but the layer's header.
 */
#include "tvx_audio.h"

/* ---- Public functions ------------------------------------------------------ */

int tvx_audioGetVersion(TvxAudioSystem *system, unsigned int *version)
{
    if (system == nullptr || version == nullptr)
        return TVX_AUDIO_ERR_INVALID_PARAM;
    *version = TVX_AUDIO_VERSION;
    return TVX_AUDIO_OK;
}

const char *tvx_audioErrorString(int result)
{
    switch (result) {
    case TVX_AUDIO_OK: return "No errors.";
    case TVX_AUDIO_ERR_INVALID_PARAM: return "An invalid parameter was passed to the audio layer.";
    case TVX_AUDIO_ERR_NOT_INITIALISED: return "The audio system has not been initialised.";
    case TVX_AUDIO_ERR_INIT: return "The audio subsystem could not be started.";
    case TVX_AUDIO_ERR_FILE_NOT_FOUND: return "File not found.";
    case TVX_AUDIO_ERR_FILE_BAD: return "The file holds no decodable MP3 audio.";
    case TVX_AUDIO_ERR_DEVICE: return "No audio device could be opened.";
    case TVX_AUDIO_ERR_SEEK: return "The stream could not seek to that position.";
    case TVX_AUDIO_ERR_MEMORY: return "Not enough memory.";
    case TVX_AUDIO_ERR_NOT_A_FILE: return "Not a file (a directory, a FIFO or a device).";
    default: return "Unknown error.";
    }
}
