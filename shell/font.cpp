#include "shell/font.h"

#include <cmath>
#include <cstdio>

#include "shell/image.h"
#include "shell/video.h"

Font* font;

// The screen shows about the first 650 characters before the show ends (16-pixel
// glyphs at 125 pixels a second); the goodbye lands in the last seconds and the
// rest of the line is a note for whoever reads it here.
const char scroll_text[] =
    "Hello there, and welcome to VARNO STYLE!   Turn the sound up and let the pixels do the "
    "talking...   Code by gnask, pixels by MorbiLa, graphics by rUBKO, music by Vantorquil.  "
    " Every picture, every letter of this font and every note you hear comes out of our own "
    "code: no paint program, no sampler, just sines, tables and patience.   Greetings fly "
    "out to Neon Ferrets, Pixel Monks, Copper Moth, Sine Cartel, Byte Harvest and everybody "
    "who still writes effects for the joy of it!   That is all from us: keep coding, keep "
    "drawing, keep making noise... see you at the next party!                                "
    "                                                     P.S. for those reading this in the "
    "source: the show ends before this part of the line reaches the screen, so this is just "
    "between us. Thanks for looking under the hood, and have fun taking it apart!            "
    "                                                                                          ";
static_assert(sizeof scroll_text == 961, "the scroll text is one line of 960 characters");

// Bevel greys for band rows 0..5: sin((r + 1) * pi / 6) in single precision, times 255.
static int bevel_grey(int r)
{
    const float pi = 3.1415927410125732f;
    const float s = float(std::sin((r + 1) * double(pi) / 6));
    return int(s * 255.0f) & 0xFF;
}

void create_font()
{
    static const char path[] = "data/fonte3.png";
    SDL_Surface* sheet = load_image(path);
    if (!sheet)
        return;  // texts then draw nothing
    // A sheet smaller than 16 x 16 has no glyph a pixel wide: as good as missing.
    if (sheet->w < 16 || sheet->h < 16) {
        printf("Error at loading picture %s\n", path);
        SDL_FreeSurface(sheet);
        return;
    }
    font = new Font{sheet->w / 16, sheet->h / 16, sheet};
    SDL_SetColorKey(sheet, SDL_SRCCOLORKEY | SDL_RLEACCEL, magenta_key);
}

void draw_text(const char* text, float x, float y, SDL_Surface* target)
{
    if (!font || !target || !text || font->glyph_width <= 0 || font->glyph_height <= 0)
        return;
    const int gw = font->glyph_width;
    const int gh = font->glyph_height;
    const int X = round_position(x);
    const Sint16 top = Sint16(round_position(y));
    // Only glyphs within one glyph of the visible area reach SDL, which clips them.
    if (top < -gh || top >= back_height + gh)
        return;
    for (int i = 0; text[i]; i++) {
        const Sint16 left = Sint16(X + i * gw);
        const signed char c = static_cast<signed char>(text[i]);
        // Codes of 128 and above have no cell: they take their place and draw nothing.
        if (c < 0 || left < -gw || left >= back_width + gw)
            continue;
        SDL_Rect src = {Sint16(c % 16 * gw), Sint16(c / 16 * gh), Uint16(gw), Uint16(gh)};
        SDL_Rect dst = {left, top, 0, 0};
        SDL_UpperBlit(font->glyph_sheet, &src, target, &dst);
    }
}

void scroller_band(int h, float k)
{
    k = k < 0.0f ? 0.0f : k > 1.0f ? 1.0f : k;
    if (h <= 0)
        return;
    if (h > back_height)
        h = back_height;
    // Every channel byte scales the same way: one table per call, three lookups per pixel.
    const float keep = 1.0f - k;
    Uint32 dark[256];
    for (int v = 0; v < 256; v++)
        dark[v] = Uint32(v * keep);
    lock_surface(back_buffer);
    const int pitch = pitch_pixels(back_buffer);
    Uint32* row = static_cast<Uint32*>(back_buffer->pixels) + (back_height - h) * pitch;
    for (int r = 0; r < h; r++, row += pitch) {
        Uint32* p = row;
        Uint32* const end = row + back_width;
        if (r < 6) {
            const Uint32 grey = 0xFF000000 | Uint32(bevel_grey(r)) * 0x010101;
            while (p < end)
                *p++ = grey;
            continue;
        }
        for (; p < end; p++) {
            const Uint32 v = *p;
            *p =
                0xFF000000 | dark[v >> 16 & 0xFF] << 16 | dark[v >> 8 & 0xFF] << 8 | dark[v & 0xFF];
        }
    }
    unlock_surface(back_buffer);
}
