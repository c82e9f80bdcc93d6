// Windows' clock, events and frame loop, and where the program's messages go.
// The events themselves arrive at the window (vid_win.cpp), whose own thread
// hands a request to quit over to the frame loop here.
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <xinput.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "platform/mixer.h"
#include "platform/native_loop.h"
#include "platform/pad.h"
#include "platform/system.h"
#include "platform/win/win.h"

// Where the messages go. The exe is a GUI program (no console window opens
// when it is double-clicked), so Windows gives it no standard output of its
// own. Each of standard output and standard error goes, in this order of
// preference:
//  1. where it already goes: a file, a pipe or a console given to the
//     program (varno-style.exe > log.txt, a test reading a pipe, wine run
//     from a shell: wine hands the Unix descriptors over as they are);
//  2. to the console of the program it was started from (cmd, PowerShell):
//     the prompt comes back at once, as for any GUI program, and the lines
//     appear after it;
//  3. otherwise (a double click): into varno-style.log beside the exe, made
//     afresh at every start and removed again at exit when nothing was
//     written; where that folder cannot be written to, nowhere.
// Both are unbuffered, so that a line reaches a pipe when it is printed, and
// binary, so that lines end in a line feed alone, byte for byte as on Linux
// (the console, Notepad and every editor take that as the end of a line).
static std::wstring log_path;

static bool given(DWORD which)
{
    const HANDLE h = GetStdHandle(which);
    return h && h != INVALID_HANDLE_VALUE && GetFileType(h) != FILE_TYPE_UNKNOWN;
}

// Points the C library's descriptor fd (1 or 2), its stream and the system's
// standard handle at h, which it takes over; false when h is no handle.
static bool point(FILE* stream, int fd, DWORD which, HANDLE h)
{
    if (h == INVALID_HANDLE_VALUE)
        return false;
    const int opened = _open_osfhandle(intptr_t(h), _O_WRONLY | _O_BINARY);
    if (opened < 0) {
        CloseHandle(h);
        return false;
    }
    const bool done = _dup2(opened, fd) == 0;
    _close(opened);
    if (!done)
        return false;
    SetStdHandle(which, reinterpret_cast<HANDLE>(_get_osfhandle(fd)));
    // A stream that had no handle at start says so by a negative descriptor
    // (wine's C library, whose freopen then refuses it): it writes to fd now.
    if (_fileno(stream) < 0)
        stream->_file = fd;
    return true;
}

static HANDLE open_for_lines(const wchar_t* path, DWORD disposition)
{
    return CreateFileW(path, FILE_APPEND_DATA | SYNCHRONIZE,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// At exit: a log that stayed empty is not left behind.
static void remove_empty_log()
{
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExW(log_path.c_str(), GetFileExInfoStandard, &a) || a.nFileSizeLow ||
        a.nFileSizeHigh)
        return;
    fclose(stdout);
    fclose(stderr);
    DeleteFileW(log_path.c_str());
}

static void route_messages()
{
    const bool out = given(STD_OUTPUT_HANDLE), err = given(STD_ERROR_HANDLE);
    if (!out || !err) {
        if (AttachConsole(ATTACH_PARENT_PROCESS)) {
            const auto console = [] {
                return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
            };
            if (!out)
                point(stdout, 1, STD_OUTPUT_HANDLE, console());
            if (!err)
                point(stderr, 2, STD_ERROR_HANDLE, console());
        } else if (!(log_path = win::exe_folder()).empty()) {
            log_path += L"varno-style.log";
            // Made empty once, then appended to by both streams, so that their
            // lines follow one another instead of overwriting each other.
            bool made = false;
            if (!out)
                made = point(stdout, 1, STD_OUTPUT_HANDLE,
                             open_for_lines(log_path.c_str(), CREATE_ALWAYS));
            if (!err)
                made =
                    point(stderr, 2, STD_ERROR_HANDLE,
                          open_for_lines(log_path.c_str(), made ? OPEN_EXISTING : CREATE_ALWAYS)) ||
                    made;
            if (made)
                atexit(remove_empty_log);
        }
    }
    for (FILE* stream : {stdout, stderr}) {
        setvbuf(stream, nullptr, _IONBF, 0);
        if (_fileno(stream) >= 0)
            _setmode(_fileno(stream), _O_BINARY);
    }
}

// Windows never has its display mode changed by the show: there is nothing to
// restore. This is the program's first call, though, so the messages find
// their way here, before anything is printed.
void restore_display_at_exit()
{
    route_messages();
}

// QueryPerformanceCounter in milliseconds.
double clock_ms()
{
    static const LONGLONG frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f.QuadPart;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return double(now.QuadPart / frequency) * 1000.0 +
           double(now.QuadPart % frequency) * 1000.0 / double(frequency);
}

double picture_delay_ms()
{
    return 0;
}

static std::atomic<bool> quit_asked{false};

void win::ask_to_quit()
{
    quit_asked = true;
}

// Set while the show loads on another thread, which may be opening the sound.
static std::atomic<bool> loading;

void exit_now(int status)
{
    fflush(stdout);
    fflush(stderr);
    // The sound closed first, unless the loading thread may be opening it:
    // under wine, with the device still playing, the process now and then
    // died at ExitProcess on a fault in one of wine's threads (a jump to
    // address 0 inside a system call) instead of ending with the status.
    if (!loading)
        mixer_close();
    // ExitProcess, not TerminateProcess: under wine, terminating ourselves
    // with the sound server's stream open takes a second.
    ExitProcess(UINT(status));
}

// Gamepads through XInput: Xbox pads, and whatever pad Steam hands a Windows
// program under Proton (the Steam Deck's own). The DLL is loaded when first
// asked for, so that a Windows without it still runs the show. A slot with no
// pad is slow to ask, so empty ones are asked again only every few seconds.
static bool pad_back_released()
{
    using GetState = DWORD(WINAPI*)(DWORD, XINPUT_STATE*);
    static const GetState get_state = []() -> GetState {
        for (const wchar_t* dll : {L"xinput1_4.dll", L"xinput9_1_0.dll", L"xinput1_3.dll"})
            if (HMODULE m = LoadLibraryW(dll))
                if (void* f = reinterpret_cast<void*>(GetProcAddress(m, "XInputGetState")))
                    return reinterpret_cast<GetState>(f);
        return nullptr;
    }();
    static PadButton buttons[XUSER_MAX_COUNT];
    static bool connected[XUSER_MAX_COUNT];
    static double empty_asked_at = -1e9;
    const double look_every_ms = 2000;
    if (!get_state)
        return false;
    const double now = clock_ms();
    const bool ask_empty = now - empty_asked_at >= look_every_ms;
    if (ask_empty)
        empty_asked_at = now;
    bool released = false;
    for (DWORD i = 0; i < XUSER_MAX_COUNT; ++i) {
        if (!connected[i] && !ask_empty)
            continue;
        XINPUT_STATE state;
        connected[i] = get_state(i, &state) == ERROR_SUCCESS;
        if (!connected[i])
            buttons[i] = PadButton{};
        else if (pad_button_released(&buttons[i], state.Gamepad.wButtons & XINPUT_GAMEPAD_BACK))
            released = true;
    }
    return released;
}

bool quit_requested()
{
    const bool pad = pad_back_released();
    return quit_asked.exchange(false) || pad;
}

bool run_while_loading(void (*work)(void* context), void* context)
{
    loading = true;
    const bool done = load_beside_events(work, context);
    loading = !done;  // after a quit the loading thread runs on to the exit
    return done;
}

void run_frames(const FrameLoop& loop)
{
    run_frames_here(loop);
}
