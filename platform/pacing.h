// How fast a display shows frames where presenting does not wait for the
// screen's refresh: the rules every platform's display paces its loop by,
// plain arithmetic on milliseconds of one clock (tests/win_layout_test.cpp).
#pragma once

// A refresh period in milliseconds from the rate the system reports: 60 Hz
// where it reports none (0 or 1 mean "the hardware's default", and wine on a
// virtual X server says 0; X servers may say 0 too) or an implausible one.
inline double refresh_period_ms(int hz)
{
    return 1000.0 / (hz >= 20 && hz <= 1000 ? hz : 60);
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
