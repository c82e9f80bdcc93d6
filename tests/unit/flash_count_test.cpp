// The flash counter's rule on hand-made luminance curves.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tools/flash_count.h"

TEST(MeanLuminance, DecodesSrgbAndWeighsRedGreenBlue)
{
    const struct {
        uint32_t pixel;  // 0x00RRGGBB
        double want;
    } cases[] = {
        {0x000000, 0.0},    {0xFFFFFF, 1.0},       {0xFF0000, 0.2126},      {0x00FF00, 0.7152},
        {0x0000FF, 0.0722}, {0x808080, 0.2158605}, {0x0A0A0A, 10 / 3294.6},  // below the knee, the
                                                                             // straight part
    };
    for (const auto& c : cases) {
        const std::vector<uint32_t> frame(4, c.pixel);
        EXPECT_NEAR(mean_luminance(frame.data(), 4), c.want, 1e-6) << std::hex << c.pixel;
    }
    const uint32_t half[] = {0xFFFFFF, 0x000000};
    EXPECT_NEAR(mean_luminance(half, 2), 0.5, 1e-12);
}

TEST(FindTransitions, CountsRisesAndFallsBetweenTurningPoints)
{
    struct Want {
        int frame;
        double from, to;
    };
    const struct {
        const char* what;
        std::vector<double> curve;
        std::vector<Want> want;
    } cases[] = {
        {"flat", {0.3, 0.3, 0.3}, {}},
        {"one flash", {0.2, 0.2, 0.9, 0.9, 0.2}, {{2, 0.2, 0.9}, {4, 0.9, 0.2}}},
        {"a change of exactly 0.1 counts", {0.0, 0.1, 0.0}, {{1, 0.0, 0.1}, {2, 0.1, 0.0}}},
        {"one just under it does not", {0.0, 0.099, 0.0}, {}},
        {"darker side at 0.8", {0.8, 0.95, 0.8, 0.95}, {}},
        {"darker side below 0.8", {0.79, 0.95, 0.79}, {{1, 0.79, 0.95}, {2, 0.95, 0.79}}},
        // Bright swings only count from where the curve goes below 0.8.
        {"bright swings, then down", {0.85, 0.97, 0.85, 0.97, 0.3}, {{4, 0.97, 0.3}}},
        // A small dip inside a rise neither splits it nor makes a fall.
        {"dip in a rise", {0.0, 0.2, 0.15, 0.6, 0.0}, {{3, 0.0, 0.6}, {4, 0.6, 0.0}}},
        // Placed where it passes halfway, however far a slow drift carries it on.
        {"drop, then a drift",
         {0.5, 0.3, 0.28, 0.26, 0.24, 0.22, 0.9},
         {{1, 0.5, 0.22}, {6, 0.22, 0.9}}},
        {"rise held to the end", {0.1, 0.1, 0.2, 0.4, 0.5, 0.5}, {{3, 0.1, 0.5}}},
        {"first move from the lowest before it", {0.3, 0.25, 0.32, 0.24, 0.5}, {{4, 0.24, 0.5}}},
    };
    for (const auto& c : cases) {
        const std::vector<Transition> got = find_transitions(c.curve);
        ASSERT_EQ(got.size(), c.want.size()) << c.what;
        for (size_t i = 0; i < got.size(); i++) {
            EXPECT_EQ(got[i].frame, c.want[i].frame) << c.what << " #" << i;
            EXPECT_EQ(got[i].rise, c.want[i].to > c.want[i].from) << c.what << " #" << i;
            EXPECT_EQ(got[i].from, c.want[i].from) << c.what << " #" << i;
            EXPECT_EQ(got[i].to, c.want[i].to) << c.what << " #" << i;
        }
    }
}

TEST(MostFlashes, CountsPairsWithinOneSecondOfFrames)
{
    // A flicker of `period` frames, dark for the first half, then bright.
    auto flicker = [](int frames, int period) {
        std::vector<double> l(frames);
        for (int k = 0; k < frames; k++)
            l[k] = k % period < period / 2 ? 0.0 : 0.5;
        return l;
    };
    const struct {
        int fps, period, frames;
        int want;
    } cases[] = {
        {60, 20, 600, 3},  // 3 Hz: three flashes in every second, never a fourth
        {60, 14, 600, 4},  // a transition every 7 frames: 9 fit in 60
        {60, 12, 600, 5},  // 5 Hz, the greetings' rate
        {60, 2, 600, 30},  // every frame a transition
        {7, 2, 70, 3},     // at 7 fps a second is 7 frames: 7 transitions, 3 pairs
        {60, 20, 30, 1},   // half a second of frames holds one
    };
    for (const auto& c : cases) {
        const std::vector<Transition> ts = find_transitions(flicker(c.frames, c.period));
        int at = -1;
        EXPECT_EQ(most_flashes(ts, 0, c.frames, c.fps, &at), c.want)
            << c.fps << " fps, period " << c.period;
        // A second is fps frames: the one reported holds that many.
        EXPECT_EQ(flashes_between(ts, at, std::min(at + c.fps, c.frames)), c.want)
            << c.fps << " fps, period " << c.period << " at " << at;
    }
    // Only the transitions within the range count: a scene's own seconds.
    const std::vector<Transition> ts = find_transitions(flicker(600, 12));
    int at;
    EXPECT_EQ(most_flashes(ts, 0, 13, 60, &at), 1);     // frames 6 and 12
    EXPECT_EQ(most_flashes(ts, 575, 600, 60, &at), 2);  // 576, 582, 588 and 594
    EXPECT_EQ(at, 575);
}
