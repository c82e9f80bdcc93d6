// Plasma over a cycling palette that turns after every plasma frame.
#pragma once

#include <cstdint>

#include "platform/surface.h"

extern uint32_t plasma_palette[256];  // pixel values in the back buffer's layout
extern uint32_t last_rotation;        // demo time of the latest rotation
extern int64_t palette_steps_taken;   // latest 60 Hz step the palette turned at

// The per-frame constants of the two waves at demo time t.
struct PlasmaWaves {
    float T;     // t / 100, the circular wave's phase
    int cx, cy;  // centre of the circular wave
    float kx;    // planar wave vector: phase per column...
    float ky;    // ...and per row
};
PlasmaWaves plasma_waves(uint32_t t);

// Fills the palette from scratch; once, at load.
void build_palette();
// Every pixel of a 32-bit target from the two waves at demo time t; a null
// target or one of another depth is left alone.
void draw_plasma(uint32_t t, SDL_Surface* target);
// Turns the palette at demo time t by an amount that depends on the time
// since the last turn.
void rotate_palette(uint32_t t);
// Turns the palette at each 60 Hz step from demo time `from` on that it has
// not turned at yet, up to step `last`.
void turn_palette(uint32_t from, int64_t last);
