#include "tests/system/harness.h"

#include <IL/il.h>
#define Font XFont
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#undef Font
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

#include "tests/support.h"

double ms_since(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Windows come and go while the tree is walked; a vanished one is no error here.
static int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

// TMPDIR, or /tmp.
static std::string temp_root()
{
    const char* dir = getenv("TMPDIR");
    return dir && *dir ? dir : "/tmp";
}

std::string fresh_folder(const char* name)
{
    std::string path = temp_root() + "/" + name + "-XXXXXX";
    return mkdtemp(path.data()) ? path : "";
}

// Opens `file` as the descriptor `fd` of this (the child) process; an empty
// name leaves it as it is.
static void redirect(int fd, const std::string& file)
{
    if (file.empty())
        return;
    const int to = open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(to, fd);
    close(to);
}

pid_t start_program(const Launch& l)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (l.own_group)
            setpgid(0, 0);
        if (!l.dir.empty() && chdir(l.dir.c_str()) != 0)
            _exit(126);
        for (const std::string& name : l.unset)
            unsetenv(name.c_str());
        for (const auto& [name, value] : l.env)
            setenv(name.c_str(), value.c_str(), 1);
        redirect(STDOUT_FILENO, l.out);
        if (!l.err.empty() && l.err == l.out)
            dup2(STDOUT_FILENO, STDERR_FILENO);
        else
            redirect(STDERR_FILENO, l.err);
        std::vector<char*> argv;
        for (const std::string& a : l.argv)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    // Set on both sides, so that it holds whichever runs first.
    if (l.own_group && pid > 0)
        setpgid(pid, pid);
    return pid;
}

pid_t start_quietly(const std::vector<std::string>& argv, const std::string& display)
{
    Launch l;
    l.argv = argv;
    if (!display.empty())
        l.env = {{"DISPLAY", display}};
    return start_program(l);
}

