// Videos: the colour conversion against BT.709's published values, the
// scaler against the rule written out pixel by pixel, and real short clips
// made by varno-capture --video through Debian's ffmpeg: what ffprobe reads
// in them, their decoded frames against the capture's own, their sound
// against the synthesiser's, two runs byte for byte, and every way of failing.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support.h"
#include "tools/video.h"

namespace fs = std::filesystem;

namespace {

const std::string capture = "tools/varno-capture";
const std::string work = "video_test";  // under the build directory

struct Yuv {
    int y, cb, cr;
};

// The eight corners of the RGB cube and mid grey, as Rec. 709's tables give
// them in 8-bit limited range.
TEST(Bt709, CornersOfTheCubeAreThePublishedValues)
{
    const struct {
        int r, g, b;
        Yuv want;
    } cases[] = {
        {0, 0, 0, {16, 128, 128}},        {255, 255, 255, {235, 128, 128}},
        {255, 0, 0, {63, 102, 240}},      {0, 255, 0, {173, 42, 26}},
        {0, 0, 255, {32, 240, 118}},      {255, 255, 0, {219, 16, 138}},
        {0, 255, 255, {188, 154, 16}},    {255, 0, 255, {78, 214, 230}},
        {128, 128, 128, {126, 128, 128}},
    };
    for (const auto& c : cases) {
        uint8_t cb, cr;
        bt709_chroma(4 * c.r, 4 * c.g, 4 * c.b, &cb, &cr);
        EXPECT_EQ(bt709_luma(c.r, c.g, c.b), c.want.y) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(cb, c.want.cb) << c.r << "," << c.g << "," << c.b;
        EXPECT_EQ(cr, c.want.cr) << c.r << "," << c.g << "," << c.b;
    }
}

TEST(Bt709, GreysHaveNoColourAndLumaClimbsTheWholeRange)
{
    int previous = 15;
    for (int v = 0; v < 256; v++) {
        const int y = bt709_luma(v, v, v);
        EXPECT_GE(y, previous) << v;
        EXPECT_LE(y - previous, 1) << v;  // 219 steps over 255: never skips one
        previous = y;
        uint8_t cb, cr;
        bt709_chroma(4 * v, 4 * v, 4 * v, &cb, &cr);
        EXPECT_EQ(cb, 128) << v;
        EXPECT_EQ(cr, 128) << v;
    }
    EXPECT_EQ(previous, 235);
    // A block half black, half white is the grey between them, and half red,
    // half blue the colour between them: the mean is taken before converting.
    uint8_t cb, cr;
    bt709_chroma(2 * 255, 2 * 255, 2 * 255, &cb, &cr);
    EXPECT_EQ(cb, 128);
    EXPECT_EQ(cr, 128);
    bt709_chroma(2 * 255, 0, 2 * 255, &cb, &cr);
    EXPECT_EQ(cb, 171);  // 128 + 224/255 (0.5 - 0.1146) 127.5 = 171.17
    EXPECT_EQ(cr, 179);  // 128 + 224/255 (0.5 - 0.0458) 127.5 = 178.86
}

TEST(VideoGeometry, ProfilesAndHeights)
{
    const VideoProfile& youtube = video_profiles[0];
    const VideoProfile& party = video_profiles[1];
    ASSERT_STREQ(youtube.name, "youtube");
    ASSERT_STREQ(party.name, "party");
    const struct {
        const VideoProfile* profile;
        int height;
        bool ok;
        VideoGeometry want;
    } cases[] = {
        {&youtube, 0, true, {1920, 1440, 6, 0, 0}},
        {&youtube, 2160, true, {2880, 2160, 9, 0, 0}},
        {&youtube, 480, true, {640, 480, 2, 0, 0}},
        {&party, 0, true, {1920, 1080, 4, 320, 60}},
        {&party, 2160, true, {3840, 2160, 9, 480, 0}},
        {&party, 720, true, {1280, 720, 3, 160, 0}},
        {&party, 1000, true, {1778, 1000, 4, 248, 20}},
        {&youtube, 1080, false, {}},  // 4.5 pixels a show pixel: no
        {&youtube, 2400, false, {}},
        {&party, 1081, false, {}},
        {&party, 200, false, {}},
    };
    for (const auto& c : cases) {
        VideoGeometry g{};
        std::string why;
        const bool ok = video_geometry(*c.profile, c.height, &g, &why);
        EXPECT_EQ(ok, c.ok) << c.profile->name << " " << c.height;
        if (!ok) {
            EXPECT_NE(why.find("--height"), std::string::npos) << why;
            continue;
        }
        EXPECT_EQ(g.width, c.want.width) << c.profile->name << " " << c.height;
        EXPECT_EQ(g.height, c.want.height);
        EXPECT_EQ(g.scale, c.want.scale);
        EXPECT_EQ(g.left, c.want.left);
        EXPECT_EQ(g.top, c.want.top);
    }
}

// The rule written out: device pixel (x, y) shows the show pixel under it,
// or black; Y' of each, Cb and Cr of the mean of each 2x2 block.
uint32_t device_pixel(const Surface* s, const VideoGeometry& g, int x, int y)
{
    const int dx = x - g.left, dy = y - g.top;
    if (dx < 0 || dy < 0 || dx >= back_width * g.scale || dy >= back_height * g.scale)
        return 0;
    return pixel(s, dx / g.scale, dy / g.scale);
}

std::vector<uint8_t> by_the_rule(const Surface* s, const VideoGeometry& g)
{
    std::vector<uint8_t> out(video_frame_bytes(g));
    for (int y = 0; y < g.height; y++)
        for (int x = 0; x < g.width; x++) {
            const uint32_t p = device_pixel(s, g, x, y);
            out[size_t(y) * g.width + x] = bt709_luma(p >> 16 & 255, p >> 8 & 255, p & 255);
        }
    const int cw = g.width / 2, ch = g.height / 2;
    for (int cy = 0; cy < ch; cy++)
        for (int cx = 0; cx < cw; cx++) {
            int r = 0, gr = 0, b = 0;
            for (int k = 0; k < 4; k++) {
                const uint32_t p = device_pixel(s, g, 2 * cx + k % 2, 2 * cy + k / 2);
                r += p >> 16 & 255;
                gr += p >> 8 & 255;
                b += p & 255;
            }
            uint8_t* cb = &out[size_t(g.width) * g.height + size_t(cy) * cw + cx];
            bt709_chroma(r, gr, b, cb, cb + size_t(cw) * ch);
        }
    return out;
}

TEST(VideoConvert, EveryValueFollowsTheRule)
{
    Surface* picture = make_surface(back_width, back_height, 0);
    fill_random(picture, 7);
    // Scaled-up random pixels, and a picture of a few large flat areas where
    // runs of equal values are long.
    Surface* flat = make_surface(back_width, back_height, 0);
    for (int y = 0; y < back_height; y++)
        for (int x = 0; x < back_width; x++)
            set_pixel(flat, x, y, (x / 40 + y / 30) % 2 ? 0xFF8000 : uint32_t(x * 0x010203));
    const VideoGeometry geometries[] = {
        {1920, 1440, 6, 0, 0},     // youtube
        {1920, 1080, 4, 320, 60},  // party
        {2880, 2160, 9, 0, 0},     // 4K: odd, chroma blocks across show pixels
        {1280, 720, 3, 160, 0},    // odd inside bars
        {648, 486, 2, 3, 1},       // odd offsets: blocks across the picture's edges
        {320, 240, 1, 0, 0},
    };
    for (const Surface* s : {const_cast<const Surface*>(picture), const_cast<const Surface*>(flat)})
        for (const VideoGeometry& g : geometries) {
            std::vector<uint8_t> got(video_frame_bytes(g), 0xAA);
            video_convert(s, g, got.data());
            const std::vector<uint8_t> want = by_the_rule(s, g);
            size_t first_wrong = 0;
            while (first_wrong < want.size() && got[first_wrong] == want[first_wrong])
                first_wrong++;
            EXPECT_EQ(first_wrong, want.size())
                << g.width << "x" << g.height << " at " << g.scale << "x: byte " << first_wrong
                << " of " << want.size();
        }
    surface_free(picture);
    surface_free(flat);
}

// Clips ---------------------------------------------------------------------

std::string quoted(const std::string& s)
{
    return "'" + s + "'";
}

// key=value lines of ffprobe into a map.
std::map<std::string, std::string> probe(const std::string& file, const std::string& stream,
                                         const std::string& entries)
{
    std::string out;
    run_command("ffprobe -v error -select_streams " + stream + " -count_frames -show_entries " +
                    entries + " -of default=noprint_wrappers=1 " + quoted(file),
                &out);
    std::map<std::string, std::string> values;
    std::istringstream lines(out);
    std::string line;
    while (std::getline(lines, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos)
            values[line.substr(0, eq)] = line.substr(eq + 1);
    }
    return values;
}

// Processor seconds the ended children (and theirs) have taken so far.
double children_cpu_seconds()
{
    struct rusage u {};
    getrusage(RUSAGE_CHILDREN, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The top-level boxes of an MP4, in order.
std::vector<std::string> top_boxes(const std::string& bytes)
{
    std::vector<std::string> boxes;
    for (size_t at = 0; at + 8 <= bytes.size();) {
        uint64_t size = uint64_t(uint8_t(bytes[at])) << 24 | uint8_t(bytes[at + 1]) << 16 |
                        uint8_t(bytes[at + 2]) << 8 | uint8_t(bytes[at + 3]);
        if (size == 1 && at + 16 <= bytes.size()) {
            size = 0;
            for (int i = 0; i < 8; i++)
                size = size << 8 | uint8_t(bytes[at + 8 + i]);
        }
        boxes.push_back(bytes.substr(at + 4, 4));
        if (size < 8)
            break;
        at += size;
    }
    return boxes;
}

struct Clip {
    const char* name;
    const char* options;  // after --video FILE
    uint32_t from, to;    // ms
    VideoGeometry geometry;
};

// What the tests make: a second of the dance's plasma, which changes every
// frame, for each frame size, at a fast preset that still makes H.264 High.
const Clip clips[] = {
    {"youtube", "--preset superfast", 20000, 21000, {1920, 1440, 6, 0, 0}},
    {"party", "--profile party --preset superfast", 20500, 21000, {1920, 1080, 4, 320, 60}},
    {"4k", "--height 2160 --preset superfast", 20000, 20100, {2880, 2160, 9, 0, 0}},
    // The dance's beats flash: the gentle show's frames are other frames.
    {"gentle", "--gentle --height 480 --preset superfast", 20000, 20500, {640, 480, 2, 0, 0}},
};

bool gentle(const Clip& c)
{
    return strstr(c.options, "--gentle") != nullptr;
}

uint32_t frame_count(const Clip& c)
{
    return c.to * 60 / 1000 - c.from * 60 / 1000 + 1;
}

std::string clip_path(const Clip& c)
{
    return work + "/" + c.name + ".mp4";
}

int make_clip(const Clip& c, const std::string& path, std::string* err = nullptr)
{
    const std::string log = path + ".log";
    const int status =
        run_command(capture + " --video " + quoted(path) + " " + c.options + " --from " +
                    std::to_string(c.from) + " --to " + std::to_string(c.to) + " 2>" + quoted(log));
    if (err)
        *err = read_file(log);
    return status;
}

// Every clip made once for the whole program.
class Clips : public ::testing::Environment {
public:
    void SetUp() override
    {
        fs::remove_all(work);
        fs::create_directories(work);
        for (const Clip& c : clips) {
            std::string err;
            status[c.name] = make_clip(c, clip_path(c), &err);
            log[c.name] = err;
        }
    }
    static std::map<std::string, int> status;
    static std::map<std::string, std::string> log;
};
std::map<std::string, int> Clips::status;
std::map<std::string, std::string> Clips::log;
const auto* const environment = ::testing::AddGlobalTestEnvironment(new Clips);

TEST(VideoClip, WhatFfprobeReads)
{
    for (const Clip& c : clips) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Clips::status[c.name], 0) << Clips::log[c.name];
        const std::string file = clip_path(c);
        EXPECT_FALSE(fs::exists(file + ".part"));
        auto v = probe(file, "v",
                       "stream=codec_name,profile,pix_fmt,width,height,r_frame_rate,avg_frame_rate,"
                       "nb_read_frames,color_range,color_space,color_transfer,color_primaries,"
                       "field_order,has_b_frames");
        EXPECT_EQ(v["codec_name"], "h264");
        EXPECT_EQ(v["profile"], "High");
        EXPECT_EQ(v["pix_fmt"], "yuv420p");
        EXPECT_EQ(v["width"], std::to_string(c.geometry.width));
        EXPECT_EQ(v["height"], std::to_string(c.geometry.height));
        EXPECT_EQ(v["r_frame_rate"], "60/1");
        EXPECT_EQ(v["avg_frame_rate"], "60/1");
        EXPECT_EQ(v["nb_read_frames"], std::to_string(frame_count(c)));
        EXPECT_EQ(v["color_range"], "tv");
        EXPECT_EQ(v["color_space"], "bt709");
        EXPECT_EQ(v["color_transfer"], "bt709");
        EXPECT_EQ(v["color_primaries"], "bt709");
        EXPECT_EQ(v["field_order"], "progressive");

        auto a = probe(file, "a",
                       "stream=codec_name,profile,sample_rate,channels,nb_read_frames,start_time");
        EXPECT_EQ(a["codec_name"], "aac");
        EXPECT_EQ(a["profile"], "LC");
        EXPECT_EQ(a["sample_rate"], "48000");
        EXPECT_EQ(a["channels"], "2");
        EXPECT_EQ(a["start_time"], "0.000000");
        // The sound's end, after the encoder's priming: exactly the frames'.
        std::string packets;
        run_command(
            "ffprobe -v error -select_streams a -show_entries packet=pts,duration -of csv=p=0 " +
                quoted(file) + " | tail -n 1",
            &packets);
        long pts = 0, duration = 0;
        ASSERT_EQ(sscanf(packets.c_str(), "%ld,%ld", &pts, &duration), 2) << packets;
        EXPECT_EQ(pts + duration, long(frame_count(c)) * samples_per_frame);

        // x264's own record of its settings; the index in front for streaming.
        const std::string bytes = read_file(file);
        for (const char* setting : {"bframes=2", "open_gop=0", "keyint=30 "})
            EXPECT_NE(bytes.find(setting), std::string::npos) << setting;
        const std::vector<std::string> boxes = top_boxes(bytes);
        const auto moov = std::find(boxes.begin(), boxes.end(), "moov");
        const auto mdat = std::find(boxes.begin(), boxes.end(), "mdat");
        EXPECT_TRUE(moov < mdat && mdat != boxes.end());
    }
}

// The capture's back-buffer frames of a clip's window, raw.
std::vector<std::string> reference_frames(const Clip& c, bool as_gentle)
{
    std::string raw;
    run_command(capture + (as_gentle ? " --gentle" : "") + " --raw --back-buffer --from " +
                    std::to_string(c.from) + " --to " + std::to_string(c.to) + " 2>/dev/null",
                &raw);
    const size_t bytes = size_t(back_width) * back_height * 4;
    std::vector<std::string> frames;
    for (size_t at = 0; at + bytes <= raw.size(); at += bytes)
        frames.push_back(raw.substr(at, bytes));
    return frames;
}

// Mean absolute difference over every sample of two frames.
double difference(const uint8_t* a, const uint8_t* b, size_t n)
{
    uint64_t sum = 0;
    for (size_t i = 0; i < n; i++)
        sum += uint64_t(std::abs(int(a[i]) - int(b[i])));
    return double(sum) / double(n);
}

// Decoded frames within this of what our rule makes of the capture's frame
// (x264's loss: 0.4 to 1.3 in these clips), and each further than this from
// the frames before and after it (8 and more).
constexpr double same_frame = 3.0;

TEST(VideoClip, DecodedFramesAreTheCapturesFramesScaledByOurRule)
{
    for (const Clip& c : clips) {
        SCOPED_TRACE(c.name);
        ASSERT_EQ(Clips::status[c.name], 0) << Clips::log[c.name];
        const VideoGeometry& g = c.geometry;
        const size_t frame_bytes = video_frame_bytes(g);
        std::string decoded;
        ASSERT_EQ(run_command("ffmpeg -v error -i " + quoted(clip_path(c)) +
                                  " -map 0:v -f rawvideo -pix_fmt yuv420p -",
                              &decoded),
                  0);
        auto predict = [&](bool as_gentle) {
            std::vector<std::vector<uint8_t>> frames;
            for (const std::string& f : reference_frames(c, as_gentle)) {
                Surface* s = surface_wrap(reinterpret_cast<uint32_t*>(const_cast<char*>(f.data())),
                                          back_width, back_height, back_width, xrgb_layout);
                frames.emplace_back(frame_bytes);
                video_convert(s, g, frames.back().data());
                surface_free(s);
            }
            return frames;
        };
        const std::vector<std::vector<uint8_t>> predicted = predict(gentle(c));
        ASSERT_EQ(predicted.size(), frame_count(c));
        ASSERT_EQ(decoded.size(), predicted.size() * frame_bytes);
        const uint8_t* first = reinterpret_cast<const uint8_t*>(decoded.data());
        double worst = 0, nearest_neighbour = 1e9;
        for (size_t k = 0; k < predicted.size(); k++) {
            const uint8_t* got = first + k * frame_bytes;
            const double d = difference(got, predicted[k].data(), frame_bytes);
            worst = std::max(worst, d);
            EXPECT_LT(d, same_frame) << "frame " << k;
            // The rule would fail a video one frame early or late.
            for (size_t other : {k - 1, k + 1})
                if (other < predicted.size()) {
                    const double shifted = difference(got, predicted[other].data(), frame_bytes);
                    nearest_neighbour = std::min(nearest_neighbour, shifted);
                    EXPECT_GT(shifted, same_frame) << "frame " << k << " against " << other;
                }
        }
        printf("%s: decoded frames within %.3f of ours; a frame's neighbours at least %.3f\n",
               c.name, worst, nearest_neighbour);
        // The gentle clip is not the default show's: its flashes are fainter.
        if (gentle(c)) {
            const std::vector<std::vector<uint8_t>> other = predict(false);
            double most = 0;
            for (size_t k = 0; k < other.size() && k < predicted.size(); k++)
                most = std::max(most,
                                difference(first + k * frame_bytes, other[k].data(), frame_bytes));
            printf("gentle: its flashes differ from the default show's by up to %.3f\n", most);
            EXPECT_GT(most, 2 * same_frame);
        }
    }
}

// The synthesiser's mix, as the build writes it beside data/: mono, 44.1 kHz.
bool read_master(std::vector<float>* mono, int* rate)
{
    const std::string bytes = read_file(music_master_file);
    if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") || bytes.compare(8, 4, "WAVE"))
        return false;
    int channels = 0, bits = 0, format = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        uint32_t size;
        memcpy(&size, &bytes[at + 4], 4);
        const std::string id = bytes.substr(at, 4);
        if (id == "fmt ") {
            uint16_t f, ch, b;
            uint32_t r;
            memcpy(&f, &bytes[at + 8], 2);
            memcpy(&ch, &bytes[at + 10], 2);
            memcpy(&r, &bytes[at + 12], 4);
            memcpy(&b, &bytes[at + 22], 2);
            format = f;
            channels = ch;
            *rate = int(r);
            bits = b;
        } else if (id == "data" && format == 3 && channels == 2 && bits == 32) {
            const size_t frames = std::min<size_t>(size, bytes.size() - at - 8) / 8;
            mono->resize(frames);
            for (size_t n = 0; n < frames; n++) {
                float lr[2];
                memcpy(lr, &bytes[at + 8 + n * 8], 8);
                (*mono)[n] = 0.5f * (lr[0] + lr[1]);
            }
            return true;
        }
        at += 8 + size + (size & 1);
    }
    return false;
}

