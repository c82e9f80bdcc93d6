// Drawing between surfaces: fill, copy and the blits the show asks for, as
// our own code on every platform. The blits write the words SDL 1.2's do for
// the same surfaces, so a picture is the same wherever it is drawn. Every
// surface here is 32-bit.
#pragma once

#include "platform/surface.h"

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
