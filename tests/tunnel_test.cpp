// The tunnel: its tables, the renderer against the pixel-by-pixel loop and its
// refusals, the view path, the finale's tunnel, and the tunnel scene.
#include <IL/il.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "effects/tunnel.h"
#include "platform/image.h"
#include "platform/maths.h"
#include "platform/video.h"
#include "reference/tunnel_reference.h"
#include "scenes/finale.h"
#include "scenes/tunnel_scene.h"
#include "tests/support.h"

namespace {

constexpr Uint32 opaque = 0xFF000000;
constexpr Uint32 sentinel = 0x01020304;

// Texel (row, column) carries its own coordinates, under a top byte the
// renderer must replace.
Uint32 texel_code(int row, int column)
{
    return Uint32(row) << 9 | Uint32(column);
}

SDL_Surface* coded_texture(int w = tunnel_texture_side, int h = tunnel_texture_side)
{
    SDL_Surface* s = make_surface(w, h, 0);
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
int differing(const SDL_Surface* a, const SDL_Surface* b, int w, int h)
{
    if (b)
        return differing_pixels(a, b, w, h);
    int n = 0;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            n += pixel(a, x, y) != sentinel;
    return n;
}

class Tunnel : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        video_once();
        build_tunnel_tables();
        ASSERT_NE(tunnel_depth, nullptr);
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
        EXPECT_EQ(table(tunnel_depth, c.row, c.column), c.depth) << c.row << "," << c.column;
        EXPECT_EQ(table(tunnel_angle, c.row, c.column), c.angle) << c.row << "," << c.column;
    }
    // The lower half is built as a mirror of the upper one; every entry must
    // still be what the trigonometry gives.
    for (int i = 0; i < tunnel_table_height; i++)
        for (int j = 0; j < tunnel_table_width; j++) {
            const double x = j == 320 ? 0.1 : j - 320.0;
            const double theta = std::atan2(i - 240.0, x);
            ASSERT_EQ(table(tunnel_depth, i, j), int(std::cos(theta) * 200 * 50 / x))
                << i << "," << j;
            ASSERT_EQ(table(tunnel_angle, i, j), int(theta * 256 / pi_f)) << i << "," << j;
        }
}

TEST_F(Tunnel, RendersLikeThePixelLoop)
{
    SDL_Surface* texture = coded_texture();
    SDL_Surface* target = make_surface(320, 240, 0);
    render_tunnel(target, texture, 0.0f, 0.0f, 160.0f, 120.0f);
    // Table row 240, column 320 (depth 100000) reads texture row 160; table
    // row 239, column 380 (angle -1) reads column 511.
    EXPECT_EQ(pixel(target, 160, 120), opaque | texel_code(100000 % 512, 0));
    EXPECT_EQ(pixel(target, 220, 119), opaque | texel_code(166, 511));
    SDL_FreeSurface(target);
    SDL_FreeSurface(texture);

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
        SDL_Surface* fast = make_surface(c.target_w, c.target_h, sentinel);
        SDL_Surface* slow = make_surface(c.target_w, c.target_h, sentinel);
        render_tunnel(fast, texture, c.depth, c.angle, c.column, c.row);
        render_tunnel_reference(slow, texture, c.depth, c.angle, c.column, c.row);
        // Equal everywhere, and only the 320 x 240 corner written.
        EXPECT_EQ(differing(fast, slow, c.target_w, c.target_h), 0)
            << c.depth << " " << c.angle << " " << c.column << " " << c.row;
        EXPECT_EQ(differing(fast, nullptr, c.target_w, c.target_h), 320 * 240);
        SDL_FreeSurface(slow);
        SDL_FreeSurface(fast);
        SDL_FreeSurface(texture);
    }
}

TEST_F(Tunnel, ShiftWithoutAnIntegerActsAsTheMostNegativeOne)
{
    // -2147483648 has its low 9 bits clear: the picture of a zero shift.
    SDL_Surface* texture = coded_texture();
    SDL_Surface* want = make_surface(320, 240, 0);
    SDL_Surface* got = make_surface(320, 240, 0);
    render_tunnel(want, texture, 0.0f, 0.0f, 100.0f, 100.0f);
    for (float bad : {NAN, INFINITY, -INFINITY, 3.0e9f, -3.0e9f}) {
        render_tunnel(got, texture, bad, bad, 100.0f, 100.0f);
        EXPECT_EQ(differing(got, want, 320, 240), 0) << bad;
    }
    SDL_FreeSurface(got);
    SDL_FreeSurface(want);
    SDL_FreeSurface(texture);
}

