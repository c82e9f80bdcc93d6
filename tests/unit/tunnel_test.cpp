// The tunnel: its tables, the renderer against the pixel-by-pixel loop and its
// refusals, the view path, the finale's tunnel, and the tunnel scene.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "core/maths.h"
#include "draw/blit.h"
#include "draw/png.h"
#include "effects/tunnel.h"
#include "reference/tunnel_reference.h"
#include "scenes/pictures.h"
#include "scenes/shared.h"
#include "scenes/timeline.h"
#include "scenes/tunnel_scene.h"
#include "tests/support.h"

namespace {

constexpr uint32_t opaque = 0xFF000000;
constexpr uint32_t sentinel = 0x01020304;

// Texel (row, column) carries its own coordinates, under a top byte the
// renderer must replace.
uint32_t texel_code(int row, int column)
{
    return uint32_t(row) << 9 | uint32_t(column);
}

Surface* coded_texture(int w = tunnel_texture_side, int h = tunnel_texture_side)
{
    Surface* s = make_surface(w, h, 0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            set_pixel(s, x, y, 0x5A000000 | texel_code(y & 511, x & 511));
    return s;
}

int table(const int32_t* t, int row, int column)
{
    return t[row * tunnel_table_width + column];
}

// Pixels of the w x h corner where a and b differ (b null: where a is not the sentinel).
int differing(const Surface* a, const Surface* b, int w, int h)
{
    if (b)
        return differing_pixels(a, b, w, h);
    int n = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            n += pixel(a, x, y) != sentinel;
    return n;
}

// The tables as the tunnel scene builds them, once per process.
TunnelTables tables;

class Tunnel : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        tunnel_make_tables(&tables);
        ASSERT_NE(tables.depth, nullptr);
    }
};

TEST_F(Tunnel, TableEntries)
{
    const struct {
        int row, column, depth, angle;
    } cases[] = {
        {240, 320, 100000, 0},  // the axis, x' = 0.1
        {240, 321, 10000, 0},   {240, 319, 10000, 255}, {241, 320, 9950, 119},
        {239, 320, 9950, -119}, {240, 0, 31, 255},      {239, 380, 166, -1},
        {0, 0, 25, -203},       {479, 639, 25, 52},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(table(tables.depth, c.row, c.column), c.depth) << c.row << "," << c.column;
        EXPECT_EQ(table(tables.angle, c.row, c.column), c.angle) << c.row << "," << c.column;
    }
    // The lower half is built as a mirror of the upper one; every entry must
    // still be what the trigonometry gives, and the packed word the renderer
    // reads must hold both entries' low 9 bits.
    for (int i = 0; i < tunnel_table_height; i++)
        for (int j = 0; j < tunnel_table_width; j++) {
            const double x = j == 320 ? 0.1 : j - 320.0;
            const double theta = std::atan2(i - 240.0, x);
            const int depth = table(tables.depth, i, j), angle = table(tables.angle, i, j);
            ASSERT_EQ(depth, int(std::cos(theta) * 200 * 50 / x)) << i << "," << j;
            ASSERT_EQ(angle, int(theta * 256 / pi_f)) << i << "," << j;
            ASSERT_EQ(tables.texel[i * tunnel_table_width + j],
                      uint32_t(depth & 511) << 16 | uint32_t(angle & 511))
                << i << "," << j;
        }
}

