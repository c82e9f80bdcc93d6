// The program's spine: start-up in its fixed order, the frame function that
// runs the timeline, the frame loop and its two ways out.
#pragma once

#include <cstdint>

#include "draw/surface.h"
#include "scenes/dance_scene.h"
#include "scenes/deform_scene.h"
#include "scenes/finale.h"
#include "scenes/greetings_scene.h"
#include "scenes/lift_scene.h"
#include "scenes/shared.h"
#include "scenes/title_scene.h"
#include "scenes/tunnel_scene.h"
#include "show/clock.h"
#include "show/options.h"
#include "show/sound.h"

// Everything the show draws with: each scene's own state and what the scenes
// share, made by show_load and kept until the process ends.
struct Show {
    SharedState shared;
    TitleScene title;
    DanceScene dance;
    DeformScene deform;
    GreetingsScene greetings;
    LiftScene lift;
    TunnelScene tunnel;
    Finale finale;
};

// The overlays (gentle flashes or not), the random sequence from its seed,
// every scene's load step and the font, in start-up order; null only when
// the memory for the show cannot be had.
Show* show_load(bool gentle = false);

// Draws the frame for demo time t into the target (back_width x back_height,
// xrgb layout): the scene steps in timeline order, then the scroller band and
// the scroll text. Does not present.
void show_draw(uint32_t t, Show* show, Surface* target);

// The sound system, the music and the channel it plays on; null where
// creation failed or never happened.
struct Music {
    SoundSystem* system;
    Sound* sound;
    SoundChannel* channel;
};

// Sound system creation and init, each failure printed.
void music_open(Music* music);
// Streams "data/dorvang.ogg" from `from` ms, from now on; a failure is printed
// and the show runs silent.
void music_start(Music* music, uint32_t from = 0);
// Pauses the music and releases the sound and the system (both ways out);
// safe with whatever of them exists.
void music_stop(Music* music);

// Demo time for the frame drawn now: the clock advanced to when the frame will
// be seen, following the music as it is heard there while it plays.
uint32_t clock_demo_time(ShowClock* clock, const Music* music);

// What one pass of the frame loop did.
enum class Pass { drawn, quit, end };

// A show being played: what it draws with and into, its music and its clock,
// where it starts and how its loop ended.
struct Playback {
    Show* show;
    Surface* back_buffer;
    Music music;
    ShowClock clock;
    uint32_t from;
    bool gentle;
    Pass last;
};

// One pass: events, then demo time, then the frame drawn into the back buffer
// and presented, or the reason the loop ends.
Pass playback_pass(Playback* p);

// Start-up, the frame loop from the demo time asked for, and the shutdown
// path the loop ended with. Returns the process exit status; in a browser it
// returns once the loop is set going.
int show_run(const ShowOptions& o = ShowOptions());
