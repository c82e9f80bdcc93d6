// The tunnel renderer written out pixel by pixel, exactly as the arithmetic
// reads: the yardstick the fast renderer is tested and timed against.
#pragma once

#include "core/maths.h"
#include "draw/surface.h"
#include "effects/tunnel.h"

// Same arguments and output as tunnel_draw; the caller keeps the view inside
// the tables and passes surfaces big enough.
inline void tunnel_draw_reference(const TunnelTables* tables, const Surface* texture,
                                  float depth_shift, float angle_shift, float view_column,
                                  float view_row, Surface* target)
{
    const int32_t* tunnel_depth = tables->depth;
    const int32_t* tunnel_angle = tables->angle;
    const int U = round_position(depth_shift);
    const int V = round_position(angle_shift);
    const int cx = round_position(view_column);
    const int cy = round_position(view_row);
    const uint32_t* tex = texture->pixels;
    uint32_t* out = target->pixels;
    const int tex_pitch = texture->pitch;
    const int out_pitch = target->pitch;
    for (int r = 0; r < tunnel_view_height; r++)
        for (int q = 0; q < tunnel_view_width; q++) {
            const int k = (cy + r) * tunnel_table_width + (cx + q);
            const int row = (tunnel_depth[k] + U) & (tunnel_texture_side - 1);
            const int column = (tunnel_angle[k] + V) & (tunnel_texture_side - 1);
            out[r * out_pitch + q] = tex[row * tex_pitch + column] | 0xFF000000;
        }
}
