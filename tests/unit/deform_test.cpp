// The polar deformation's tables and renderer, and the deform scene's timing.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "draw/blit.h"
#include "effects/deform.h"
#include "reference/deform_reference.h"
#include "scenes/deform_scene.h"
#include "scenes/shared.h"
#include "tests/support.h"

namespace {

constexpr int entries = deform_table_side * deform_table_side;

// Both tables as the show builds them, once per process.
const DeformShift* inversion()
{
    static std::vector<DeformShift> t = [] {
        std::vector<DeformShift> v(entries);
        deform_make_inversion(v.data());
        return v;
    }();
    return t.data();
}

const DeformShift* ripple()
{
    static std::vector<DeformShift> t = [] {
        std::vector<DeformShift> v(entries);
        deform_make_ripple(v.data());
        return v;
    }();
    return t.data();
}

// A texture whose pixels name their own position: column in the low half, row above.
Surface* position_texture(int w, int h)
{
    Surface* s = make_surface(w, h, 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            set_pixel(s, x, y, uint32_t(y) << 16 | uint32_t(x));
    return s;
}

uint32_t at(int column, int row)
{
    return uint32_t(row) << 16 | uint32_t(column);
}

// The renderer as the scene runs it: the map built from the tables for this texture.
void render(uint32_t a, Surface* texture, const DeformShift* inversion, const DeformShift* ripple,
            Surface* target)
{
    DeformMap map;
    ASSERT_TRUE(deform_make_map(inversion, ripple, texture, &map));
    deform_draw(a, texture, &map, target);
    deform_free_map(&map);
}

}  // namespace

TEST(DeformTables, EntriesAtTheAxesAndTheCentre)
{
    const struct {
        const char* table;
        int row, column;
        int32_t want_column, want_row;
    } cases[] = {
        {"inversion", 120, 0, -256, 0},
        {"inversion", 120, 320, 256, 0},
        {"inversion", 0, 160, 0, -64},
        {"inversion", 120, 160, INT32_MIN, INT32_MIN},  // r = 0: not finite
        {"ripple", 120, 160, 0, 0},
        {"ripple", 120, 0, 10, 42},
        {"ripple", 0, 0, 14, -29},
    };
    for (const auto& c : cases) {
        const DeformShift* t = c.table[0] == 'i' ? inversion() : ripple();
        const DeformShift& e = t[c.row * deform_table_side + c.column];
        EXPECT_EQ(e.column, c.want_column) << c.table << " " << c.row << "/" << c.column;
        EXPECT_EQ(e.row, c.want_row) << c.table << " " << c.row << "/" << c.column;
    }
}

// The table is built with the show's own atan2; every entry must still be what
// the C library's trigonometry gives (the centre, not finite, aside).
TEST(DeformTables, InversionIsTheCLibrarysTrigonometry)
{
    for (int i = 0; i < deform_table_side; i++)
        for (int j = 0; j < deform_table_side; j++) {
            const float y = float(2.0 * i / 240.0 - 1.0), x = float(2.0 * j / 320.0 - 1.0);
            const float r = float(std::sqrt(double(x) * x + double(y) * y));
            if (r == 0.0f)
                continue;
            const double theta = float(std::atan2(double(y), double(x)));
            const DeformShift& e = inversion()[i * deform_table_side + j];
            ASSERT_EQ(e.column, int32_t(256.0 * double(float(std::cos(theta)) / r)))
                << i << "," << j;
            ASSERT_EQ(e.row, int32_t(64.0 * double(float(std::sin(theta)) / r))) << i << "," << j;
        }
}

TEST(DeformRender, NegativeSumsWrapAsUnsigned32Bit)
{
    // Zero tables but for a few entries, so each sum is known exactly.
    std::vector<DeformShift> p(entries, DeformShift{0, 0}), r(entries, DeformShift{0, 0});
    p[0] = {-1, -1};                      // pixel (0, 0): both sums -1
    p[1] = {INT32_MIN, 0};                // pixel (1, 0): 1 + 2^31
    r[1] = {INT32_MIN, 0};                //   ... + 2^31 wraps to 1
    p[2] = {INT32_MAX, INT32_MAX};        // pixel (2, 0): 2 + 2^31 - 1
    p[deform_table_side] = {-320, -241};  // pixel (0, 1): -320 and -240
    Surface* texture = position_texture(320, 240);
    Surface* target = make_surface(320, 240, 0);
    const struct {
        uint32_t a;
        int x, y;
        uint32_t want;
    } cases[] = {
        {0, 0, 0, at(255, 15)},  // 2^32 - 1 mod 320 and mod 240, not 319 and 239
        {0, 1, 0, at(1, 0)},
        {0, 2, 0, at(129, 127)},
        {0, 0, 1, at(256, 16)},          // 2^32 - 320 is not a whole number of widths
        {1, 0, 0, at(0, 0)},             // -1 + 1 = 0
        {4294967295u, 5, 0, at(4, 15)},  // a = 2^32 - 1 wraps column 5 to 4
        {4294967295u, 0, 0, at(254, 14)},
    };
    for (const auto& c : cases) {
        render(c.a, texture, p.data(), r.data(), target);
        EXPECT_EQ(pixel(target, c.x, c.y), c.want) << "a=" << c.a << " at " << c.x << "," << c.y;
    }
    surface_free(target);
    surface_free(texture);
}

TEST(DeformRender, CentreShowsRow8Column288AtTimeZero)
{
    Surface* texture = position_texture(320, 240);
    Surface* target = make_surface(320, 240, 0);
    render(0, texture, inversion(), ripple(), target);
    EXPECT_EQ(pixel(target, 160, 120), at(288, 8));
    surface_free(target);
    surface_free(texture);
}

TEST(DeformRender, MatchesThePlainLoopOnEveryPixel)
{
    const struct {
        int tw, th;  // texture
        int w, h;    // target
    } sizes[] = {
        {320, 240, 320, 240}, {257, 131, 320, 240},
        {1, 1, 3, 2},         {400, 300, 320, 240},  // larger than the target: clipped
        {600, 520, 600, 520},                        // past the tables' 512 rows and columns
    };
    const uint32_t offsets[] = {0, 1, 5782, 6000, 8645, 2147483647u, 2147483648u, 4294967295u};
    for (const auto& s : sizes) {
        Surface* texture = make_surface(s.tw, s.th, 0);
        for (int y = 0; y < s.th; y++)
            for (int x = 0; x < s.tw; x++)
                set_pixel(texture, x, y, uint32_t(y * s.tw + x) * 2654435761u);
        Surface* fast = make_surface(s.w, s.h, 0x01020304);
        Surface* plain = make_surface(s.w, s.h, 0x01020304);
        for (uint32_t a : offsets) {
            render(a, texture, inversion(), ripple(), fast);
            reference_deformation(a, texture, inversion(), ripple(), plain);
            EXPECT_EQ(differing_pixels(fast, plain, s.w, s.h), 0)
                << s.tw << "x" << s.th << " on " << s.w << "x" << s.h << " a=" << a;
        }
        surface_free(plain);
        surface_free(fast);
        surface_free(texture);
    }
}

TEST(DeformRender, DrawsNothingWithoutTextureOrMatchingMap)
{
    Surface* texture = position_texture(8, 8);
    Surface* taller = position_texture(8, 9);
    // The same pixels seen with a longer row step: a map built for the
    // texture's pitch would read the wrong rows from it.
    std::vector<uint32_t> padded_pixels(9 * 8);
    Surface* padded = surface_wrap(padded_pixels.data(), 8, 8, 9, xrgb_layout);
    Surface* target = make_surface(8, 8, 0x55555555);
    DeformMap map, unbuilt;
    ASSERT_TRUE(deform_make_map(inversion(), ripple(), texture, &map));
    EXPECT_FALSE(deform_make_map(nullptr, ripple(), texture, &unbuilt));
    EXPECT_FALSE(deform_make_map(inversion(), nullptr, texture, &unbuilt));
    EXPECT_FALSE(deform_make_map(inversion(), ripple(), nullptr, &unbuilt));
    EXPECT_EQ(unbuilt.bases, nullptr);
    deform_draw(0, nullptr, &map, target);
    deform_draw(0, texture, nullptr, target);
    deform_draw(0, texture, &unbuilt, target);
    deform_draw(0, taller, &map, target);  // built for 8 x 8, not 8 x 9
    deform_draw(0, padded, &map, target);  // built for rows 8 pixels apart, not 9
    deform_draw(0, texture, &map, nullptr);
    for (int y = 0; y < 8; y++)
        for (int x = 0; x < 8; x++)
            ASSERT_EQ(pixel(target, x, y), 0x55555555u) << x << "," << y;
    deform_free_map(&map);
    surface_free(target);
    surface_free(padded);
    surface_free(taller);
    surface_free(texture);
}

TEST(DeformScene, RiderAndCreditPositions)
{
    const struct {
        uint32_t t;
        int x, y;
        float scale;
        int text_y, graph_x;  // checked from the credit's start on
    } cases[] = {
        {29911, 115, 160, 0.0f, 0, 0},   {30411, 97, 120, 1.0f, 0, 0},
        {35000, 80, 80, 2.0f, -32, 360}, {35250, 88, 100, 1.5f, -7, 270},
        {35500, 97, 120, 1.0f, 18, 180}, {36000, 115, 160, 0.0f, 68, 0},
        {43227, 115, 160, 0.0f, 68, 0},
    };
    for (const auto& c : cases) {
        const RiderPlacement r = rider_placement(c.t);
        EXPECT_EQ(r.x, c.x) << c.t;
        EXPECT_EQ(r.y, c.y) << c.t;
        EXPECT_EQ(r.scale, c.scale) << c.t;
        if (c.t >= deform_credit_start) {
            EXPECT_EQ(credit_top(c.t), c.text_y) << c.t;
            EXPECT_EQ(graph_left(c.t), c.graph_x) << c.t;
        }
    }
}

TEST(DeformScene, DrawsInItsWindowOnlyWithOffsetTimeOverFiveAndTheRiderFrom29911)
{
    // The show is not loaded here: the scene is made of known pictures, and
    // without a font or a graph picture the credit draws nothing.
    Surface* texture = position_texture(back_width, back_height);
    DeformScene scene;
    SharedState shared;
    shared_load(&shared, false);
    scene.texture = texture;
    ASSERT_TRUE(deform_make_map(inversion(), ripple(), texture, &scene.map));
    Surface* target = make_surface(back_width, back_height, 0);

    const struct {
        uint32_t t;
        bool drawn;  // both ends are at the full black of their fade
    } ends[] = {{28910, false}, {28911, true}, {43227, true}, {43228, false}};
    for (const auto& e : ends) {
        surface_fill(0x00123456, target);
        deform_scene_draw(e.t, &scene, &shared, target);
        EXPECT_EQ(pixel(target, 160, 120) & 0xFFFFFF, e.drawn ? 0u : 0x123456u) << e.t;
    }

    Surface* want = make_surface(back_width, back_height, 0);
    deform_scene_draw(30000, &scene, &shared, target);
    reference_deformation(6000, texture, inversion(), ripple(), want);
    EXPECT_EQ(differing_pixels(target, want, back_width, back_height), 0);

    // A rider of one plain colour, 4 wide: at scale 0 only its top-left pixel
    // shows, at (115 - 2, 160 - 50), from 29911 on.
    Surface* sheet = make_surface(4, rider_frames * sprite_frame_rows, 0x00ABCDEF);
    scene.rider = sprite_make(sheet, rider_frames);
    ASSERT_NE(scene.rider, nullptr);
    deform_scene_draw(29910, &scene, &shared, target);
    EXPECT_NE(pixel(target, 113, 110), 0x00ABCDEFu);
    deform_scene_draw(29911, &scene, &shared, target);
    EXPECT_EQ(pixel(target, 113, 110), 0x00ABCDEFu);
    EXPECT_NE(pixel(target, 114, 110), 0x00ABCDEFu);
    EXPECT_NE(pixel(target, 113, 111), 0x00ABCDEFu);

    delete scene.rider;
    deform_free_map(&scene.map);
    surface_free(sheet);
    surface_free(want);
    surface_free(target);
    surface_free(texture);
    fade_free(&shared.fades);
}
