// The browser's mixer: the page's Web Audio context plays music the page
// decoded while it loaded (Module.varnoSound: the context, made at the
// viewer's first gesture, and the decoded buffers by file name), so a music
// starts the moment it is asked for and the show's clock starts with it.
#include <emscripten.h>

#include "platform/mixer.h"

struct MixerMusic {
    const char* path;  // the file the page decoded; names its buffer
};

// clang-format off
EM_JS(int, page_has_web_audio, (), {
    return Module['varnoSound'] && typeof AudioContext != 'undefined' ? 1 : 0;
});

EM_JS(int, page_has_music, (const char* path), {
    const s = Module['varnoSound'];
    return s.buffers[UTF8ToString(path)] ? 1 : 0;
});

// Plays the buffer from `seconds` on; where it started is kept, so that a
// pause knows where to resume.
EM_JS(void, page_play, (const char* path, double seconds), {
    const s = Module['varnoSound'];
    if (s.source)
        s.source.stop();
    const source = s.context.createBufferSource();
    source.buffer = s.buffers[UTF8ToString(path)];
    source.connect(s.context.destination);
    source.start(0, seconds);
    s.source = source;
    s.pausedAt = undefined;
    s.startedAt = s.context.currentTime - seconds;
});

EM_JS(void, page_pause, (), {
    const s = Module['varnoSound'];
    if (!s.source)
        return;
    s.source.stop();
    s.source = null;
    s.pausedAt = s.context.currentTime - s.startedAt;
});

// Where a paused music stopped, in seconds; -1 when none is paused.
EM_JS(double, page_paused_at, (), {
    const s = Module['varnoSound'];
    return s.pausedAt === undefined ? -1 : s.pausedAt;
});

EM_JS(void, page_stop, (), {
    const s = Module['varnoSound'];
    if (s.source)
        s.source.stop();
    s.source = null;
    s.pausedAt = undefined;
});
// clang-format on

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

void mixer_resume(MixerMusic* music)
{
    const double at = page_paused_at();
    if (at >= 0)
        page_play(music->path, at);
}

bool mixer_set_position(MixerMusic* music, unsigned ms)
{
    page_play(music->path, ms / 1000.0);
    return true;
}
