// VARNO STYLE: a 101-second software-rendered show with its own music.
#include <SDL/SDL.h>
#include <cstdlib>

#include "shell/demo.h"

int main(int, char**)
{
    // First of all, so the desktop's video mode comes back however we leave.
    atexit(SDL_Quit);
    return run_demo();
}
