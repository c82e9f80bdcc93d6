// The generated pictures in data/: their files, sizes and layouts, the glyph
// sheet's cells, the keyed edges, the credit areas, and that the generator
// draws the same bytes every time.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <vector>

#include "draw/picture.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"
#include "tests/support.h"

namespace {

struct PngHeader {
    bool ok = false;
    int width = 0, height = 0, depth = 0, colour_type = 0;
};

// The IHDR chunk, which a PNG file must start with.
PngHeader png_header(const std::string& path)
{
    const std::string bytes = read_file(path);
    const auto b = [&](size_t at) { return int(uint8_t(bytes[at])); };
    PngHeader h;
    if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
        bytes.compare(12, 4, "IHDR") != 0)
        return h;
    auto be32 = [&](size_t at) {
        return b(at) << 24 | b(at + 1) << 16 | b(at + 2) << 8 | b(at + 3);
    };
    h.ok = true;
    h.width = be32(16);
    h.height = be32(20);
    h.depth = b(24);
    h.colour_type = b(25);
    return h;
}

struct Expected {
    std::string name;
    int width, height;
    bool keyed;  // magenta marks transparent pixels
};

std::vector<Expected> every_picture()
{
    std::vector<Expected> all = {
        {"fonte3.png", 256, 256, true},         {"title.png", 320, 240, false},
        {"flash.png", 320, 240, false},         {"zelto_riding.png", 64, 1600, true},
        {"zelto_jamming.png", 64, 1600, true},  {"nariq_riding.png", 64, 1600, true},
        {"ascenceur_zelto.png", 64, 400, true}, {"voiture.png", 64, 200, true},
        {"graph_zelto.png", 400, 240, true},    {"graph_nariq.png", 320, 240, true},
        {"graph_jaune.png", 320, 240, true},    {"graph_ascenseur.png", 320, 240, true},
        {"test_deform.png", 320, 240, false},   {"tunnel.png", 512, 512, false},
    };
    for (const char* d : {"left", "down", "up", "right"}) {
        all.push_back({std::string("ddr_") + d + ".png", 28, 28, true});
        all.push_back({std::string("ddr_empty_") + d + ".png", 28, 28, true});
    }
    for (const char* path : logo_files)
        all.push_back({data_file_name(path), 320, 240, true});
    return all;
}

// A loaded picture read back as 0xRRGGBB.
struct Rgb {
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

Rgb load_rgb_file(const std::string& path)
{
    Rgb out;
    Surface* s = picture_load(path.c_str());  // in the xrgb layout
    if (!s)
        return out;
    out.w = s->w;
    out.h = s->h;
    for (int y = 0; y < s->h; y++)
        for (int x = 0; x < s->w; x++)
            out.px.push_back(pixel(s, x, y) & 0xFFFFFF);
    surface_free(s);
    return out;
}

Rgb load_rgb(const std::string& name)
{
    return load_rgb_file("data/" + name);
}

constexpr uint32_t key = 0xFF00FF;

bool all_key(const Rgb& p, int x0, int y0, int x1, int y1)
{
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            if (p.at(x, y) != key)
                return false;
    return true;
}

int ink_count(const Rgb& p, int x0, int y0, int x1, int y1)
{
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = x0; x < x1; x++)
            n += p.at(x, y) != key;
    return n;
}

}  // namespace

TEST(Pictures, EveryFileIsAn8BitColourPngOfItsSizeAndLoads)
{
    for (const Expected& e : every_picture()) {
        const PngHeader h = png_header("data/" + e.name);
        ASSERT_TRUE(h.ok) << e.name;
        EXPECT_EQ(h.width, e.width) << e.name;
        EXPECT_EQ(h.height, e.height) << e.name;
        EXPECT_EQ(h.depth, 8) << e.name;
        EXPECT_TRUE(h.colour_type == 2 || h.colour_type == 6)
            << e.name << " colour type " << h.colour_type;
        const Rgb p = load_rgb(e.name);
        EXPECT_EQ(p.w, e.width) << e.name;
        EXPECT_EQ(p.h, e.height) << e.name;
    }
}

