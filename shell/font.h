// The bitmap font, the text drawer, the scroller band and the scroll text.
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

// The scrolling message: one line of 960 printable characters.
extern const char scroll_text[];

// Loads "data/fonte3.png" as the glyph sheet and keys it.
void create_font();
// Draws text with its left end at (x, y), one fixed advance per byte.
void draw_text(const char* text, float x, float y, SDL_Surface* target);
// Darkens the bottom h lines of the back buffer by (1 - k), with a grey bevel
// on the top six.
void scroller_band(int h, float k);
