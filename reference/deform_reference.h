// The deformation written the plain way, one % per coordinate per pixel: the
// yardstick the renderer is benchmarked against and must match pixel for pixel.
#pragma once

#include <cstdint>

#include "effects/deform.h"
#include "platform/surface.h"

inline void reference_deformation(uint32_t a, const SDL_Surface* texture,
                                  const DeformShift* inversion, const DeformShift* ripple,
                                  SDL_Surface* target)
{
    const uint32_t w = uint32_t(texture->w);
    const uint32_t h = uint32_t(texture->h);
    const Uint32* src = static_cast<const Uint32*>(texture->pixels);
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    const int spitch = texture->pitch / 4;
    const int tpitch = target->pitch / 4;
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
