// Dance scene (14596 .. 28911 ms): cycling plasma, the dancer, a row of arrow
// targets with 30 notes scrolling up and a white flash on every beat.
#pragma once

#include <cstdint>

#include "overlays/fade.h"
#include "shell/timeline.h"

constexpr uint32_t dance_entry_ms = 1100;     // the dancer slides in from the right
constexpr uint32_t dance_exit_start = 24675;  // credits rise, the dancer leaves
constexpr uint32_t dance_exit_ms = 1000;
constexpr uint32_t arrows_start = 16000;  // the arrow row drops in, notes start
constexpr uint32_t arrows_drop_ms = 500;
constexpr uint32_t arrows_rise_start = 26000;  // the row goes back up
constexpr uint32_t arrows_end = 27000;         // last frame with the row
constexpr uint32_t first_beat = 18750;         // flash of note 0
constexpr uint32_t beat_every = 250;
constexpr int note_count = 30;

// One step of the arrow pattern; the scene reads the offset and the arrow.
struct ArrowStep {
    int32_t x_offset;  // from the row's left end, x = 200
    int32_t arrow;     // 0 left, 1 down, 2 up, 3 right
    int32_t beat;      // the pattern's own beat time
};

constexpr ArrowStep arrow_pattern[12] = {
    {0, 0, 250},   {90, 3, 500},  {30, 1, 750},  {60, 2, 1000}, {0, 0, 1250},  {60, 2, 1500},
    {90, 3, 1750}, {30, 1, 2000}, {60, 2, 2250}, {0, 0, 2500},  {30, 1, 2750}, {90, 3, 3000},
};

constexpr FadeEvent dance_fades[] = {
    {dance_start, scene_fade_ms, 1},
    {deform_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

// Builds the palette, makes the two dancer sprites, loads the pictures.
void dance_load();
// Draws the scene for 14596 <= t <= 28911; returns at once otherwise.
void dance_frame(uint32_t t);
