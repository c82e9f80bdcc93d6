#include "draw/picture.h"

#include <cstdio>

#include "core/maths.h"
#include "draw/png.h"

// The shift that puts an 8-bit channel under its mask.
static int channel_shift(uint32_t mask)
{
    int shift = 0;
    while (mask && !(mask & 1))
        mask >>= 1, shift++;
    return shift;
}

Surface* picture_make(const std::vector<unsigned char>& rgba, int w, int h)
{
    if (w <= 0 || h <= 0 || rgba.size() < size_t(w) * size_t(h) * 4)
        return nullptr;
    Surface* s = surface_make(w, h, xrgb_layout);
    if (!s)
        return nullptr;
    // The layout has no alpha: the picture's own is dropped, and the keyed
    // blits see magenta by the colour alone.
    const unsigned char* p = rgba.data();
    for (int y = 0; y < h; y++) {
        uint32_t* row = surface_row(s, y);
        for (int x = 0; x < w; x++, p += 4)
            row[x] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | uint32_t(p[2]);
    }
    return s;
}

void picture_blit_keyed(const Surface* source, float x, float y, Surface* target)
{
    if (!source || !target)
        return;
    const int X = round_position(x);
    const int Y = round_position(y);
    const int spitch = source->pitch;
    const int tpitch = target->pitch;
    const uint32_t* src = source->pixels;
    uint32_t* dst = target->pixels;
    // Clip once instead of testing every pixel: rows above the top and columns
    // left of the edge are skipped, the copy stops at the right and bottom.
    const int i0 = Y < 0 ? -Y : 0;
    const int i1 = target->h - Y < source->h ? target->h - Y : source->h;
    const int j0 = X < 0 ? -X : 0;
    const int j1 = target->w - X < source->w ? target->w - X : source->w;
    for (int i = i0; i < i1; i++) {
        const uint32_t* s = src + i * spitch;
        uint32_t* d = dst + (Y + i) * tpitch + X;
        for (int j = j0; j < j1; j++) {
            const uint32_t p = s[j] & 0x00FFFFFF;
            if (p != magenta_key)
                d[j] = p | 0xFF000000;
        }
    }
}

bool picture_save(const Surface* s, const char* path)
{
    std::vector<unsigned char> rgb(size_t(s->w) * s->h * 3);
    const int rs = channel_shift(s->layout.r), gs = channel_shift(s->layout.g);
    const int bs = channel_shift(s->layout.b);
    const int pitch = s->pitch;
    const uint32_t* px = s->pixels;
    unsigned char* d = rgb.data();
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++, d += 3) {
            const uint32_t p = px[y * pitch + x];
            d[0] = uint8_t(p >> rs), d[1] = uint8_t(p >> gs), d[2] = uint8_t(p >> bs);
        }
    return png_write(rgb.data(), s->w, s->h, path);
}
