// The program's command line.
#pragma once

#include <cstdint>

#include "platform/video.h"

// What the viewer asked for.
struct ShowOptions {
    DisplayMode display = DisplayMode::fullscreen;
    uint32_t from = 0;    // demo time the show starts at, ms
    bool gentle = false;  // faint flashes for viewers the flashing could harm
};

// What the command line asks the program to do.
enum class Request { play, help, version, bad };

// The usage text, printed by --help and after a bad option.
extern const char show_usage[];
// The release, "1.0.0", that --version prints after the program's name.
extern const char show_version[];

// Reads the arguments into *o: play, print the usage (-h, --help) or the
// version (--version), or give up on an unknown option or a bad value.
Request options_parse(int argc, char** argv, ShowOptions* o);
