// The ring image, the background and window arithmetic, and whole frames of
// the rings checked against a composition of the ring image's pixels.
#include <gtest/gtest.h>

#include <cstdlib>

#include "effects/rings.h"
#include "shell/image.h"
#include "shell/video.h"
#include "tests/support.h"

namespace {

void rings_built()
{
    video_once();
    if (!ring_image)
        build_ring_image();
    ASSERT_NE(ring_image, nullptr);
}

// True when every colour channel of a and b is within 2 of the other's.
bool near_colour(Uint32 a, Uint32 b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 2)
            return false;
    return true;
}

}  // namespace

TEST(RingImage, GreyAndAlphaAtKnownDistances)
{
    rings_built();
    EXPECT_EQ(ring_image->w, 640);
    EXPECT_EQ(ring_image->h, 480);
    EXPECT_EQ(ring_image->format->Rmask, scratch_rmask);
    EXPECT_EQ(ring_image->format->Amask, scratch_amask);
    EXPECT_TRUE(ring_image->flags & SDL_SRCALPHA);
    const struct {
        int column, row, grey;
        bool opaque;
    } cases[] = {
        {320, 240, 0, false},    // centre, d = 0
        {317, 240, 199, false},  // d = 3
        {320, 244, 237, true},   // d = 4, below the centre
        {323, 236, 254, true},   // d = 5 on the diagonal (3, 4)
        {312, 240, 172, false},  // d = 8
        {0, 240, 250, true},     // row 240's left end, d = 320
        {639, 240, 253, true},   // its right end, d = 319
        {0, 0, 148, false},      // corner, d = 400
        {639, 479, 4, false},    // far corner, d = 398
    };
    for (const auto& c : cases) {
        const Uint32 g = Uint32(c.grey);
        const Uint32 want = g * 0x010101 | (c.opaque ? 0xFF000000 : 0);
        EXPECT_EQ(pixel(ring_image, c.column, c.row), want) << c.column << "," << c.row;
    }
}

TEST(RingImage, OnlyCrestsAboveTwoHundredAreOpaque)
{
    rings_built();
    int crests = 0;
    for (int d = 0; d <= 40; d++) {
        const Uint32 p = pixel(ring_image, 320 - d, 240);
        const Uint32 g = p & 0xFF;
        EXPECT_EQ(p & 0xFFFFFF, g * 0x010101) << d;
        EXPECT_EQ(p >> 24, g > 200 ? 0xFFu : 0u) << d;
        crests += g > 200;
    }
    // Opaque at d = 4-7, 14-17, 24-28, 35-38.
    EXPECT_EQ(crests, 4 + 4 + 5 + 4);
}

TEST(Rings, BackgroundAndWindowsByTime)
{
    const struct {
        uint32_t t;
        Uint32 background;
        RingWindows windows;
    } cases[] = {
        {0, 0xFF808080, {240, 180, 240, 180}},
        {1000, 0xFF808080, {222, 50, 213, 5}},
        {3411, 0xFFEB80F4, {11, 47, 253, 189}},
        {50058, 0xFFFED401, {183, 132, 196, 116}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ring_background(c.t), c.background) << c.t;
        const RingWindows w = ring_windows(c.t);
        EXPECT_EQ(w.x1, c.windows.x1) << c.t;
        EXPECT_EQ(w.y1, c.windows.y1) << c.t;
        EXPECT_EQ(w.x2, c.windows.x2) << c.t;
        EXPECT_EQ(w.y2, c.windows.y2) << c.t;
    }
    EXPECT_EQ(ring_background(80000), 0xFF1300FFu);  // c2 = 0: sin 11 just above -1
    EXPECT_EQ(ring_background(1376), 0xFF808080u);   // no component has stepped yet
    EXPECT_EQ(ring_background(1377), 0xFF8080EBu);   // the low byte first: sin 1
}

TEST(Rings, WindowsStayInsideTheImageAllShowLong)
{
    for (uint32_t t = 0; t <= 101000; t++) {
        const RingWindows w = ring_windows(t);
        ASSERT_TRUE(w.x1 >= 0 && w.x1 <= 320 && w.x2 >= 0 && w.x2 <= 320) << t;
        ASSERT_TRUE(w.y1 >= 0 && w.y1 <= 240 && w.y2 >= 0 && w.y2 <= 240) << t;
    }
}

// Every pixel of a drawn frame is the second window's crest, else the first
// window's, else the raw background; into either layout the rings are drawn to.
TEST(Rings, FrameComposesBothWindowsOverTheBackground)
{
    rings_built();
    SDL_Surface* targets[] = {
        make_surface(320, 240, 0x12345678),
        create_scratch_layout_surface(0, 320, 240),
    };
    for (SDL_Surface* target : targets) {
        for (uint32_t t : {0u, 1000u, 3411u, 50058u, 61234u, 80000u}) {
            SDL_FillRect(target, nullptr, 0x00345678);
            draw_rings(t, target);
            const Uint32 background = ring_background(t);
            const RingWindows w = ring_windows(t);
            int wrong = 0, crests = 0;
            for (int y = 0; y < 240; y++)
                for (int x = 0; x < 320; x++) {
                    const Uint32 a = pixel(ring_image, w.x1 + x, w.y1 + y);
                    const Uint32 b = pixel(ring_image, w.x2 + x, w.y2 + y);
                    const Uint32 want = b >> 24 ? b : a >> 24 ? a : background;
                    const Uint32 got = pixel(target, x, y);
                    crests += want != background;
                    // The top byte stays opaque: the lift surface relies on it.
                    wrong += !near_colour(got, want) || got >> 24 != 0xFF;
                }
            EXPECT_EQ(wrong, 0) << "t = " << t << ", layout mask " << target->format->Rmask;
            EXPECT_GT(crests, 320 * 240 / 10) << t;
        }
        SDL_FreeSurface(target);
    }
}

TEST(Rings, WithoutTheRingImageOnlyTheBackgroundIsDrawn)
{
    rings_built();
    SDL_Surface* saved = ring_image;
    ring_image = nullptr;
    SDL_Surface* target = make_surface(320, 240, 0);
    draw_rings(3411, target);
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(pixel(target, x, y), 0xFFEB80F4u) << x << "," << y;
    draw_rings(3411, nullptr);
    ring_image = saved;
    SDL_FreeSurface(target);
}
