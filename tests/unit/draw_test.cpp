// The drawing layer: surfaces, fills and copies, the blits held to SDL 1.2's
// own, the doubling onto the display's size, the keyed blit, and pictures
// converted, loaded and saved.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "core/maths.h"
#include "draw/blit.h"
#include "draw/picture.h"
#include "draw/png.h"
#include "scenes/pictures.h"
#include "tests/support.h"

static std::string temp_path(const char* name)
{
    return "/tmp/varno-draw-" + std::to_string(getpid()) + "-" + name + ".png";
}

TEST(CreateSurface, RefusesSidesOutsideOneToTheLimit)
{
    const struct {
        int w, h;
        bool made;
    } cases[] = {
        {1, 1, true},
        {320, 240, true},
        {max_surface_side, 1, true},
        {1, max_surface_side, true},
        {0, 1, false},
        {1, 0, false},
        {-1, 5, false},
        {5, -1, false},
        {max_surface_side + 1, 1, false},
        {1, max_surface_side + 1, false},
    };
    for (const auto& c : cases) {
        Surface* s = surface_make(c.w, c.h, xrgb_layout);
        EXPECT_EQ(s != nullptr, c.made) << c.w << "x" << c.h;
        surface_free(s);
    }
}

TEST(CreateSurface, IsZeroedClippedToItsAreaAndPlain)
{
    Surface* s = surface_make(7, 5, xrgb_layout);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->pitch, 7);
    EXPECT_TRUE(s->layout == xrgb_layout);
    EXPECT_EQ(s->clip.x, 0);
    EXPECT_EQ(s->clip.y, 0);
    EXPECT_EQ(s->clip.w, 7);
    EXPECT_EQ(s->clip.h, 5);
    EXPECT_FALSE(s->keyed);
    EXPECT_FALSE(s->blended);
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 7; x++)
            ASSERT_EQ(pixel(s, x, y), 0u) << x << "," << y;
    surface_free(s);

    Surface* scratch = surface_make_scratch(3, 2);
    ASSERT_NE(scratch, nullptr);
    EXPECT_TRUE(scratch->layout == scratch_layout);
    EXPECT_TRUE(scratch->blended);
    surface_free(scratch);
    EXPECT_EQ(surface_make_scratch(0, 2), nullptr);
    surface_free(nullptr);
}

// A wrapped surface draws into the memory it was given, row by row at its
// pitch, and leaves that memory to its owner.
TEST(WrapSurface, DrawsIntoTheGivenMemoryAtItsPitch)
{
    std::vector<uint32_t> memory(10 * 4, 0x55);
    const struct {
        uint32_t* pixels;
        int w, h, pitch;
        bool made;
    } cases[] = {
        {memory.data(), 6, 4, 10, true},  {memory.data(), 10, 4, 10, true},
        {memory.data(), 6, 4, 5, false},  {nullptr, 6, 4, 10, false},
        {memory.data(), 0, 4, 10, false}, {memory.data(), 6, 0, 10, false},
    };
    for (const auto& c : cases) {
        Surface* s = surface_wrap(c.pixels, c.w, c.h, c.pitch, xrgb_layout);
        EXPECT_EQ(s != nullptr, c.made) << c.w << "x" << c.h << " pitch " << c.pitch;
        surface_free(s);
    }
    Surface* s = surface_wrap(memory.data(), 6, 4, 10, xrgb_layout);
    ASSERT_NE(s, nullptr);
    s->clip = Rect{1, 1, 4, 2};
    surface_fill(0xAB, s);
    surface_free(s);  // the memory stays ours
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 10; x++)
            EXPECT_EQ(memory[y * 10 + x], y >= 1 && y < 3 && x >= 1 && x < 5 ? 0xABu : 0x55u)
                << x << "," << y;
}

TEST(CopySurface, CopiesTheCornerBothHold)
{
    Surface* source = make_surface(5, 3, 0);
    fill_random(source, 3);
    const struct {
        int w, h;
    } targets[] = {{5, 3}, {8, 8}, {2, 6}, {7, 1}};
    for (const auto& t : targets) {
        Surface* target = make_surface(t.w, t.h, 0x77);
        surface_copy(source, target);
        for (int y = 0; y < t.h; y++)
            for (int x = 0; x < t.w; x++)
                EXPECT_EQ(pixel(target, x, y), x < 5 && y < 3 ? pixel(source, x, y) : 0x77u)
                    << t.w << "x" << t.h << " at " << x << "," << y;
        surface_free(target);
    }
    surface_free(source);
}

