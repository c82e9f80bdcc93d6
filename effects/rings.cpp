#include "effects/rings.h"

#include <cmath>

#include "core/maths.h"
#include "draw/blit.h"

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
    return int(std::fabs(exact_sin(45 * d / 150.0)) * 255);
}

Surface* rings_make_image()
{
    Surface* ring_image = surface_make_scratch(ring_image_width, ring_image_height);
    if (!ring_image)
        return nullptr;  // the rings then draw their background alone
    // One sine per distance rather than per pixel.
    uint32_t pixel_at[ring_corner_distance + 1];
    for (int d = 0; d <= ring_corner_distance; d++) {
        const uint32_t g = uint32_t(ring_grey(d));
        pixel_at[d] = g * 0x010101 | (g > ring_crest_grey ? 0xFF000000 : 0);
    }
    const int pitch = ring_image->pitch;
    uint32_t* row = ring_image->pixels;
    for (int k = 0; k < ring_image_height; k++, row += pitch) {
        const int Y = ring_cy - k;
        for (int n = 0; n < ring_image_width; n++) {
            const int X = ring_cx - n;
            row[n] = pixel_at[int(std::sqrt(double(X * X + Y * Y)))];
        }
    }
    return ring_image;
}

uint32_t ring_background(uint32_t t)
{
    const uint32_t c1 = uint32_t(128 + 128 * exact_sin(double(t / red_period_ms)));
    const uint32_t c2 = uint32_t(128 + 128 * exact_sin(double(t / green_period_ms)));
    const uint32_t c3 = uint32_t(128 + 128 * exact_sin(double(t / blue_period_ms)));
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
    const SinCos a1 = exact_sincos(3 * m / 2000);
    const SinCos a2 = exact_sincos(9 * m / 2000);
    const SinCos a3 = exact_sincos(7 * m / 2000);
    const SinCos a4 = exact_sincos(5 * m / 2000);
    // Two swings of half the centre each reach from 0 to the far edge at most,
    // so both windows always lie inside the ring image.
    const int cx = (ring_image_width - ring_window_width) / 2;
    const int cy = (ring_image_height - ring_window_height) / 2;
    const int sx = cx / 2;
    const int sy = cy / 2;
    return RingWindows{
        window_coordinate(cx, sx, a1.sin, a2.cos),
        window_coordinate(cy, sy, a3.sin, a4.cos),
        window_coordinate(cx, sx, a4.sin, a1.cos),
        window_coordinate(cy, sy, a2.sin, a3.cos),
    };
}

void rings_draw(uint32_t t, const Surface* ring_image, Surface* target)
{
    if (!target)
        return;
    const uint32_t background = ring_background(t);
    const int w = target->w < ring_window_width ? target->w : ring_window_width;
    const int h = target->h < ring_window_height ? target->h : ring_window_height;
    if (!ring_image || w < target->w || h < target->h)
        surface_fill(background, target);
    if (!ring_image)
        return;

    // The same frame as a fill and two alpha blits, in one pass: the ring image
    // holds only alphas 0 and 255 and greys that read the same in either channel
    // order, so blending a window means taking its word where the sign bit is
    // set. The sign bit spread into a mask keeps the loop free of branches, so
    // it vectorises; varno-bench holds SDL's way for comparison.
    const RingWindows at = ring_windows(t);
    const int spitch = ring_image->pitch;
    const int tpitch = target->pitch;
    const uint32_t* image = ring_image->pixels;
    const uint32_t* first = image + at.y1 * spitch + at.x1;
    const uint32_t* second = image + at.y2 * spitch + at.x2;
    uint32_t* dst = target->pixels;
    for (int y = 0; y < h; y++, first += spitch, second += spitch, dst += tpitch)
        for (int x = 0; x < w; x++) {
            const uint32_t a = first[x];
            const uint32_t b = second[x];
            const uint32_t a_mask = uint32_t(int32_t(a) >> 31);
            const uint32_t b_mask = uint32_t(int32_t(b) >> 31);
            const uint32_t under = (a & a_mask) | (background & ~a_mask);
            dst[x] = (b & b_mask) | (under & ~b_mask);
        }
}
