// Drawing between surfaces: fill, copy and the blits the show asks for, as
// our own code on every platform. The blits write the words SDL 1.2's do for
// the same surfaces, so a picture is the same wherever it is drawn. Every
// surface here is 32-bit.
#pragma once

#include "platform/surface.h"

// SDL's per-pixel-alpha mix of one source pixel over the target word t, for a
// target whose red and blue lie the other way round from the source: rb and g
// are the source's red and blue (already swapped into the target's order) and
// green, kept apart; 0 < alpha < 255. Unsigned wrap-around in the differences
// is part of SDL's arithmetic; the top byte becomes a + ta * (255 - a) / 256.
inline Uint32 blend_swapped(Uint32 rb, Uint32 g, Uint32 alpha, Uint32 t)
{
    const Uint32 t1 = t & 0xFF00FF, t2 = t & 0xFF00;
    const Uint32 a = alpha + ((t >> 24) * (alpha ^ 0xFF) >> 8);
    return ((t1 + ((rb - t1) * alpha >> 8)) & 0xFF00FF) |
           ((t2 + ((g - t2) * alpha >> 8)) & 0xFF00) | a << 24;
}

// Sets every pixel inside the clip rectangle to the raw value v.
void fill_surface(SDL_Surface* s, Uint32 v);

// Copies the source's words into the target's top-left corner, as many rows
// and columns as both have.
void copy_surface(const SDL_Surface* source, SDL_Surface* target);

// Draws the whole source with its top-left corner at (x, y), clipped to the
// target's clip rectangle: blended by per-pixel alpha from the scratch layout
// (into a target of either channel order), keyed pixels left out where a key
// is set, copied otherwise. Keyed and plain copies need one layout on both
// sides; a keyed copy writes only the layout's channels.
void blit_surface(SDL_Surface* source, SDL_Surface* target, int x, int y);
// The same for the w x h rectangle of the source at (sx, sy), clipped to the
// source first. Positions and sizes are taken in 16 bits, as SDL 1.2 takes them.
void blit_rect(SDL_Surface* source, int sx, int sy, int w, int h, SDL_Surface* target, int x,
               int y);

// Every pixel of the source as a 2 x 2 block of the target, which is twice as
// wide and high.
void double_surface(const SDL_Surface* source, SDL_Surface* target);
