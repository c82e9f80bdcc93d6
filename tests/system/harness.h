// What the system tests share: a private X server (Xvfb, with openbox where a
// window manager matters) and a private PulseAudio with a null sink, a wine
// prefix and its sessions, starting a program with its environment and ending
// it, finding its window by its title, keys as a viewer presses them, the
// window manager's close, and screenshots against the capture tool's picture.
// The desktop build's tests, the Windows build's under wine and the live sync
// tests use it, and the sync meter finds the show's window through it.
//
// It pulls in Xlib, whose macros (None, Bool, Status) clash with gtest's
// names: a test includes gtest's header before this one. Xlib's Font type goes
// by another name, the show's glyph font keeping its own.
#pragma once

#define Font XFont
#include <X11/Xlib.h>
#include <X11/keysym.h>
#undef Font
#include <sys/resource.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "overlays/fade.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0);

// A folder of its own for a run's servers and files, made afresh inside
// TMPDIR (each test's own, set by CMake), or /tmp: two runs on one machine
// never share one.
std::string fresh_folder(const char* name);

// --- Programs ---

// A program to start: its command line (the first word looked up on PATH
// unless it holds a '/'), where it runs, what is set and taken out of its
// environment, and where its output goes.
struct Launch {
    std::vector<std::string> argv;
    std::string dir;  // its working directory: empty for this one
    std::vector<std::pair<std::string, std::string>> env;
    std::vector<std::string> unset;
    // Files its standard output and error are written to: empty keeps this
    // process's own; the same name for both, one file in the order written.
    std::string out = "/dev/null", err = "/dev/null";
    // In a process group of its own, so that a signal reaches every process
    // it starts (a browser, wine's).
    bool own_group = false;
};

pid_t start_program(const Launch& l);
// The same with its output thrown away, on the display if one is given.
pid_t start_quietly(const std::vector<std::string>& argv, const std::string& display = "");
// Ends it if it still runs (its whole group, if it has one of its own) and
// reaps it.
void end_program(pid_t pid, bool group = false);
// Waits for the child to end, up to limit_ms; returns its status (128 + the
// signal that ended it) or -1.
int wait_exit(pid_t pid, double limit_ms, struct rusage* usage = nullptr);

// --- The X server ---

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

Server start_xvfb(const ScreenSize& screen = ScreenSize());
void stop_xvfb(const Server& s);

// An X server, our connection to it and the program on it; whatever the
// test's outcome, everything is stopped when it ends.
struct Session {
    explicit Session(const ScreenSize& screen = ScreenSize());
    ~Session();
    Server server;
    Display* d = nullptr;
    pid_t show = -1;
    bool show_group = false;  // the program started in a group of its own
};

// The show's window, whichever build or browser draws it.
constexpr char show_title[] = "VARNO STYLE";

// The window under w whose title is `title`, or starts with it (a browser
// puts its own name after the page's), or 0.
Window find_window(Display* d, Window w, const char* title = show_title);
// Waits for that window, up to limit_ms. A wait for the machine, not a bound
// on the program: a loaded machine may take many seconds to start it.
Window wait_for_window(Display* d, double limit_ms = 60000, const char* title = show_title);

// --- Keys and the window manager ---

// A key pressed or released as a viewer's (XTEST), sent at once.
void key_event(Display* d, KeySym key, bool down);
// A key pressed, held for held_ms and released, with `with` (a modifier such
// as XK_Alt_L) held around it unless NoSymbol.
void tap_key(Display* d, KeySym key, int held_ms = 0, KeySym with = NoSymbol);
// Escape held 20 ms as a finger holds it: its release is what quits.
void release_escape(Display* d);
// What a window manager's close button does: WM_DELETE_WINDOW to the client.
void close_window(Display* d, Window w);

// --- Timing a quit ---

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
// /proc/<pid>/task/<tid>/schedstat, read as the program's threads end. What
// is left is the program's own: its work and its own waits (for a fade, the
// music, a hang).
struct QuitTime {
    double wall_ms = -1;
    double machine_ms = 0;
    double program_ms() const { return wall_ms < 0 ? -1 : wall_ms - machine_ms; }
};
QuitTime time_quit(Display* d, Window w, pid_t program, const std::vector<pid_t>& through,
                   const std::function<void()>& event);

// --- Screenshots ---

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
// A screen the show is looked at on, fullscreen or in a window; test
// listings name it instead of dumping its bytes.
struct View {
    const char* name;
    ScreenSize screen;
    bool window;
};
void PrintTo(const View& v, std::ostream* os);

// Where the show's picture is on the screen: a window's client area, 640x480,
// or fullscreen as large as fits, centred.
struct Placed {
    Drawable from;
    int x, y;
    double w, h;
};
Placed placed_picture(Display* d, Window w, const ScreenSize& screen, bool window);
// Looks at it until it shows `picture` (99% of its pixels) or 5 s have gone:
// start-up and the window manager's turn at the window come first, slower on
// a busy machine; when only the frames of one still stretch can match,
// waiting longer passes nothing else. Returns the share matching, printed
// under `name`; where it falls short, how much of it is black (a window that
// never showed, not one that showed something else) is printed and the whole
// screen saved in TMPDIR/<name>.png.
double shown_share(Display* d, const Placed& p, const std::vector<uint32_t>& picture,
                   const std::string& name);
// Whether the bars the fullscreen picture leaves on its sides (or above and
// below it) are black.
bool bars_black(Display* d, const Placed& p, const ScreenSize& screen);
// Whether the screen's rows [y, y + h) and columns [x, x + w) are all black.
bool all_black(Display* d, int x, int y, int w, int h);
// The whole screen into a PNG file, for a failure to be looked at.
void save_screen(Display* d, const std::string& path);

// --- Sound ---

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

// --- Wine ---

// A fresh wine prefix at `prefix`, set up to start windows at once and never
// wait on a dialog; WINEPREFIX and the rest are set for this process and its
// programs. False (with *error) if wine could not make it.
bool make_wine_prefix(const std::string& prefix, std::string* error);
// A wine session (its server, its desktop) keeps the display and screen size
// of its first program: a program started on another X server while the last
// one's session lingers would take the last one's screen. So each X server
// gets a session of its own, begun afresh (a second or so) when a program is
// first started on it.
void wine_session(const Server& server);
// The wineserver of this process's prefix (WINEPREFIX), which every message
// between a Windows program's threads and windows goes through; -1 if none.
pid_t wineserver_pid();
