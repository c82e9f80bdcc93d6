// Surfaces: the pixel layouts, the lock rule, and the few operations the show
// asks of its graphics library (create, free, fill, colour key, blit). A
// picture is an SDL_Surface whose w, h, pitch, pixels and format the
// renderers read and write directly, between lock_surface and unlock_surface.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// Channel masks of the scratch layout: red in the low byte, alpha on top.
constexpr Uint32 scratch_rmask = 0x000000FF;
constexpr Uint32 scratch_gmask = 0x0000FF00;
constexpr Uint32 scratch_bmask = 0x00FF0000;
constexpr Uint32 scratch_amask = 0xFF000000;

// Low 24 bits of a transparent pixel; reads as magenta in either byte order.
constexpr Uint32 magenta_key = 0xFF00FF;

// True when the library requires a lock before touching the pixels directly.
bool must_lock(const SDL_Surface* s);
// Lock and unlock under that rule; both are no-ops on surfaces that need none.
void lock_surface(SDL_Surface* s);
void unlock_surface(SDL_Surface* s);

// Row step in 32-bit pixels.
inline int pitch_pixels(const SDL_Surface* s)
{
    return s->pitch / s->format->BytesPerPixel;
}

// A new w x h surface in the scratch layout, blended by its per-pixel alpha
// wherever it is blitted; null when it cannot be had.
SDL_Surface* create_scratch_surface(int w, int h);
// A new w x h 32-bit surface in the given surface's channel layout, without
// alpha blending (a scratch copy of the back buffer, say); null on failure.
SDL_Surface* create_surface_like(const SDL_Surface* like, int w, int h);
// Frees a surface; null is fine.
void free_surface(SDL_Surface* s);

// Sets every pixel inside the clip rectangle to the raw value v.
void fill_surface(SDL_Surface* s, Uint32 v);

// Copies the source's words into the target's top-left corner, as many rows
// and columns as both have; both 32-bit.
void copy_surface(const SDL_Surface* source, SDL_Surface* target);

// Makes magenta pixels transparent in blits from s (run-length coded: the
// surface then needs its lock, see must_lock).
void set_magenta_key(SDL_Surface* s);

// Draws the whole source with its top-left corner at (x, y), clipped to the
// target's clip rectangle: blended by per-pixel alpha from the scratch layout, keyed
// pixels left out where a key is set, copied otherwise.
void blit_surface(SDL_Surface* source, SDL_Surface* target, int x, int y);
// The same for the w x h rectangle of the source at (sx, sy).
void blit_rect(SDL_Surface* source, int sx, int sy, int w, int h, SDL_Surface* target, int x,
               int y);
