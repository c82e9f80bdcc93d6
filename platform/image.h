// Pictures in and out: the PNG loader, the keyed blit every picture is drawn
// with, and the PNG writer of the capture tool.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

#include "platform/blit.h"

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

// Writes the surface as an 8-bit RGB PNG, replacing the file; false when it
// cannot be written.
bool save_png(SDL_Surface* s, const char* path);
