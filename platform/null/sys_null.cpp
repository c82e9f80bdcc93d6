// The null platform's clock and loop: a steady clock (or the fake output's,
// where a test installed one), no events, a plain loop.
#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "platform/native_loop.h"
#include "platform/null/fake_output.h"
#include "platform/system.h"

void restore_display_at_exit() {}

double clock_ms()
{
    if (const FakeOutput* fake = fake_output_clock())
        return fake->now;
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
    _exit(status);
}

bool quit_requested()
{
    return false;
}

bool run_while_loading(void (*work)(void* context), void* context)
{
    work(context);
    return true;
}

void run_frames(const FrameLoop& loop)
{
    run_frames_here(loop);
}
