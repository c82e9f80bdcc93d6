// Animated sprites: making and loading, frame stepping, placement, magnified
// sampling, the magenta key and clipping.
#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "draw/blit.h"
#include "draw/png.h"
#include "overlays/sprite.h"
#include "reference/overlay_reference.h"
#include "scenes/pictures.h"
#include "tests/support.h"

// A sheet whose pixels name their frame, row and column: 0x00FFRRCC.
static Surface* make_sheet(int width, int frames)
{
    Surface* sheet = make_surface(width, frames * 100, 0);
    for (int f = 0; f < frames; f++)
        for (int y = 0; y < 100; y++)
            for (int x = 0; x < width; x++)
                set_pixel(sheet, x, f * 100 + y, uint32_t(f << 16 | y << 8 | x));
    return sheet;
}

static uint32_t sheet_value(int frame, int row, int col)
{
    return uint32_t(frame << 16 | row << 8 | col);
}

// A 320x240 target inside a larger buffer, so writes past its right or
// bottom edge land in memory the test can look at.
struct PaddedTarget {
    static constexpr int pad = 16;
    static constexpr uint32_t fill = 0xDEADBEEF;
    std::vector<uint32_t> memory = std::vector<uint32_t>((320 + pad) * (240 + pad), fill);
    Surface* surface;

    PaddedTarget() { surface = surface_wrap(memory.data(), 320, 240, 320 + pad, xrgb_layout); }
    ~PaddedTarget() { surface_free(surface); }
    void clear() { std::fill(memory.begin(), memory.end(), fill); }
    bool padding_untouched() const
    {
        for (int y = 0; y < 240 + pad; y++)
            for (int x = y < 240 ? 320 : 0; x < 320 + pad; x++)
                if (memory[y * (320 + pad) + x] != fill)
                    return false;
        return true;
    }
};

// No frame begun: each draw's step is the latest of its own time, as when
// frames come at a fixed rate.
static const FrameSteps no_frames{};

TEST(MakeSprite, RefusesSheetsTooShortForTheirFrames)
{
    const struct {
        int height, frames;
        bool made;
    } cases[] = {
        {100, 1, true}, {99, 1, false},  {1600, 16, true}, {1599, 16, false},
        {400, 4, true}, {399, 4, false}, {200, 0, false},
    };
    for (const auto& c : cases) {
        Surface* sheet = make_surface(8, c.height, 0);
        Sprite* s = sprite_make(sheet, c.frames);
        EXPECT_EQ(s != nullptr, c.made) << c.height << " rows, " << c.frames << " frames";
        if (s) {
            EXPECT_EQ(s->frame_width, 8);
            EXPECT_EQ(s->current_frame, 0);
            EXPECT_EQ(s->last_step, 0u);
        }
        delete s;
        surface_free(sheet);
    }
    EXPECT_EQ(sprite_make(nullptr, 1), nullptr);
}

// A sheet that is missing or too short for its frames is reported as a
// picture that did not load; one that fits makes a keyed sprite.
TEST(LoadSprite, ReportsMissingAndShortSheetsAsPicturesThatDidNotLoad)
{
    const std::string path = "/tmp/varno-sprite-" + std::to_string(getpid()) + ".png";
    const struct {
        int height;  // of a 4-wide sheet written first; 0 writes none
        int frames;
        bool made;
    } cases[] = {
        {0, 1, false}, {99, 1, false}, {100, 1, true}, {300, 3, true}, {299, 3, false},
    };
    for (const auto& c : cases) {
        remove(path.c_str());
        if (c.height > 0) {
            const std::vector<unsigned char> rgb(size_t(4) * c.height * 3, 0x40);
            ASSERT_TRUE(png_write(rgb.data(), 4, c.height, path.c_str()));
        }
        testing::internal::CaptureStdout();
        Sprite* s = sprite_load(path.c_str(), c.frames);
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(s != nullptr, c.made) << c.height << " rows, " << c.frames << " frames";
        EXPECT_EQ(said, c.made ? "" : "Error at loading picture " + path + "\n") << c.height;
        if (s) {
            EXPECT_EQ(s->frame_count, c.frames);
            EXPECT_EQ(s->frame_width, 4);
            EXPECT_TRUE(s->sheet->keyed);
            surface_free(s->sheet);
            delete s;
        }
    }
    remove(path.c_str());
}

