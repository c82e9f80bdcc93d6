// VARNO STYLE: a 101-second software-rendered show with its own music.
#include <cstdio>

#include "platform/files.h"
#include "platform/system.h"
#include "scenes/data_files.h"
#include "show/options.h"
#include "show/show.h"

int main(int argc, char** argv)
{
    // First of all, so the desktop's video mode comes back however we leave.
    restore_display_at_exit();
    ShowOptions o;
    switch (options_parse(argc, argv, &o)) {
        case Request::help:
            fputs(show_usage, stdout);
            return 0;
        case Request::version:
            printf("varno-style %s\n", show_version);
            return 0;
        case Request::bad:
            fputs(show_usage, stderr);
            return 2;
        case Request::play:
            break;
    }
    // Started away from a data/ of its own, the installed program plays its installed copy.
    files_find_show(music_file, title_file);
    return show_run(o);
}
