// PNG files out, shared by the capture tool and the picture generator.
#pragma once

// Starts the image library for loading and writing: rows top first, files
// replaced. Once per process, before the first load or write.
void png_start();

// Writes w x h pixels of 8-bit RGB, rows top first, as a PNG at path; false
// when it cannot be written.
bool write_png(const unsigned char* rgb, int w, int h, const char* path);
