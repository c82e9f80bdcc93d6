// The picture generator's toolkit: its own trigonometry, masks, shading
// groups, the typeface's layout, and PNGs that come back the right way up.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "draw/picture.h"
#include "generators/pictures/glyphs.h"
#include "generators/pictures/paint.h"
#include "scenes/pictures.h"
#include "tests/support.h"

TEST(PaintNumbers, SineAndCosineMatchTheLibrary)
{
    const double angles[] = {0, 0.5, -0.5, 1.5707963, 3.14159, -3.14159, 4.0, 10.0, -25.3, 700.1};
    for (double a : angles) {
        EXPECT_NEAR(dsin(a), std::sin(a), 1e-9) << a;
        EXPECT_NEAR(dcos(a), std::cos(a), 1e-9) << a;
    }
}

TEST(PaintNumbers, RandomSourceIsRepeatableAndInRange)
{
    Rng a{42}, b{42};
    for (int i = 0; i < 1000; i++) {
        const int v = range(a, -3, 5);
        EXPECT_EQ(v, range(b, -3, 5));
        EXPECT_GE(v, -3);
        EXPECT_LE(v, 5);
        const double u = unit(a);
        unit(b);
        EXPECT_GE(u, 0.0);
        EXPECT_LT(u, 1.0);
    }
}

static int count(const Mask& m)
{
    int n = 0;
    for (uint8_t v : m.on)
        n += v;
    return n;
}

TEST(PaintMasks, ShapesCoverThePixelCentresInside)
{
    Mask m = make_mask(10, 10);
    const double square[] = {2, 3, 6, 3, 6, 8, 2, 8};
    mask_polygon(m, square, 4);
    EXPECT_EQ(count(m), 4 * 5);
    EXPECT_TRUE(mask_at(m, 2, 3));
    EXPECT_TRUE(mask_at(m, 5, 7));
    EXPECT_FALSE(mask_at(m, 6, 3));
    EXPECT_FALSE(mask_at(m, 2, 8));

    Mask e = make_mask(21, 21);
    mask_ellipse(e, 10.5, 10.5, 5, 5);
    EXPECT_NEAR(count(e), 3.14159 * 25, 6);
    const Mask grown = dilate(e), closed = erode(grown);
    EXPECT_GT(count(grown), count(e));
    // Growing then shrinking never loses a pixel of a convex shape.
    for (size_t i = 0; i < e.on.size(); i++)
        EXPECT_TRUE(!e.on[i] || closed.on[i]) << i;
}

TEST(PaintMasks, SmoothDoublingRoundsCornersAndJoinsDiagonals)
{
    Mask block = make_mask(3, 3);
    mask_rect(block, 0, 0, 3, 3);
    // A square doubles with each outer corner pixel rounded off.
    const Mask big = scale2x(block);
    EXPECT_EQ(count(big), 36 - 4);
    EXPECT_FALSE(mask_at(big, 0, 0));
    EXPECT_TRUE(mask_at(big, 1, 0));
    EXPECT_TRUE(mask_at(big, 2, 2));
    // Two pixels touching at a corner become a continuous diagonal stroke.
    Mask diagonal = make_mask(2, 2);
    mask_rect(diagonal, 0, 0, 1, 1);
    mask_rect(diagonal, 1, 1, 1, 1);
    const Mask d = scale2x(diagonal);
    EXPECT_EQ(count(d), 8 + 2);
    EXPECT_TRUE(mask_at(d, 2, 1));
    EXPECT_TRUE(mask_at(d, 1, 2));
}

