// The desktop's clock, events and frame loop: SDL 1.2.
#include <SDL/SDL.h>

#include <cstdlib>

#include "platform/system.h"

void restore_display_at_exit()
{
    atexit(SDL_Quit);
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

void run_frames(void (*begin)(), bool (*frame)(), void (*done)())
{
    begin();
    while (frame()) {
    }
    done();
}