TEST_F(Tunnel, DrawsNothingItCouldNotDrawWhole)
{
    SDL_Surface* texture = coded_texture();
    SDL_Surface* narrow = coded_texture(511, 512);
    SDL_Surface* low = coded_texture(512, 511);
    const struct {
        SDL_Surface* texture;
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
        SDL_Surface* target = make_surface(c.target_w, c.target_h, sentinel);
        render_tunnel(target, c.texture, 5.0f, 5.0f, c.column, c.row);
        EXPECT_EQ(differing(target, nullptr, c.target_w, c.target_h), 0)
            << c.target_w << "x" << c.target_h << " at " << c.column << "," << c.row;
        SDL_FreeSurface(target);
    }
    render_tunnel(nullptr, texture, 0.0f, 0.0f, 0.0f, 0.0f);
    SDL_FreeSurface(low);
    SDL_FreeSurface(narrow);
    SDL_FreeSurface(texture);
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

TEST_F(Tunnel, FinaleTunnelAt80000And80003)
{
    SDL_Surface* target = make_surface(320, 240, sentinel);
    finale_tunnel_texture = nullptr;
    draw_finale_tunnel(80000, target);
    EXPECT_EQ(differing(target, nullptr, 320, 240), 0);

    finale_tunnel_texture = coded_texture();
    // The axis lands at (320 - 44, 240 - 85): depth 100000 and angle 0 plus
    // the shifts 16000 and 20000.
    draw_finale_tunnel(80000, target);
    EXPECT_EQ(pixel(target, 276, 155), opaque | texel_code(116000 % 512, 20000 % 512));
    // 16000.6 and 20000.75 round to 16001 and 20001; the view row is 86 now.
    draw_finale_tunnel(80003, target);
    EXPECT_EQ(pixel(target, 276, 154), opaque | texel_code(116001 % 512, 20001 % 512));
    SDL_FreeSurface(finale_tunnel_texture);
    finale_tunnel_texture = nullptr;
    SDL_FreeSurface(target);
}

// Writes a w x h grey PNG; true when DevIL saved it.
bool write_png(const std::string& path, int w, int h)
{
    std::vector<ILubyte> rgba(size_t(w) * h * 4, 0x80);
    ILuint name;
    ilGenImages(1, &name);
    ilBindImage(name);
    ilTexImage(w, h, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, rgba.data());
    ilEnable(IL_FILE_OVERWRITE);
    const bool saved = ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &name);
    return saved;
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
            ASSERT_TRUE(write_png(path, c.w, c.h));
        }
        testing::internal::CaptureStdout();
        SDL_Surface* texture = load_tunnel_texture(path.c_str());
        const std::string printed = testing::internal::GetCapturedStdout();
        EXPECT_EQ(texture != nullptr, c.loads) << c.w << "x" << c.h;
        EXPECT_EQ(printed, c.loads ? "" : "Error at loading picture " + path + "\n");
        SDL_FreeSurface(texture);
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
// and a 320 x 8 graph strip.
class TunnelSceneFrame : public Tunnel {
protected:
    static constexpr Uint32 car_colour = 0xFF00C000;
    static constexpr Uint32 graph_colour = 0xFFE0E000;

    void SetUp() override
    {
        if (!fade_surface)
            fade_load();
        tunnel_texture = coded_texture();
        tunnel_graph = make_surface(320, 8, graph_colour);
        car_sprite = make_sprite(make_surface(16, 200, car_colour), tunnel_car_frames);
        SDL_FillRect(back_buffer, nullptr, sentinel);
    }
    void TearDown() override
    {
        SDL_FreeSurface(car_sprite->sheet);
        delete car_sprite;
        SDL_FreeSurface(tunnel_graph);
        SDL_FreeSurface(tunnel_texture);
        car_sprite = nullptr;
        tunnel_graph = tunnel_texture = nullptr;
    }
};

TEST_F(TunnelSceneFrame, DrawsOnlyInsideItsWindow)
{
    for (uint32_t t : {67999u, 80001u, 0u, 4294967295u}) {
        tunnel_frame(t);
        EXPECT_EQ(differing(back_buffer, nullptr, 320, 240), 0) << t;
    }
    // Both ends are drawn, under the fade's fully black end.
    for (uint32_t t : {68000u, 80000u}) {
        SDL_FillRect(back_buffer, nullptr, sentinel);
        tunnel_frame(t);
        int lit = 0;
        for (int y = 0; y < 240; y++)
            for (int x = 0; x < 320; x++)
                lit += (pixel(back_buffer, x, y) & 0xFFFFFF) != 0;
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
        tunnel_frame(c.t);
        EXPECT_EQ(car_sprite->last_left, c.car_x - 8) << c.t;
        EXPECT_EQ(car_sprite->last_top, c.car_y - 50) << c.t;
        if (c.t == 68000)
            continue;  // the fade is still black
        const Uint32 axis = texel_code((100000 + int(c.t / 5)) % 512, int(c.t / 4) % 512);
        EXPECT_EQ(pixel(back_buffer, 320 - c.view_column, 240 - c.view_row), opaque | axis) << c.t;
        EXPECT_EQ(pixel(back_buffer, c.car_x - 8, c.car_y - 50), car_colour) << c.t;
        for (int x = 0; x < 320; x++)
            ASSERT_EQ(pixel(back_buffer, x, 4) == graph_colour, x < c.graph_right)
                << c.t << " column " << x;
    }
}

// 0.49999997 + 0.5 is 1 in single precision: the shifts and the view must
// round like every other position, to 0. (The pixel loop shares the rounding,
// so the pictures of 0 and 1 are the yardsticks.)
TEST_F(Tunnel, JustBelowOneHalfRoundsDown)
{
    SDL_Surface* texture = coded_texture();
    SDL_Surface* zero = make_surface(320, 240, 0);
    SDL_Surface* half = make_surface(320, 240, 0);
    SDL_Surface* one = make_surface(320, 240, 0);
    render_tunnel(zero, texture, 0.0f, 0.0f, 0.0f, 0.0f);
    for (int i = 0; i < 4; i++) {  // depth, angle, column, row
        float a[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        a[i] = 0.49999997f;
        render_tunnel(half, texture, a[0], a[1], a[2], a[3]);
        a[i] = 1.0f;
        render_tunnel(one, texture, a[0], a[1], a[2], a[3]);
        EXPECT_EQ(differing(half, zero, 320, 240), 0) << i;
        EXPECT_GT(differing(one, zero, 320, 240), 0) << i;
    }
    SDL_FreeSurface(one);
    SDL_FreeSurface(half);
    SDL_FreeSurface(zero);
    SDL_FreeSurface(texture);
}

}  // namespace
