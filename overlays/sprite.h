// Animated sprites: sheets of 100-row frames, stepped by demo time and drawn
// magnified with the magenta key.
#pragma once

#include <cstdint>

#include "core/picture_rules.h"
#include "core/steps.h"
#include "draw/surface.h"

struct Sprite {
    Surface* sheet;  // frames stacked top to bottom
    int32_t frame_count;
    int32_t current_frame;        // 0 .. frame_count - 1
    int32_t frame_width;          // the sheet's width
    int32_t frame_height;         // always 100
    int32_t frame_interval;       // ms between two frame steps, always 200
    uint32_t last_step;           // demo time of the last frame step
    int32_t last_left, last_top;  // top-left of the last draw
    int64_t steps_taken;          // latest 60 Hz step looked at; sprite_not_drawn before
};

constexpr int64_t sprite_not_drawn = INT64_MIN;

constexpr int32_t sprite_frame_ms = 200;

// A new sprite over the sheet, keyed magenta; null when the sheet is null or
// holds fewer than frame_count frames of 100 rows.
Sprite* sprite_make(Surface* sheet, int32_t frame_count);
// Steps the animation, then draws the frame centred (unmagnified) on
// (cx, cy) at the given scale. The animation looks at the 60 Hz steps from its
// first draw on and steps at the first one a frame interval after its last
// step. A null sprite draws nothing.
void sprite_draw(uint32_t t, const FrameSteps* frames, Sprite* sprite, int cx, int cy, float scale,
                 Surface* target);
