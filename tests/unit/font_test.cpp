// The bitmap font: loading a glyph sheet, and the text drawer.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "draw/blit.h"
#include "draw/font.h"
#include "draw/png.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"
#include "tests/support.h"

constexpr int gw = 8, gh = 10;
constexpr uint32_t blank = 0x00111111;

// Every glyph pixel names its cell and its place in it: code << 16 | x << 8 | y.
// Pixel (1, 1) of every cell is magenta.
static uint32_t glyph_value(int code, int x, int y)
{
    return uint32_t(code << 16 | x << 8 | y);
}

static const Font* test_font()
{
    static Font font = [] {
        Surface* sheet = make_surface(16 * gw, 16 * gh, 0);
        for (int code = 0; code < 256; code++)
            for (int y = 0; y < gh; y++)
                for (int x = 0; x < gw; x++)
                    set_pixel(sheet, code % 16 * gw + x, code / 16 * gh + y,
                              x == 1 && y == 1 ? magenta_key : glyph_value(code, x, y));
        sheet->keyed = true;
        return Font{gw, gh, sheet};
    }();
    return &font;
}

TEST(DrawText, PicksTheCellOfEachByteWithAFixedAdvance)
{
    const struct {
        const char* text;
        float x, y;
        int px, py;     // a target pixel...
        uint32_t want;  // ...and what it shows
    } cases[] = {
        {"A", 0.0f, 0.0f, 0, 0, glyph_value('A', 0, 0)},
        {"A", 0.0f, 0.0f, 7, 9, glyph_value('A', 7, 9)},
        {"A", 0.0f, 0.0f, 8, 0, blank},
        {"A", 0.0f, 0.0f, 1, 1, blank},  // magenta is transparent
        {" ", 20.0f, 30.0f, 20, 30, glyph_value(' ', 0, 0)},
        {"AB", 10.5f, 4.4f, 19, 4, glyph_value('B', 0, 0)},
        {"AB", 10.4f, 4.5f, 18, 5, glyph_value('B', 0, 0)},
        {"A\xC8"
         "B",
         0.0f, 0.0f, 8, 0, blank},  // 200 advances, draws nothing
        {"A\xC8"
         "B",
         0.0f, 0.0f, 16, 0, glyph_value('B', 0, 0)},
        {"A\xFF", 0.0f, 0.0f, 8, 0, blank},
        {"\n\t", 0.0f, 0.0f, 8, 0, glyph_value('\t', 0, 0)},  // no line breaks
        {"", 0.0f, 0.0f, 0, 0, blank},
        {"A", 319.0f, 100.0f, 319, 100, glyph_value('A', 0, 0)},
        {"A", -7.5f, 100.0f, 0, 100, glyph_value('A', 7, 0)},  // left -7
        {"A", 0.0f, -9.5f, 0, 0, glyph_value('A', 0, 9)},
        {"AB", -8.5f, 0.0f, 0, 0, glyph_value('B', 0, 0)},
    };
    Surface* target = make_surface(320, 240, blank);
    for (const auto& c : cases) {
        surface_fill(blank, target);
        text_draw(test_font(), c.text, c.x, c.y, target);
        EXPECT_EQ(pixel(target, c.px, c.py), c.want)
            << '"' << c.text << "\" at " << c.x << "," << c.y;
    }
    surface_free(target);
}

// Text is clipped to the target it is drawn on, whatever its size, and to
// its clip rectangle: glyphs reach every edge of a large target and are cut
// at the edges of a small one.
TEST(DrawText, ClipsToTheTargetsOwnSizeAndClipRectangle)
{
    const struct {
        int w, h;
        Rect clip;  // w = 0: the whole target
        const char* text;
        float x, y;
        int px, py;
        uint32_t want;
    } cases[] = {
        {400, 300, {}, "A", 327.0f, 0.0f, 327, 0, glyph_value('A', 0, 0)},
        {400, 300, {}, "A", 328.0f, 0.0f, 328, 0, glyph_value('A', 0, 0)},
        {400, 300, {}, "A", 399.0f, 0.0f, 399, 0, glyph_value('A', 0, 0)},
        {400, 300, {}, "A", 0.0f, 250.0f, 0, 250, glyph_value('A', 0, 0)},
        {400, 300, {}, "A", 395.0f, 295.0f, 399, 299, glyph_value('A', 4, 4)},
        {400, 300, {}, "AB", 385.0f, 0.0f, 399, 0, glyph_value('B', 6, 0)},
        {12, 12, {}, "AB", 4.0f, 2.0f, 11, 11, glyph_value('A', 7, 9)},
        {12, 12, {}, "AB", -4.5f, 5.0f, 11, 11, glyph_value('B', 7, 6)},
        {12, 12, {}, "AB", -4.0f, 5.0f, 11, 11, glyph_value('B', 6, 6)},  // left -3
        {12, 12, {}, "A", -7.0f, -9.0f, 0, 0, glyph_value('A', 6, 8)},    // at (-6, -8)
        {12, 12, {2, 2, 4, 4}, "A", 0.0f, 0.0f, 0, 0, blank},
        {12, 12, {2, 2, 4, 4}, "A", 0.0f, 0.0f, 2, 3, glyph_value('A', 2, 3)},
        {12, 12, {2, 2, 4, 4}, "A", 0.0f, 0.0f, 5, 5, glyph_value('A', 5, 5)},
        {12, 12, {2, 2, 4, 4}, "A", 0.0f, 0.0f, 6, 5, blank},
        {12, 12, {2, 2, 4, 4}, "A", 0.0f, 0.0f, 5, 6, blank},
    };
    for (const auto& c : cases) {
        Surface* target = make_surface(c.w, c.h, blank);
        if (c.clip.w > 0)
            target->clip = c.clip;
        text_draw(test_font(), c.text, c.x, c.y, target);
        EXPECT_EQ(pixel(target, c.px, c.py), c.want)
            << c.w << "x" << c.h << " \"" << c.text << "\" at " << c.x << "," << c.y << " pixel "
            << c.px << "," << c.py;
        surface_free(target);
    }
}

