// The 60 Hz steps: their times, the run a state takes, and the steps frames
// take at a 60 Hz display's jittery times and at other rates.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/steps.h"

TEST(Steps, LatestAndFirstStepBracketEveryTime)
{
    for (uint32_t t = 0; t < 200000; t++) {
        const int64_t k = step_latest(t);
        ASSERT_LE(step_time(k), t);
        ASSERT_GT(step_time(k + 1), t);
        ASSERT_EQ(step_first(t), step_time(k) == t ? k : k + 1) << t;
    }
}

TEST(Steps, StateTakesEachStepOnceFromItsWindow)
{
    struct Case {
        int64_t taken;
        uint32_t from;
        int64_t last;
        StepRange want;
        int64_t taken_after;
    };
    const Case cases[] = {
        {no_step, 43227, step_latest(43233), {2594, 2594}, 2594},  // first frame of a window
        {no_step, 43227, step_latest(43500), {2594, 2610}, 2610},  // a late first frame catches up
        {2594, 43227, 2594, {2595, 2594}, 2594},                   // nothing new: empty
        {2594, 43227, 2597, {2595, 2597}, 2597},                   // a slow frame takes three
        {1000, 81001, 4900, {4861, 4900}, 4900},  // a phase starts from its own time
        {no_step, 100, 5, {6, 5}, no_step},       // before the window: nothing
        {5000, 0, 100, {100, 100}, 100},          // time went back: afresh from its own step
        {5000, 0, 4999, {5001, 4999}, 5000},      // a step behind (between steps): no rewind
    };
    for (const Case& c : cases) {
        int64_t taken = c.taken;
        const StepRange r = steps_take(&taken, c.from, c.last);
        EXPECT_EQ(r.first, c.want.first) << c.from << " " << c.last;
        EXPECT_EQ(r.last, c.want.last) << c.from << " " << c.last;
        EXPECT_EQ(taken, c.taken_after) << c.from << " " << c.last;
    }
}

// Frames of a capture at a fixed rate take every step up to their time.
TEST(Steps, FixedRatesTakeTheStepsOfTheClock)
{
    for (unsigned fps : {30u, 60u, 75u, 144u, 240u}) {
        FrameSteps frames;
        for (uint64_t k = 0; k * 1000 / fps < 60000; k++) {
            const uint32_t t = uint32_t(k * 1000 / fps);
            steps_begin_frame(&frames, t);
            ASSERT_EQ(steps_due(&frames, t), step_latest(t)) << fps << " fps at " << t;
        }
    }
}

// A 60 Hz display's frames come a refresh apart with a millisecond or two of
// jitter; wherever they fall against the step times, every frame takes one step.
TEST(Steps, SixtyHertzFramesTakeOneStepEachWhateverTheJitter)
{
    srand(7);
    for (double phase : {0.0, 0.5, 4.0, 8.3, 12.0, 16.0}) {
        for (double refresh : {60.0, 59.94, 60.05}) {
            FrameSteps frames;
            int64_t before = no_step;
            for (int k = 0; k < 3600; k++) {
                const double jitter = (rand() % 401 - 200) / 100.0;  // -2 .. 2 ms
                const uint32_t t = uint32_t(1000 + phase + k * 1000 / refresh + jitter);
                steps_begin_frame(&frames, t);
                const int64_t step = steps_due(&frames, t);
                if (k > 4 && refresh == 60.0) {
                    ASSERT_EQ(step, before + 1) << "phase " << phase << ", frame " << k;
                }
                ASSERT_LE(std::llabs(step - step_latest(t)), 1);
                before = step;
            }
        }
    }
}
