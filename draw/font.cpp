#include "draw/font.h"

#include <new>

#include "core/maths.h"
#include "draw/blit.h"

Font* font_make(Surface* sheet)
{
    // A sheet smaller than 16 x 16 has no glyph a pixel wide: as good as missing.
    Font* font = !sheet || sheet->w < 16 || sheet->h < 16 ? nullptr : new (std::nothrow) Font;
    if (!font)
        return nullptr;
    *font = Font{sheet->w / 16, sheet->h / 16, sheet};
    sheet->keyed = true;
    return font;
}

void text_draw(const Font* font, const char* text, float x, float y, Surface* target)
{
    if (!font || !target || !text || font->glyph_width <= 0 || font->glyph_height <= 0)
        return;
    const int gw = font->glyph_width;
    const int gh = font->glyph_height;
    const int X = round_position(x);
    const int16_t top = int16_t(round_position(y));
    // Only glyphs within one glyph of the target reach the blit, which clips them.
    if (top < -gh || top >= target->h + gh)
        return;
    for (int i = 0; text[i]; i++) {
        const int16_t left = int16_t(X + i * gw);
        const signed char c = static_cast<signed char>(text[i]);
        // Codes of 128 and above have no cell: they take their place and draw nothing.
        if (c < 0 || left < -gw || left >= target->w + gw)
            continue;
        surface_blit_rect(font->glyph_sheet, int16_t(c % 16 * gw), int16_t(c / 16 * gh),
                          uint16_t(gw), uint16_t(gh), left, top, target);
    }
}
