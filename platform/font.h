// The bitmap font and the text drawer: 16 x 16 cells of a glyph sheet, one per
// character code, blitted with the sheet's colour key.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

// One font: 16 x 16 cells of a glyph sheet, one per character code.
struct Font {
    int32_t glyph_width;       // sheet width / 16
    int32_t glyph_height;      // sheet height / 16
    SDL_Surface* glyph_sheet;  // colour-keyed magenta
};

extern Font* font;  // made by create_font; null when the glyph sheet did not load

// Loads the glyph sheet at path and keys it.
void create_font(const char* path);
// Draws text with its left end at (x, y), one fixed advance per byte.
void draw_text(const char* text, float x, float y, SDL_Surface* target);
