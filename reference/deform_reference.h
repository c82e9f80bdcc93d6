// The deformation written the plain way, one % per coordinate per pixel: the
// yardstick the renderer is benchmarked against and must match pixel for pixel.
#pragma once

#include <cstdint>

#include "draw/surface.h"
#include "effects/deform.h"

inline void reference_deformation(uint32_t a, const Surface* texture, const DeformShift* inversion,
                                  const DeformShift* ripple, Surface* target)
{
    const uint32_t w = uint32_t(texture->w);
    const uint32_t h = uint32_t(texture->h);
    const uint32_t* src = texture->pixels;
    uint32_t* dst = target->pixels;
    const int spitch = texture->pitch;
    const int tpitch = target->pitch;
    for (int i = 0; i < texture->h && i < target->h; i++) {
        for (int j = 0; j < texture->w && j < target->w; j++) {
            const int k = (i & 511) * 512 + (j & 511);
            const uint32_t u =
                (uint32_t(j) + a + uint32_t(inversion[k].column) + uint32_t(ripple[k].column)) % w;
            const uint32_t v =
                (uint32_t(i) + a + uint32_t(inversion[k].row) + uint32_t(ripple[k].row)) % h;
            dst[i * tpitch + j] = src[v * spitch + u];
        }
    }
}
