// The platform and the frame loop: keyed blit, the lock rule, the present step, the scroller's
// arithmetic, the frame loop's events and ways out, the sound messages.
#include <IL/il.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/blit.h"
#include "platform/image.h"
#include "platform/maths.h"
#include "platform/random.h"
#include "platform/video.h"
#include "scenes/scroller.h"
#include "scenes/timeline.h"
#include "show/show.h"
#include "tests/support.h"

TEST(PositionRounding, AddsHalfAndTruncatesTowardZero)
{
    const struct {
        float v;
        int want;
    } cases[] = {
        {2.5f, 3}, {2.4f, 2},      {-0.7f, 0},       {-1.6f, -1},
        {0.0f, 0}, {319.49f, 319}, {0.49999997f, 0}, {8388609.0f, 8388609},
    };
    for (const auto& c : cases)
        EXPECT_EQ(round_position(c.v), c.want) << c.v;
}

// The show's own sequence is glibc's rand(): the same numbers from the same
// seed, 0 being taken as 1, and seed 1 before anything seeds it.
TEST(RandomSequence, IsTheCLibrarysRandFromTheSameSeed)
{
    const unsigned seeds[] = {1, 0, 7, 12345, 2147483647u, 4294967295u};
    for (const unsigned seed : seeds) {
        srand(seed);
        seed_random(seed);
        for (int i = 0; i < 20000; i++)
            ASSERT_EQ(next_random(), rand()) << "seed " << seed << ", draw " << i;
    }
}

// Our blits write the words SDL's write, for every kind of source the show
// blits (per-pixel alpha, colour key, plain), into targets of both channel
// orders, clipped by the source, the target and its clip rectangle.
TEST(Blit, WritesTheWordsOfSDLsBlit)
{
    video_once();
    enum Kind { alpha, keyed, plain };
    const struct {
        Kind kind;
        bool same_order;  // target red where the scratch layout has it
        int sx, sy, w, h, x, y;
        SDL_Rect clip;
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
        SDL_Surface* source =
            c.kind == alpha ? create_scratch_surface(64, 48) : make_surface(64, 48, 0);
        fill_random(source, unsigned(n));
        for (int y = 0; y < 48; y++)
            for (int x = 0; x < 64; x++) {
                // Every alpha's two ends, and magenta with and without a top byte.
                const Uint32 p = pixel(source, x, y);
                if (c.kind == alpha && x % 5 < 2)
                    set_pixel(source, x, y, x % 5 ? p | 0xFF000000 : p & 0x00FFFFFF);
                if (c.kind == keyed && x % 3 == 0)
                    set_pixel(source, x, y, y % 2 ? magenta_key : magenta_key | (p & 0xFF000000));
            }
        if (c.kind == keyed)
            set_magenta_key(source);
        SDL_Surface* targets[2];
        for (SDL_Surface*& t : targets) {
            t = c.same_order ? SDL_CreateRGBSurface(SDL_SWSURFACE, 64, 48, 32, scratch_rmask,
                                                    scratch_gmask, scratch_bmask, 0)
                             : make_surface(64, 48, 0);
            fill_random(t, unsigned(n) + 100);
            SDL_Rect clip = c.clip;
            SDL_SetClipRect(t, &clip);
        }
        SDL_Rect from = {Sint16(c.sx), Sint16(c.sy), Uint16(c.w), Uint16(c.h)};
        SDL_Rect at = {Sint16(c.x), Sint16(c.y), 0, 0};
        SDL_UpperBlit(source, &from, targets[0], &at);
        blit_rect(source, c.sx, c.sy, c.w, c.h, targets[1], c.x, c.y);
        EXPECT_EQ(differing_pixels(targets[0], targets[1], 64, 48), 0) << "case " << n;
        SDL_FreeSurface(targets[0]);
        SDL_FreeSurface(targets[1]);
        SDL_FreeSurface(source);
    }
}

