// Greetings scene (43227 .. 50058 ms): a blurred starfield and nineteen logos
// on a glowing layer, a white flash at every switch.
#pragma once

#include <cstdint>

#include "overlays/fade.h"
#include "platform/surface.h"
#include "scenes/data_files.h"
#include "scenes/timeline.h"

// Logo i is shown while logo_switch[i] <= t < logo_switch[i + 1].
constexpr uint32_t logo_switch[logo_count + 1] = {
    43527, 43827, 44127, 44427,      44727, 45027, 45327, 45627,  // every 300 ms
    45927, 46127, 46327, 46527,      46727, 46927, 47127, 47327,  // every 200 ms
    47527, 47727, 47927, lift_start,
};

constexpr FadeEvent greetings_fades[] = {
    {greetings_start, scene_fade_ms, 1},
    {lift_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

extern SDL_Surface* star_layer;                   // stars and their trails, blurred every frame
extern SDL_Surface* logo_layer;                   // every logo drawn so far, blurred every frame
extern SDL_Surface* greetings_logos[logo_count];  // logo i; null where it did not load
extern int64_t layer_steps_taken;                 // latest 60 Hz step both layers took

// The logo shown at demo time t, or -1 outside logo_switch[0] .. logo_switch[19] - 1.
int greetings_logo(uint32_t t);

// Makes the two layers, loads the logos, creates the stars.
void greetings_load();
// Draws the scene for 43227 <= t <= 50058; returns at once otherwise.
void greetings_frame(uint32_t t);
