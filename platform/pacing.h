// How fast a display shows frames where presenting does not wait for the
// screen's refresh: the rules every platform's display paces its loop by,
// plain arithmetic on milliseconds of one clock (tests/unit/win_layout_test.cpp).
#pragma once

#include <algorithm>

// A display's refresh rate in Hz that can be believed.
inline bool plausible_rate(double hz)
{
    return hz >= 20 && hz <= 1000;
}

// A refresh period in milliseconds from the rate the system reports: 60 Hz
// where it reports none (0 or 1 mean "the hardware's default", and wine on a
// virtual X server says 0; X servers may say 0 too) or an implausible one.
inline double refresh_period_ms(int hz)
{
    return 1000.0 / (plausible_rate(hz) ? hz : 60);
}

// How many of the latest frames' spacings a measured period is taken from.
constexpr int measured_frames = 32;

// A refresh period measured where the system reports none (a browser): from
// the spacings in ms of the latest frames the display asked for, the lower
// quartile of those at a plausible rate, so that frames a busy machine
// missed (two periods apart or more) and stops count for nothing. 60 Hz until
// a quarter of measured_frames have come.
inline double measured_period_ms(const double* spacings, int count)
{
    double kept[measured_frames];
    int n = 0;
    for (int i = 0; i < count && n < measured_frames; i++)
        if (spacings[i] > 0 && plausible_rate(1000 / spacings[i]))
            kept[n++] = spacings[i];
    if (n < measured_frames / 4)
        return refresh_period_ms(0);
    std::nth_element(kept, kept + n / 4, kept + n);
    return kept[n / 4];
}

// When the frame after one presented at `now` may start, the last one having
// been let go at `last` (milliseconds on one clock): a present that waited for
// the display returns about a period after the last one, and the next frame
// may start at once; one that came back within half a period did not wait, and
// the loop sleeps to a period after the last instead of spinning a core on
// frames nobody sees.
inline double next_frame_at(double last, double now, double period)
{
    return now < last + period / 2 ? last + period : now;
}

// When the frame counts as let go after a sleep to `due` that ended at `woke`:
// at its due time, so that a sleep's usual overrun (up to a millisecond on
// Windows' timer) is not added to every frame; but at the wake-up when a busy
// machine overran it by half a period or more, so that the frames after it
// come a period apart instead of in a burst that catches up.
inline double frame_let_go(double due, double woke, double period)
{
    return woke < due + period / 2 ? due : woke;
}
