// The cycling palette, its rotation and the plasma against the direct formula.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "effects/plasma.h"
#include "tests/support.h"
#include "tools/plasma_reference.h"

TEST(Palette, TellingRows)
{
    build_palette();
    const struct {
        int i;
        uint32_t entry;
    } rows[] = {
        {0, 0xFF7BFE7F},   {64, 0xFF007EFE},  {127, 0xFF7E0082},
        {128, 0xFF82007E}, {192, 0xFFFD7F00}, {255, 0xFF7FFD7B},
    };
    for (const auto& r : rows)
        EXPECT_EQ(plasma_palette[r.i], r.entry) << r.i;
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
        for (int i = 0; i < 256; i++)
            plasma_palette[i] = uint32_t(i);
        last_rotation = c.from;
        rotate_palette(c.to);
        EXPECT_EQ(last_rotation, c.to);  // recorded even when k = 0
        for (int j = 0; j < 256; j++)
            ASSERT_EQ(plasma_palette[j], uint32_t((j + c.k) & 0xFF)) << c.to - c.from << " " << j;
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
static void expect_matches_reference(uint32_t t, SDL_Surface* fast, SDL_Surface* direct)
{
    std::map<Uint32, int> index_of;
    for (int i = 0; i < 256; i++)
        index_of[plasma_palette[i]] = i;
    ASSERT_EQ(index_of.size(), 256u) << "palette entries must tell indices apart";
    draw_plasma(t, fast);
    draw_plasma_reference(t, direct);
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

TEST(Plasma, MatchesTheDirectFormulaOverTheShow)
{
    build_palette();
    SDL_Surface* fast = make_surface(320, 240, 0);
    SDL_Surface* direct = make_surface(320, 240, 0);
    for (uint32_t t : {0u, 2251u, 14596u, 16250u, 19000u, 22000u, 25175u, 28911u, 81001u, 93000u,
                       100999u, 4000000000u}) {
        expect_matches_reference(t, fast, direct);
        SDL_FillRect(fast, nullptr, 0);
    }
    SDL_FreeSurface(direct);
    SDL_FreeSurface(fast);
}

TEST(Plasma, MatchesOnOddSizesAndPaddedRows)
{
    build_palette();
    const struct {
        int w, h, pitch_pixels;
    } sizes[] = {
        {1, 1, 1}, {7, 400, 7}, {700, 520, 700}, {33, 17, 40}, {320, 240, 333},
    };
    for (const auto& s : sizes) {
        Uint32* fast_pixels = static_cast<Uint32*>(calloc(size_t(s.pitch_pixels) * s.h, 4));
        Uint32* direct_pixels = static_cast<Uint32*>(calloc(size_t(s.pitch_pixels) * s.h, 4));
        SDL_Surface* fast = SDL_CreateRGBSurfaceFrom(fast_pixels, s.w, s.h, 32, s.pitch_pixels * 4,
                                                     0xFF0000, 0xFF00, 0xFF, 0);
        SDL_Surface* direct = SDL_CreateRGBSurfaceFrom(
            direct_pixels, s.w, s.h, 32, s.pitch_pixels * 4, 0xFF0000, 0xFF00, 0xFF, 0);
        expect_matches_reference(20000, fast, direct);
        // The padding past each row's end stays untouched.
        for (int y = 0; y < s.h; y++)
            for (int x = s.w; x < s.pitch_pixels; x++)
                ASSERT_EQ(fast_pixels[y * s.pitch_pixels + x], 0u) << s.w << "x" << s.h;
        SDL_FreeSurface(direct);
        SDL_FreeSurface(fast);
        free(direct_pixels);
        free(fast_pixels);
    }
}

TEST(Plasma, BothWavesAtMinusOneShowEntryZero)
{
    // At t = 2251 both waves round to exactly -1 at (113, 93): index -1.
    build_palette();
    SDL_Surface* target = make_surface(320, 240, 0);
    draw_plasma(2251, target);
    EXPECT_EQ(pixel(target, 113, 93), plasma_palette[0]);
    SDL_FreeSurface(target);
}

TEST(Plasma, LeavesNullAndNon32BitTargetsAlone)
{
    draw_plasma(20000, nullptr);
    SDL_Surface* eight = SDL_CreateRGBSurface(SDL_SWSURFACE, 16, 16, 8, 0, 0, 0, 0);
    SDL_FillRect(eight, nullptr, 7);
    draw_plasma(20000, eight);
    EXPECT_EQ(static_cast<const Uint8*>(eight->pixels)[0], 7);
    SDL_FreeSurface(eight);
}