TEST_F(Tunnel, RendersLikeThePixelLoop)
{
    Surface* texture = coded_texture();
    Surface* target = make_surface(320, 240, 0);
    tunnel_draw(&tables, texture, 0.0f, 0.0f, 160.0f, 120.0f, target);
    // Table row 240, column 320 (depth 100000) reads texture row 160; table
    // row 239, column 380 (angle -1) reads column 511.
    EXPECT_EQ(pixel(target, 160, 120), opaque | texel_code(100000 % 512, 0));
    EXPECT_EQ(pixel(target, 220, 119), opaque | texel_code(166, 511));
    surface_free(target);
    surface_free(texture);

    const struct {
        float depth, angle, column, row;
        int target_w, target_h, texture_w, texture_h;
    } cases[] = {
        {0.0f, 0.0f, 160.0f, 120.0f, 320, 240, 512, 512},
        {16000.6f, 20000.75f, 44.0f, 86.0f, 320, 240, 512, 512},
        {-0.7f, -1.6f, 0.0f, 0.0f, 320, 240, 512, 512},  // negative sums wrap
        {-123457.0f, 98765.4f, 320.0f, 240.0f, 320, 240, 512, 512},
        {0.49f, 0.5f, -0.7f, 240.4f, 320, 240, 512, 512},        // rounding at the limits
        {13600.0f, 17000.0f, 10.0f, 96.0f, 333, 251, 600, 530},  // wider pitches on both
        {511.5f, 255.5f, 89.0f, 159.0f, 320, 240, 4096, 512},    // row offsets past 16 bits
    };
    for (const auto& c : cases) {
        texture = coded_texture(c.texture_w, c.texture_h);
        Surface* fast = make_surface(c.target_w, c.target_h, sentinel);
        Surface* slow = make_surface(c.target_w, c.target_h, sentinel);
        tunnel_draw(&tables, texture, c.depth, c.angle, c.column, c.row, fast);
        tunnel_draw_reference(&tables, texture, c.depth, c.angle, c.column, c.row, slow);
        // Equal everywhere, and only the 320 x 240 corner written.
        EXPECT_EQ(differing(fast, slow, c.target_w, c.target_h), 0)
            << c.depth << " " << c.angle << " " << c.column << " " << c.row;
        EXPECT_EQ(differing(fast, nullptr, c.target_w, c.target_h), 320 * 240);
        surface_free(slow);
        surface_free(fast);
        surface_free(texture);
    }
}

TEST_F(Tunnel, ShiftWithoutAnIntegerActsAsTheMostNegativeOne)
{
    // -2147483648 has its low 9 bits clear: the picture of a zero shift.
    Surface* texture = coded_texture();
    Surface* want = make_surface(320, 240, 0);
    Surface* got = make_surface(320, 240, 0);
    tunnel_draw(&tables, texture, 0.0f, 0.0f, 100.0f, 100.0f, want);
    for (float bad : {NAN, INFINITY, -INFINITY, 3.0e9f, -3.0e9f}) {
        tunnel_draw(&tables, texture, bad, bad, 100.0f, 100.0f, got);
        EXPECT_EQ(differing(got, want, 320, 240), 0) << bad;
    }
    surface_free(got);
    surface_free(want);
    surface_free(texture);
}

TEST_F(Tunnel, DrawsNothingItCouldNotDrawWhole)
{
    Surface* texture = coded_texture();
    Surface* narrow = coded_texture(511, 512);
    Surface* low = coded_texture(512, 511);
    const struct {
        Surface* texture;
        int target_w, target_h;
        float column, row;
    } cases[] = {
        {nullptr, 320, 240, 0.0f, 0.0f},     {narrow, 320, 240, 0.0f, 0.0f},
        {low, 320, 240, 0.0f, 0.0f},         {texture, 319, 240, 0.0f, 0.0f},
        {texture, 320, 239, 0.0f, 0.0f},     {texture, 320, 240, 320.5f, 0.0f},
        {texture, 320, 240, -1.5f, 0.0f},    {texture, 320, 240, 0.0f, 240.5f},
        {texture, 320, 240, 0.0f, -1.5f},    {texture, 320, 240, NAN, 0.0f},
        {texture, 320, 240, 0.0f, INFINITY}, {texture, 320, 240, -1.0e10f, 0.0f},
    };
    for (const auto& c : cases) {
        Surface* target = make_surface(c.target_w, c.target_h, sentinel);
        tunnel_draw(&tables, c.texture, 5.0f, 5.0f, c.column, c.row, target);
        EXPECT_EQ(differing(target, nullptr, c.target_w, c.target_h), 0)
            << c.target_w << "x" << c.target_h << " at " << c.column << "," << c.row;
        surface_free(target);
    }
    tunnel_draw(&tables, texture, 0.0f, 0.0f, 0.0f, 0.0f, nullptr);
    // Without tables (none built, or their memory not had) nothing is drawn.
    const TunnelTables unbuilt;
    Surface* target = make_surface(320, 240, sentinel);
    tunnel_draw(&unbuilt, texture, 5.0f, 5.0f, 0.0f, 0.0f, target);
    tunnel_draw(nullptr, texture, 5.0f, 5.0f, 0.0f, 0.0f, target);
    EXPECT_EQ(differing(target, nullptr, 320, 240), 0) << "without tables";
    surface_free(target);
    surface_free(low);
    surface_free(narrow);
    surface_free(texture);
}