// Where the decoded sound of a clip from `from_frame` best matches the
// master, in milliseconds (late positive), searched over a frame and more
// each way, to a fraction of a sample.
double sound_offset_ms(const std::string& file, uint32_t from_frame, std::string* problem)
{
    std::vector<float> master;
    int rate = 0;
    if (!read_master(&master, &rate)) {
        *problem = "cannot read " + std::string(music_master_file);
        return 0;
    }
    std::string raw;
    run_command("ffmpeg -v error -i " + quoted(file) + " -map 0:a -f f32le -ac 2 -ar 48000 -",
                &raw);
    std::vector<float> decoded(raw.size() / 8);
    for (size_t n = 0; n < decoded.size(); n++) {
        float lr[2];
        memcpy(lr, &raw[n * 8], 8);
        decoded[n] = 0.5f * (lr[0] + lr[1]);
    }
    if (decoded.size() < size_t(audio_rate) / 4) {
        *problem = "too little sound decoded";
        return 0;
    }
    // The master at a time in seconds, linearly between its samples.
    auto at = [&](double seconds) {
        const double pos = seconds * rate;
        const size_t i = size_t(pos);
        if (pos < 0 || i + 1 >= master.size())
            return 0.0;
        return master[i] + (pos - double(i)) * (master[i + 1] - master[i]);
    };
    const double start = double(from_frame) / video_fps;
    const int max_lag = audio_rate / 50;  // 20 ms
    std::vector<double> correlation(2 * max_lag + 1);
    for (int lag = -max_lag; lag <= max_lag; lag++) {
        double sum = 0;
        for (size_t n = 0; n < decoded.size(); n++)
            sum += decoded[n] * at(start + (double(n) - lag) / audio_rate);
        correlation[size_t(lag + max_lag)] = sum;
    }
    size_t best = 0;
    for (size_t i = 1; i < correlation.size(); i++)
        if (correlation[i] > correlation[best])
            best = i;
    double fraction = 0;
    if (best > 0 && best + 1 < correlation.size()) {
        const double l = correlation[best - 1], m = correlation[best], r = correlation[best + 1];
        if (l - 2 * m + r != 0)
            fraction = 0.5 * (l - r) / (l - 2 * m + r);
    }
    return (double(best) - max_lag + fraction) * 1000.0 / audio_rate;
}