// Our blits write the words SDL's write, for every kind of source the show
// blits (per-pixel alpha, colour key, plain), into targets of both channel
// orders, clipped by the source, the target and its clip rectangle.
TEST(Blit, WritesTheWordsOfSDLsBlit)
{
    enum Kind { alpha, keyed, plain };
    const PixelLayout scratch_order = {scratch_layout.r, scratch_layout.g, scratch_layout.b, 0};
    const struct {
        Kind kind;
        bool same_order;  // target red where the scratch layout has it
        int sx, sy, w, h, x, y;
        Rect clip;
    } cases[] = {
        {alpha, false, 0, 0, 64, 48, 0, 0, {0, 0, 64, 48}},
        {alpha, false, -3, 5, 40, 60, -9, 7, {0, 0, 64, 48}},
        {alpha, false, 0, 0, 64, 48, 30, -20, {5, 6, 40, 30}},
        {alpha, true, 0, 0, 64, 48, 0, 0, {0, 0, 64, 48}},
        {alpha, true, 10, 10, 70, 70, 50, 40, {0, 0, 64, 48}},
        {keyed, false, 0, 0, 64, 48, 0, 0, {0, 0, 64, 48}},
        {keyed, false, 16, 32, 16, 16, -4, 40, {2, 0, 60, 45}},
        {keyed, false, -8, -8, 32, 32, 50, -3, {0, 0, 64, 48}},
        {plain, false, 4, 4, 30, 30, 45, 35, {0, 0, 64, 48}},
    };
    for (size_t n = 0; n < std::size(cases); n++) {
        const auto& c = cases[n];
        Surface* source = c.kind == alpha ? surface_make_scratch(64, 48) : make_surface(64, 48, 0);
        fill_random(source, unsigned(n));
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) {
                // Every alpha's two ends, and magenta with and without a top byte.
                const uint32_t p = pixel(source, x, y);
                if (c.kind == alpha && x % 5 < 2)
                    set_pixel(source, x, y, x % 5 ? p | 0xFF000000 : p & 0x00FFFFFF);
                if (c.kind == keyed && x % 3 == 0)
                    set_pixel(source, x, y, y % 2 ? magenta_key : magenta_key | (p & 0xFF000000));
            }
        if (c.kind == keyed)
            source->keyed = true;
        Surface* targets[2];
        for (Surface*& t : targets) {
            t = make_surface(64, 48, 0, c.same_order ? scratch_order : xrgb_layout);
            fill_random(t, unsigned(n) + 100);
            t->clip = c.clip;
        }
        SDL_Surface* sdl_source = sdl_view(source);
        SDL_Surface* sdl_target = sdl_view(targets[0]);
        SDL_Rect from = {int16_t(c.sx), int16_t(c.sy), uint16_t(c.w), uint16_t(c.h)};
        SDL_Rect at = {int16_t(c.x), int16_t(c.y), 0, 0};
        SDL_UpperBlit(sdl_source, &from, sdl_target, &at);
        surface_blit_rect(source, c.sx, c.sy, c.w, c.h, c.x, c.y, targets[1]);
        EXPECT_EQ(differing_pixels(targets[0], targets[1], 64, 48), 0) << "case " << n;
        // The whole source at a place is the same blit.
        fill_random(targets[0], unsigned(n) + 200);
        fill_random(targets[1], unsigned(n) + 200);
        at = {int16_t(c.x), int16_t(c.y), 0, 0};
        SDL_UpperBlit(sdl_source, nullptr, sdl_target, &at);
        surface_blit(source, c.x, c.y, targets[1]);
        EXPECT_EQ(differing_pixels(targets[0], targets[1], 64, 48), 0) << "whole, case " << n;
        SDL_FreeSurface(sdl_target);
        SDL_FreeSurface(sdl_source);
        surface_free(targets[0]);
        surface_free(targets[1]);
        surface_free(source);
    }
}

