#include "core/steps.h"

#include <algorithm>

// The frames seen lately: the latest one's time and step, and the spans
// between the last few, to tell a 60 Hz display from any other rate.
constexpr int span_count = 4;
static bool seen_frame;
static uint32_t frame_time;
static int64_t frame_last_step;
static uint32_t spans[span_count];
static int span_total;  // spans recorded, up to span_count

// The last four spans of a 60 Hz display add up to 66 or 67 ms, give or take
// the jitter of the two frames at their ends; 75 frames a second (53 ms) and
// 50 (80 ms) stay outside.
constexpr uint32_t sixty_hertz_min = 60;
constexpr uint32_t sixty_hertz_max = 74;

void reset_frames()
{
    seen_frame = false;
    span_total = 0;
}

void begin_frame(uint32_t t)
{
    const int64_t exact = latest_step(t);
    if (!seen_frame || t <= frame_time) {
        // The first frame, or time went back (a new run): start from the clock.
        reset_frames();
        seen_frame = true;
        frame_time = t;
        frame_last_step = exact;
        return;
    }
    std::copy_backward(spans, spans + span_count - 1, spans + span_count);
    spans[0] = t - frame_time;
    span_total = std::min(span_total + 1, span_count);
    uint32_t sum = 0;
    for (int i = 0; i < span_total; i++)
        sum += spans[i];
    const bool sixty_hertz =
        span_total == span_count && sum >= sixty_hertz_min && sum <= sixty_hertz_max;
    frame_time = t;
    frame_last_step = sixty_hertz ? std::clamp(frame_last_step + 1, exact - 1, exact + 1) : exact;
}

int64_t frame_step(uint32_t t)
{
    return seen_frame && t == frame_time ? frame_last_step : latest_step(t);
}

StepRange take_steps(int64_t* taken, uint32_t from, int64_t last)
{
    // Time gone back (the show played again over the same state) starts the
    // steps afresh from the frame's own. A frame a step behind is no rewind: a
    // frame between steps asks for the step before its own.
    if (last < *taken - 1)
        *taken = last - 1;
    const StepRange r = {std::max(*taken + 1, first_step(from)), last};
    if (r.first <= r.last)
        *taken = r.last;
    return r;
}
