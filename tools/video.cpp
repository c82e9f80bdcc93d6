// The capture tool's videos: the frame's size, scaling and BT.709 conversion.
#include "tools/video.h"

#include <algorithm>
#include <cstring>

// Rec. 709's luma weights in ten-thousandths: exact, so every value below is
// a ratio of integers and rounds the same everywhere.
constexpr int kr = 2126, kb = 722, kg = 10000 - kr - kb;

// offset + num / den rounded half up; the sum must not be negative.
static uint8_t rounded(int offset, int64_t num, int64_t den)
{
    return uint8_t((num + offset * den + den / 2) / den);
}

uint8_t bt709_luma(int r, int g, int b)
{
    return rounded(16, int64_t(219) * (kr * r + kg * g + kb * b), int64_t(255) * 10000);
}

void bt709_chroma(int r4, int g4, int b4, uint8_t* cb, uint8_t* cr)
{
    // (B' - Y') / (2 (1 - Kb)) and (R' - Y') / (2 (1 - Kr)), scaled to 224
    // steps, of the mean of four pixels.
    *cb = rounded(128, int64_t(224) * ((10000 - kb) * b4 - kr * r4 - kg * g4),
                  int64_t(4) * 255 * 2 * (10000 - kb));
    *cr = rounded(128, int64_t(224) * ((10000 - kr) * r4 - kg * g4 - kb * b4),
                  int64_t(4) * 255 * 2 * (10000 - kr));
}

bool video_geometry(const VideoProfile& profile, int height, VideoGeometry* g, std::string* why)
{
    const int h = height ? height : profile.height;
    if (h < min_video_height || h > max_video_height || h % 2) {
        *why = "--height must be an even number from " + std::to_string(min_video_height) + " to " +
               std::to_string(max_video_height);
        return false;
    }
    if (!profile.wide && h % back_height) {
        *why = std::string("the ") + profile.name +
               " frame is the picture alone, whole pixels: --height must be a multiple of " +
               std::to_string(back_height);
        return false;
    }
    g->height = h;
    g->scale = h / back_height;
    g->width = profile.wide ? (h * 16 / 9 + 1) & ~1 : back_width * g->scale;
    // Even offsets keep every 2x2 chroma block inside one show pixel at even
    // scales.
    g->left = (g->width - back_width * g->scale) / 2 & ~1;
    g->top = (g->height - back_height * g->scale) / 2 & ~1;
    return true;
}

// The show pixel under a device row or column, -1 on the black around it.
static int source_of(int device, int start, int scale, int size)
{
    const int d = device - start;
    return d < 0 || d >= size * scale ? -1 : d / scale;
}

static void add_pixel(const Surface* s, int x, int y, int* r, int* g, int* b)
{
    if (x < 0 || y < 0)
        return;  // black
    const uint32_t p = surface_row(s, y)[x];
    *r += p >> 16 & 0xFF;
    *g += p >> 8 & 0xFF;
    *b += p & 0xFF;
}

void video_convert(const Surface* picture, const VideoGeometry& g, uint8_t* yuv)
{
    const int black_luma = bt709_luma(0, 0, 0);
    // Luma: one row per show row, copied down to the rows that repeat it.
    int previous = -2;
    for (int y = 0; y < g.height; y++) {
        uint8_t* out = yuv + size_t(y) * g.width;
        const int sy = source_of(y, g.top, g.scale, back_height);
        if (sy == previous) {
            memcpy(out, out - g.width, g.width);
            continue;
        }
        previous = sy;
        if (sy < 0) {
            memset(out, black_luma, g.width);
            continue;
        }
        memset(out, black_luma, g.left);
        const uint32_t* row = surface_row(picture, sy);
        uint8_t* o = out + g.left;
        for (int x = 0; x < back_width; x++, o += g.scale) {
            const uint32_t p = row[x];
            memset(o, bt709_luma(p >> 16 & 0xFF, p >> 8 & 0xFF, p & 0xFF), g.scale);
        }
        const int right = g.left + back_width * g.scale;
        memset(out + right, black_luma, g.width - right);
    }
    // Chroma: each sample the mean of its 2x2 block, computed once for every
    // pair of show rows and run of equal column pairs.
    const int cw = g.width / 2, ch = g.height / 2;
    uint8_t* cb_plane = yuv + size_t(g.width) * g.height;
    uint8_t* cr_plane = cb_plane + size_t(cw) * ch;
    int previous_a = -2, previous_b = -2;
    for (int cy = 0; cy < ch; cy++) {
        uint8_t* cb = cb_plane + size_t(cy) * cw;
        uint8_t* cr = cr_plane + size_t(cy) * cw;
        const int a = source_of(2 * cy, g.top, g.scale, back_height);
        const int b = source_of(2 * cy + 1, g.top, g.scale, back_height);
        if (a == previous_a && b == previous_b) {
            memcpy(cb, cb - cw, cw);
            memcpy(cr, cr - cw, cw);
            continue;
        }
        previous_a = a;
        previous_b = b;
        int last_c = -2, last_d = -2;
        for (int cx = 0; cx < cw; cx++) {
            const int c = source_of(2 * cx, g.left, g.scale, back_width);
            const int d = source_of(2 * cx + 1, g.left, g.scale, back_width);
            if (c == last_c && d == last_d) {
                cb[cx] = cb[cx - 1];
                cr[cx] = cr[cx - 1];
                continue;
            }
            last_c = c;
            last_d = d;
            int r = 0, gr = 0, bl = 0;
            add_pixel(picture, c, a, &r, &gr, &bl);
            add_pixel(picture, d, a, &r, &gr, &bl);
            add_pixel(picture, c, b, &r, &gr, &bl);
            add_pixel(picture, d, b, &r, &gr, &bl);
            bt709_chroma(r, gr, bl, &cb[cx], &cr[cx]);
        }
    }
}
