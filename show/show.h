// The program's spine: start-up in its fixed order, the frame function that
// runs the timeline, the frame loop and its two ways out.
#pragma once

#include <cstdint>

#include "show/options.h"

// The overlays, every scene's load step and the font, in start-up order.
// Needs video_setup first.
void load_show();

// Draws the frame for demo time t into the back buffer: the scene steps in
// timeline order, then the scroller band and the scroll text. Does not present.
void draw_frame(uint32_t t);

// What one pass of the frame loop did.
enum class Pass { drawn, quit, end };

// One pass: events, demo time from the start ticks, then the frame drawn and
// presented, or the reason the loop ends.
Pass frame_pass(uint32_t start_ticks);

// Sound system creation and init (start-up step 2), each failure printed.
void start_sound_system();
// Streams "data/dorvang.ogg" from `from` ms into it, from now on (start-up
// step 11); a failure is printed and the show runs silent.
void start_music(uint32_t from = 0);
// Pauses the music and releases the sound and the system (both ways out);
// safe with whatever of them exists.
void stop_music();

// Start-up, the frame loop from the demo time asked for, and the shutdown
// path the loop ended with. Returns the process exit status; in a browser it
// returns once the loop is set going.
int run_demo(const ShowOptions& o = ShowOptions());
