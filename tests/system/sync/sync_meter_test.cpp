// The sync meter offline: the capture tool's frames at 60 a second, each
// shown at its own demo time, beside the decoded music heard `late` ms after
// it, read by the same code as the live recordings. The picture's moments and
// the music's position must come out as they were made: the offline show
// reads as offset 0 (the meter's reference), a known lateness as itself, and
// a whole beat late (the dance's flashes come every 250 ms) as a whole beat,
// not as 0.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "scenes/data_files.h"
#include "tests/system/sync/sync_meter.h"

namespace {

constexpr uint32_t first_ms = 17000, last_ms = 24000;
constexpr double monotonic_at_0 = 100000;  // where demo time 0 lies on the made-up clock

SyncInputs* inputs = nullptr;
std::vector<double> levels;                // the corner, frame by frame at 60 fps
std::vector<std::vector<uint8_t>> stills;  // the same frames as stills

class Offline : public testing::Environment {
public:
    void SetUp() override
    {
        inputs = new SyncInputs;
        ASSERT_TRUE(load_sync_inputs("tools/varno-capture", music_file, inputs));
        FILE* raw =
            popen(("SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy tools/varno-capture "
                   "--raw --back-buffer --fps 60 --from " +
                   std::to_string(first_ms) + " --to " + std::to_string(last_ms) + " 2> /dev/null")
                      .c_str(),
                  "r");
        ASSERT_NE(raw, nullptr);
        std::vector<uint32_t> frame(320 * 240);
        while (fread(frame.data(), 4, frame.size(), raw) == frame.size()) {
            levels.push_back(corner_level(frame.data()));
            stills.push_back(still_of_frame(frame.data()));
        }
        ASSERT_EQ(pclose(raw), 0);
        ASSERT_GT(levels.size(), 400u);
    }
    void TearDown() override { delete inputs; }
};

[[maybe_unused]] testing::Environment* const offline =
    testing::AddGlobalTestEnvironment(new Offline);

// The frame the capture tool shows at demo time t (frame k from k * 1000 / 60).
size_t frame_at(double t)
{
    const size_t first = size_t(std::ceil(first_ms * 60.0 / 1000));
    const double k = std::floor(t * 60 / 1000) - double(first);
    return size_t(std::max(0.0, std::min(k, double(levels.size() - 1))));
}

// The recording a perfect grabber and recorder would make of it: the corner
// every 4 ms, a still every 200 ms, the music heard `late` ms after the picture.
Recording made_up(double late)
{
    Recording rec;
    const double from = first_ms + 100, to = last_ms - 100;
    rec.start = monotonic_at_0 + from;
    for (double t = from; t < to; t += 4)
        rec.picture.corner.push_back({monotonic_at_0 + t, 0.1, levels[frame_at(t)]});
    for (double t = from; t < to; t += 200)
        rec.picture.stills.push_back({monotonic_at_0 + t, stills[frame_at(t)]});
    rec.sound.rate = inputs->rate;
    const size_t a = size_t(from * inputs->rate / 1000), b = size_t(to * inputs->rate / 1000);
    rec.sound.mono.assign(inputs->music.begin() + long(a), inputs->music.begin() + long(b));
    rec.sound.t0 = monotonic_at_0 + double(a) * 1000 / inputs->rate + late;
    return rec;
}

struct Known {
    const char* name;
    double late;
};

void PrintTo(const Known& k, std::ostream* os)
{
    *os << k.name;
}

class ReadsBack : public testing::TestWithParam<Known> {};

// The median within 2 ms (half the 4-ms grab step); each flash within 7: its
// frame's alpha is read over a picture that moves under it by a few levels.
TEST_P(ReadsBack, TheOffsetItWasMadeWith)
{
    const Known k = GetParam();
    const Recording rec = made_up(k.late);
    const SyncReport r = measure_offsets(rec.picture, rec.sound, inputs->refs, inputs->music,
                                         inputs->rate, dance_flashes());
    print_report(r, k.name, stdout);
    ASSERT_GE(r.read_well, 18);
    EXPECT_EQ(r.poor, 0);
    EXPECT_NEAR(r.median, k.late, 2);
    EXPECT_NEAR(r.min, k.late, 7);
    EXPECT_NEAR(r.max, k.late, 7);
}

INSTANTIATE_TEST_SUITE_P(Offline, ReadsBack,
                         testing::Values(Known{"in_step", 0}, Known{"sound_40ms_late", 40},
                                         Known{"sound_15ms_early", -15}, Known{"a_beat_late", 250},
                                         Known{"a_bar_late", 1000}),
                         [](const testing::TestParamInfo<Known>& i) { return i.param.name; });

// A busy machine's recording: the grabber held up across one flash's rise
// (no grab for 20 ms, over the frame whose alpha is read), or 200 ms of the
// sound lost around one flash (a gap in the recorder's stream). That flash is
// read poorly, and marked so; the others, and the summary, are as before.
struct Spoiled {
    const char* name;
    uint32_t flash;
    double grabs_held_from, sound_lost_from;  // ms from the flash, or `untouched`
};
constexpr double untouched = -1000;

void PrintTo(const Spoiled& s, std::ostream* os)
{
    *os << s.name;
}

class MarksPoorReads : public testing::TestWithParam<Spoiled> {};

TEST_P(MarksPoorReads, AndLeavesThemOut)
{
    const Spoiled k = GetParam();
    Recording rec = made_up(0);
    if (k.grabs_held_from != untouched) {
        const double from = monotonic_at_0 + k.flash + k.grabs_held_from;
        std::vector<CornerGrab>& g = rec.picture.corner;
        g.erase(std::remove_if(g.begin(), g.end(),
                               [&](const CornerGrab& c) { return c.t > from && c.t < from + 20; }),
                g.end());
    }
    if (k.sound_lost_from != untouched) {
        const double from = monotonic_at_0 + k.flash + k.sound_lost_from - rec.sound.t0;
        const size_t a = size_t(from * rec.sound.rate / 1000);
        std::fill_n(rec.sound.mono.begin() + long(a), size_t(0.2 * rec.sound.rate), 0.0f);
    }
    const SyncReport r = measure_offsets(rec.picture, rec.sound, inputs->refs, inputs->music,
                                         inputs->rate, dance_flashes());
    print_report(r, k.name, stdout);
    const auto spoiled =
        std::find_if(r.flashes.begin(), r.flashes.end(),
                     [&](const FlashOffset& f) { return f.seen.flash == k.flash; });
    ASSERT_NE(spoiled, r.flashes.end()) << "flash " << k.flash << " not read at all";
    EXPECT_TRUE(spoiled->poor);
    EXPECT_EQ(r.poor, 1);
    EXPECT_GE(r.read_well, 17);
    EXPECT_NEAR(r.median, 0, 2);
}

// The flash at 20000 is drawn at 60 fps from 20000, 20016.7, 20033.3: the
// third is the one whose alpha is read.
INSTANTIATE_TEST_SUITE_P(Offline, MarksPoorReads,
                         testing::Values(Spoiled{"grabber_held", 20000, 25, untouched},
                                         Spoiled{"sound_lost", 21000, untouched, -70}),
                         [](const testing::TestParamInfo<Spoiled>& i) { return i.param.name; });

// The rise of a flash read back from its alpha, at every whole millisecond of
// the rise the meter uses.
TEST(FlashRise, InvertsTheFlashCurve)
{
    for (int ms = 5; ms <= 40; ms++) {
        const double alpha =
            255 * std::sin(M_PI * [](double u) { return u * u * (3 - 2 * u); }(ms / 100.0));
        EXPECT_NEAR(flash_rise_ms(alpha), ms, 0.6) << "alpha " << alpha;
    }
}

}  // namespace
