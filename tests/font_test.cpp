// The text drawer, the scroller band and the scroll text.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/font.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/scroller.h"
#include "tests/support.h"

constexpr int gw = 8, gh = 10;
constexpr Uint32 blank = 0x00111111;

// Every glyph pixel names its cell and its place in it: code << 16 | x << 8 | y.
// Pixel (1, 1) of every cell is magenta.
static Uint32 glyph_value(int code, int x, int y)
{
    return Uint32(code << 16 | x << 8 | y);
}

static void use_test_font()
{
    video_once();
    static Font test_font = [] {
        SDL_Surface* sheet = make_surface(16 * gw, 16 * gh, 0);
        for (int code = 0; code < 256; code++)
            for (int y = 0; y < gh; y++)
                for (int x = 0; x < gw; x++)
                    set_pixel(sheet, code % 16 * gw + x, code / 16 * gh + y,
                              x == 1 && y == 1 ? magenta_key : glyph_value(code, x, y));
        SDL_SetColorKey(sheet, SDL_SRCCOLORKEY | SDL_RLEACCEL, magenta_key);
        return Font{gw, gh, sheet};
    }();
    font = &test_font;
}

TEST(DrawText, PicksTheCellOfEachByteWithAFixedAdvance)
{
    use_test_font();
    const struct {
        const char* text;
        float x, y;
        int px, py;   // a target pixel...
        Uint32 want;  // ...and what it shows
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
    SDL_Surface* target = make_surface(320, 240, blank);
    for (const auto& c : cases) {
        SDL_FillRect(target, nullptr, blank);
        draw_text(c.text, c.x, c.y, target);
        EXPECT_EQ(pixel(target, c.px, c.py), c.want)
            << '"' << c.text << "\" at " << c.x << "," << c.y;
    }
    SDL_FreeSurface(target);
}

TEST(DrawText, SkipsGlyphsBeyondOneGlyphOutsideTheBackBufferWhateverTheTarget)
{
    use_test_font();
    // On a larger target the bounds show: 320 + gw and 240 + gh are the limits.
    const struct {
        float x, y;
        bool drawn;
    } cases[] = {
        {327.0f, 0.0f, true},
        {328.0f, 0.0f, false},
        {0.0f, 249.0f, true},
        {0.0f, 250.0f, false},
    };
    SDL_Surface* target = make_surface(400, 300, blank);
    for (const auto& c : cases) {
        SDL_FillRect(target, nullptr, blank);
        draw_text("A", c.x, c.y, target);
        const Uint32 want = c.drawn ? glyph_value('A', 0, 0) : blank;
        EXPECT_EQ(pixel(target, int(c.x), int(c.y)), want) << c.x << "," << c.y;
    }
    SDL_FreeSurface(target);
}

TEST(DrawText, WithoutAFontDrawsNothing)
{
    use_test_font();
    Font* loaded = font;
    font = nullptr;
    SDL_Surface* target = make_surface(16, 16, blank);
    draw_text("A", 0.0f, 0.0f, target);
    EXPECT_EQ(pixel(target, 0, 0), blank);
    font = loaded;
    SDL_FreeSurface(target);
}

TEST(ScrollerBand, BevelRisesFromTheBottomEdge)
{
    video_once();
    const struct {
        int height;
        int first_row;
        std::vector<int> greys;  // from first_row down to 239
    } cases[] = {
        {1, 239, {127}},
        {3, 237, {127, 220, 255}},
        {6, 234, {127, 220, 255, 220, 127, 0}},
        {24, 216, {127, 220, 255, 220, 127, 0}},
        {300, 0, {127, 220, 255, 220, 127, 0}},  // more lines than the buffer holds
    };
    for (const auto& c : cases) {
        SDL_FillRect(back_buffer, nullptr, blank);
        scroller_band(c.height, 0.7f);
        for (size_t r = 0; r < c.greys.size(); r++)
            for (int x : {0, 160, 319})
                EXPECT_EQ(pixel(back_buffer, x, c.first_row + int(r)),
                          0xFF000000 | Uint32(c.greys[r]) * 0x010101)
                    << "height " << c.height << " row " << c.first_row + r;
        if (c.first_row > 0) {
            EXPECT_EQ(pixel(back_buffer, 5, c.first_row - 1), blank) << c.height;
        }
    }
    for (int h : {0, -5}) {
        SDL_FillRect(back_buffer, nullptr, blank);
        scroller_band(h, 0.7f);
        EXPECT_EQ(pixel(back_buffer, 5, 239), blank) << h;
    }
}

TEST(ScrollerBand, DarkensEveryColourByteAndSetsTheTopByte)
{
    video_once();
    const struct {
        float k;
        Uint32 in, out;
    } cases[] = {
        {0.7f, 0x00FFC880, 0xFF4C3C26},  // 255, 200, 128 -> 76, 60, 38
        {0.7f, 0x00640A03, 0xFF1E0300},  // 100, 10, 3 -> 30, 3, 0
        {0.7f, 0x7F000000, 0xFF000000},  {1.5f, 0x00FFFFFF, 0xFF000000},  // k clamps to 1
        {-0.5f, 0x00123456, 0xFF123456},                                  // and to 0
    };
    for (const auto& c : cases) {
        SDL_FillRect(back_buffer, nullptr, c.in);
        scroller_band(24, c.k);
        EXPECT_EQ(pixel(back_buffer, 100, 222), c.out) << std::hex << c.in << " k " << c.k;
        EXPECT_EQ(pixel(back_buffer, 100, 239), c.out) << std::hex << c.in << " k " << c.k;
        EXPECT_EQ(pixel(back_buffer, 100, 215), c.in);
    }
}

TEST(ScrollText, IsOneLineOf960PrintableCharacters)
{
    EXPECT_EQ(strlen(scroll_text), 960u);
    for (size_t i = 0; scroll_text[i]; i++)
        EXPECT_TRUE(scroll_text[i] >= 32 && scroll_text[i] <= 126)
            << "code " << int(scroll_text[i]) << " at " << i;
}
