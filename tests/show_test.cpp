// The frame function as a whole: the scenes on their boundaries, the title's
// last frame, the scroller over everything; and the finale's window, effect
// switches and fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "effects/blur.h"
#include "effects/plasma.h"
#include "effects/rings.h"
#include "effects/starfield.h"
#include "overlays/fade.h"
#include "platform/blit.h"
#include "platform/font.h"
#include "platform/random.h"
#include "platform/video.h"
#include "scenes/dance_scene.h"
#include "scenes/deform_scene.h"
#include "scenes/finale.h"
#include "scenes/greetings_scene.h"
#include "scenes/lift_scene.h"
#include "scenes/scroller.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"
#include "scenes/tunnel_scene.h"
#include "show/show.h"
#include "tests/support.h"

namespace {

constexpr Uint32 sentinel = 0x01020304;

bool untouched(const SDL_Surface* s)
{
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            if (pixel(s, x, y) != sentinel)
                return false;
    return true;
}

SDL_Surface* copy_of_back_buffer()
{
    SDL_Surface* s = make_surface(back_width, back_height, 0);
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            set_pixel(s, x, y, pixel(back_buffer, x, y));
    return s;
}

int brightest_channel(const SDL_Surface* s)
{
    int m = 0;
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++) {
            const Uint32 v = pixel(s, x, y);
            m = std::max({m, int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)});
        }
    return m;
}

class Show : public ::testing::Test {
protected:
    static void SetUpTestSuite() { load_show_once(); }
};

// Every boundary is black under both scenes' fades, so they are left out: then
// the later scene and the scroller, drawn again by hand, must change nothing,
// and the earlier scene shows by what it leaves off screen.
TEST_F(Show, BoundariesDrawBothScenesTheLaterOnTop)
{
    // The title's only mark off screen is its flash compositor: one flash over the dance start.
    SDL_Surface* picture = make_surface(8, 8, 0xFF00FF00);
    FlashEvent events[] = {{dance_start - 100, 200, picture, 0, 0}, {0, 0, nullptr, 0, 0}};
    FlashTrain train = {&picture, 1, events, 2};
    FlashTrain* const real_train = flash_train;
    SDL_Surface* const real_fade = fade_surface;
    Star* const real_stars = stars;
    flash_train = &train;
    fade_surface = nullptr;
    stars = nullptr;  // the greetings then draw the same picture twice at one time

    const struct {
        uint32_t t;
        void (*later)(uint32_t);
        SDL_Surface* earlier_layer;  // written by the earlier scene alone...
        Sprite* earlier_sprite;      // ...or drawn by it alone
        bool earlier_draws;
    } cases[] = {
        {dance_start, dance_frame, flash_work_surface, nullptr, true},
        {dance_start + 1, dance_frame, flash_work_surface, nullptr, false},
        {deform_start, deform_frame, nullptr, jamming_sprite, true},
        {greetings_start, greetings_frame, nullptr, deform_rider, true},
        {lift_start, lift_frame, star_layer, nullptr, true},
        {tunnel_start, tunnel_frame, lift_surface, nullptr, true},
        {finale_start, finale_frame, nullptr, car_sprite, true},
    };
    for (const auto& c : cases) {
        // No palette turn, effect switch or greetings glow between the two drawings.
        last_rotation = c.t;
        finale_effect = 0;
        finale_last_switch = c.t;
        fill_surface(star_layer, 0);
        fill_surface(logo_layer, 0);
        if (c.earlier_layer)
            fill_surface(c.earlier_layer, sentinel);
        else
            c.earlier_sprite->last_left = INT32_MIN;

        draw_frame(c.t);
        EXPECT_EQ(c.earlier_layer ? !untouched(c.earlier_layer)
                                  : c.earlier_sprite->last_left != INT32_MIN,
                  c.earlier_draws)
            << c.t;
        SDL_Surface* frame = copy_of_back_buffer();
        c.later(c.t);
        scroller_frame(c.t);
        EXPECT_EQ(differing_pixels(back_buffer, frame, back_width, back_height), 0) << c.t;
        SDL_FreeSurface(frame);
    }
    stars = real_stars;
    fade_surface = real_fade;
    flash_train = real_train;
    SDL_FreeSurface(picture);
}

// The text starts at x = 375, where no 16-pixel glyph is drawn at all: glyphs
// 64 wide on a back buffer 448 wide show whether its first one is blitted.
TEST_F(Show, ScrollTextStartsAtItsTime)
{
    constexpr Uint32 plasma = 0xFF102030;
    uint32_t real_palette[256];
    memcpy(real_palette, plasma_palette, sizeof real_palette);
    std::fill(plasma_palette, plasma_palette + 256, plasma);
    SDL_Surface* sheet = make_surface(16 * 64, 16 * 2, 0xFFFFFFFF);
    Font wide = {64, 2, sheet};
    Font* const real_font = font;
    SDL_Surface* const real_back_buffer = back_buffer;
    font = &wide;
    back_buffer = make_surface(448, back_height, 0);

    for (uint32_t t : {scroll_text_start - 1, scroll_text_start}) {
        draw_frame(t);
        int ink = 0;
        for (int y = 0; y < back_height; y++)
            for (int x = back_width; x < back_buffer->w; x++)
                ink += pixel(back_buffer, x, y) != plasma;
        EXPECT_EQ(ink > 0, t >= scroll_text_start) << t;
    }
    SDL_FreeSurface(back_buffer);
    back_buffer = real_back_buffer;
    font = real_font;
    SDL_FreeSurface(sheet);
    memcpy(plasma_palette, real_palette, sizeof real_palette);
}

