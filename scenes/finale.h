// Finale (80000 .. 101000 ms): rings, plasma, starfield and tunnel in turn,
// about a second each, then the fade to black.
#pragma once

#include <cstdint>

#include "core/steps.h"
#include "draw/surface.h"
#include "overlays/fade.h"
#include "scenes/shared.h"
#include "scenes/timeline.h"

constexpr uint32_t finale_switch_ms = 1000;  // an effect lasts until a frame comes later than this

constexpr FadeEvent finale_fades[] = {
    {finale_start, scene_fade_ms, 1},
    {finale_end - 1000, 1000, -1},
    {0, 0, 0},
};

struct Finale {
    int32_t effect = 0;                   // switches so far; modulo 4 picks the effect
    uint32_t last_switch = finale_start;  // demo time of the latest switch
    int64_t star_steps_taken = no_step;   // latest 60 Hz step of the starfield phase
    // The starfield phase's picture as its latest step left it, before the
    // overlays of that frame, for the switch it belongs to: a frame that comes
    // before the next step shows it again instead of stepping.
    Surface* star_picture = nullptr;
    int32_t star_picture_effect = -1;
};

// Makes the starfield phase's picture.
void finale_load(Finale* finale);
// Draws the finale for 80000 <= t <= 101000 with what the other scenes left
// it; returns at once otherwise.
void finale_draw(uint32_t t, Finale* finale, SharedState* shared, Surface* target);
