// Our own pixel typeface: every printable ASCII character on a grid of up to
// 6 columns by 7 rows (capitals on rows 0-5, descenders on row 6). The glyph
// sheet, the title and the logos are all lettered from it.
#pragma once

#include "generators/pictures/paint.h"

constexpr int glyph_grid_w = 6;
constexpr int glyph_grid_h = 7;

// The glyph of a printable code (32..126) on its 6x7 grid, ink against the
// left edge; the mask is empty for other codes.
Mask glyph(int code);
// Columns of ink of a printable code (the space counts 3).
int glyph_width(int code);

// A line of text in grid pixels: glyphs side by side, gap columns apart.
Mask text_mask(const char* text, int gap);

// Large lettering: the text line smoothly doubled `smooth` times, then each
// pixel made a block of `block` pixels.
Mask lettering(const char* text, int gap, int smooth, int block);

// The 256x256 glyph sheet: 16x16 cells of 16x16 pixels, cell n at column n%16,
// row n/16; each printable glyph smoothly doubled, centred, shaded and outlined.
Canvas glyph_sheet();