TEST_F(Tunnel, ViewPathAndShifts)
{
    const struct {
        uint32_t t;
        int column, row;
        float depth, angle;
    } cases[] = {
        {68000, 10, 96, 13600.0f, 17000.0f},
        {70000, 74, 145, 14000.0f, 17500.0f},
        {80000, 44, 85, 16000.0f, 20000.0f},
        {80003, 44, 86, 16000.6f, 20000.75f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tunnel_view_column(c.t), c.column) << c.t;
        EXPECT_EQ(tunnel_view_row(c.t), c.row) << c.t;
        EXPECT_EQ(tunnel_depth_shift(c.t), c.depth) << c.t;
        EXPECT_EQ(tunnel_angle_shift(c.t), c.angle) << c.t;
    }
    // Wherever the scene and the finale draw, the window stays inside the tables.
    for (uint32_t t = tunnel_start; t <= finale_end; t++) {
        ASSERT_TRUE(tunnel_view_column(t) >= 10 && tunnel_view_column(t) <= 89) << t;
        ASSERT_TRUE(tunnel_view_row(t) >= 80 && tunnel_view_row(t) <= 159) << t;
    }
}

// The tunnel as the finale flies it, from the shared tables and texture.
TEST_F(Tunnel, FinaleTunnelAt80000And80003)
{
    Surface* target = make_surface(320, 240, sentinel);
    SharedState shared;
    shared.tunnel = tables;
    tunnel_fly(80000, &shared, target);  // no texture loaded: nothing drawn
    EXPECT_EQ(differing(target, nullptr, 320, 240), 0);

    shared.tunnel_texture = coded_texture();
    // The axis lands at (320 - 44, 240 - 85): depth 100000 and angle 0 plus
    // the shifts 16000 and 20000.
    tunnel_fly(80000, &shared, target);
    EXPECT_EQ(pixel(target, 276, 155), opaque | texel_code(116000 % 512, 20000 % 512));
    // 16000.6 and 20000.75 round to 16001 and 20001; the view row is 86 now.
    tunnel_fly(80003, &shared, target);
    EXPECT_EQ(pixel(target, 276, 154), opaque | texel_code(116001 % 512, 20001 % 512));
    surface_free(shared.tunnel_texture);
    surface_free(target);
}

// Writes a w x h grey PNG; true when it was written.
bool write_grey_png(const std::string& path, int w, int h)
{
    const std::vector<unsigned char> rgb(size_t(w) * h * 3, 0x80);
    return png_write(rgb.data(), w, h, path.c_str());
}

TEST_F(Tunnel, TextureSmallerThan512IsRefusedAtLoad)
{
    char dir[] = "/tmp/tunnel_test_XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string path = std::string(dir) + "/texture.png";
    const struct {
        int w, h;  // 0 x 0: no file at all, reported once by the loader
        bool loads;
    } cases[] = {
        {512, 512, true}, {640, 520, true}, {511, 512, false}, {512, 511, false}, {0, 0, false}};
    for (const auto& c : cases) {
        unlink(path.c_str());
        if (c.w) {
            ASSERT_TRUE(write_grey_png(path, c.w, c.h));
        }
        testing::internal::CaptureStdout();
        Surface* texture = tunnel_load_texture(path.c_str());
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(texture != nullptr, c.loads) << c.w << "x" << c.h;
        EXPECT_EQ(printed, c.loads ? "" : "Error at loading picture " + path + "\n");
        surface_free(texture);
    }
    unlink(path.c_str());
    rmdir(dir);
}

TEST(TunnelScene, CreditPositions)
{
    const struct {
        uint32_t t;
        int graph_x;
        float credit_x;
    } cases[] = {
        {70000, -320, 320.0f}, {70500, -160, 240.0f}, {71000, 0, 160.0f},
        {75000, 0, 160.0f},    {80000, 0, 160.0f},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tunnel_graph_x(c.t), c.graph_x) << c.t;
        EXPECT_EQ(tunnel_credit_x(c.t), c.credit_x) << c.t;
    }
}

