/*
 * music_main.cpp - kolvane-music: renders the demo's soundtrack to a 16-bit
 * 44.1 kHz stereo WAV file (triangular dither from a fixed seed), which LAME
 * then encodes as "data/test.mp3".
 *
 * Regenerate the music from the repository root with
 *     assets/music/render.sh
 * (or `cmake --build <build dir> --target render-music`).
 *
 * Usage: kolvane-music OUT.wav [SECONDS]   (SECONDS defaults to the whole piece)
 * Depends on: music_master.cpp and the modules it drives, libc.
 */
#include "music.h"

#include <math.h>    /* lrintf */
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <vector>

/* ---- Internal helpers ----------------------------------------------------- */

static void putWord(unsigned char *at, uint32_t value, int bytes)
{
    for (int k = 0; k < bytes; k++)
        at[k] = (unsigned char)(value >> (8 * k));
}

static int writeWav(const char *path, const std::vector<float> &left, const std::vector<float> &right)
{
    size_t frames = left.size();
    uint32_t dataBytes = (uint32_t)(frames * 4);
    unsigned char header[44] = { 'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ',
                                 16,  0,   0,   0,   1, 0, 2, 0, 0,   0,   0,   0,   0,   0,   0,   0,
                                 4,   0,   16,  0,   'd', 'a', 't', 'a', 0, 0, 0, 0 };
    putWord(header + 4, 36 + dataBytes, 4);
    putWord(header + 24, MUSIC_RATE, 4);
    putWord(header + 28, MUSIC_RATE * 4, 4);
    putWord(header + 40, dataBytes, 4);
    FILE *f = fopen(path, "wb");
    if (!f)
        return 0;
    fwrite(header, 1, sizeof header, f);
    uint32_t seed = 0x2545F491u;
    std::vector<unsigned char> block;
    block.reserve(4096 * 4);
    for (size_t i = 0; i < frames; i++) {
        for (int c = 0; c < 2; c++) {
            float dither = 0.0f;
            for (int k = 0; k < 2; k++) {
                seed ^= seed << 13;
                seed ^= seed >> 17;
                seed ^= seed << 5;
                dither += (float)seed / 4294967296.0f - 0.5f;
            }
            float x = (c ? right[i] : left[i]) * 32767.0f + dither;
            long q = lrintf(x);
            q = q > 32767 ? 32767 : q < -32768 ? -32768 : q;
            block.push_back((unsigned char)(q & 0xff));
            block.push_back((unsigned char)((q >> 8) & 0xff));
        }
        if (block.size() >= 4096 * 4 || i + 1 == frames) {
            fwrite(block.data(), 1, block.size(), f);
            block.clear();
        }
    }
    return fclose(f) == 0;
}

/* ---- Public functions ----------------------------------------------------- */

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        fprintf(stderr, "usage: kolvane-music OUT.wav [SECONDS]\n");
        return 2;
    }
    double seconds = MUSIC_LENGTH;
    if (argc == 3) {
        char *end = NULL;
        seconds = strtod(argv[2], &end);
        if (!end || *end || !(seconds > 0.0) || seconds > MUSIC_LENGTH) {
            fprintf(stderr, "kolvane-music: length must be a number of seconds up to %.1f\n", MUSIC_LENGTH);
            return 2;
        }
    }
    std::vector<float> left, right;
    double loudness = musicRender(seconds, &left, &right);
    if (!writeWav(argv[1], left, right)) {
        fprintf(stderr, "kolvane-music: cannot write %s\n", argv[1]);
        return 1;
    }
    printf("kolvane-music: %.1f s, integrated loudness %.2f LUFS, sample peak %.2f dBFS\n", seconds, loudness,
           meterPeakDb(left.data(), right.data(), left.size()));
    return 0;
}
