// A star flight of 1000 stars, each a 3 x 3 block brightening as it nears.
#pragma once

#include <cstdint>

#include "platform/surface.h"

struct Star {
    float x, y;       // position before projection, -1 .. 0.998
    float z;          // depth, 1 far .. 0.001 at the viewer
    float colour[3];  // weights of pixel bits 16-23, 8-15 and 0-7
};

constexpr int star_count = 1000;
constexpr float star_depth_step = -0.01f;  // what both callers pass

extern Star*
    stars;  // the one star array, carried from the greetings to the finale; null until init

// Vanishing point for demo time t, swinging along the diagonal from (120, 80)
// to (200, 160); the greetings scene and the finale fly the stars around it.
struct StarCentre {
    int x, y;
};
StarCentre starfield_centre(uint32_t t);

// Allocates the stars and draws their starting places from the random sequence.
void starfield_init();
// New place and colour for star i, at the far end.
void star_respawn(int i);
// Moves every star one depth step, then projects and stores it into the target.
// Rows are taken 320 pixels apart: a target that is not 32-bit and at least
// 320 x 240 is left alone.
void starfield_draw(SDL_Surface* target, int cx, int cy, float depth_step);