TEST(VideoClip, SoundIsTheSynthesisersAlignedToTheFrames)
{
    const Clip& c = clips[0];
    ASSERT_EQ(Clips::status[c.name], 0) << Clips::log[c.name];
    std::string problem;
    const double ms = sound_offset_ms(clip_path(c), c.from * 60 / 1000, &problem);
    ASSERT_EQ(problem, "");
    printf("sound of the %s clip against the synthesiser's: %+.4f ms\n", c.name, ms);
    EXPECT_LT(std::fabs(ms), 1.0);
    // The measure sees a frame's shift: against the synthesiser's a frame
    // later, the same sound is a frame late.
    const double shifted = sound_offset_ms(clip_path(c), c.from * 60 / 1000 + 1, &problem);
    EXPECT_NEAR(shifted, 1000.0 / video_fps, 0.1);
}

// An install has only the show's OGG: it is decoded, and is just as aligned.
TEST(VideoClip, WithoutTheMasterTheShowsOwnMusicIsDecoded)
{
    const std::string dir = fs::absolute(work + "/installed").string();
    fs::create_directories(dir);
    fs::create_directory_symlink(fs::absolute("data"), dir + "/data");
    const Clip c = {"from the ogg", "--height 480 --preset ultrafast", 60000, 61000, {}};
    std::string err;
    const std::string exe = fs::absolute(capture).string();
    const int status = run_command("cd " + quoted(dir) + " && " + exe + " --video clip.mp4 " +
                                       c.options + " --from 60000 --to 61000 2>&1",
                                   &err);
    ASSERT_EQ(status, 0) << err;
    std::string problem;
    const double ms = sound_offset_ms(dir + "/clip.mp4", c.from * 60 / 1000, &problem);
    ASSERT_EQ(problem, "");
    printf("sound decoded from the OGG against the synthesiser's: %+.4f ms\n", ms);
    EXPECT_LT(std::fabs(ms), 1.0);
}

