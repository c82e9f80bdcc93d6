// Surface conventions shared by every renderer, the image loader, the keyed
// blit and the four scratch surfaces the overlays and the title draw through.
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

// Scratch surfaces, 320x240 in the scratch layout with per-pixel alpha.
extern SDL_Surface* flash_surface;       // white flash overlay
extern SDL_Surface* fade_surface;        // fade from and to black
extern SDL_Surface* flash_work_surface;  // the title's flash compositor
extern SDL_Surface* noise_surface;       // the title's noise fill

// True when SDL requires a lock before touching the pixels directly.
bool must_lock(const SDL_Surface* s);
// Lock and unlock under that rule; both are no-ops on surfaces that need none.
void lock_surface(SDL_Surface* s);
void unlock_surface(SDL_Surface* s);

// Row step in 32-bit pixels.
inline int pitch_pixels(const SDL_Surface* s)
{
    return s->pitch / s->format->BytesPerPixel;
}

// A float position to a pixel: add 0.5 and truncate toward zero. The sum is
// formed in double: in single precision 0.49999997 would round up to 1.
inline int round_position(float v)
{
    return static_cast<int>(double(v) + 0.5);
}

// Creates the four scratch surfaces, in the order declared above.
void create_scratch_surfaces();

// Creates a surface in the scratch layout; flags as SDL_CreateRGBSurface takes them.
SDL_Surface* create_scratch_layout_surface(Uint32 flags, int w, int h);

// True when the file is a complete PNG: every chunk present with a good
// checksum, from the header to the end marker.
bool png_is_whole(const char* path);

// Loads a PNG into a new surface in the back buffer's format. A picture that
// does not load returns null after printing "Error at loading picture <path>".
SDL_Surface* load_image(const char* path);

// Copies the whole source onto the target at the rounded position, leaving
// out magenta pixels and setting the top byte of every copied pixel. A null
// source or target draws nothing.
void keyed_blit(SDL_Surface* source, SDL_Surface* target, float x, float y);