TEST(Pictures, OpaquePicturesHaveNoKeyAndKeyedOnesNoPinkFringe)
{
    // A pixel close to magenta but not it is an edge blended into the key; it
    // would show as a pink fringe once the key is dropped.
    for (const Expected& e : every_picture()) {
        const Rgb p = load_rgb(e.name);
        int keys = 0, fringe = 0;
        for (uint32_t v : p.px) {
            const int r = int(v >> 16), g = int(v >> 8) & 255, b = int(v) & 255;
            if (v == key)
                keys++;
            else if ((255 - r) + g + (255 - b) < 96)
                fringe++;
        }
        if (e.keyed) {
            EXPECT_GT(keys, 0) << e.name;
            EXPECT_EQ(fringe, 0) << e.name;
        } else {
            // The title is drawn with the keyed blit: a key pixel would be a hole.
            EXPECT_EQ(keys, 0) << e.name;
        }
    }
}

TEST(Pictures, GlyphCellsHoldEveryPrintableCharacterAndNothingElse)
{
    const Rgb sheet = load_rgb("fonte3.png");
    ASSERT_EQ(sheet.w, 256);
    for (int code = 0; code < 256; code++) {
        const int x = (code % 16) * 16, y = (code / 16) * 16;
        const int ink = ink_count(sheet, x, y, x + 16, y + 16);
        if (code > 32 && code < 127)
            EXPECT_GT(ink, 8) << "code " << code;
        else
            EXPECT_EQ(ink, 0) << "code " << code;
    }
    // Neighbouring glyphs must not touch: a fixed advance of 16 leaves each
    // cell's outer columns clear.
    for (int code = 33; code < 127; code++) {
        const int x = (code % 16) * 16, y = (code / 16) * 16;
        EXPECT_TRUE(all_key(sheet, x, y, x + 1, y + 16)) << "code " << code;
        EXPECT_TRUE(all_key(sheet, x + 15, y, x + 16, y + 16)) << "code " << code;
    }
}

TEST(Pictures, SpriteFramesAreDrawnAndAnimate)
{
    const struct {
        const char* name;
        int frames;
    } sheets[] = {{"zelto_riding.png", 16},
                  {"zelto_jamming.png", 16},
                  {"nariq_riding.png", 16},
                  {"ascenceur_zelto.png", 4},
                  {"voiture.png", 2}};
    for (const auto& s : sheets) {
        const Rgb p = load_rgb(s.name);
        ASSERT_EQ(p.h, s.frames * 100) << s.name;
        for (int f = 0; f < s.frames; f++) {
            EXPECT_GT(ink_count(p, 0, f * 100, p.w, f * 100 + 100), 400) << s.name << " " << f;
            // Each frame differs from the next, the last from the first.
            const int g = (f + 1) % s.frames;
            int differ = 0;
            for (int y = 0; y < 100; y++)
                for (int x = 0; x < p.w; x++)
                    differ += p.at(x, f * 100 + y) != p.at(x, g * 100 + y);
            EXPECT_GT(differ, 0) << s.name << " frames " << f << " and " << g;
        }
    }
    // The car sits on the tunnel floor: the top of its frames stays clear,
    // and the car itself ends well above the frame's foot, which the show
    // draws under the scroller band.
    const Rgb car = load_rgb("voiture.png");
    for (int f = 0; f < 2; f++) {
        EXPECT_TRUE(all_key(car, 0, f * 100, 64, f * 100 + 20)) << "car frame " << f;
        EXPECT_TRUE(all_key(car, 0, f * 100 + 80, 64, f * 100 + 100)) << "car frame " << f;
    }
}

