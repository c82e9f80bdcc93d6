// Tunnel scene (68000 .. 80000 ms): the textured tunnel with the car following
// its vanishing point, then the graphics credit.
#pragma once

#include <cstdint>

#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "platform/surface.h"
#include "scenes/timeline.h"

constexpr uint32_t tunnel_credit_start = 70000;  // graph picture and credit slide in
constexpr uint32_t tunnel_credit_slide_ms = 1000;
constexpr int tunnel_car_frames = 2;

constexpr FadeEvent tunnel_fades[] = {
    {tunnel_start, scene_fade_ms, 1},
    {finale_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

extern SDL_Surface* tunnel_texture;  // the scene's own copy of the tunnel texture
extern SDL_Surface* tunnel_graph;    // slides in from the left at 70000; null if missing
extern Sprite* car_sprite;           // follows the vanishing point; null if missing

// Loads the texture, the graph picture and the car; builds the tunnel tables.
void tunnel_load();
// Draws the scene for 68000 <= t <= 80000; returns at once otherwise.
void tunnel_frame(uint32_t t);
// The view path for demo time t: column 10 .. 89, row 80 .. 159. The finale's
// tunnel flies it too.
int tunnel_view_column(uint32_t t);
int tunnel_view_row(uint32_t t);
// Left edge of the graph picture at t >= 70000: -320 sliding to 0 by 71000.
int tunnel_graph_x(uint32_t t);
// Left end of "Gfx:" at t >= 70000: 320 sliding to 160 by 71000.
float tunnel_credit_x(uint32_t t);
