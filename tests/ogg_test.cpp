// The Ogg Vorbis decoder of the browser and Windows builds, held to the
// reference decoder (libvorbisfile) on the show's own music, and to failing
// cleanly on files that are not music.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/ogg.h"
#include "tests/decode_ogg.h"

static const char* music = "data/dorvang.ogg";

TEST(OggDecode, TheMusicDecodesToTheReferenceDecodersSamples)
{
    OggSound sound;
    ASSERT_TRUE(ogg_decode(music, &sound));
    std::vector<float> reference;
    long rate;
    int channels;
    ASSERT_TRUE(decode_ogg(music, &reference, &rate, &channels));
    EXPECT_EQ(sound.channels, channels);
    EXPECT_EQ(sound.rate, rate);
    // Both decoders drop the same encoder priming and trim the same end.
    ASSERT_EQ(sound.samples.size(), reference.size());
    // Both run the same inverse transforms in floating point and scale by 32768:
    // what differs is rounding, a step of the 16-bit output now and then
    // (measured: never more than two), never a sample out of place.
    int worst = 0;
    size_t off_by_one = 0;
    for (size_t i = 0; i < reference.size(); i++) {
        const float r = std::fmax(-1.0f, std::fmin(1.0f, reference[i]));
        const int d = std::abs(int(sound.samples[i]) - int(std::lround(r * 32768.0f)));
        worst = std::max(worst, d);
        off_by_one += d > 0;
    }
    EXPECT_LE(worst, 2);
    EXPECT_LT(off_by_one, reference.size() / 20);
    // And the music is there: not a decoder that gives silence of the right length.
    double energy = 0;
    for (int16_t s : sound.samples)
        energy += double(s) * s;
    EXPECT_GT(std::sqrt(energy / sound.samples.size()), 1000.0);
}

// A file that is not what it claims: missing, empty, cut short, its bytes
// garbled, or something else entirely. Each either fails or, when what is
// left still decodes, gives no more than the whole music; none crashes.
TEST(OggDecode, DamagedFilesFailOrDecodeWhatIsThere)
{
    std::ifstream in(music, std::ios::binary);
    const std::string whole((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(whole.size(), 100000u);
    std::string garbled = whole;
    for (size_t i = 4000; i < garbled.size(); i += 997)
        garbled[i] ^= 0x5a;
    std::string headers_broken = whole;
    for (size_t i = 30; i < 200; i++)
        headers_broken[i] = char(i * 7);
    struct Case {
        const char* name;
        std::string bytes;
        bool decodes;
    };
    const Case cases[] = {
        {"empty", "", false},
        {"magic only", "OggS", false},
        {"headers only", whole.substr(0, 3000), false},
        {"a PNG", "\x89PNG\r\n\x1a\n" + std::string(5000, '\0'), false},
        {"headers broken", headers_broken, false},
        {"cut in half", whole.substr(0, whole.size() / 2), true},
        {"garbled", garbled, true},
    };
    OggSound full;
    ASSERT_TRUE(ogg_decode(music, &full));
    const std::string path = "ogg_test_damaged.ogg";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::ofstream(path, std::ios::binary) << c.bytes;
        OggSound sound;
        const bool decoded = ogg_decode(path.c_str(), &sound);
        if (!c.decodes) {
            EXPECT_FALSE(decoded);
        } else if (decoded) {
            EXPECT_LE(sound.samples.size(), full.samples.size());
            EXPECT_EQ(sound.samples.size() % sound.channels, 0u);
        }
    }
    std::remove(path.c_str());
    OggSound none;
    EXPECT_FALSE(ogg_decode("data/no-such-music.ogg", &none));
}
