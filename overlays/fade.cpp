#include "overlays/fade.h"

#include <algorithm>
#include <cmath>

#include "platform/blit.h"
#include "platform/maths.h"
#include "platform/video.h"

// Smoothstep x^2 (3 - 2x), rounded to single precision.
static float smoothstep(float x)
{
    return float(double(x) * x * (3.0 - 2.0 * x));
}

SDL_Surface* flash_surface;
SDL_Surface* fade_surface;
bool gentle_flashes;

void fade_load()
{
    flash_surface = create_scratch_surface(back_width, back_height);
    fade_surface = create_scratch_surface(back_width, back_height);
}

int fade_alpha(uint32_t t, uint32_t start, uint32_t duration, bool fade_in)
{
    const float x = float(double(t - start) / double(duration));
    const float s = smoothstep(x);
    return fade_in ? int((1.0f - s) * 255.0f) & 0xFF : int(s * 255.0f) & 0xFF;
}

float flash_curve(float u)
{
    return float(std::sin(pi_f * smoothstep(u)));
}

int flash_alpha(uint32_t t, uint32_t flash_time)
{
    // The flash rises from T; the 50 ms before it are drawn fully transparent.
    if (t < flash_time)
        return 0;
    const float u = float(t - flash_time) / 100.0f;
    const float v = flash_curve(u);
    return flash_strength(int(v * 255.0f) & 0xFF);
}

int flash_strength(int alpha)
{
    return gentle_flashes ? alpha * gentle_flash_peak / 255 : alpha;
}

// The case blend_colour writes out: an overlay in the scratch layout over a
// 32-bit target with red and blue the other way round (the show's back buffer),
// neither of them clipped.
static bool blends_itself(const SDL_Surface* overlay, const SDL_Surface* target)
{
    const SDL_PixelFormat* o = overlay->format;
    const SDL_PixelFormat* f = target->format;
    const SDL_Rect& clip = target->clip_rect;
    return (overlay->flags & SDL_SRCALPHA) && o->BytesPerPixel == 4 && o->Amask == 0xFF000000 &&
           o->Rmask == 0x000000FF && o->Gmask == 0x0000FF00 && o->Bmask == 0x00FF0000 &&
           f->BytesPerPixel == 4 && f->Rmask == 0x00FF0000 && f->Gmask == 0x0000FF00 &&
           f->Bmask == 0x000000FF && clip.x == 0 && clip.y == 0 && clip.w == target->w &&
           clip.h == target->h;
}

// SDL's per-pixel-alpha blit of an overlay filled with one colour, for the case
// above. The source is one word, so its swap and split are made once and each
// pixel keeps SDL's integer steps alone: a third of the time of the blit, with
// the same words written, top bytes included.
static void blend_colour(Uint32 colour, Uint32 alpha, int w, int h, SDL_Surface* target)
{
    if (alpha == 0)
        return;  // SDL skips fully transparent source pixels
    // The overlay word split as SDL splits it: red and blue swapped into the
    // target's order and kept apart from green.
    const Uint32 rb = ((colour & 0xFF) << 16) | ((colour >> 16) & 0xFF);
    const Uint32 g = colour & 0xFF00;
    lock_surface(target);
    const int pitch = pitch_pixels(target);
    Uint32* row = static_cast<Uint32*>(target->pixels);
    if (alpha == SDL_ALPHA_OPAQUE) {
        // SDL stores an opaque source pixel as it is.
        for (int y = 0; y < h; y++, row += pitch)
            std::fill(row, row + w, 0xFF000000 | g | rb);
    } else {
        for (int y = 0; y < h; y++, row += pitch) {
            Uint32* const end = row + w;
            for (Uint32* p = row; p < end; p++)
                *p = blend_swapped(rb, g, alpha, *p);
        }
    }
    unlock_surface(target);
}

// Fills the overlay with one colour at alpha a and blends it over the target.
static void blend_overlay(SDL_Surface* overlay, Uint32 colour, int alpha, SDL_Surface* target)
{
    if (!overlay || !target)
        return;
    fill_surface(overlay, Uint32(alpha) << 24 | colour);
    if (blends_itself(overlay, target)) {
        blend_colour(colour, Uint32(alpha), std::min(overlay->w, target->w),
                     std::min(overlay->h, target->h), target);
        return;
    }
    blit_surface(overlay, target, 0, 0);
}

void fade_in(uint32_t t, uint32_t start, uint32_t duration, SDL_Surface* target)
{
    if (t < start || t > start + duration)
        return;
    blend_overlay(fade_surface, 0x000000, fade_alpha(t, start, duration, true), target);
}

void fade_out(uint32_t t, uint32_t start, uint32_t duration, SDL_Surface* target)
{
    if (t < start || t > start + duration)
        return;
    blend_overlay(fade_surface, 0x000000, fade_alpha(t, start, duration, false), target);
}

void white_flash(uint32_t t, uint32_t flash_time, SDL_Surface* target)
{
    if (t < flash_time - flash_reach_ms || t > flash_time + flash_reach_ms)
        return;
    blend_overlay(flash_surface, 0xFFFFFF, flash_alpha(t, flash_time), target);
}

void run_fade_table(const FadeEvent* table, SDL_Surface* target, uint32_t t)
{
    for (const FadeEvent* e = table; e->start != 0 || e->duration != 0; e++) {
        if (t < e->start || t > e->start + e->duration)
            continue;
        if (e->direction > 0)
            fade_in(t, e->start, e->duration, target);
        else
            fade_out(t, e->start, e->duration, target);
    }
}