// Made again, the smallest clip: the second run walks the first's path, and
// what could differ between runs (the encoder's threads, the file's dates)
// does not depend on the frame's size.
TEST(VideoClip, TheSameRunTwiceGivesTheSameBytes)
{
    const Clip& c = clips[3];
    ASSERT_EQ(Clips::status[c.name], 0) << Clips::log[c.name];
    const std::string again = work + "/again.mp4";
    std::string err;
    ASSERT_EQ(make_clip(c, again, &err), 0) << err;
    const std::string a = read_file(clip_path(c)), b = read_file(again);
    EXPECT_GT(a.size(), 10000u);
    EXPECT_TRUE(a == b) << "two runs differ";
}

// Failures ------------------------------------------------------------------

// A folder of programs to put first on PATH: fake or wrapped ffmpegs.
std::string fake_bin(const std::string& name, const std::string& script)
{
    const std::string dir = fs::absolute(work + "/bin-" + name).string();
    fs::create_directories(dir);
    std::ofstream(dir + "/ffmpeg") << "#!/bin/sh\n" << script;
    fs::permissions(dir + "/ffmpeg", fs::perms::owner_all);
    return dir;
}

size_t line_count(const std::string& s)
{
    return size_t(std::count(s.begin(), s.end(), '\n'));
}

