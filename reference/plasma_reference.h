// The plasma written straight from its formula, two sines per pixel. The
// benchmark races draw_plasma against it and the tests hold draw_plasma to it.
#pragma once

#include <cmath>
#include <cstdint>

#include "effects/plasma.h"
#include "platform/image.h"
#include "platform/surface.h"

inline void draw_plasma_reference(uint32_t t, SDL_Surface* target)
{
    const float T = float(double(t) / 100.0);
    const float ax = float(std::cos(T * double(0.06165562f)));
    const float ay = float(std::sin(T * double(-0.36352262f)));
    const int cx = int(50.0 * ax + 160.0);
    const int cy = int(50.0 * ay + 120.0);
    const float kx = float(ax / double(17.3f));
    const float ky = float(ay / double(31.9f));
    lock_surface(target);
    Uint32* pixels = static_cast<Uint32*>(target->pixels);
    const int pitch = pitch_pixels(target);
    for (int y = 0; y < target->h; y++) {
        const float py = float(y * double(ky));
        for (int x = 0; x < target->w; x++) {
            const int64_t d = int64_t(x - cx) * (x - cx) + int64_t(y - cy) * (y - cy);
            const float q = float(double(d) / 200.0);
            const float w1 = float(std::sin(q / 17.0 + T));
            const float p = float(x * double(kx));
            const float w2 = float(std::sin(double(p) + py));
            const int index = int(64.0 * (double(w1) + w2) + 127.0);
            pixels[y * pitch + x] = plasma_palette[index < 0 ? 0 : index];
        }
    }
    unlock_surface(target);
}
