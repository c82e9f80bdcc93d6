// The frame function as a whole: the scenes on their boundaries, the title's
// last frame, the scroller over everything; and the finale's window, effect
// switches and fade.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/random.h"
#include "draw/blit.h"
#include "draw/font.h"
#include "effects/blur.h"
#include "effects/plasma.h"
#include "effects/rings.h"
#include "effects/starfield.h"
#include "overlays/fade.h"
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

constexpr uint32_t sentinel = 0x01020304;

// The whole show and the frame it draws into. Each test draws with a copy of
// the loaded show's state of its own (the pictures and tables stay shared), so
// what one test changes in it no other sees.
Show own_show;
Show* show = nullptr;
Surface* target = nullptr;

bool untouched(const Surface* s)
{
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            if (pixel(s, x, y) != sentinel)
                return false;
    return true;
}

Surface* copy_of_target()
{
    Surface* s = make_surface(back_width, back_height, 0);
    surface_copy(target, s);
    return s;
}

int brightest_channel(const Surface* s)
{
    int m = 0;
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++) {
            const uint32_t v = pixel(s, x, y);
            m = std::max({m, int(v >> 16 & 0xFF), int(v >> 8 & 0xFF), int(v & 0xFF)});
        }
    return m;
}

// One scene's frame step drawn by hand into the target.
void dance_frame(uint32_t t)
{
    dance_scene_draw(t, &show->dance, &show->shared, target);
}
void deform_frame(uint32_t t)
{
    deform_scene_draw(t, &show->deform, &show->shared, target);
}
void greetings_frame(uint32_t t)
{
    greetings_scene_draw(t, &show->greetings, &show->shared, target);
}
void lift_frame(uint32_t t)
{
    lift_scene_draw(t, &show->lift, &show->shared, target);
}
void tunnel_frame(uint32_t t)
{
    tunnel_scene_draw(t, &show->tunnel, &show->shared, target);
}
void finale_frame(uint32_t t)
{
    finale_draw(t, &show->finale, &show->shared, target);
}

class ShowFrame : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (!target)
            target = make_surface(back_width, back_height, 0);
    }
    void SetUp() override
    {
        own_show = *show_once();
        show = &own_show;
    }
};

// At every boundary both scenes draw, the later one on top. The earlier scene
// shows by what it leaves off screen, and where it draws after its own fade
// (the title's flash train) by the frame: the later scene and the scroller,
// drawn again by hand, must change nothing.
TEST_F(ShowFrame, BoundariesDrawBothScenesTheLaterOnTop)
{
    // The title's only mark off screen is its flash compositor: one flash over the dance start.
    Surface* picture = make_surface(8, 8, 0xFF00FF00);
    const Surface* pictures[] = {picture};
    FlashEvent events[] = {{dance_start - 100, 200, picture, 0, 0}, {0, 0, nullptr, 0, 0}};
    FlashTrain train = {pictures, 1, events, 2};
    show->title.flash_train = &train;
    show->shared.stars = nullptr;  // the greetings then draw the same picture twice at one time

    const struct {
        uint32_t t;
        void (*later)(uint32_t);
        Surface* earlier_layer;  // written by the earlier scene alone...
        Sprite* earlier_sprite;  // ...or drawn by it alone
        bool earlier_draws;
    } cases[] = {
        {dance_start, dance_frame, show->title.flash_work, nullptr, true},
        {dance_start + 1, dance_frame, show->title.flash_work, nullptr, false},
        {deform_start, deform_frame, nullptr, show->dance.jamming, true},
        {greetings_start, greetings_frame, nullptr, show->deform.rider, true},
        {lift_start, lift_frame, show->greetings.star_layer, nullptr, true},
        {tunnel_start, tunnel_frame, show->lift.doors, nullptr, true},
        {finale_start, finale_frame, nullptr, show->tunnel.car, true},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(c.earlier_layer || c.earlier_sprite) << c.t;
        // No palette turn, effect switch or greetings glow between the two drawings.
        show->shared.palette.last_rotation = c.t;
        show->finale.effect = 0;
        show->finale.last_switch = c.t;
        surface_fill(0, show->greetings.star_layer);
        surface_fill(0, show->greetings.logo_layer);
        if (c.earlier_layer)
            surface_fill(sentinel, c.earlier_layer);
        else
            c.earlier_sprite->last_left = INT32_MIN;

        show_draw(c.t, show, target);
        EXPECT_EQ(c.earlier_layer ? !untouched(c.earlier_layer)
                                  : c.earlier_sprite->last_left != INT32_MIN,
                  c.earlier_draws)
            << c.t;
        Surface* frame = copy_of_target();
        c.later(c.t);
        scroller_draw(c.t, show->shared.font, target);
        EXPECT_EQ(differing_pixels(target, frame, back_width, back_height), 0) << c.t;
        surface_free(frame);
    }
    surface_free(picture);
}

