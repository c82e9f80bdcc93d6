// The Windows display's arithmetic (platform/win/layout.h), held here natively:
// where the picture goes on any screen, how large the window is on a
// high-DPI one, and how the frames are paced.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "platform/pacing.h"
#include "platform/win/layout.h"

using win::Area;

static bool same(Area a, Area b)
{
    return a.x == b.x && a.y == b.y && a.w == b.w && a.h == b.h;
}

TEST(WinLayout, PictureFillsTheScreensHeightOrWidthCentred)
{
    struct Case {
        int w, h;
        Area want;
    };
    const Case cases[] = {
        {640, 480, {0, 0, 640, 480}},        // exactly 4:3
        {1280, 1024, {0, 32, 1280, 960}},    // 5:4: bars above and below
        {1920, 1080, {240, 0, 1440, 1080}},  // 16:9: bars left and right
        {3840, 2160, {480, 0, 2880, 2160}},  // 4K
        {1366, 768, {171, 0, 1024, 768}},    // odd bars: the extra pixel on the right
        {1280, 800, {106, 0, 1067, 800}},    // 1066.67 rounds to 1067
        {2560, 1080, {560, 0, 1440, 1080}},  // 21:9
        {1080, 1920, {0, 555, 1080, 810}},   // a monitor turned upright
        {1, 1, {0, 0, 1, 1}},
        {0, 768, {0, 0, 0, 0}},  // minimised: nothing to draw
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        const Area a = win::fit_picture(c.w, c.h);
        EXPECT_TRUE(same(a, c.want)) << a.x << "," << a.y << " " << a.w << "x" << a.h;
    }
}

// Over every screen size up to 4K: the picture is inside the screen, touches
// two opposite sides, is 4:3 to within half a pixel and centred to within one.
TEST(WinLayout, PictureIsAlwaysInsideAndFourByThree)
{
    for (int w = 1; w <= 3840; w += 7)
        for (int h = 1; h <= 2160; h += 11) {
            const Area a = win::fit_picture(w, h);
            ASSERT_GE(a.x, 0);
            ASSERT_GE(a.y, 0);
            ASSERT_LE(a.x + a.w, w);
            ASSERT_LE(a.y + a.h, h);
            ASSERT_TRUE(a.w == w || a.h == h);
            ASSERT_LE(std::abs(a.w * 3.0 - a.h * 4.0), 4 * 0.5 + 1e-9) << w << "x" << h;
            ASSERT_LE(std::abs((w - a.w) - 2 * a.x), 1);
            ASSERT_LE(std::abs((h - a.h) - 2 * a.y), 1);
        }
}

TEST(WinLayout, WindowGrowsByWholeStepsThatFit)
{
    // A 4K monitor's free area, and a frame of 16 x 39 pixels.
    const int aw = 3840, ah = 2100, fw = 16, fh = 39;
    EXPECT_EQ(win::window_scale(96, aw, ah, fw, fh), 1);   // 100%
    EXPECT_EQ(win::window_scale(120, aw, ah, fw, fh), 1);  // 125%
    EXPECT_EQ(win::window_scale(144, aw, ah, fw, fh), 2);  // 150%
    EXPECT_EQ(win::window_scale(168, aw, ah, fw, fh), 2);  // 175%
    EXPECT_EQ(win::window_scale(192, aw, ah, fw, fh), 2);  // 200%
    EXPECT_EQ(win::window_scale(240, aw, ah, fw, fh), 3);  // 250%
    EXPECT_EQ(win::window_scale(288, aw, ah, fw, fh), 3);  // 300%
    EXPECT_EQ(win::window_scale(384, aw, ah, fw, fh), 4);  // 400%: 1920 lines and the caption fit
    EXPECT_EQ(win::window_scale(480, aw, ah, fw, fh), 4);  // 500%: 2400 lines would not
    // A 1920x1080 laptop at 150%: 960 lines and a caption of 59 do not fit
    // the 1008 free lines above its taskbar, so the window stays 640x480.
    EXPECT_EQ(win::window_scale(144, 1920, 1008, 24, 59), 1);
    // Exactly fitting is fitting.
    EXPECT_EQ(win::window_scale(192, 1280 + 16, 960 + 39, 16, 39), 2);
    // Nothing smaller than 640x480, whatever the screen says.
    EXPECT_EQ(win::window_scale(0, 800, 600, 16, 39), 1);
    EXPECT_EQ(win::window_scale(96, 320, 200, 16, 39), 1);
}

