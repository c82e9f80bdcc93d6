// Two sets of concentric rings wandering over a background that jumps colour.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

extern SDL_Surface* ring_image;  // 640 x 480 grey rings, crests opaque

// Creates and fills the ring image; once, at load.
void build_ring_image();
// Background fill, then two moving windows of the ring image, over the target.
void draw_rings(uint32_t t, SDL_Surface* target);
