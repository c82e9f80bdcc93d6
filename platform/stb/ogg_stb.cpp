// The Ogg Vorbis decoder for platforms without one: Debian's stb_vorbis
// (libstb-dev), compiled here and nowhere else. It reads the whole file
// through our own open, so that paths are UTF-8 everywhere.
#include "platform/ogg.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#include <string>
#endif

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wunused-value"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#ifdef __clang__
#pragma GCC diagnostic ignored "-Wunknown-warning-option"
#endif
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <stb_vorbis.h>
#pragma GCC diagnostic pop

static FILE* open_utf8(const char* path)
{
#ifdef _WIN32
    const int n = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, nullptr, 0);
    if (n <= 0)
        return nullptr;
    std::wstring wide(size_t(n), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, path, -1, &wide[0], n);
    return _wfopen(wide.c_str(), L"rb");
#else
    return std::fopen(path, "rb");
#endif
}

static bool read_whole(const char* path, std::vector<unsigned char>* bytes)
{
    FILE* f = open_utf8(path);
    if (!f)
        return false;
    unsigned char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        bytes->insert(bytes->end(), chunk, chunk + got);
    const bool ok = !std::ferror(f);
    std::fclose(f);
    return ok;
}

struct OggStream {
    std::vector<unsigned char> bytes;  // the whole file, which stb_vorbis reads from
    stb_vorbis* v = nullptr;
    int channels = 0;
};

OggStream* ogg_open(const char* path, int* channels, int* rate)
{
    OggStream* s = new OggStream;
    int error = 0;
    if (read_whole(path, &s->bytes) && !s->bytes.empty() && s->bytes.size() <= 0x7fffffff)
        s->v = stb_vorbis_open_memory(s->bytes.data(), int(s->bytes.size()), &error, nullptr);
    const stb_vorbis_info info = s->v ? stb_vorbis_get_info(s->v) : stb_vorbis_info{};
    if (!s->v || info.channels <= 0 || info.sample_rate == 0) {
        ogg_close(s);
        return nullptr;
    }
    s->channels = info.channels;
    *channels = info.channels;
    *rate = int(info.sample_rate);
    return s;
}

size_t ogg_read(OggStream* s, int16_t* out, size_t frames)
{
    size_t done = 0;
    while (done < frames) {
        const size_t want = std::min<size_t>(frames - done, 1 << 20);
        const int got = stb_vorbis_get_samples_short_interleaved(
            s->v, s->channels, out + done * s->channels, int(want) * s->channels);
        if (got <= 0)
            break;
        done += size_t(got);
    }
    return done;
}

bool ogg_seek(OggStream* s, size_t frame)
{
    if (frame == 0)
        return stb_vorbis_seek_start(s->v) != 0;
    return frame <= 0xffffffffu && stb_vorbis_seek(s->v, unsigned(frame)) != 0;
}

void ogg_close(OggStream* s)
{
    if (s && s->v)
        stb_vorbis_close(s->v);
    delete s;
}

bool ogg_decode(const char* path, OggSound* sound)
{
    int channels = 0, rate = 0;
    OggStream* s = ogg_open(path, &channels, &rate);
    if (!s)
        return false;
    sound->channels = channels;
    sound->rate = rate;
    sound->samples.clear();
    // The length the stream says it has, where it says it: one allocation
    // instead of many. A damaged stream may say anything, so only a hint.
    const unsigned frames = stb_vorbis_stream_length_in_samples(s->v);
    if (frames > 0 && frames < 48000u * 3600)
        sound->samples.reserve(size_t(frames) * channels);
    std::vector<int16_t> chunk(size_t(4096) * channels);
    for (size_t got; (got = ogg_read(s, chunk.data(), 4096)) > 0;)
        sound->samples.insert(sound->samples.end(), chunk.begin(), chunk.begin() + got * channels);
    ogg_close(s);
    return !sound->samples.empty();
}
