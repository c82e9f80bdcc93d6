// The desktop's clock, events and frame loop: SDL 1.2.
#include <SDL/SDL.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/native_loop.h"
#include "platform/sdl/pad.h"
#include "platform/system.h"

void restore_display_at_exit()
{
    atexit(SDL_Quit);
}

double clock_ms()
{
    return steady_ms();  // SDL's clock counts whole milliseconds only
}

double picture_delay_ms()
{
    return 0;
}

void exit_now(int status)
{
    // The desktop's mode given back after fullscreen. A window needs nothing:
    // the X server closes it with our connection, as the sound server drops
    // our stream, when the process is gone (SDL's own teardown is X round
    // trips, tens of milliseconds on a busy machine).
    const SDL_Surface* screen = SDL_GetVideoSurface();
    if (screen && (screen->flags & SDL_FULLSCREEN))
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
    flush_and_exit(status);
}

// The gamepads followed for their Back button, looked for at the first call
// and every few seconds while there is none, so that one plugged in (or
// turned on) during the show is found.
static int pad_fds[4];
static PadButton pad_buttons[4];
static int pads = 0;
static double pads_looked_at = 0;
static bool pads_looked = false;
static const double pads_look_every_ms = 2000;

static bool pad_back_released()
{
    if (pads == 0 && (!pads_looked || clock_ms() - pads_looked_at >= pads_look_every_ms)) {
        pads = pad::open_gamepads("/dev/input", pad_fds, pad_buttons, 4);
        pads_looked = true;
        pads_looked_at = clock_ms();
    }
    bool released = false;
    for (int i = 0; i < pads;) {
        bool gone = false;
        released = pad::back_released(pad_fds[i], &pad_buttons[i], &gone) || released;
        if (gone) {
            close(pad_fds[i]);
            --pads;
            pad_fds[i] = pad_fds[pads];
            pad_buttons[i] = pad_buttons[pads];
        } else {
            ++i;
        }
    }
    return released;
}

bool quit_requested()
{
    SDL_Event event;
    bool quit = pad_back_released();
    // Drain the whole queue even after a quit: nothing is left for a later pass.
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            quit = true;
        else if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE)
            quit = true;
    }
    return quit;
}

bool run_while_loading(void (*work)(void* context), void* context)
{
    return load_beside_events(work, context);
}

void run_frames(const FrameLoop& loop)
{
    run_frames_here(loop);
}
