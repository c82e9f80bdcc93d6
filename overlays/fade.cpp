#include "overlays/fade.h"

#include <algorithm>
#include <cmath>

#include "core/maths.h"
#include "draw/blit.h"

// Smoothstep x^2 (3 - 2x), rounded to single precision.
static float smoothstep(float x)
{
    return float(double(x) * x * (3.0 - 2.0 * x));
}

void fade_make(Fades* fades, bool gentle)
{
    fades->gentle = gentle;
    fades->flash_overlay = surface_make_scratch(back_width, back_height);
    fades->fade_overlay = surface_make_scratch(back_width, back_height);
}

void fade_free(Fades* fades)
{
    surface_free(fades->flash_overlay);
    surface_free(fades->fade_overlay);
    *fades = Fades{};
}

int fade_alpha(uint32_t t, uint32_t start, uint32_t duration, bool fade_in)
{
    const float x = float(double(t - start) / double(duration));
    const float s = smoothstep(x);
    return fade_in ? int((1.0f - s) * 255.0f) & 0xFF : int(s * 255.0f) & 0xFF;
}

float flash_curve(float u)
{
    // Outside 0..1 the smoothstep runs off as a cubic, past any angle the
    // sine takes: the curve stays at its ends there.
    u = u < 0.0f ? 0.0f : u > 1.0f ? 1.0f : u;
    return float(exact_sin(pi_f * smoothstep(u)));
}

int flash_alpha(uint32_t t, uint32_t flash_time, bool gentle)
{
    // The flash rises from T; the 50 ms before it are drawn fully transparent.
    if (t < flash_time)
        return 0;
    const float u = float(t - flash_time) / 100.0f;
    const float v = flash_curve(u);
    return flash_strength(int(v * 255.0f) & 0xFF, gentle);
}

int flash_strength(int alpha, bool gentle)
{
    return gentle ? alpha * gentle_flash_peak / 255 : alpha;
}

// The case blend_colour writes out: an overlay in the scratch layout over a
// 32-bit target with red and blue the other way round (the show's back buffer),
// neither of them clipped.
static bool blends_itself(const Surface* overlay, const Surface* target)
{
    const Rect& clip = target->clip;
    return overlay->blended && overlay->layout == scratch_layout &&
           target->layout.r == xrgb_layout.r && target->layout.g == xrgb_layout.g &&
           target->layout.b == xrgb_layout.b && clip.x == 0 && clip.y == 0 && clip.w == target->w &&
           clip.h == target->h;
}

// SDL's per-pixel-alpha blit of an overlay filled with one colour, for the case
// above. The source is one word, so its swap and split are made once and each
// pixel keeps SDL's integer steps alone: a third of the time of the blit, with
// the same words written, top bytes included.
static void blend_colour(uint32_t colour, uint32_t alpha, int w, int h, Surface* target)
{
    if (alpha == 0)
        return;  // SDL skips fully transparent source pixels
    // The overlay word split as SDL splits it: red and blue swapped into the
    // target's order and kept apart from green.
    const uint32_t rb = ((colour & 0xFF) << 16) | ((colour >> 16) & 0xFF);
    const uint32_t g = colour & 0xFF00;
    const int pitch = target->pitch;
    uint32_t* row = target->pixels;
    if (alpha == 255) {
        // SDL stores an opaque source pixel as it is.
        for (int y = 0; y < h; y++, row += pitch)
            std::fill(row, row + w, 0xFF000000 | g | rb);
    } else {
        for (int y = 0; y < h; y++, row += pitch) {
            uint32_t* const end = row + w;
            for (uint32_t* p = row; p < end; p++)
                *p = blend_swapped(rb, g, alpha, *p);
        }
    }
}

// Fills the overlay with one colour at alpha a and blends it over the target.
static void blend_overlay(Surface* overlay, uint32_t colour, int alpha, Surface* target)
{
    if (!overlay || !target)
        return;
    surface_fill(uint32_t(alpha) << 24 | colour, overlay);
    if (blends_itself(overlay, target)) {
        blend_colour(colour, uint32_t(alpha), std::min(overlay->w, target->w),
                     std::min(overlay->h, target->h), target);
        return;
    }
    surface_blit(overlay, 0, 0, target);
}

void fade_in(uint32_t t, const Fades* fades, uint32_t start, uint32_t duration, Surface* target)
{
    if (t < start || t > start + duration)
        return;
    blend_overlay(fades->fade_overlay, 0x000000, fade_alpha(t, start, duration, true), target);
}

void fade_out(uint32_t t, const Fades* fades, uint32_t start, uint32_t duration, Surface* target)
{
    if (t < start || t > start + duration)
        return;
    blend_overlay(fades->fade_overlay, 0x000000, fade_alpha(t, start, duration, false), target);
}

void flash_draw(uint32_t t, const Fades* fades, uint32_t flash_time, Surface* target)
{
    if (t < flash_time - flash_reach_ms || t > flash_time + flash_reach_ms)
        return;
    blend_overlay(fades->flash_overlay, 0xFFFFFF, flash_alpha(t, flash_time, fades->gentle),
                  target);
}

void fade_run_table(uint32_t t, const Fades* fades, const FadeEvent* table, Surface* target)
{
    for (const FadeEvent* e = table; e->start != 0 || e->duration != 0; e++) {
        if (t < e->start || t > e->start + e->duration)
            continue;
        if (e->direction > 0)
            fade_in(t, fades, e->start, e->duration, target);
        else
            fade_out(t, fades, e->start, e->duration, target);
    }
}
