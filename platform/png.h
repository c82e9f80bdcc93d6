// PNG files in and out: the show's pictures in; the capture tool's and the
// picture generator's files out.
#pragma once

#include <vector>

// Starts the image library for loading and writing: rows top first, files
// replaced. Once per process, before the first load or write.
void png_start();

// Writes w x h pixels of 8-bit RGB, rows top first, as a PNG at path; false
// when it cannot be written.
bool write_png(const unsigned char* rgb, int w, int h, const char* path);

// Decodes the PNG at path into w x h pixels of 8-bit RGBA, rows top first,
// whatever its own depth and colour type; false when it does not decode.
bool read_png(const char* path, std::vector<unsigned char>* rgba, int* w, int* h);
