// The Ogg Vorbis decoder of the browser and Windows builds, held to the
// reference decoder (libvorbisfile) on the show's own music, and to failing
// cleanly on files that are not music.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/ogg.h"
#include "tests/decode_ogg.h"
#include "tests/support.h"

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
    const std::string whole = read_file(music);
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

// Decoded a piece at a time (the Windows mixer), the music is the same
// samples as decoded whole, however the pieces are cut.
TEST(OggStream, PiecesMakeTheWholeMusic)
{
    OggSound whole;
    ASSERT_TRUE(ogg_decode(music, &whole));
    int channels = 0, rate = 0;
    OggStream* s = ogg_open(music, &channels, &rate);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(channels, whole.channels);
    EXPECT_EQ(rate, whole.rate);
    std::vector<int16_t> pieces;
    const size_t sizes[] = {1, 11025, 7, 4096, 100000, 333};
    std::vector<int16_t> buffer(100000 * size_t(channels));
    for (size_t i = 0;; i++) {
        const size_t want = sizes[i % 6];
        const size_t got = ogg_read(s, buffer.data(), want);
        pieces.insert(pieces.end(), buffer.begin(), buffer.begin() + got * channels);
        if (got < want)
            break;
    }
    EXPECT_EQ(ogg_read(s, buffer.data(), 10), 0u);  // and nothing after the end
    ogg_close(s);
    EXPECT_TRUE(pieces == whole.samples);
}

// A move to a frame plays the samples from that frame of the whole music
// exactly, wherever the stream was before (--from starts the music there).
TEST(OggStream, SeeksToTheExactFrame)
{
    OggSound whole;
    ASSERT_TRUE(ogg_decode(music, &whole));
    int channels = 0, rate = 0;
    OggStream* s = ogg_open(music, &channels, &rate);
    ASSERT_NE(s, nullptr);
    const size_t frames = whole.samples.size() / size_t(channels);
    const size_t stretch = 20000;
    std::vector<int16_t> got(stretch * size_t(channels));
    for (size_t frame : {size_t(rate) * 20, size_t(0), size_t(1), size_t(rate) * 99 + 4321,
                         size_t(12345), frames - 5000, size_t(rate) * 43 + 9}) {
        SCOPED_TRACE(frame);
        ASSERT_TRUE(ogg_seek(s, frame));
        const size_t n = ogg_read(s, got.data(), stretch);
        ASSERT_EQ(n, std::min(stretch, frames - frame));
        EXPECT_TRUE(std::equal(got.begin(), got.begin() + n * channels,
                               whole.samples.begin() + frame * channels));
    }
    EXPECT_FALSE(ogg_seek(s, frames + rate));
    ogg_close(s);
}

// Damaged files: a stream opens only on headers that read, and then decodes
// no more than the whole music; the files ogg_decode refuses give no sound.
TEST(OggStream, DamagedFilesGiveNoSound)
{
    const std::string whole = read_file(music);
    const std::string path = "ogg_test_stream_damaged.ogg";
    for (const std::string& bytes : {std::string(), std::string("OggS"), whole.substr(0, 3000),
                                     "\x89PNG\r\n\x1a\n" + std::string(5000, '\0')}) {
        std::ofstream(path, std::ios::binary) << bytes;
        int channels = 0, rate = 0;
        OggStream* s = ogg_open(path.c_str(), &channels, &rate);
        if (s) {
            int16_t first[2 * 64];
            EXPECT_EQ(ogg_read(s, first, 64), 0u) << bytes.size() << " bytes";
            ogg_close(s);
        }
    }
    std::remove(path.c_str());
    int channels = 0, rate = 0;
    EXPECT_EQ(ogg_open("data/no-such-music.ogg", &channels, &rate), nullptr);
}
