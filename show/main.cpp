// VARNO STYLE: a 101-second software-rendered show with its own music.
#include <cstdio>

#include "platform/video.h"
#include "show/options.h"
#include "show/show.h"

int main(int argc, char** argv)
{
    // First of all, so the desktop's video mode comes back however we leave.
    restore_display_at_exit();
    ShowOptions o;
    switch (parse_options(argc, argv, &o)) {
        case Request::help:
            fputs(show_usage, stdout);
            return 0;
        case Request::bad:
            fputs(show_usage, stderr);
            return 2;
        case Request::play:
            break;
    }
    return run_demo(o);
}