TEST(PaintFigures, GroupIsOutlinedOnceAndFilledWithoutTheKey)
{
    Canvas c = make_canvas(40, 40, key);
    draw_group(c,
               {capsule_part(10, 10, 30, 30, 4, 3, 0xFF00FF), ellipse_part(30, 30, 5, 5, 0x3080F0)},
               0x102030);
    int outline = 0;
    for (int y = 0; y < 40; y++)
        for (int x = 0; x < 40; x++) {
            const Colour v = get(c, x, y);
            outline += v == 0x102030;
            // Every outline pixel borders the key outside the figure: one
            // outline around the group, none between its parts.
            if (v == 0x102030) {
                EXPECT_TRUE(get(c, x - 1, y) == key || get(c, x + 1, y) == key ||
                            get(c, x, y - 1) == key || get(c, x, y + 1) == key)
                    << x << "," << y;
            }
        }
    EXPECT_GT(outline, 40);
    // Inside, every part is drawn; one coloured like the key is nudged off it.
    EXPECT_NE(get(c, 15, 15), key);
    EXPECT_NE(get(c, 15, 15), 0x102030u);
    EXPECT_NE(get(c, 30, 30), key);
}

TEST(PaintCanvas, ShrinkAveragesTheAreaEachPixelCovers)
{
    // Pixels (v, 255 - v, 0): each channel must be averaged on its own, and a
    // pixel cut by an output pixel's edge counts by the share it gives.
    const struct {
        int w, h;
        std::vector<int> v;
        int to_w, to_h;
        std::vector<int> want;
    } cases[] = {
        {3, 1, {0, 90, 180}, 2, 1, {30, 150}},
        {4, 1, {10, 20, 30, 40}, 2, 1, {15, 35}},
        {2, 2, {0, 100, 200, 40}, 1, 1, {85}},
        {2, 1, {7, 200}, 2, 1, {7, 200}},
    };
    for (const auto& c : cases) {
        Canvas in = make_canvas(c.w, c.h, 0);
        for (int i = 0; i < c.w * c.h; i++)
            put(in, i % c.w, i / c.w, rgb(c.v[i], 255 - c.v[i], 0));
        const Canvas out = shrink(in, c.to_w, c.to_h);
        ASSERT_EQ(out.w, c.to_w);
        ASSERT_EQ(out.h, c.to_h);
        for (int i = 0; i < c.to_w * c.to_h; i++)
            EXPECT_EQ(out.px[i], rgb(c.want[i], 255 - c.want[i], 0)) << c.v[0] << " .. at " << i;
    }
}

TEST(Typeface, GlyphsAndLinesAreLaidOutFromTheirInk)
{
    const struct {
        int code, width;
    } widths[] = {{'A', 5}, {'M', 5}, {'i', 3}, {'l', 3}, {'@', 6}, {'.', 2}, {' ', 3}};
    for (const auto& w : widths)
        EXPECT_EQ(glyph_width(w.code), w.width) << char(w.code);
    for (int code : {0, 10, 31, 127, 200})
        EXPECT_EQ(count(glyph(code)), 0) << code;
    // Ink starts at the left edge of the grid.
    for (int code = 33; code < 127; code++) {
        const Mask g = glyph(code);
        bool left = false;
        for (int y = 0; y < g.h; y++)
            left |= mask_at(g, 0, y);
        EXPECT_TRUE(left) << char(code);
    }
    EXPECT_EQ(text_mask("AB", 1).w, 5 + 1 + 5);
    EXPECT_EQ(text_mask("A i", 2).w, 5 + 2 + 3 + 2 + 3);
}

TEST(PaintFiles, PngsComeBackTopRowFirst)
{
    Canvas c = make_canvas(3, 2, 0x000000);
    put(c, 0, 0, 0xFF0000);
    put(c, 2, 1, 0x0000FF);
    const std::string path = "paint_test_" + std::to_string(getpid()) + ".png";
    ASSERT_TRUE(save_png(c, path.c_str()));
    Surface* s = picture_load(path.c_str());
    unlink(path.c_str());
    ASSERT_NE(s, nullptr);
    // Loaded pictures are 0x00RRGGBB.
    EXPECT_EQ(pixel(s, 0, 0) >> 16 & 0xFF, 255u);
    EXPECT_EQ(pixel(s, 0, 0) & 0xFF, 0u);
    EXPECT_EQ(pixel(s, 2, 1) >> 16 & 0xFF, 0u);
    EXPECT_EQ(pixel(s, 2, 1) & 0xFF, 255u);
    surface_free(s);
}
