// The machine around the show: the clock, the events that ask to quit, and the
// frame loop, which a browser turns inside out.
#pragma once

#include <cstdint>

// Makes the desktop's display come back however the process leaves. Call
// first of all.
void restore_display_at_exit();

// Milliseconds on a clock that only goes forward (wrapping at 2^32).
uint32_t ticks();

// Drains pending events; true when one of them asks to quit (a released
// Escape, a gamepad's released Back button (platform/pad.h) or a window
// close). Every other event is discarded.
bool quit_requested();

// The frame loop: calls begin once the viewer is there, then frame once per
// displayed frame until it returns false, then done. Natively begin comes at
// once and the call returns after done. In a browser it returns at once: the
// page is told the show is ready, begin comes when the viewer presses play,
// the page's animation frames drive the loop, and after done the page is told
// the show stopped.
void run_frames(void (*begin)(), bool (*frame)(), void (*done)());
