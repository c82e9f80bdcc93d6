// The display: screen surface, back buffer, video set-up and present step,
// the clock and the events that ask to quit.
#pragma once

#include <SDL/SDL.h>
#include <cstdint>

constexpr int screen_width = 640;
constexpr int screen_height = 480;
constexpr int back_width = 320;   // every renderer draws at this size...
constexpr int back_height = 240;  // ...and the present step doubles it

// 640x480 fullscreen, double-buffered; only the present step writes it.
extern SDL_Surface* screen_surface;
// 320x240 software surface in the screen's pixel format; every scene draws here.
extern SDL_Surface* back_buffer;

// Registers the library's shutdown to run at exit, so the desktop's video
// mode comes back however the process leaves. Call first of all.
void restore_display_at_exit();

// No window and no sound device: the display is a surface in memory. Call
// before video_setup (the capture tool, the benchmarks).
void use_offscreen_display();

// How the show is put on the display.
enum class DisplayMode {
    fullscreen,  // the whole screen, the picture as large as fits, centred
    window,      // a 640x480 window
};

// Opens the display, makes the back buffer, starts DevIL. Returns false after
// printing "Error at setting video mode: ..." when SDL refuses, or when there
// is no display to show the show on and no driver was asked for through
// SDL_VIDEODRIVER. From here on, losing the X display ends the process at
// once with status 1 after "Error: lost the connection to the display".
bool video_setup(DisplayMode mode = DisplayMode::fullscreen);

// Doubles the back buffer onto the screen surface without filtering.
void double_back_buffer();

// Doubles the back buffer onto the screen and flips. When the flip did not
// wait for the display's retrace, waits so that frames come no faster than
// the display's refresh rate (60 a second where it is not known).
void present();

// Milliseconds since the library started.
uint32_t ticks();

// Drains pending events; true when one of them asks to quit (a released
// Escape or a window close). Every other event is discarded.
bool quit_requested();

// Frees the back buffer and closes the display.
void video_shutdown();

// The frame loop: calls begin once the viewer is there, then frame once per
// displayed frame until it returns false, then done. Natively begin comes at
// once and the call returns after done. In a browser it returns at once: the
// page is told the show is ready, begin comes when the viewer presses play,
// the page's animation frames drive the loop, and after done the page is told
// the show stopped.
void run_frames(void (*begin)(), bool (*frame)(), void (*done)());