// The text starts at x = 375, where no 16-pixel glyph is drawn at all: glyphs
// 64 wide on a frame 448 wide show whether its first one is blitted. The band
// spans the whole frame, so the ink looked for is the glyphs' white on their
// two rows (221 and 222), which neither the band nor the plasma holds.
TEST_F(ShowFrame, ScrollTextStartsAtItsTime)
{
    constexpr uint32_t plasma = 0xFF102030;
    std::fill(show->shared.palette.colours, show->shared.palette.colours + 256, plasma);
    Surface* sheet = make_surface(16 * 64, 16 * 2, 0xFFFFFFFF);
    Font wide = {64, 2, sheet};
    show->shared.font = &wide;
    Surface* wide_frame = make_surface(448, back_height, 0);

    for (uint32_t t : {scroll_text_start - 1, scroll_text_start}) {
        show_draw(t, show, wide_frame);
        int ink = 0;
        for (int y = 221; y <= 222; y++)
            for (int x = back_width; x < wide_frame->w; x++)
                ink += (pixel(wide_frame, x, y) & 0xFFFFFF) == 0xFFFFFF;
        EXPECT_EQ(ink > 0, t >= scroll_text_start) << t;
    }
    surface_free(wide_frame);
    surface_free(sheet);
}

// Over every scene the text's glyphs are all there and the band's top five
// rows are plain greys across the whole width (the sixth is black and meets
// the text).
TEST_F(ShowFrame, ScrollerLiesOverEveryScene)
{
    ASSERT_NE(show->shared.font, nullptr);
    show->finale.effect = 0;
    for (uint32_t t : {20000u, 35000u, 45000u, 55000u, 75000u, 90000u}) {
        show->finale.last_switch = t;
        show_draw(t, show, target);
        Surface* text = make_surface(back_width, back_height, sentinel);
        text_draw(show->shared.font, scroll_text, scroll_text_x(t), 221.0f,
                  text);  // the text's row
        int glyph = 0, hidden = 0;
        for (int y = 0; y < back_height; y++)
            for (int x = 0; x < back_width; x++)
                if (pixel(text, x, y) != sentinel) {
                    glyph++;
                    hidden += pixel(target, x, y) != pixel(text, x, y);
                }
        EXPECT_GT(glyph, 0) << t;
        EXPECT_EQ(hidden, 0) << t;
        surface_free(text);
        for (int y = back_height - band_full_height; y < back_height - band_full_height + 5; y++) {
            const uint32_t grey = 0xFF000000 | (pixel(target, 0, y) & 0xFF) * 0x010101;
            int off = grey == 0xFF000000;
            for (int x = 0; x < back_width; x++)
                off += pixel(target, x, y) != grey;
            EXPECT_EQ(off, 0) << t << " row " << y;
        }
    }
}

// Both ends of the window draw, like every scene's; a frame more than a second
// after the last switch switches once, however late it comes.
TEST_F(ShowFrame, FinaleWindowAndSwitches)
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
        surface_fill(sentinel, target);
        show->finale.effect = 0;
        show->finale.last_switch = finale_start;
        finale_frame(c.t);
        EXPECT_EQ(!untouched(target), c.draws) << c.t;
        EXPECT_EQ(show->finale.effect, c.effect) << c.t;
        EXPECT_EQ(show->finale.last_switch, c.last_switch) << c.t;
    }
}

// Each effect as its own module draws it, with what the show shares.
void rings_phase(uint32_t t, Surface* into)
{
    rings_draw(t, show->shared.ring_image, into);
}

void plasma_phase(uint32_t t, Surface* into)
{
    plasma_draw(t, &show->shared.palette, show->shared.plasma_rows, into);
}

// Draws over what the target holds, then smears it: nothing is cleared first.
void starfield_phase(uint32_t t, Surface* into)
{
    const StarCentre c = starfield_centre(t);
    starfield_draw(show->shared.stars, &show->shared.random, c.x, c.y, star_depth_step, into);
    blur_apply(into);
}

void tunnel_phase(uint32_t t, Surface* into)
{
    tunnel_fly(t, &show->shared, into);
}

TEST_F(ShowFrame, FinaleEffectsInTurn)
{
    constexpr uint32_t t = 90000;
    const struct {
        int32_t effect;
        void (*draw)(uint32_t, Surface*);
    } cases[] = {
        {0, rings_phase},  {1, plasma_phase}, {2, starfield_phase},
        {3, tunnel_phase}, {4, rings_phase},
    };
    Star* const stars = show->shared.stars;
    ASSERT_NE(stars, nullptr);
    for (const auto& c : cases) {
        // The same random picture under both, the same stars and respawns.
        Surface* want = make_surface(back_width, back_height, 0);
        fill_random(want, 3);
        fill_random(target, 3);
        const std::vector<Star> before(stars, stars + star_count);
        random_seed(&show->shared.random, 5);
        c.draw(t, want);
        std::copy(before.begin(), before.end(), stars);
        random_seed(&show->shared.random, 5);
        show->finale.effect = c.effect;
        show->finale.last_switch = t;
        finale_frame(t);
        EXPECT_EQ(differing_pixels(target, want, back_width, back_height), 0) << c.effect;
        surface_free(want);
    }
}

TEST_F(ShowFrame, FinaleFadesOutOverItsLastSecond)
{
    for (uint32_t t : {finale_end - 1000, finale_end - 1}) {
        Surface* rings = make_surface(back_width, back_height, 0);
        rings_phase(t, rings);
        show->finale.effect = 0;
        show->finale.last_switch = t;
        finale_frame(t);
        if (t == finale_end - 1000) {
            EXPECT_EQ(differing_pixels(target, rings, back_width, back_height), 0);
        } else {
            EXPECT_GT(brightest_channel(rings), 200);
            EXPECT_LE(brightest_channel(target), 2);
        }
        surface_free(rings);
    }
}

}  // namespace
