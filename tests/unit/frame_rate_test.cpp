// The look does not follow the frame rate: played at 30, 75, 144 and 240
// frames a second, the show draws the same picture as at 60 wherever both
// draw a frame (the dance, the greetings' trails and glow).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tests/support.h"

namespace {

// The back buffer at 16100 and 47000 played at fps, as PNG files' bytes.
std::vector<std::string> frames_at(unsigned fps)
{
    const std::string dir = testing::TempDir() + "rate_" + std::to_string(fps);
    if (run_command("rm -rf '" + dir + "' && ./tools/varno-capture --back-buffer --fps " +
                    std::to_string(fps) + " --at 16100,47000 --out '" + dir + "'") != 0)
        return {};
    return {read_file(dir + "/t016100.png"), read_file(dir + "/t047000.png")};
}

TEST(FrameRate, EveryRateShowsTheSixtyHertzPicture)
{
    const auto reference = frames_at(60);
    ASSERT_EQ(reference.size(), 2u);
    ASSERT_FALSE(reference[0].empty());
    ASSERT_NE(reference[0], reference[1]);
    for (unsigned fps : {30u, 75u, 144u, 240u}) {
        const auto frames = frames_at(fps);
        ASSERT_EQ(frames.size(), 2u) << fps;
        EXPECT_EQ(frames[0], reference[0]) << "the dance at " << fps << " fps";
        EXPECT_EQ(frames[1], reference[1]) << "the greetings at " << fps << " fps";
    }
}

}  // namespace
