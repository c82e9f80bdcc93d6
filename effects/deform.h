// Polar deformation: a texture warped through two 512 x 512 offset tables.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// One table entry: shifts added to the texture column and row.
struct DeformShift {
    int32_t column;
    int32_t row;
};

constexpr int deform_table_side = 512;  // entries per row and rows per table

// Fills a table of 512 x 512 entries.
void build_inversion_table(DeformShift* table);
void build_ripple_table(DeformShift* table);
// Warps the texture through both tables with time offset a into the target's
// top-left corner, clipped to the target. Draws nothing when anything is null.
void render_deformation(uint32_t a, SDL_Surface* texture, const DeformShift* inversion,
                        const DeformShift* ripple, SDL_Surface* target);
