// No display at all: the capture tool and the benchmarks draw into memory and
// show nothing. Linked instead of a platform's display, clock and sound.
#include "platform/video.h"

bool video_setup(DisplayMode)
{
    return true;
}

void video_present(const Surface*) {}

void video_shutdown() {}
