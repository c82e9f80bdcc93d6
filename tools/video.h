// Videos of the show: its frames enlarged by whole numbers and converted to
// BT.709 Y'CbCr here, pure arithmetic on every platform; tools/ffmpeg.h pipes
// them into the ffmpeg program where a process can be started.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "draw/surface.h"

constexpr int video_fps = 60;
constexpr int audio_rate = 48000;
// 48000 / 60: every frame owns exactly this many samples of the sound.
constexpr int samples_per_frame = audio_rate / video_fps;

// The music as the synthesiser made it, before lossy coding: the build writes
// it beside data/. Installs have only the show's OGG, which is decoded instead.
constexpr char music_master_file[] = "music/dorvang.wav";

// Where the show's picture lies in a video frame: every show pixel becomes a
// scale x scale square, the picture's top-left corner at (left, top), black
// around it.
struct VideoGeometry {
    int width, height;
    int scale;
    int left, top;
};

// What a video is made for. A 4:3 frame is filled by the picture (an
// upload's player adds its own bars); a 16:9 frame holds it centred at the
// largest whole scale that fits, so every show pixel stays one sharp square.
struct VideoProfile {
    const char* name;
    int height;  // the default
    bool wide;   // 16:9 rather than 4:3
};
constexpr VideoProfile video_profiles[] = {
    {"youtube", 1440, false},
    {"party", 1080, true},
};
// x264's presets, fastest first, and what a video is made with unless asked.
constexpr const char* x264_presets[] = {"ultrafast", "superfast", "veryfast", "faster",
                                        "fast",      "medium",    "slow",     "slower",
                                        "veryslow",  "placebo"};
constexpr char default_preset[] = "medium";
constexpr int default_crf = 16;
constexpr int max_crf = 51;

constexpr int min_video_height = back_height;
constexpr int max_video_height = 2160;

// The frame of a profile at a height (0: the profile's own), or false with
// the reason when that height cannot be made.
bool video_geometry(const VideoProfile& profile, int height, VideoGeometry* g, std::string* why);

// BT.709 limited range from 8-bit R'G'B', rounded exactly (half up):
// Y' from one pixel, Cb and Cr from the sums of the components of four (the
// mean of a 2x2 block, converted once).
uint8_t bt709_luma(int r, int g, int b);
void bt709_chroma(int r4, int g4, int b4, uint8_t* cb, uint8_t* cr);

inline size_t video_frame_bytes(const VideoGeometry& g)
{
    return size_t(g.width) * g.height * 3 / 2;
}

// The picture (back_width x back_height, xrgb layout) as one yuv420p frame:
// the Y plane, then Cb, then Cr, video_frame_bytes(g) in all. Nearest
// neighbour, each chroma sample the mean of its 2x2 block.
void video_convert(const Surface* picture, const VideoGeometry& g, uint8_t* yuv);