TEST(KeyedBlit, SkipsMagentaWhateverTheTopByteAndSetsAlpha)
{
    SDL_Surface* target = make_surface(4, 1, 0x12345678);
    SDL_Surface* source = make_surface(4, 1, 0);
    const Uint32 in[4] = {0x00FF00FF, 0xFFFF00FF, 0x00FF00FE, 0x00FE00FF};
    const Uint32 want[4] = {0x12345678, 0x12345678, 0xFFFF00FE, 0xFFFE00FF};
    for (int x = 0; x < 4; x++)
        set_pixel(source, x, 0, in[x]);
    keyed_blit(source, target, 0.0f, 0.0f);
    for (int x = 0; x < 4; x++)
        EXPECT_EQ(pixel(target, x, 0), want[x]) << x;
    set_pixel(source, 0, 0, 0x80FF00FF);
    set_pixel(source, 1, 0, 0x00000001);
    keyed_blit(source, target, 0.0f, 0.0f);
    EXPECT_EQ(pixel(target, 0, 0), 0x12345678u);
    EXPECT_EQ(pixel(target, 1, 0), 0xFF000001u);
    SDL_FreeSurface(source);
    SDL_FreeSurface(target);
}

TEST(KeyedBlit, PlacesAndClipsAtEveryEdge)
{
    // A 3x3 source whose pixels carry their own coordinates.
    SDL_Surface* source = make_surface(3, 3, 0);
    for (int y = 0; y < 3; y++)
        for (int x = 0; x < 3; x++)
            set_pixel(source, x, y, Uint32(0x10 * y + x + 1));
    const struct {
        float x, y;
    } positions[] = {
        {0.0f, 0.0f}, {-0.7f, 0.0f}, {-1.6f, 0.0f}, {0.0f, -1.6f}, {3.5f, 2.4f},
        {4.0f, 4.0f}, {6.0f, 0.0f},  {0.0f, 5.0f},  {-3.0f, 0.0f}, {-2.5f, -2.5f},
    };
    for (const auto& p : positions) {
        SDL_Surface* target = make_surface(5, 5, 0);
        keyed_blit(source, target, p.x, p.y);
        const int X = round_position(p.x), Y = round_position(p.y);
        for (int y = 0; y < 5; y++)
            for (int x = 0; x < 5; x++) {
                const int sx = x - X, sy = y - Y;
                const bool inside = sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
                const Uint32 want = inside ? (0xFF000000 | Uint32(0x10 * sy + sx + 1)) : 0;
                ASSERT_EQ(pixel(target, x, y), want)
                    << "at (" << p.x << ", " << p.y << ") pixel " << x << "," << y;
            }
        SDL_FreeSurface(target);
    }
    SDL_FreeSurface(source);
}

TEST(KeyedBlit, NullSourceOrTargetDrawsNothing)
{
    SDL_Surface* target = make_surface(2, 2, 7);
    keyed_blit(nullptr, target, 0.0f, 0.0f);
    keyed_blit(target, nullptr, 0.0f, 0.0f);
    EXPECT_EQ(pixel(target, 1, 1), 7u);
    SDL_FreeSurface(target);
}

TEST(LockRule, HoldsForHardwareAsyncRleOrOffsetSurfaces)
{
    video_once();
    SDL_Surface* plain = make_surface(8, 8, 0);
    EXPECT_FALSE(must_lock(plain));
    EXPECT_FALSE(must_lock(back_buffer));
    const struct {
        Uint32 flags;
        int offset;
        bool want;
    } cases[] = {
        {0, 0, false},
        {SDL_SRCCOLORKEY, 0, false},
        {SDL_SRCALPHA, 0, false},
        {SDL_HWSURFACE, 0, true},
        {SDL_ASYNCBLIT, 0, true},
        {SDL_RLEACCEL, 0, true},
        {SDL_SRCCOLORKEY | SDL_RLEACCEL, 0, true},
        {0, 4, true},
    };
    for (const auto& c : cases) {
        SDL_Surface s = *plain;
        s.flags = c.flags;
        s.offset = c.offset;
        EXPECT_EQ(must_lock(&s), c.want) << std::hex << c.flags << " offset " << c.offset;
    }
    SDL_FreeSurface(plain);
}

TEST(LockRule, KeyedRleSurfaceStaysReadableAfterAnSdlBlit)
{
    video_once();
    SDL_Surface* keyed = make_surface(8, 8, 0x00FF00FF);
    set_pixel(keyed, 2, 2, 0x00123456);
    SDL_SetColorKey(keyed, SDL_SRCCOLORKEY | SDL_RLEACCEL, 0xFF00FF);
    SDL_Surface* scratch = make_surface(8, 8, 0);
    SDL_BlitSurface(keyed, nullptr, scratch, nullptr);
    EXPECT_EQ(pixel(scratch, 2, 2) & 0xFFFFFF, 0x123456u) << "SDL applied the key";
    EXPECT_EQ(pixel(scratch, 3, 3), 0u);
    // Whether or not SDL reports the surface as RLE-encoded, the keyed blit
    // locks it as the rule asks and reads its real pixels.
    SDL_Surface* target = make_surface(8, 8, 5);
    keyed_blit(keyed, target, 0.0f, 0.0f);
    EXPECT_EQ(pixel(target, 2, 2), 0xFF123456u);
    EXPECT_EQ(pixel(target, 4, 4), 5u);
    EXPECT_EQ(must_lock(keyed), SDL_MUSTLOCK(keyed) != 0);
    SDL_FreeSurface(target);
    SDL_FreeSurface(scratch);
    SDL_FreeSurface(keyed);
}

