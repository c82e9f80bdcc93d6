// The display: where the back buffer is shown, enlarged, once a frame.
#pragma once

#include "draw/surface.h"

// The picture on the display: the back buffer doubled.
constexpr int screen_width = 2 * back_width;
constexpr int screen_height = 2 * back_height;

// How the show is put on the display.
enum class DisplayMode {
    fullscreen,  // the whole screen, the picture as large as fits, centred
    window,      // a 640x480 window
};

// Opens the display. Returns false after printing "Error at setting video
// mode: ..." when it cannot be had, or when there is nothing to show the show
// on. From here on, losing the display ends the process at once with status 1
// after "Error: lost the connection to the display".
bool video_setup(DisplayMode mode = DisplayMode::fullscreen);

// Shows the back buffer (back_width x back_height, xrgb layout) doubled, and
// returns when the next frame may be drawn: frames come no faster than the
// display's refresh rate (60 a second where it is not known).
void video_present(const Surface* back);

// Closes the display.
void video_shutdown();
