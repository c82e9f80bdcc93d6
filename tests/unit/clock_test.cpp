// The show's clock against a fake output whose start, latency, drift and
// stalls are scripted: the picture's demo time stays within a frame of what
// is heard, never goes back, and between corrections keeps a steady pace.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "platform/null/fake_output.h"
#include "platform/system.h"
#include "show/show.h"

namespace {

constexpr double frame_ms = 1000.0 / 60;
constexpr double start_at = 5000;  // the clock's reading at the play call
// What the eye takes for steady motion: from frame to frame demo time moves on
// by the wall clock's time give or take 5 %, unless it holds for the music or
// jumps to it by more than a frame.
constexpr double steady_pace = 0.05;

struct ClockCase {
    const char* name;
    FakeOutput output;
    uint32_t from;            // --from, in ms
    double seconds;           // how long it plays
    double stop_at, stop_ms;  // the program itself stops (no frames), if stop_ms > 0
    // Beyond a frame: how far off the output's own word may be (a stale
    // report carried on past a stall it has not yet told of, up to its latency).
    double slack = 0;
};

FakeOutput with(void (*set)(FakeOutput*))
{
    FakeOutput o;
    set(&o);
    return o;
}

const ClockCase cases[] = {
    {"plain", FakeOutput{}, 0, 6, 0, 0},
    {"late_start", with([](FakeOutput* o) { o->start_delay = 150; }), 0, 4, 0, 0},
    {"seek", with([](FakeOutput* o) { o->latency = 40; }), 43200, 4, 0, 0},
    {"stall_200ms", with([](FakeOutput* o) {
         o->stalls = {{start_at + 2000, 200}};
     }),
     15000, 5, start_at + 2000, 200},
    {"underruns", with([](FakeOutput* o) {
         for (int i = 0; i < 20; i++)
             o->stalls.push_back({start_at + 500 + 400.0 * i, 3.0 + 1.5 * i});
     }),
     15000, 10, 0, 0},
    {"fast_output", with([](FakeOutput* o) { o->drift = 0.001; }), 0, 60, 0, 0},
    {"slow_output", with([](FakeOutput* o) { o->drift = -0.001; }), 0, 60, 0, 0},
    {"latency_rises", with([](FakeOutput* o) {
         o->latency_later = 60;
         o->change_at = start_at + 3000;
     }),
     0, 6, 0, 0},
    {"latency_falls", with([](FakeOutput* o) {
         o->latency = 60;
         o->latency_later = 15;
         o->change_at = start_at + 3000;
     }),
     0, 6, 0, 0},
    {"stale_reports", with([](FakeOutput* o) {
         o->report_ms = 40;
         o->stalls = {{start_at + 2000, 120}};
     }),
     0, 5, 0, 0, 10},
    {"suspended", with([](FakeOutput* o) {
         o->stalls = {{start_at + 2000, 3000}};
     }),
     0, 8, start_at + 2000, 3000},
};

class ShowClockTest : public testing::TestWithParam<ClockCase> {};

TEST_P(ShowClockTest, FollowsWhatIsHeard)
{
    const ClockCase& c = GetParam();
    FakeOutput out = c.output;
    out.now = start_at;
    fake_output_install(&out);
    Music music{};
    music_open(&music);
    music_start(&music, c.from);
    ShowClock clock = clock_start(c.from, clock_ms());

    double last = c.from, last_now = out.now, worst = 0;
    int frames = 0, held = 0;
    for (int k = 1; out.now < start_at + 1000 * c.seconds; k++) {
        // Frames 15 to 18 ms apart, as a 60 Hz display's come, none while
        // the program stands still.
        out.now += frame_ms + 1.5 * std::sin(k * 0.7);
        if (c.stop_ms > 0 && out.now > c.stop_at && out.now < c.stop_at + c.stop_ms)
            continue;
        const double t = clock_demo_time(&clock, &music);
        const double heard = fake_output_heard(out, out.now);
        ASSERT_GE(t, last) << "went back at frame " << k;
        // (Demo time is whole milliseconds: a millisecond either way is its rounding.)
        const double wall = out.now - last_now, moved = t - last;
        ASSERT_TRUE(std::fabs(moved - wall) <= steady_pace * wall + 1 ||
                    moved <= std::max(0.0, wall - frame_ms) + 1 || moved - wall >= frame_ms - 1)
            << "frame " << k << ": " << moved << " ms of the show in " << wall << " ms";
        last_now = out.now;
        if (heard < c.from) {
            // Before its first sample is heard the show waits for the music.
            ASSERT_EQ(t, c.from) << "frame " << k;
            held++;
        } else {
            worst = std::max(worst, std::fabs(t - heard));
            ASSERT_LE(std::fabs(t - heard), frame_ms + 1 + c.slack)
                << "frame " << k << ": picture " << t << " ms, heard " << heard << " ms";
        }
        last = t;
        frames++;
    }
    music_stop(&music);
    fake_output_install(nullptr);
    EXPECT_GT(frames, 50 * (c.seconds - c.stop_ms / 1000));
    // It waited for the output's own start and latency, then went on.
    EXPECT_NEAR(held, (out.start_delay + out.latency) / frame_ms, 1) << "worst " << worst;
}

// Without music the clock is the monotonic one, but a stop of over a second
// (a suspended machine) costs the show nothing.
TEST(ShowClock, WithoutMusicRunsOnTheClockAndSkipsLongStops)
{
    ShowClock clock = clock_start(1000, 50000);
    const struct {
        double now, t;
    } steps[] = {{50016, 1016}, {50300, 1300}, {51299, 2299}, {53000, 2299}, {53010, 2309}};
    for (const auto& s : steps)
        EXPECT_DOUBLE_EQ(clock_advance(&clock, s.now, nullptr), s.t) << s.now;
}

INSTANTIATE_TEST_SUITE_P(Outputs, ShowClockTest, testing::ValuesIn(cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
