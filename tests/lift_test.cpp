// The lift scene: door half-width by time, the door draw, the scene's window,
// and the inside (dancer or credit screen) seen through the opening.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "overlays/sprite.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/lift_scene.h"
#include "tests/support.h"

namespace {

constexpr Uint32 grey = 0x808080, white = 0xFFFFFF, black = 0x000000;
constexpr Uint32 rings = 0x2040C0;   // the lift surface's fill, as 0xRRGGBB
constexpr Uint32 behind = 0x123456;  // the target's fill, as 0xRRGGBB

// The fade surfaces and the lift step once, with whatever pictures data/ holds.
void lift_loaded()
{
    static bool done = false;
    video_once();
    if (!done) {
        fade_load();
        lift_load();
    }
    done = true;
    ASSERT_NE(lift_surface, nullptr);
}

void fill_rgb(SDL_Surface* s, Uint32 rgb)
{
    SDL_FillRect(s, nullptr, SDL_MapRGB(s->format, rgb >> 16, rgb >> 8 & 0xFF, rgb & 0xFF));
}

// True when pixel (x, y) is within 2 per channel of 0xRRGGBB: SDL's
// blending decides the last bit.
bool shows(SDL_Surface* s, int x, int y, Uint32 rgb)
{
    Uint8 c[3];
    SDL_GetRGB(pixel(s, x, y), s->format, &c[0], &c[1], &c[2]);
    for (int i = 0; i < 3; i++)
        if (std::abs(int(c[i]) - int(rgb >> (16 - 8 * i) & 0xFF)) > 2)
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
        {50058, -1}, {52999, -1},  {53000, 0},   {53014, 0},   {53015, 1},   {54000, 70},
        {58000, 70}, {58001, 69},  {58985, 1},   {58986, 0},   {59000, 0},   {59024, 0},
        {59025, 1},  {61999, 119}, {62000, 120}, {63000, 120}, {63001, 119}, {65975, 1},
        {65976, 0},  {66024, 0},   {66025, -1},  {68000, -80},
    };
    for (const auto& c : cases)
        EXPECT_EQ(door_half_width(c.t), c.b) << c.t;
}

// Columns of every row after a door draw: r rings, t the target through the
// opening, g grey, w white.
TEST(Lift, DoorDrawCutsTheOpeningAndDrawsTheEdges)
{
    lift_loaded();
    const struct {
        int b;
        struct {
            int x;
            char kind;
        } at[12];
    } cases[] = {
        {-1, {{0, 'r'}, {159, 'r'}, {160, 'r'}, {161, 'r'}, {319, 'r'}}},
        {0, {{158, 'r'}, {159, 'g'}, {160, 'w'}, {161, 'g'}, {162, 'r'}}},
        {1, {{157, 'r'}, {158, 'g'}, {159, 'w'}, {160, 'g'}, {161, 'w'}, {162, 'g'}, {163, 'r'}}},
        {70,
         {{88, 'r'},
          {89, 'g'},
          {90, 'w'},
          {91, 'g'},
          {92, 't'},
          {160, 't'},
          {228, 't'},
          {229, 'g'},
          {230, 'w'},
          {231, 'g'},
          {232, 'r'}}},
        // Wider than the scene ever opens: clipped to the row.
        {159, {{0, 'g'}, {1, 'w'}, {2, 'g'}, {3, 't'}, {317, 't'}, {318, 'g'}, {319, 'w'}}},
        {200, {{0, 't'}, {160, 't'}, {319, 't'}}},
        {INT_MAX, {{0, 't'}, {319, 't'}}},
    };
    SDL_Surface* target = make_surface(320, 240, 0);
    for (const auto& c : cases) {
        fill_rgb(lift_surface, rings);
        fill_rgb(target, behind);
        door_draw(c.b, target);
        for (const auto& p : c.at) {
            if (!p.kind)
                break;
            const Uint32 want = p.kind == 'r'   ? rings
                                : p.kind == 't' ? behind
                                : p.kind == 'g' ? grey
                                                : white;
            for (int y : {0, 117, 239}) {
                EXPECT_TRUE(shows(target, p.x, y, want))
                    << "b = " << c.b << " at " << p.x << "," << y << " wants " << p.kind;
            }
            // The opening is transparent black in the lift surface itself.
            if (p.kind == 't') {
                EXPECT_EQ(pixel(lift_surface, p.x, 5), 0u) << c.b;
            }
        }
    }
    SDL_FreeSurface(target);
}

