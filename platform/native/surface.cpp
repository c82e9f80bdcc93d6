#include "platform/surface.h"

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

void set_magenta_key(SDL_Surface* s)
{
    // Without run-length coding: the blits are our own and read the words.
    SDL_SetColorKey(s, SDL_SRCCOLORKEY, magenta_key);
}
