// Polar deformation: a texture warped through two 512 x 512 offset tables.
#pragma once

#include <cstdint>

#include "draw/surface.h"

// One table entry: shifts added to the texture column and row.
struct DeformShift {
    int32_t column;
    int32_t row;
};

constexpr int deform_table_side = 512;  // entries per row and rows per table

// One texture axis of one position, before the time offset: the wrapped 32-bit
// sum of the coordinate and both tables' shifts, and that sum's remainder by
// the texture's size, [0] as it is, [1] once the time offset has carried the
// sum past 2^32.
struct DeformAxis {
    uint32_t sum;
    uint16_t rest[2];
};

// Where one texture position reads from, along both axes.
struct DeformBase {
    DeformAxis column, row;
};

// Both tables folded for one texture, so that a frame adds the time offset
// with lookups instead of dividing twice per pixel.
struct DeformMap {
    int32_t width, height, pitch;  // the texture it was built for, pitch in pixels
    DeformBase* bases;             // width * height of them, row after row; null if not built
    uint16_t* column_of;           // [x] = x mod width, for x < 2 * width
    int32_t* row_start_of;         // [y] = (y mod height) * pitch, for y < 2 * height
};

// Fills a table of 512 x 512 entries. A null table is left alone.
void deform_make_inversion(DeformShift* table);
void deform_make_ripple(DeformShift* table);
// Allocates and fills the map of a texture from both tables. Returns false,
// with the map left empty, when a table or the texture is missing, the
// texture's sides are not 1 .. 65535, or the memory cannot be had.
bool deform_make_map(const DeformShift* inversion, const DeformShift* ripple,
                     const Surface* texture, DeformMap* map);
// Frees what the map holds and leaves it empty.
void deform_free_map(DeformMap* map);
// Warps the texture through its map with time offset a into the target's
// top-left corner, clipped to the target. Draws nothing when anything is
// missing or the map was built for another texture's size or pitch.
void deform_draw(uint32_t a, const Surface* texture, const DeformMap* map, Surface* target);