// Nothing is drawn when the video cannot be made: one line, status 1, no file.
TEST(VideoFailure, NothingStartsWithoutWhatIsNeeded)
{
    const struct {
        const char* what;
        std::string path;  // PATH
        std::string file;
        const char* says;
    } cases[] = {
        {"no ffmpeg", "/nonexistent", work + "/a.mp4", "package ffmpeg"},
        {"no libx264",
         fake_bin("no-x264",
                  "echo ' A....D aac                  AAC (Advanced Audio Coding)'\n"
                  "echo ' V....D libopenh264          OpenH264 H.264'\n"),
         work + "/a.mp4", "package ffmpeg"},
        {"no aac", fake_bin("no-aac", "echo ' V....D libx264              H.264'\n"),
         work + "/a.mp4", "package ffmpeg"},
        {"no such folder", "/usr/bin:/bin", work + "/no/such/folder/a.mp4", "cannot write"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string err;
        const double before = children_cpu_seconds();
        const int status = run_command(
            "PATH=" + quoted(c.path) + " " + capture + " --video " + quoted(c.file) + " 2>&1",
            &err);
        const double seconds = children_cpu_seconds() - before;
        EXPECT_EQ(status, 1);
        EXPECT_EQ(line_count(err), 1u) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(c.file));
        EXPECT_FALSE(fs::exists(c.file + ".part"));
        // The whole show would take seconds of processor time to draw; a
        // busy machine stretches the wall clock, not this.
        EXPECT_LT(seconds, 1.0);
    }
}

