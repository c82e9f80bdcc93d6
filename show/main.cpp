// VARNO STYLE: a 101-second software-rendered show with its own music.
#include "platform/video.h"
#include "show/show.h"

int main(int, char**)
{
    // First of all, so the desktop's video mode comes back however we leave.
    restore_display_at_exit();
    return run_demo();
}