// The animation steps at the first 60 Hz step an interval after its last one,
// from its first draw on; a late draw takes the steps it missed, as a 60 Hz
// display would have shown them.
TEST(DrawSprite, StepsOneFramePerIntervalAtTheSixtyHertzSteps)
{
    const struct {
        int frames, first;                            // frame count, frame before the first draw
        std::vector<std::pair<uint32_t, int>> draws;  // t and the frame it shows
    } cases[] = {
        {16, 0, {{250, 1}, {300, 1}, {449, 1}, {450, 2}, {1000, 4}, {1049, 4}, {1050, 5}}},
        {16, 0, {{0, 0}, {199, 0}, {200, 1}}},
        {16, 0, {{205, 0}, {230, 1}}},  // first drawn between steps: steps from the next (216)
        {16, 15, {{200, 0}, {400, 1}}},
        {2, 0, {{200, 1}, {400, 0}, {600, 1}, {800, 0}}},
    };
    Surface* target = make_surface(320, 240, 0);
    for (const auto& c : cases) {
        Surface* sheet = make_sheet(4, c.frames);
        Sprite* s = sprite_make(sheet, c.frames);
        ASSERT_NE(s, nullptr);
        s->current_frame = c.first;
        for (const auto& d : c.draws) {
            sprite_draw(d.first, &no_frames, s, 50, 50, 1.0f, target);
            EXPECT_EQ(s->current_frame, d.second) << c.frames << " frames at " << d.first;
            EXPECT_EQ(pixel(target, 48, 0), sheet_value(d.second, 0, 0)) << d.first;
        }
        delete s;
        surface_free(sheet);
    }
    surface_free(target);
}

TEST(DrawSprite, PlacesByTheUnmagnifiedFrameAndDoublesAtScaleTwo)
{
    Surface* sheet = make_sheet(64, 1);
    Sprite* s = sprite_make(sheet, 1);
    Surface* target = make_surface(320, 240, 0x11111111);
    sprite_draw(0, &no_frames, s, 100, 60, 2.0f, target);
    EXPECT_EQ(s->last_left, 68);
    EXPECT_EQ(s->last_top, 10);
    const struct {
        int x, y;
        uint32_t want;
    } probes[] = {
        {68, 10, sheet_value(0, 0, 0)},
        {69, 11, sheet_value(0, 0, 0)},
        {70, 12, sheet_value(0, 1, 1)},
        {195, 209, sheet_value(0, 99, 63)},
        {195, 10, sheet_value(0, 0, 63)},
        {68, 209, sheet_value(0, 99, 0)},
        {67, 10, 0x11111111},
        {196, 10, 0x11111111},
        {68, 9, 0x11111111},
        {68, 210, 0x11111111},
    };
    for (const auto& p : probes)
        EXPECT_EQ(pixel(target, p.x, p.y), p.want) << p.x << "," << p.y;
    delete s;
    surface_free(target);
    surface_free(sheet);
}

TEST(DrawSprite, ScaleZeroDrawsOnePixelAndScaleHalfHalvesTheFrame)
{
    Surface* sheet = make_sheet(7, 2);
    Sprite* s = sprite_make(sheet, 2);
    Surface* target = make_surface(320, 240, 0x11111111);
    sprite_draw(300, &no_frames, s, 20, 80, 0.0f, target);  // steps to frame 1; left 17, top 30
    int drawn = 0;
    for (int y = 0; y < 240; y++)
        for (int x = 0; x < 320; x++)
            drawn += pixel(target, x, y) != 0x11111111;
    EXPECT_EQ(drawn, 1);
    EXPECT_EQ(pixel(target, 17, 30), sheet_value(1, 0, 0));

    // Step 2.0: a 7-wide frame covers 4 columns and 50 rows, every other sheet pixel.
    surface_fill(0x11111111, target);
    sprite_draw(300, &no_frames, s, 20, 80, 0.5f, target);
    EXPECT_EQ(pixel(target, 17 + 3, 30 + 49), sheet_value(1, 98, 6));
    EXPECT_EQ(pixel(target, 17 + 4, 30), 0x11111111u);
    EXPECT_EQ(pixel(target, 17, 30 + 50), 0x11111111u);
    delete s;
    surface_free(target);
    surface_free(sheet);
}

