// The frame loop's passes and ways out, and the music's start and stop. Runs
// over the SDL platform on its dummy drivers, whose event queue the tests fill.
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "draw/blit.h"
#include "platform/system.h"
#include "platform/video.h"
#include "scenes/timeline.h"
#include "show/show.h"
#include "tests/support.h"

// A playback of the show at demo time t now, with no music, into the back buffer.
static Playback at(uint32_t t, Surface* back)
{
    return Playback{show_once(), back, Music{}, clock_start(t, clock_ms()), t, false, Pass::drawn};
}

// The display opened, the show loaded and a back buffer of our own, once.
static Surface* back_buffer_once()
{
    static Surface* back = nullptr;
    if (!back) {
        if (!video_setup(DisplayMode::window))
            abort();
        show_once();
        back = make_surface(back_width, back_height, 0);
    }
    return back;
}

TEST(FrameLoop, QuitQueuedDuringStartUpEndsBeforeDrawing)
{
    Surface* back = back_buffer_once();
    surface_fill(0x00ABCDEF, back);
    SDL_FillRect(SDL_GetVideoSurface(), nullptr, 0x00123456);
    SDL_Event close{};
    close.type = SDL_QUIT;
    ASSERT_EQ(SDL_PushEvent(&close), 0);
    Playback p = at(0, back);
    EXPECT_EQ(playback_pass(&p), Pass::quit);
    EXPECT_EQ(pixel(back, 0, 0), 0x00ABCDEFu);
    EXPECT_EQ(pixel(back, 319, 239), 0x00ABCDEFu);
    EXPECT_EQ(screen_pixel(639, 479), 0x00123456u);
}

TEST(FrameLoop, EndsOnlyAfterTheLastFrame)
{
    Surface* back = back_buffer_once();
    quit_requested();
    // The clock started just past the last frame, on it, or well before it.
    for (const auto& [t, pass] :
         {std::pair{last_frame_time + 1, Pass::end}, std::pair{last_frame_time, Pass::drawn},
          std::pair{1000u, Pass::drawn}}) {
        Playback p = at(t, back);
        EXPECT_EQ(playback_pass(&p), pass) << t;
    }
}

// A drawn pass draws the frame into the back buffer and presents it: the
// display shows what was drawn, each pixel doubled.
TEST(FrameLoop, DrawnPassPresentsTheFrame)
{
    Surface* back = back_buffer_once();
    quit_requested();
    surface_fill(0x00ABCDEF, back);
    SDL_Surface* screen = SDL_GetVideoSurface();
    SDL_FillRect(screen, nullptr, 0x00123456);
    // Mid-dance: the frame is no single colour.
    Playback p = at(20000, back);
    ASSERT_EQ(playback_pass(&p), Pass::drawn);
    int colours_differ = 0;
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++) {
            const uint32_t p = pixel(back, x, y);
            colours_differ += (p & 0xFFFFFF) != (pixel(back, 0, 0) & 0xFFFFFF);
            Uint8 r, g, b;
            SDL_GetRGB(screen_pixel(2 * x + 1, 2 * y + 1), screen->format, &r, &g, &b);
            ASSERT_EQ(uint32_t(r << 16 | g << 8 | b), p & 0xFFFFFF) << x << "," << y;
        }
    EXPECT_GT(colours_differ, 0);
}

TEST(Sound, MissingMusicIsReportedAndTheShowGoesOn)
{
    back_buffer_once();
    char dir[] = "/tmp/varno-nomusic-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testing::internal::CaptureStdout();
    Music music{};
    music_open(&music);
    music_start(&music);
    const std::string said = testing::internal::GetCapturedStdout();
    music_stop(&music);
    ASSERT_EQ(chdir(cwd), 0);
    rmdir(dir);
    EXPECT_EQ(said, "Error at loading music data/dorvang.ogg\n");
    // The show goes on: the next pass draws.
    quit_requested();
    Playback p = at(1000, back_buffer_once());
    EXPECT_EQ(playback_pass(&p), Pass::drawn);
}
