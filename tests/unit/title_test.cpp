// The title scene: noise fill, flash compositor, flash train and the frame step.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>

#include "core/random.h"
#include "draw/blit.h"
#include "scenes/title_scene.h"
#include "tests/support.h"

constexpr uint32_t blank = 0x00336699;

// What the title draws with, as the show makes it.
static SharedState title_shared;

// The scene as the show loads it, once; tests that change it put it back.
static TitleScene* title_once()
{
    static TitleScene* scene = nullptr;
    if (scene)
        return scene;
    scene = new TitleScene;
    shared_load(&title_shared, false);
    title_load(scene);  // the pictures may be missing: tests bring their own
    return scene;
}

// The channels of an xrgb pixel.
static void rgb(const Surface* s, int x, int y, int* r, int* g, int* b)
{
    const uint32_t p = pixel(s, x, y);
    *r = p >> 16 & 0xFF, *g = p >> 8 & 0xFF, *b = p & 0xFF;
}

// True when every pixel is noise: red = green = blue * 0.95f truncated.
static bool is_noise(const Surface* s)
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

static bool is_black(const Surface* s)
{
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            if ((pixel(s, x, y) & 0x00FFFFFF) != 0)
                return false;
    return true;
}

TEST(NoiseFill, OneRandPerPixelInRowOrderGreyWithABlueCast)
{
    TitleScene* scene = title_once();
    Surface* target = make_surface(320, 240, blank);
    Random random;
    random_seed(&random, 11);
    title_draw_noise(scene, &random, target);
    random_seed(&random, 11);
    std::map<int, int> dimmed;  // blue -> red as drawn
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++) {
            int r, g, b;
            rgb(target, x, y, &r, &g, &b);
            ASSERT_EQ(b, random_next(&random) % 256) << x << "," << y;
            ASSERT_EQ(r, g) << x << "," << y;
            dimmed[b] = r;
        }
    const std::pair<int, int> listed[] = {{20, 18}, {40, 37}, {100, 94}, {255, 242}, {0, 0}};
    for (const auto& l : listed)
        EXPECT_EQ(dimmed.at(l.first), l.second) << l.first;
    EXPECT_TRUE(is_noise(target));
    surface_free(target);
}

TEST(FlashCompositor, RisesAndFallsOverTheFlashWithTheRedBackdrop)
{
    Surface* const work = title_once()->flash_work;
    // A 10x10 picture at the work surface's corner; the rest stays red.
    Surface* picture = make_surface(10, 10, 0x00112233);
    Surface* target = make_surface(320, 240, blank);
    const struct {
        uint32_t t;
        bool drawn;
        uint32_t alpha;
    } cases[] = {
        {999, false, 0},   {1000, true, 0}, {1050, true, 120}, {1100, true, 255},
        {1150, true, 120}, {1200, true, 0}, {1201, false, 0},
    };
    for (const auto& c : cases) {
        surface_fill(blank, target);
        surface_fill(0x01020304, work);
        title_draw_flash(c.t, 1000, 200, picture, 0, 0, false, work, target);
        if (!c.drawn) {
            EXPECT_EQ(pixel(work, 5, 5), 0x01020304u) << c.t;
            EXPECT_EQ(pixel(target, 5, 5), blank) << c.t;
            EXPECT_EQ(pixel(target, 50, 50), blank) << c.t;
            continue;
        }
        // The picture's bits with the alpha on top; opaque red around it.
        EXPECT_EQ(pixel(work, 9, 9), c.alpha << 24 | 0x112233) << c.t;
        EXPECT_EQ(pixel(work, 10, 9), 0xFF0000FFu) << c.t;
        int r, g, b;
        rgb(target, 50, 50, &r, &g, &b);
        EXPECT_EQ(r << 16 | g << 8 | b, 0xFF0000) << c.t;
        if (c.alpha == 0) {
            EXPECT_EQ(pixel(target, 5, 5), blank) << c.t;
        }
    }
    // At the peak the picture covers the target with its bits read in the
    // work surface's layout (red in the low byte).
    surface_fill(blank, target);
    title_draw_flash(1100, 1000, 200, picture, 30, 40, false, work, target);
    int r, g, b;
    rgb(target, 30, 40, &r, &g, &b);
    EXPECT_EQ(r << 16 | g << 8 | b, 0x332211);
    EXPECT_EQ(pixel(target, 29, 39), blank);
    surface_free(target);
    surface_free(picture);
}

