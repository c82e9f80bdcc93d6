// The greetings scene: its window, which logo shows when, how the layers
// compose over black, the glow a replaced logo leaves, the flashes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "core/steps.h"
#include "draw/blit.h"
#include "effects/starfield.h"
#include "scenes/greetings_scene.h"
#include "tests/support.h"

static std::vector<uint32_t> snapshot(const Surface* s)
{
    const uint32_t* p = s->pixels;
    return std::vector<uint32_t>(p, p + s->h * s->pitch);
}

// The scene as the show loads it, the stars it makes, and the frame it draws.
static GreetingsScene scene;
static SharedState shared;
static Surface* target = nullptr;

// Empty layers that have taken no step, and every star parked off-screen, far
// from respawning.
static void reset_scene()
{
    if (!target) {
        shared_load(&shared, false);
        greetings_load(&scene, &shared);
        ASSERT_NE(shared.stars, nullptr);
        target = make_surface(back_width, back_height, 0);
    }
    scene.layer_steps_taken = no_step;
    surface_fill(0, scene.star_layer);
    surface_fill(0, scene.logo_layer);
    for (int i = 0; i < star_count; i++)
        shared.stars[i] = Star{50.0f, 0.0f, 1.0f, {0.5f, 0.5f, 0.5f}};
}

static void greetings_frame(uint32_t t)
{
    greetings_scene_draw(t, &scene, &shared, target);
}

// The frame pixel a logo pixel ends up as: the keyed blit copies its low 24
// bits into the layer unconverted, and they are then read in the layer's
// layout (red in the low byte) when the layer is blended onto the frame.
static uint32_t shown(uint32_t logo_pixel)
{
    return (logo_pixel & 0xFF) << 16 | (logo_pixel & 0xFF00) | (logo_pixel >> 16 & 0xFF);
}

static uint32_t rgb(int x, int y)
{
    return pixel(target, x, y) & 0xFFFFFF;
}

TEST(Greetings, PicksTheLogoOfEachSwitchWindow)
{
    const struct {
        uint32_t t;
        int logo;
    } cases[] = {
        {0, -1},     {43227, -1}, {43526, -1}, {43527, 0},       {43826, 0},  {43827, 1},
        {45926, 7},  {45927, 8},  {46126, 8},  {47926, 17},      {47927, 18}, {50057, 18},
        {50058, -1}, {50059, -1}, {90000, -1}, {UINT32_MAX, -1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(greetings_logo(c.t), c.logo) << c.t;
}

TEST(Greetings, OutsideItsWindowTouchesNothing)
{
    reset_scene();
    set_pixel(scene.star_layer, 10, 10, 0x00FFFFFF);
    set_pixel(scene.logo_layer, 20, 20, 0x00FFFFFF);
    for (uint32_t t : {43226u, 50059u, 0u, 80000u}) {
        surface_fill(0x123456, target);
        const std::vector<uint32_t> back = snapshot(target),
                                    stars_before = snapshot(scene.star_layer),
                                    logos_before = snapshot(scene.logo_layer);
        const std::vector<Star> flight(shared.stars, shared.stars + star_count);
        greetings_frame(t);
        EXPECT_EQ(snapshot(target), back) << t;
        EXPECT_EQ(snapshot(scene.star_layer), stars_before) << t;
        EXPECT_EQ(snapshot(scene.logo_layer), logos_before) << t;
        EXPECT_EQ(std::memcmp(flight.data(), shared.stars, sizeof(Star) * star_count), 0) << t;
    }
}

// The layers step at the scene's 60 Hz steps: none at its first moment (43227
// lies before its first step, 43233) nor at its last (50058, after 50050).
TEST(Greetings, FirstAndLastFramesAreBlackAndDrawNoLogo)
{
    const struct {
        uint32_t t;
        int64_t taken;  // the layers' step before the frame
        uint32_t glow;  // the white logo-layer pixel after it
    } frames[] = {
        {43227, no_step, 0x00FFFFFF},
        {43233, no_step, 50 * 0x01010101u},  // blurred once: the lone pixel's worked example
        {50058, step_latest(50058), 0x00FFFFFF},
    };
    for (const auto& f : frames) {
        reset_scene();
        scene.layer_steps_taken = f.taken;
        surface_fill(0xFFFFFF, target);
        set_pixel(scene.logo_layer, 10, 10, 0x00FFFFFF);
        greetings_frame(f.t);
        for (int y = 0; y < back_height && f.t != 43233; y++)  // the fades' ends are black
            for (int x = 0; x < back_width; x++)
                ASSERT_EQ(rgb(x, y), 0u) << f.t << " at " << x << "," << y;
        EXPECT_EQ(pixel(scene.logo_layer, 10, 10), f.glow) << f.t;
        EXPECT_EQ(pixel(scene.logo_layer, 160, 120), 0u) << f.t;
    }
}

// Logo 8 fills the left half, logo 9 the right; the rest of each is magenta.
TEST(Greetings, CurrentLogoCoversAndTheOneBeforeGlows)
{
    reset_scene();
    Surface* saved[2] = {scene.logos[8], scene.logos[9]};
    const uint32_t left_colour = 0x00C08040, right_colour = 0x004080C0;
    Surface* left = make_surface(back_width, back_height, 0xFF00FF);
    Surface* right = make_surface(back_width, back_height, 0xFF00FF);
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width / 2; x++) {
            set_pixel(left, x, y, left_colour);
            set_pixel(right, x + back_width / 2, y, right_colour);
        }
    scene.logos[8] = left;
    scene.logos[9] = right;
    // A lone white star-layer pixel where no logo will be drawn.
    set_pixel(scene.star_layer, 250, 10, 0x00FFFFFF);

    scene.layer_steps_taken = step_latest(46000) - 1;  // one step, at 46000
    greetings_frame(46000);
    EXPECT_EQ(rgb(80, 120), shown(left_colour));
    EXPECT_EQ(rgb(240, 120), 0u);
    // Blurred to grey 50 with opacity 50, so it reaches the black frame
    // at about a fifth of that.
    for (int n = 0; n < 3; n++)
        EXPECT_NEAR(int(rgb(250, 10) >> 8 * n & 0xFF), 50 * 50 / 255, 1) << n;

    greetings_frame(46127);  // logo 9 from here, but its first step is 46133
    EXPECT_EQ(rgb(240, 120), 0u);
    greetings_frame(46183);  // past its flash
    EXPECT_EQ(rgb(240, 120), shown(right_colour));
    const uint32_t glow = rgb(80, 120), was = shown(left_colour);
    for (int n = 0; n < 3; n++) {
        const int g = glow >> 8 * n & 0xFF, w = was >> 8 * n & 0xFF;
        EXPECT_GT(g, 0) << n;
        EXPECT_LT(g, w) << n;
    }

    // A logo that did not load leaves its slot to the glow.
    scene.logos[9] = nullptr;
    greetings_frame(46200);
    EXPECT_NE(rgb(240, 120), 0u);
    EXPECT_NE(rgb(240, 120), shown(right_colour));

    scene.logos[8] = saved[0];
    scene.logos[9] = saved[1];
    surface_free(left);
    surface_free(right);
}

TEST(Greetings, FlashesWhiteAtEverySwitchAfterTheFadeIn)
{
    for (int i = 1; i < logo_count; i++) {
        reset_scene();
        greetings_frame(logo_switch[i] + flash_reach_ms);
        EXPECT_EQ(rgb(0, 0), 0xFFFFFFu) << logo_switch[i];
        EXPECT_EQ(rgb(319, 239), 0xFFFFFFu) << logo_switch[i];
    }
}
