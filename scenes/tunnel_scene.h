// Tunnel scene (68000 .. 80000 ms): the textured tunnel with the car following
// its vanishing point, then the graphics credit.
#pragma once

#include <cstdint>

#include "draw/surface.h"
#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "scenes/shared.h"
#include "scenes/timeline.h"

constexpr uint32_t tunnel_credit_start = 70000;  // graph picture and credit slide in
constexpr uint32_t tunnel_credit_slide_ms = 1000;
constexpr int tunnel_car_frames = 2;

constexpr FadeEvent tunnel_fades[] = {
    {tunnel_start, scene_fade_ms, 1},
    {finale_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

struct TunnelScene {
    Surface* graph = nullptr;  // slides in from the left at 70000; null if missing
    Sprite* car = nullptr;     // follows the vanishing point; null if missing
};

// Loads the graph picture and the car; loads the shared tunnel texture and
// builds the shared tunnel tables.
void tunnel_load(TunnelScene* scene, SharedState* shared);
// Draws the scene for 68000 <= t <= 80000; returns at once otherwise.
void tunnel_scene_draw(uint32_t t, TunnelScene* scene, const SharedState* shared, Surface* target);
// The tunnel as the scene and the finale fly it at demo time t.
void tunnel_fly(uint32_t t, const SharedState* shared, Surface* target);
// The view path for demo time t: column 10 .. 89, row 80 .. 159. The finale's
// tunnel flies it too.
int tunnel_view_column(uint32_t t);
int tunnel_view_row(uint32_t t);
// Left edge of the graph picture at t >= 70000: -320 sliding to 0 by 71000.
int tunnel_graph_x(uint32_t t);
// Left end of "Gfx:" at t >= 70000: 320 sliding to 160 by 71000.
float tunnel_credit_x(uint32_t t);
