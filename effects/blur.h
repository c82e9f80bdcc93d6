// The in-place three-tap blur that leaves trails on surfaces nobody clears.
#pragma once

#include "draw/surface.h"

// Blurs the top-left 320 x 240 pixels in place, horizontally then vertically;
// each top byte becomes the mean of its pixel's new channels. A surface
// smaller than 320 x 240 is left alone.
void blur_apply(Surface* surface);
