// PNG files written and checked by our own code, the same on every platform:
// the standard library alone, no zlib.
#pragma once

#include <cstddef>
#include <vector>

// True when the bytes are a whole PNG: the signature, IHDR first, every chunk
// inside the bytes with a good checksum, image data, and the IEND that closes it.
bool png_is_whole_bytes(const unsigned char* p, size_t n);
// The same for the file at path; false when it cannot be read.
bool png_is_whole(const char* path);

// w x h pixels of 8-bit RGB, rows top first, as the bytes of a compressed PNG;
// empty when w or h is not positive.
std::vector<unsigned char> png_encode(const unsigned char* rgb, int w, int h);
// The same written to path, replacing the file; false when it cannot be written.
bool png_write(const unsigned char* rgb, int w, int h, const char* path);
