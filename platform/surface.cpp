#include "platform/surface.h"

#include <algorithm>
#include <cstring>

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

SDL_Surface* create_scratch_surface(int w, int h)
{
    // A surface with an alpha mask blends by it: no flag needed for that.
    return SDL_CreateRGBSurface(SDL_SRCALPHA, w, h, 32, scratch_rmask, scratch_gmask, scratch_bmask,
                                scratch_amask);
}

SDL_Surface* create_surface_like(const SDL_Surface* like, int w, int h)
{
    const SDL_PixelFormat* f = like->format;
    return SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
}

void free_surface(SDL_Surface* s)
{
    SDL_FreeSurface(s);
}

void fill_surface(SDL_Surface* s, Uint32 v)
{
    SDL_FillRect(s, nullptr, v);
}

void copy_surface(const SDL_Surface* source, SDL_Surface* target)
{
    const int w = std::min(source->w, target->w);
    const int h = std::min(source->h, target->h);
    for (int y = 0; y < h; y++)
        memcpy(static_cast<Uint8*>(target->pixels) + y * target->pitch,
               static_cast<const Uint8*>(source->pixels) + y * source->pitch, size_t(w) * 4);
}

void set_magenta_key(SDL_Surface* s)
{
    SDL_SetColorKey(s, SDL_SRCCOLORKEY | SDL_RLEACCEL, magenta_key);
}

void blit_surface(SDL_Surface* source, SDL_Surface* target, int x, int y)
{
    SDL_Rect at = {Sint16(x), Sint16(y), 0, 0};
    SDL_UpperBlit(source, nullptr, target, &at);
}

void blit_rect(SDL_Surface* source, int sx, int sy, int w, int h, SDL_Surface* target, int x, int y)
{
    SDL_Rect from = {Sint16(sx), Sint16(sy), Uint16(w), Uint16(h)};
    SDL_Rect at = {Sint16(x), Sint16(y), 0, 0};
    SDL_UpperBlit(source, &from, target, &at);
}