TEST(Pictures, CreditArtworkLeavesTheCreditLinesClear)
{
    // Rectangles in picture coordinates where the scenes write their credits.
    const struct {
        const char* name;
        int x0, y0, x1, y1;
    } clear[] = {
        {"graph_zelto.png", 220, 76, 400, 116},  // drawn 80 left: screen x >= 140
        {"graph_nariq.png", 0, 64, 140, 104},
        {"graph_jaune.png", 156, 76, 264, 116},
        {"graph_ascenseur.png", 156, 96, 264, 136},
    };
    for (const auto& c : clear) {
        const Rgb p = load_rgb(c.name);
        EXPECT_TRUE(all_key(p, c.x0, c.y0, c.x1, c.y1)) << c.name;
        EXPECT_GT(ink_count(p, 0, 0, p.w, p.h), p.w * p.h / 10) << c.name << " has little art";
    }
}

TEST(Pictures, TexturesWrapSeamlessly)
{
    // The step from the last column to the first (and the last row to the
    // first) must be no harsher than about the harshest step inside the
    // texture (tile edges differ a little in colour): a texture that does not
    // wrap shows a seam unlike anything within it.
    for (const char* name : {"tunnel.png", "test_deform.png"}) {
        const Rgb p = load_rgb(name);
        auto diff = [](uint32_t a, uint32_t b) {
            return std::abs(int(a >> 16) - int(b >> 16)) +
                   std::abs(int(a >> 8 & 255) - int(b >> 8 & 255)) +
                   std::abs(int(a & 255) - int(b & 255));
        };
        long harshest = 0, across = 0;
        for (int x = 0; x < p.w; x++) {
            long step = 0;
            for (int y = 0; y < p.h; y++)
                step += diff(p.at(x, y), p.at((x + 1) % p.w, y));
            if (x + 1 < p.w)
                harshest = std::max(harshest, step);
            else
                across = step;
        }
        EXPECT_LE(2 * across, 3 * harshest) << name << " left and right edges";
        harshest = across = 0;
        for (int y = 0; y < p.h; y++) {
            long step = 0;
            for (int x = 0; x < p.w; x++)
                step += diff(p.at(x, y), p.at(x, (y + 1) % p.h));
            if (y + 1 < p.h)
                harshest = std::max(harshest, step);
            else
                across = step;
        }
        EXPECT_LE(2 * across, 3 * harshest) << name << " top and bottom edges";
    }
}

TEST(Pictures, LogosAreNineteenDifferentPictures)
{
    std::vector<std::string> seen;
    for (const char* name : logo_files) {
        const std::string bytes = read_file(name);
        ASSERT_FALSE(bytes.empty()) << name;
        for (const auto& other : seen)
            EXPECT_NE(bytes, other) << name;
        seen.push_back(bytes);
    }
    EXPECT_TRUE(read_file("data/greet_19.png").empty());
}

TEST(Pictures, IconsStayOutOfDataAndShowTheTitle)
{
    std::set<std::string> expected = {"dorvang.ogg", "pictures.stamp"}, found;
    for (const Expected& e : every_picture())
        expected.insert(e.name);
    for (const auto& f : std::filesystem::directory_iterator("data"))
        found.insert(f.path().filename());
    EXPECT_EQ(found, expected);

    // The large icon is the title itself around its lettering, pixel for pixel,
    // under rows of night sky; the small one is the large one reduced.
    const Rgb title = load_rgb("title.png"), large = load_rgb_file("icons/varno-style-256.png"),
              small = load_rgb_file("icons/varno-style-48.png");
    ASSERT_EQ(large.w * large.h, 256 * 256);
    ASSERT_EQ(small.w * small.h, 48 * 48);
    int differ = 0;
    for (int y = 16; y < 256; y++)
        for (int x = 0; x < 256; x++)
            differ += large.at(x, y) != title.at(x + 30, y - 16);
    EXPECT_EQ(differ, 0);
    for (int shift : {0, 8, 16}) {
        double large_mean = 0, small_mean = 0;
        for (uint32_t v : large.px)
            large_mean += (v >> shift & 255) / (256.0 * 256.0);
        for (uint32_t v : small.px)
            small_mean += (v >> shift & 255) / (48.0 * 48.0);
        EXPECT_NEAR(small_mean, large_mean, 1.0) << "channel at bit " << shift;
    }
}