// The scene over its own small pictures: a coded texture, a 16-pixel-wide car
// and a 320 x 8 graph strip; no font, so no credit text.
class TunnelSceneFrame : public Tunnel {
protected:
    static constexpr uint32_t car_colour = 0xFF00C000;
    static constexpr uint32_t graph_colour = 0xFFE0E000;

    TunnelScene scene;
    SharedState shared;
    Surface* target = nullptr;

    void SetUp() override
    {
        shared_load(&shared, false);
        shared.tunnel = tables;
        shared.tunnel_texture = coded_texture();
        scene.graph = make_surface(320, 8, graph_colour);
        scene.car = sprite_make(make_surface(16, 200, car_colour), tunnel_car_frames);
        ASSERT_NE(scene.car, nullptr);
        target = make_surface(back_width, back_height, sentinel);
    }
    void TearDown() override
    {
        surface_free(target);
        if (scene.car)
            surface_free(scene.car->sheet);
        delete scene.car;
        surface_free(scene.graph);
        surface_free(shared.tunnel_texture);
        fade_free(&shared.fades);
    }
    void draw(uint32_t t) { tunnel_scene_draw(t, &scene, &shared, target); }
};

TEST_F(TunnelSceneFrame, DrawsOnlyInsideItsWindow)
{
    for (uint32_t t : {67999u, 80001u, 0u, 4294967295u}) {
        draw(t);
        EXPECT_EQ(differing(target, nullptr, 320, 240), 0) << t;
    }
    // Both ends are drawn, under the fade's fully black end.
    for (uint32_t t : {68000u, 80000u}) {
        surface_fill(sentinel, target);
        draw(t);
        int lit = 0;
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++)
                lit += (pixel(target, x, y) & 0xFFFFFF) != 0;
        EXPECT_EQ(lit, 0) << t;
    }
}

TEST_F(TunnelSceneFrame, CarTunnelAndGraphPositions)
{
    const struct {
        uint32_t t;
        int view_column, view_row;
        int car_x, car_y;
        int graph_right;  // first column right of the graph strip
    } cases[] = {
        // The blit rounds a negative whole position one column to the right:
        // -320 shows the strip's last column, -160 lands at -159.
        {68000, 10, 96, 225, 122, 0},
        {70000, 74, 145, 193, 98, 1},
        {70500, 88, 116, 186, 112, 161},
        {71000, 88, 90, 186, 125, 320},
    };
    for (const auto& c : cases) {
        draw(c.t);
        EXPECT_EQ(scene.car->last_left, c.car_x - 8) << c.t;
        EXPECT_EQ(scene.car->last_top, c.car_y - 50) << c.t;
        if (c.t == 68000)
            continue;  // the fade is still black
        const uint32_t axis = texel_code((100000 + int(c.t / 5)) % 512, int(c.t / 4) % 512);
        EXPECT_EQ(pixel(target, 320 - c.view_column, 240 - c.view_row), opaque | axis) << c.t;
        EXPECT_EQ(pixel(target, c.car_x - 8, c.car_y - 50), car_colour) << c.t;
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(pixel(target, x, 4) == graph_colour, x < c.graph_right)
                << c.t << " column " << x;
    }
}

// 0.49999997 + 0.5 is 1 in single precision: the shifts and the view must
// round like every other position, to 0. (The pixel loop shares the rounding,
// so the pictures of 0 and 1 are the yardsticks.)
TEST_F(Tunnel, JustBelowOneHalfRoundsDown)
{
    Surface* texture = coded_texture();
    Surface* zero = make_surface(320, 240, 0);
    Surface* half = make_surface(320, 240, 0);
    Surface* one = make_surface(320, 240, 0);
    tunnel_draw(&tables, texture, 0.0f, 0.0f, 0.0f, 0.0f, zero);
    for (int i = 0; i < 4; i++) {  // depth, angle, column, row
        float a[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        a[i] = 0.49999997f;
        tunnel_draw(&tables, texture, a[0], a[1], a[2], a[3], half);
        a[i] = 1.0f;
        tunnel_draw(&tables, texture, a[0], a[1], a[2], a[3], one);
        EXPECT_EQ(differing(half, zero, 320, 240), 0) << i;
        EXPECT_GT(differing(one, zero, 320, 240), 0) << i;
    }
    surface_free(one);
    surface_free(half);
    surface_free(zero);
    surface_free(texture);
}

}  // namespace
