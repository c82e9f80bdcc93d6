// Two sets of concentric rings wandering over a background that jumps colour.
#pragma once

#include <cstdint>

#include "draw/surface.h"

constexpr int ring_image_width = 640;
constexpr int ring_image_height = 480;
constexpr int ring_window_width = 320;   // each frame shows two windows
constexpr int ring_window_height = 240;  // of the ring image this large
constexpr int ring_crest_grey = 200;     // greys above this are opaque

// Top-left corners, in the ring image, of the two windows shown at one time.
struct RingWindows {
    int x1, y1;  // drawn first
    int x2, y2;  // drawn over the first
};

// A new ring image: 640 x 480 grey rings in the scratch layout, crests
// opaque; null when it cannot be had. Once, at load.
Surface* rings_make_image();
// Grey level of the ring image at distance d from the centre, 0..255.
int ring_grey(int d);
// The background of time t as a raw pixel value, written unchanged whatever the
// target's channel order.
uint32_t ring_background(uint32_t t);
// Where the two windows lie at time t; always inside the ring image.
RingWindows ring_windows(uint32_t t);
// Background fill, then two moving windows of the ring image blended over it,
// overwriting the whole target (the back buffer, or a layer in the scratch
// layout); the windows cover at most its top-left 320 x 240. Without a ring
// image only the background is drawn.
void rings_draw(uint32_t t, const Surface* ring_image, Surface* target);
