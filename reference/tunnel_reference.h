// The tunnel renderer written out pixel by pixel, exactly as the arithmetic
// reads: the yardstick the fast renderer is tested and timed against.
#pragma once

#include "effects/tunnel.h"
#include "platform/image.h"
#include "platform/maths.h"
#include "platform/surface.h"

// Same arguments and output as render_tunnel; the caller keeps the view inside
// the tables and passes surfaces big enough.
inline void render_tunnel_reference(SDL_Surface* target, SDL_Surface* texture, float depth_shift,
                                    float angle_shift, float view_column, float view_row)
{
    const int U = round_position(depth_shift);
    const int V = round_position(angle_shift);
    const int cx = round_position(view_column);
    const int cy = round_position(view_row);
    lock_surface(texture);
    lock_surface(target);
    const Uint32* tex = static_cast<const Uint32*>(texture->pixels);
    Uint32* out = static_cast<Uint32*>(target->pixels);
    const int tex_pitch = pitch_pixels(texture);
    const int out_pitch = pitch_pixels(target);
    for (int r = 0; r < tunnel_view_height; r++)
        for (int q = 0; q < tunnel_view_width; q++) {
            const int k = (cy + r) * tunnel_table_width + (cx + q);
            const int row = (tunnel_depth[k] + U) & (tunnel_texture_side - 1);
            const int column = (tunnel_angle[k] + V) & (tunnel_texture_side - 1);
            out[r * out_pitch + q] = tex[row * tex_pitch + column] | 0xFF000000;
        }
    unlock_surface(target);
    unlock_surface(texture);
}
