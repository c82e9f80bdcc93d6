// Helpers shared by the test programs.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>
#include <string>

#include "draw/surface.h"
#include "show/show.h"

// The whole show loaded from the build's data/, once per process, not gentle.
// A test that changes its state draws with a copy of its own: Show copy =
// *show_once().
Show* show_once();

// A new w x h surface in the layout, filled with one value.
Surface* make_surface(int w, int h, uint32_t fill, PixelLayout layout = xrgb_layout);

// The 32-bit pixel (x, y) of a surface.
uint32_t pixel(const Surface* s, int x, int y);
void set_pixel(Surface* s, int x, int y, uint32_t value);
// Every pixel from rand() after srand(seed), all 32 bits of it random.
void fill_random(Surface* s, unsigned seed);
// How many pixels of the w x h top-left corner differ between a and b.
int differing_pixels(const Surface* a, const Surface* b, int w, int h);

// SDL 1.2's own surface over the same pixels, in the same layout, keyed and
// blended as ours is: SDL's blits are the oracle our blits are held to. Free
// it with SDL_FreeSurface; the pixels stay ours.
SDL_Surface* sdl_view(Surface* s);

// Pixel (x, y) of what the SDL platform's display shows: its screen surface.
uint32_t screen_pixel(int x, int y);

// Runs a shell command and returns its exit status; output into *out if given.
int run_command(const std::string& command, std::string* out = nullptr);

// A file's bytes; nothing where it cannot be read (missing, or a file of
// /proc whose process ended while it was read).
std::string read_file(const std::string& path);
