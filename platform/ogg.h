// Decoding the show's music where the platform has no decoder of its own that
// plays the same samples everywhere (Windows, and every browser, some of whose
// own decoders refuse Ogg Vorbis): the whole file at once, into memory.
#pragma once

#include <cstdint>
#include <vector>

struct OggSound {
    int channels = 0;
    int rate = 0;                  // frames a second
    std::vector<int16_t> samples;  // interleaved, channels per frame
};

// The Ogg Vorbis file at path (UTF-8), decoded whole; false when it cannot be
// opened or does not decode to any sound.
bool ogg_decode(const char* path, OggSound* sound);
