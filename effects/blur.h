// The in-place three-tap blur that leaves trails on surfaces nobody clears.
#pragma once

#include "platform/surface.h"

// Blurs the top-left 320 x 240 pixels in place, horizontally then vertically;
// each top byte becomes the mean of its pixel's new channels. A surface that
// is not 32-bit and at least 320 x 240 is left alone.
void three_tap_blur(SDL_Surface* surface);
