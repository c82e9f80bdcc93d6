// Plasma over a cycling palette that turns after every plasma frame.
#pragma once

#include <cstdint>

#include "draw/surface.h"

#include "core/steps.h"

// The cycling palette: built by the dance scene's load step, turned by the
// dance scene and then by the finale.
struct Palette {
    uint32_t colours[256];          // pixel values in the xrgb layout
    uint32_t last_rotation = 0;     // demo time of the latest rotation
    int64_t steps_taken = no_step;  // latest 60 Hz step the palette turned at
};

// The per-frame constants of the two waves at demo time t.
struct PlasmaWaves {
    float T;     // t / 100, the circular wave's phase
    int cx, cy;  // centre of the circular wave
    float kx;    // planar wave vector: phase per column...
    float ky;    // ...and per row
};
PlasmaWaves plasma_waves(uint32_t t);

// The rows and tables plasma_draw works in each frame (over a megabyte: made
// once, at load); null when they cannot be had.
struct PlasmaRows;
PlasmaRows* plasma_make_rows();
void plasma_free_rows(PlasmaRows* rows);

// Fills the palette from scratch, unturned; once, at load.
void palette_make(Palette* palette);
// Every pixel of the target from the two waves at demo time t through the
// palette, worked out in the rows; a null target or rows, or a target wider
// than the rows, is left alone.
void plasma_draw(uint32_t t, const Palette* palette, PlasmaRows* rows, Surface* target);
// Turns the palette at demo time t by an amount that depends on the time
// since the last turn.
void palette_rotate(uint32_t t, Palette* palette);
// Turns the palette at each 60 Hz step from demo time `from` on that it has
// not turned at yet, up to step `last`.
void palette_turn(uint32_t from, int64_t last, Palette* palette);
