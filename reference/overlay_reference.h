// Straightforward per-pixel versions of the sprite draw and the scroller band,
// step by step as the algorithms read, with no clipping shortcuts or tables.
// The benchmarks measure the library against them and the tests compare
// their pixels.
#pragma once

#include <cmath>
#include <cstdint>

#include "overlays/sprite.h"
#include "platform/maths.h"
#include "platform/surface.h"

inline Uint32& reference_pixel(SDL_Surface* s, int x, int y)
{
    return static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
}

// Steps and draws like draw_sprite. Needs scale > 0 small enough for the
// sampling to move on (a huge scale would never leave the frame).
inline void reference_draw_sprite(uint32_t t, int cx, int cy, Sprite* s, SDL_Surface* target,
                                  float scale)
{
    if (t >= s->last_step + uint32_t(s->frame_interval)) {
        s->last_step = t;
        if (++s->current_frame >= s->frame_count)
            s->current_frame = 0;
    }
    const int left = Sint16(cx - s->frame_width / 2);
    const int top = Sint16(cy - s->frame_height / 2);
    s->last_left = left;
    s->last_top = top;
    const float step = 1.0f / scale;
    const int first_row = Sint16(s->current_frame * s->frame_height);
    const int row_end = first_row + s->frame_height;
    int y = top;
    for (float v = float(first_row); v < row_end; v += step, y++) {
        if (y < 0 || y >= target->h || s->frame_width <= 0)
            continue;
        float u = 0.0f;
        int x = left;
        do {
            if (x >= 0 && x < target->w) {
                const Uint32 p = reference_pixel(s->sheet, int(u), int(v));
                if ((p & 0x00FFFFFF) != 0xFF00FF)
                    reference_pixel(target, x, y) = p;
            }
            x++;
            u += step;
        } while (u < s->frame_width);
    }
}

// The band over the bottom h lines of the target, every byte multiplied on its own.
inline void reference_scroller_band(SDL_Surface* target, int h, float k)
{
    k = k < 0.0f ? 0.0f : k > 1.0f ? 1.0f : k;
    for (int y = target->h - h; y < target->h; y++) {
        const int r = y - (target->h - h);
        for (int x = 0; x < target->w; x++) {
            Uint32& p = reference_pixel(target, x, y);
            if (r < 6) {
                const float s = float(std::sin((r + 1) * pi_f / 6));
                p = 0xFF000000 | (Uint32(int(s * 255.0f)) & 0xFF) * 0x010101;
                continue;
            }
            Uint32 out = 0xFF000000;
            for (int shift = 0; shift < 24; shift += 8)
                out |= Uint32((p >> shift & 0xFF) * (1.0f - k)) << shift;
            p = out;
        }
    }
}
