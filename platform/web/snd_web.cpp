// The browser's mixer. The music is decoded here, by our own Ogg Vorbis
// decoder, not by the browser's: some browsers' decoders refuse Ogg Vorbis,
// and ours gives every browser the same samples. The page has it decoded
// once, while it loads, into a Web Audio buffer it keeps by the music's path
// (Module.varnoSound.buffers); playing and pausing it, and telling what of it
// is heard, are the page's too (Module.varnoSound, page.js).
#include <emscripten.h>

#include <cmath>

#include "platform/mixer.h"
#include "platform/ogg.h"

struct MixerMusic {
    const char* path;  // names the page's buffer
};

// clang-format off
EM_JS(int, page_has_web_audio, (), {
    return Module['varnoSound'] && typeof AudioContext != 'undefined' ? 1 : 0;
});

// The decoded music as a Web Audio buffer, kept by the page under path. A
// buffer the browser cannot make (a rate it refuses) throws to the page.
EM_JS(void, page_keep_music, (const char* path, const int16_t* samples, int frames, int channels,
                              int rate), {
    const buffer = new AudioBuffer({ numberOfChannels: channels, length: frames, sampleRate: rate });
    for (let c = 0; c < channels; c++) {
        const out = buffer.getChannelData(c);
        for (let i = 0, j = (samples >> 1) + c; i < frames; i++, j += channels)
            out[i] = HEAP16[j] / 32768;
    }
    Module['varnoSound'].buffers[UTF8ToString(path)] = buffer;
});

EM_JS(int, page_has_music, (const char* path), {
    return Module['varnoSound'].buffers[UTF8ToString(path)] ? 1 : 0;
});

EM_JS(void, page_play, (const char* path, double seconds), {
    Module['varnoSound'].play(UTF8ToString(path), seconds);
});

EM_JS(void, page_pause, (), { Module['varnoSound'].pause(); });
EM_JS(void, page_resume, (), { Module['varnoSound'].resume(); });
EM_JS(void, page_stop, (), { Module['varnoSound'].stop(); });

// The music's position heard at performance.now() reading `at`; NaN when
// nothing of it can be heard.
EM_JS(double, page_heard, (double at), { return Module['varnoSound'].heard(at); });
// clang-format on

// The page asks for the music at path while it loads. Nothing is kept when it
// does not decode; the show then finds no music and plays on silently.
extern "C" EMSCRIPTEN_KEEPALIVE void varno_decode_music(const char* path)
{
    OggSound music;
    if (ogg_decode(path, &music))
        page_keep_music(path, music.samples.data(), int(music.samples.size() / music.channels),
                        music.channels, music.rate);
}

bool mixer_open(int)
{
    return page_has_web_audio();
}

void mixer_close()
{
    page_stop();
}

MixerMusic* mixer_load(const char* path)
{
    return page_has_music(path) ? new MixerMusic{path} : nullptr;
}

void mixer_free(MixerMusic* music)
{
    page_stop();  // the one music there is
    delete music;
}

bool mixer_play(MixerMusic* music)
{
    page_play(music->path, 0.0);
    return true;
}

void mixer_pause()
{
    page_pause();
}

void mixer_resume(MixerMusic*)
{
    page_resume();
}

bool mixer_set_position(MixerMusic* music, unsigned ms)
{
    page_play(music->path, ms / 1000.0);
    return true;
}

bool mixer_heard(MixerMusic*, double at, double* music_ms)
{
    const double heard = page_heard(at);
    if (std::isnan(heard))
        return false;
    *music_ms = heard;
    return true;
}
