// The sound layer really plays the music from its first sample, and reports
// what it cannot do.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "scenes/data_files.h"
#include "show/show.h"
#include "tests/decode_ogg.h"

// Start-up's sound steps, a wait, and the way out; what start-up printed.
static std::string play_for(int ms)
{
    testing::internal::CaptureStdout();
    Music music{};
    music_open(&music);
    music_start(&music);
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    const std::string said = testing::internal::GetCapturedStdout();
    music_stop(&music);
    return said;
}

static std::vector<int16_t> read_samples(const char* path)
{
    std::vector<int16_t> samples;
    FILE* f = fopen(path, "rb");
    if (!f)
        return samples;
    int16_t buf[4096];
    size_t n;
    while ((n = fread(buf, sizeof buf[0], 4096, f)) > 0)
        samples.insert(samples.end(), buf, buf + n);
    fclose(f);
    return samples;
}

// Index of the first stereo frame whose louder side passes the threshold.
template <typename T>
static size_t first_sound(const std::vector<T>& interleaved, double threshold)
{
    for (size_t i = 0; i + 1 < interleaved.size(); i += 2)
        if (std::fabs(double(interleaved[i])) > threshold ||
            std::fabs(double(interleaved[i + 1])) > threshold)
            return i / 2;
    return interleaved.size() / 2;
}

TEST(Sound, StreamsTheMusicFromItsFirstSample)
{
    // The disk driver writes what the device plays, as 16-bit stereo.
    char out[] = "/tmp/varno-disk-XXXXXX";
    const int fd = mkstemp(out);
    ASSERT_GE(fd, 0);
    close(fd);
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", out, 1);
    EXPECT_EQ(play_for(1500), "");
    const std::vector<int16_t> played = read_samples(out);
    remove(out);

    std::vector<float> music;
    long rate;
    int channels;
    ASSERT_TRUE(decode_ogg(music_file, &music, &rate, &channels));
    ASSERT_EQ(channels, 2);

    // The device runs from the system's start and the music joins it at
    // once; line both up at their first sound.
    const size_t half_second = size_t(rate / 2);
    const size_t p0 = first_sound(played, 0.01 * 32768), m0 = first_sound(music, 0.01);
    ASSERT_LT(p0, size_t(rate)) << "no music in the first second of output";
    ASSERT_LT(m0, half_second) << "the music itself starts late";
    ASSERT_GE(played.size() / 2, p0 + half_second) << "the output stopped early";

    double played_energy = 0, music_energy = 0, cross = 0;
    for (size_t i = 0; i < 2 * half_second; i++) {
        const double p = played[2 * p0 + i] / 32768.0, m = music[2 * m0 + i];
        played_energy += p * p;
        music_energy += m * m;
        cross += p * m;
    }
    ASSERT_GT(music_energy, 0.0);
    const double ratio = played_energy / music_energy;
    EXPECT_GT(ratio, 0.5);
    EXPECT_LT(ratio, 2.0);
    // Not just as loud: the same waveform.
    EXPECT_GT(cross / std::sqrt(played_energy * music_energy), 0.9);
}

TEST(Sound, FailuresArePrintedAndTheShowGoesOn)
{
    // The loading message also comes when the system is not there to load
    // into; the other two (creation and playing) have no way to fail here.
    char dir[] = "/tmp/varno-badmusic-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string data = std::string(dir) + "/data";
    ASSERT_EQ(mkdir(data.c_str(), 0755), 0);
    FILE* f = fopen((data + "/dorvang.ogg").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fputs("OggS, or so it says, and then nothing a decoder could read", f);
    fclose(f);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);

    const struct {
        const char* what;
        const char* driver;
        bool corrupt_file;
        const char* want;
    } cases[] = {
        {"no audio device", "no-such-driver", false,
         "Error at init of FMOD Ex system\nError at loading music data/dorvang.ogg\n"},
        {"corrupt music file", "dummy", true, "Error at loading music data/dorvang.ogg\n"},
    };
    for (const auto& c : cases) {
        setenv("SDL_AUDIODRIVER", c.driver, 1);
        if (c.corrupt_file) {
            ASSERT_EQ(chdir(dir), 0);
        }
        EXPECT_EQ(play_for(0), c.want) << c.what;
        ASSERT_EQ(chdir(cwd), 0);
    }
    remove((data + "/dorvang.ogg").c_str());
    rmdir(data.c_str());
    rmdir(dir);
}
