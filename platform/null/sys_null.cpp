// The null platform's clock and loop: a steady clock, no events, a plain loop.
#include <chrono>

#include "platform/system.h"

void restore_display_at_exit() {}

uint32_t ticks()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool quit_requested()
{
    return false;
}

void run_frames(void (*begin)(), bool (*frame)(), void (*done)())
{
    begin();
    while (frame()) {
    }
    done();
}
