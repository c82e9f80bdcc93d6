// The machine around the show: the clock, the events that ask to quit, and the
// frame loop, which a browser turns inside out.
#pragma once

#include <cstdint>

// Makes the desktop's display come back however the process leaves. Call
// first of all.
void restore_display_at_exit();

// Milliseconds, with their fraction, on a clock that only goes forward: what
// the show's clock runs on, and what the mixer tells what is heard against.
double clock_ms();

// How long after it is drawn a frame reaches the viewer's eyes, beyond the
// present itself: a browser's compositor shows a frame one display frame after
// its animation frame. Zero where the present puts it on the screen.
double picture_delay_ms();

// Ends the program at once with `status`: what was printed written out, the
// display given back, the sound cut off where it is, nothing else waited for
// (a sound server may hold a second of sound that closing the output politely
// would wait to hear). Returns only where a program cannot end itself (a
// browser); the show then winds down as usual.
void exit_now(int status);

// Drains pending events; true when one of them asks to quit (a released
// Escape, a gamepad's released Back button (platform/pad.h) or a window
// close). Every other event is discarded.
bool quit_requested();

// Runs work(context) while the viewer may still ask to quit: where there are
// threads, on one of its own while this one keeps answering the window, and
// false at once when a quit comes meanwhile (the work is then left to the
// process's end, which follows). Where there are none (a browser) it runs
// the work and says true.
bool run_while_loading(void (*work)(void* context), void* context);

// The frame loop: calls begin once the viewer is there, then frame once per
// displayed frame until it returns false, then done, each with the context
// given. Natively begin comes at once and the call returns after done. In a
// browser it returns at once: the page is told the show is ready, begin comes
// when the viewer presses play, the page's animation frames drive the loop,
// and after done the page is told the show stopped. time gives the demo time
// at a clock_ms() reading as the show's clock runs on from its last frame: a
// browser's page brings music that comes in late in there.
struct FrameLoop {
    void* context;
    void (*begin)(void* context);
    bool (*frame)(void* context);
    void (*done)(void* context);
    double (*time)(void* context, double at);
};
void run_frames(const FrameLoop& loop);
