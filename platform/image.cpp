#include "platform/image.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/maths.h"
#include "platform/png.h"
#include "platform/video.h"

static uint32_t crc_table[256];

static uint32_t chunk_crc(const unsigned char* p, size_t n)
{
    if (!crc_table[1])
        for (uint32_t i = 0; i < 256; i++) {
            uint32_t c = i;
            for (int k = 0; k < 8; k++)
                c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            crc_table[i] = c;
        }
    uint32_t c = 0xFFFFFFFFu;
    while (n--)
        c = crc_table[(c ^ *p++) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

static uint32_t be32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool png_is_whole(const char* path)
{
    // DevIL spins for ever on a PNG cut off inside its image data, so every
    // file is walked chunk by chunk first: signature, IHDR first, every chunk
    // inside the file with a good checksum, image data, and the IEND that
    // closes it.
    FILE* f = fopen(path, "rb");
    if (!f)
        return false;
    std::vector<unsigned char> bytes;
    unsigned char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0)
        bytes.insert(bytes.end(), buf, buf + n);
    fclose(f);
    static const unsigned char signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (bytes.size() < 8 || memcmp(bytes.data(), signature, 8) != 0)
        return false;
    bool saw_data = false;
    for (size_t at = 8; bytes.size() - at >= 12;) {
        const unsigned char* chunk = bytes.data() + at;
        const uint32_t length = be32(chunk);
        if (length > bytes.size() - at - 12)
            return false;
        if (chunk_crc(chunk + 4, length + 4) != be32(chunk + 8 + length))
            return false;
        if (at == 8 && memcmp(chunk + 4, "IHDR", 4) != 0)
            return false;
        if (memcmp(chunk + 4, "IDAT", 4) == 0)
            saw_data = true;
        if (memcmp(chunk + 4, "IEND", 4) == 0)
            return saw_data;
        at += 12 + size_t(length);
    }
    return false;
}

// The shift that puts an 8-bit channel under its mask.
static int channel_shift(Uint32 mask)
{
    int shift = 0;
    while (mask && !(mask & 1))
        mask >>= 1, shift++;
    return shift;
}

// The decoded picture in the back buffer's layout, as SDL's conversion into it
// writes the words: the channels in place, alpha only where the layout has it.
static SDL_Surface* convert_picture(const std::vector<unsigned char>& rgba, int w, int h)
{
    SDL_Surface* s = create_surface_like(back_buffer, w, h);
    if (!s)
        return nullptr;
    const SDL_PixelFormat* f = s->format;
    const int rs = channel_shift(f->Rmask), gs = channel_shift(f->Gmask);
    const int bs = channel_shift(f->Bmask), as = channel_shift(f->Amask);
    const Uint32 alpha_mask = f->Amask;
    const unsigned char* p = rgba.data();
    for (int y = 0; y < h; y++) {
        Uint32* row = static_cast<Uint32*>(s->pixels) + y * pitch_pixels(s);
        for (int x = 0; x < w; x++, p += 4)
            row[x] = Uint32(p[0]) << rs | Uint32(p[1]) << gs | Uint32(p[2]) << bs |
                     (Uint32(p[3]) << as & alpha_mask);
    }
    return s;
}

SDL_Surface* load_image(const char* path)
{
    std::vector<unsigned char> rgba;
    int w, h;
    SDL_Surface* result = nullptr;
    if (png_is_whole(path) && read_png(path, &rgba, &w, &h))
        result = convert_picture(rgba, w, h);
    if (!result)
        printf("Error at loading picture %s\n", path);
    return result;
}

void keyed_blit(SDL_Surface* source, SDL_Surface* target, float x, float y)
{
    if (!source || !target)
        return;
    const int X = round_position(x);
    const int Y = round_position(y);
    lock_surface(source);
    lock_surface(target);
    const int spitch = pitch_pixels(source);
    const int tpitch = pitch_pixels(target);
    const Uint32* src = static_cast<const Uint32*>(source->pixels);
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    // Clip once instead of testing every pixel: rows above the top and columns
    // left of the edge are skipped, the copy stops at the right and bottom.
    const int i0 = Y < 0 ? -Y : 0;
    const int i1 = target->h - Y < source->h ? target->h - Y : source->h;
    const int j0 = X < 0 ? -X : 0;
    const int j1 = target->w - X < source->w ? target->w - X : source->w;
    for (int i = i0; i < i1; i++) {
        const Uint32* s = src + i * spitch;
        Uint32* d = dst + (Y + i) * tpitch + X;
        for (int j = j0; j < j1; j++) {
            const Uint32 p = s[j] & 0x00FFFFFF;
            if (p != magenta_key)
                d[j] = p | 0xFF000000;
        }
    }
    unlock_surface(target);
    unlock_surface(source);
}

bool save_png(SDL_Surface* s, const char* path)
{
    std::vector<unsigned char> rgb(size_t(s->w) * s->h * 3);
    const SDL_PixelFormat* f = s->format;
    const int rs = channel_shift(f->Rmask), gs = channel_shift(f->Gmask);
    const int bs = channel_shift(f->Bmask);
    const int pitch = pitch_pixels(s);
    const Uint32* px = static_cast<const Uint32*>(s->pixels);
    unsigned char* d = rgb.data();
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++, d += 3) {
            const Uint32 p = px[y * pitch + x];
            d[0] = Uint8(p >> rs), d[1] = Uint8(p >> gs), d[2] = Uint8(p >> bs);
        }
    return write_png(rgb.data(), s->w, s->h, path);
}
