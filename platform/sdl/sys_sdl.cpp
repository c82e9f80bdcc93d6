// The desktop's clock, events and frame loop: SDL 1.2.
#include <SDL/SDL.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "platform/native_loop.h"
#include "platform/system.h"

void restore_display_at_exit()
{
    atexit(SDL_Quit);
}

double clock_ms()
{
    // The system's monotonic clock: SDL's counts whole milliseconds only.
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

double picture_delay_ms()
{
    return 0;
}

void exit_now(int status)
{
    fflush(stdout);
    fflush(stderr);
    // The window closed and the desktop's mode given back; the sound server
    // drops our stream when the process is gone.
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    _exit(status);
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

bool run_while_loading(void (*work)(void* context), void* context)
{
    return load_beside_events(work, context);
}

void run_frames(const FrameLoop& loop)
{
    run_frames_here(loop);
}
