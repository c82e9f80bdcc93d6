// A star flight of 1000 stars, each a 3 x 3 block brightening as it nears.
#pragma once

#include <cstdint>

#include "core/random.h"
#include "draw/surface.h"

struct Star {
    float x, y;       // position before projection, -1 .. 0.998
    float z;          // depth, 1 far .. 0.001 at the viewer
    float colour[3];  // weights of pixel bits 16-23, 8-15 and 0-7
};

constexpr int star_count = 1000;
constexpr float star_depth_step = -0.01f;  // what both callers pass

// Vanishing point for demo time t, swinging along the diagonal from (120, 80)
// to (200, 160); the greetings scene and the finale fly the stars around it.
struct StarCentre {
    int x, y;
};
StarCentre starfield_centre(uint32_t t);

// A new array of star_count stars, their starting places drawn from the
// random sequence; null when it cannot be had.
Star* starfield_make(Random* random);
// New place and colour for the star, at the far end, drawn from the sequence.
void star_respawn(Random* random, Star* star);
// Moves every star one depth step, then projects and stores it into the target;
// a star that reaches the viewer respawns from the sequence. Rows are taken
// 320 pixels apart: a target smaller than 320 x 240 is left alone, and so is
// everything without stars.
void starfield_draw(Star* stars, Random* random, int cx, int cy, float depth_step, Surface* target);
