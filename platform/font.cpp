#include "platform/font.h"

#include <cstdio>

#include "platform/image.h"
#include "platform/maths.h"
#include "platform/video.h"

Font* font;

void create_font(const char* path)
{
    SDL_Surface* sheet = load_image(path);
    if (!sheet)
        return;  // texts then draw nothing
    // A sheet smaller than 16 x 16 has no glyph a pixel wide: as good as missing.
    if (sheet->w < 16 || sheet->h < 16) {
        printf("Error at loading picture %s\n", path);
        free_surface(sheet);
        return;
    }
    font = new Font{sheet->w / 16, sheet->h / 16, sheet};
    set_magenta_key(sheet);
}

void draw_text(const char* text, float x, float y, SDL_Surface* target)
{
    if (!font || !target || !text || font->glyph_width <= 0 || font->glyph_height <= 0)
        return;
    const int gw = font->glyph_width;
    const int gh = font->glyph_height;
    const int X = round_position(x);
    const Sint16 top = Sint16(round_position(y));
    // Only glyphs within one glyph of the visible area reach the blit, which clips them.
    if (top < -gh || top >= back_height + gh)
        return;
    for (int i = 0; text[i]; i++) {
        const Sint16 left = Sint16(X + i * gw);
        const signed char c = static_cast<signed char>(text[i]);
        // Codes of 128 and above have no cell: they take their place and draw nothing.
        if (c < 0 || left < -gw || left >= back_width + gw)
            continue;
        blit_rect(font->glyph_sheet, Sint16(c % 16 * gw), Sint16(c / 16 * gh), Uint16(gw),
                  Uint16(gh), target, left, top);
    }
}
