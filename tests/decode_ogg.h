// Decoding the generated music for the tests that listen to it.
#pragma once

#include <vorbis/vorbisfile.h>

#include <vector>

// The whole file as interleaved float samples; rate and channels from its
// header. False if the file cannot be opened as Ogg Vorbis.
inline bool decode_ogg(const char* path, std::vector<float>* samples, long* rate, int* channels)
{
    OggVorbis_File vf;
    if (ov_fopen(path, &vf) != 0)
        return false;
    const vorbis_info* info = ov_info(&vf, -1);
    *rate = info->rate;
    *channels = info->channels;
    samples->clear();
    for (;;) {
        float** pcm;
        int section;
        const long frames = ov_read_float(&vf, &pcm, 4096, &section);
        if (frames <= 0)
            break;
        for (long i = 0; i < frames; i++)
            for (int c = 0; c < *channels; c++)
                samples->push_back(pcm[c][i]);
    }
    ov_clear(&vf);
    return true;
}
