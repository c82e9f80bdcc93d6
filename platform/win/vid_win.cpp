// Windows' display: a window of our own, drawn with GDI.
//
// Fullscreen is a borderless popup window laid over the whole monitor, as
// parties ask: the display mode is never changed. The 4:3 picture is as large
// as the monitor allows, centred between black bars, each show pixel enlarged
// by StretchDIBits with COLORONCOLOR (nearest pixel, no blur). -w is a window
// with a caption, its client area 640x480 times a whole number on high-DPI
// screens (layout.h); the manifest declares per-monitor DPI awareness, so
// Windows neither scales nor blurs it.
//
// The window lives on a thread of its own, which does nothing but answer the
// system: the window is moved, repainted and closed while the show loads its
// pictures and decodes its music, and Escape, Alt-F4 and a close reach the
// frame loop however busy it is. The frame loop draws into the same window
// from the main thread.
#include <windows.h>
// After windows.h, whose types they use:
#include <dwmapi.h>
#include <mmsystem.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/pacing.h"
#include "platform/system.h"
#include "platform/video.h"
#include "platform/win/layout.h"
#include "platform/win/win.h"

namespace {

// video_shutdown asks the window's thread to take the window away.
constexpr UINT close_message = WM_APP;

DisplayMode display_mode;
HWND window;
HANDLE window_made;  // set when the window is there, or could not be made
std::string why_no_window;

// The last frame presented and where it goes, shared by the two threads: the
// main thread presents, the window's thread repaints when the system asks.
CRITICAL_SECTION frame_lock;
uint32_t shown[back_width * back_height];
bool have_frame;
int client_w, client_h;
win::Area picture;

// The display's refresh period (the window's thread reads it again when the
// screen or the window's place changes), when the last frame was let go, and
// whether the system's timer was made finer for the sleeps.
std::atomic<double> period_ms{refresh_period_ms(0)};
double last_frame;
bool fine_timer;

// The system's text for its last error, for "Error at setting video mode: ...".
std::string last_error(const char* call)
{
    char text[256] = "";
    const DWORD code = GetLastError();
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                   text, sizeof text, nullptr);
    std::string s = std::string(call) + " failed: " + text;
    while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' '))
        s.pop_back();
    return s;
}

// A function of a system DLL that older Windows 10 may lack, or null.
template <typename F>
F system_function(const wchar_t* dll, const char* name)
{
    const HMODULE m = LoadLibraryW(dll);
    return m ? reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(m, name))) : nullptr;
}

// The monitor's dots per inch (96 is 100%), from Windows 8.1's per-monitor
// call where there is one, else the desktop's.
UINT monitor_dpi(HMONITOR monitor)
{
    using Call = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
    static const Call get_dpi = system_function<Call>(L"shcore.dll", "GetDpiForMonitor");
    UINT x = 0, y = 0;
    if (get_dpi && get_dpi(monitor, 0 /* MDT_EFFECTIVE_DPI */, &x, &y) == S_OK && x > 0)
        return x;
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSX);
    ReleaseDC(nullptr, screen);
    return dpi > 0 ? UINT(dpi) : 96;
}

constexpr DWORD window_style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;

// The window's outer size for a client area of 640x480 times the whole
// number that suits dpi and the monitor's free area.
SIZE window_size(HMONITOR monitor, UINT dpi)
{
    MONITORINFO info = {sizeof info, {}, {}, 0};
    GetMonitorInfoW(monitor, &info);
    using Call = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const Call adjust_for_dpi =
        system_function<Call>(L"user32.dll", "AdjustWindowRectExForDpi");
    RECT frame = {0, 0, 0, 0};
    if (!adjust_for_dpi || !adjust_for_dpi(&frame, window_style, FALSE, 0, dpi))
        AdjustWindowRectEx(&frame, window_style, FALSE, 0);
    const int frame_w = frame.right - frame.left, frame_h = frame.bottom - frame.top;
    const int k = win::window_scale(int(dpi), info.rcWork.right - info.rcWork.left,
                                    info.rcWork.bottom - info.rcWork.top, frame_w, frame_h);
    return {k * screen_width + frame_w, k * screen_height + frame_h};
}

// The refresh rate of the monitor the window is on, as its display settings
// say (0 on wine's virtual screens, "default" on some drivers: 60 then).
void read_refresh_rate(HWND w)
{
    MONITORINFOEXW info;
    info.cbSize = sizeof info;
    DEVMODEW mode;
    mode.dmSize = sizeof mode;
    mode.dmDriverExtra = 0;
    int hz = 0;
    if (GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), &info) &&
        EnumDisplaySettingsW(info.szDevice, ENUM_CURRENT_SETTINGS, &mode))
        hz = int(mode.dmDisplayFrequency);
    period_ms = refresh_period_ms(hz);
}

