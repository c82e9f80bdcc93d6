#include "show/show.h"

#include <cstdio>
#include <new>

#include "overlays/fade.h"
#include "platform/system.h"
#include "platform/video.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"
#include "scenes/scroller.h"
#include "scenes/timeline.h"

Show* show_load(bool gentle)
{
    Show* show = new (std::nothrow) Show;
    if (!show)
        return nullptr;
    shared_load(&show->shared, gentle);
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

void show_draw(uint32_t t, Show* show, Surface* target)
{
    SharedState* shared = &show->shared;
    steps_begin_frame(&shared->frames, t);
    if (t <= dance_start)
        title_scene_draw(t, &show->title, shared, target);
    dance_scene_draw(t, &show->dance, shared, target);
    deform_scene_draw(t, &show->deform, shared, target);
    greetings_scene_draw(t, &show->greetings, shared, target);
    lift_scene_draw(t, &show->lift, shared, target);
    tunnel_scene_draw(t, &show->tunnel, shared, target);
    finale_draw(t, &show->finale, shared, target);
    scroller_draw(t, shared->font, target);
}

void music_open(Music* m)
{
    if (sound_system_make(&m->system) != 0)
        printf("Error at creation of FMOD Ex system\n");
    else if (sound_system_open(m->system, 1) != 0)
        printf("Error at init of FMOD Ex system\n");
}

void music_start(Music* m, uint32_t from)
{
    // Asked for even when the system did not start; it then fails with its
    // own message and the show runs silent on the clock.
    if (sound_load_stream(m->system, music_file, &m->sound) != 0)
        printf("Error at loading music %s\n", music_file);
    else if (sound_play(m->system, m->sound, false, &m->channel) != 0)
        printf("Error at playing music\n");
    else if (from > 0)
        sound_channel_set_position(m->channel, from);
    fflush(stdout);
}

void music_stop(Music* m)
{
    sound_channel_set_paused(m->channel, true);
    sound_free(m->sound);
    sound_system_close(m->system);
    sound_system_free(m->system);
    *m = Music{};
}

uint32_t clock_demo_time(ShowClock* clock, const Music* music)
{
    const double seen = clock_ms() + picture_delay_ms();
    double heard;
    const bool playing = sound_channel_get_heard(music->channel, seen, &heard) == 0;
    return uint32_t(clock_advance(clock, seen, playing ? &heard : nullptr));
}

Pass playback_pass(Playback* p)
{
    if (quit_requested())
        return Pass::quit;
    const uint32_t t = clock_demo_time(&p->clock, &p->music);
    if (t > last_frame_time)
        return Pass::end;
    show_draw(t, p->show, p->back_buffer);
    video_present(p->back_buffer);
    return Pass::drawn;
}

static void begin_show(void* context)
{
    Playback* p = static_cast<Playback*>(context);
    music_start(&p->music, p->from);
    // Demo time starts at `from` now; while the music plays the clock holds
    // it there until the music's first sample is heard.
    p->clock = clock_start(p->from, clock_ms() + picture_delay_ms());
}

static bool next_frame(void* context)
{
    Playback* p = static_cast<Playback*>(context);
    p->last = playback_pass(p);
    return p->last == Pass::drawn;
}

static double time_at(void* context, double at)
{
    return clock_run_on(static_cast<Playback*>(context)->clock, at);
}

// A viewer who quits is let go at once: the music stops where it is and the
// program ends, waiting for nothing.
static void quit_now(Music* music)
{
    sound_channel_set_paused(music->channel, true);
    exit_now(0);
    music_stop(music);  // where the program cannot end itself
}

static void end_show(void* context)
{
    Playback* p = static_cast<Playback*>(context);
    if (p->last == Pass::quit) {
        quit_now(&p->music);
        return;
    }
    if (p->last == Pass::end) {
        video_shutdown();
        surface_free(p->back_buffer);
        p->back_buffer = nullptr;
    }
    music_stop(&p->music);
}

// Start-up's sound and loading steps, in their order.
static void load(void* context)
{
    Playback* p = static_cast<Playback*>(context);
    music_open(&p->music);
    p->show = show_load(p->gentle);
}

int show_run(const ShowOptions& o)
{
    if (!video_setup(o.display))
        return 1;
    // The one running show, kept to the process's end like what it draws
    // with: a browser's frame loop outlives this call.
    static Playback playback;
    Playback* p = &playback;
    *p = Playback{};
    p->back_buffer = surface_make(back_width, back_height, xrgb_layout);
    if (!p->back_buffer) {
        printf("Error at setting video mode: no memory for the back buffer\n");
        return 1;
    }
    p->from = o.from;
    p->gentle = o.gentle;
    // A viewer who quits while the sound opens or the show loads is let go
    // at once, not after the tables are built.
    if (!run_while_loading(load, p)) {
        quit_now(&p->music);
        return 0;
    }
    if (!p->show) {
        printf("Error: no memory for the show\n");
        return 1;
    }
    run_frames(FrameLoop{p, begin_show, next_frame, end_show, time_at});
    return 0;
}
