#include "tests/support.h"

#include <cstdio>
#include <cstdlib>

#include "platform/video.h"
#include "show/show.h"

void video_once()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    if (!video_setup())
        abort();
}

void load_show_once()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    video_once();
    load_show();
}

SDL_Surface* make_surface(int w, int h, Uint32 fill)
{
    video_once();
    const SDL_PixelFormat* f = back_buffer->format;
    SDL_Surface* s =
        SDL_CreateRGBSurface(SDL_SWSURFACE, w, h, 32, f->Rmask, f->Gmask, f->Bmask, f->Amask);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            set_pixel(s, x, y, fill);
    return s;
}

Uint32 pixel(const SDL_Surface* s, int x, int y)
{
    return static_cast<const Uint32*>(s->pixels)[y * (s->pitch / 4) + x];
}

void set_pixel(SDL_Surface* s, int x, int y, Uint32 value)
{
    static_cast<Uint32*>(s->pixels)[y * (s->pitch / 4) + x] = value;
}

void fill_random(SDL_Surface* s, unsigned seed)
{
    srand(seed);
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            set_pixel(s, x, y, Uint32(rand()) << 16 ^ Uint32(rand()));
}

int differing_pixels(const SDL_Surface* a, const SDL_Surface* b, int w, int h)
{
    int n = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            n += pixel(a, x, y) != pixel(b, x, y);
    return n;
}

int run_command(const std::string& command, std::string* out)
{
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return -1;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        if (out)
            out->append(buf, n);
    const int status = pclose(p);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
