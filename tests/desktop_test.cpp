// The real program on a real X server (Xvfb): a released Escape or a closed
// window ends it promptly at any moment of the show, start-up included,
// with status 0 and the screen's mode as it was; losing the display ends it
// at once with its own line; what the screen shows is the capture's picture,
// fullscreen on any screen and in a window; left alone it plays its 101
// seconds and ends by itself with flat memory.
#include <gtest/gtest.h>
// Xlib's macros (None, Bool, Status) would clash with gtest's names: after it.
// Its Font type goes by another name, the show's glyph font keeping its own.
#include <IL/il.h>
#define Font XFont
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#undef Font
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "overlays/fade.h"
#include "scenes/timeline.h"
#include "scenes/title_scene.h"
#include "tests/support.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point t0)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// Windows come and go while the tree is walked; a vanished one is no error here.
int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

// One Xvfb per test, on a display number it picks itself, with a window
// manager as on any desktop (SDL waits for one when it leaves fullscreen)
// unless the test asks for a bare server.
struct Screen {
    int width = 1024, height = 768;
    bool window_manager = true;
};

struct Server {
    pid_t pid = -1;
    pid_t wm = -1;
    std::string display;
};

pid_t spawn_quietly(const char* program, const char* const* args, const std::string& display)
{
    const pid_t pid = fork();
    if (pid == 0) {
        if (!display.empty())
            setenv("DISPLAY", display.c_str(), 1);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        execvp(program, const_cast<char* const*>(args));
        _exit(127);
    }
    return pid;
}

bool window_manager_running(Display* d)
{
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    Atom type;
    int format;
    unsigned long items, after;
    unsigned char* data = nullptr;
    const bool found =
        XGetWindowProperty(d, DefaultRootWindow(d), check, 0, 1, False, AnyPropertyType, &type,
                           &format, &items, &after, &data) == Success &&
        items > 0;
    if (data)
        XFree(data);
    return found;
}

// Xvfb picks a free display number itself and writes it down the pipe once it
// accepts connections: no guessing at numbers, and no test can end up on
// another test's server (or a leftover one) that happens to hold its number.
Server start_xvfb(const Screen& screen = Screen())
{
    XSetErrorHandler(ignore_x_error);
    Server s;
    int ready[2];
    if (pipe(ready) != 0)
        return s;
    const std::string fd = std::to_string(ready[1]);
    const std::string size =
        std::to_string(screen.width) + "x" + std::to_string(screen.height) + "x24";
    const char* const args[] = {"Xvfb",       "-displayfd", fd.c_str(), "-screen", "0",
                                size.c_str(), "-nolisten",  "tcp",      nullptr};
    const pid_t pid = spawn_quietly("Xvfb", args, "");
    close(ready[1]);
    std::string number;
    pollfd wait_ready = {ready[0], POLLIN, 0};
    char c;
    while (poll(&wait_ready, 1, 10000) == 1 && read(ready[0], &c, 1) == 1 && c != '\n')
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
    const char* const wm[] = {"openbox", nullptr};
    s.wm = spawn_quietly("openbox", wm, s.display);
    // One connection watches for the manager's mark on the root window.
    if (Display* d = XOpenDisplay(s.display.c_str())) {
        for (int i = 0; i < 300 && !window_manager_running(d); i++)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        XCloseDisplay(d);
    }
    return s;
}

void stop(const Server& s)
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

// Starts the show on the display with the given options; what it prints goes
// to the file named by output (nowhere when empty). The build's program runs
// in the build directory, another one (an installed copy) in the directory given.
pid_t start_show(const std::string& display, const std::vector<std::string>& options = {},
                 const std::string& output = "", const std::string& program = "./varno-style",
                 const char* dir = getenv("VARNO_BUILD_DIR"))
{
    std::vector<const char*> argv = {"varno-style"};
    for (const std::string& o : options)
        argv.push_back(o.c_str());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        if (dir && chdir(dir) != 0)
            _exit(126);
        setenv("DISPLAY", display.c_str(), 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        unsetenv("SDL_VIDEODRIVER");
        const int out = output.empty() ? open("/dev/null", O_WRONLY)
                                       : open(output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        execv(program.c_str(), const_cast<char* const*>(argv.data()));
        _exit(127);
    }
    return pid;
}

Window find_window(Display* d, Window w)
{
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name) {
        const bool found = strcmp(name, "VARNO STYLE") == 0;
        XFree(name);
        if (found)
            return w;
    }
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window result = 0;
    if (XQueryTree(d, w, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !result; i++)
            result = find_window(d, children[i]);
        if (children)
            XFree(children);
    }
    return result;
}

