// Deform scene (28911 .. 43227 ms): the polar deformation streaming over the
// whole picture, the rider growing in, then the pixel credit.
#pragma once

#include <cstdint>

#include "overlays/fade.h"
#include "shell/timeline.h"

constexpr uint32_t rider_grow_start = 29911;     // the rider grows from nothing
constexpr uint32_t deform_credit_start = 35000;  // rider shrinks, credit slides in
constexpr uint32_t rider_scale_ms = 1000;

constexpr FadeEvent deform_fades[] = {
    {deform_start, scene_fade_ms, 1},
    {greetings_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

// Makes the rider, loads the texture and the graph picture, builds both tables.
void deform_load();
// Draws the scene for 28911 <= t <= 43227; returns at once otherwise.
void deform_frame(uint32_t t);
