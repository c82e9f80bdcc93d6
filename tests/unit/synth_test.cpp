// The music generator's instruments: every voice starts on its sample, notes
// have the pitch asked for and end cleanly, and the mix stages do their job.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "generators/music/synth.h"

static Mix silent_mix(double seconds)
{
    Mix mix;
    mix_make(mix, int64_t(seconds * sample_rate));
    return mix;
}

static int64_t first_sound(const Mix& mix)
{
    for (size_t n = 0; n < mix.left.size(); n++)
        if (mix.left[n] != 0 || mix.right[n] != 0)
            return int64_t(n);
    return -1;
}

static double power(const std::vector<float>& x, int64_t from, int64_t to)
{
    double sum = 0;
    for (int64_t n = from; n < to; n++)
        sum += double(x[n]) * x[n];
    return sum / double(to - from);
}

enum Voice { a_tone, a_kick, a_snare, a_clap, a_hat, a_crash, a_tom, a_shaker };

TEST(Synth, EveryVoiceStartsOnTheSampleOfItsTime)
{
    constexpr Patch pluck = {.saw = 1, .decay = 0.1f, .sustain = 0, .cutoff = 2000};
    // Times that are whole samples and times between them.
    for (double ms : {0.0, 18750.0, 43527.0, 100.01}) {
        for (Voice v : {a_tone, a_kick, a_snare, a_clap, a_hat, a_crash, a_tom, a_shaker}) {
            Mix mix = silent_mix(ms / 1000 + 0.5);
            const Out out{&mix, 0.3f, 0.2f};
            switch (v) {
                case a_tone:
                    tone(pluck, out, ms, 100, 69, 1);
                    break;
                case a_kick:
                    kick(out, ms, 1);
                    break;
                case a_snare:
                    snare(out, ms, 1);
                    break;
                case a_clap:
                    clap(out, ms, 1);
                    break;
                case a_hat:
                    hat(out, ms, 1, 0.05f);
                    break;
                case a_crash:
                    crash(out, ms, 1);
                    break;
                case a_tom:
                    tom(out, ms, 1, 100);
                    break;
                case a_shaker:
                    shaker(out, ms, 1);
                    break;
            }
            const int64_t want = frame_at(ms);
            const int64_t got = first_sound(mix);
            // The attack ramps from zero, so the first audible sample may be
            // the one after.
            EXPECT_GE(got, want) << "voice " << v << " at " << ms;
            EXPECT_LE(got, want + 1) << "voice " << v << " at " << ms;
        }
    }
}

TEST(Synth, NotesHaveTheirPitchAndEndInSilence)
{
    constexpr Patch sine = {.sine = 1, .attack = 0.01f, .release = 0.05f, .gain = 0.5f};
    const struct {
        double midi, hz;
    } notes[] = {{69, 440}, {57, 220}, {81, 880}, {60, 261.63}};
    for (const auto& note : notes) {
        Mix mix = silent_mix(2);
        tone(sine, Out{&mix, 0, 0}, 0, 1000, note.midi, 1);
        // Count rising zero crossings over the steady second half.
        int crossings = 0;
        for (int64_t n = sample_rate / 2; n < sample_rate; n++)
            crossings += mix.left[n - 1] < 0 && mix.left[n] >= 0;
        EXPECT_NEAR(crossings, note.hz / 2, 2) << note.midi;
        // The release reaches zero well inside the rest of the mix, without a
        // jump at the end.
        const int64_t gate_end = sample_rate;
        EXPECT_EQ(power(mix.left, gate_end + sample_rate / 2, 2 * sample_rate), 0.0) << note.midi;
        float largest_step = 0;
        for (int64_t n = gate_end; n < 2 * sample_rate; n++)
            largest_step = std::max(largest_step, std::fabs(mix.left[n] - mix.left[n - 1]));
        EXPECT_LT(largest_step, 0.05f) << note.midi;
    }
}

TEST(Synth, NarrowPulsesCarryNoOffset)
{
    constexpr Patch pulse = {.square = 1, .pulse_width = 0.2f, .gain = 0.5f};
    Mix mix = silent_mix(1.2);
    tone(pulse, Out{&mix, 0, 0}, 0, 1000, 45, 1);
    double sum = 0;
    for (int64_t n = 0; n < sample_rate; n++)
        sum += mix.left[n];
    EXPECT_LT(std::fabs(sum / sample_rate), 0.01);
}

TEST(Synth, LimiterHoldsTheCeilingAndLeavesQuietPartsAlone)
{
    const float ceiling = 0.5f;
    for (float spike : {0.6f, 1.0f, 4.0f}) {
        Mix mix = silent_mix(2);
        for (int64_t n = 0; n < 2 * sample_rate; n++)
            mix.left[n] = mix.right[n] = 0.3f * std::sin(2 * M_PI * 200 * n / sample_rate);
        mix.left[sample_rate / 2] = spike;
        mix.right[sample_rate] = -spike;
        const std::vector<float> before = mix.left;
        limit(mix, ceiling);
        float peak = 0;
        for (int64_t n = 0; n < 2 * sample_rate; n++)
            peak = std::max({peak, std::fabs(mix.left[n]), std::fabs(mix.right[n])});
        EXPECT_LE(peak, ceiling) << spike;
        // Far from both spikes the gain is back at 1 (a release that stalls
        // short of it would leave the rest of the track quieter).
        for (int64_t n :
             {int64_t(7), int64_t(sample_rate / 5 + 7), int64_t(19 * sample_rate / 10 + 7)})
            EXPECT_NEAR(mix.left[n], before[n], 1e-4 * std::fabs(before[n]))
                << spike << " at " << n;
    }
}

TEST(Synth, LowpassMuffles)
{
    const struct {
        float hz;
        bool passes;
    } cases[] = {{100, true}, {5000, false}};
    for (const auto& c : cases) {
        Mix mix = silent_mix(1);
        for (int64_t n = 0; n < sample_rate; n++)
            mix.left[n] = mix.right[n] = std::sin(2 * M_PI * c.hz * n / sample_rate);
        lowpass_span(mix, 0, sample_rate, std::vector<float>(sample_rate, 320.0f));
        const double gain_db = 10 * std::log10(2 * power(mix.left, sample_rate / 2, sample_rate));
        if (c.passes)
            EXPECT_GT(gain_db, -3.0) << c.hz;
        else
            EXPECT_LT(gain_db, -20.0) << c.hz;
    }
}

TEST(Synth, HallRingsOnAndDiesAway)
{
    Mix mix = silent_mix(8);
    mix.send[frame_at(100)] = 1;
    add_hall(mix, 0, 0.84f, 0.3f, 1);
    EXPECT_EQ(power(mix.left, 0, frame_at(100)), 0.0) << "the hall answered early";
    const double early = power(mix.left, frame_at(150), frame_at(650));
    const double late = power(mix.right, frame_at(6000), frame_at(8000));
    EXPECT_GT(early, 0.0);
    EXPECT_GT(power(mix.right, frame_at(150), frame_at(650)), 0.0);
    EXPECT_LT(late, early * 1e-4);
}