TEST(DrawSprite, NullSpriteOrTargetDrawsNothing)
{
    Surface* sheet = make_sheet(4, 1);
    Sprite* s = sprite_make(sheet, 1);
    Surface* target = make_surface(8, 8, 0x11111111);
    sprite_draw(0, &no_frames, nullptr, 2, 50, 1.0f, target);
    sprite_draw(0, &no_frames, s, 2, 50, 1.0f, nullptr);
    EXPECT_EQ(pixel(target, 0, 0), 0x11111111u);
    delete s;
    surface_free(target);
    surface_free(sheet);
}

TEST(DrawSprite, KeysOutMagentaOnTheLow24BitsOnly)
{
    Surface* sheet = make_sheet(4, 1);
    const uint32_t in[4] = {0x00FF00FF, 0xFFFF00FF, 0x00FF00FE, 0x80123456};
    const uint32_t want[4] = {0x11111111, 0x11111111, 0x00FF00FE, 0x80123456};
    for (int x = 0; x < 4; x++)
        set_pixel(sheet, x, 0, in[x]);
    Sprite* s = sprite_make(sheet, 1);
    Surface* target = make_surface(320, 240, 0x11111111);
    sprite_draw(0, &no_frames, s, 2, 50, 1.0f, target);
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(pixel(target, x, 0), want[x]) << x;
    delete s;
    surface_free(target);
    surface_free(sheet);
}

TEST(DrawSprite, ClipsAtEveryEdgeSamplingAsIfWhole)
{
    // Positions cut by each edge and corner, at the scales the scenes use.
    const struct {
        int cx, cy;
        float scale;
    } cases[] = {
        {0, 60, 2.0f},     {-40, 60, 1.0f},  {300, 60, 2.0f},  {319, 120, 1.0f}, {100, 0, 2.0f},
        {100, -45, 1.5f},  {100, 230, 2.0f}, {100, 239, 0.5f}, {-20, -30, 2.0f}, {310, 200, 2.0f},
        {160, 120, 0.37f}, {160, 120, 1.3f}, {500, 60, 2.0f},  {100, 400, 2.0f},
    };
    PaddedTarget got, want;
    Surface* sheet = make_sheet(40, 3);
    for (const auto& c : cases) {
        got.clear();
        want.clear();
        Sprite* a = sprite_make(sheet, 3);
        Sprite* b = sprite_make(sheet, 3);
        for (uint32_t t : {100u, 300u}) {
            sprite_draw(t, &no_frames, a, c.cx, c.cy, c.scale, got.surface);
            reference_sprite_draw(t, b, c.cx, c.cy, c.scale, want.surface);
        }
        EXPECT_TRUE(got.memory == want.memory) << c.cx << "," << c.cy << " x" << c.scale;
        EXPECT_TRUE(got.padding_untouched()) << c.cx << "," << c.cy << " x" << c.scale;
        delete a;
        delete b;
    }
    // Cut at the top-left: the visible corner is the frame's pixel (20, 30).
    got.clear();
    Sprite* s = sprite_make(sheet, 3);
    sprite_draw(0, &no_frames, s, 0, 20, 1.0f, got.surface);  // left -20, top -30
    EXPECT_EQ(pixel(got.surface, 0, 0), sheet_value(0, 30, 20));
    delete s;
    surface_free(sheet);
}