// Lays the fullscreen window over the whole of its monitor again.
void cover_monitor(HWND w)
{
    MONITORINFO info = {sizeof info, {}, {}, 0};
    if (GetMonitorInfoW(MonitorFromWindow(w, MONITOR_DEFAULTTOPRIMARY), &info))
        SetWindowPos(w, nullptr, info.rcMonitor.left, info.rcMonitor.top,
                     info.rcMonitor.right - info.rcMonitor.left,
                     info.rcMonitor.bottom - info.rcMonitor.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// Black bars around the picture, and the last frame in it (black before the
// first), on a device context of the window; either thread.
void paint(HDC dc)
{
    static const BITMAPINFO format = {
        {sizeof(BITMAPINFOHEADER), back_width, -back_height, 1, 32, BI_RGB, 0, 0, 0, 0, 0}, {}};
    const HBRUSH black = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    EnterCriticalSection(&frame_lock);
    const win::Area p = picture;
    const RECT bars[4] = {
        {0, 0, client_w, p.y},
        {0, p.y + p.h, client_w, client_h},
        {0, p.y, p.x, p.y + p.h},
        {p.x + p.w, p.y, client_w, p.y + p.h},
    };
    for (const RECT& bar : bars)
        if (bar.right > bar.left && bar.bottom > bar.top)
            FillRect(dc, &bar, black);
    if (have_frame) {
        SetStretchBltMode(dc, COLORONCOLOR);
        StretchDIBits(dc, p.x, p.y, p.w, p.h, 0, 0, back_width, back_height, shown, &format,
                      DIB_RGB_COLORS, SRCCOPY);
    } else {
        const RECT whole = {p.x, p.y, p.x + p.w, p.y + p.h};
        FillRect(dc, &whole, black);
    }
    LeaveCriticalSection(&frame_lock);
    GdiFlush();
}

LRESULT CALLBACK window_proc(HWND w, UINT message, WPARAM wp, LPARAM lp)
{
    switch (message) {
        case WM_KEYUP:
            // As on Linux: releasing Escape quits, pressing it does nothing.
            if (wp == VK_ESCAPE) {
                win::ask_to_quit();
                return 0;
            }
            break;
        case WM_SYSKEYDOWN:
            // Alt-F4: at once, whatever the window's style makes of it.
            if (wp == VK_F4) {
                win::ask_to_quit();
                return 0;
            }
            break;
        case WM_CLOSE:
            // The frame loop ends the show; the window goes with the process.
            win::ask_to_quit();
            return 0;
        case WM_SETCURSOR:
            if (LOWORD(lp) == HTCLIENT) {
                SetCursor(nullptr);
                return TRUE;
            }
            break;
        case WM_SYSCOMMAND:
            // No screen saver and no monitor sleep during the show.
            if ((wp & 0xFFF0) == SC_SCREENSAVE || (wp & 0xFFF0) == SC_MONITORPOWER)
                return 0;
            break;
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT paints every pixel
        case WM_PAINT: {
            PAINTSTRUCT ps;
            paint(BeginPaint(w, &ps));
            EndPaint(w, &ps);
            return 0;
        }
        case WM_SIZE:
            EnterCriticalSection(&frame_lock);
            client_w = LOWORD(lp);
            client_h = HIWORD(lp);
            picture = win::fit_picture(client_w, client_h);
            LeaveCriticalSection(&frame_lock);
            return 0;
        case WM_DISPLAYCHANGE:
            if (display_mode == DisplayMode::fullscreen)
                cover_monitor(w);
            read_refresh_rate(w);
            break;
        case WM_EXITSIZEMOVE:
            read_refresh_rate(w);  // perhaps moved to another monitor
            break;
        case WM_DPICHANGED:
            // Moved to a monitor of another scale, or the scale changed: the
            // window takes the whole step of the new one where Windows puts it;
            // fullscreen stays over its monitor.
            if (display_mode == DisplayMode::window) {
                const RECT* suggested = reinterpret_cast<const RECT*>(lp);
                const SIZE size =
                    window_size(MonitorFromRect(suggested, MONITOR_DEFAULTTONEAREST), LOWORD(wp));
                SetWindowPos(w, nullptr, suggested->left, suggested->top, size.cx, size.cy,
                             SWP_NOZORDER | SWP_NOACTIVATE);
            } else {
                cover_monitor(w);
            }
            return 0;
        case close_message:
            DestroyWindow(w);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(w, message, wp, lp);
}

// The window's thread: makes the window, then answers the system until
// video_shutdown takes the window away or the process ends.
DWORD WINAPI window_main(void*)
{
    const HINSTANCE program = GetModuleHandleW(nullptr);
    WNDCLASSEXW kind = {};
    kind.cbSize = sizeof kind;
    kind.style = CS_HREDRAW | CS_VREDRAW;
    kind.lpfnWndProc = window_proc;
    kind.hInstance = program;
    kind.hIcon = LoadIconW(program, MAKEINTRESOURCEW(1));  // the exe's own, when it has one
    kind.lpszClassName = L"VarnoStyle";
    const HMONITOR monitor = MonitorFromPoint({0, 0}, MONITOR_DEFAULTTOPRIMARY);
    MONITORINFO info = {sizeof info, {}, {}, 0};
    HWND made = nullptr;
    if (!RegisterClassExW(&kind)) {
        why_no_window = last_error("RegisterClassEx");
    } else if (!GetMonitorInfoW(monitor, &info)) {
        why_no_window = "no monitor";
    } else {
        DWORD style = WS_POPUP, ex_style = WS_EX_APPWINDOW;
        RECT r = info.rcMonitor;
        if (display_mode == DisplayMode::window) {
            style = window_style;
            ex_style = 0;
            const SIZE size = window_size(monitor, monitor_dpi(monitor));
            const RECT& work = info.rcWork;
            r.left = work.left + std::max(0L, (work.right - work.left - size.cx) / 2);
            r.top = work.top + std::max(0L, (work.bottom - work.top - size.cy) / 2);
            r.right = r.left + size.cx;
            r.bottom = r.top + size.cy;
        }
        made =
            CreateWindowExW(ex_style, kind.lpszClassName, L"VARNO STYLE", style, r.left, r.top,
                            r.right - r.left, r.bottom - r.top, nullptr, nullptr, program, nullptr);
        if (!made)
            why_no_window = last_error("CreateWindowEx");
    }
    if (made) {
        ShowWindow(made, SW_SHOW);
        SetForegroundWindow(made);
        UpdateWindow(made);
        read_refresh_rate(made);
    }
    window = made;
    SetEvent(window_made);
    if (!made)
        return 1;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0)
        DispatchMessageW(&m);
    return 0;
}

}  // namespace

bool video_setup(DisplayMode mode)
{
    display_mode = mode;
    InitializeCriticalSection(&frame_lock);
    // Sleeps to the millisecond for the pacing below, instead of the 15.6 ms
    // steps of the system's default timer.
    fine_timer = timeBeginPeriod(1) == TIMERR_NOERROR;
    window_made = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    const HANDLE thread =
        window_made ? CreateThread(nullptr, 0, window_main, nullptr, 0, nullptr) : nullptr;
    if (!thread) {
        why_no_window = last_error("CreateThread");
    } else {
        WaitForSingleObject(window_made, INFINITE);
        CloseHandle(thread);
    }
    if (!window) {
        printf("Error at setting video mode: %s\n", why_no_window.c_str());
        return false;
    }
    // Nor does the screen go dark by itself while the show plays.
    SetThreadExecutionState(ES_CONTINUOUS | ES_DISPLAY_REQUIRED);
    last_frame = clock_ms();
    return true;
}

void video_present(const Surface* back)
{
    EnterCriticalSection(&frame_lock);
    for (int y = 0; y < back_height; y++)
        memcpy(shown + y * back_width, surface_row(back, y), back_width * sizeof(uint32_t));
    have_frame = true;
    LeaveCriticalSection(&frame_lock);
    if (const HDC dc = GetDC(window)) {
        paint(dc);
        ReleaseDC(window, dc);
    }
    // DwmFlush waits for the desktop's next composition, once a refresh. Where
    // it did not wait (wine; a minimised window), the loop sleeps itself to a
    // period after the last frame.
    DwmFlush();
    const double period = period_ms;
    const double next = next_frame_at(last_frame, clock_ms(), period);
    for (double left; (left = next - clock_ms()) >= 1.0;)
        Sleep(DWORD(left));
    last_frame = frame_let_go(next, clock_ms(), period);
}

void video_shutdown()
{
    // The window's thread takes the window away when it gets the message, and
    // the process's end takes it in any case. Nobody waits for it: wine's X11
    // driver, without a window manager, waits two seconds for the focus to
    // leave a window that is hidden or destroyed.
    if (window)
        PostMessageW(window, close_message, 0, 0);
    window = nullptr;
    if (fine_timer)
        timeEndPeriod(1);
    fine_timer = false;
    SetThreadExecutionState(ES_CONTINUOUS);
}
