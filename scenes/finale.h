// Finale (80000 .. 101000 ms): rings, plasma, starfield and tunnel in turn,
// about a second each, then the fade to black.
#pragma once

#include <cstdint>

#include "overlays/fade.h"
#include "platform/surface.h"
#include "scenes/timeline.h"

constexpr uint32_t finale_switch_ms = 1000;  // an effect lasts until a frame comes later than this

constexpr FadeEvent finale_fades[] = {
    {finale_start, scene_fade_ms, 1},
    {finale_end - 1000, 1000, -1},
    {0, 0, 0},
};

extern SDL_Surface* finale_tunnel_texture;  // its own copy of the tunnel texture
extern int32_t finale_effect;               // switches so far; modulo 4 picks the effect
extern uint32_t finale_last_switch;         // demo time of the latest switch
extern int64_t star_steps_taken;            // latest 60 Hz step of the starfield phase

// Loads the finale's tunnel texture (after the tunnel scene's tables).
void finale_load();
// The finale's tunnel at demo time t, on the tunnel scene's path.
void draw_finale_tunnel(uint32_t t, SDL_Surface* target);
// Draws the finale for 80000 <= t <= 101000; returns at once otherwise.
void finale_frame(uint32_t t);
