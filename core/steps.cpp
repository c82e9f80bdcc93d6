#include "core/steps.h"

#include <algorithm>

// The last four spans of a 60 Hz display add up to 66 or 67 ms, give or take
// the jitter of the two frames at their ends; 75 frames a second (53 ms) and
// 50 (80 ms) stay outside.
constexpr uint32_t sixty_hertz_min = 60;
constexpr uint32_t sixty_hertz_max = 74;

void steps_reset(FrameSteps* frames)
{
    frames->seen_frame = false;
    frames->span_total = 0;
}

void steps_begin_frame(FrameSteps* frames, uint32_t t)
{
    const int64_t exact = step_latest(t);
    if (!frames->seen_frame || t <= frames->frame_time) {
        // The first frame, or time went back (a new run): start from the clock.
        steps_reset(frames);
        frames->seen_frame = true;
        frames->frame_time = t;
        frames->frame_last_step = exact;
        return;
    }
    uint32_t* spans = frames->spans;
    std::copy_backward(spans, spans + frame_span_count - 1, spans + frame_span_count);
    spans[0] = t - frames->frame_time;
    frames->span_total = std::min(frames->span_total + 1, frame_span_count);
    uint32_t sum = 0;
    for (int i = 0; i < frames->span_total; i++)
        sum += spans[i];
    const bool sixty_hertz =
        frames->span_total == frame_span_count && sum >= sixty_hertz_min && sum <= sixty_hertz_max;
    frames->frame_time = t;
    frames->frame_last_step =
        sixty_hertz ? std::clamp(frames->frame_last_step + 1, exact - 1, exact + 1) : exact;
}

int64_t steps_due(const FrameSteps* frames, uint32_t t)
{
    return frames->seen_frame && t == frames->frame_time ? frames->frame_last_step : step_latest(t);
}

StepRange steps_take(int64_t* taken, uint32_t from, int64_t last)
{
    // Time gone back (the show played again over the same state) starts the
    // steps afresh from the frame's own. A frame a step behind is no rewind: a
    // frame between steps asks for the step before its own.
    if (last < *taken - 1)
        *taken = last - 1;
    const StepRange r = {std::max(*taken + 1, step_first(from)), last};
    if (r.first <= r.last)
        *taken = r.last;
    return r;
}
