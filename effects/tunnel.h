// Textured tunnel from a depth table and an angle table of 640 x 480.
#pragma once

#include <cstdint>

#include "draw/surface.h"

constexpr int tunnel_table_width = 640;
constexpr int tunnel_table_height = 480;
constexpr int tunnel_texture_side = 512;  // the texture repeats every 512 pixels
constexpr int tunnel_view_width = 320;    // the window read out of the tables...
constexpr int tunnel_view_height = 240;   // ...and the pixels written per frame

// The tunnel's tables: built by the tunnel scene's load step, flown by the
// tunnel scene and by the finale.
struct TunnelTables {
    int32_t* depth = nullptr;  // 480 rows x 640, from ~25 to 100000 at the axis
    int32_t* angle = nullptr;  // 480 rows x 640, -255 .. 255
    // Both entries cut to their low 9 bits (all the texture lookup keeps of
    // them) and packed as depth << 16 | angle: one word read per pixel.
    uint32_t* texel = nullptr;
};

// Allocates (first call only) and fills the tables; once, at load. On a failed
// allocation the tables stay null and the tunnel draws nothing.
void tunnel_make_tables(TunnelTables* tables);
// Whether a picture can be the tunnel's texture: the renderer reads a whole
// 512 x 512 square, and anything smaller would be read past its end.
bool tunnel_texture_fits(const Surface* texture);
// Writes 320 x 240 pixels of tunnel into the target's top-left corner. Draws
// nothing without tables, with a null or too small target or texture, or with a
// view that would take the window out of the tables (rounded column outside
// 0 .. 320 or row outside 0 .. 240).
void tunnel_draw(const TunnelTables* tables, const Surface* texture, float depth_shift,
                 float angle_shift, float view_column, float view_row, Surface* target);
// The shifts for demo time t: 200 texture rows and 250 columns a second.
float tunnel_depth_shift(uint32_t t);
float tunnel_angle_shift(uint32_t t);