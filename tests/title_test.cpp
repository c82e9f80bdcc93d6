// The title scene: noise fill, flash compositor, flash train and the frame step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "platform/image.h"
#include "platform/random.h"
#include "platform/video.h"
#include "scenes/title_scene.h"
#include "tests/support.h"

constexpr Uint32 blank = 0x00336699;

static void title_once()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    video_once();
    fade_load();
    title_load();  // the pictures may be missing: tests bring their own
}

static void rgb(const SDL_Surface* s, int x, int y, int* r, int* g, int* b)
{
    Uint8 R, G, B;
    SDL_GetRGB(pixel(s, x, y), s->format, &R, &G, &B);
    *r = R, *g = G, *b = B;
}

// True when every pixel is noise: red = green = blue * 0.95f truncated.
static bool is_noise(const SDL_Surface* s)
{
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++) {
            int r, g, b;
            rgb(s, x, y, &r, &g, &b);
            if (r != g || r != int(b * double(0.95f)))
                return false;
        }
    return true;
}

static bool is_black(const SDL_Surface* s)
{
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            if ((pixel(s, x, y) & 0x00FFFFFF) != 0)
                return false;
    return true;
}

TEST(NoiseFill, OneRandPerPixelInRowOrderGreyWithABlueCast)
{
    title_once();
    SDL_Surface* target = make_surface(320, 240, blank);
    seed_random(11);
    noise_fill(target);
    seed_random(11);
    std::map<int, int> dimmed;  // blue -> red as drawn
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            int r, g, b;
            rgb(target, x, y, &r, &g, &b);
            ASSERT_EQ(b, next_random() % 256) << x << "," << y;
            ASSERT_EQ(r, g) << x << "," << y;
            dimmed[b] = r;
        }
    const std::pair<int, int> listed[] = {{20, 18}, {40, 37}, {100, 94}, {255, 242}, {0, 0}};
    for (const auto& l : listed)
        EXPECT_EQ(dimmed.at(l.first), l.second) << l.first;
    EXPECT_TRUE(is_noise(target));
    SDL_FreeSurface(target);
}

TEST(FlashCompositor, RisesAndFallsOverTheFlashWithTheRedBackdrop)
{
    title_once();
    // A 10x10 picture at the work surface's corner; the rest stays red.
    SDL_Surface* picture = make_surface(10, 10, 0x00112233);
    SDL_Surface* target = make_surface(320, 240, blank);
    const struct {
        uint32_t t;
        bool drawn;
        Uint32 alpha;
    } cases[] = {
        {999, false, 0},   {1000, true, 0}, {1050, true, 120}, {1100, true, 255},
        {1150, true, 120}, {1200, true, 0}, {1201, false, 0},
    };
    for (const auto& c : cases) {
        SDL_FillRect(target, nullptr, blank);
        SDL_FillRect(flash_work_surface, nullptr, 0x01020304);
        flash_compositor(c.t, 1000, 200, picture, target, 0, 0);
        if (!c.drawn) {
            EXPECT_EQ(pixel(flash_work_surface, 5, 5), 0x01020304u) << c.t;
            EXPECT_EQ(pixel(target, 5, 5), blank) << c.t;
            EXPECT_EQ(pixel(target, 50, 50), blank) << c.t;
            continue;
        }
        // The picture's bits with the alpha on top; opaque red around it.
        EXPECT_EQ(pixel(flash_work_surface, 9, 9), c.alpha << 24 | 0x112233) << c.t;
        EXPECT_EQ(pixel(flash_work_surface, 10, 9), 0xFF0000FFu) << c.t;
        int r, g, b;
        rgb(target, 50, 50, &r, &g, &b);
        EXPECT_EQ(r << 16 | g << 8 | b, 0xFF0000) << c.t;
        if (c.alpha == 0) {
            EXPECT_EQ(pixel(target, 5, 5), blank) << c.t;
        }
    }
    // At the peak the picture covers the target with its bits read in the
    // work surface's layout (red in the low byte).
    SDL_FillRect(target, nullptr, blank);
    flash_compositor(1100, 1000, 200, picture, target, 30, 40);
    int r, g, b;
    rgb(target, 30, 40, &r, &g, &b);
    EXPECT_EQ(r << 16 | g << 8 | b, 0x332211);
    EXPECT_EQ(pixel(target, 29, 39), blank);
    SDL_FreeSurface(target);
    SDL_FreeSurface(picture);
}

