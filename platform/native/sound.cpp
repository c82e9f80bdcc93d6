// The sound layer over SDL_mixer: the mixer is the system, a Mix_Music the
// streamed sound, and the one music channel the channel.
#include "platform/sound.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

struct SoundSystem {
    bool open;  // Mix_OpenAudio succeeded and has not been closed
};

struct Sound {
    Mix_Music* music;
};

struct SoundChannel {
    Sound* sound;  // what it plays; not owned
};

// SDL_mixer has a single music channel, so a playing sound owns this one.
static SoundChannel music_channel;

int sound_system_create(SoundSystem** system)
{
    if (!system)
        return 1;
    *system = new SoundSystem{false};
    return 0;
}

int sound_system_init(SoundSystem* system, int max_channels)
{
    if (!system || system->open)
        return 1;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return 1;
    // Buffers of 512 frames (11.6 ms). Closing the sound waits for SDL's mixer
    // thread to finish its buffer and then to let two more play out, about 30 ms
    // of every quit; smaller buffers would close sooner but leave a busy desktop
    // less room before the music crackles.
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 512) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 1;
    }
    Mix_AllocateChannels(max_channels);
    system->open = true;
    return 0;
}

int sound_create_stream(SoundSystem* system, const char* path, Sound** sound)
{
    if (!sound)
        return 1;
    *sound = nullptr;
    if (!system || !system->open || !path)
        return 1;
    Mix_Music* music = Mix_LoadMUS(path);
    if (!music)
        return 1;
    *sound = new Sound{music};
    return 0;
}

int sound_play(SoundSystem* system, Sound* sound, bool paused, SoundChannel** channel)
{
    if (channel)
        *channel = nullptr;
    if (!system || !system->open || !sound || !channel)
        return 1;
    if (Mix_PlayMusic(sound->music, 0) != 0)
        return 1;
    if (paused)
        Mix_PauseMusic();
    music_channel.sound = sound;
    *channel = &music_channel;
    return 0;
}

int sound_channel_set_paused(SoundChannel* channel, bool paused)
{
    if (!channel || !channel->sound)
        return 1;
    if (paused)
        Mix_PauseMusic();
    else
        Mix_ResumeMusic();
    return 0;
}

int sound_channel_set_position(SoundChannel* channel, unsigned ms)
{
    if (!channel || !channel->sound)
        return 1;
    // An Ogg stream takes its position in seconds from the start.
    return Mix_SetMusicPosition(ms / 1000.0) == 0 ? 0 : 1;
}

int sound_release(Sound* sound)
{
    if (!sound)
        return 1;
    if (music_channel.sound == sound)
        music_channel.sound = nullptr;
    Mix_FreeMusic(sound->music);
    delete sound;
    return 0;
}

int sound_system_close(SoundSystem* system)
{
    if (!system || !system->open)
        return 1;
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
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
