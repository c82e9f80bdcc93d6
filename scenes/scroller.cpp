#include "scenes/scroller.h"

#include "core/maths.h"
#include "scenes/timeline.h"

// The scroll text starts 500 pixels right of the band's start, at 125 pixels a second.
constexpr double scroll_origin_x = 500.0;
constexpr double scroll_pixels_per_ms = 0.125;
constexpr float scroll_text_y = 221.0f;
constexpr float band_darkening = 0.7f;

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

int band_height(uint32_t t)
{
    // Floor of 24 * (elapsed) / 1000; before the start the quotient is
    // negative and clamps to 0 anyway, so only the upper clamp needs care.
    int64_t lines;
    if (t < band_shrink_start)
        lines = t < band_grow_start ? 0 : band_full_height * int64_t(t - band_grow_start) / 1000;
    else
        lines = t > band_shrink_end ? 0 : band_full_height * int64_t(band_shrink_end - t) / 1000;
    return lines > band_full_height ? band_full_height : int(lines);
}

float scroll_text_x(uint32_t t)
{
    return float(scroll_origin_x - (double(t) - band_grow_start) * scroll_pixels_per_ms);
}

// Bevel greys for band rows 0..5: sin((r + 1) * pi / 6) in single precision, times 255.
static int bevel_grey(int r)
{
    const float s = float(exact_sin((r + 1) * pi_f / 6));
    return int(s * 255.0f) & 0xFF;
}

void scroller_draw_band(int h, float k, Surface* target)
{
    k = k < 0.0f ? 0.0f : k > 1.0f ? 1.0f : k;
    if (h <= 0 || !target)
        return;
    if (h > target->h)
        h = target->h;
    // Every channel byte scales the same way: one table per call, three lookups per pixel.
    const float keep = 1.0f - k;
    uint32_t dark[256];
    for (int v = 0; v < 256; v++)
        dark[v] = uint32_t(v * keep);
    const int pitch = target->pitch;
    uint32_t* row = surface_row(target, target->h - h);
    for (int r = 0; r < h; r++, row += pitch) {
        uint32_t* p = row;
        uint32_t* const end = row + target->w;
        if (r < 6) {
            const uint32_t grey = 0xFF000000 | uint32_t(bevel_grey(r)) * 0x010101;
            while (p < end)
                *p++ = grey;
            continue;
        }
        for (; p < end; p++) {
            const uint32_t v = *p;
            *p =
                0xFF000000 | dark[v >> 16 & 0xFF] << 16 | dark[v >> 8 & 0xFF] << 8 | dark[v & 0xFF];
        }
    }
}

void scroller_draw(uint32_t t, const Font* font, Surface* target)
{
    scroller_draw_band(band_height(t), band_darkening, target);
    if (t >= scroll_text_start)
        text_draw(font, scroll_text, scroll_text_x(t), scroll_text_y, target);
}
