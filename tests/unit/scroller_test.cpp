// The scroller: the band's height over the show, its bevel and darkening, and
// the scroll text and where it is.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/maths.h"
#include "draw/blit.h"
#include "reference/overlay_reference.h"
#include "scenes/scroller.h"
#include "tests/support.h"

constexpr uint32_t blank = 0x00111111;

TEST(BandHeight, OverTheWholeShow)
{
    const struct {
        uint32_t t;
        int want;
    } cases[] = {
        {0, 0},      {15596, 0},  {15637, 0},  {15638, 1},  {15679, 1},      {15680, 2},
        {16595, 23}, {16596, 24}, {50000, 24}, {97199, 24}, {97200, 24},     {97201, 23},
        {98158, 1},  {98159, 0},  {98200, 0},  {100999, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(band_height(c.t), c.want) << c.t;
}

TEST(ScrollText, Position)
{
    EXPECT_FLOAT_EQ(scroll_text_x(16596), 375.0f);
    EXPECT_FLOAT_EQ(scroll_text_x(16604), 374.0f);
    EXPECT_EQ(round_position(scroll_text_x(17041)), 319);
    EXPECT_EQ(round_position(scroll_text_x(17040)), 320);
    EXPECT_FLOAT_EQ(scroll_text_x(100999), -10175.375f);
}

TEST(ScrollText, IsOneLineOf960PrintableCharacters)
{
    EXPECT_EQ(strlen(scroll_text), 960u);
    for (size_t i = 0; scroll_text[i]; i++)
        EXPECT_TRUE(scroll_text[i] >= 32 && scroll_text[i] <= 126)
            << "code " << int(scroll_text[i]) << " at " << i;
}

TEST(ScrollerBand, BevelRisesFromTheBottomEdge)
{
    const struct {
        int height;
        int first_row;
        std::vector<int> greys;  // from first_row down to 239
    } cases[] = {
        {1, 239, {127}},
        {3, 237, {127, 220, 255}},
        {6, 234, {127, 220, 255, 220, 127, 0}},
        {24, 216, {127, 220, 255, 220, 127, 0}},
        {300, 0, {127, 220, 255, 220, 127, 0}},  // more lines than the target holds
    };
    Surface* target = make_surface(back_width, back_height, blank);
    for (const auto& c : cases) {
        surface_fill(blank, target);
        scroller_draw_band(c.height, 0.7f, target);
        for (size_t r = 0; r < c.greys.size(); r++)
            for (int x : {0, 160, 319})
                EXPECT_EQ(pixel(target, x, c.first_row + int(r)),
                          0xFF000000 | uint32_t(c.greys[r]) * 0x010101)
                    << "height " << c.height << " row " << c.first_row + r;
        if (c.first_row > 0) {
            EXPECT_EQ(pixel(target, 5, c.first_row - 1), blank) << c.height;
        }
    }
    for (int h : {0, -5}) {
        surface_fill(blank, target);
        scroller_draw_band(h, 0.7f, target);
        EXPECT_EQ(pixel(target, 5, 239), blank) << h;
    }
    scroller_draw_band(24, 0.7f, nullptr);  // no target: nothing to draw on
    surface_free(target);
}

TEST(ScrollerBand, DarkensEveryColourByteAndSetsTheTopByte)
{
    const struct {
        float k;
        uint32_t in, out;
    } cases[] = {
        {0.7f, 0x00FFC880, 0xFF4C3C26},  // 255, 200, 128 -> 76, 60, 38
        {0.7f, 0x00640A03, 0xFF1E0300},  // 100, 10, 3 -> 30, 3, 0
        {0.7f, 0x7F000000, 0xFF000000},  {1.5f, 0x00FFFFFF, 0xFF000000},  // k clamps to 1
        {-0.5f, 0x00123456, 0xFF123456},                                  // and to 0
    };
    Surface* target = make_surface(back_width, back_height, 0);
    for (const auto& c : cases) {
        surface_fill(c.in, target);
        scroller_draw_band(24, c.k, target);
        EXPECT_EQ(pixel(target, 100, 222), c.out) << std::hex << c.in << " k " << c.k;
        EXPECT_EQ(pixel(target, 100, 239), c.out) << std::hex << c.in << " k " << c.k;
        EXPECT_EQ(pixel(target, 100, 215), c.in);
    }
    surface_free(target);
}

// Over random pixels, on the back buffer's size and on others, the band
// writes what darkening each byte on its own writes, and nothing above it;
// it lies along the bottom of whatever target it is given.
TEST(ScrollerBand, MatchesTheByteByByteBandOnEveryTarget)
{
    const struct {
        int w, h, height;
        float k;
    } cases[] = {
        {back_width, back_height, 24, 0.7f},
        {back_width, back_height, 17, 0.3f},
        {back_width, back_height, 240, 0.7f},
        {37, 9, 9, 0.7f},
        {37, 9, 24, 0.5f},
        {500, 300, 24, 0.7f},
        {1, 1, 1, 0.7f},
        {64, 64, 7, 1.0f},
    };
    for (const auto& c : cases) {
        Surface* got = make_surface(c.w, c.h, 0);
        Surface* want = make_surface(c.w, c.h, 0);
        fill_random(got, unsigned(c.w * c.h + c.height));
        fill_random(want, unsigned(c.w * c.h + c.height));
        scroller_draw_band(c.height, c.k, got);
        reference_scroller_band(c.height < c.h ? c.height : c.h, c.k, want);
        EXPECT_EQ(differing_pixels(got, want, c.w, c.h), 0)
            << c.w << "x" << c.h << " band " << c.height << " k " << c.k;
        surface_free(want);
        surface_free(got);
    }
}
