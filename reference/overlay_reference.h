// Straightforward per-pixel versions of the sprite draw and the scroller band,
// step by step as the algorithms read, with no clipping shortcuts or tables.
// The benchmarks measure the library against them and the tests compare
// their pixels.
#pragma once

#include <cstdint>

#include "core/maths.h"
#include "draw/surface.h"
#include "overlays/sprite.h"

inline uint32_t& reference_pixel(const Surface* s, int x, int y)
{
    return s->pixels[y * s->pitch + x];
}

// Steps and draws like sprite_draw. Needs scale > 0 small enough for the
// sampling to move on (a huge scale would never leave the frame).
inline void reference_sprite_draw(uint32_t t, Sprite* s, int cx, int cy, float scale,
                                  Surface* target)
{
    if (t >= s->last_step + uint32_t(s->frame_interval)) {
        s->last_step = t;
        if (++s->current_frame >= s->frame_count)
            s->current_frame = 0;
    }
    const int left = int16_t(cx - s->frame_width / 2);
    const int top = int16_t(cy - s->frame_height / 2);
    s->last_left = left;
    s->last_top = top;
    const float step = 1.0f / scale;
    const int first_row = int16_t(s->current_frame * s->frame_height);
    const int row_end = first_row + s->frame_height;
    int y = top;
    for (float v = float(first_row); v < row_end; v += step, y++) {
        if (y < 0 || y >= target->h || s->frame_width <= 0)
            continue;
        float u = 0.0f;
        int x = left;
        do {
            if (x >= 0 && x < target->w) {
                const uint32_t p = reference_pixel(s->sheet, int(u), int(v));
                if ((p & 0x00FFFFFF) != 0xFF00FF)
                    reference_pixel(target, x, y) = p;
            }
            x++;
            u += step;
        } while (u < s->frame_width);
    }
}

// The band over the bottom h lines of the target, every byte multiplied on its own.
inline void reference_scroller_band(int h, float k, Surface* target)
{
    k = k < 0.0f ? 0.0f : k > 1.0f ? 1.0f : k;
    for (int y = target->h - h; y < target->h; y++) {
        const int r = y - (target->h - h);
        for (int x = 0; x < target->w; x++) {
            uint32_t& p = reference_pixel(target, x, y);
            if (r < 6) {
                const float s = float(exact_sin((r + 1) * pi_f / 6));
                p = 0xFF000000 | (uint32_t(int(s * 255.0f)) & 0xFF) * 0x010101;
                continue;
            }
            uint32_t out = 0xFF000000;
            for (int shift = 0; shift < 24; shift += 8)
                out |= uint32_t((p >> shift & 0xFF) * (1.0f - k)) << shift;
            p = out;
        }
    }
}
