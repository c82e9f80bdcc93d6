// Fades from and to black, white flashes, the gentle switch and the fade-table
// runner.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "draw/blit.h"
#include "overlays/fade.h"
#include "scenes/title_scene.h"
#include "tests/support.h"

static const uint32_t white = 0x00FFFFFF;

// The red channel of a pixel in the xrgb layout.
static int red_of(const Surface* s, int x, int y)
{
    return pixel(s, x, y) >> 16 & 0xFF;
}

// The overlays as the show makes them, its flashes not gentle.
static const Fades* fades_once()
{
    static Fades fades;
    if (!fades.fade_overlay)
        fade_make(&fades, false);
    return &fades;
}

TEST(FadeAlpha, FollowsTheSmoothstepAtTheListedFractions)
{
    // Offsets in 500ths of the duration, and the fade-in and fade-out alphas there.
    const struct {
        uint32_t at;
        int in, out;
    } cases[] = {
        {0, 255, 0},    {1, 254, 0},   {125, 215, 39}, {250, 127, 127},
        {375, 39, 215}, {499, 0, 254}, {500, 0, 255},
    };
    for (uint32_t duration : {500u, 1000u})
        for (const auto& c : cases) {
            const uint32_t start = 4500, t = start + c.at * duration / 500;
            EXPECT_EQ(fade_alpha(t, start, duration, true), c.in) << duration << " +" << c.at;
            EXPECT_EQ(fade_alpha(t, start, duration, false), c.out) << duration << " +" << c.at;
        }
}

