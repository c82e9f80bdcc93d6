// Our own PNG files: what we write decodes back to the same pixels through an
// independent decoder (DevIL over libpng), and the whole-file check refuses
// every kind of damaged file.
#include <IL/il.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "draw/png.h"

enum class Fill { flat, noise, gradient, tiles };

static std::vector<unsigned char> make_rgb(int w, int h, Fill fill)
{
    std::vector<unsigned char> rgb(size_t(w) * h * 3);
    uint32_t s = 2463534242u;
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            unsigned char* p = &rgb[(size_t(y) * w + x) * 3];
            s ^= s << 13, s ^= s >> 17, s ^= s << 5;
            // Repeats at many distances, some far beyond a deflate window.
            const uint32_t t = uint32_t(x % 37 * 7 + y % 29 * 13) * 2654435761u;
            const uint32_t v = fill == Fill::flat       ? 0xFF00FF
                               : fill == Fill::noise    ? s
                               : fill == Fill::gradient ? uint32_t(x << 16 | y << 8 | (x + y))
                                                        : t >> 8;
            p[0] = uint8_t(v >> 16), p[1] = uint8_t(v >> 8), p[2] = uint8_t(v);
        }
    return rgb;
}

static std::string temp_path(const char* name)
{
    return "png_file_test_" + std::to_string(getpid()) + "_" + name + ".png";
}

static bool decode(const std::string& path, int* w, int* h, std::vector<unsigned char>* rgb)
{
    static const bool started = [] {
        ilInit();
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        return true;
    }();
    (void)started;
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    const bool ok = ilLoadImage(path.c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE);
    *w = ilGetInteger(IL_IMAGE_WIDTH);
    *h = ilGetInteger(IL_IMAGE_HEIGHT);
    if (ok)
        rgb->assign(ilGetData(), ilGetData() + size_t(*w) * *h * 3);
    ilDeleteImages(1, &image);
    return ok;
}

static void write_bytes(const std::string& path, const std::vector<unsigned char>& bytes)
{
    FILE* f = fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}

TEST(PngFile, WrittenFilesAreWholeAndDecodeToTheSamePixels)
{
    const struct {
        const char* name;
        int w, h;
        Fill fill;
    } cases[] = {
        {"noisy", 321, 241, Fill::noise},       {"one_pixel", 1, 1, Fill::noise},
        {"odd", 3, 2, Fill::gradient},          {"odd_noise", 7, 5, Fill::noise},
        {"wide_row", 640, 1, Fill::noise},      {"tall_column", 1, 480, Fill::gradient},
        {"flat", 256, 256, Fill::flat},         {"tiles", 400, 300, Fill::tiles},
        {"gradient", 320, 240, Fill::gradient},
    };
    // One file for all: each write replaces the one before, often a larger one.
    const std::string path = temp_path("written");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<unsigned char> rgb = make_rgb(c.w, c.h, c.fill);
        ASSERT_TRUE(png_write(rgb.data(), c.w, c.h, path.c_str()));
        // Only whole files go to DevIL, which can hang on a cut one.
        ASSERT_TRUE(png_is_whole(path.c_str()));
        int w = 0, h = 0;
        std::vector<unsigned char> back;
        EXPECT_TRUE(decode(path, &w, &h, &back));
        EXPECT_EQ(w, c.w);
        EXPECT_EQ(h, c.h);
        EXPECT_TRUE(back == rgb);
        if (c.fill == Fill::flat) {  // compressed, not stored
            EXPECT_LT(png_encode(rgb.data(), c.w, c.h).size(), rgb.size() / 50);
        }
    }
    unlink(path.c_str());
}

TEST(PngFile, SaysWhenItCannotWrite)
{
    const std::vector<unsigned char> rgb = make_rgb(200, 200, Fill::noise);
    EXPECT_FALSE(png_write(rgb.data(), 5, 3, "no_such_directory/x.png"));
    EXPECT_FALSE(png_write(rgb.data(), 0, 3, temp_path("empty").c_str()));
    EXPECT_FALSE(png_write(rgb.data(), 5, -1, temp_path("empty").c_str()));
    // The file opens but the device is full: the write or the close fails.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_FALSE(png_write(rgb.data(), 200, 200, "/dev/full"));
    }
}

using Bytes = std::vector<unsigned char>;

// Where the chunks of a file we wrote start: IHDR at 8, then IDAT, then IEND.
struct Layout {
    size_t idat, iend;
};

static void set32(Bytes& f, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        f[at + i] = uint8_t(v >> (24 - 8 * i));
}

TEST(PngFile, DamagedFilesAreRefused)
{
    const Bytes rgb = make_rgb(40, 30, Fill::noise);
    const Bytes good = png_encode(rgb.data(), 40, 30);
    ASSERT_TRUE(png_is_whole_bytes(good.data(), good.size()));
    const size_t idat = 8 + 12 + 13;
    ASSERT_EQ(std::string(good.begin() + idat + 4, good.begin() + idat + 8), "IDAT");
    const Layout at = {idat, good.size() - 12};
    ASSERT_EQ(std::string(good.begin() + at.iend + 4, good.begin() + at.iend + 8), "IEND");
    const struct {
        const char* name;
        void (*damage)(Bytes& f, Layout at);
    } cases[] = {
        {"empty", [](Bytes& f, Layout) { f.clear(); }},
        {"signature only", [](Bytes& f, Layout) { f.resize(8); }},
        {"cut inside IHDR", [](Bytes& f, Layout) { f.resize(20); }},
        {"cut after IHDR", [](Bytes& f, Layout at) { f.resize(at.idat); }},
        {"cut inside IDAT", [](Bytes& f, Layout at) { f.resize((at.idat + at.iend) / 2); }},
        {"cut in IDAT's checksum", [](Bytes& f, Layout at) { f.resize(at.iend - 2); }},
        {"no IEND", [](Bytes& f, Layout at) { f.resize(at.iend); }},
        {"cut inside IEND", [](Bytes& f, Layout) { f.pop_back(); }},
        {"IDAT checksum bit flipped", [](Bytes& f, Layout at) { f[at.iend - 1] ^= 0x10; }},
        {"IDAT data bit flipped", [](Bytes& f, Layout at) { f[at.idat + 20] ^= 0x01; }},
        {"no signature", [](Bytes& f, Layout) { f.erase(f.begin(), f.begin() + 8); }},
        {"signature damaged", [](Bytes& f, Layout) { f[1] = 'p'; }},
        {"IDAT length past the end",
         [](Bytes& f, Layout at) { set32(f, at.idat, uint32_t(f.size())); }},
        {"IDAT length one past the end",
         [](Bytes& f, Layout at) { set32(f, at.idat, uint32_t(f.size() - at.idat - 11)); }},
        {"IDAT length at the limit", [](Bytes& f, Layout at) { set32(f, at.idat, 0xFFFFFFFFu); }},
        {"no IDAT", [](Bytes& f, Layout at) { f.erase(f.begin() + at.idat, f.begin() + at.iend); }},
        {"no IHDR", [](Bytes& f, Layout at) { f.erase(f.begin() + 8, f.begin() + at.idat); }},
    };
    const std::string path = temp_path("damaged");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes f = good;
        c.damage(f, at);
        EXPECT_FALSE(png_is_whole_bytes(f.data(), f.size()));
        write_bytes(path, f);
        EXPECT_FALSE(png_is_whole(path.c_str()));
    }
    write_bytes(path, good);
    EXPECT_TRUE(png_is_whole(path.c_str()));
    unlink(path.c_str());
    EXPECT_FALSE(png_is_whole(path.c_str()));  // no file
}
