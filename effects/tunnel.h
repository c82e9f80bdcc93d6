// Textured tunnel from a depth table and an angle table of 640 x 480.
#pragma once

#include <cstdint>

#include "platform/surface.h"

constexpr int tunnel_table_width = 640;
constexpr int tunnel_table_height = 480;
constexpr int tunnel_texture_side = 512;  // the texture repeats every 512 pixels
constexpr int tunnel_view_width = 320;    // the window read out of the tables...
constexpr int tunnel_view_height = 240;   // ...and the pixels written per frame

extern int32_t* tunnel_depth;  // 480 rows x 640, from ~25 to 100000 at the axis
extern int32_t* tunnel_angle;  // 480 rows x 640, -255 .. 255

// Allocates (first call only) and fills both tables; once, at load. On a failed
// allocation the tables stay null and the tunnel draws nothing.
void build_tunnel_tables();
// Loads a picture as a tunnel texture: null after "Error at loading picture
// <path>" when it does not load or is smaller than 512 x 512.
SDL_Surface* load_tunnel_texture(const char* path);
// Writes 320 x 240 pixels of tunnel into the target's top-left corner. Draws
// nothing without tables, with a null or too small target or texture, or with a
// view that would take the window out of the tables (rounded column outside
// 0 .. 320 or row outside 0 .. 240).
void render_tunnel(SDL_Surface* target, SDL_Surface* texture, float depth_shift, float angle_shift,
                   float view_column, float view_row);
// The shifts for demo time t: 200 texture rows and 250 columns a second.
float tunnel_depth_shift(uint32_t t);
float tunnel_angle_shift(uint32_t t);