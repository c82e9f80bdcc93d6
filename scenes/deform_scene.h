// Deform scene (28911 .. 43227 ms): the polar deformation streaming over the
// whole picture, the rider growing in, then the pixel credit.
#pragma once

#include <cstdint>

#include "draw/surface.h"
#include "effects/deform.h"
#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "scenes/shared.h"
#include "scenes/timeline.h"

constexpr uint32_t rider_grow_start = 29911;     // the rider grows from nothing
constexpr uint32_t deform_credit_start = 35000;  // rider shrinks, credit slides in
constexpr uint32_t rider_scale_ms = 1000;
constexpr uint32_t credit_slide_ms = 1000;
constexpr uint32_t deform_ms_per_step = 5;  // the texture streams one pixel per 5 ms

// The rider rests at (80, 80) at twice its size; at nothing it sits 35 right, 80 lower.
constexpr double rider_rest_x = 80.0;
constexpr double rider_rest_y = 80.0;
constexpr double rider_travel_x = 35.0;
constexpr double rider_travel_y = 80.0;
constexpr double rider_full_scale = 2.0;
constexpr int32_t rider_frames = 16;

// The credit drops from y = -32 to 68; the graph picture comes in from x = 360.
constexpr double credit_top_start = -32.0;
constexpr double credit_drop = 100.0;
constexpr float credit_title_x = 4.0f;
constexpr float credit_name_x = 24.0f;
constexpr int credit_line_step = 16;
constexpr double graph_start_x = 360.0;

constexpr FadeEvent deform_fades[] = {
    {deform_start, scene_fade_ms, 1},
    {greetings_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

// Where and how big the rider is drawn at one moment.
struct RiderPlacement {
    int x, y;     // centre of the unmagnified frame
    float scale;  // 0 .. 2
};

// Made by deform_load; null where a picture did not load or an allocation failed.
struct DeformScene {
    Sprite* rider = nullptr;           // the riding sprite, 16 frames
    Surface* texture = nullptr;        // what the deformation warps
    Surface* graph = nullptr;          // the picture sliding in with the credit
    DeformShift* inversion = nullptr;  // 512 x 512 entries
    DeformShift* ripple = nullptr;     // 512 x 512 entries
    DeformMap map = {};                // both tables folded for the texture; empty without it
};

// Rider centre and scale at t.
RiderPlacement rider_placement(uint32_t t);
// Top of the "Pixels:" line and left of the graph picture at t >= deform_credit_start.
int credit_top(uint32_t t);
int graph_left(uint32_t t);

// Makes the rider, loads the texture and the graph picture, builds both
// tables, then the map of the texture.
void deform_load(DeformScene* scene);
// Draws the scene for 28911 <= t <= 43227; returns at once otherwise.
void deform_scene_draw(uint32_t t, DeformScene* scene, const SharedState* shared, Surface* target);
