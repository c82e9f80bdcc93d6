// The show's clock: demo time as the listener hears it. While the music plays
// the picture follows the music's heard position; between the mixer's
// reports, and where there is no music, it runs on the monotonic clock.
//
// Small differences are taken back gently, by running up to max_slew faster
// or slower; a difference over a frame is made up at once: forward by a step,
// backward by holding the picture until the music has caught up. Demo time
// never goes back. After a long stop (a suspended machine) the show goes on
// from where it was.
#pragma once

#include <cstdint>

struct ShowClock {
    double t;   // demo time last given, ms (with its fraction)
    double at;  // the clock_ms() reading it was given for
};

// The most the clock runs fast or slow to close a small difference.
constexpr double max_slew = 0.05;
// A difference larger than a frame at 60 Hz is made up at once.
constexpr double step_error_ms = 1000.0 / 60;
// A gap between two readings longer than this is a stop: no time passed.
constexpr double long_stop_ms = 1000;

// Starts demo time at `from` ms, at clock reading `now`.
ShowClock clock_start(double from, double now);

// Demo time for a frame seen at clock reading `now`, given the music's heard
// position then (null: no music to follow).
double clock_advance(ShowClock* clock, double now, const double* heard_ms);

// Demo time at clock reading `now` as the clock runs on from its last reading
// with no music to follow; the clock itself is left as it is.
double clock_run_on(const ShowClock& clock, double now);
