// The desktop's mixer: SDL_mixer, whose music channel plays one file at a time.
//
// What is heard: every buffer SDL_mixer mixes passes our post-mix hook, which
// counts its frames and notes when. What was mixed is then handed to the
// output, which holds it for its latency before it is heard: the sound
// server's, where PulseAudio (or PipeWire) can tell it, else the two
// buffers SDL keeps.
#include "platform/mixer.h"

#include <SDL/SDL.h>
#include <SDL/SDL_mixer.h>

#include <algorithm>
#include <atomic>
#include <cstring>

#include "platform/sdl/pulse_latency.h"
#include "platform/system.h"

struct MixerMusic {
    Mix_Music* music;
};

namespace {

// Written by SDL's mixing thread (in the hook) and read under its lock.
struct Mixed {
    uint64_t frames;  // since the output opened
    double at;        // clock_ms() when the latest buffer was mixed
};
Mixed mixed;
std::atomic<uint64_t> frames_mixed;  // the same count, for the server's answers

// Where the music was last started or moved: the count then and the
// position in the music (ms) its next frame has. Set under SDL's lock.
struct Start {
    uint64_t frame;
    double ms;
};
Start started;

int rate = 44100;          // frames a second, as opened
int frame_bytes = 4;       // 16-bit stereo
double buffers_ms = 23.2;  // what SDL keeps on its side: two buffers
bool server;               // the sound server is asked for its latency
bool audible;              // a listener can hear it: not SDL's dummy or disk output

void count_mixed(void*, Uint8*, int bytes)
{
    mixed.frames += uint64_t(bytes / frame_bytes);
    mixed.at = clock_ms();
    frames_mixed = mixed.frames;
}

uint64_t count_now()
{
    return frames_mixed;
}

// Frames mixed to ms of music, from where it was started.
double music_ms(const Start& start, uint64_t frames)
{
    return start.ms + (double(frames) - double(start.frame)) * 1000.0 / rate;
}

// A server that has not answered for this long is no longer believed.
constexpr double stale_answer_ms = 500;

}  // namespace

bool mixer_open(int max_channels)
{
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0)
        return false;
    // Buffers of 512 frames (11.6 ms): small enough that closing is quick and
    // the latency low, large enough for a busy desktop.
    constexpr int buffer_frames = 512;
    if (Mix_OpenAudio(44100, MIX_DEFAULT_FORMAT, 2, buffer_frames) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    Mix_AllocateChannels(max_channels);
    Uint16 format;
    int channels;
    if (Mix_QuerySpec(&rate, &format, &channels)) {
        frame_bytes = channels * int(format & 0xFF) / 8;
        buffers_ms = 2000.0 * buffer_frames / rate;
    }
    SDL_LockAudio();
    mixed = Mixed{0, clock_ms()};
    frames_mixed = 0;
    SDL_UnlockAudio();
    Mix_SetPostMix(count_mixed, nullptr);
    // SDL's dummy and disk outputs take the sound as fast as their timers
    // run, a few per cent off the clock, and nobody hears it: the show keeps
    // to the clock there.
    char driver[32] = "";
    SDL_AudioDriverName(driver, sizeof driver);
    audible = strcmp(driver, "dummy") != 0 && strcmp(driver, "disk") != 0;
    server = audible && pulse_latency_start(count_now);
    return true;
}

void mixer_close()
{
    if (server)
        pulse_latency_stop();
    server = false;
    Mix_SetPostMix(nullptr, nullptr);
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

// Marks where the music starts: the next frame mixed is `ms` into it.
static void mark_start(double ms)
{
    started = Start{mixed.frames, ms};
}

bool mixer_play(MixerMusic* music)
{
    SDL_LockAudio();
    mark_start(0);
    const bool playing = Mix_PlayMusic(music->music, 0) == 0;
    SDL_UnlockAudio();
    return playing;
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
    SDL_LockAudio();
    mark_start(ms);
    const bool moved = Mix_SetMusicPosition(ms / 1000.0) == 0;
    SDL_UnlockAudio();
    return moved;
}

bool mixer_heard(MixerMusic*, double at, double* heard)
{
    if (!audible || !Mix_PlayingMusic() || Mix_PausedMusic())
        return false;
    SDL_LockAudio();
    const Mixed now = mixed;
    const Start start = started;
    SDL_UnlockAudio();
    // What was heard when the server last answered, or else when the latest
    // buffer was mixed, carried on to `at`; never past what was handed over.
    ServerLatency s;
    double then;
    if (server && pulse_latency_latest(&s) && now.at - s.at < stale_answer_ms)
        then = music_ms(start, s.counted) - s.ms + (at - s.at);
    else
        then = music_ms(start, now.frames) - buffers_ms + (at - now.at);
    *heard = std::min(then, music_ms(start, now.frames));
    return true;
}