TEST(DrawText, WithoutAFontTextOrTargetDrawsNothing)
{
    Surface* target = make_surface(16, 16, blank);
    text_draw(nullptr, "A", 0.0f, 0.0f, target);
    text_draw(test_font(), nullptr, 0.0f, 0.0f, target);
    text_draw(test_font(), "A", 0.0f, 0.0f, nullptr);
    EXPECT_EQ(pixel(target, 0, 0), blank);
    surface_free(target);
}

// A sheet that does not load, or is too small to hold a glyph a pixel wide,
// is reported as a picture that did not load; one that does is keyed and cut
// into 16 x 16 cells.
TEST(LoadFont, RefusesSheetsWithoutAWholeGlyphWithTheLoadersMessage)
{
    const std::string path = "/tmp/varno-font-" + std::to_string(getpid()) + ".png";
    const struct {
        int w, h;  // of the sheet written first; 0 writes none
        bool made;
        int glyph_w, glyph_h;
    } cases[] = {
        {0, 0, false, 0, 0},  {15, 32, false, 0, 0}, {32, 15, false, 0, 0},
        {16, 16, true, 1, 1}, {47, 33, true, 2, 2},  {128, 160, true, 8, 10},
    };
    for (const auto& c : cases) {
        remove(path.c_str());
        if (c.w > 0) {
            const std::vector<unsigned char> rgb(size_t(c.w) * c.h * 3, 0x40);
            ASSERT_TRUE(png_write(rgb.data(), c.w, c.h, path.c_str()));
        }
        testing::internal::CaptureStdout();
        Font* font = font_load(path.c_str());
        const std::string said = testing::internal::GetCapturedStdout();
        EXPECT_EQ(font != nullptr, c.made) << c.w << "x" << c.h;
        EXPECT_EQ(said, c.made ? "" : "Error at loading picture " + path + "\n")
            << c.w << "x" << c.h;
        if (font) {
            EXPECT_EQ(font->glyph_width, c.glyph_w) << c.w;
            EXPECT_EQ(font->glyph_height, c.glyph_h) << c.h;
            EXPECT_TRUE(font->glyph_sheet->keyed);
            surface_free(font->glyph_sheet);
            delete font;
        }
    }
    remove(path.c_str());
}

// The show's own font draws its letters and leaves the cell around them alone.
TEST(LoadFont, ShowsFontDrawsItsLettersKeyed)
{
    Font* font = font_load(font_file);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->glyph_width * 16, font->glyph_sheet->w);
    EXPECT_EQ(font->glyph_height * 16, font->glyph_sheet->h);
    Surface* target = make_surface(4 * font->glyph_width, font->glyph_height, blank);
    text_draw(font, " W  ", 0.0f, 0.0f, target);
    int space = 0, letter = 0, outside = 0;
    for (int y = 0; y < target->h; y++)
        for (int x = 0; x < target->w; x++) {
            const bool changed = pixel(target, x, y) != blank;
            const int cell = x / font->glyph_width;
            (cell == 1 ? letter : cell == 0 ? space : outside) += changed;
        }
    EXPECT_GT(letter, 0) << "the W draws something";
    EXPECT_LT(letter, font->glyph_width * font->glyph_height) << "and keys out its background";
    EXPECT_EQ(space + outside, 0) << "spaces draw nothing";
    surface_free(target);
    surface_free(font->glyph_sheet);
    delete font;
}
