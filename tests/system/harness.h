// Helpers for the tests that play the real program on a real X server (Xvfb):
// the server and its window manager, finding the show's window, the keys and
// the window manager's close, and what the screen shows against the capture
// tool's picture. The desktop build's tests and the Windows build's (under
// wine) share them.
#pragma once

// Xlib's macros (None, Bool, Status) would clash with gtest's names: after it.
// Its Font type goes by another name, the show's glyph font keeping its own.
#include <gtest/gtest.h>
#define Font XFont
#include <X11/Xlib.h>
#undef Font
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "overlays/fade.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0);

// One Xvfb per test, on a display number it picks itself, with a window
// manager as on any desktop (SDL waits for one when it leaves fullscreen)
// unless the test asks for a bare server.
struct ScreenSize {
    int width = 1024, height = 768;
    bool window_manager = true;
};

struct Server {
    pid_t pid = -1;
    pid_t wm = -1;
    std::string display;
};

// Starts a program with its output thrown away, on the display if one is given.
pid_t spawn_quietly(const char* program, const char* const* args, const std::string& display);
Server start_xvfb(const ScreenSize& screen = ScreenSize());
void stop(const Server& s);

// The show's window (captioned "VARNO STYLE") under w, or 0.
Window find_window(Display* d, Window w);
// Waits for the show's window, up to limit_ms.
// A wait for the machine, not a bound on the program: a loaded machine may
// take many seconds to start it.
Window wait_for_window(Display* d, double limit_ms = 60000);
// Waits for the child to end, up to limit_ms; returns its status or -1.
int wait_exit(pid_t pid, double limit_ms, struct rusage* usage = nullptr);

// How soon the show's window must go after Escape is released or its window
// closed: measured from the event to the window's destruction, which the
// program does (or the server, as its connection closes), not to the end of
// the process, whose teardown is the machine's, and less the time the program
// and the X server waited for a processor (time_quit below). The desktop build answers in
// 60-100 ms (about 30 closing the sound, 20 in SDL_Quit, up to a frame waiting
// for the event). Now and then SDL's X11 teardown waits its full 100 ms for
// the window manager to leave fullscreen, so the bound leaves room for that; a
// quit that waits for a fade, the music or a hang still fails it. A request
// during start-up is answered by the first pass of the frame loop, so it may
// also wait for the rest of start-up (200 ms at most).
constexpr double quit_limit_ms = 300;
constexpr double start_up_quit_limit_ms = 400;
// The process must then be gone too, with its status: a bound on a hang, not
// on the machine's speed.
constexpr double exit_limit_ms = 10000;

// How long the program took to answer an event with its window's end: the
// ms from the event to the window's destruction (-1: it stayed), and how much
// of that the machine took, not the program: the most any one thread of the
// program waited for a processor while ready to run, and the same for each
// process it works through (the X server; under wine, wineserver), from
// /proc/<pid>/task/<tid>/schedstat. What is left is the program's own: its
// work and its own waits (for a fade, the music, a hang).
struct QuitTime {
    double wall_ms = -1;
    double machine_ms = 0;
    double program_ms() const { return wall_ms < 0 ? -1 : wall_ms - machine_ms; }
};
QuitTime time_quit(Display* d, Window w, pid_t program, const std::vector<pid_t>& through,
                   const std::function<void()>& event);

void release_escape(Display* d);
// What a window manager's close button does: WM_DELETE_WINDOW to the client.
void close_window(Display* d, Window w);

// An X server, our connection to it and the show on it; whatever the test's
// outcome, everything is stopped when it ends.
struct Session {
    explicit Session(const ScreenSize& screen = ScreenSize());
    ~Session();
    Server server;
    Display* d = nullptr;
    pid_t show = -1;
};

// A PulseAudio server of its own with a null sink named `sink` at `rate`, in
// `dir` (its home, runtime directory, socket and log), meeting no other sound
// server on the machine; anyone may connect to it. PULSE_SERVER is set to it
// for this process and the programs it starts. pid is -1 if it did not come up
// (*log then says why).
struct PulseServer {
    pid_t pid = -1;
    std::string dir;
};
PulseServer start_pulse(const std::string& dir, const char* sink, int rate, std::string* log);
void stop_pulse(const PulseServer& p);

// A fresh wine prefix at `prefix`, set up to start windows at once and never
// wait on a dialog; WINEPREFIX and the rest are set for this process and its
// programs. False (with *error) if wine could not make it.
bool make_wine_prefix(const std::string& prefix, std::string* error);

// The title picture holds still from the end of the flash train to the start
// of its fade-out: the show starts in that stretch and is looked at in it.
constexpr uint32_t still_start =
    title_flash_first + (title_flash_count - 1) * title_flash_every + title_flash_length;
constexpr uint32_t still_end = dance_start - scene_fade_ms;
constexpr uint32_t still_frame = (still_start + still_end) / 2;

// The capture tool's back buffer at demo time t, 0xRRGGBB, row after row.
std::vector<uint32_t> captured_picture(uint32_t t);

// Share of the picture's pixels that the screen area (x, y, w, h) of the
// drawable shows within 2 in every channel, sampled at each pixel's centre.
double matching_share(Display* d, Drawable from, int x, int y, double w, double h,
                      const std::vector<uint32_t>& picture);