// Waits for the show's window, up to ten seconds.
Window wait_for_window(Display* d)
{
    for (int i = 0; i < 2000; i++) {
        if (Window w = find_window(d, DefaultRootWindow(d)))
            return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return 0;
}

// Waits for the child to end, up to limit_ms; returns its status or -1.
int wait_exit(pid_t pid, double limit_ms, struct rusage* usage = nullptr)
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

void release_escape(Display* d)
{
    const KeyCode escape = XKeysymToKeycode(d, XK_Escape);
    XTestFakeKeyEvent(d, escape, True, 0);
    XSync(d, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    XTestFakeKeyEvent(d, escape, False, 0);
    XSync(d, False);
}

// What a window manager's close button does: WM_DELETE_WINDOW to the client.
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

struct Moment {
    const char* name;
    uint32_t at_ms;  // after the window appears
    bool close;      // close the window instead of releasing Escape
    // The show answers in 60-100 ms (about 30 closing the sound, 20 in SDL_Quit,
    // up to a frame waiting for the event). Now and then SDL's X11 teardown waits
    // its full 100 ms for the window manager to leave fullscreen, and a busy
    // machine adds its own delays (seen: 203 ms), so the bound leaves room for
    // both; a quit that waits for a fade, the music or a hang still fails it. A
    // request during start-up is answered by the first pass of the frame loop,
    // so it may also wait for the rest of start-up (200 ms at most).
    double limit_ms = 300;
    bool window = false;  // played in a window (-w)
};

// An X server, our connection to it and the show on it; whatever the test's
// outcome, everything is stopped when it ends.
struct Session {
    explicit Session(const Screen& screen = Screen()) : server(start_xvfb(screen)) {}
    Server server;
    Display* d = server.display.empty() ? nullptr : XOpenDisplay(server.display.c_str());
    pid_t show = -1;
    ~Session()
    {
        if (show > 0 && waitpid(show, nullptr, WNOHANG) == 0) {
            kill(show, SIGKILL);
            waitpid(show, nullptr, 0);
        }
        if (d)
            XCloseDisplay(d);
        stop(server);
    }
};

// Test listings name the moment instead of dumping its bytes.
void PrintTo(const Moment& m, std::ostream* os)
{
    *os << m.name;
}

class Quit : public testing::TestWithParam<Moment> {};

TEST_P(Quit, EndsPromptlyWithStatus0AndTheModeRestored)
{
    const Moment m = GetParam();
    Session s;
    ASSERT_NE(s.d, nullptr) << "no X server";
    const int width = DisplayWidth(s.d, 0), height = DisplayHeight(s.d, 0);

    // A moment past the first seconds is reached by starting the show a second
    // before it, not by waiting through the show up to it.
    constexpr uint32_t lead_ms = 1000;
    std::vector<std::string> options;
    uint32_t wait_ms = m.at_ms;
    if (m.at_ms > 2 * lead_ms) {
        options = {"--from", std::to_string((m.at_ms - lead_ms) / 1000.0)};
        wait_ms = lead_ms;
    }
    if (m.window)
        options.push_back("--window");
    s.show = start_show(s.server.display, options);
    const Window w = wait_for_window(s.d);
    ASSERT_NE(w, 0u) << "no window";
    const auto shown = Clock::now();
    std::this_thread::sleep_for(
        std::chrono::milliseconds(wait_ms) -
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shown));
    if (m.close)
        close_window(s.d, w);
    else
        release_escape(s.d);
    const auto event = Clock::now();
    const int status = wait_exit(s.show, 2000);
    const double took = ms_since(event);
    EXPECT_EQ(status, 0);
    EXPECT_LT(took, m.limit_ms) << m.name;
    printf("%s: ended %.1f ms after the event\n", m.name, took);

    XSync(s.d, False);
    EXPECT_EQ(DisplayWidth(s.d, 0), width);
    EXPECT_EQ(DisplayHeight(s.d, 0), height);
}

// Start-up, every scene's boundaries and middle, the very end.
const Moment moments[] = {
    {"at_once", 0, false, 400},
    {"start_up_plus_50", 50, false, 400},
    {"half_second", 500, false},
    {"flash_train", 2500, false},
    {"title_picture", title_picture_time, false},
    {"title_to_dance", dance_start, false},
    {"scroll_text", scroll_text_start, false},
    {"dance_beats", 21000, false},
    {"dance_to_deform", deform_start, false},
    {"deform", 36000, false},
    {"deform_to_greetings", greetings_start, false},
    {"logos", 46000, false},
    {"greetings_to_lift", lift_start, false},
    {"lift_doors", 60000, false},
    {"lift_to_tunnel", tunnel_start, false},
    {"tunnel", 74000, false},
    {"tunnel_to_finale", finale_start, false},
    {"finale", 90000, false},
    {"finale_fade", 100200, false},
    {"last_frames", last_frame_time - 300, false},
    {"close_at_once", 0, true, 400},
    {"close_in_dance", 20000, true},
    {"close_in_lift", 55000, true},
    {"window_escape", 47000, false, 300, true},
    {"window_close", 74000, true, 300, true},
};

INSTANTIATE_TEST_SUITE_P(Desktop, Quit, testing::ValuesIn(moments),
                         [](const testing::TestParamInfo<Moment>& i) { return i.param.name; });

// The display can go away under the show: the window killed (what xkill does)
// or the X server ended with the session. Xlib then ends the process from
// inside whatever call noticed it; the show must end at once with its own
// line, not hang in SDL's teardown on the dead connection.
struct Loss {
    const char* name;
    bool whole_server;
};

void PrintTo(const Loss& loss, std::ostream* os)
{
    *os << loss.name;
}

class LostDisplay : public testing::TestWithParam<Loss> {};

TEST_P(LostDisplay, EndsAtOnceSayingSo)
{
    const Loss loss = GetParam();
    Session s;
    ASSERT_NE(s.d, nullptr) << "no X server";
    const std::string output = testing::TempDir() + "lost_display_" + loss.name + ".txt";
    s.show = start_show(s.server.display, {}, output);
    const Window w = wait_for_window(s.d);
    ASSERT_NE(w, 0u) << "no window";
    std::this_thread::sleep_for(std::chrono::seconds(1));
    if (loss.whole_server) {
        // Our own connection first, or Xlib would end this test too.
        XCloseDisplay(s.d);
        s.d = nullptr;
        stop(s.server);
        s.server = Server{};
    } else {
        XKillClient(s.d, w);
        XSync(s.d, False);
    }
    const auto lost = Clock::now();
    const int status = wait_exit(s.show, 2000);
    EXPECT_EQ(status, 1) << "-1: still running two seconds later";
    printf("%s: ended %.1f ms after the loss\n", loss.name, ms_since(lost));
    std::ifstream printed(output);
    std::string text((std::istreambuf_iterator<char>(printed)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "Error: lost the connection to the display\n");
}

INSTANTIATE_TEST_SUITE_P(Desktop, LostDisplay,
                         testing::Values(Loss{"window_killed", false}, Loss{"server_ended", true}),
                         [](const testing::TestParamInfo<Loss>& i) { return i.param.name; });

// What the screen shows is the capture tool's picture: fullscreen on a 640x480
// screen, on a larger one without a window manager and on a wide one with a
// manager (as large as fits, centred, bars on the other sides), and in a window.
struct View {
    const char* name;
    Screen screen;
    bool window;
};

void PrintTo(const View& v, std::ostream* os)
{
    *os << v.name;
}

// The title picture holds still from the end of the flash train to the start
// of its fade-out: the show starts in that stretch and is looked at in it.
constexpr uint32_t still_start =
    title_flash_first + (title_flash_count - 1) * title_flash_every + title_flash_length;
constexpr uint32_t still_end = dance_start - scene_fade_ms;
constexpr uint32_t still_frame = (still_start + still_end) / 2;

// The capture tool's back buffer at demo time t, 0xRRGGBB, row after row.
std::vector<uint32_t> captured_picture(uint32_t t)
{
    const std::string dir = testing::TempDir() + "desktop_frames";
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

// Share of the picture's pixels that the screen area (x, y, w, h) of the
// drawable shows within 2 in every channel, sampled at each pixel's centre.
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

class Picture : public testing::TestWithParam<View> {};

TEST_P(Picture, ShowsTheCapturedFrame)
{
    const View v = GetParam();
    const std::vector<uint32_t> picture = captured_picture(still_frame);
    ASSERT_EQ(picture.size(), 320u * 240u) << "no captured frame";
    Session s(v.screen);
    ASSERT_NE(s.d, nullptr) << "no X server";
    std::vector<std::string> options = {"--from", std::to_string(still_start / 1000.0)};
    if (v.window)
        options.push_back("--window");
    s.show = start_show(s.server.display, options);
    const Window w = wait_for_window(s.d);
    ASSERT_NE(w, 0u) << "no window";
    // Looked at until it shows the picture: start-up and the window manager's
    // turn at the window come first, slower on a busy machine. Only the frames
    // of the still stretch can match, so waiting longer passes nothing else.
    double share = 0;
    for (const auto shown = Clock::now(); share < 0.99 && ms_since(shown) < 5000;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        if (v.window) {
            share = matching_share(s.d, w, 0, 0, 640, 480, picture);
        } else {
            const double scale = std::min(v.screen.width / 640.0, v.screen.height / 480.0);
            const double pw = 640 * scale, ph = 480 * scale;
            share = matching_share(s.d, DefaultRootWindow(s.d), int((v.screen.width - pw) / 2),
                                   int((v.screen.height - ph) / 2), pw, ph, picture);
        }
    }
    printf("%s: %.2f%% of the picture's pixels as captured\n", v.name, 100 * share);
    EXPECT_GE(share, 0.99);
    release_escape(s.d);
    EXPECT_EQ(wait_exit(s.show, 2000), 0);
}

const View views[] = {
    {"fullscreen_640x480", {640, 480, true}, false},
    {"fullscreen_1280x1024_bare", {1280, 1024, false}, false},
    {"fullscreen_1920x1080", {1920, 1080, true}, false},
    {"window", {1024, 768, true}, true},
};

INSTANTIATE_TEST_SUITE_P(Desktop, Picture, testing::ValuesIn(views),
                         [](const testing::TestParamInfo<View>& i) { return i.param.name; });

// Installed into a prefix of its own and started where there is no data/, the
// program finds its installed data (printing nothing about pictures it cannot
// load), opens its window and quits on Escape.
TEST(Installed, PlaysFromAnotherDirectoryAndQuitsOnEscape)
{
    const std::string root = std::string(getenv("VARNO_BUILD_DIR")) + "/desktop_installed";
    const std::string elsewhere = root + "/elsewhere", output = root + "/printed.txt";
    ASSERT_EQ(run_command("rm -rf '" + root + "' && cmake --install '" + getenv("VARNO_BUILD_DIR") +
                          "' --prefix '" + root + "' && mkdir '" + elsewhere + "'"),
              0);
    Session s;
    ASSERT_NE(s.d, nullptr) << "no X server";
    s.show = start_show(s.server.display, {"--from", "8"}, output, root + "/bin/varno-style",
                        elsewhere.c_str());
    ASSERT_NE(wait_for_window(s.d), 0u) << "no window";
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    release_escape(s.d);
    EXPECT_EQ(wait_exit(s.show, 2000), 0);
    std::ifstream printed(output);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(printed), {}), "");
    run_command("rm -rf '" + root + "'");
}

long rss_kib(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

TEST(WholeShow, PlaysToTheEndWithFlatMemory)
{
    Session s;
    ASSERT_NE(s.d, nullptr) << "no X server";
    const auto t0 = Clock::now();
    const pid_t pid = s.show = start_show(s.server.display);
    // Memory once start-up is over, then every second of the show.
    std::this_thread::sleep_for(std::chrono::seconds(3));
    const long settled = rss_kib(pid);
    long highest = settled;
    int status = -1;
    struct rusage usage {};
    while (ms_since(t0) < 110000) {
        status = wait_exit(pid, 1000, &usage);
        if (status >= 0)
            break;
        highest = std::max(highest, rss_kib(pid));
    }
    const double took = ms_since(t0);
    EXPECT_EQ(status, 0);
    EXPECT_GT(took, finale_end - 1000.0);
    EXPECT_LT(highest - settled, 4096) << "memory grew during the show";
    printf("whole show: %.1f s, RSS %ld KiB after start-up, %ld KiB highest, peak %ld KiB\n",
           took / 1000, settled, highest, usage.ru_maxrss);
}

}  // namespace
