// The null platform's clock and loop: a steady clock (or the fake output's,
// where a test installed one), no events, a plain loop.
#include "platform/native_loop.h"
#include "platform/null/fake_output.h"
#include "platform/system.h"

void restore_display_at_exit() {}

double clock_ms()
{
    if (const FakeOutput* fake = fake_output_clock())
        return fake->now;
    return steady_ms();
}

double picture_delay_ms()
{
    return 0;
}

void exit_now(int status)
{
    flush_and_exit(status);
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