TEST(FillSurface, FillsTheClipRectangleOnly)
{
    Surface* s = make_surface(6, 5, 1);
    s->clip = Rect{2, 1, 3, 2};
    surface_fill(0xFEDCBA98, s);
    for (int y = 0; y < 5; y++)
        for (int x = 0; x < 6; x++)
            EXPECT_EQ(pixel(s, x, y), x >= 2 && x < 5 && y >= 1 && y < 3 ? 0xFEDCBA98u : 1u)
                << x << "," << y;
    surface_free(s);
}

// The back buffer onto the display's size: every pixel a 2x2 block, also
// into memory whose rows are longer than the picture.
TEST(DoubleSurface, DoublesEveryPixelIntoA2x2Block)
{
    Surface* back = make_surface(back_width, back_height, 0);
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            set_pixel(back, x, y, uint32_t(y * 1000 + x) | 0xFF000000);
    for (int pad : {0, 24}) {
        const int pitch = 2 * back_width + pad;
        std::vector<uint32_t> memory(size_t(pitch) * 2 * back_height, 0x5A5A5A5A);
        Surface* screen =
            surface_wrap(memory.data(), 2 * back_width, 2 * back_height, pitch, xrgb_layout);
        ASSERT_NE(screen, nullptr);
        surface_double(back, screen);
        for (int y = 0; y < 2 * back_height; y++)
            for (int x = 0; x < pitch; x++)
                ASSERT_EQ(memory[size_t(y) * pitch + x],
                          x < 2 * back_width ? pixel(back, x / 2, y / 2) : 0x5A5A5A5Au)
                    << "pad " << pad << " at " << x << "," << y;
        surface_free(screen);
    }
    surface_free(back);
}

TEST(KeyedBlit, SkipsMagentaWhateverTheTopByteAndSetsAlpha)
{
    Surface* target = make_surface(4, 1, 0x12345678);
    Surface* source = make_surface(4, 1, 0);
    const uint32_t in[4] = {0x00FF00FF, 0xFFFF00FF, 0x00FF00FE, 0x00FE00FF};
    const uint32_t want[4] = {0x12345678, 0x12345678, 0xFFFF00FE, 0xFFFE00FF};
    for (int x = 0; x < 4; x++)
        set_pixel(source, x, 0, in[x]);
    picture_blit_keyed(source, 0.0f, 0.0f, target);
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(pixel(target, x, 0), want[x]) << x;
    set_pixel(source, 0, 0, 0x80FF00FF);
    set_pixel(source, 1, 0, 0x00000001);
    picture_blit_keyed(source, 0.0f, 0.0f, target);
    EXPECT_EQ(pixel(target, 0, 0), 0x12345678u);
    EXPECT_EQ(pixel(target, 1, 0), 0xFF000001u);
    surface_free(source);
    surface_free(target);
}

TEST(KeyedBlit, PlacesAndClipsAtEveryEdge)
{
    // A 3x3 source whose pixels carry their own coordinates.
    Surface* source = make_surface(3, 3, 0);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 3; x++)
            set_pixel(source, x, y, uint32_t(0x10 * y + x + 1));
    const struct {
        float x, y;
    } positions[] = {
        {0.0f, 0.0f}, {-0.7f, 0.0f}, {-1.6f, 0.0f}, {0.0f, -1.6f}, {3.5f, 2.4f},
        {4.0f, 4.0f}, {6.0f, 0.0f},  {0.0f, 5.0f},  {-3.0f, 0.0f}, {-2.5f, -2.5f},
    };
    for (const auto& p : positions) {
        Surface* target = make_surface(5, 5, 0);
        picture_blit_keyed(source, p.x, p.y, target);
        const int X = round_position(p.x), Y = round_position(p.y);
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 5; x++) {
                const int sx = x - X, sy = y - Y;
                const bool inside = sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
                const uint32_t want = inside ? (0xFF000000 | uint32_t(0x10 * sy + sx + 1)) : 0;
                ASSERT_EQ(pixel(target, x, y), want)
                    << "at (" << p.x << ", " << p.y << ") pixel " << x << "," << y;
            }
        surface_free(target);
    }
    surface_free(source);
}

