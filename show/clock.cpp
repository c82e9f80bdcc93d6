#include "show/clock.h"

#include <algorithm>

ShowClock clock_start(double from, double now)
{
    return ShowClock{from, now};
}

// The time since the clock's last reading, none for a long stop (suspended:
// pick up where we were, music or not).
static double elapsed_since(const ShowClock& clock, double now)
{
    const double elapsed = std::max(0.0, now - clock.at);
    return elapsed > long_stop_ms ? 0 : elapsed;
}

double clock_run_on(const ShowClock& clock, double now)
{
    return clock.t + elapsed_since(clock, now);
}

double clock_advance(ShowClock* clock, double now, const double* heard_ms)
{
    const double elapsed = elapsed_since(*clock, now);
    double t = clock->t + elapsed;
    if (heard_ms) {
        const double error = *heard_ms - t;
        if (error > step_error_ms || error < -step_error_ms)
            t = *heard_ms;  // far off: meet the music now (max below: never back)
        else
            t += std::clamp(error, -max_slew * elapsed, max_slew * elapsed);
    }
    clock->t = std::max(clock->t, t);
    clock->at = now;
    return clock->t;
}
