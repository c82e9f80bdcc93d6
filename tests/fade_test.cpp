// Fades from and to black, white flashes and the fade-table runner.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <iterator>

#include "overlays/fade.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/title_scene.h"
#include "tests/support.h"

static const Uint32 white = 0x00FFFFFF;

// The brightness of a pixel in the back buffer's format, as SDL reads it.
static int red_of(const SDL_Surface* s, int x, int y)
{
    Uint8 r, g, b;
    SDL_GetRGB(pixel(s, x, y), s->format, &r, &g, &b);
    return r;
}

static void scratch_once()
{
    video_once();
    if (!fade_surface)
        fade_load();
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
        EXPECT_EQ(flash_alpha(1000 + c.after, 1000), c.alpha) << c.after;
    for (uint32_t before : {1u, 25u, 50u})
        EXPECT_EQ(flash_alpha(1000 - before, 1000), 0) << before;
}

TEST(Fades, DrawOnlyInsideTheirWindowBothEndsIncluded)
{
    scratch_once();
    SDL_Surface* target = make_surface(320, 240, white);
    const struct {
        bool fade_in;
        uint32_t t;
        int want;  // red of the formerly white pixel
    } cases[] = {
        {true, 999, 255},  {true, 1000, 0},    {true, 1500, 255}, {true, 1501, 255},
        {false, 999, 255}, {false, 1000, 255}, {false, 1500, 0},  {false, 1501, 255},
    };
    for (const auto& c : cases) {
        SDL_FillRect(target, nullptr, white);
        (c.fade_in ? fade_in : fade_out)(c.t, 1000, 500, target);
        EXPECT_EQ(red_of(target, 0, 0), c.want) << c.fade_in << " at " << c.t;
        EXPECT_EQ(red_of(target, 319, 239), c.want) << c.fade_in << " at " << c.t;
    }
    SDL_FreeSurface(target);
}

TEST(FadeTable, RunsEveryEventWhoseWindowHoldsTheTime)
{
    scratch_once();
    SDL_Surface* target = make_surface(320, 240, white);
    SDL_Surface* expect = make_surface(320, 240, white);

    // Two half-way events draw one after the other, darker than either alone.
    const FadeEvent both[] = {{1000, 500, 1}, {1000, 500, -1}, {0, 0, 0}};
    run_fade_table(both, target, 1250);
    fade_in(1250, 1000, 500, expect);
    const int one = red_of(expect, 5, 5);
    fade_out(1250, 1000, 500, expect);
    EXPECT_EQ(pixel(target, 5, 5), pixel(expect, 5, 5));
    EXPECT_LT(red_of(target, 5, 5), one);

    // Nothing after the end event is read.
    const FadeEvent ended[] = {{0, 0, 0}, {1000, 500, 1}};
    SDL_FillRect(target, nullptr, white);
    run_fade_table(ended, target, 1000);
    EXPECT_EQ(red_of(target, 5, 5), 255);

    // The title starts black although its first event starts at 0, and is
    // black again at 5000 where one fade ends and the next begins.
    for (uint32_t t : {0u, 5000u, dance_start}) {
        SDL_FillRect(target, nullptr, white);
        run_fade_table(title_fades, target, t);
        EXPECT_EQ(red_of(target, 100, 100), 0) << t;
    }
    SDL_FillRect(target, nullptr, white);
    run_fade_table(title_fades, target, 2300);
    EXPECT_EQ(red_of(target, 100, 100), 255);
    SDL_FreeSurface(expect);
    SDL_FreeSurface(target);
}

TEST(WhiteFlash, FillsFromFiftyBeforeToFiftyAfter)
{
    scratch_once();
    SDL_Surface* target = make_surface(320, 240, 0);
    const Uint32 untouched = 0x12345678;
    const struct {
        uint32_t t;
        bool fills;  // the flash surface is filled and blitted
        int red;     // of the formerly black target
    } cases[] = {
        {949, false, 0},   {950, true, 0},    {999, true, 0},   {1000, true, 0},
        {1025, true, 120}, {1050, true, 255}, {1051, false, 0},
    };
    for (const auto& c : cases) {
        SDL_FillRect(target, nullptr, 0);
        SDL_FillRect(flash_surface, nullptr, untouched);
        white_flash(c.t, 1000, target);
        const Uint32 want = c.fills ? Uint32(flash_alpha(c.t, 1000)) << 24 | white : untouched;
        EXPECT_EQ(pixel(flash_surface, 7, 7), want) << c.t;
        EXPECT_NEAR(red_of(target, 7, 7), c.red, 1) << c.t;
    }
    SDL_FreeSurface(target);
}

// The fades must write exactly what filling the overlay and letting SDL blit
// it writes, whichever way they get there: on the back buffer's layout, on a
// wider target, on a target in another layout and on a clipped target.
TEST(Fades, WriteTheWordsOfSDLsOverlayBlit)
{
    scratch_once();
    // One fade-in time for every alpha 0 .. 255.
    uint32_t time_of[256];
    std::fill(std::begin(time_of), std::end(time_of), UINT32_MAX);
    for (uint32_t t = 0; t <= 4000; t++)
        time_of[fade_alpha(t, 0, 4000, true)] = t;
    for (uint32_t t : time_of)
        ASSERT_NE(t, UINT32_MAX);

    const SDL_PixelFormat* f = back_buffer->format;
    SDL_Surface* targets[] = {
        make_surface(320, 240, 0),
        make_surface(333, 251, 0),
        SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 32, f->Bmask, f->Gmask, f->Rmask, 0),
        make_surface(320, 240, 0),
    };
    SDL_Rect clip = {10, 20, 200, 100};
    SDL_SetClipRect(targets[3], &clip);
    for (size_t i = 0; i < std::size(targets); i++) {
        SDL_Surface* got = targets[i];
        SDL_Surface* want = SDL_ConvertSurface(got, got->format, 0);
        SDL_SetClipRect(want, &got->clip_rect);
        const int step = i == 0 ? 1 : 17;  // every alpha on the back buffer's layout
        for (int alpha = 0; alpha < 256; alpha += step) {
            fill_random(got, unsigned(alpha) * 7919u + unsigned(i));
            fill_random(want, unsigned(alpha) * 7919u + unsigned(i));
            fade_in(time_of[alpha], 0, 4000, got);
            SDL_FillRect(fade_surface, nullptr, Uint32(alpha) << 24);
            SDL_Rect at = {0, 0, 0, 0};
            SDL_UpperBlit(fade_surface, nullptr, want, &at);
            EXPECT_EQ(differing_pixels(got, want, got->w, got->h), 0)
                << "target " << i << ", black at alpha " << alpha;
        }
        // White, at every alpha a flash goes through.
        for (uint32_t t = 1000; t <= 1050; t++) {
            fill_random(got, t + unsigned(i));
            fill_random(want, t + unsigned(i));
            white_flash(t, 1000, got);
            SDL_FillRect(flash_surface, nullptr, Uint32(flash_alpha(t, 1000)) << 24 | white);
            SDL_Rect at = {0, 0, 0, 0};
            SDL_UpperBlit(flash_surface, nullptr, want, &at);
            EXPECT_EQ(differing_pixels(got, want, got->w, got->h), 0)
                << "target " << i << ", white at " << t;
        }
        SDL_FreeSurface(want);
        SDL_FreeSurface(got);
    }
}
