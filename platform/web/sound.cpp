// The sound layer in a browser: the page's Web Audio context plays music the
// page decoded while it loaded (Module.varnoSound: the context, and the decoded
// buffers by file name), so a sound starts the moment it is asked for and the
// show's clock starts with it. Failures are those of the native layer.
#include <emscripten.h>

#include "platform/sound.h"

struct SoundSystem {
    bool open;
};

struct Sound {
    const char* path;  // the file the page decoded; names its buffer
};

struct SoundChannel {
    Sound* sound;  // what it plays; not owned
};

// One music channel, as natively.
static SoundChannel music_channel;

// clang-format off
// The context itself is made at the viewer's first gesture, before any sound plays.
EM_JS(int, page_sound_ready, (), {
    return Module['varnoSound'] && typeof AudioContext != 'undefined' ? 1 : 0;
});

EM_JS(int, page_has_sound, (const char* path), {
    const s = Module['varnoSound'];
    return s && s.buffers && s.buffers[UTF8ToString(path)] ? 1 : 0;
});

// Plays the buffer from `seconds` on; the position it was started from is kept
// so that a pause can resume where it stopped.
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

// Where a paused sound stopped, in seconds; -1 when none is paused.
EM_JS(double, page_paused_at, (), {
    const s = Module['varnoSound'];
    return s.pausedAt === undefined ? -1 : s.pausedAt;
});

EM_JS(void, page_stop, (), {
    const s = Module['varnoSound'];
    if (s && s.source)
        s.source.stop();
    if (s) {
        s.source = null;
        s.pausedAt = undefined;
    }
});
// clang-format on

int sound_system_create(SoundSystem** system)
{
    if (!system)
        return 1;
    *system = new SoundSystem{false};
    return 0;
}

int sound_system_init(SoundSystem* system, int)
{
    if (!system || system->open || !page_sound_ready())
        return 1;
    system->open = true;
    return 0;
}

int sound_create_stream(SoundSystem* system, const char* path, Sound** sound)
{
    if (!sound)
        return 1;
    *sound = nullptr;
    if (!system || !system->open || !path || !page_has_sound(path))
        return 1;
    *sound = new Sound{path};
    return 0;
}

int sound_play(SoundSystem* system, Sound* sound, bool paused, SoundChannel** channel)
{
    if (channel)
        *channel = nullptr;
    if (!system || !system->open || !sound || !channel)
        return 1;
    page_play(sound->path, 0.0);
    if (paused)
        page_pause();
    music_channel.sound = sound;
    *channel = &music_channel;
    return 0;
}

int sound_channel_set_paused(SoundChannel* channel, bool paused)
{
    if (!channel || !channel->sound)
        return 1;
    if (paused) {
        page_pause();
    } else {
        const double at = page_paused_at();
        if (at >= 0)
            page_play(channel->sound->path, at);
    }
    return 0;
}

int sound_channel_set_position(SoundChannel* channel, unsigned ms)
{
    if (!channel || !channel->sound)
        return 1;
    page_play(channel->sound->path, ms / 1000.0);
    return 0;
}

int sound_release(Sound* sound)
{
    if (!sound)
        return 1;
    if (music_channel.sound == sound) {
        page_stop();
        music_channel.sound = nullptr;
    }
    delete sound;
    return 0;
}

int sound_system_close(SoundSystem* system)
{
    if (!system || !system->open)
        return 1;
    page_stop();
    system->open = false;
    return 0;
}

int sound_system_release(SoundSystem* system)
{
    if (!system)
        return 1;
    delete system;
    return 0;
}
