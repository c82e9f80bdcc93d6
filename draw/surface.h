// Surfaces: the show's own picture type. Every picture, layer and target above
// the display is one of these: 32-bit pixels in memory of our own, a named
// channel layout, a clip rectangle and two switches for how blits take it.
#pragma once

#include <cstdint>

#include "core/picture_rules.h"

// The picture every frame is drawn at; the display enlarges it.
constexpr int back_width = 320;
constexpr int back_height = 240;

// Where the 8-bit channels lie in a 32-bit pixel: one mask each, a zero alpha
// mask for a layout without alpha.
struct PixelLayout {
    uint32_t r, g, b, a;
};

inline bool operator==(const PixelLayout& x, const PixelLayout& y)
{
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
}

// 0x00RRGGBB: the back buffer's layout by contract, and every loaded picture's.
// It is also an X server's 24-bit visual and a Windows DIB, so most displays
// take it as it is. The top byte is no alpha: what the renderers leave there
// is kept, and a composed pixel written directly carries 0xFF.
constexpr PixelLayout xrgb_layout = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
// The scratch layout: red in the low byte, alpha on top (0xAABBGGRR). Overlays
// and layers in it are blended by their per-pixel alpha.
constexpr PixelLayout scratch_layout = {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000};

// No side may be longer: blit positions and sizes are 16-bit, and a row of
// this many pixels is 65532 bytes, within a 16-bit pitch.
constexpr int max_surface_side = 16383;

struct Rect {
    int x, y, w, h;
};

struct Surface {
    int w, h;
    int pitch;         // row step, in pixels
    uint32_t* pixels;  // h rows of pitch pixels, the first w of each shown
    PixelLayout layout;
    Rect clip;     // blits and fills touch nothing outside it
    bool keyed;    // blits from it leave out magenta pixels
    bool blended;  // blits from it mix by per-pixel alpha (a layout with alpha)
    bool owned;    // pixels are ours to free with the surface
};

// A new w x h surface, zeroed, clipped to its whole area; null when the memory
// cannot be had or a side is not 1 .. max_surface_side.
Surface* surface_make(int w, int h, PixelLayout layout);
// A new w x h surface in the scratch layout, blended by its per-pixel alpha
// wherever it is blitted; null when it cannot be had.
Surface* surface_make_scratch(int w, int h);
// A surface over pixels that someone else owns (a display's memory, a test's
// buffer); pitch in pixels. Freeing it leaves the pixels alone.
Surface* surface_wrap(uint32_t* pixels, int w, int h, int pitch, PixelLayout layout);
// Frees a surface and the pixels it owns; null is fine.
void surface_free(Surface* s);

// Pixel (x, y): no bounds are checked.
inline uint32_t* surface_row(const Surface* s, int y)
{
    return s->pixels + int64_t(y) * s->pitch;
}
