// Decoding the show's PNG files, with whatever the platform decodes them with.
// The format's own rules (the whole-file check, the writer) are draw/png.h.
#pragma once

#include <vector>

// Decodes the PNG at path into w x h pixels of 8-bit RGBA, rows top first,
// whatever its own depth and colour type; false when it does not decode.
bool png_decode(const char* path, std::vector<unsigned char>* rgba, int* w, int* h);
