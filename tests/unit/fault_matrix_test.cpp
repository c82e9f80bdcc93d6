// The whole show, played by the capture tool (ten frames a second, rendered
// and discarded: every scene many times over) over a damaged copy of data/:
// whatever is missing or broken, the show runs to its end, exits 0, says
// exactly what it could not load and trips no sanitizer. The music cases run the program itself,
// which alone streams the music, over the show's last two seconds.
#include <IL/il.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support.h"

namespace fs = std::filesystem;

namespace {

const char* const pictures[] = {
    "title",           "flash",           "zelto_riding",    "zelto_jamming", "graph_zelto",
    "ddr_up",          "ddr_down",        "ddr_left",        "ddr_right",     "ddr_empty_up",
    "ddr_empty_down",  "ddr_empty_left",  "ddr_empty_right", "nariq_riding",  "test_deform",
    "graph_nariq",     "greet_00",        "greet_01",        "greet_02",      "greet_03",
    "greet_04",        "greet_05",        "greet_06",        "greet_07",      "greet_08",
    "greet_09",        "greet_10",        "greet_11",        "greet_12",      "greet_13",
    "greet_14",        "greet_15",        "greet_16",        "greet_17",      "greet_18",
    "graph_ascenseur", "ascenceur_zelto", "tunnel",          "graph_jaune",   "voiture",
    "fonte3",
};

std::string path_of(const std::string& picture)
{
    return "data/" + picture + ".png";
}

// The message for a picture that does not load, once: the tunnel texture too
// is loaded once, by its scene, and the finale flies the same copy.
std::vector<std::string> refused(const std::string& picture)
{
    return {"Error at loading picture " + path_of(picture)};
}

enum class Damage {
    missing,
    all_missing,
    zero_bytes,
    truncated,
    text,
    jpeg,
    palette,
    grey,
    grey_alpha,
    deep,
    one_pixel,
    resize,
    music_missing,
    music_corrupt,
};

struct Case {
    std::string name;
    Damage damage;
    std::string picture;   // the file damaged, without data/ and .png
    int w = 0, h = 0;      // the new size, for resize
    bool refused = false;  // whether start-up prints the picture's message
};

// Test listings name the case instead of dumping its bytes.
void PrintTo(const Case& c, std::ostream* os)
{
    *os << c.name;
}

std::vector<Case> cases()
{
    std::vector<Case> all;
    // The greetings' nineteen logos are loaded by one loop, and a missing one
    // walks the same path whichever it is: the first and the last stand for
    // them (all_missing takes them all away).
    for (const char* p : pictures)
        if (std::string(p).rfind("greet_", 0) != 0 || p == std::string("greet_00") ||
            p == std::string("greet_18"))
            all.push_back({std::string("missing_") + p, Damage::missing, p, 0, 0, true});
    all.push_back({"all_missing", Damage::all_missing, "", 0, 0, true});
    all.push_back({"zero_bytes_title", Damage::zero_bytes, "title", 0, 0, true});
    all.push_back({"truncated_deform_texture", Damage::truncated, "test_deform", 0, 0, true});
    all.push_back({"truncated_glyph_sheet", Damage::truncated, "fonte3", 0, 0, true});
    all.push_back({"text_as_flash", Damage::text, "flash", 0, 0, true});
    all.push_back({"jpeg_as_graph", Damage::jpeg, "graph_jaune", 0, 0, true});
    all.push_back({"palette_title", Damage::palette, "title", 0, 0, false});
    all.push_back({"palette_sprite", Damage::palette, "zelto_riding", 0, 0, false});
    all.push_back({"grey_deform_texture", Damage::grey, "test_deform", 0, 0, false});
    all.push_back({"grey_alpha_logo", Damage::grey_alpha, "greet_04", 0, 0, false});
    all.push_back({"deep_tunnel_texture", Damage::deep, "tunnel", 0, 0, false});
    all.push_back({"deep_glyph_sheet", Damage::deep, "fonte3", 0, 0, false});
    for (const char* p : {"test_deform", "tunnel", "zelto_riding", "zelto_jamming", "nariq_riding",
                          "ascenceur_zelto", "voiture", "fonte3"})
        all.push_back({std::string("one_pixel_") + p, Damage::one_pixel, p, 1, 1,
                       std::string(p) != "test_deform"});
    all.push_back({"short_sprite_sheet", Damage::resize, "zelto_jamming", 64, 500, true});
    all.push_back({"small_tunnel_texture", Damage::resize, "tunnel", 256, 256, true});
    all.push_back({"large_deform_texture", Damage::resize, "test_deform", 640, 480, false});
    all.push_back({"tiny_glyph_sheet", Damage::resize, "fonte3", 8, 8, true});
    all.push_back({"music_missing", Damage::music_missing, "", 0, 0, false});
    all.push_back({"music_corrupt", Damage::music_corrupt, "", 0, 0, false});
    return all;
}

void write_bytes(const fs::path& p, const std::string& bytes)
{
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// Rewrites a picture through DevIL: converted to another layout, or replaced
// by a new one of another size whose pixels are tiled from the old.
void rewrite(const fs::path& p, const Case& c)
{
    ilInit();
    ilEnable(IL_FILE_OVERWRITE);
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    ASSERT_TRUE(ilLoadImage(p.c_str())) << p;
    switch (c.damage) {
        case Damage::palette:
            ASSERT_TRUE(ilConvertImage(IL_COLOUR_INDEX, IL_UNSIGNED_BYTE));
            break;
        case Damage::grey:
            ASSERT_TRUE(ilConvertImage(IL_LUMINANCE, IL_UNSIGNED_BYTE));
            break;
        case Damage::grey_alpha:
            ASSERT_TRUE(ilConvertImage(IL_LUMINANCE_ALPHA, IL_UNSIGNED_BYTE));
            break;
        case Damage::deep:
            ASSERT_TRUE(ilConvertImage(IL_RGBA, IL_UNSIGNED_SHORT));
            break;
        case Damage::one_pixel:
        case Damage::resize: {
            ASSERT_TRUE(ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE));
            const int w0 = ilGetInteger(IL_IMAGE_WIDTH), h0 = ilGetInteger(IL_IMAGE_HEIGHT);
            const ILubyte* old = ilGetData();
            std::vector<ILubyte> data(size_t(c.w) * c.h * 4);
            for (int y = 0; y < c.h; y++)
                for (int x = 0; x < c.w; x++)
                    for (int k = 0; k < 4; k++)
                        data[(size_t(y) * c.w + x) * 4 + k] =
                            old[(size_t(y % h0) * w0 + x % w0) * 4 + k];
            ASSERT_TRUE(ilTexImage(c.w, c.h, 1, 4, IL_RGBA, IL_UNSIGNED_BYTE, data.data()));
            break;
        }
        default:
            FAIL() << "not a rewrite";
    }
    ASSERT_TRUE(ilSaveImage(p.c_str())) << p;
    ilDeleteImages(1, &image);
}

void damage(const fs::path& data, const Case& c)
{
    const fs::path p = data / (c.picture + ".png");
    switch (c.damage) {
        case Damage::missing:
            fs::remove(p);
            break;
        case Damage::all_missing:
            for (const char* name : pictures)
                fs::remove(data / (std::string(name) + ".png"));
            break;
        case Damage::zero_bytes:
            write_bytes(p, "");
            break;
        case Damage::truncated: {
            const std::string bytes = read_file(p.string());
            write_bytes(p, bytes.substr(0, bytes.size() / 2));
            break;
        }
        case Damage::text:
            write_bytes(p, "This is a note, not a picture.\n");
            break;
        case Damage::jpeg: {
            ilInit();
            ILuint image;
            ilGenImages(1, &image);
            ilBindImage(image);
            ASSERT_TRUE(ilLoadImage(p.c_str()));
            ilEnable(IL_FILE_OVERWRITE);
            ASSERT_TRUE(ilSave(IL_JPG, p.c_str()));
            ilDeleteImages(1, &image);
            break;
        }
        case Damage::music_missing:
            fs::remove(data / "dorvang.ogg");
            break;
        case Damage::music_corrupt: {
            std::string bytes = read_file((data / "dorvang.ogg").string());
            for (size_t i = 0; i < bytes.size(); i += 7)
                bytes[i] = char(bytes[i] ^ 0x5A);
            write_bytes(data / "dorvang.ogg", bytes);
            break;
        }
        default:
            rewrite(p, c);
    }
}

std::vector<std::string> expected_lines(const Case& c)
{
    std::vector<std::string> lines;
    if (c.damage == Damage::all_missing) {
        for (const char* p : pictures)
            for (const std::string& l : refused(p))
                lines.push_back(l);
    } else if (c.damage == Damage::music_missing || c.damage == Damage::music_corrupt) {
        lines.push_back("Error at loading music data/dorvang.ogg");
    } else if (c.refused) {
        lines = refused(c.picture);
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

std::vector<std::string> sorted_lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        lines.push_back(l);
    std::sort(lines.begin(), lines.end());
    return lines;
}

class FaultMatrix : public testing::TestWithParam<Case> {};

TEST_P(FaultMatrix, ShowRunsToItsEndAndSaysWhatFailed)
{
    const Case& c = GetParam();
    const fs::path build = getenv("VARNO_BUILD_DIR") ? getenv("VARNO_BUILD_DIR") : ".";
    const fs::path dir = fs::temp_directory_path() / ("varno-fault-" + c.name);
    fs::remove_all(dir);
    fs::create_directories(dir);
    fs::copy(build / "data", dir / "data");
    damage(dir / "data", c);
    if (HasFatalFailure())
        return;

    const bool music = c.damage == Damage::music_missing || c.damage == Damage::music_corrupt;
    // The program's start-up says what it thinks of the music; its last two
    // seconds are enough to see it end normally after that.
    const std::string program =
        music ? (build / "varno-style").string() + " --from 99"
              : (build / "tools" / "varno-capture").string() + " --null --fps 10";
    const std::string command = "cd '" + dir.string() +
                                "' && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy " + program +
                                " 2> stderr.txt";
    std::string out;
    const int status = run_command(command, &out);
    const std::string err = read_file((dir / "stderr.txt").string());
    EXPECT_EQ(status, 0) << err;
    EXPECT_EQ(sorted_lines(out), expected_lines(c)) << out;
    for (const char* report : {"AddressSanitizer", "LeakSanitizer", "runtime error"})
        EXPECT_EQ(err.find(report), std::string::npos) << err;
    if (!music)
        EXPECT_NE(err.find("1010 frames played"), std::string::npos) << err;
    if (!HasFailure())
        fs::remove_all(dir);
}

INSTANTIATE_TEST_SUITE_P(Data, FaultMatrix, testing::ValuesIn(cases()),
                         [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
