#include "draw/surface.h"

#include <cstdlib>
#include <new>

static Surface* make(uint32_t* pixels, int w, int h, int pitch, PixelLayout layout, bool owned)
{
    Surface* s = new (std::nothrow) Surface;
    if (!s)
        return nullptr;
    *s = Surface{w, h, pitch, pixels, layout, Rect{0, 0, w, h}, false, false, owned};
    return s;
}

Surface* surface_make(int w, int h, PixelLayout layout)
{
    if (w <= 0 || h <= 0 || w > max_surface_side || h > max_surface_side)
        return nullptr;
    uint32_t* pixels = static_cast<uint32_t*>(calloc(size_t(w) * size_t(h), sizeof(uint32_t)));
    if (!pixels)
        return nullptr;
    Surface* s = make(pixels, w, h, w, layout, true);
    if (!s)
        free(pixels);
    return s;
}

Surface* surface_make_scratch(int w, int h)
{
    Surface* s = surface_make(w, h, scratch_layout);
    if (s)
        s->blended = true;
    return s;
}

Surface* surface_wrap(uint32_t* pixels, int w, int h, int pitch, PixelLayout layout)
{
    if (!pixels || w <= 0 || h <= 0 || pitch < w)
        return nullptr;
    return make(pixels, w, h, pitch, layout, false);
}

void surface_free(Surface* s)
{
    if (!s)
        return;
    if (s->owned)
        free(s->pixels);
    delete s;
}
