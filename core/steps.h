// The show's look is the one it has at 60 frames a second. State that changes
// from frame to frame (star motion, trails, palette turns, sprite frames, the
// title's noise) changes in steps of demo time at 60 a second instead, at
// floor(k * 1000 / 60) for step k, however often frames are drawn: a 144 Hz
// display shows some steps twice, a slow machine takes two in one frame.
#pragma once

#include <cstdint>

constexpr int steps_per_second = 60;
constexpr int64_t no_step = -1;  // what a state that never stepped has taken

// Demo time of step k.
inline uint32_t step_time(int64_t k)
{
    return uint32_t(k * 1000 / steps_per_second);
}

// The latest step at or before demo time t.
inline int64_t step_latest(uint32_t t)
{
    return ((int64_t(t) + 1) * steps_per_second - 1) / 1000;
}

// The first step at or after demo time t.
inline int64_t step_first(uint32_t t)
{
    return (int64_t(t) * steps_per_second + 999) / 1000;
}

// The frames seen lately: the latest one's time and step, and the spans
// between the last few, to tell a 60 Hz display from any other rate. A show
// keeps one, which its frame function starts each frame in; {} has seen none.
constexpr int frame_span_count = 4;
struct FrameSteps {
    bool seen_frame = false;
    uint32_t frame_time = 0;
    int64_t frame_last_step = 0;
    uint32_t spans[frame_span_count] = {};
    int span_total = 0;  // spans recorded, up to frame_span_count
};

// Starts the frame drawn at demo time t and fixes the steps it takes. On a
// display that shows about 60 frames a second, each frame takes exactly one
// step, staying within one step of the clock: frames that come 16 or 17 ms
// apart with a millisecond or two of jitter around the step times would
// otherwise take none, then two. At any other rate a frame takes every step
// up to its time. Call once per drawn frame, before drawing it.
void steps_begin_frame(FrameSteps* frames, uint32_t t);

// The latest step due in the frame at t: the one steps_begin_frame fixed for that
// frame, or for any other t the latest step at or before it.
int64_t steps_due(const FrameSteps* frames, uint32_t t);

// A run of steps, first to last; empty when first > last.
struct StepRange {
    int64_t first, last;
};

// The steps a state takes now: after the last it took (*taken), none before
// demo time `from`, up to step `last`. *taken moves to the end of the run.
// When time went back, the run starts afresh at step `last`.
StepRange steps_take(int64_t* taken, uint32_t from, int64_t last);

// Forgets the frames seen so far (a new show starts).
void steps_reset(FrameSteps* frames);
