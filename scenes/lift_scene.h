// Lift scene (50058 .. 68000 ms): ring-pattern lift doors that open on the
// dancer, close, and open again on the code credit.
#pragma once

#include <algorithm>
#include <cstdint>

#include "draw/surface.h"
#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "scenes/shared.h"
#include "scenes/timeline.h"

// The door times: open, close, reopen on the credit screen, close.
constexpr uint32_t doors_open_start = 53000;
constexpr uint32_t doors_close_start = 58000;
constexpr uint32_t credit_doors_open_start = 59000;  // the credit screen from here
constexpr uint32_t credit_doors_close_start = 63000;
constexpr uint32_t doors_move_ms = 1000;
constexpr uint32_t credit_doors_move_ms = 3000;
constexpr int doors_half_width = 70;
constexpr int credit_doors_half_width = 120;

// One movement of the doors: from its start, the half-width of the opening
// runs over ms milliseconds from 0 up to half_width, or from there back down.
struct DoorMove {
    uint32_t start;
    uint32_t ms;
    int32_t half_width;
    bool opens;
};

// In time order; a movement that has begun overrides every earlier one.
constexpr DoorMove door_moves[4] = {
    {doors_open_start, doors_move_ms, doors_half_width, true},
    {doors_close_start, doors_move_ms, doors_half_width, false},
    {credit_doors_open_start, credit_doors_move_ms, credit_doors_half_width, true},
    {credit_doors_close_start, credit_doors_move_ms, credit_doors_half_width, false},
};

// The movement under way at ms: the latest one begun, or null before the first.
inline const DoorMove* door_move_at(double ms)
{
    const DoorMove* latest = nullptr;
    for (const DoorMove& m : door_moves)
        if (ms >= m.start)
            latest = &m;
    return latest;
}

// The doors' half-width at any real time ms without the picture's rounding,
// negative while shut: what the music's door filter follows.
inline double door_opening(double ms)
{
    const DoorMove* m = door_move_at(ms);
    if (!m)
        return -1;
    const double u = (ms - m->start) / m->ms;
    return m->half_width * (m->opens ? std::min(1.0, u) : 1.0 - u);
}

constexpr FadeEvent lift_fades[] = {
    {lift_start, scene_fade_ms, 1},
    {tunnel_start - scene_fade_ms, scene_fade_ms, -1},
    {0, 0, 0},
};

struct LiftScene {
    Surface* doors = nullptr;    // the ring pattern with the opening cut in; scratch layout
    Surface* graphic = nullptr;  // the credit screen's picture; null if it did not load
    Sprite* sprite = nullptr;    // the dancer inside the lift; null if it did not load
};

// Loads the lift graphic and sprite, makes the door surface, makes the shared
// ring image.
void lift_load(LiftScene* scene, SharedState* shared);
// Draws the scene for 50058 <= t <= 68000; returns at once otherwise.
void lift_scene_draw(uint32_t t, LiftScene* scene, const SharedState* shared, Surface* target);
// Door half-width for demo time t; negative while the doors are shut.
int door_half_width(uint32_t t);
// Cuts an opening of half-width b into the doors and draws its edges
// (b >= 0), then blends the doors onto the target.
void door_draw(int b, Surface* doors, Surface* target);