// ffmpeg failing while it encodes: its output limited in size, as on a full
// disk, either told by the system (writes fail) or killed by it.
TEST(VideoFailure, FfmpegFailingMidwayLeavesNothingAndSaysWhy)
{
    const struct {
        const char* what;
        const char* limit;
        const char* says;
    } cases[] = {
        {"writes-fail", "ulimit -f 512; trap '' XFSZ; ", "ffmpeg: "},
        {"killed", "ulimit -f 512; ", "signal"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bin = fake_bin(
            c.what,
            std::string("case \"$*\" in *-encoders*) exec /usr/bin/ffmpeg \"$@\";; esac\n") +
                c.limit + "exec /usr/bin/ffmpeg \"$@\"\n");
        const std::string file = work + "/full.mp4";
        std::string err;
        const int status =
            run_command("PATH=" + quoted(bin) + ":/usr/bin:/bin " + capture + " --video " +
                            quoted(file) + " --preset ultrafast --from 20000 --to 23000 2>&1",
                        &err);
        EXPECT_EQ(status, 1) << err;
        EXPECT_NE(err.find(c.says), std::string::npos) << err;
        EXPECT_NE(err.find("no video written"), std::string::npos) << err;
        EXPECT_FALSE(fs::exists(file));
        EXPECT_FALSE(fs::exists(file + ".part"));
    }
}

// Processes whose command line names the file.
int processes_naming(const std::string& text)
{
    int found = 0;
    for (const auto& p : fs::directory_iterator("/proc")) {
        const std::string cmdline = read_file(p.path().string() + "/cmdline");
        if (cmdline.find(text) != std::string::npos)
            found++;
    }
    return found;
}

// Ctrl-C or a termination while it encodes: ffmpeg ended, nothing left.
TEST(VideoFailure, StoppedMidwayLeavesNothing)
{
    for (int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(strsignal(sig));
        const std::string file = fs::absolute(work + "/stopped.mp4").string();
        const pid_t pid = fork();
        if (pid == 0) {
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDERR_FILENO);
            execl(capture.c_str(), capture.c_str(), "--video", file.c_str(), "--preset",
                  "ultrafast", (char*)nullptr);
            _exit(127);
        }
        ASSERT_GT(pid, 0);
        // Until ffmpeg has written something of the video.
        struct stat st {};
        for (int i = 0;
             i < 300 && !(stat((file + ".part").c_str(), &st) == 0 && st.st_size > 100000); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        EXPECT_GT(st.st_size, 100000) << "no video being written";
        kill(pid, sig);
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 128 + sig);
        EXPECT_FALSE(fs::exists(file));
        EXPECT_FALSE(fs::exists(file + ".part"));
        EXPECT_EQ(processes_naming(file), 0) << "ffmpeg still running";
    }
}

TEST(VideoOptions, WrongCombinationsAreUsageErrors)
{
    const char* cases[] = {
        "--video a.mp4 --raw",
        "--video a.mp4 --null",
        "--video a.mp4 --back-buffer",
        "--video a.mp4 --at 1000",
        "--video a.mp4 --fps 30",
        "--video a.mp4 --crf 52",
        "--video a.mp4 --preset quick",
        "--video a.mp4 --profile cinema",
        "--video a.mp4 --from 2000 --to 1000",
        "--profile party",
        "--crf 20 --raw",
        "--from 101000",
    };
    for (const char* args : cases) {
        std::string err;
        EXPECT_EQ(run_command(capture + " " + args + " 2>&1", &err), 2) << args;
        EXPECT_NE(err.find("usage:"), std::string::npos) << args;
    }
    EXPECT_FALSE(fs::exists("a.mp4"));
}

}  // namespace