// Over every scene the text's glyphs are all there and the band's top five
// rows are plain greys across the whole width (the sixth is black and meets
// the text).
TEST_F(Show, ScrollerLiesOverEveryScene)
{
    finale_effect = 0;
    for (uint32_t t : {20000u, 35000u, 45000u, 55000u, 75000u, 90000u}) {
        finale_last_switch = t;
        draw_frame(t);
        SDL_Surface* text = make_surface(back_width, back_height, sentinel);
        draw_text(scroll_text, scroll_text_x(t), 221.0f, text);  // the text's row
        int glyph = 0, hidden = 0;
        for (int y = 0; y < back_height; y++)
            for (int x = 0; x < back_width; x++)
                if (pixel(text, x, y) != sentinel) {
                    glyph++;
                    hidden += pixel(back_buffer, x, y) != pixel(text, x, y);
                }
        EXPECT_GT(glyph, 0) << t;
        EXPECT_EQ(hidden, 0) << t;
        SDL_FreeSurface(text);
        for (int y = back_height - band_full_height; y < back_height - band_full_height + 5; y++) {
            const Uint32 grey = 0xFF000000 | (pixel(back_buffer, 0, y) & 0xFF) * 0x010101;
            int off = grey == 0xFF000000;
            for (int x = 0; x < back_width; x++)
                off += pixel(back_buffer, x, y) != grey;
            EXPECT_EQ(off, 0) << t << " row " << y;
        }
    }
}

// Both ends of the window draw, like every scene's; a frame more than a second
// after the last switch switches once, however late it comes.
TEST_F(Show, FinaleWindowAndSwitches)
{
    const struct {
        uint32_t t;
        bool draws;
        int32_t effect;
        uint32_t last_switch;
    } cases[] = {
        {79999, false, 0, 80000},  {80000, true, 0, 80000},   {81000, true, 0, 80000},
        {81001, true, 1, 81001},   {85000, true, 1, 85000},   {100999, true, 1, 100999},
        {101000, true, 1, 101000}, {101001, false, 0, 80000},
    };
    for (const auto& c : cases) {
        fill_surface(back_buffer, sentinel);
        finale_effect = 0;
        finale_last_switch = finale_start;
        finale_frame(c.t);
        EXPECT_EQ(!untouched(back_buffer), c.draws) << c.t;
        EXPECT_EQ(finale_effect, c.effect) << c.t;
        EXPECT_EQ(finale_last_switch, c.last_switch) << c.t;
    }
}

// Draws over what the target holds, then smears it: nothing is cleared first.
void starfield_phase(uint32_t t, SDL_Surface* target)
{
    const StarCentre c = starfield_centre(t);
    starfield_draw(target, c.x, c.y, star_depth_step);
    three_tap_blur(target);
}

TEST_F(Show, FinaleEffectsInTurn)
{
    constexpr uint32_t t = 90000;
    const struct {
        int32_t effect;
        void (*draw)(uint32_t, SDL_Surface*);
    } cases[] = {
        {0, draw_rings},         {1, draw_plasma}, {2, starfield_phase},
        {3, draw_finale_tunnel}, {4, draw_rings},
    };
    for (const auto& c : cases) {
        // The same random picture under both, the same stars and respawns.
        SDL_Surface* want = make_surface(back_width, back_height, 0);
        fill_random(want, 3);
        fill_random(back_buffer, 3);
        const std::vector<Star> before(stars, stars + star_count);
        seed_random(5);
        c.draw(t, want);
        std::copy(before.begin(), before.end(), stars);
        seed_random(5);
        finale_effect = c.effect;
        finale_last_switch = t;
        finale_frame(t);
        EXPECT_EQ(differing_pixels(back_buffer, want, back_width, back_height), 0) << c.effect;
        SDL_FreeSurface(want);
    }
}

TEST_F(Show, FinaleFadesOutOverItsLastSecond)
{
    for (uint32_t t : {finale_end - 1000, finale_end - 1}) {
        SDL_Surface* rings = make_surface(back_width, back_height, 0);
        draw_rings(t, rings);
        finale_effect = 0;
        finale_last_switch = t;
        finale_frame(t);
        if (t == finale_end - 1000) {
            EXPECT_EQ(differing_pixels(back_buffer, rings, back_width, back_height), 0);
        } else {
            EXPECT_GT(brightest_channel(rings), 200);
            EXPECT_LE(brightest_channel(back_buffer), 2);
        }
        SDL_FreeSurface(rings);
    }
}

}  // namespace
