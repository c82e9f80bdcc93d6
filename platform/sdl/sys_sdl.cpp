// The desktop's clock, events and frame loop: SDL 1.2.
#include <SDL/SDL.h>

#include <unistd.h>

#include <cstdlib>

#include "platform/sdl/pad.h"
#include "platform/system.h"

void restore_display_at_exit()
{
    atexit(SDL_Quit);
}

uint32_t ticks()
{
    return SDL_GetTicks();
}

// The gamepads followed for their Back button, looked for at the first call
// and every few seconds while there is none, so that one plugged in (or
// turned on) during the show is found.
static int pad_fds[4];
static PadButton pad_buttons[4];
static int pads = 0;
static uint32_t pads_looked_at = 0;
static bool pads_looked = false;
static const uint32_t pads_look_every_ms = 2000;

static bool pad_back_released()
{
    if (pads == 0 && (!pads_looked || ticks() - pads_looked_at >= pads_look_every_ms)) {
        pads = pad::open_gamepads("/dev/input", pad_fds, pad_buttons, 4);
        pads_looked = true;
        pads_looked_at = ticks();
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

void run_frames(void (*begin)(), bool (*frame)(), void (*done)())
{
    begin();
    while (frame()) {
    }
    done();
}