TEST(FlashCompositor, MissingPictureDrawsNothingAndBigSurfacesStayInBounds)
{
    Surface* const work = title_once()->flash_work;
    Surface* target = make_surface(320, 240, blank);
    surface_fill(0x01020304, work);
    title_draw_flash(1100, 1000, 200, nullptr, 0, 0, false, work, target);
    EXPECT_EQ(pixel(target, 100, 100), blank);
    EXPECT_EQ(pixel(work, 100, 100), 0x01020304u);
    surface_free(target);

    // Picture and target both larger than the 320x240 work surface.
    Surface* big_picture = make_surface(400, 300, 0x00445566);
    Surface* big_target = make_surface(400, 300, blank);
    title_draw_flash(1100, 1000, 200, big_picture, 0, 0, false, work, big_target);
    EXPECT_EQ(pixel(work, 319, 239), 0xFF445566u);
    EXPECT_EQ(pixel(big_target, 350, 100), blank);
    surface_free(big_target);
    surface_free(big_picture);
}

TEST(FlashTrain, ThirtyOneFlashesEvery400msFrom400)
{
    TitleScene* scene = title_once();
    FlashTrain* flash_train = scene->flash_train;
    ASSERT_NE(flash_train, nullptr);
    ASSERT_EQ(flash_train->event_count, 31);
    ASSERT_EQ(flash_train->picture_count, 1);
    for (int i = 0; i < 31; i++) {
        EXPECT_EQ(flash_train->events[i].start, 400u * (i + 1)) << i;
        EXPECT_EQ(flash_train->events[i].duration, 200u) << i;
        EXPECT_EQ(flash_train->events[i].picture, flash_train->pictures[0]) << i;
    }

    // With a small picture the red backdrop shows whether a flash was drawn.
    Surface* picture = make_surface(10, 10, 0x00112233);
    const Surface* saved = flash_train->pictures[0];
    for (int i = 0; i < 31; i++)
        flash_train->events[i].picture = picture;
    Surface* target = make_surface(320, 240, blank);
    const struct {
        uint32_t t;
        bool drawn;
    } cases[] = {
        {399, false},  {400, true},  {500, true},   {600, true},    {601, false},   {4601, false},
        {4799, false}, {5000, true}, {12600, true}, {12601, false}, {14596, false},
    };
    for (const auto& c : cases) {
        surface_fill(blank, target);
        title_draw_flash_train(c.t, scene, false, target);
        EXPECT_EQ(pixel(target, 100, 100) != blank, c.drawn) << c.t;
    }
    // An event with start and duration 0 ends the list early.
    const FlashEvent second = flash_train->events[1];
    flash_train->events[1] = FlashEvent{0, 0, picture, 0, 0};
    surface_fill(blank, target);
    title_draw_flash_train(900, scene, false, target);
    EXPECT_EQ(pixel(target, 100, 100), blank);
    flash_train->events[1] = second;
    for (int i = 0; i < 31; i++)
        flash_train->events[i].picture = saved;
    surface_free(target);
    surface_free(picture);
}

TEST(TitleFrame, NoiseThenPictureUnderTheFades)
{
    TitleScene* scene = title_once();
    FlashTrain* flash_train = scene->flash_train;
    Surface* target = make_surface(back_width, back_height, blank);
    Surface* saved_title = scene->picture;
    const Surface* saved_flash = flash_train->pictures[0];
    for (int i = 0; i < flash_train->event_count; i++)
        flash_train->events[i].picture = nullptr;

    // Black at both ends of the noise fades and at the turn to the picture.
    for (uint32_t t : {0u, 5000u, dance_start}) {
        surface_fill(blank, target);
        title_scene_draw(t, scene, &title_shared, target);
        EXPECT_TRUE(is_black(target)) << t;
    }
    surface_fill(blank, target);
    title_scene_draw(2300, scene, &title_shared, target);
    EXPECT_TRUE(is_noise(target));

    // The picture from 5000 on, keyed: its magenta keeps the previous frame.
    scene->picture = make_surface(320, 240, 0x00808080);
    set_pixel(scene->picture, 7, 7, 0x00FF00FF);
    for (uint32_t t : {4999u, 5900u}) {
        surface_fill(blank, target);
        title_scene_draw(t, scene, &title_shared, target);
        if (t == 4999) {
            EXPECT_NE(pixel(target, 8, 8) & 0xFFFFFF, 0x808080u);
            EXPECT_NE(pixel(target, 7, 7), blank);
            continue;
        }
        EXPECT_EQ(pixel(target, 8, 8), 0xFF808080u);
        EXPECT_EQ(pixel(target, 7, 7), blank);
    }
    surface_free(scene->picture);
    scene->picture = saved_title;
    for (int i = 0; i < flash_train->event_count; i++)
        flash_train->events[i].picture = saved_flash;
    surface_free(target);
}
