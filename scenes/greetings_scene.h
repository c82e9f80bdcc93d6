// Greetings scene (43227 .. 50058 ms): a blurred starfield and nineteen logos
// on a glowing layer, a white flash at every switch.
#pragma once

#include <cstdint>

#include "core/steps.h"
#include "draw/surface.h"
#include "overlays/fade.h"
#include "scenes/data_files.h"
#include "scenes/shared.h"
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

struct GreetingsScene {
    Surface* star_layer = nullptr;        // stars and their trails, blurred every step
    Surface* logo_layer = nullptr;        // every logo drawn so far, blurred every step
    Surface* logos[logo_count] = {};      // logo i; null where it did not load
    int64_t layer_steps_taken = no_step;  // latest 60 Hz step both layers took
};

// The logo shown at demo time t, or -1 outside logo_switch[0] .. logo_switch[19] - 1.
int greetings_logo(uint32_t t);

// Makes the two layers, loads the logos, creates the shared stars.
void greetings_load(GreetingsScene* scene, SharedState* shared);
// Draws the scene for 43227 <= t <= 50058, flying the shared stars; returns
// at once otherwise.
void greetings_scene_draw(uint32_t t, GreetingsScene* scene, SharedState* shared, Surface* target);
