// Drawing between surfaces: fill, copy and the blits the show asks for. The
// blits write the words SDL 1.2's do for the same pixels, the arithmetic the
// show's look was made with, so a picture is the same wherever it is drawn.
#pragma once

#include "draw/surface.h"

// SDL's per-pixel-alpha mix of one source pixel over the target word t, for a
// target whose red and blue lie the other way round from the source: rb and g
// are the source's red and blue (already swapped into the target's order) and
// green, kept apart; 0 < alpha < 255. Unsigned wrap-around in the differences
// is part of SDL's arithmetic; the top byte becomes a + ta * (255 - a) / 256.
inline uint32_t blend_swapped(uint32_t rb, uint32_t g, uint32_t alpha, uint32_t t)
{
    const uint32_t t1 = t & 0xFF00FF, t2 = t & 0xFF00;
    const uint32_t a = alpha + ((t >> 24) * (alpha ^ 0xFF) >> 8);
    return ((t1 + ((rb - t1) * alpha >> 8)) & 0xFF00FF) |
           ((t2 + ((g - t2) * alpha >> 8)) & 0xFF00) | a << 24;
}

// Sets every pixel inside the clip rectangle to the raw value v.
void surface_fill(uint32_t v, Surface* target);

// Copies the source's words into the target's top-left corner, as many rows
// and columns as both have.
void surface_copy(const Surface* source, Surface* target);

// Draws the whole source with its top-left corner at (x, y), clipped to the
// target's clip rectangle: blended by per-pixel alpha from the scratch layout
// (into a target of either channel order), keyed pixels left out where the
// source is keyed, copied otherwise. Keyed and plain copies need one layout on
// both sides; a keyed copy writes only the layout's channels.
void surface_blit(const Surface* source, int x, int y, Surface* target);
// The same for the w x h rectangle of the source at (sx, sy), clipped to the
// source first. Positions and sizes are taken in 16 bits, as SDL 1.2 takes them.
void surface_blit_rect(const Surface* source, int sx, int sy, int w, int h, int x, int y,
                       Surface* target);

// Every pixel of the source as a 2 x 2 block of the target, which is twice as
// wide and high.
void surface_double(const Surface* source, Surface* target);
