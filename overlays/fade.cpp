#include "overlays/fade.h"

#include <cmath>

#include "shell/image.h"

// The single-precision pi every curve of the show is written with.
static const double pi_f = 3.1415927410125732;

// Smoothstep x^2 (3 - 2x), rounded to single precision.
static float smoothstep(float x)
{
    return float(double(x) * x * (3.0 - 2.0 * x));
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
    return int(v * 255.0f) & 0xFF;
}

// Fills the overlay with one colour at alpha a and blends it over the target.
static void blend_overlay(SDL_Surface* overlay, Uint32 colour, int alpha, SDL_Surface* target)
{
    if (!overlay || !target)
        return;
    SDL_FillRect(overlay, nullptr, Uint32(alpha) << 24 | colour);
    SDL_Rect at = {0, 0, 0, 0};
    SDL_UpperBlit(overlay, nullptr, target, &at);
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
