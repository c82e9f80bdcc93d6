// Decoding the show's music where the platform has no decoder of its own that
// plays the same samples everywhere (Windows, and every browser, some of whose
// own decoders refuse Ogg Vorbis): the whole file at once, into memory.
#pragma once

#include <cstddef>
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

// The same decoding a piece at a time, for a player that starts the music at
// once and decodes on while it plays (Windows). The file is read whole into
// memory; the samples are those of ogg_decode, from wherever a seek put it.
struct OggStream;
// The file at path (UTF-8) with its headers read, at its first frame; null
// when it cannot be read or is not Ogg Vorbis.
OggStream* ogg_open(const char* path, int* channels, int* rate);
// Decodes up to `frames` frames into out (channels samples each, interleaved)
// and returns how many it decoded: fewer only at the end of the music or where
// the rest does not decode, 0 from then on.
size_t ogg_read(OggStream* stream, int16_t* out, size_t frames);
// Moves to `frame` frames from the start; false when the music is not that
// long or the file cannot be searched.
bool ogg_seek(OggStream* stream, size_t frame);
void ogg_close(OggStream* stream);
