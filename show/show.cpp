#include "show/show.h"

#include <cstdio>
#include <new>

#include "overlays/fade.h"
#include "platform/system.h"
#include "platform/video.h"
#include "scenes/data_files.h"
#include "scenes/scroller.h"
#include "scenes/timeline.h"
#include "show/sound.h"

// Null where creation failed or never happened.
static SoundSystem* sound_system;
static Sound* music;
static SoundChannel* music_channel;

Show* load_show(bool gentle)
{
    Show* show = new (std::nothrow) Show;
    if (!show)
        return nullptr;
    fade_load(gentle);
    title_load(&show->title);
    dance_load(&show->dance, &show->shared);
    deform_load(&show->deform);
    greetings_load(&show->greetings, &show->shared);
    lift_load(&show->lift, &show->shared);
    tunnel_load(&show->tunnel, &show->shared);
    finale_load(&show->finale);
    show->shared.font = font_load(font_file);
    return show;
}

void draw_frame(uint32_t t, Show* show, Surface* target)
{
    begin_frame(t);
    SharedState* shared = &show->shared;
    if (t <= dance_start)
        title_scene_draw(t, &show->title, target);
    dance_scene_draw(t, &show->dance, shared, target);
    deform_scene_draw(t, &show->deform, shared, target);
    greetings_scene_draw(t, &show->greetings, shared, target);
    lift_scene_draw(t, &show->lift, shared, target);
    tunnel_scene_draw(t, &show->tunnel, shared, target);
    finale_draw(t, &show->finale, shared, target);
    scroller_draw(t, shared->font, target);
}

Pass frame_pass(uint32_t start_ticks, Show* show, Surface* back_buffer)
{
    if (quit_requested())
        return Pass::quit;
    const uint32_t t = ticks() - start_ticks;
    if (t > last_frame_time)
        return Pass::end;
    draw_frame(t, show, back_buffer);
    present(back_buffer);
    return Pass::drawn;
}

void start_sound_system()
{
    if (sound_system_create(&sound_system) != 0)
        printf("Error at creation of FMOD Ex system\n");
    else if (sound_system_init(sound_system, 1) != 0)
        printf("Error at init of FMOD Ex system\n");
}

void start_music(uint32_t from)
{
    // Asked for even when the system did not start; it then fails with its
    // own message and the show runs silent on the clock.
    if (sound_create_stream(sound_system, music_file, &music) != 0)
        printf("Error at loading music %s\n", music_file);
    else if (sound_play(sound_system, music, false, &music_channel) != 0)
        printf("Error at playing music\n");
    else if (from > 0)
        sound_channel_set_position(music_channel, from);
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

// The running show: what it draws with and into, the demo time it starts at,
// where that time starts on the clock, and how its loop ended.
static Show* running;
static Surface* back_buffer;
static uint32_t start_from;
static uint32_t start_ticks;
static Pass last_pass;

static void begin_show()
{
    start_music(start_from);
    // Demo time runs from `from` on: the start lies that far back (wrapping).
    start_ticks = ticks() - start_from;
}

static bool next_frame()
{
    last_pass = frame_pass(start_ticks, running, back_buffer);
    return last_pass == Pass::drawn;
}

static void end_show()
{
    if (last_pass == Pass::end) {
        video_shutdown();
        free_surface(back_buffer);
        back_buffer = nullptr;
    }
    stop_music();
}

int run_demo(const ShowOptions& o)
{
    if (!video_setup(o.display))
        return 1;
    back_buffer = create_surface(back_width, back_height, xrgb_layout);
    if (!back_buffer) {
        printf("Error at setting video mode: no memory for the back buffer\n");
        return 1;
    }

    start_sound_system();
    running = load_show(o.gentle);
    if (!running) {
        printf("Error: no memory for the show\n");
        return 1;
    }
    start_from = o.from;
    run_frames(begin_show, next_frame, end_show);
    return 0;
}
