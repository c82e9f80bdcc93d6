// The rules every picture keeps, shared by the show and the generators that
// draw its pictures.
#pragma once

#include <cstdint>

// Low 24 bits of a transparent pixel; reads as magenta in either byte order.
constexpr uint32_t magenta_key = 0xFF00FF;

// Sprite sheets stack their frames top to bottom, 100 rows each.
constexpr int sprite_frame_rows = 100;