TEST(Pictures, GeneratorDrawsTheSameBytesEveryTime)
{
    const char* build = getenv("VARNO_BUILD_DIR");
    const std::string dir = std::string(build ? build : ".") + "/pictures_again";
    ASSERT_EQ(run_command("rm -rf '" + dir + "' && mkdir -p '" + dir +
                          "' && ./generators/pictures/varno-make-pictures '" + dir + "' --icons '" +
                          dir + "'"),
              0);
    for (const Expected& e : every_picture())
        EXPECT_EQ(read_file(dir + "/" + e.name), read_file("data/" + e.name)) << e.name;
    for (const char* icon : {"varno-style-48.png", "varno-style-256.png", "varno-style.ico"})
        EXPECT_EQ(read_file(dir + "/" + icon), read_file(std::string("icons/") + icon)) << icon;
    run_command("rm -rf '" + dir + "'");
}

// The Windows program's icon file holds the desktop's icons at 16, 32, 48 and
// 256 pixels as Windows reads an icon: each entry where the directory says,
// its bitmap bottom row first in blue, green, red, opaque, then an empty mask.
TEST(Pictures, WindowsIconHoldsTheDesktopsIconsAsWindowsReadsThem)
{
    const std::string ico = read_file("icons/varno-style.ico");
    const auto byte = [&](size_t i) { return i < ico.size() ? unsigned(uint8_t(ico[i])) : 0u; };
    const auto u16 = [&](size_t i) { return byte(i) | byte(i + 1) << 8; };
    const auto u32 = [&](size_t i) { return u16(i) | u16(i + 2) << 16; };
    ASSERT_GE(ico.size(), 6u);
    EXPECT_EQ(u16(0), 0u);
    EXPECT_EQ(u16(2), 1u);
    ASSERT_EQ(u16(4), 4u);
    const Rgb large = load_rgb_file("icons/varno-style-256.png"),
              small = load_rgb_file("icons/varno-style-48.png");
    const int sides[4] = {16, 32, 48, 256};
    size_t end = 6 + 4 * 16;
    for (int i = 0; i < 4; i++) {
        const size_t entry = 6 + size_t(i) * 16;
        const int side = byte(entry) ? int(byte(entry)) : 256;
        SCOPED_TRACE(side);
        EXPECT_EQ(side, sides[i]);
        EXPECT_EQ(byte(entry + 1), byte(entry));
        EXPECT_EQ(u16(entry + 6), 32u);
        const size_t size = u32(entry + 8), at = u32(entry + 12);
        const size_t mask_row = size_t((side + 31) / 32 * 4);
        ASSERT_EQ(at, end) << "images one after the other";
        ASSERT_EQ(size, 40 + size_t(side) * side * 4 + mask_row * side);
        ASSERT_LE(at + size, ico.size());
        end = at + size;
        EXPECT_EQ(u32(at), 40u);
        EXPECT_EQ(u32(at + 4), unsigned(side));
        EXPECT_EQ(u32(at + 8), unsigned(2 * side));
        EXPECT_EQ(u16(at + 14), 32u);
        const Rgb* want = side == 256 ? &large : side == 48 ? &small : nullptr;
        int wrong = 0;
        for (int y = 0; y < side; y++)
            for (int x = 0; x < side; x++) {
                const size_t p = at + 40 + (size_t(side - 1 - y) * side + x) * 4;
                const uint32_t got = byte(p + 2) << 16 | byte(p + 1) << 8 | byte(p);
                wrong += byte(p + 3) != 255 || (want && got != want->at(x, y));
            }
        EXPECT_EQ(wrong, 0);
        for (size_t m = at + 40 + size_t(side) * side * 4; m < at + size; m++)
            ASSERT_EQ(byte(m), 0u) << "every pixel shows";
    }
    EXPECT_EQ(end, ico.size());
}