TEST(FlashCompositor, MissingPictureDrawsNothingAndBigSurfacesStayInBounds)
{
    title_once();
    SDL_Surface* target = make_surface(320, 240, blank);
    SDL_FillRect(flash_work_surface, nullptr, 0x01020304);
    flash_compositor(1100, 1000, 200, nullptr, target, 0, 0);
    EXPECT_EQ(pixel(target, 100, 100), blank);
    EXPECT_EQ(pixel(flash_work_surface, 100, 100), 0x01020304u);
    SDL_FreeSurface(target);

    // Picture and target both larger than the 320x240 work surface.
    SDL_Surface* big_picture = make_surface(400, 300, 0x00445566);
    SDL_Surface* big_target = make_surface(400, 300, blank);
    flash_compositor(1100, 1000, 200, big_picture, big_target, 0, 0);
    EXPECT_EQ(pixel(flash_work_surface, 319, 239), 0xFF445566u);
    EXPECT_EQ(pixel(big_target, 350, 100), blank);
    SDL_FreeSurface(big_target);
    SDL_FreeSurface(big_picture);
}

TEST(FlashTrain, ThirtyOneFlashesEvery400msFrom400)
{
    title_once();
    ASSERT_NE(flash_train, nullptr);
    ASSERT_EQ(flash_train->event_count, 31);
    ASSERT_EQ(flash_train->picture_count, 1);
    for (int i = 0; i < 31; i++) {
        EXPECT_EQ(flash_train->events[i].start, 400u * (i + 1)) << i;
        EXPECT_EQ(flash_train->events[i].duration, 200u) << i;
        EXPECT_EQ(flash_train->events[i].picture, flash_train->pictures[0]) << i;
    }

    // With a small picture the red backdrop shows whether a flash was drawn.
    SDL_Surface* picture = make_surface(10, 10, 0x00112233);
    SDL_Surface* saved = flash_train->pictures[0];
    for (int i = 0; i < 31; i++)
        flash_train->events[i].picture = picture;
    SDL_Surface* target = make_surface(320, 240, blank);
    const struct {
        uint32_t t;
        bool drawn;
    } cases[] = {
        {399, false},  {400, true},  {500, true},   {600, true},    {601, false},   {4601, false},
        {4799, false}, {5000, true}, {12600, true}, {12601, false}, {14596, false},
    };
    for (const auto& c : cases) {
        SDL_FillRect(target, nullptr, blank);
        draw_flash_train(target, c.t);
        EXPECT_EQ(pixel(target, 100, 100) != blank, c.drawn) << c.t;
    }
    // An event with start and duration 0 ends the list early.
    const FlashEvent second = flash_train->events[1];
    flash_train->events[1] = FlashEvent{0, 0, picture, 0, 0};
    SDL_FillRect(target, nullptr, blank);
    draw_flash_train(target, 900);
    EXPECT_EQ(pixel(target, 100, 100), blank);
    flash_train->events[1] = second;
    for (int i = 0; i < 31; i++)
        flash_train->events[i].picture = saved;
    SDL_FreeSurface(target);
    SDL_FreeSurface(picture);
}

TEST(TitleFrame, NoiseThenPictureUnderTheFades)
{
    title_once();
    SDL_Surface* saved_title = title_picture;
    SDL_Surface* saved_flash = flash_train->pictures[0];
    for (int i = 0; i < flash_train->event_count; i++)
        flash_train->events[i].picture = nullptr;

    // Black at both ends of the noise fades and at the turn to the picture.
    for (uint32_t t : {0u, 5000u, dance_start}) {
        SDL_FillRect(back_buffer, nullptr, blank);
        title_frame(t);
        EXPECT_TRUE(is_black(back_buffer)) << t;
    }
    SDL_FillRect(back_buffer, nullptr, blank);
    title_frame(2300);
    EXPECT_TRUE(is_noise(back_buffer));

    // The picture from 5000 on, keyed: its magenta keeps the previous frame.
    title_picture = make_surface(320, 240, 0x00808080);
    set_pixel(title_picture, 7, 7, 0x00FF00FF);
    for (uint32_t t : {4999u, 5900u}) {
        SDL_FillRect(back_buffer, nullptr, blank);
        title_frame(t);
        if (t == 4999) {
            EXPECT_NE(pixel(back_buffer, 8, 8) & 0xFFFFFF, 0x808080u);
            EXPECT_NE(pixel(back_buffer, 7, 7), blank);
            continue;
        }
        EXPECT_EQ(pixel(back_buffer, 8, 8), 0xFF808080u);
        EXPECT_EQ(pixel(back_buffer, 7, 7), blank);
    }
    SDL_FreeSurface(title_picture);
    title_picture = saved_title;
    for (int i = 0; i < flash_train->event_count; i++)
        flash_train->events[i].picture = saved_flash;
}
