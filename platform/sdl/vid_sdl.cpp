// The desktop's display, clock and events: SDL 1.2 (through sdl12-compat) on
// X11, with a few Xlib calls where SDL leaves the desktop to us.
#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "draw/blit.h"
#include "platform/pacing.h"
#include "platform/video.h"

// The screen SDL gives us, and the same pixels as a surface of ours to double
// the back buffer into when they are laid out as it is.
static SDL_Surface* screen_surface;
static Surface* screen_view;

// A refresh period of the display, and when the last flip returned: the loop
// paces itself by these when flips do not wait for the retrace.
static double frame_period_ms = refresh_period_ms(0);
static double last_flip_ms;

static double clock_ms()
{
    using ms = std::chrono::duration<double, std::milli>;
    return ms(std::chrono::steady_clock::now().time_since_epoch()).count();
}

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
    frame_period_ms = refresh_period_ms(rate);
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
    const PixelLayout layout = {f->Rmask, f->Gmask, f->Bmask, f->Amask};
    screen_view = surface_wrap(static_cast<uint32_t*>(screen_surface->pixels), screen_width,
                               screen_height, screen_surface->pitch / 4, layout);
    if (f->BytesPerPixel != 4 || !screen_view) {
        printf("Error at setting video mode: no 32-bit screen\n");
        return false;
    }
    return true;
}

// SDL asks for a lock before the pixels of some surfaces are touched.
static bool must_lock(const SDL_Surface* s)
{
    return s->offset != 0 || (s->flags & (SDL_HWSURFACE | SDL_ASYNCBLIT | SDL_RLEACCEL)) != 0;
}

// The back buffer doubled onto a screen laid out otherwise, channel by channel.
static void double_converted(const Surface* back, Surface* screen)
{
    const PixelLayout& to = screen->layout;
    for (int y = 0; y < back->h; y++) {
        const uint32_t* s = surface_row(back, y);
        uint32_t* d = surface_row(screen, 2 * y);
        for (int x = 0; x < back->w; x++) {
            const uint32_t p = s[x];
            const uint32_t r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
            // Each channel scaled onto its mask: 0xFF times the mask's lowest bit.
            const uint32_t q =
                (r * (to.r & -to.r)) | (g * (to.g & -to.g)) | (b * (to.b & -to.b)) | to.a;
            d[2 * x] = d[2 * x + 1] = q;
        }
        std::copy(d, d + 2 * back->w, surface_row(screen, 2 * y + 1));
    }
}

void video_present(const Surface* back)
{
    // Pixels move when a surface is locked: wrapped again after the lock.
    const bool lock = must_lock(screen_surface);
    if (lock)
        SDL_LockSurface(screen_surface);
    screen_view->pixels = static_cast<uint32_t*>(screen_surface->pixels);
    if (screen_view->layout == xrgb_layout)
        surface_double(back, screen_view);
    else
        double_converted(back, screen_view);
    if (lock)
        SDL_UnlockSurface(screen_surface);
    SDL_Flip(screen_surface);
    // A flip that did not wait for the retrace is slept to the period.
    const double now = clock_ms();
    last_flip_ms = next_frame_at(last_flip_ms, now, frame_period_ms);
    if (last_flip_ms > now)
        std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(last_flip_ms - now));
}

void video_shutdown()
{
    surface_free(screen_view);
    screen_view = nullptr;
    SDL_Quit();
}
