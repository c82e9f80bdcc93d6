// The bitmap font and the text drawer: 16 x 16 cells of a glyph sheet, one per
// character code, blitted with the sheet's colour key.
#pragma once

#include <cstdint>

#include "draw/surface.h"

struct Font {
    int32_t glyph_width;   // sheet width / 16
    int32_t glyph_height;  // sheet height / 16
    Surface* glyph_sheet;  // keyed magenta
};

// Loads the glyph sheet at path and keys it; null after "Error at loading
// picture <path>" when it does not load or has no glyph a pixel wide.
Font* font_load(const char* path);
// Draws text with its left end at (x, y), one fixed advance per byte, clipped
// to the target. A null font, text or target draws nothing.
void text_draw(const Font* font, const char* text, float x, float y, Surface* target);
