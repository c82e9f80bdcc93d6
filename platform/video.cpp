#include "platform/video.h"

#include <X11/Xlib.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/png.h"
#include "platform/surface.h"

SDL_Surface* screen_surface;
SDL_Surface* back_buffer;

// Xlib calls this when the connection to the display breaks (the window
// killed, the session ended) and ends the process as soon as it returns.
// Xlib's own handler leaves through exit(), whose SDL_Quit then waits forever
// on the dead connection in SDL's X11 teardown, spinning a core. Nothing of
// the display is left to restore, and the kernel closes the sound device.
static int display_lost(Display*)
{
    printf("Error: lost the connection to the display\n");
    fflush(stdout);
    _exit(1);
}

void restore_display_at_exit()
{
    atexit(SDL_Quit);
}

void use_offscreen_display()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

bool video_setup()
{
    // sdl12-compat paces flips by the display's retrace only when asked, and
    // would stretch to the desktop bilinearly; the show wants both the other way.
    setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    // SDL opens the display through the same Xlib, whose handler is process-wide.
    // A write to a server that has just gone would otherwise kill us with
    // SIGPIPE before Xlib can tell; ignored, the write fails and Xlib calls it.
    XSetIOErrorHandler(display_lost);
    signal(SIGPIPE, SIG_IGN);
    if (SDL_Init(SDL_INIT_VIDEO) == 0)
        screen_surface = SDL_SetVideoMode(screen_width, screen_height, 32,
                                          SDL_HWSURFACE | SDL_DOUBLEBUF | SDL_FULLSCREEN);
    if (!screen_surface) {
        printf("Error at setting video mode: %s\n", SDL_GetError());
        return false;
    }
    // The screen's pixels are fresh pages: writing them once here, black as
    // they already are, keeps a millisecond of page faults out of the first frame.
    SDL_FillRect(screen_surface, nullptr, 0);
    SDL_WM_SetCaption("VARNO STYLE", nullptr);
    SDL_ShowCursor(SDL_DISABLE);
    const SDL_PixelFormat* f = screen_surface->format;
    back_buffer = SDL_CreateRGBSurface(SDL_SWSURFACE, back_width, back_height, 32, f->Rmask,
                                       f->Gmask, f->Bmask, f->Amask);
    if (!back_buffer) {
        printf("Error at setting video mode: %s\n", SDL_GetError());
        return false;
    }
    png_start();
    return true;
}

void double_back_buffer()
{
    lock_surface(screen_surface);
    const int spitch = pitch_pixels(screen_surface);
    const int bpitch = pitch_pixels(back_buffer);
    Uint32* dst = static_cast<Uint32*>(screen_surface->pixels);
    const Uint32* src = static_cast<const Uint32*>(back_buffer->pixels);
    for (int y = 0; y < back_height; y++) {
        Uint32* d = dst + 2 * y * spitch;
        const Uint32* s = src + y * bpitch;
        for (int x = 0; x < back_width; x++) {
            d[2 * x] = s[x];
            d[2 * x + 1] = s[x];
        }
        // The odd screen row repeats the even one just written.
        memcpy(d + spitch, d, screen_width * sizeof(Uint32));
    }
    unlock_surface(screen_surface);
}

void present()
{
    double_back_buffer();
    SDL_Flip(screen_surface);
}

uint32_t ticks()
{
    return SDL_GetTicks();
}

bool quit_requested()
{
    SDL_Event event;
    bool quit = false;
    // Drain the whole queue even after a quit: nothing is left for a later pass.
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            quit = true;
        else if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE)
            quit = true;
    }
    return quit;
}

void video_shutdown()
{
    SDL_FreeSurface(back_buffer);
    back_buffer = nullptr;
    SDL_Quit();
}
