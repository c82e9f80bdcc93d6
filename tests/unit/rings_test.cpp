// The ring image, the background and window arithmetic, and whole frames
// checked against a composition of the ring image's own pixels.
#include <gtest/gtest.h>

#include <cstdlib>

#include "draw/blit.h"
#include "effects/rings.h"
#include "tests/support.h"

// The ring image, made once per process.
static const Surface* ring_image()
{
    static const Surface* image = rings_make_image();
    return image;
}

TEST(Rings, ImageGreyAndAlphaAtKnownDistances)
{
    const Surface* image = ring_image();
    ASSERT_NE(image, nullptr);
    ASSERT_EQ(image->w, 640);
    ASSERT_EQ(image->h, 480);
    EXPECT_TRUE(image->blended);
    EXPECT_EQ(image->layout, scratch_layout);
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
        const uint32_t want = uint32_t(c.grey) * 0x010101 | (c.opaque ? 0xFF000000 : 0);
        EXPECT_EQ(pixel(image, c.column, c.row), want) << c.column << "," << c.row;
    }
}

TEST(Rings, BackgroundAndWindowsByTime)
{
    const struct {
        uint32_t t;
        uint32_t background;
        RingWindows at;
    } cases[] = {
        {0, 0xFF808080, {240, 180, 240, 180}},
        {1000, 0xFF808080, {222, 50, 213, 5}},
        {3411, 0xFFEB80F4, {11, 47, 253, 189}},
        {50058, 0xFFFED401, {183, 132, 196, 116}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ring_background(c.t), c.background) << c.t;
        const RingWindows w = ring_windows(c.t);
        EXPECT_TRUE(w.x1 == c.at.x1 && w.y1 == c.at.y1 && w.x2 == c.at.x2 && w.y2 == c.at.y2)
            << c.t << ": " << w.x1 << "," << w.y1 << " " << w.x2 << "," << w.y2;
    }
    EXPECT_EQ(ring_background(80000), 0xFF1300FFu);  // c2 = 0: sin 11 just above -1
    // Both windows stay inside the ring image all show long.
    for (uint32_t t = 0; t <= 101000; t++) {
        const RingWindows w = ring_windows(t);
        ASSERT_TRUE(w.x1 >= 0 && w.x1 <= 320 && w.x2 >= 0 && w.x2 <= 320) << t;
        ASSERT_TRUE(w.y1 >= 0 && w.y1 <= 240 && w.y2 >= 0 && w.y2 <= 240) << t;
    }
}

// Each pixel is the second window's crest, else the first's, else the raw
// background (colour within 2 per channel, top byte opaque, which the lift
// surface relies on), into the back buffer's format and the scratch layout.
TEST(Rings, FrameComposesBothWindowsOverTheBackground)
{
    const Surface* image = ring_image();
    ASSERT_NE(image, nullptr);
    Surface* targets[] = {make_surface(320, 240, 0), surface_make_scratch(320, 240)};
    for (Surface* target : targets) {
        for (uint32_t t : {0u, 1000u, 3411u, 50058u, 61234u, 80000u}) {
            surface_fill(0x00345678, target);
            rings_draw(t, image, target);
            const uint32_t background = ring_background(t);
            const RingWindows w = ring_windows(t);
            int wrong = 0, crests = 0;
            for (int y = 0; y < 240; y++)
                for (int x = 0; x < 320; x++) {
                    const uint32_t a = pixel(image, w.x1 + x, w.y1 + y);
                    const uint32_t b = pixel(image, w.x2 + x, w.y2 + y);
                    const uint32_t want = b >> 24 ? b : a >> 24 ? a : background;
                    const uint32_t got = pixel(target, x, y);
                    for (int shift = 0; shift < 24; shift += 8)
                        wrong += std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) > 2;
                    wrong += got >> 24 != 0xFF;
                    crests += want != background;
                }
            EXPECT_EQ(wrong, 0) << "t = " << t << ", red mask " << target->layout.r;
            EXPECT_GT(crests, 320 * 240 / 10) << t;
        }
        surface_free(target);
    }
}

TEST(Rings, WithoutTheRingImageOnlyTheBackgroundIsDrawn)
{
    Surface* target = make_surface(320, 240, 0);
    rings_draw(3411, nullptr, target);
    rings_draw(3411, ring_image(), nullptr);
    for (int y = 0; y < 240; y += 7)
        for (int x = 0; x < 320; x += 5)
            ASSERT_EQ(pixel(target, x, y), 0xFFEB80F4u) << x << "," << y;
    surface_free(target);
}
