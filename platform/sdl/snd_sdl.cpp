// The desktop's mixer: SDL_mixer, whose music channel plays one file at a time.
#include "platform/mixer.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

struct MixerMusic {
    Mix_Music* music;
};

bool mixer_open(int max_channels)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    // Buffers of 512 frames (11.6 ms). Closing the sound waits for SDL's mixer
    // thread to finish its buffer and then to let two more play out, about 30 ms
    // of every quit; smaller buffers would close sooner but leave a busy desktop
    // less room before the music crackles.
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, 512) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(max_channels);
    return true;
}

void mixer_close()
{
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

MixerMusic* mixer_load(const char* path)
{
    Mix_Music* music = Mix_LoadMUS(path);
    return music ? new MixerMusic{music} : nullptr;
}

void mixer_free(MixerMusic* music)
{
    Mix_FreeMusic(music->music);  // halts it first if it plays
    delete music;
}

bool mixer_play(MixerMusic* music)
{
    return Mix_PlayMusic(music->music, 0) == 0;
}

void mixer_pause()
{
    Mix_PauseMusic();
}

void mixer_resume(MixerMusic*)
{
    Mix_ResumeMusic();
}

bool mixer_set_position(MixerMusic*, unsigned ms)
{
    // An Ogg stream takes its position in seconds from the start.
    return Mix_SetMusicPosition(ms / 1000.0) == 0;
}