TEST(KeyedBlit, NullSourceOrTargetDrawsNothing)
{
    Surface* target = make_surface(2, 2, 7);
    picture_blit_keyed(nullptr, 0.0f, 0.0f, target);
    picture_blit_keyed(target, 0.0f, 0.0f, nullptr);
    EXPECT_EQ(pixel(target, 1, 1), 7u);
    surface_free(target);
}

// RGBA bytes become 0x00RRGGBB words, the picture's own alpha dropped; too
// few bytes or a side that is not positive make nothing.
TEST(ConvertPicture, TakesRgbaRowsIntoTheXrgbLayout)
{
    const std::vector<unsigned char> rgba = {
        0x12, 0x34, 0x56, 0xFF, 0xFF, 0x00, 0xFF, 0x00, 0x01, 0x02, 0x03, 0x80,
        0xFE, 0xDC, 0xBA, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F,
    };
    Surface* s = picture_make(rgba, 3, 2);
    ASSERT_NE(s, nullptr);
    EXPECT_TRUE(s->layout == xrgb_layout);
    EXPECT_FALSE(s->keyed);
    const uint32_t want[2][3] = {{0x123456, 0xFF00FF, 0x010203}, {0xFEDCBA, 0x000000, 0xFFFFFF}};
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++)
            EXPECT_EQ(pixel(s, x, y), want[y][x]) << x << "," << y;
    surface_free(s);

    const struct {
        size_t bytes;
        int w, h;
    } refused[] = {{23, 3, 2}, {0, 1, 1}, {24, 0, 2}, {24, 3, 0}, {24, -3, -2}};
    for (const auto& r : refused)
        EXPECT_EQ(picture_make(std::vector<unsigned char>(r.bytes, 0), r.w, r.h), nullptr)
            << r.bytes << " bytes for " << r.w << "x" << r.h;
}

TEST(LoadPicture, MissingFileReturnsNullWithItsMessage)
{
    testing::internal::CaptureStdout();
    EXPECT_EQ(picture_load("data/no_such_picture.png"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error at loading picture data/no_such_picture.png\n");
}

// What is not a whole PNG is refused with the loader's message, a file cut
// short after its pixels included.
TEST(LoadPicture, RefusesWhatIsNotAWholePicture)
{
    const unsigned char rgb[2 * 2 * 3] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    std::vector<unsigned char> cut = png_encode(rgb, 2, 2);
    ASSERT_GT(cut.size(), 12u);
    cut.resize(cut.size() - 12);  // no IEND
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"empty", ""},
        {"text", "this is not a picture\n"},
        {"truncated", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20)},
        {"cut", std::string(cut.begin(), cut.end())},
    };
    for (const auto& f : files) {
        const std::string path = temp_path(f.name);
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        fwrite(f.bytes.data(), 1, f.bytes.size(), out);
        fclose(out);
        testing::internal::CaptureStdout();
        EXPECT_EQ(picture_load(path.c_str()), nullptr) << f.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Error at loading picture " + path + "\n");
        remove(path.c_str());
    }
}

// A picture saved from either layout loads back as the same colours in the
// xrgb layout, whatever the top bytes held.
TEST(SavePicture, LoadsBackTheSameColoursFromEitherLayout)
{
    const std::string path = temp_path("saved");
    for (const bool scratch : {false, true}) {
        Surface* s = scratch ? surface_make_scratch(13, 7) : make_surface(13, 7, 0);
        fill_random(s, scratch ? 2 : 1);
        ASSERT_TRUE(picture_save(s, path.c_str()));
        Surface* back = picture_load(path.c_str());
        ASSERT_NE(back, nullptr);
        ASSERT_EQ(back->w, 13);
        ASSERT_EQ(back->h, 7);
        for (int y = 0; y < 7; y++)
            for (int x = 0; x < 13; x++) {
                const uint32_t p = pixel(s, x, y);
                const uint32_t want =
                    scratch ? (p & 0xFF) << 16 | (p & 0xFF00) | (p >> 16 & 0xFF) : p & 0xFFFFFF;
                ASSERT_EQ(pixel(back, x, y), want) << scratch << " at " << x << "," << y;
            }
        surface_free(back);
        surface_free(s);
    }
    remove(path.c_str());
    Surface* one = make_surface(1, 1, 0);
    EXPECT_FALSE(picture_save(one, "/nonexistent-dir/picture.png"));
    surface_free(one);
}
