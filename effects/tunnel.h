// Textured tunnel from a depth table and an angle table of 640 x 480.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

constexpr int tunnel_table_width = 640;
constexpr int tunnel_table_height = 480;
constexpr int tunnel_texture_side = 512;  // the texture repeats every 512 pixels

extern int32_t* tunnel_depth;  // 480 rows x 640, from ~25 to 100000 at the axis
extern int32_t* tunnel_angle;  // 480 rows x 640, -255 .. 255

// Allocates and fills both tables; once, at load.
void build_tunnel_tables();
// Writes 320 x 240 pixels of tunnel into the target's top-left corner.
void render_tunnel(SDL_Surface* target, SDL_Surface* texture, float depth_shift, float angle_shift,
                   float view_column, float view_row);
// The tunnel scene's view path for demo time t.
int tunnel_view_column(uint32_t t);
int tunnel_view_row(uint32_t t);
// The finale's tunnel at demo time t with its own texture.
void draw_finale_tunnel(uint32_t t, SDL_Surface* target);
