// The desktop platform: the display the back buffer is presented on, the
// events that ask to quit, the PNG decoder and the paths of the show's files.
// Runs over the SDL platform on its dummy drivers.
#include <IL/il.h>
#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "platform/files.h"
#include "platform/png.h"
#include "platform/system.h"
#include "platform/video.h"
#include "tests/support.h"

static void display_once()
{
    static const bool opened = video_setup(DisplayMode::window);
    ASSERT_TRUE(opened);
}

TEST(Present, ShowsEveryPixelAsA2x2Block)
{
    display_once();
    SDL_Surface* screen = SDL_GetVideoSurface();
    ASSERT_NE(screen, nullptr);
    ASSERT_EQ(screen->w, screen_width);
    ASSERT_EQ(screen->h, screen_height);
    ASSERT_EQ(screen->format->BytesPerPixel, 4);
    Surface* back = make_surface(back_width, back_height, 0);
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            set_pixel(back, x, y, uint32_t(y * 1000 + x) | 0xFF000000);
    video_present(back);
    for (int y = 0; y < screen_height; y++)
        for (int x = 0; x < screen_width; x++) {
            const uint32_t p = pixel(back, x / 2, y / 2);
            Uint8 r, g, b;
            SDL_GetRGB(screen_pixel(x, y), screen->format, &r, &g, &b);
            ASSERT_EQ(uint32_t(r << 16 | g << 8 | b), p & 0xFFFFFF) << x << "," << y;
        }
    surface_free(back);
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

TEST(QuitRequested, OnEscapeReleaseAndWindowCloseOnly)
{
    display_once();
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
    const std::string path = "/tmp/varno-variant-" + std::to_string(getpid()) + "-" + name + ".png";
    ilEnable(IL_FILE_OVERWRITE);
    EXPECT_TRUE(ilSaveImage(path.c_str())) << name;
    ilDeleteImages(1, &image);
    return path;
}

TEST(PngDecode, TakesPaletteGreyAnd16BitPicturesToRgba)
{
    // The decoder starts DevIL on its first call; the writer above shares it.
    std::vector<unsigned char> rgba;
    int w = 0, h = 0;
    EXPECT_FALSE(png_decode("data/no_such_picture.png", &rgba, &w, &h));
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
        rgba.clear();
        ASSERT_TRUE(png_decode(path.c_str(), &rgba, &w, &h)) << v.name;
        EXPECT_EQ(w, 4);
        EXPECT_EQ(h, 4);
        ASSERT_EQ(rgba.size(), 4u * 4 * 4) << v.name;
        for (int i = 0; i < 16; i++) {
            // Palette quantisation may move a colour slightly.
            EXPECT_NEAR(rgba[4 * i], i * 16, 4) << v.name << " pixel " << i;
            EXPECT_NEAR(rgba[4 * i + 1], i * 16, 4) << v.name << " pixel " << i;
            EXPECT_NEAR(rgba[4 * i + 2], i * 16, 4) << v.name << " pixel " << i;
            EXPECT_EQ(rgba[4 * i + 3], 255) << v.name << " pixel " << i;
        }
        remove(path.c_str());
    }
}

TEST(PngDecode, RefusesWhatDoesNotDecode)
{
    const struct {
        const char* name;
        std::string bytes;
    } files[] = {
        {"empty", ""},
        {"text", "this is not a picture\n"},
    };
    for (const auto& f : files) {
        const std::string path =
            "/tmp/varno-bad-" + std::to_string(getpid()) + "-" + f.name + ".png";
        FILE* out = fopen(path.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        fwrite(f.bytes.data(), 1, f.bytes.size(), out);
        fclose(out);
        std::vector<unsigned char> rgba;
        int w = 0, h = 0;
        EXPECT_FALSE(png_decode(path.c_str(), &rgba, &w, &h)) << f.name;
        EXPECT_TRUE(rgba.empty()) << f.name;
        remove(path.c_str());
    }
}

TEST(Files, AbsolutePathIsTakenFromTheWorkingDirectory)
{
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    const struct {
        std::string path, want;
    } cases[] = {
        {"", ""},
        {"/tmp/frames", "/tmp/frames"},
        {"frames", std::string(here) + "/frames"},
        {"out/times.txt", std::string(here) + "/out/times.txt"},
        {"./x", std::string(here) + "/./x"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(files_absolute_path(c.path), c.want) << '"' << c.path << '"';
}

// A working directory that holds either file is kept; one that holds neither
// is kept too when no installed copy holds them.
TEST(Files, FindShowFilesStaysWhereEitherFileIs)
{
    char cwd[4096];
    ASSERT_NE(getcwd(cwd, sizeof cwd), nullptr);
    char dir[] = "/tmp/varno-files-XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    ASSERT_EQ(chdir(dir), 0);
    const std::string first = "varno-first-" + std::to_string(getpid());
    const std::string second = "varno-second-" + std::to_string(getpid());
    for (int holds = 0; holds < 3; holds++) {
        remove(first.c_str());
        remove(second.c_str());
        if (holds > 0)
            fclose(fopen((holds == 1 ? first : second).c_str(), "w"));
        files_find_show(first.c_str(), second.c_str());
        char now[4096];
        ASSERT_NE(getcwd(now, sizeof now), nullptr);
        EXPECT_EQ(std::string(now), std::string(dir)) << "holding file " << holds;
        ASSERT_EQ(chdir(dir), 0);
    }
    remove(first.c_str());
    remove(second.c_str());
    ASSERT_EQ(chdir(cwd), 0);
    rmdir(dir);
}
