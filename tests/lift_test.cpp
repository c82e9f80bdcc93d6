// The lift scene: door half-width by time, the door draw, the scene's window,
// the inside (dancer or credit screen) seen through the opening.
#include <gtest/gtest.h>

#include <cstdlib>

#include "effects/rings.h"
#include "overlays/sprite.h"
#include "scenes/lift_scene.h"
#include "shell/image.h"
#include "shell/video.h"
#include "tests/support.h"

namespace {

constexpr Uint32 grey = 0x808080;
constexpr Uint32 white = 0xFFFFFF;
constexpr Uint32 ring_colour = 0xFF2040C0;  // raw, in the lift surface's layout
constexpr Uint32 behind = 0xFF123456;       // raw, in the target's format

// The fade surfaces and the lift step once, with whatever pictures data/ holds.
void lift_loaded()
{
    static bool done = false;
    video_once();
    if (!done) {
        create_scratch_surfaces();
        lift_load();
    }
    done = true;
    ASSERT_NE(lift_surface, nullptr);
}

// The colour bits of a pixel of s as 0xRRGGBB.
Uint32 rgb(SDL_Surface* s, Uint32 p)
{
    Uint8 r, g, b;
    SDL_GetRGB(p, s->format, &r, &g, &b);
    return Uint32(r) << 16 | Uint32(g) << 8 | b;
}

// Every channel within 2 of the other's: SDL's blending decides the last bit.
bool near(Uint32 a, Uint32 b)
{
    for (int shift = 0; shift < 24; shift += 8)
        if (std::abs(int(a >> shift & 0xFF) - int(b >> shift & 0xFF)) > 2)
            return false;
    return true;
}

}  // namespace

TEST(Lift, DoorHalfWidthByTime)
{
    const struct {
        uint32_t t;
        int b;
    } cases[] = {
        {50058, -1},  {52999, -1}, {53000, 0},  {53014, 0},   {53015, 1},   {53500, 35},
        {54000, 70},  {58000, 70}, {58001, 69}, {58985, 1},   {58986, 0},   {58999, 0},
        {59000, 0},   {59024, 0},  {59025, 1},  {61999, 119}, {62000, 120}, {63000, 120},
        {63001, 119}, {65975, 1},  {65976, 0},  {66024, 0},   {66025, -1},  {68000, -80},
    };
    for (const auto& c : cases)
        EXPECT_EQ(door_half_width(c.t), c.b) << c.t;
}

// Row by row the door draw leaves the rings, shows the target through the
// opening and draws the edges; columns given from the left, the rest rings.
TEST(Lift, DoorDrawCutsTheOpeningAndDrawsTheEdges)
{
    lift_loaded();
    const struct {
        int b;
        const char* from_158_to_162;  // r ring, t target, g grey, w white
        int open_from, open_to;       // further target columns, inclusive
    } cases[] = {
        {-1, "rrrrr", -1, -2},
        {0, "rgwgr", -1, -2},
        {1, "gwgwg", -1, -2},
        {70, "ttttt", 92, 228},
        {120, "ttttt", 42, 278},
        {200, "ttttt", 0, 319},  // wider than the picture: clipped, no edges left
    };
    SDL_Surface* target = make_surface(320, 240, behind);
    for (const auto& c : cases) {
        SDL_FillRect(lift_surface, nullptr, ring_colour);
        SDL_FillRect(target, nullptr, behind);
        door_draw(c.b, target);
        const Uint32 ring = rgb(lift_surface, ring_colour);
        for (int y : {0, 117, 239})
            for (int x = 0; x < 320; x++) {
                char kind = 'r';
                if (x >= 158 && x <= 162)
                    kind = c.from_158_to_162[x - 158];
                if (x >= c.open_from && x <= c.open_to)
                    kind = 't';
                const bool edges = c.b >= 0 && c.b < 158;
                if (edges && (x == 159 - c.b || x == 161 - c.b || x == 159 + c.b || x == 161 + c.b))
                    kind = 'g';
                if (edges && (x == 160 - c.b || x == 160 + c.b))
                    kind = 'w';
                const Uint32 want = kind == 'r'   ? ring
                                    : kind == 'g' ? grey
                                    : kind == 'w' ? white
                                                  : behind & 0xFFFFFF;
                ASSERT_TRUE(near(rgb(target, pixel(target, x, y)), want))
                    << "b = " << c.b << " at " << x << "," << y << ": " << std::hex
                    << pixel(target, x, y) << " want " << want;
            }
        // What stays open is transparent black in the lift surface itself.
        if (c.open_to >= c.open_from) {
            EXPECT_EQ(pixel(lift_surface, c.open_from, 5), 0u) << c.b;
        }
    }
    SDL_FreeSurface(target);
}

