// The show's timeline in milliseconds of demo time. Every scene window, the
// scroller's times and the music generator read these; nothing restates them.
#pragma once

#include <cstdint>

// Scene windows include both ends: a scene runs from its start to the next
// scene's start, and on a boundary both draw, the later one on top.
constexpr uint32_t title_start = 0;
constexpr uint32_t dance_start = 14596;
constexpr uint32_t deform_start = 28911;
constexpr uint32_t greetings_start = 43227;
constexpr uint32_t lift_start = 50058;
constexpr uint32_t tunnel_start = 68000;
constexpr uint32_t finale_start = 80000;
constexpr uint32_t finale_end = 101000;

// The scenes by name, in timeline order: each runs to the next one's start,
// the last to the show's end. The tools that report per scene read this
// table (the capture tool prints it with --scenes).
struct SceneWindow {
    const char* name;
    uint32_t start;
};
constexpr SceneWindow scene_windows[] = {
    {"title", title_start},         {"dance", dance_start}, {"deform", deform_start},
    {"greetings", greetings_start}, {"lift", lift_start},   {"tunnel", tunnel_start},
    {"finale", finale_start},
};
constexpr int scene_count = sizeof scene_windows / sizeof scene_windows[0];

// The last frame drawn; the first pass after it ends the show.
constexpr uint32_t last_frame_time = finale_end - 1;

// Scroller band: grows from band_grow_start (one line per ~42 ms, full after a
// second), shrinks from band_shrink_start back to nothing at band_shrink_end.
constexpr uint32_t band_grow_start = 15596;
constexpr uint32_t band_shrink_start = 97200;
constexpr uint32_t band_shrink_end = 98200;
constexpr int band_full_height = 24;

// The scroll text runs from here to the end, sliding in from the right.
constexpr uint32_t scroll_text_start = 16596;

// Share of a movement of `ms` milliseconds done `since` ms after it began,
// rounded to single precision and held at 1 once it is over.
inline float progress(uint32_t since, uint32_t ms)
{
    const float u = float(double(since) / ms);
    return u > 1.0f ? 1.0f : u;
}
