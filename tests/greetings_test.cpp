// The greetings scene: its window, which logo shows when, how the layers
// compose over black, the glow a replaced logo leaves, the flashes.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "effects/starfield.h"
#include "platform/image.h"
#include "platform/steps.h"
#include "platform/video.h"
#include "scenes/greetings_scene.h"
#include "tests/support.h"

static std::vector<Uint32> snapshot(const SDL_Surface* s)
{
    const Uint32* p = static_cast<const Uint32*>(s->pixels);
    return std::vector<Uint32>(p, p + s->h * s->pitch / 4);
}

// Empty layers that have taken no step, and every star parked off-screen, far
// from respawning.
static void reset_scene()
{
    load_show_once();
    layer_steps_taken = no_step;
    SDL_FillRect(star_layer, nullptr, 0);
    SDL_FillRect(logo_layer, nullptr, 0);
    for (int i = 0; i < star_count; i++)
        stars[i] = Star{50.0f, 0.0f, 1.0f, {0.5f, 0.5f, 0.5f}};
}

// The back buffer pixel a logo pixel ends up as: the keyed blit copies its low
// 24 bits into the layer unconverted, and SDL then reads them in the layer's
// layout (red in the low byte) when it blends the layer onto the back buffer.
static Uint32 shown(Uint32 logo_pixel)
{
    return SDL_MapRGB(back_buffer->format, logo_pixel & 0xFF, logo_pixel >> 8 & 0xFF,
                      logo_pixel >> 16 & 0xFF) &
           0xFFFFFF;
}

static Uint32 rgb(int x, int y)
{
    return pixel(back_buffer, x, y) & 0xFFFFFF;
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
    set_pixel(star_layer, 10, 10, 0x00FFFFFF);
    set_pixel(logo_layer, 20, 20, 0x00FFFFFF);
    for (uint32_t t : {43226u, 50059u, 0u, 80000u}) {
        SDL_FillRect(back_buffer, nullptr, 0x123456);
        const std::vector<Uint32> back = snapshot(back_buffer), stars_before = snapshot(star_layer),
                                  logos_before = snapshot(logo_layer);
        const std::vector<Star> flight(stars, stars + star_count);
        greetings_frame(t);
        EXPECT_EQ(snapshot(back_buffer), back) << t;
        EXPECT_EQ(snapshot(star_layer), stars_before) << t;
        EXPECT_EQ(snapshot(logo_layer), logos_before) << t;
        EXPECT_EQ(std::memcmp(flight.data(), stars, sizeof(Star) * star_count), 0) << t;
    }
}

// The layers step at the scene's 60 Hz steps: none at its first moment (43227
// lies before its first step, 43233) nor at its last (50058, after 50050).
TEST(Greetings, FirstAndLastFramesAreBlackAndDrawNoLogo)
{
    const struct {
        uint32_t t;
        int64_t taken;  // the layers' step before the frame
        Uint32 glow;    // the white logo-layer pixel after it
    } frames[] = {
        {43227, no_step, 0x00FFFFFF},
        {43233, no_step, 50 * 0x01010101u},  // blurred once: the lone pixel's worked example
        {50058, latest_step(50058), 0x00FFFFFF},
    };
    for (const auto& f : frames) {
        reset_scene();
        layer_steps_taken = f.taken;
        SDL_FillRect(back_buffer, nullptr, 0xFFFFFF);
        set_pixel(logo_layer, 10, 10, 0x00FFFFFF);
        greetings_frame(f.t);
        for (int y = 0; y < back_height && f.t != 43233; y++)  // the fades' ends are black
            for (int x = 0; x < back_width; x++)
                ASSERT_EQ(rgb(x, y), 0u) << f.t << " at " << x << "," << y;
        EXPECT_EQ(pixel(logo_layer, 10, 10), f.glow) << f.t;
        EXPECT_EQ(pixel(logo_layer, 160, 120), 0u) << f.t;
    }
}

// Logo 8 fills the left half, logo 9 the right; the rest of each is magenta.
TEST(Greetings, CurrentLogoCoversAndTheOneBeforeGlows)
{
    reset_scene();
    SDL_Surface* saved[2] = {greetings_logos[8], greetings_logos[9]};
    const Uint32 left_colour = 0x00C08040, right_colour = 0x004080C0;
    SDL_Surface* left = make_surface(back_width, back_height, 0xFF00FF);
    SDL_Surface* right = make_surface(back_width, back_height, 0xFF00FF);
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width / 2; x++) {
            set_pixel(left, x, y, left_colour);
            set_pixel(right, x + back_width / 2, y, right_colour);
        }
    greetings_logos[8] = left;
    greetings_logos[9] = right;
    // A lone white star-layer pixel where no logo will be drawn.
    set_pixel(star_layer, 250, 10, 0x00FFFFFF);

    layer_steps_taken = latest_step(46000) - 1;  // one step, at 46000
    greetings_frame(46000);
    EXPECT_EQ(rgb(80, 120), shown(left_colour));
    EXPECT_EQ(rgb(240, 120), 0u);
    // Blurred to grey 50 with opacity 50, so it reaches the black back buffer
    // at about a fifth of that.
    for (int n = 0; n < 3; n++)
        EXPECT_NEAR(int(rgb(250, 10) >> 8 * n & 0xFF), 50 * 50 / 255, 1) << n;

    greetings_frame(46127);  // logo 9 from here, but its first step is 46133
    EXPECT_EQ(rgb(240, 120), 0u);
    greetings_frame(46183);  // past its flash
    EXPECT_EQ(rgb(240, 120), shown(right_colour));
    const Uint32 glow = rgb(80, 120), was = shown(left_colour);
    for (int n = 0; n < 3; n++) {
        const int g = glow >> 8 * n & 0xFF, w = was >> 8 * n & 0xFF;
        EXPECT_GT(g, 0) << n;
        EXPECT_LT(g, w) << n;
    }

    // A logo that did not load leaves its slot to the glow.
    greetings_logos[9] = nullptr;
    greetings_frame(46200);
    EXPECT_NE(rgb(240, 120), 0u);
    EXPECT_NE(rgb(240, 120), shown(right_colour));

    greetings_logos[8] = saved[0];
    greetings_logos[9] = saved[1];
    SDL_FreeSurface(left);
    SDL_FreeSurface(right);
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
