#include "show/options.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "scenes/timeline.h"

const char show_usage[] =
    "usage: varno-style [-f | -w] [--from SECONDS] [--gentle]\n"
    "Plays VARNO STYLE, a 101-second demo with its music.\n"
    "Warning: the whole screen flashes white on the beat, up to five times a\n"
    "second in places, which can trigger seizures in people with photosensitive\n"
    "epilepsy. --gentle softens that to at most three flashes a second.\n"
    "  -f, --fullscreen    fill the screen (the default)\n"
    "  -w, --window        play in a 640x480 window\n"
    "      --from SECONDS  start SECONDS into the show, the music with it\n"
    "      --gentle        faint flashes, for viewers sensitive to flashing light\n"
    "  -h, --help          print this help\n"
    "      --version       print the version\n"
    "Release Escape or close the window to quit.\n";

// The build sets the version from the project's own.
const char show_version[] = VARNO_VERSION;

// Seconds into the show, 0 up to the last frame, to whole milliseconds.
static bool parse_seconds(const char* s, uint32_t* ms)
{
    char* end;
    const double v = strtod(s, &end);
    if (end == s || *end || !(v >= 0.0 && v * 1000.0 <= last_frame_time))
        return false;
    *ms = uint32_t(std::lround(v * 1000.0));
    return true;
}

Request options_parse(int argc, char** argv, ShowOptions* o)
{
    for (int i = 1; i < argc; i++) {
        const char* a = argv[i];
        if (!strcmp(a, "-h") || !strcmp(a, "--help"))
            return Request::help;
        if (!strcmp(a, "--version"))
            return Request::version;
        if (!strcmp(a, "-w") || !strcmp(a, "--window")) {
            o->display = DisplayMode::window;
        } else if (!strcmp(a, "-f") || !strcmp(a, "--fullscreen")) {
            o->display = DisplayMode::fullscreen;
        } else if (!strcmp(a, "--gentle")) {
            o->gentle = true;
        } else if (!strncmp(a, "--from=", 7)) {
            if (!parse_seconds(a + 7, &o->from))
                return Request::bad;
        } else if (!strcmp(a, "--from")) {
            if (i + 1 == argc || !parse_seconds(argv[++i], &o->from))
                return Request::bad;
        } else {
            return Request::bad;
        }
    }
    return Request::play;
}