TEST(Lift, DoorEdgesAtThePictureEdgesAreClipped)
{
    lift_loaded();
    SDL_Surface* target = make_surface(320, 240, behind);
    SDL_FillRect(lift_surface, nullptr, ring_colour);
    door_draw(159, target);  // left edge on columns 0-2, right edge 318-320
    const Uint32 want[] = {grey, white, grey};
    for (int x = 0; x < 3; x++)
        EXPECT_TRUE(near(rgb(target, pixel(target, x, 9)), want[x])) << x;
    EXPECT_TRUE(near(rgb(target, pixel(target, 3, 9)), behind & 0xFFFFFF));
    EXPECT_TRUE(near(rgb(target, pixel(target, 317, 9)), behind & 0xFFFFFF));
    EXPECT_TRUE(near(rgb(target, pixel(target, 318, 9)), grey));
    EXPECT_TRUE(near(rgb(target, pixel(target, 319, 9)), white));
    door_draw(0x7FFFFFFF, target);  // must neither overflow nor write off the row
    SDL_FreeSurface(target);
}

TEST(Lift, DrawsOnlyInsideItsWindow)
{
    lift_loaded();
    for (uint32_t t : {50057u, 68001u, 0u, 100000u}) {
        SDL_FillRect(back_buffer, nullptr, behind);
        lift_frame(t);
        EXPECT_EQ(pixel(back_buffer, 100, 100), behind) << t;
    }
    // The first and last frames are black under the fades.
    for (uint32_t t : {50058u, 68000u}) {
        SDL_FillRect(back_buffer, nullptr, behind);
        lift_frame(t);
        for (int y = 0; y < 240; y += 30)
            for (int x = 0; x < 320; x += 40)
                ASSERT_TRUE(near(rgb(back_buffer, pixel(back_buffer, x, y)), 0)) << t;
    }
}

// A one-colour 8-pixel-wide sprite and a half-magenta lift graphic, seen
// through the opening.
TEST(Lift, DancerBeforeTheCreditScreenAndTheCreditScreenFrom59000)
{
    lift_loaded();
    Sprite* saved_sprite = lift_sprite;
    SDL_Surface* saved_graphic = lift_graphic;
    const Uint32 dancer = 0x00C0FF;
    const Uint32 picture = 0x40E040;
    SDL_Surface* sheet = make_surface(8, 400, 0);
    SDL_FillRect(sheet, nullptr, SDL_MapRGB(sheet->format, 0x00, 0xC0, 0xFF));
    lift_sprite = make_sprite(sheet, 4);
    ASSERT_NE(lift_sprite, nullptr);
    lift_graphic = make_surface(320, 240, SDL_MapRGB(back_buffer->format, 0x40, 0xE0, 0x40));
    SDL_Rect left_half = {0, 0, 160, 240};
    SDL_FillRect(lift_graphic, &left_half, magenta_key);

    // The sprite covers columns 121-136, rows 30-229; the opening at 58000 is
    // columns 92-228, at 62000 columns 42-278.
    const struct {
        uint32_t t;
        bool dances;
        Uint32 at_125_100, at_100_100, at_200_100;
    } cases[] = {
        {55000, true, dancer, grey, grey},
        {58000, true, dancer, grey, grey},
        {62000, false, 0x000000, 0x000000, picture},
    };
    for (const auto& c : cases) {
        lift_sprite->last_step = 0;
        lift_frame(c.t);
        EXPECT_EQ(lift_sprite->last_step, c.dances ? c.t : 0u) << c.t;
        EXPECT_TRUE(near(rgb(back_buffer, pixel(back_buffer, 125, 100)), c.at_125_100)) << c.t;
        EXPECT_TRUE(near(rgb(back_buffer, pixel(back_buffer, 100, 100)), c.at_100_100)) << c.t;
        EXPECT_TRUE(near(rgb(back_buffer, pixel(back_buffer, 200, 100)), c.at_200_100)) << c.t;
    }
    // From 59000 the dancer is no longer drawn, so it no longer steps.
    lift_sprite->last_step = 0;
    lift_frame(59000);
    EXPECT_EQ(lift_sprite->last_step, 0u);
    lift_frame(58999);
    EXPECT_EQ(lift_sprite->last_step, 58999u);

    SDL_FreeSurface(lift_graphic);
    lift_graphic = saved_graphic;
    lift_sprite = saved_sprite;
}

// Shut doors with the seam at 59000 and 66024, without it from 66025: the
// rings cover everything else.
TEST(Lift, SeamOfShutDoors)
{
    lift_loaded();
    for (uint32_t t : {59000u, 66024u, 66025u}) {
        lift_frame(t);
        const bool seam = t != 66025;
        const Uint32 at_160 = rgb(back_buffer, pixel(back_buffer, 160, 60));
        EXPECT_EQ(near(at_160, white), seam) << t;
        EXPECT_EQ(near(rgb(back_buffer, pixel(back_buffer, 159, 60)), grey), seam) << t;
        // Away from the seam, the rings as drawn into the lift surface.
        EXPECT_TRUE(near(rgb(back_buffer, pixel(back_buffer, 20, 60)),
                         rgb(lift_surface, pixel(lift_surface, 20, 60))))
            << t;
    }
}

TEST(Lift, MissingSurfacesDrawWhatIsLeft)
{
    lift_loaded();
    SDL_Surface* saved = lift_surface;
    lift_surface = nullptr;
    lift_frame(55000);  // no doors: the grey inside alone
    EXPECT_TRUE(near(rgb(back_buffer, pixel(back_buffer, 10, 10)), grey));
    door_draw(70, back_buffer);
    lift_surface = saved;
}
