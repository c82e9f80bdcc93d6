// The plasma written straight from its formula, two sines per pixel. The
// benchmark races plasma_draw against it and the tests hold plasma_draw to it.
#pragma once

#include <cstdint>

#include "core/maths.h"
#include "draw/surface.h"
#include "effects/plasma.h"

inline void plasma_draw_reference(uint32_t t, const Palette* palette, Surface* target)
{
    const float T = float(double(t) / 100.0);
    const float ax = float(exact_cos(T * double(0.06165562f)));
    const float ay = float(exact_sin(T * double(-0.36352262f)));
    const int cx = int(50.0 * ax + 160.0);
    const int cy = int(50.0 * ay + 120.0);
    const float kx = float(ax / double(17.3f));
    const float ky = float(ay / double(31.9f));
    uint32_t* pixels = target->pixels;
    const int pitch = target->pitch;
    for (int y = 0; y < target->h; y++) {
        const float py = float(y * double(ky));
        for (int x = 0; x < target->w; x++) {
            const int64_t d = int64_t(x - cx) * (x - cx) + int64_t(y - cy) * (y - cy);
            const float q = float(double(d) / 200.0);
            const float w1 = float(exact_sin(q / 17.0 + T));
            const float p = float(x * double(kx));
            const float w2 = float(exact_sin(double(p) + py));
            const int index = int(64.0 * (double(w1) + w2) + 127.0);
            pixels[y * pitch + x] = palette->colours[index < 0 ? 0 : index];
        }
    }
}
