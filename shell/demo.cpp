#include "shell/demo.h"

#include <SDL/SDL.h>
#include <cstdio>

#include "scenes/dance_scene.h"
#include "scenes/deform_scene.h"
#include "scenes/finale.h"
#include "scenes/greetings_scene.h"
#include "scenes/lift_scene.h"
#include "scenes/title_scene.h"
#include "scenes/tunnel_scene.h"
#include "shell/font.h"
#include "shell/image.h"
#include "shell/sound.h"
#include "shell/timeline.h"
#include "shell/video.h"

static const char music_path[] = "data/dorvang.ogg";

// Null where creation failed or never happened.
static SoundSystem* sound_system;
static Sound* music;
static SoundChannel* music_channel;

// The scroll text starts 500 pixels right of the band's start, at 125 pixels a second.
constexpr double scroll_origin_x = 500.0;
constexpr double scroll_pixels_per_ms = 0.125;
constexpr float scroll_text_y = 221.0f;
constexpr float band_darkening = 0.7f;

int band_height(uint32_t t)
{
    // Floor of 24 * (elapsed) / 1000; before the start the quotient is
    // negative and clamps to 0 anyway, so only the upper clamp needs care.
    int64_t lines;
    if (t < band_shrink_start)
        lines = t < band_grow_start ? 0 : band_full_height * int64_t(t - band_grow_start) / 1000;
    else
        lines = t > band_shrink_end ? 0 : band_full_height * int64_t(band_shrink_end - t) / 1000;
    return lines > band_full_height ? band_full_height : int(lines);
}

float scroll_text_x(uint32_t t)
{
    return float(scroll_origin_x - (double(t) - band_grow_start) * scroll_pixels_per_ms);
}

void load_show()
{
    create_scratch_surfaces();
    title_load();
    dance_load();
    deform_load();
    greetings_load();
    lift_load();
    tunnel_load();
    create_font();
}

void draw_frame(uint32_t t)
{
    if (t <= dance_start)
        title_frame(t);
    dance_frame(t);
    deform_frame(t);
    greetings_frame(t);
    lift_frame(t);
    tunnel_frame(t);
    finale_frame(t);
    scroller_band(band_height(t), band_darkening);
    if (t >= scroll_text_start)
        draw_text(scroll_text, scroll_text_x(t), scroll_text_y, back_buffer);
}

bool quit_requested()
{
    SDL_Event event;
    bool quit = false;
    // Drain the whole queue even after a quit: nothing is left for a later pass.
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            quit = true;
        else if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE)
            quit = true;
    }
    return quit;
}

Pass frame_pass(uint32_t start_ticks)
{
    if (quit_requested())
        return Pass::quit;
    const uint32_t t = SDL_GetTicks() - start_ticks;
    if (t > last_frame_time)
        return Pass::end;
    draw_frame(t);
    present();
    return Pass::drawn;
}

void start_sound_system()
{
    if (sound_system_create(&sound_system) != 0)
        printf("Error at creation of FMOD Ex system\n");
    else if (sound_system_init(sound_system, 1) != 0)
        printf("Error at init of FMOD Ex system\n");
}

void start_music()
{
    // Asked for even when the system did not start; it then fails with its
    // own message and the show runs silent on the clock.
    if (sound_create_stream(sound_system, music_path, &music) != 0)
        printf("Error at loading music %s\n", music_path);
    else if (sound_play(sound_system, music, false, &music_channel) != 0)
        printf("Error at playing music\n");
    fflush(stdout);
}

void stop_music()
{
    sound_channel_set_paused(music_channel, true);
    sound_release(music);
    sound_system_close(sound_system);
    sound_system_release(sound_system);
    music_channel = nullptr;
    music = nullptr;
    sound_system = nullptr;
}

int run_demo()
{
    if (!video_setup())
        return 1;

    start_sound_system();
    load_show();
    start_music();

    const uint32_t start_ticks = SDL_GetTicks();
    Pass pass;
    do
        pass = frame_pass(start_ticks);
    while (pass == Pass::drawn);

    if (pass == Pass::end) {
        SDL_FreeSurface(back_buffer);
        back_buffer = nullptr;
        SDL_Quit();
    }
    stop_music();
    return 0;
}
