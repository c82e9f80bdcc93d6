// Surfaces in the browser: plain memory of our own. The browser's SDL
// emulation puts surfaces on canvases and cannot draw the show's way.
#include "platform/surface.h"

#include <cstdlib>

bool must_lock(const SDL_Surface*)
{
    return false;
}

void lock_surface(SDL_Surface*) {}

void unlock_surface(SDL_Surface*) {}

static SDL_Surface* create_surface(Uint32 flags, int w, int h, Uint32 r, Uint32 g, Uint32 b,
                                   Uint32 a)
{
    if (w <= 0 || h <= 0)
        return nullptr;
    SDL_Surface* s = static_cast<SDL_Surface*>(calloc(1, sizeof(SDL_Surface)));
    SDL_PixelFormat* f = static_cast<SDL_PixelFormat*>(calloc(1, sizeof(SDL_PixelFormat)));
    void* pixels = calloc(size_t(w) * h, 4);
    if (!s || !f || !pixels) {
        free(s), free(f), free(pixels);
        return nullptr;
    }
    f->BitsPerPixel = 32;
    f->BytesPerPixel = 4;
    f->Rmask = r, f->Gmask = g, f->Bmask = b, f->Amask = a;
    *s = SDL_Surface{};
    s->flags = flags;
    s->format = f;
    s->w = w, s->h = h, s->pitch = w * 4;
    s->pixels = pixels;
    s->clip_rect = SDL_Rect{0, 0, w, h};
    s->refcount = 1;
    return s;
}

SDL_Surface* create_scratch_surface(int w, int h)
{
    return create_surface(SDL_SRCALPHA, w, h, scratch_rmask, scratch_gmask, scratch_bmask,
                          scratch_amask);
}

SDL_Surface* create_surface_like(const SDL_Surface* like, int w, int h)
{
    const SDL_PixelFormat* f = like->format;
    return create_surface(0, w, h, f->Rmask, f->Gmask, f->Bmask, f->Amask);
}

void free_surface(SDL_Surface* s)
{
    if (!s)
        return;
    free(s->pixels);
    free(s->format);
    free(s);
}

void set_magenta_key(SDL_Surface* s)
{
    s->flags |= SDL_SRCCOLORKEY;
}
