#include "effects/rings.h"

#include <cmath>

#include "platform/blit.h"

SDL_Surface* ring_image;

// Background components step at whole periods of t (integer quotients).
constexpr uint32_t red_period_ms = 3411;    // bits 16..23 of the raw fill
constexpr uint32_t green_period_ms = 6879;  // bits 8..15
constexpr uint32_t blue_period_ms = 1377;   // bits 0..7

// The rings are centred on the image; no pixel lies farther than a corner.
constexpr int ring_cx = ring_image_width / 2;
constexpr int ring_cy = ring_image_height / 2;
constexpr int ring_corner_distance = 400;
static_assert(ring_cx * ring_cx + ring_cy * ring_cy == ring_corner_distance * ring_corner_distance,
              "the corner lies at a whole distance");

int ring_grey(int d)
{
    return int(std::fabs(std::sin(45 * d / 150.0)) * 255);
}

void build_ring_image()
{
    ring_image = create_scratch_surface(ring_image_width, ring_image_height);
    if (!ring_image)
        return;  // the rings then draw their background alone
    // One sine per distance rather than per pixel.
    Uint32 pixel_at[ring_corner_distance + 1];
    for (int d = 0; d <= ring_corner_distance; d++) {
        const Uint32 g = Uint32(ring_grey(d));
        pixel_at[d] = g * 0x010101 | (g > ring_crest_grey ? 0xFF000000 : 0);
    }
    lock_surface(ring_image);
    const int pitch = pitch_pixels(ring_image);
    Uint32* row = static_cast<Uint32*>(ring_image->pixels);
    for (int k = 0; k < ring_image_height; k++, row += pitch) {
        const int Y = ring_cy - k;
        for (int n = 0; n < ring_image_width; n++) {
            const int X = ring_cx - n;
            row[n] = pixel_at[int(std::sqrt(double(X * X + Y * Y)))];
        }
    }
    unlock_surface(ring_image);
}

Uint32 ring_background(uint32_t t)
{
    const Uint32 c1 = Uint32(128 + 128 * std::sin(double(t / red_period_ms)));
    const Uint32 c2 = Uint32(128 + 128 * std::sin(double(t / green_period_ms)));
    const Uint32 c3 = Uint32(128 + 128 * std::sin(double(t / blue_period_ms)));
    return 0xFF000000 + c1 * 0x10000 + c2 * 0x100 + c3;
}

// One window coordinate: centre + swing * (fl(first) + fl(second)), summed in double.
static int window_coordinate(int centre, int swing, double first, double second)
{
    return int(centre + swing * double(float(first)) + swing * double(float(second)));
}

RingWindows ring_windows(uint32_t t)
{
    const double m = float(t);
    const double a1 = 3 * m / 2000;
    const double a2 = 9 * m / 2000;
    const double a3 = 7 * m / 2000;
    const double a4 = 5 * m / 2000;
    // Two swings of half the centre each reach from 0 to the far edge at most,
    // so both windows always lie inside the ring image.
    const int cx = (ring_image_width - ring_window_width) / 2;
    const int cy = (ring_image_height - ring_window_height) / 2;
    const int sx = cx / 2;
    const int sy = cy / 2;
    return RingWindows{
        window_coordinate(cx, sx, std::sin(a1), std::cos(a2)),
        window_coordinate(cy, sy, std::sin(a3), std::cos(a4)),
        window_coordinate(cx, sx, std::sin(a4), std::cos(a1)),
        window_coordinate(cy, sy, std::sin(a2), std::cos(a3)),
    };
}

void draw_rings(uint32_t t, SDL_Surface* target)
{
    if (!target || target->format->BytesPerPixel != 4)
        return;
    const Uint32 background = ring_background(t);
    const int w = target->w < ring_window_width ? target->w : ring_window_width;
    const int h = target->h < ring_window_height ? target->h : ring_window_height;
    if (!ring_image || w < target->w || h < target->h)
        fill_surface(target, background);
    if (!ring_image)
        return;

    // The same frame as a fill and two alpha blits, in one pass: the ring image
    // holds only alphas 0 and 255 and greys that read the same in either channel
    // order, so blending a window means taking its word where the sign bit is
    // set. The sign bit spread into a mask keeps the loop free of branches, so
    // it vectorises; varno-bench holds SDL's way for comparison.
    const RingWindows at = ring_windows(t);
    lock_surface(ring_image);
    lock_surface(target);
    const int spitch = pitch_pixels(ring_image);
    const int tpitch = pitch_pixels(target);
    const Uint32* image = static_cast<const Uint32*>(ring_image->pixels);
    const Uint32* first = image + at.y1 * spitch + at.x1;
    const Uint32* second = image + at.y2 * spitch + at.x2;
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    for (int y = 0; y < h; y++, first += spitch, second += spitch, dst += tpitch)
        for (int x = 0; x < w; x++) {
            const Uint32 a = first[x];
            const Uint32 b = second[x];
            const Uint32 a_mask = Uint32(int32_t(a) >> 31);
            const Uint32 b_mask = Uint32(int32_t(b) >> 31);
            const Uint32 under = (a & a_mask) | (background & ~a_mask);
            dst[x] = (b & b_mask) | (under & ~b_mask);
        }
    unlock_surface(target);
    unlock_surface(ring_image);
}