TEST(FlashAlpha, RisesFromTheFlashTimeToFullWhite)
{
    const struct {
        uint32_t after;
        int alpha;
    } cases[] = {
        {0, 0},    {5, 5},    {10, 22},  {20, 81},  {25, 120},
        {30, 160}, {40, 227}, {45, 248}, {49, 254}, {50, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(flash_alpha(1000 + c.after, 1000, false), c.alpha) << c.after;
    for (uint32_t before : {1u, 25u, 50u})
        EXPECT_EQ(flash_alpha(1000 - before, 1000, false), 0) << before;
}

// Gentle flashes peak at gentle_flash_peak, every alpha scaled down with it;
// flashes that are not gentle stay whole. A gentle show's white flash is drawn
// at that peak.
TEST(FlashAlpha, GentleFlashesScaleEveryFlashDownToItsPeak)
{
    const struct {
        int alpha, gentle;
    } cases[] = {
        {0, 0}, {7, 0}, {8, 1}, {120, 15}, {128, 16}, {254, 31}, {255, gentle_flash_peak},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(flash_strength(c.alpha, true), c.gentle) << c.alpha;
        EXPECT_EQ(flash_strength(c.alpha, false), c.alpha) << c.alpha;
    }
    EXPECT_EQ(flash_alpha(1050, 1000, true), gentle_flash_peak);
    EXPECT_EQ(flash_alpha(1025, 1000, true), 120 * gentle_flash_peak / 255);
    EXPECT_EQ(flash_alpha(1050, 1000, false), 255);

    Fades gentle;
    fade_make(&gentle, true);
    Surface* target = make_surface(320, 240, 0);
    flash_draw(1050, &gentle, 1000, target);
    EXPECT_NEAR(red_of(target, 7, 7), gentle_flash_peak, 1);
    surface_fill(0, target);
    flash_draw(1050, fades_once(), 1000, target);
    EXPECT_EQ(red_of(target, 7, 7), 255);
    surface_free(target);
    fade_free(&gentle);
}

TEST(Fades, DrawOnlyInsideTheirWindowBothEndsIncluded)
{
    const Fades* fades = fades_once();
    Surface* target = make_surface(320, 240, white);
    const struct {
        bool fade_in;
        uint32_t t;
        int want;  // red of the formerly white pixel
    } cases[] = {
        {true, 999, 255},  {true, 1000, 0},    {true, 1500, 255}, {true, 1501, 255},
        {false, 999, 255}, {false, 1000, 255}, {false, 1500, 0},  {false, 1501, 255},
    };
    for (const auto& c : cases) {
        surface_fill(white, target);
        (c.fade_in ? fade_in : fade_out)(c.t, fades, 1000, 500, target);
        EXPECT_EQ(red_of(target, 0, 0), c.want) << c.fade_in << " at " << c.t;
        EXPECT_EQ(red_of(target, 319, 239), c.want) << c.fade_in << " at " << c.t;
    }
    surface_free(target);
}

TEST(FadeTable, RunsEveryEventWhoseWindowHoldsTheTime)
{
    const Fades* fades = fades_once();
    Surface* target = make_surface(320, 240, white);
    Surface* expect = make_surface(320, 240, white);

    // Two half-way events draw one after the other, darker than either alone.
    const FadeEvent both[] = {{1000, 500, 1}, {1000, 500, -1}, {0, 0, 0}};
    fade_run_table(1250, fades, both, target);
    fade_in(1250, fades, 1000, 500, expect);
    const int one = red_of(expect, 5, 5);
    fade_out(1250, fades, 1000, 500, expect);
    EXPECT_EQ(pixel(target, 5, 5), pixel(expect, 5, 5));
    EXPECT_LT(red_of(target, 5, 5), one);

    // Nothing after the end event is read.
    const FadeEvent ended[] = {{0, 0, 0}, {1000, 500, 1}};
    surface_fill(white, target);
    fade_run_table(1000, fades, ended, target);
    EXPECT_EQ(red_of(target, 5, 5), 255);

    // The title starts black although its first event starts at 0, and is
    // black again at 5000 where one fade ends and the next begins.
    for (uint32_t t : {0u, 5000u, dance_start}) {
        surface_fill(white, target);
        fade_run_table(t, fades, title_fades, target);
        EXPECT_EQ(red_of(target, 100, 100), 0) << t;
    }
    surface_fill(white, target);
    fade_run_table(2300, fades, title_fades, target);
    EXPECT_EQ(red_of(target, 100, 100), 255);
    surface_free(expect);
    surface_free(target);
}

// A flash is drawn from 50 ms before its time to 50 ms after, but its first
// half is fully transparent: the target changes only from the flash time on,
// and at its peak it is opaque white.
TEST(WhiteFlash, ShowsFromTheFlashTimeToFiftyAfter)
{
    const Fades* fades = fades_once();
    Surface* target = make_surface(320, 240, 0);
    Surface* before = make_surface(320, 240, 0);
    const struct {
        uint32_t t;
        bool changes;  // a random target does not stay as it was
        int red;       // of a formerly black target
    } cases[] = {
        {949, false, 0}, {950, false, 0},   {999, false, 0},   {1000, false, 0},
        {1005, true, 4}, {1025, true, 120}, {1050, true, 255}, {1051, false, 0},
    };
    for (const auto& c : cases) {
        surface_fill(0, target);
        flash_draw(c.t, fades, 1000, target);
        EXPECT_NEAR(red_of(target, 7, 7), c.red, 1) << c.t;
        fill_random(target, c.t);
        surface_copy(target, before);
        flash_draw(c.t, fades, 1000, target);
        EXPECT_EQ(differing_pixels(target, before, 320, 240) > 0, c.changes) << c.t;
    }
    fill_random(target, 1);
    flash_draw(1050, fades, 1000, target);
    EXPECT_EQ(pixel(target, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(pixel(target, 319, 239), 0xFFFFFFFFu);
    surface_free(before);
    surface_free(target);
}

// The fades must write exactly what filling a back-buffer-sized overlay in the
// scratch layout and letting SDL blit it writes, whichever way they get there:
// on the back buffer's layout, on a wider target, on a target in another
// layout and on a clipped target.
TEST(Fades, WriteTheWordsOfSDLsOverlayBlit)
{
    const Fades* fades = fades_once();
    // One fade-in time for every alpha 0 .. 255.
    uint32_t time_of[256];
    std::fill(std::begin(time_of), std::end(time_of), UINT32_MAX);
    for (uint32_t t = 0; t <= 4000; t++)
        time_of[fade_alpha(t, 0, 4000, true)] = t;
    for (uint32_t t : time_of)
        ASSERT_NE(t, UINT32_MAX);

    const PixelLayout swapped = {xrgb_layout.b, xrgb_layout.g, xrgb_layout.r, 0};
    Surface* targets[] = {
        make_surface(320, 240, 0),
        make_surface(333, 251, 0),
        make_surface(320, 240, 0, swapped),
        make_surface(320, 240, 0),
    };
    targets[3]->clip = Rect{10, 20, 200, 100};
    Surface* overlay = surface_make_scratch(back_width, back_height);
    ASSERT_NE(overlay, nullptr);
    SDL_Surface* overlay_view = sdl_view(overlay);
    for (size_t i = 0; i < std::size(targets); i++) {
        Surface* got = targets[i];
        Surface* want = make_surface(got->w, got->h, 0, got->layout);
        want->clip = got->clip;
        SDL_Surface* want_view = sdl_view(want);
        const int step = i == 0 ? 1 : 17;  // every alpha on the back buffer's layout
        for (int alpha = 0; alpha < 256; alpha += step) {
            fill_random(got, unsigned(alpha) * 7919u + unsigned(i));
            fill_random(want, unsigned(alpha) * 7919u + unsigned(i));
            fade_in(time_of[alpha], fades, 0, 4000, got);
            surface_fill(uint32_t(alpha) << 24, overlay);
            SDL_Rect at = {0, 0, 0, 0};
            SDL_UpperBlit(overlay_view, nullptr, want_view, &at);
            EXPECT_EQ(differing_pixels(got, want, got->w, got->h), 0)
                << "target " << i << ", black at alpha " << alpha;
        }
        // White, at every alpha a flash goes through.
        for (uint32_t t = 1000; t <= 1050; t++) {
            fill_random(got, t + unsigned(i));
            fill_random(want, t + unsigned(i));
            flash_draw(t, fades, 1000, got);
            surface_fill(uint32_t(flash_alpha(t, 1000, false)) << 24 | white, overlay);
            SDL_Rect at = {0, 0, 0, 0};
            SDL_UpperBlit(overlay_view, nullptr, want_view, &at);
            EXPECT_EQ(differing_pixels(got, want, got->w, got->h), 0)
                << "target " << i << ", white at " << t;
        }
        SDL_FreeSurface(want_view);
        surface_free(want);
        surface_free(got);
    }
    SDL_FreeSurface(overlay_view);
    surface_free(overlay);
}
