// Timed fades from and to black, white flashes on beats, and the fade-table
// runner by which a scene states its fades as data.
#pragma once

#include <cstdint>

#include "draw/surface.h"

// One fade; a table of them ends with start = duration = 0.
struct FadeEvent {
    uint32_t start;     // demo time the fade begins
    uint32_t duration;  // drawn for start <= t <= start + duration
    int32_t direction;  // > 0 fades in from black, <= 0 fades out to black
};

constexpr uint32_t scene_fade_ms = 500;  // each scene's fade in and fade out
constexpr uint32_t flash_reach_ms = 50;  // a white flash spans T - 50 .. T + 50

// Gentle flashes (--gentle), for viewers whom flashing light can harm: every
// flash, white or the title's picture, peaks at gentle_flash_peak instead of
// 255. A white veil that faint raises no pixel's relative luminance by more
// than 0.063, well under the change of 0.1 that WCAG 2.3.1's general flash
// threshold counts, yet each beat still shows.
constexpr int gentle_flash_peak = 32;

// What the fades and flashes draw with: the overlays they blend where the
// target is not the back buffer's kind (320x240 in the scratch layout; null
// when they could not be had, and then only such targets are faded), and
// whether the flashes are gentle.
struct Fades {
    Surface* flash_overlay = nullptr;
    Surface* fade_overlay = nullptr;
    bool gentle = false;
};

// Makes the overlays and sets the flashes gentle or not; before the first frame.
void fade_make(Fades* fades, bool gentle);
// Frees the overlays (the show keeps its own to the end; tests free theirs).
void fade_free(Fades* fades);

// sin(pi * smoothstep(u)) in single precision: 0 at u = 0, 1 at u = 0.5, back
// to 0 at u = 1; outside 0..1, its value at the nearer end. The rise and fall
// of every flash.
float flash_curve(float u);
// Alpha of the black overlay at t, for a fade in or a fade out.
int fade_alpha(uint32_t t, uint32_t start, uint32_t duration, bool fade_in);
// Alpha of the white overlay at t for a flash at T (0 before T), gentle or not.
int flash_alpha(uint32_t t, uint32_t flash_time, bool gentle);
// A flash's alpha as drawn: as it is, or when gentle scaled down to
// gentle_flash_peak.
int flash_strength(int alpha, bool gentle);

// Draws every event of the table whose window holds t, in table order.
void fade_run_table(uint32_t t, const Fades* fades, const FadeEvent* table, Surface* target);
void fade_in(uint32_t t, const Fades* fades, uint32_t start, uint32_t duration, Surface* target);
void fade_out(uint32_t t, const Fades* fades, uint32_t start, uint32_t duration, Surface* target);
// A white flash at flash_time, drawn from 50 ms before it to 50 ms after.
void flash_draw(uint32_t t, const Fades* fades, uint32_t flash_time, Surface* target);
