#include "draw/blit.h"

#include <algorithm>
#include <cstring>

void surface_fill(uint32_t v, Surface* target)
{
    const Rect& c = target->clip;
    const int pitch = target->pitch;
    uint32_t* row = surface_row(target, c.y) + c.x;
    for (int y = 0; y < c.h; y++, row += pitch)
        std::fill(row, row + c.w, v);
}

void surface_copy(const Surface* source, Surface* target)
{
    const int w = std::min(source->w, target->w);
    const int h = std::min(source->h, target->h);
    for (int y = 0; y < h; y++)
        memcpy(surface_row(target, y), surface_row(source, y), size_t(w) * 4);
}

// SDL's per-pixel-alpha blend of one row into a target whose red and blue
// lie the other way round (the back buffer's layout): a transparent source
// pixel leaves the target alone, an opaque one is stored swapped, and anything
// between is mixed in SDL's integer steps.
static void blend_row_swapped(const uint32_t* s, uint32_t* d, int w)
{
    for (int i = 0; i < w; i++) {
        const uint32_t alpha = s[i] >> 24;
        if (alpha == 0)
            continue;
        const uint32_t p = (s[i] & 0xFF00FF00) | (s[i] & 0xFF) << 16 | (s[i] >> 16 & 0xFF);
        if (alpha == 255) {
            d[i] = p;
            continue;
        }
        d[i] = blend_swapped(p & 0xFF00FF, p & 0xFF00, alpha, d[i]);
    }
}

// The same into a target in the source's own order, where SDL takes another
// path: each byte becomes s * a / 256 + t * (255 - a) / 256, both halves
// truncated, the source's top byte counting as 255.
static void blend_row_same(const uint32_t* s, uint32_t* d, int w)
{
    for (int i = 0; i < w; i++) {
        const uint32_t alpha = s[i] >> 24;
        if (alpha == 0)
            continue;
        if (alpha == 255) {
            d[i] = s[i];
            continue;
        }
        const uint32_t p = s[i] | 0xFF000000, t = d[i];
        uint32_t out = 0;
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
static void keyed_row(const uint32_t* s, uint32_t* d, int w, const PixelLayout& f)
{
    const uint32_t compared = ~f.a, written = f.r | f.g | f.b | f.a;
    const uint32_t key = magenta_key & compared;
    for (int i = 0; i < w; i++)
        if ((s[i] & compared) != key)
            d[i] = s[i] & written;
}

void surface_blit(const Surface* source, int x, int y, Surface* target)
{
    surface_blit_rect(source, 0, 0, source->w, source->h, x, y, target);
}

void surface_blit_rect(const Surface* source, int sx, int sy, int w, int h, int x, int y,
                       Surface* target)
{
    // SDL 1.2's clipping: the rectangle to the source, then the place to the
    // target's clip rectangle, the source rectangle moving with it.
    sx = int16_t(sx), sy = int16_t(sy), w = uint16_t(w), h = uint16_t(h);
    x = int16_t(x), y = int16_t(y);
    if (sx < 0) {
        w += sx, x -= sx, sx = 0;
    }
    if (sy < 0) {
        h += sy, y -= sy, sy = 0;
    }
    w = std::min(w, source->w - sx);
    h = std::min(h, source->h - sy);
    const Rect& c = target->clip;
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

    const PixelLayout& f = source->layout;
    const bool blend = source->blended && f.a == scratch_layout.a;
    const bool keyed = !blend && source->keyed;
    const bool swap = f.r != target->layout.r;
    const int spitch = source->pitch, tpitch = target->pitch;
    const uint32_t* s = surface_row(source, sy) + sx;
    uint32_t* d = surface_row(target, y) + x;
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
}

void surface_double(const Surface* source, Surface* target)
{
    const int tpitch = target->pitch, spitch = source->pitch;
    uint32_t* dst = target->pixels;
    const uint32_t* src = source->pixels;
    for (int y = 0; y < source->h; y++) {
        uint32_t* d = dst + 2 * y * tpitch;
        const uint32_t* s = src + y * spitch;
        for (int x = 0; x < source->w; x++) {
            d[2 * x] = s[x];
            d[2 * x + 1] = s[x];
        }
        // The odd row repeats the even one just written.
        memcpy(d + tpitch, d, size_t(source->w) * 2 * sizeof(uint32_t));
    }
}
