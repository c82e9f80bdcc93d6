// The generated music: its format, its levels, its fade, and that its
// accents fall where the show draws its beats.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "scenes/dance_scene.h"
#include "scenes/data_files.h"
#include "scenes/finale.h"
#include "scenes/greetings_scene.h"
#include "scenes/lift_scene.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"
#include "tests/decode_ogg.h"
#include "tests/support.h"

// Decoded once for every test: the left and right channels.
struct Track {
    long rate = 0;
    int channels = 0;
    std::vector<float> left, right;
};

static const Track& track()
{
    static Track t;
    static bool done = false;
    if (!done) {
        done = true;
        std::vector<float> pcm;
        if (decode_ogg(music_file, &pcm, &t.rate, &t.channels) && t.channels == 2)
            for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
                t.left.push_back(pcm[i]);
                t.right.push_back(pcm[i + 1]);
            }
    }
    return t;
}

static size_t frame(double ms)
{
    return size_t(ms * track().rate / 1000.0);
}

// Mean square of both channels over [from_ms, to_ms).
static double power(double from_ms, double to_ms)
{
    const Track& t = track();
    const size_t a = frame(from_ms), b = std::min(frame(to_ms), t.left.size());
    double sum = 0;
    for (size_t n = a; n < b; n++)
        sum += 0.5 * (double(t.left[n]) * t.left[n] + double(t.right[n]) * t.right[n]);
    return b > a ? sum / double(b - a) : 0.0;
}

static double db(double power)
{
    return 10.0 * std::log10(power + 1e-20);
}

// The mono mix through two one-pole high-passes at 200 Hz: the attacks of
// drums, plucks and stabs stand out, the ringing kick body, the bass and the
// pads weigh little.
static const std::vector<float>& attacks()
{
    static std::vector<float> high;
    const Track& t = track();
    if (high.empty() && !t.left.empty()) {
        const float a = std::exp(-2.0f * float(M_PI) * 120.0f / float(t.rate));
        high.resize(t.left.size());
        float x1 = 0, y1 = 0, z1 = 0;
        for (size_t n = 0; n < t.left.size(); n++) {
            const float x = 0.5f * (t.left[n] + t.right[n]);
            const float y = a * (y1 + x - x1);
            high[n] = a * (z1 + y - y1);
            x1 = x, y1 = y, z1 = high[n];
        }
    }
    return high;
}

static double attack_power(double from_ms, double to_ms)
{
    const std::vector<float>& h = attacks();
    const size_t a = frame(from_ms), b = std::min(frame(to_ms), h.size());
    double sum = 0;
    for (size_t n = a; n < b; n++)
        sum += double(h[n]) * h[n];
    return sum;
}

TEST(Music, IsStereo44100AndAsLongAsTheShow)
{
    const Track& t = track();
    ASSERT_EQ(t.channels, 2);
    EXPECT_EQ(t.rate, 44100);
    const double seconds = double(t.left.size()) / t.rate;
    EXPECT_GE(seconds, finale_end / 1000.0);
    EXPECT_LE(seconds, finale_end / 1000.0 + 1.0);
}

TEST(Music, PeaksUnderMinusOneDbfsWithoutClipping)
{
    const Track& t = track();
    ASSERT_FALSE(t.left.empty());
    float peak = 0;
    size_t at_full_scale = 0;
    for (size_t n = 0; n < t.left.size(); n++)
        for (float x : {t.left[n], t.right[n]}) {
            peak = std::max(peak, std::fabs(x));
            at_full_scale += std::fabs(x) >= 0.999f;
        }
    EXPECT_LE(20 * std::log10(peak), -1.0);
    EXPECT_EQ(at_full_scale, 0u);
}

TEST(Music, EveryScenePlaysAtASensibleLevel)
{
    const struct {
        const char* scene;
        uint32_t from, to;
    } scenes[] = {
        {"title", title_start, dance_start},
        {"dance", dance_start, deform_start},
        {"deform", deform_start, greetings_start},
        {"greetings", greetings_start, lift_start},
        {"lift", lift_start, tunnel_start},
        {"tunnel", tunnel_start, finale_start},
        {"finale", finale_start, finale_fades[1].start},
    };
    ASSERT_FALSE(track().left.empty());
    for (const auto& s : scenes) {
        const double level = db(power(s.from, s.to));
        EXPECT_GT(level, -24.0) << s.scene;
        EXPECT_LT(level, -8.0) << s.scene;
    }
    const double whole = db(power(0, finale_end));
    EXPECT_GT(whole, -18.0);
    EXPECT_LT(whole, -10.0);
}

TEST(Music, FadesToSilenceWithTheLastPicture)
{
    ASSERT_FALSE(track().left.empty());
    const uint32_t fade = finale_fades[1].start, end = fade + finale_fades[1].duration;
    const double before = db(power(fade - 500, fade));
    const double last = db(power(end - 100, end));
    EXPECT_GT(before - last, 30.0) << "the last 100 ms are not near silence";
    EXPECT_LT(db(power(end, end + 400)), -90.0) << "sound after the show has ended";
    // The fade is smooth: no 100 ms step louder than the one before it.
    for (uint32_t t = fade + 100; t < end; t += 100)
        EXPECT_LE(power(t, t + 100), 1.05 * power(t - 100, t)) << t;
}

// Every accent the show draws, from the same constants the scenes draw it
// with: the onset energy just after it clearly exceeds the energy before.
TEST(Music, AccentsLandOnTheShowsBeats)
{
    std::vector<std::pair<std::string, double>> accents;
    for (int n = 0; n < note_count; n++)
        accents.push_back({"dance beat", first_beat + double(beat_every) * n});
    for (int i = 0; i < logo_count; i++)
        accents.push_back({"logo switch", logo_switch[i]});
    for (int i = 0; i < title_flash_count; i++)
        accents.push_back({"title flash peak",
                           title_flash_first + title_flash_every * i + title_flash_length / 2.0});
    for (uint32_t t :
         {doors_open_start, doors_close_start, credit_doors_open_start, credit_doors_close_start})
        accents.push_back({"lift door", t});
    // The finale switches effects on the first frame past each second, so
    // about then.
    for (uint32_t t = finale_start + finale_switch_ms; t < finale_fades[1].start;
         t += finale_switch_ms)
        accents.push_back({"finale effect change", t});
    ASSERT_FALSE(track().left.empty());
    // The window before stops 20 ms short of the accent: a lossy coder
    // smears a little of every attack ahead of it.
    constexpr double window_ms = 30;
    double weakest = 1e9;
    for (const auto& [what, t] : accents) {
        const double ratio =
            attack_power(t, t + window_ms) / attack_power(t - window_ms - 20, t - 20);
        weakest = std::min(weakest, ratio);
        EXPECT_GT(ratio, 2.0) << what << " at " << t << " ms";
    }
    printf("weakest onset: %.1f dB\n", 10 * std::log10(weakest));
}

TEST(Music, TheGeneratorWritesTheSameFileEveryTime)
{
    const char* build = getenv("VARNO_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    char again[] = "/tmp/varno-music-XXXXXX";
    const int fd = mkstemp(again);
    ASSERT_GE(fd, 0);
    close(fd);
    ASSERT_EQ(run_command(std::string(build) + "/generators/music/varno-make-music " + again), 0);
    ASSERT_EQ(run_command(std::string("cmp -s ") + again + " " + music_file), 0)
        << "two runs of the generator differ";
    remove(again);
}
