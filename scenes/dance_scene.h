// Dance scene (14596 .. 28911 ms): cycling plasma, the dancer, a row of arrow
// targets with 30 notes scrolling up and a white flash on every beat.
#pragma once

#include <cstdint>

#include "draw/surface.h"
#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "scenes/shared.h"
#include "scenes/timeline.h"

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

constexpr int arrow_row_x = 200;  // left end of the row; the arrows stand 30 apart
constexpr int arrow_row_y = 4;    // the row's height once dropped; notes vanish on reaching it

// The scene's pictures, made by dance_load; null where a picture did not load.
struct DanceScene {
    Sprite* riding = nullptr;        // the dancer until the exit starts
    Sprite* jamming = nullptr;       // the dancer while leaving
    Surface* graph = nullptr;        // credits artwork, rises at the exit
    Surface* filled_arrows[4] = {};  // by arrow index: left, down, up, right
    Surface* empty_arrows[4] = {};   // the row of targets, same order
};

// Entry progress, 0 at the scene's start to 1 after 1100 ms.
float dance_entry(uint32_t t);
// Exit progress, 0 until 24675 ms, then to 1 over a second.
float dance_exit(uint32_t t);
// The dancer's centre x for entry progress a and exit progress e.
int dancer_x(float a, float e);
// Top edge of the row of empty arrows for 16000 <= t <= 27000.
int arrow_row_top(uint32_t t);
// Top edge of note n for t >= 16000; the note shows only from arrow_row_y down.
int note_top(int n, uint32_t t);

// Builds the shared palette, makes the two dancer sprites, loads the pictures.
void dance_load(DanceScene* scene, SharedState* shared);
// Draws the scene for 14596 <= t <= 28911, turning the shared palette;
// returns at once otherwise.
void dance_scene_draw(uint32_t t, DanceScene* scene, SharedState* shared, Surface* target);