TEST(Lift, DrawsOnlyInsideItsWindowAndStartsAndEndsBlack)
{
    lift_loaded();
    for (uint32_t t : {0u, 50057u, 68001u, 100000u}) {
        fill_rgb(back_buffer, behind);
        lift_frame(t);
        EXPECT_TRUE(shows(back_buffer, 100, 100, behind)) << t;
    }
    for (uint32_t t : {50058u, 68000u}) {
        fill_rgb(back_buffer, behind);
        lift_frame(t);
        for (int y = 0; y < 240; y += 30)
            for (int x = 0; x < 320; x += 40)
                ASSERT_TRUE(shows(back_buffer, x, y, black)) << t;
    }
}

// An 8-pixel-wide one-colour dancer (columns 121-136, rows 30-229) and a lift
// graphic magenta on its left half, seen through the opening (columns 92-228
// at 55000 and 58000, 42-278 at 62000).
TEST(Lift, DancerUntil59000ThenTheCreditScreen)
{
    lift_loaded();
    Sprite* saved_sprite = lift_sprite;
    SDL_Surface* saved_graphic = lift_graphic;
    const Uint32 dancer = 0x00C0FF, picture = 0x40E040;
    SDL_Surface* sheet = make_surface(8, 400, 0);
    fill_rgb(sheet, dancer);
    lift_sprite = make_sprite(sheet, 4);
    ASSERT_NE(lift_sprite, nullptr);
    lift_graphic = make_surface(320, 240, 0);
    fill_rgb(lift_graphic, picture);
    SDL_Rect left_half = {0, 0, 160, 240};
    SDL_FillRect(lift_graphic, &left_half, magenta_key);

    const struct {
        uint32_t t;
        bool dancer;                    // the sprite drawn
        Uint32 at_100, at_125, at_200;  // row 100
    } cases[] = {
        {55000, true, grey, dancer, grey},   {58000, true, grey, dancer, grey},
        {58999, true, rings, rings, rings},  // shut behind the seam
        {59000, false, rings, rings, rings}, {62000, false, black, black, picture},
    };
    for (const auto& c : cases) {
        lift_sprite->steps_taken = sprite_not_drawn;
        lift_frame(c.t);
        EXPECT_EQ(lift_sprite->steps_taken != sprite_not_drawn, c.dancer) << c.t;
        const Uint32 want[3] = {c.at_100, c.at_125, c.at_200};
        const int column[3] = {100, 125, 200};
        for (int i = 0; i < 3; i++) {
            // The doors show whatever the rings drew into the lift surface.
            Uint8 r, g, b;
            SDL_GetRGB(pixel(lift_surface, column[i], 100), lift_surface->format, &r, &g, &b);
            const Uint32 door = Uint32(r) << 16 | Uint32(g) << 8 | b;
            EXPECT_TRUE(shows(back_buffer, column[i], 100, want[i] == rings ? door : want[i]))
                << c.t << " at column " << column[i];
        }
    }
    SDL_FreeSurface(lift_graphic);
    delete lift_sprite;
    SDL_FreeSurface(sheet);
    lift_graphic = saved_graphic;
    lift_sprite = saved_sprite;
}

TEST(Lift, WithoutTheLiftSurfaceTheInsideAloneIsDrawn)
{
    lift_loaded();
    SDL_Surface* saved = lift_surface;
    lift_surface = nullptr;
    lift_frame(55000);
    door_draw(70, back_buffer);
    lift_surface = saved;
    EXPECT_TRUE(shows(back_buffer, 10, 10, grey));
}