void end_program(pid_t pid, bool group)
{
    if (pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0) {
        kill(group ? -pid : pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
}

// The manager frames new windows: a window of our own, mapped again until
// the manager has reparented it into a frame. Its mark on the root window
// comes too early: openbox sets it before it takes requests, and a map
// request made in between is lost, so that a program waiting for its window
// to be mapped (SDL does) waits for ever.
static bool window_manager_frames(Display* d, double limit_ms)
{
    const Window root = DefaultRootWindow(d);
    const Window probe = XCreateSimpleWindow(d, root, 0, 0, 1, 1, 0, 0, 0);
    bool framed = false;
    for (const auto t0 = Clock::now(); !framed && ms_since(t0) < limit_ms;) {
        XMapWindow(d, probe);
        XSync(d, False);
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        Window root_of, parent, *children = nullptr;
        unsigned count = 0;
        if (XQueryTree(d, probe, &root_of, &parent, &children, &count)) {
            framed = parent != root;
            if (children)
                XFree(children);
        }
    }
    XDestroyWindow(d, probe);
    XSync(d, False);
    return framed;
}

// Xvfb picks a free display number itself and writes it down the pipe once it
// accepts connections: no guessing at numbers, and no test can end up on
// another test's server (or a leftover one) that happens to hold its number.
Server start_xvfb(const ScreenSize& screen)
{
    XSetErrorHandler(ignore_x_error);
    Server s;
    int ready[2];
    if (pipe(ready) != 0)
        return s;
    const std::string fd = std::to_string(ready[1]);
    const std::string size =
        std::to_string(screen.width) + "x" + std::to_string(screen.height) + "x24";
    const pid_t pid =
        start_quietly({"Xvfb", "-displayfd", fd, "-screen", "0", size, "-nolisten", "tcp"});
    close(ready[1]);
    std::string number;
    pollfd wait_ready = {ready[0], POLLIN, 0};
    char c;
    while (poll(&wait_ready, 1, 60000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(ready[0]);
    if (number.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return s;
    }
    s.pid = pid;
    s.display = ":" + number;
    if (!screen.window_manager)
        return s;
    s.wm = start_quietly({"openbox"}, s.display);
    // On a loaded machine the manager's start takes seconds: this waits for
    // the machine.
    if (Display* d = XOpenDisplay(s.display.c_str())) {
        window_manager_frames(d, 60000);
        XCloseDisplay(d);
    }
    return s;
}

void stop_xvfb(const Server& s)
{
    if (s.wm > 0) {
        kill(s.wm, SIGTERM);
        waitpid(s.wm, nullptr, 0);
    }
    if (s.pid > 0) {
        kill(s.pid, SIGTERM);
        waitpid(s.pid, nullptr, 0);
    }
}

Window find_window(Display* d, Window w, const char* title)
{
    // The name as it is stored: a browser stores it as UTF8_STRING, which
    // XFetchName does not return.
    XTextProperty name;
    if (XGetWMName(d, w, &name) && name.value) {
        const bool found =
            strncmp(reinterpret_cast<const char*>(name.value), title, strlen(title)) == 0;
        XFree(name.value);
        if (found)
            return w;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window result = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !result; i++)
            result = find_window(d, children[i], title);
        if (children)
            XFree(children);
    }
    return result;
}

Window wait_for_window(Display* d, double limit_ms, const char* title)
{
    for (const auto t0 = Clock::now(); ms_since(t0) < limit_ms;) {
        if (Window w = find_window(d, DefaultRootWindow(d), title))
            return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

int wait_exit(pid_t pid, double limit_ms, struct rusage* usage)
{
    const auto t0 = Clock::now();
    struct rusage ignored;
    while (ms_since(t0) < limit_ms) {
        int status;
        const pid_t done = wait4(pid, &status, WNOHANG, usage ? usage : &ignored);
        if (done == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    return -1;
}

// Nanoseconds each thread of a process has waited for a processor while
// ready to run, by thread id: the second figure of its schedstat. A thread
// that has ended since the last reading keeps that reading.
static void read_run_queue_waits(pid_t pid, std::map<std::string, double>* waits)
{
    if (pid <= 0)
        return;
    std::error_code error;
    const std::string task = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& thread : std::filesystem::directory_iterator(task, error)) {
        std::ifstream in(thread.path() / "schedstat");
        double running, waiting;
        if (in >> running >> waiting)
            (*waits)[thread.path().filename().string()] = waiting;
    }
}

// The most any one thread waited between two readings, in ms. (Not their
// waits added up: while the program starts, its threads wait side by side,
// and their sum has hidden a quit that slept 250 ms.)
static double most_waited_ms(const std::map<std::string, double>& before,
                             const std::map<std::string, double>& after)
{
    double most = 0;
    for (const auto& [thread, waiting] : after) {
        const auto was = before.find(thread);
        most = std::max(most, (waiting - (was == before.end() ? 0 : was->second)) / 1e6);
    }
    return most;
}

QuitTime time_quit(Display* d, Window w, pid_t program, const std::vector<pid_t>& through,
                   const std::function<void()>& event)
{
    XSelectInput(d, w, StructureNotifyMask);
    XSync(d, False);
    std::map<std::string, double> program_before, program_after;
    read_run_queue_waits(program, &program_before);
    std::vector<std::map<std::string, double>> through_before(through.size());
    for (size_t i = 0; i < through.size(); i++)
        read_run_queue_waits(through[i], &through_before[i]);
    event();
    const auto sent = Clock::now();
    QuitTime q;
    // Up to the bound on a hang. The program's threads are read as they go:
    // the window goes once the last of them has ended, and an ended thread's
    // figures are gone with it (the process, ended, stays readable until
    // reaped, but not its other threads).
    auto read = sent;
    while (q.wall_ms < 0 && ms_since(sent) < exit_limit_ms) {
        if (ms_since(read) >= 1) {
            read_run_queue_waits(program, &program_after);
            read = Clock::now();
        }
        while (XPending(d)) {
            XEvent e;
            XNextEvent(d, &e);
            if (e.type == DestroyNotify && e.xdestroywindow.window == w) {
                q.wall_ms = ms_since(sent);
                break;
            }
        }
        if (q.wall_ms < 0)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    read_run_queue_waits(program, &program_after);
    q.machine_ms = most_waited_ms(program_before, program_after);
    for (size_t i = 0; i < through.size(); i++) {
        std::map<std::string, double> after;
        read_run_queue_waits(through[i], &after);
        q.machine_ms += most_waited_ms(through_before[i], after);
    }
    return q;
}

void key_event(Display* d, KeySym key, bool down)
{
    XTestFakeKeyEvent(d, XKeysymToKeycode(d, key), down, 0);
    XSync(d, False);
}

void tap_key(Display* d, KeySym key, int held_ms, KeySym with)
{
    if (with != NoSymbol)
        key_event(d, with, true);
    key_event(d, key, true);
    if (held_ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(held_ms));
    key_event(d, key, false);
    if (with != NoSymbol)
        key_event(d, with, false);
}

void release_escape(Display* d)
{
    tap_key(d, XK_Escape, 20);
}

void close_window(Display* d, Window w)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = long(XInternAtom(d, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XSync(d, False);
}

Session::Session(const ScreenSize& screen)
    : server(start_xvfb(screen)),
      d(server.display.empty() ? nullptr : XOpenDisplay(server.display.c_str()))
{
}

Session::~Session()
{
    end_program(show, show_group);
    if (d)
        XCloseDisplay(d);
    stop_xvfb(server);
}

std::vector<uint32_t> captured_picture(uint32_t t)
{
    const std::string dir = temp_root() + "/desktop_frames";
    const std::string run = "cd '" + std::string(getenv("VARNO_BUILD_DIR")) +
                            "' && ./tools/varno-capture --back-buffer --at " + std::to_string(t) +
                            " --out '" + dir + "' > /dev/null 2>&1";
    if (system(run.c_str()) != 0)
        return {};
    char name[32];
    snprintf(name, sizeof name, "/t%06u.png", t);
    ilInit();
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    std::vector<uint32_t> picture;
    if (ilLoadImage((dir + name).c_str()) && ilConvertImage(IL_RGB, IL_UNSIGNED_BYTE) &&
        ilGetInteger(IL_IMAGE_WIDTH) == 320 && ilGetInteger(IL_IMAGE_HEIGHT) == 240) {
        const ILubyte* p = ilGetData();
        for (int i = 0; i < 320 * 240; i++, p += 3)
            picture.push_back(uint32_t(p[0]) << 16 | p[1] << 8 | p[2]);
    }
    ilDeleteImages(1, &image);
    return picture;
}

double matching_share(Display* d, Drawable from, int x, int y, double w, double h,
                      const std::vector<uint32_t>& picture)
{
    XImage* shot =
        XGetImage(d, from, x, y, unsigned(w + 0.5), unsigned(h + 0.5), AllPlanes, ZPixmap);
    if (!shot)
        return 0;
    int matching = 0;
    for (int by = 0; by < 240; by++)
        for (int bx = 0; bx < 320; bx++) {
            const uint32_t got =
                uint32_t(XGetPixel(shot, int((bx + 0.5) * w / 320), int((by + 0.5) * h / 240)));
            const uint32_t want = picture[size_t(by) * 320 + bx];
            bool near = true;
            for (int shift : {0, 8, 16})
                near = near && std::abs(int(got >> shift & 0xFF) - int(want >> shift & 0xFF)) <= 2;
            matching += near;
        }
    XDestroyImage(shot);
    return matching / (320.0 * 240.0);
}

bool all_black(Display* d, int x, int y, int w, int h)
{
    if (w <= 0 || h <= 0)
        return true;
    XImage* shot =
        XGetImage(d, DefaultRootWindow(d), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!shot)
        return false;
    bool all = true;
    for (int j = 0; j < h && all; j++)
        for (int i = 0; i < w && all; i++)
            all = (XGetPixel(shot, i, j) & 0xFFFFFF) == 0;
    XDestroyImage(shot);
    return all;
}

void save_screen(Display* d, const std::string& path)
{
    const int w = DisplayWidth(d, 0), h = DisplayHeight(d, 0);
    XImage* shot =
        XGetImage(d, DefaultRootWindow(d), 0, 0, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
    if (!shot)
        return;
    std::vector<ILubyte> rgb(size_t(w) * h * 3);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            for (int c = 0; c < 3; c++)
                rgb[(size_t(y) * w + x) * 3 + c] = ILubyte(XGetPixel(shot, x, y) >> (16 - 8 * c));
    XDestroyImage(shot);
    ilInit();
    ilEnable(IL_FILE_OVERWRITE);
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    // DevIL's rows run upwards unless told otherwise.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    if (ilTexImage(unsigned(w), unsigned(h), 1, 3, IL_RGB, IL_UNSIGNED_BYTE, rgb.data()))
        ilSave(IL_PNG, path.c_str());
    ilDeleteImages(1, &image);
}

void PrintTo(const View& v, std::ostream* os)
{
    *os << v.name;
}

Placed placed_picture(Display* d, Window w, const ScreenSize& screen, bool window)
{
    if (window)
        return {w, 0, 0, 640, 480};
    const double scale = std::min(screen.width / 640.0, screen.height / 480.0);
    const double pw = 640 * scale, ph = 480 * scale;
    return {DefaultRootWindow(d), int((screen.width - pw) / 2), int((screen.height - ph) / 2), pw,
            ph};
}

double shown_share(Display* d, const Placed& p, const std::vector<uint32_t>& picture,
                   const std::string& name)
{
    double share = 0;
    for (const auto shown = Clock::now(); share < 0.99 && ms_since(shown) < 5000;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        share = matching_share(d, p.from, p.x, p.y, p.w, p.h, picture);
    }
    printf("%s: %.2f%% of the picture's pixels as captured\n", name.c_str(), 100 * share);
    if (share < 0.99) {
        const double black =
            matching_share(d, p.from, p.x, p.y, p.w, p.h, std::vector<uint32_t>(picture.size()));
        const std::string shot = temp_root() + "/" + name + ".png";
        save_screen(d, shot);
        printf("%.2f%% of it black; the screen is in %s\n", 100 * black, shot.c_str());
    }
    return share;
}

bool bars_black(Display* d, const Placed& p, const ScreenSize& screen)
{
    const int right = p.x + int(p.w), bottom = p.y + int(p.h);
    return all_black(d, 0, 0, p.x, screen.height) &&
           all_black(d, right, 0, screen.width - right, screen.height) &&
           all_black(d, 0, 0, screen.width, p.y) &&
           all_black(d, 0, bottom, screen.width, screen.height - bottom);
}

PulseServer start_pulse(const std::string& dir, const char* sink, int rate, std::string* log)
{
    // As root, PulseAudio warns and goes on.
    std::filesystem::create_directories(dir);
    const std::string socket = dir + "/native", log_file = dir + "/log";
    const std::string sink_module =
        "module-null-sink sink_name=" + std::string(sink) + " rate=" + std::to_string(rate);
    const std::string socket_module =
        "module-native-protocol-unix auth-anonymous=1 socket=" + socket;
    PulseServer p;
    p.dir = dir;
    Launch l;
    l.argv = {"pulseaudio",  "--daemonize=no",     "--exit-idle-time=-1",
              "-n",          "--use-pid-file=no",  "--disable-shm=yes",
              "-L",          sink_module,          "-L",
              socket_module, "--log-target=stderr"};
    l.env = {{"HOME", dir}, {"XDG_RUNTIME_DIR", dir}};
    l.out = l.err = log_file;
    p.pid = start_program(l);
    setenv("PULSE_SERVER", ("unix:" + socket).c_str(), 1);
    for (int i = 0; i < 100; i++) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (system("pactl info > /dev/null 2>&1") == 0)
            return p;
    }
    *log = read_file(log_file);
    stop_pulse(p);
    p.pid = -1;
    return p;
}

void stop_pulse(const PulseServer& p)
{
    if (p.pid > 0) {
        kill(p.pid, SIGTERM);
        waitpid(p.pid, nullptr, 0);
    }
}

bool make_wine_prefix(const std::string& prefix, std::string* error)
{
    setenv("WINEPREFIX", prefix.c_str(), 1);
    setenv("WINEDEBUG", "-all", 1);
    // A fresh prefix would otherwise offer to install Mono and Gecko, and wait.
    setenv("WINEDLLOVERRIDES", "mscoree,mshtml=", 1);
    // wineboot returns with some of its work still going on in the
    // background; a window opened meanwhile has failed to be made.
    if (system("wineboot -i > /dev/null 2>&1 && wineserver -w") != 0) {
        *error = "wineboot failed";
        return false;
    }
    // A crash must end the process, not leave it waiting behind a dialog.
    if (system("wine reg add 'HKCU\\Software\\Wine\\WineDbg' /v ShowCrashDialog "
               "/t REG_DWORD /d 0 /f > /dev/null 2>&1") != 0) {
        *error = "cannot turn wine's crash dialog off";
        return false;
    }
    // The first window of a new prefix is slow to come while wine sets up its
    // desktop, and under load has failed to be made at all: a desktop of
    // wine's own is opened and closed first, on its own server.
    const Server first = start_xvfb(ScreenSize{640, 480, false});
    if (first.display.empty()) {
        *error = "no X server";
        return false;
    }
    const int opened = system(("DISPLAY=" + first.display +
                               " wine explorer /desktop=first,64x64 cmd /c exit"
                               " > /dev/null 2>&1 && wineserver -w")
                                  .c_str());
    stop_xvfb(first);
    if (opened != 0)
        *error = "wine's first desktop did not open";
    return opened == 0;
}

void wine_session(const Server& server)
{
    static pid_t session_server = -1;
    if (server.display.empty() || server.pid == session_server)
        return;
    system("wineserver -k > /dev/null 2>&1; wineserver -w");
    session_server = server.pid;
}

pid_t wineserver_pid()
{
    const char* prefix = getenv("WINEPREFIX");
    std::error_code error;
    for (const auto& p : std::filesystem::directory_iterator("/proc", error)) {
        const std::string pid = p.path().filename().string();
        if (pid.find_first_not_of("0123456789") != std::string::npos ||
            read_file((p.path() / "comm").string()).rfind("wineserver", 0) != 0)  // or wineserver64
            continue;
        const std::string env = read_file((p.path() / "environ").string());
        if (prefix && env.find(std::string("WINEPREFIX=") + prefix + '\0') != std::string::npos)
            return pid_t(std::stol(pid));
    }
    return -1;
}
