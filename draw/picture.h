// Pictures in and out: decoded pixels made a surface, the keyed blit every
// picture is drawn with, and the PNG writer of the capture tool. Reading a
// picture's file is scenes/pictures.h, over the platform's decoder.
#pragma once

#include <cstdint>
#include <vector>

#include "draw/surface.h"

// 8-bit RGBA pixels, rows top first, as a new w x h surface in the xrgb layout
// (the top byte zero: the layout has no alpha); null when it cannot be had.
Surface* picture_make(const std::vector<unsigned char>& rgba, int w, int h);

// Copies the whole source onto the target at the rounded position, leaving
// out magenta pixels and setting the top byte of every copied pixel. A null
// source or target draws nothing.
void picture_blit_keyed(const Surface* source, float x, float y, Surface* target);

// Writes the surface as an 8-bit RGB PNG, replacing the file; false when it
// cannot be written.
bool picture_save(const Surface* s, const char* path);
