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

// A new font over the glyph sheet, which it keys and takes; null (the sheet
// left to the caller) when the sheet is null or has no glyph a pixel wide.
Font* font_make(Surface* sheet);
// Draws text with its left end at (x, y), one fixed advance per byte, clipped
// to the target. A null font, text or target draws nothing.
void text_draw(const Font* font, const char* text, float x, float y, Surface* target);
