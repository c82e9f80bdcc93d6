// Surfaces: the pixel layouts, the lock rule, and making and freeing them,
// which each platform does its own way (the drawing between them is
// platform/blit.h, the same everywhere). A picture is an SDL_Surface whose w,
// h, pitch, pixels, format and clip_rect the renderers read and write
// directly, between lock_surface and unlock_surface.
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

// Makes magenta pixels transparent in blits from s.
void set_magenta_key(SDL_Surface* s);
