#include "shell/image.h"

#include <IL/il.h>
#include <cstdio>

#include "shell/video.h"

SDL_Surface* flash_surface;
SDL_Surface* fade_surface;
SDL_Surface* flash_work_surface;
SDL_Surface* noise_surface;

bool must_lock(const SDL_Surface* s)
{
    return s->offset != 0 || (s->flags & (SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_RLEACCEL)) != 0;
}

void lock_surface(SDL_Surface* s)
{
    if (must_lock(s))
        SDL_LockSurface(s);
}

void unlock_surface(SDL_Surface* s)
{
    if (must_lock(s))
        SDL_UnlockSurface(s);
}

SDL_Surface* create_scratch_layout_surface(Uint32 flags, int w, int h)
{
    return SDL_CreateRGBSurface(flags, w, h, 32, scratch_rmask, scratch_gmask, scratch_bmask,
                                scratch_amask);
}

void create_scratch_surfaces()
{
    flash_surface = create_scratch_layout_surface(SDL_SRCALPHA, back_width, back_height);
    fade_surface = create_scratch_layout_surface(SDL_SRCALPHA, back_width, back_height);
    flash_work_surface = create_scratch_layout_surface(SDL_SRCALPHA, back_width, back_height);
    noise_surface = create_scratch_layout_surface(SDL_SRCALPHA, back_width, back_height);
}

// Decodes into the bound DevIL image and wraps it; null when anything fails.
static SDL_Surface* decode_and_convert(const char* path)
{
    if (!ilLoadImage(path))
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
