#include "show/show.h"

#include <cstdio>

#include "overlays/fade.h"
#include "platform/font.h"
#include "platform/sound.h"
#include "platform/steps.h"
#include "platform/video.h"
#include "scenes/dance_scene.h"
#include "scenes/data_files.h"
#include "scenes/deform_scene.h"
#include "scenes/finale.h"
#include "scenes/greetings_scene.h"
#include "scenes/lift_scene.h"
#include "scenes/scroller.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"
#include "scenes/tunnel_scene.h"

// Null where creation failed or never happened.
static SoundSystem* sound_system;
static Sound* music;
static SoundChannel* music_channel;

void load_show()
{
    fade_load();
    title_load();
    dance_load();
    deform_load();
    greetings_load();
    lift_load();
    tunnel_load();
    finale_load();
    create_font(font_file);
}

void draw_frame(uint32_t t)
{
    begin_frame(t);
    if (t <= dance_start)
        title_frame(t);
    dance_frame(t);
    deform_frame(t);
    greetings_frame(t);
    lift_frame(t);
    tunnel_frame(t);
    finale_frame(t);
    scroller_frame(t);
}

Pass frame_pass(uint32_t start_ticks)
{
    if (quit_requested())
        return Pass::quit;
    const uint32_t t = ticks() - start_ticks;
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

// The running show: the demo time it starts at, where that time starts on the
// clock, and how its loop ended.
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
    last_pass = frame_pass(start_ticks);
    return last_pass == Pass::drawn;
}

static void end_show()
{
    if (last_pass == Pass::end)
        video_shutdown();
    stop_music();
}

int run_demo(const ShowOptions& o)
{
    gentle_flashes = o.gentle;
    if (!video_setup(o.display))
        return 1;

    start_sound_system();
    load_show();
    start_from = o.from;
    run_frames(begin_show, next_frame, end_show);
    return 0;
}