TEST(ImageLoader, MissingFileReturnsNullWithItsMessage)
{
    video_once();
    testing::internal::CaptureStdout();
    EXPECT_EQ(load_image("data/no_such_picture.png"), nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "Error at loading picture data/no_such_picture.png\n");
}

TEST(Present, DoublesEveryPixelIntoA2x2Block)
{
    video_once();
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            set_pixel(back_buffer, x, y, Uint32(y * 1000 + x) | 0xFF000000);
    double_back_buffer();
    for (int y = 0; y < screen_height; y++)
        for (int x = 0; x < screen_width; x++)
            ASSERT_EQ(pixel(screen_surface, x, y), pixel(back_buffer, x / 2, y / 2))
                << x << "," << y;
}

TEST(Timeline, BandHeightOverTheWholeShow)
{
    const struct {
        uint32_t t;
        int want;
    } cases[] = {
        {0, 0},      {15596, 0},  {15637, 0},  {15638, 1},  {15679, 1},      {15680, 2},
        {16595, 23}, {16596, 24}, {50000, 24}, {97199, 24}, {97200, 24},     {97201, 23},
        {98158, 1},  {98159, 0},  {98200, 0},  {100999, 0}, {0xFFFFFFFF, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(band_height(c.t), c.want) << c.t;
    // The single-precision reading of the same rule gives the same lines.
    for (uint32_t t = 0; t <= last_frame_time; t++) {
        float q = t < band_shrink_start ? (float(t) - 15596.0f) / 1000.0f
                                        : (98200.0f - float(t)) / 1000.0f;
        q = q < 0 ? 0 : q > 1 ? 1 : q;
        ASSERT_EQ(band_height(t), int(q * 24)) << t;
    }
}

TEST(Timeline, ScrollTextPosition)
{
    EXPECT_FLOAT_EQ(scroll_text_x(16596), 375.0f);
    EXPECT_FLOAT_EQ(scroll_text_x(16604), 374.0f);
    EXPECT_EQ(round_position(scroll_text_x(17041)), 319);
    EXPECT_EQ(round_position(scroll_text_x(17040)), 320);
    EXPECT_FLOAT_EQ(scroll_text_x(100999), -10175.375f);
}

static void push_key(Uint8 type, SDLKey key)
{
    SDL_Event e{};
    e.type = type;
    e.key.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = key;
    ASSERT_EQ(SDL_PushEvent(&e), 0);
}

TEST(FrameLoop, QuitsOnEscapeReleaseAndWindowCloseOnly)
{
    video_once();
    quit_requested();  // whatever the set-up queued
    push_key(SDL_KEYDOWN, SDLK_ESCAPE);
    push_key(SDL_KEYUP, SDLK_SPACE);
    push_key(SDL_KEYDOWN, SDLK_q);
    EXPECT_FALSE(quit_requested());
    push_key(SDL_KEYUP, SDLK_ESCAPE);
    EXPECT_TRUE(quit_requested());
    EXPECT_FALSE(quit_requested()) << "the queue is drained";
    SDL_Event close{};
    close.type = SDL_QUIT;
    SDL_PushEvent(&close);
    EXPECT_TRUE(quit_requested());
}

TEST(FrameLoop, QuitQueuedDuringStartUpEndsBeforeDrawing)
{
    load_show_once();
    SDL_FillRect(back_buffer, nullptr, 0x00ABCDEF);
    SDL_FillRect(screen_surface, nullptr, 0x00123456);
    SDL_Event close{};
    close.type = SDL_QUIT;
    SDL_PushEvent(&close);
    EXPECT_EQ(frame_pass(SDL_GetTicks()), Pass::quit);
    EXPECT_EQ(pixel(back_buffer, 0, 0), 0x00ABCDEFu);
    EXPECT_EQ(pixel(screen_surface, 639, 479), 0x00123456u);
}

TEST(FrameLoop, EndsOnlyAfterTheLastFrame)
{
    load_show_once();
    quit_requested();
    const uint32_t now = SDL_GetTicks();
    // Start ticks placed so that t lands just past the last frame, or well before it.
    EXPECT_EQ(frame_pass(now - (last_frame_time + 1)), Pass::end);
    EXPECT_EQ(frame_pass(now - 1000), Pass::drawn);
    // Start ticks ahead of the clock wrap to a huge t, which is past the end.
    EXPECT_EQ(frame_pass(now + 1000000), Pass::end);
}

TEST(Sound, MissingMusicIsReportedAndTheShowGoesOn)
{
    video_once();
    char dir[] = "/tmp/varno-nomusic-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    testing::internal::CaptureStdout();
    start_sound_system();
    start_music();
    const std::string said = testing::internal::GetCapturedStdout();
    stop_music();
    ASSERT_EQ(chdir(cwd), 0);
    rmdir(dir);
    EXPECT_EQ(said, "Error at loading music data/dorvang.ogg\n");
}

// Writes a 4x4 picture of known colours in the given DevIL layout.
static std::string write_variant(const char* name, ILenum format, ILenum type, bool palette)
{
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    ilTexImage(4, 4, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, nullptr);
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);  // rows are given top first
    ILubyte* d = ilGetData();
    for (int i = 0; i < 16; i++) {
        d[3 * i] = ILubyte(i * 16);  // red grows along the picture
        d[3 * i + 1] = ILubyte(i * 16);
        d[3 * i + 2] = ILubyte(i * 16);
    }
    if (palette)
        ilConvertImage(IL_COLOUR_INDEX, IL_UNSIGNED_BYTE);
    else
        ilConvertImage(format, type);
    const std::string path = std::string("/tmp/varno-variant-") + name + ".png";
    ilEnable(IL_FILE_OVERWRITE);
    EXPECT_TRUE(ilSaveImage(path.c_str())) << name;
    ilDeleteImages(1, &image);
    return path;
}

TEST(ImageLoader, ConvertsPaletteGreyAnd16BitPicturesToTrueColour)
{
    video_once();
    const struct {
        const char* name;
        ILenum format, type;
        bool palette;
    } variants[] = {
        {"rgb", IL_RGB, IL_UNSIGNED_BYTE, false},
        {"rgba", IL_RGBA, IL_UNSIGNED_BYTE, false},
        {"palette", 0, 0, true},
        {"grey", IL_LUMINANCE, IL_UNSIGNED_BYTE, false},
        {"grey-alpha", IL_LUMINANCE_ALPHA, IL_UNSIGNED_BYTE, false},
        {"rgb16", IL_RGB, IL_UNSIGNED_SHORT, false},
        {"rgba16", IL_RGBA, IL_UNSIGNED_SHORT, false},
    };
    for (const auto& v : variants) {
        const std::string path = write_variant(v.name, v.format, v.type, v.palette);
        SDL_Surface* s = load_image(path.c_str());
        ASSERT_NE(s, nullptr) << v.name;
        EXPECT_EQ(s->w, 4);
        EXPECT_EQ(s->h, 4);
        EXPECT_EQ(s->format->BytesPerPixel, 4);
        for (int i = 0; i < 16; i++) {
            Uint8 r, g, b;
            SDL_GetRGB(pixel(s, i % 4, i / 4), s->format, &r, &g, &b);
            // Palette quantisation may move a colour slightly.
            EXPECT_NEAR(r, i * 16, 4) << v.name << " pixel " << i;
            EXPECT_NEAR(g, i * 16, 4) << v.name << " pixel " << i;
            EXPECT_NEAR(b, i * 16, 4) << v.name << " pixel " << i;
        }
        SDL_FreeSurface(s);
        remove(path.c_str());
    }
}

TEST(ImageLoader, RefusesWhatDoesNotDecode)
{
    video_once();
    const struct {
        const char* name;
        const char* bytes;
        size_t size;
    } files[] = {
        {"empty", "", 0},
        {"text", "this is not a picture\n", 22},
        {"truncated", "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x10", 20},
    };
    for (const auto& f : files) {
        const std::string path = std::string("/tmp/varno-bad-") + f.name + ".png";
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        fwrite(f.bytes, 1, f.size, out);
        fclose(out);
        testing::internal::CaptureStdout();
        EXPECT_EQ(load_image(path.c_str()), nullptr) << f.name;
        EXPECT_EQ(testing::internal::GetCapturedStdout(),
                  "Error at loading picture " + path + "\n");
        remove(path.c_str());
    }
}
