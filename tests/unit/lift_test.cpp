// The lift scene: door half-width by time, the door draw, the scene's window,
// and the inside (dancer or credit screen) seen through the opening.
#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>

#include "draw/blit.h"
#include "overlays/sprite.h"
#include "scenes/lift_scene.h"
#include "tests/support.h"

namespace {

constexpr uint32_t grey = 0x808080, white = 0xFFFFFF, black = 0x000000;
constexpr uint32_t rings = 0x2040C0;   // the lift surface's fill, as 0xRRGGBB
constexpr uint32_t behind = 0x123456;  // the target's fill, as 0xRRGGBB

// The scene, the ring image it shares (no font: the credit screen's text is
// left out) and the frame it draws.
LiftScene scene;
SharedState shared;
Surface* target = nullptr;

// The fade surfaces and the lift step once, with whatever pictures data/ holds.
void lift_loaded()
{
    if (!target) {
        shared_load(&shared, false);
        lift_load(&scene, &shared);
        target = make_surface(back_width, back_height, 0);
    }
    ASSERT_NE(scene.doors, nullptr);
}

void lift_frame(uint32_t t)
{
    lift_scene_draw(t, &scene, &shared, target);
}

int shift(uint32_t mask)
{
    return __builtin_ctz(mask);
}

// 0xRRGGBB in the surface's layout, opaque where the layout has alpha.
uint32_t map_rgb(const Surface* s, uint32_t rgb)
{
    const PixelLayout& f = s->layout;
    return (rgb >> 16) << shift(f.r) | (rgb >> 8 & 0xFF) << shift(f.g) |
           (rgb & 0xFF) << shift(f.b) | f.a;
}

// The surface's pixel (x, y) as 0xRRGGBB.
uint32_t rgb_at(const Surface* s, int x, int y)
{
    const PixelLayout& f = s->layout;
    const uint32_t p = pixel(s, x, y);
    return (p & f.r) >> shift(f.r) << 16 | (p & f.g) >> shift(f.g) << 8 | (p & f.b) >> shift(f.b);
}

void fill_rgb(Surface* s, uint32_t rgb)
{
    surface_fill(map_rgb(s, rgb), s);
}

// True when pixel (x, y) is within 2 per channel of 0xRRGGBB: the blending
// decides the last bit.
bool shows(const Surface* s, int x, int y, uint32_t rgb)
{
    const uint32_t p = rgb_at(s, x, y);
    for (int i = 0; i < 3; i++)
        if (std::abs(int(p >> (16 - 8 * i) & 0xFF) - int(rgb >> (16 - 8 * i) & 0xFF)) > 2)
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
    Surface* behind_doors = make_surface(320, 240, 0);
    for (const auto& c : cases) {
        fill_rgb(scene.doors, rings);
        fill_rgb(behind_doors, behind);
        door_draw(c.b, scene.doors, behind_doors);
        for (const auto& p : c.at) {
            if (!p.kind)
                break;
            const uint32_t want = p.kind == 'r'   ? rings
                                  : p.kind == 't' ? behind
                                  : p.kind == 'g' ? grey
                                                  : white;
            for (int y : {0, 117, 239}) {
                EXPECT_TRUE(shows(behind_doors, p.x, y, want))
                    << "b = " << c.b << " at " << p.x << "," << y << " wants " << p.kind;
            }
            // The opening is transparent black in the door surface itself.
            if (p.kind == 't') {
                EXPECT_EQ(pixel(scene.doors, p.x, 5), 0u) << c.b;
            }
        }
    }
    surface_free(behind_doors);
}

TEST(Lift, DrawsOnlyInsideItsWindowAndStartsAndEndsBlack)
{
    lift_loaded();
    for (uint32_t t : {0u, 50057u, 68001u, 100000u}) {
        fill_rgb(target, behind);
        lift_frame(t);
        EXPECT_TRUE(shows(target, 100, 100, behind)) << t;
    }
    for (uint32_t t : {50058u, 68000u}) {
        fill_rgb(target, behind);
        lift_frame(t);
        for (int y = 0; y < 240; y += 30)
            for (int x = 0; x < 320; x += 40)
                ASSERT_TRUE(shows(target, x, y, black)) << t;
    }
}

// An 8-pixel-wide one-colour dancer (columns 121-136, rows 30-229) and a lift
// graphic magenta on its left half, seen through the opening (columns 92-228
// at 55000 and 58000, 42-278 at 62000).
TEST(Lift, DancerUntil59000ThenTheCreditScreen)
{
    lift_loaded();
    Sprite* saved_sprite = scene.sprite;
    Surface* saved_graphic = scene.graphic;
    const uint32_t dancer = 0x00C0FF, picture = 0x40E040;
    Surface* sheet = make_surface(8, 400, 0);
    fill_rgb(sheet, dancer);
    scene.sprite = sprite_make(sheet, 4);
    ASSERT_NE(scene.sprite, nullptr);
    scene.graphic = make_surface(320, 240, 0);
    fill_rgb(scene.graphic, picture);
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 160; x++)
            set_pixel(scene.graphic, x, y, magenta_key);

    const struct {
        uint32_t t;
        bool dancer;                      // the sprite drawn
        uint32_t at_100, at_125, at_200;  // row 100
    } cases[] = {
        {55000, true, grey, dancer, grey},   {58000, true, grey, dancer, grey},
        {58999, true, rings, rings, rings},  // shut behind the seam
        {59000, false, rings, rings, rings}, {62000, false, black, black, picture},
    };
    for (const auto& c : cases) {
        scene.sprite->steps_taken = sprite_not_drawn;
        lift_frame(c.t);
        EXPECT_EQ(scene.sprite->steps_taken != sprite_not_drawn, c.dancer) << c.t;
        const uint32_t want[3] = {c.at_100, c.at_125, c.at_200};
        const int column[3] = {100, 125, 200};
        for (int i = 0; i < 3; i++) {
            // The doors show whatever the rings drew into the door surface.
            const uint32_t door = rgb_at(scene.doors, column[i], 100);
            EXPECT_TRUE(shows(target, column[i], 100, want[i] == rings ? door : want[i]))
                << c.t << " at column " << column[i];
        }
    }
    surface_free(scene.graphic);
    delete scene.sprite;
    surface_free(sheet);
    scene.graphic = saved_graphic;
    scene.sprite = saved_sprite;
}

TEST(Lift, WithoutTheLiftSurfaceTheInsideAloneIsDrawn)
{
    lift_loaded();
    Surface* saved = scene.doors;
    scene.doors = nullptr;
    lift_frame(55000);
    door_draw(70, scene.doors, target);
    scene.doors = saved;
    EXPECT_TRUE(shows(target, 10, 10, grey));
}
