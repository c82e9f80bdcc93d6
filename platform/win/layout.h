// Where the Windows display puts the picture and how large it makes its
// window: plain arithmetic, without <windows.h>, so that the native tests hold it to its
// rules (tests/unit/win_layout_test.cpp).
#pragma once

#include <cstdint>

#include "platform/video.h"

namespace win {

// A rectangle of the window's client area, in physical pixels.
struct Area {
    int x, y, w, h;
};

// The 4:3 picture as large as a client area of w x h allows, centred: black
// bars beside it on a wider area, above and below it on a taller one. Its
// other side is the exact one rounded to the nearest pixel (1280x800 shows
// 1067x800), never more than the area. Nothing for an empty area.
inline Area fit_picture(int w, int h)
{
    if (w <= 0 || h <= 0)
        return {0, 0, 0, 0};
    int pw = w, ph = h;
    if (int64_t(w) * screen_height >= int64_t(h) * screen_width)
        pw = int((int64_t(h) * 2 * screen_width + screen_height) / (2 * screen_height));
    else
        ph = int((int64_t(w) * 2 * screen_height + screen_width) / (2 * screen_width));
    return {(w - pw) / 2, (h - ph) / 2, pw, ph};
}

// The whole number of times the 640x480 window is enlarged on a screen of
// dpi dots per inch (96 is 100%): the scale rounded to the nearest whole
// number (150% and 175% give 2, 125% gives 1, 250% gives 3), and then as
// many times as the window still fits the free area of avail_w x avail_h
// with its frame and caption (frame_w, frame_h in all) around it; 1 at least.
inline int window_scale(int dpi, int avail_w, int avail_h, int frame_w, int frame_h)
{
    int k = (dpi + 48) / 96;
    if (k < 1)
        k = 1;
    while (k > 1 && (k * screen_width + frame_w > avail_w || k * screen_height + frame_h > avail_h))
        k--;
    return k;
}

}  // namespace win
