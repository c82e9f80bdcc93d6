#include "platform/blit.h"

#include <algorithm>
#include <cstring>

void fill_surface(SDL_Surface* s, Uint32 v)
{
    const SDL_Rect& c = s->clip_rect;
    lock_surface(s);
    const int pitch = pitch_pixels(s);
    Uint32* row = static_cast<Uint32*>(s->pixels) + c.y * pitch + c.x;
    for (int y = 0; y < c.h; y++, row += pitch)
        std::fill(row, row + c.w, v);
    unlock_surface(s);
}

void copy_surface(const SDL_Surface* source, SDL_Surface* target)
{
    const int w = std::min(source->w, target->w);
    const int h = std::min(source->h, target->h);
    for (int y = 0; y < h; y++)
        memcpy(static_cast<Uint8*>(target->pixels) + y * target->pitch,
               static_cast<const Uint8*>(source->pixels) + y * source->pitch, size_t(w) * 4);
}

// SDL's per-pixel-alpha blend of one row into a target whose red and blue
// lie the other way round (the back buffer's layout): a transparent source
// pixel leaves the target alone, an opaque one is stored swapped, and anything
// between is mixed in SDL's integer steps.
static void blend_row_swapped(const Uint32* s, Uint32* d, int w)
{
    for (int i = 0; i < w; i++) {
        const Uint32 alpha = s[i] >> 24;
        if (alpha == 0)
            continue;
        const Uint32 p = (s[i] & 0xFF00FF00) | (s[i] & 0xFF) << 16 | (s[i] >> 16 & 0xFF);
        if (alpha == SDL_ALPHA_OPAQUE) {
            d[i] = p;
            continue;
        }
        d[i] = blend_swapped(p & 0xFF00FF, p & 0xFF00, alpha, d[i]);
    }
}

// The same into a target in the source's own order, where SDL takes another
// path: each byte becomes s * a / 256 + t * (255 - a) / 256, both halves
// truncated, the source's top byte counting as 255.
static void blend_row_same(const Uint32* s, Uint32* d, int w)
{
    for (int i = 0; i < w; i++) {
        const Uint32 alpha = s[i] >> 24;
        if (alpha == 0)
            continue;
        if (alpha == SDL_ALPHA_OPAQUE) {
            d[i] = s[i];
            continue;
        }
        const Uint32 p = s[i] | 0xFF000000, t = d[i];
        Uint32 out = 0;
        for (int shift = 0; shift < 32; shift += 8)
            out |=
                (((p >> shift & 0xFF) * alpha >> 8) + ((t >> shift & 0xFF) * (alpha ^ 0xFF) >> 8))
                << shift;
        d[i] = out;
    }
}

// Copies the source's pixels but those that are the key: the whole word is
// compared, less any alpha bits, and only the layout's channels are written
// (a layout without alpha writes a zero top byte), as SDL does.
static void keyed_row(const Uint32* s, Uint32* d, int w, const SDL_PixelFormat* f)
{
    const Uint32 compared = ~f->Amask, written = f->Rmask | f->Gmask | f->Bmask | f->Amask;
    const Uint32 key = magenta_key & compared;
    for (int i = 0; i < w; i++)
        if ((s[i] & compared) != key)
            d[i] = s[i] & written;
}

void blit_surface(SDL_Surface* source, SDL_Surface* target, int x, int y)
{
    blit_rect(source, 0, 0, source->w, source->h, target, x, y);
}

void blit_rect(SDL_Surface* source, int sx, int sy, int w, int h, SDL_Surface* target, int x, int y)
{
    // SDL 1.2's clipping: the rectangle to the source, then the place to the
    // target's clip rectangle, the source rectangle moving with it.
    sx = Sint16(sx), sy = Sint16(sy), w = Uint16(w), h = Uint16(h);
    x = Sint16(x), y = Sint16(y);
    if (sx < 0) {
        w += sx, x -= sx, sx = 0;
    }
    if (sy < 0) {
        h += sy, y -= sy, sy = 0;
    }
    w = std::min(w, source->w - sx);
    h = std::min(h, source->h - sy);
    const SDL_Rect& c = target->clip_rect;
    if (x < c.x) {
        w -= c.x - x, sx += c.x - x, x = c.x;
    }
    if (y < c.y) {
        h -= c.y - y, sy += c.y - y, y = c.y;
    }
    w = std::min(w, c.x + c.w - x);
    h = std::min(h, c.y + c.h - y);
    if (w <= 0 || h <= 0)
        return;

    const SDL_PixelFormat* f = source->format;
    const bool blend = (source->flags & SDL_SRCALPHA) && f->Amask == scratch_amask;
    const bool keyed = !blend && (source->flags & SDL_SRCCOLORKEY);
    const bool swap = f->Rmask != target->format->Rmask;
    lock_surface(source);
    lock_surface(target);
    const int spitch = pitch_pixels(source), tpitch = pitch_pixels(target);
    const Uint32* s = static_cast<const Uint32*>(source->pixels) + sy * spitch + sx;
    Uint32* d = static_cast<Uint32*>(target->pixels) + y * tpitch + x;
    for (int i = 0; i < h; i++, s += spitch, d += tpitch) {
        if (blend && swap)
            blend_row_swapped(s, d, w);
        else if (blend)
            blend_row_same(s, d, w);
        else if (keyed)
            keyed_row(s, d, w, f);
        else
            memcpy(d, s, size_t(w) * 4);
    }
    unlock_surface(target);
    unlock_surface(source);
}

void double_surface(const SDL_Surface* source, SDL_Surface* target)
{
    const int tpitch = pitch_pixels(target), spitch = pitch_pixels(source);
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    const Uint32* src = static_cast<const Uint32*>(source->pixels);
    for (int y = 0; y < source->h; y++) {
        Uint32* d = dst + 2 * y * tpitch;
        const Uint32* s = src + y * spitch;
        for (int x = 0; x < source->w; x++) {
            d[2 * x] = s[x];
            d[2 * x + 1] = s[x];
        }
        // The odd row repeats the even one just written.
        memcpy(d + tpitch, d, size_t(source->w) * 2 * sizeof(Uint32));
    }
}
