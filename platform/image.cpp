#include "platform/image.h"

#include <IL/il.h>
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

// Decodes into the bound DevIL image and wraps it; null when anything fails.
static SDL_Surface* decode_and_convert(const char* path)
{
    if (!png_is_whole(path) || !ilLoadImage(path))
        return nullptr;
    // Palette, grey and 16-bit pictures would be misread by the packed 8-bit
    // wrap below, so they become 8-bit RGBA first.
    const ILint format = ilGetInteger(IL_IMAGE_FORMAT);
    const ILint type = ilGetInteger(IL_IMAGE_TYPE);
    if ((format != IL_RGB && format != IL_RGBA) || type != IL_UNSIGNED_BYTE) {
        if (!ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE))
            return nullptr;
    }
    const int width = ilGetInteger(IL_IMAGE_WIDTH);
    const int height = ilGetInteger(IL_IMAGE_HEIGHT);
    const int bits = ilGetInteger(IL_IMAGE_BITS_PER_PIXEL);
    ILubyte* data = ilGetData();
    if (width <= 0 || height <= 0 || (bits != 24 && bits != 32) || !data)
        return nullptr;
    SDL_Surface* wrapper =
        SDL_CreateRGBSurfaceFrom(data, width, height, bits, bits * width / 8, scratch_rmask,
                                 scratch_gmask, scratch_bmask, bits == 32 ? scratch_amask : 0);
    if (!wrapper)
        return nullptr;
    SDL_Surface* result = SDL_ConvertSurface(wrapper, back_buffer->format, SDL_SRCALPHA);
    SDL_FreeSurface(wrapper);
    return result;
}

SDL_Surface* load_image(const char* path)
{
    ILuint name;
    ilGenImages(1, &name);
    ilBindImage(name);
    SDL_Surface* result = decode_and_convert(path);
    // The converted surface owns its own pixels; the decoded image is done with.
    ilDeleteImages(1, &name);
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
    const int pitch = pitch_pixels(s);
    const Uint32* px = static_cast<const Uint32*>(s->pixels);
    unsigned char* d = rgb.data();
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++, d += 3)
            SDL_GetRGB(px[y * pitch + x], s->format, d, d + 1, d + 2);
    return write_png(rgb.data(), s->w, s->h, path);
}
