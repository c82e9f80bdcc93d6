// The Ogg Vorbis decoder for platforms without one: Debian's stb_vorbis
// (libstb-dev), compiled here and nowhere else. It reads the whole file
// through our own open, so that paths are UTF-8 everywhere.
#include "platform/ogg.h"

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

bool ogg_decode(const char* path, OggSound* sound)
{
    std::vector<unsigned char> bytes;
    if (!read_whole(path, &bytes) || bytes.empty() || bytes.size() > 0x7fffffff)
        return false;
    int error = 0;
    stb_vorbis* v = stb_vorbis_open_memory(bytes.data(), int(bytes.size()), &error, nullptr);
    if (!v)
        return false;
    const stb_vorbis_info info = stb_vorbis_get_info(v);
    sound->channels = info.channels;
    sound->rate = int(info.sample_rate);
    sound->samples.clear();
    // The length the stream says it has, where it says it: one allocation
    // instead of many. A damaged stream may say anything, so only a hint.
    const unsigned frames = stb_vorbis_stream_length_in_samples(v);
    if (frames > 0 && frames < 48000u * 3600)
        sound->samples.reserve(size_t(frames) * info.channels);
    short chunk[8192];
    const int per_call =
        int(sizeof chunk / sizeof chunk[0]) / (info.channels > 0 ? info.channels : 1);
    for (;;) {
        const int got = stb_vorbis_get_samples_short_interleaved(v, info.channels, chunk,
                                                                 per_call * info.channels);
        if (got <= 0)
            break;
        sound->samples.insert(sound->samples.end(), chunk, chunk + size_t(got) * info.channels);
    }
    stb_vorbis_close(v);
    return info.channels > 0 && info.sample_rate > 0 && !sound->samples.empty();
}
