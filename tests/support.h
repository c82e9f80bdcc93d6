// Helpers shared by the test programs.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>
#include <string>

// Opens the (dummy) display and loads the whole show, once per process.
void load_show_once();

// The display alone, once per process, for tests that make their own surfaces.
void video_once();

// A 32-bit surface in the back buffer's format, filled with one value.
SDL_Surface* make_surface(int w, int h, Uint32 fill);

// The 32-bit pixel (x, y) of a surface.
Uint32 pixel(const SDL_Surface* s, int x, int y);
void set_pixel(SDL_Surface* s, int x, int y, Uint32 value);
// Every pixel from rand() after srand(seed), all 32 bits of it random.
void fill_random(SDL_Surface* s, unsigned seed);
// How many pixels of the w x h top-left corner differ between a and b.
int differing_pixels(const SDL_Surface* a, const SDL_Surface* b, int w, int h);

// Runs a shell command and returns its exit status; output into *out if given.
int run_command(const std::string& command, std::string* out = nullptr);
