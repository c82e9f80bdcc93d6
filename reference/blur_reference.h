// The three-tap blur written the plain way, pass by pass and channel by
// channel with divisions: what the library's blur must match on every pixel,
// and what the benchmark measures it against.
#pragma once

#include "draw/surface.h"

// The mean of a pixel and its two neighbours, channel by channel; the top byte
// is the mean of the three new channels.
inline uint32_t reference_mix(uint32_t a, uint32_t p, uint32_t b)
{
    uint32_t m[3];
    for (int n = 0; n < 3; n++) {
        const int shift = 8 * n;
        m[n] = (((a >> shift) & 0xFF) + ((p >> shift) & 0xFF) + ((b >> shift) & 0xFF)) / 3;
    }
    const uint32_t t = (m[0] + m[1] + m[2]) / 3;
    return t << 24 | m[2] << 16 | m[1] << 8 | m[0];
}

// In place over the top-left 320 x 240: the left (upper) neighbour is already
// replaced, the right (lower) one not; outside neighbours count as 0.
inline void reference_blur(Surface* s)
{
    uint32_t* px = s->pixels;
    const int pitch = s->pitch;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint32_t* p = px + y * pitch + x;
            const uint32_t left = x > 0 ? p[-1] : 0;
            const uint32_t right = x < 319 ? p[1] : 0;
            *p = reference_mix(left, *p, right);
        }
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            uint32_t* p = px + y * pitch + x;
            const uint32_t up = y > 0 ? p[-pitch] : 0;
            const uint32_t down = y < 239 ? p[pitch] : 0;
            *p = reference_mix(up, *p, down);
        }
}
