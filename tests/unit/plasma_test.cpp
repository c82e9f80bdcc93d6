// The cycling palette, its rotation and the plasma against the direct formula.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <vector>

#include "effects/plasma.h"
#include "reference/plasma_reference.h"
#include "tests/support.h"

TEST(Palette, TellingRows)
{
    Palette palette;
    palette_make(&palette);
    const struct {
        int i;
        uint32_t entry;
    } rows[] = {
        {0, 0xFF7BFE7F},   {64, 0xFF007EFE},  {127, 0xFF7E0082},
        {128, 0xFF82007E}, {192, 0xFFFD7F00}, {255, 0xFF7FFD7B},
    };
    for (const auto& r : rows)
        EXPECT_EQ(palette.colours[r.i], r.entry) << r.i;
}

TEST(Palette, RotationFollowsTheInterval)
{
    const struct {
        uint32_t from, to;
        int k;  // the new entry 0 is the old entry k
    } cases[] = {
        {1000, 1001, 0},  {1000, 1002, 1},  {1000, 1010, 5},  {1000, 1016, 9},
        {1000, 1017, 10}, {1000, 1020, 11}, {1000, 1033, 19}, {1000, 1050, 29},
        {1000, 1100, 59}, {0, 14596, 25},  // 537 turns by 537 mod 256
        {1000, 5000, 58},                  // sin(4 s) < 0: k = -454, the other way round
    };
    for (const auto& c : cases) {
        Palette palette;
        for (int i = 0; i < 256; i++)
            palette.colours[i] = uint32_t(i);
        palette.last_rotation = c.from;
        palette_rotate(c.to, &palette);
        EXPECT_EQ(palette.last_rotation, c.to);  // recorded even when k = 0
        for (int j = 0; j < 256; j++)
            ASSERT_EQ(palette.colours[j], uint32_t((j + c.k) & 0xFF)) << c.to - c.from << " " << j;
    }
}

TEST(Plasma, WavesAtTheStartAndTheCentresRange)
{
    const PlasmaWaves w = plasma_waves(0);
    EXPECT_EQ(w.cx, 210);
    EXPECT_EQ(w.cy, 120);
    EXPECT_EQ(w.kx, float(1.0 / double(17.3f)));
    EXPECT_EQ(w.ky, 0.0f);
    for (uint32_t t = 0; t <= 101000; t += 7) {
        const PlasmaWaves c = plasma_waves(t);
        ASSERT_TRUE(c.cx >= 110 && c.cx <= 210 && c.cy >= 70 && c.cy <= 170) << t;
    }
}

// Every pixel compared with the direct formula: at least 99.99% equal, none more
// than one palette index away, none left unwritten.
static void expect_matches_reference(uint32_t t, const Palette* palette, Surface* fast,
                                     Surface* direct)
{
    std::map<uint32_t, int> index_of;
    for (int i = 0; i < 256; i++)
        index_of[palette->colours[i]] = i;
    ASSERT_EQ(index_of.size(), 256u) << "palette entries must tell indices apart";
    PlasmaRows* rows = plasma_make_rows();
    ASSERT_NE(rows, nullptr);
    plasma_draw(t, palette, rows, fast);
    plasma_free_rows(rows);
    plasma_draw_reference(t, palette, direct);
    int differing = 0;
    for (int y = 0; y < fast->h; y++)
        for (int x = 0; x < fast->w; x++) {
            const auto f = index_of.find(pixel(fast, x, y));
            ASSERT_NE(f, index_of.end()) << "unwritten at " << x << "," << y << " t " << t;
            const int want = index_of.at(pixel(direct, x, y));
            ASSERT_LE(std::abs(f->second - want), 1) << x << "," << y << " t " << t;
            differing += f->second != want;
        }
    EXPECT_LE(differing * 10000.0, double(fast->w) * fast->h) << "t " << t;
}

TEST(Plasma, MatchesTheDirectFormula)
{
    Palette palette;
    palette_make(&palette);
    // Over the show on the back buffer's size, then odd sizes at one time: a
    // tall strip, one wider than the mirrored table reaches, padded rows.
    const struct {
        uint32_t t;
        int w, h, pitch;
    } cases[] = {
        {0, 320, 240, 320},           {14596, 320, 240, 320}, {19000, 320, 240, 320},
        {25175, 320, 240, 320},       {81001, 320, 240, 320}, {100999, 320, 240, 320},
        {4000000000u, 320, 240, 320}, {20000, 1, 1, 1},       {20000, 7, 400, 7},
        {20000, 700, 520, 700},       {20000, 33, 17, 40},
    };
    for (const auto& c : cases) {
        std::vector<uint32_t> fast_pixels(size_t(c.pitch) * c.h), direct_pixels(fast_pixels);
        Surface* fast = surface_wrap(fast_pixels.data(), c.w, c.h, c.pitch, xrgb_layout);
        Surface* direct = surface_wrap(direct_pixels.data(), c.w, c.h, c.pitch, xrgb_layout);
        expect_matches_reference(c.t, &palette, fast, direct);
        for (int y = 0; y < c.h; y++)  // the padding past each row stays untouched
            for (int x = c.w; x < c.pitch; x++)
                ASSERT_EQ(fast_pixels[y * c.pitch + x], 0u) << c.w << "x" << c.h;
        surface_free(direct);
        surface_free(fast);
    }
}

TEST(Plasma, EdgeIndexAndUnusableTargets)
{
    // At t = 2251 both waves round to exactly -1 at (113, 93): index -1.
    Palette palette;
    palette_make(&palette);
    PlasmaRows* rows = plasma_make_rows();
    ASSERT_NE(rows, nullptr);
    Surface* target = make_surface(320, 240, 0);
    plasma_draw(2251, &palette, rows, target);
    EXPECT_EQ(pixel(target, 113, 93), palette.colours[0]);
    surface_free(target);

    // Without its rows the plasma draws nothing.
    Surface* left = make_surface(320, 240, 7);
    Surface* sevens = make_surface(320, 240, 7);
    plasma_draw(2251, &palette, nullptr, left);
    EXPECT_EQ(differing_pixels(left, sevens, 320, 240), 0);
    surface_free(sevens);
    surface_free(left);

    plasma_draw(20000, &palette, rows, nullptr);
    // A row longer than any surface may be would run past the row tables.
    const int too_wide = max_surface_side + 1;
    std::vector<uint32_t> wide_pixels(too_wide, 7);
    Surface* wide = surface_wrap(wide_pixels.data(), too_wide, 1, too_wide, xrgb_layout);
    ASSERT_NE(wide, nullptr);
    plasma_draw(20000, &palette, rows, wide);
    EXPECT_EQ(wide_pixels, std::vector<uint32_t>(too_wide, 7));
    surface_free(wide);
    plasma_free_rows(rows);
}
