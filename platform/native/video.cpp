#include "platform/video.h"

#include <SDL/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/blit.h"
#include "platform/png.h"

SDL_Surface* screen_surface;
SDL_Surface* back_buffer;

// A refresh period of the display, and when the last flip returned: the loop
// paces itself by these when flips do not wait for the retrace.
static std::chrono::duration<double, std::milli> frame_period(1000.0 / 60);
static std::chrono::steady_clock::time_point last_flip;

// Xlib calls this when the connection to the display breaks (the window
// killed, the session ended) and ends the process as soon as it returns.
// Xlib's own handler leaves through exit(), whose SDL_Quit then waits forever
// on the dead connection in SDL's X11 teardown, spinning a core. Nothing of
// the display is left to restore, and the kernel closes the sound device.
static int display_lost(Display*)
{
    printf("Error: lost the connection to the display\n");
    fflush(stdout);
    _exit(1);
}

void restore_display_at_exit()
{
    atexit(SDL_Quit);
}

void use_offscreen_display()
{
    setenv("SDL_VIDEODRIVER", "dummy", 1);
}

static bool set(const char* name)
{
    const char* v = getenv(name);
    return v && *v;
}

// Why the show could not be seen, or null when it can. Without a display SDL
// falls back to a driver that draws into memory and shows nothing: a show
// nobody sees is a failure unless that driver was asked for by name.
static const char* no_display_reason()
{
    if (set("SDL_VIDEODRIVER"))
        return nullptr;
    if (!set("DISPLAY") && !set("WAYLAND_DISPLAY"))
        return "no display (neither DISPLAY nor WAYLAND_DISPLAY is set)";
    char name[32] = "";
    SDL_VideoDriverName(name, sizeof name);
    if (strcmp(name, "offscreen") == 0 || strcmp(name, "dummy") == 0)
        return "no display could be opened";
    return nullptr;
}

// Runs f(display, window) under SDL's lock on its X connection, when the
// window is an X11 one.
template <typename F>
static void with_x11_window(F f)
{
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) != 1 || info.subsystem != SDL_SYSWM_X11)
        return;
    info.info.x11.lock_func();
    f(info.info.x11.display, info.info.x11.window);
    info.info.x11.unlock_func();
}

// A window manager names itself on the root window; only a manager carries
// out a request to make a window fullscreen. Without one SDL leaves the window
// 640x480 in the middle of the screen while scaling the picture for the whole
// screen, so the window shows a magnified corner of it. The window is then laid
// over the whole screen here, as a manager would, and SDL scales into it.
static void cover_screen_without_manager(Display* d, Window w)
{
    const Window root = DefaultRootWindow(d);
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", True);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, left = 0;
    unsigned char* data = nullptr;
    if (check != None && XGetWindowProperty(d, root, check, 0, 1, False, XA_WINDOW, &type, &format,
                                            &items, &left, &data) == Success) {
        if (data)
            XFree(data);
        if (items > 0)
            return;
    }
    XWindowAttributes screen;
    XGetWindowAttributes(d, root, &screen);
    XMoveResizeWindow(d, w, 0, 0, unsigned(screen.width), unsigned(screen.height));
    XRaiseWindow(d, w);
    XSync(d, False);
}

// The refresh period of the screen the window is on, from the X server's RandR.
static void read_refresh_rate(Display* d, Window w)
{
    XRRScreenConfiguration* config = XRRGetScreenInfo(d, w);
    if (!config)
        return;
    const short rate = XRRConfigCurrentRate(config);
    XRRFreeScreenConfigInfo(config);
    if (rate >= 20 && rate <= 1000)
        frame_period = std::chrono::duration<double, std::milli>(1000.0 / rate);
}

bool video_setup(DisplayMode mode)
{
    // sdl12-compat paces flips by the display's retrace only when asked, and
    // would stretch to the desktop bilinearly; the show wants both the other way.
    setenv("SDL12COMPAT_SYNC_TO_VBLANK", "1", 0);
    setenv("SDL12COMPAT_SCALE_METHOD", "nearest", 0);
    // SDL opens the display through the same Xlib, whose handler is process-wide.
    // A write to a server that has just gone would otherwise kill us with
    // SIGPIPE before Xlib can tell; ignored, the write fails and Xlib calls it.
    XSetIOErrorHandler(display_lost);
    signal(SIGPIPE, SIG_IGN);
    const char* no_display = no_display_reason();
    if (!no_display && SDL_Init(SDL_INIT_VIDEO) == 0 && !(no_display = no_display_reason())) {
        const Uint32 flags = mode == DisplayMode::fullscreen ? SDL_FULLSCREEN : 0;
        screen_surface = SDL_SetVideoMode(screen_width, screen_height, 32,
                                          SDL_HWSURFACE | SDL_DOUBLEBUF | flags);
    }
    if (!screen_surface) {
        printf("Error at setting video mode: %s\n", no_display ? no_display : SDL_GetError());
        return false;
    }
    with_x11_window([mode](Display* d, Window w) {
        if (mode == DisplayMode::fullscreen)
            cover_screen_without_manager(d, w);
        read_refresh_rate(d, w);
    });
    // The screen's pixels are fresh pages: writing them once here, black as
    // they already are, keeps a millisecond of page faults out of the first frame.
    SDL_FillRect(screen_surface, nullptr, 0);
    SDL_WM_SetCaption("VARNO STYLE", nullptr);
    SDL_ShowCursor(SDL_DISABLE);
    const SDL_PixelFormat* f = screen_surface->format;
    back_buffer = SDL_CreateRGBSurface(SDL_SWSURFACE, back_width, back_height, 32, f->Rmask,
                                       f->Gmask, f->Bmask, f->Amask);
    if (!back_buffer) {
        printf("Error at setting video mode: %s\n", SDL_GetError());
        return false;
    }
    png_start();
    return true;
}

void double_back_buffer()
{
    lock_surface(screen_surface);
    double_surface(back_buffer, screen_surface);
    unlock_surface(screen_surface);
}

void present()
{
    double_back_buffer();
    SDL_Flip(screen_surface);
    // A flip that waited for the retrace returns about a period after the last
    // one; one that returned within half a period did not wait, and the loop
    // would spin a core drawing frames nobody sees. It sleeps to the period.
    using clock = std::chrono::steady_clock;
    const clock::time_point now = clock::now();
    const clock::time_point due =
        last_flip + std::chrono::duration_cast<clock::duration>(frame_period);
    if (now < last_flip + std::chrono::duration_cast<clock::duration>(frame_period / 2)) {
        std::this_thread::sleep_until(due);
        last_flip = due;
    } else {
        last_flip = now;
    }
}

uint32_t ticks()
{
    return SDL_GetTicks();
}

bool quit_requested()
{
    SDL_Event event;
    bool quit = false;
    // Drain the whole queue even after a quit: nothing is left for a later pass.
    while (SDL_PollEvent(&event)) {
        if (event.type == SDL_QUIT)
            quit = true;
        else if (event.type == SDL_KEYUP && event.key.keysym.sym == SDLK_ESCAPE)
            quit = true;
    }
    return quit;
}

void video_shutdown()
{
    SDL_FreeSurface(back_buffer);
    back_buffer = nullptr;
    SDL_Quit();
}

void run_frames(void (*begin)(), bool (*frame)(), void (*done)())
{
    begin();
    while (frame()) {
    }
    done();
}
