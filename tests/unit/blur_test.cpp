// The three-tap blur: worked examples, the top byte, equality with the plain
// two-pass loop, and the surfaces it refuses.
#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

#include "effects/blur.h"
#include "reference/blur_reference.h"
#include "tests/support.h"

static std::vector<uint32_t> snapshot(const Surface* s)
{
    std::vector<uint32_t> v;
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            v.push_back(pixel(s, x, y));
    return v;
}

TEST(Blur, SingleWhitePixelSpreadsRightAndDownAsGrey)
{
    Surface* s = make_surface(320, 240, 0);
    set_pixel(s, 10, 10, 0x00FFFFFF);
    blur_apply(s);
    const uint32_t grey[5][5] = {
        {28, 37, 12, 4, 1}, {37, 50, 16, 5, 1}, {12, 16, 5, 1, 0}, {4, 5, 1, 0, 0}, {1, 1, 0, 0, 0},
    };
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            const bool near = x >= 9 && x <= 13 && y >= 9 && y <= 13;
            const uint32_t g = near ? grey[y - 9][x - 9] : 0;
            ASSERT_EQ(pixel(s, x, y), g * 0x01010101u) << x << "," << y;
        }
    surface_free(s);
}

TEST(Blur, UniformWhiteDarkensAtTheBordersAndLosesALittleInside)
{
    Surface* s = make_surface(320, 240, 0x00FFFFFF);
    blur_apply(s);
    const struct {
        int x, y;
        uint32_t want;
    } cases[] = {
        {0, 120, 0xA9A9A9A9}, {160, 0, 0xA9A9A9A9}, {160, 239, 0xA9A9A9A9}, {319, 120, 0xA8A8A8A8},
        {0, 0, 0x71717171},   {0, 239, 0x71717171}, {319, 0, 0x70707070},   {319, 239, 0x70707070},
        {1, 120, 0xE1E1E1E1}, {2, 120, 0xF4F4F4F4}, {3, 120, 0xFAFAFAFA},   {4, 120, 0xFCFCFCFC},
        {5, 120, 0xFDFDFDFD},
    };
    for (const auto& c : cases)
        EXPECT_EQ(pixel(s, c.x, c.y), c.want) << c.x << "," << c.y;
    for (int y = 10; y <= 229; y++)
        for (int x = 10; x <= 309; x++)
            ASSERT_EQ(pixel(s, x, y), 0xFDFDFDFDu) << x << "," << y;
    surface_free(s);
}

TEST(Blur, TopByteFollowsTheNewChannelsNotTheInput)
{
    Surface* s = make_surface(320, 240, 0);
    set_pixel(s, 0, 0, 0x000000FF);
    blur_apply(s);
    EXPECT_EQ(pixel(s, 0, 0), 0x0900001Cu);
    EXPECT_EQ(pixel(s, 1, 0), 0x03000009u);
    EXPECT_EQ(pixel(s, 0, 1), 0x03000009u);
    EXPECT_EQ(pixel(s, 1, 1), 0x01000003u);

    // Two surfaces that differ only in their top bytes blur alike.
    Surface* a = make_surface(320, 240, 0);
    Surface* b = make_surface(320, 240, 0);
    fill_random(a, 7);
    fill_random(b, 8);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            set_pixel(b, x, y, (pixel(b, x, y) & 0xFF000000) | (pixel(a, x, y) & 0x00FFFFFF));
    blur_apply(a);
    blur_apply(b);
    EXPECT_EQ(snapshot(a), snapshot(b));
    surface_free(s);
    surface_free(a);
    surface_free(b);
}

// Random pictures, repeated blurs (so trails of trails), and a surface larger
// than the region whose wider pitch the blur must follow and whose pixels
// outside the region it must not touch.
TEST(Blur, MatchesThePlainTwoPassLoopOnEveryPixel)
{
    const struct {
        int w, h, rounds;
        unsigned seed;
    } cases[] = {{320, 240, 1, 1}, {320, 240, 5, 2}, {333, 251, 3, 3}, {640, 480, 1, 4}};
    for (const auto& c : cases) {
        Surface* fast = make_surface(c.w, c.h, 0);
        Surface* plain = make_surface(c.w, c.h, 0);
        fill_random(fast, c.seed);
        fill_random(plain, c.seed);
        for (int r = 0; r < c.rounds; r++) {
            blur_apply(fast);
            reference_blur(plain);
        }
        EXPECT_EQ(snapshot(fast), snapshot(plain)) << c.w << "x" << c.h << " seed " << c.seed;
        surface_free(fast);
        surface_free(plain);
    }
}

TEST(Blur, RefusesSurfacesItWouldReadPast)
{
    blur_apply(nullptr);
    Surface* narrow = make_surface(319, 240, 0xFFFFFFFF);
    Surface* low = make_surface(320, 239, 0xFFFFFFFF);
    for (Surface* s : {narrow, low}) {
        blur_apply(s);
        EXPECT_EQ(snapshot(s), std::vector<uint32_t>(size_t(s->w) * s->h, 0xFFFFFFFF))
            << s->w << "x" << s->h;
        surface_free(s);
    }
}
