#include "tests/support.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

Show* show_once()
{
    static Show* show = nullptr;
    if (!show && !(show = show_load(false)))
        abort();
    return show;
}

Surface* make_surface(int w, int h, uint32_t fill, PixelLayout layout)
{
    Surface* s = surface_make(w, h, layout);
    if (!s)
        abort();
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            set_pixel(s, x, y, fill);
    return s;
}

uint32_t pixel(const Surface* s, int x, int y)
{
    return surface_row(s, y)[x];
}

void set_pixel(Surface* s, int x, int y, uint32_t value)
{
    surface_row(s, y)[x] = value;
}

void fill_random(Surface* s, unsigned seed)
{
    srand(seed);
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            set_pixel(s, x, y, uint32_t(rand()) << 16 ^ uint32_t(rand()));
}

int differing_pixels(const Surface* a, const Surface* b, int w, int h)
{
    int n = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            n += pixel(a, x, y) != pixel(b, x, y);
    return n;
}

SDL_Surface* sdl_view(Surface* s)
{
    static bool started = false;
    if (!started) {
        setenv("SDL_VIDEODRIVER", "dummy", 0);
        if (SDL_Init(SDL_INIT_VIDEO) != 0)
            abort();
        atexit(SDL_Quit);
        started = true;
    }
    const PixelLayout& f = s->layout;
    SDL_Surface* v =
        SDL_CreateRGBSurfaceFrom(s->pixels, s->w, s->h, 32, s->pitch * 4, f.r, f.g, f.b, f.a);
    if (!v)
        abort();
    if (s->keyed)
        SDL_SetColorKey(v, SDL_SRCCOLORKEY, magenta_key);
    if (!s->blended)
        SDL_SetAlpha(v, 0, 255);
    SDL_SetClipRect(v, nullptr);
    const Rect& c = s->clip;
    SDL_Rect clip = {int16_t(c.x), int16_t(c.y), uint16_t(c.w), uint16_t(c.h)};
    SDL_SetClipRect(v, &clip);
    return v;
}

uint32_t screen_pixel(int x, int y)
{
    SDL_Surface* screen = SDL_GetVideoSurface();
    SDL_LockSurface(screen);
    const uint32_t p = static_cast<const uint32_t*>(screen->pixels)[y * screen->pitch / 4 + x];
    SDL_UnlockSurface(screen);
    return p;
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

std::string read_file(const std::string& path)
{
    try {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    } catch (const std::exception&) {
        return "";
    }
}
