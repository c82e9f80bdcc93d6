// The sound layer's handles and the checks of every call, over the platform's
// mixer: the system is the open output, a sound one music file, and the one
// music channel the channel.
#include "show/sound.h"

#include "platform/mixer.h"

struct SoundChannel {
    Sound* sound;  // what it plays; not owned
};

struct SoundSystem {
    bool open;  // the output was opened and has not been closed
    // The mixer plays one music at a time, so a playing sound owns this channel.
    SoundChannel music_channel;
};

struct Sound {
    MixerMusic* music;
    SoundSystem* system;  // the system it was made by, released after it
};

int sound_system_make(SoundSystem** system)
{
    if (!system)
        return 1;
    *system = new SoundSystem{false, SoundChannel{nullptr}};
    return 0;
}

int sound_system_open(SoundSystem* system, int max_channels)
{
    if (!system || system->open || !mixer_open(max_channels))
        return 1;
    system->open = true;
    return 0;
}

int sound_load_stream(SoundSystem* system, const char* path, Sound** sound)
{
    if (!sound)
        return 1;
    *sound = nullptr;
    if (!system || !system->open || !path)
        return 1;
    MixerMusic* music = mixer_load(path);
    if (!music)
        return 1;
    *sound = new Sound{music, system};
    return 0;
}

int sound_play(SoundSystem* system, Sound* sound, bool paused, SoundChannel** channel)
{
    if (channel)
        *channel = nullptr;
    if (!system || !system->open || !sound || !channel)
        return 1;
    if (!mixer_play(sound->music))
        return 1;
    if (paused)
        mixer_pause();
    system->music_channel.sound = sound;
    *channel = &system->music_channel;
    return 0;
}

int sound_channel_set_paused(SoundChannel* channel, bool paused)
{
    if (!channel || !channel->sound)
        return 1;
    if (paused)
        mixer_pause();
    else
        mixer_resume(channel->sound->music);
    return 0;
}

int sound_channel_set_position(SoundChannel* channel, unsigned ms)
{
    if (!channel || !channel->sound)
        return 1;
    return mixer_set_position(channel->sound->music, ms) ? 0 : 1;
}

int sound_channel_get_heard(SoundChannel* channel, double at, double* ms)
{
    if (!channel || !channel->sound || !ms)
        return 1;
    return mixer_heard(channel->sound->music, at, ms) ? 0 : 1;
}

int sound_free(Sound* sound)
{
    if (!sound)
        return 1;
    if (sound->system->music_channel.sound == sound)
        sound->system->music_channel.sound = nullptr;
    mixer_free(sound->music);
    delete sound;
    return 0;
}

int sound_system_close(SoundSystem* system)
{
    if (!system || !system->open)
        return 1;
    mixer_close();
    system->open = false;
    return 0;
}

int sound_system_free(SoundSystem* system)
{
    if (!system)
        return 1;
    delete system;
    return 0;
}