TEST(WinLayout, RefreshPeriodFallsBackTo60Hz)
{
    EXPECT_DOUBLE_EQ(refresh_period_ms(60), 1000.0 / 60);
    EXPECT_DOUBLE_EQ(refresh_period_ms(144), 1000.0 / 144);
    EXPECT_DOUBLE_EQ(refresh_period_ms(0), 1000.0 / 60);  // wine on Xvfb
    EXPECT_DOUBLE_EQ(refresh_period_ms(1), 1000.0 / 60);  // "the hardware's default"
    EXPECT_DOUBLE_EQ(refresh_period_ms(5000), 1000.0 / 60);
}

// A browser's period from its animation frames' spacings: the display's
// period whatever frames a busy machine missed or a stop in between; 60 Hz
// until enough have come.
TEST(Pacing, PeriodMeasuredFromFrameSpacings)
{
    const double hz60 = 1000.0 / 60, hz144 = 1000.0 / 144;
    // Each case: a period, every how many frames one is missed (0: none), a
    // stop of that many ms among them (0: none), how many spacings, the result.
    const struct {
        double period;
        int missed_every;
        double stop;
        int count;
        double expected;
    } cases[] = {
        {hz60, 0, 0, 32, hz60},
        {hz144, 0, 0, 32, hz144},
        {1000.0 / 30, 0, 0, 32, 1000.0 / 30},  // a slow display is not a busy one
        {hz60, 2, 0, 32, hz60},                // every other frame missed
        {hz60, 3, 2000, 32, hz60},             // a hidden tab's stop too
        {hz144, 0, 0, 7, hz60},                // too few yet
        {hz144, 0, 0, 8, hz144},
    };
    for (const auto& c : cases) {
        double spacings[measured_frames];
        for (int i = 0; i < c.count; i++) {
            const bool missed = c.missed_every && i % c.missed_every == 0;
            // Jitter of up to a tenth of a millisecond either way.
            spacings[i] = c.period * (missed ? 2 : 1) + 0.1 * ((i * 7) % 5 - 2) / 2;
        }
        if (c.stop)
            spacings[c.count / 2] = c.stop;
        EXPECT_NEAR(measured_period_ms(spacings, c.count), c.expected, 0.1)
            << c.period << " ms, missed every " << c.missed_every << ", " << c.count << " spacings";
    }
}

// The pacing as the frame loop lives it: presents that return at once (wine's
// DwmFlush) are slept to one period apart, on a schedule that a sleep's usual
// overrun does not push back; a present that waited for the display is not
// slept after; a long stall starts a new schedule instead of a burst.
TEST(WinLayout, PacingKeepsAPeriodBetweenFrames)
{
    const double p = 1000.0 / 60;
    // A present that came back at once: sleep to a period after the last frame.
    EXPECT_DOUBLE_EQ(next_frame_at(100, 101, p), 100 + p);
    // One that waited about a period: go on at once.
    EXPECT_DOUBLE_EQ(next_frame_at(100, 100 + p, p), 100 + p);
    EXPECT_DOUBLE_EQ(next_frame_at(100, 100 + p * 0.6, p), 100 + p * 0.6);
    // After the sleep: counted from its due time when it overran by a little...
    EXPECT_DOUBLE_EQ(frame_let_go(100 + p, 100 + p + 0.9, p), 100 + p);
    // ...from the wake-up when it overran by half a period or more.
    EXPECT_DOUBLE_EQ(frame_let_go(100 + p, 100 + p + 20, p), 100 + p + 20);

    // A whole second of frames that draw in 3 ms, presents that never wait, and
    // sleeps that overrun by 0.7 ms: 60 frames, none closer than a period.
    double now = 0, last = 0;
    int frames = 0;
    double closest = 1e9, previous = -1e9;
    while (now < 1000) {
        now += 3;  // drawing and presenting
        const double next = next_frame_at(last, now, p);
        if (next > now)
            now = next + 0.7;
        last = frame_let_go(next, now, p);
        closest = std::min(closest, last - previous);
        previous = last;
        frames++;
    }
    EXPECT_EQ(frames, 60);
    EXPECT_GE(closest, p - 1e-9);
}
