// The real program on a real X server (Xvfb): a released Escape or a closed
// window ends it promptly at every kind of moment of the show, start-up included,
// with status 0 and the screen's mode as it was; losing the display ends it
// at once with its own line; what the screen shows is the capture's picture,
// fullscreen on any screen and in a window; left alone it plays its 101
// seconds and ends by itself with flat memory.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "scenes/timeline.h"
#include "scenes/title_scene.h"
#include "tests/support.h"
#include "tests/system/harness.h"

namespace {

// Starts the show on the display with the given options; what it prints goes
// to the file named by output (nowhere when empty), what it reports as errors
// into the test's own output. The build's program runs in the build
// directory, another one (an installed copy) in the directory given.
pid_t start_show(const std::string& display, const std::vector<std::string>& options = {},
                 const std::string& output = "", const std::string& program = "./varno-style",
                 const char* dir = getenv("VARNO_BUILD_DIR"))
{
    Launch l;
    l.argv = {program};
    l.argv.insert(l.argv.end(), options.begin(), options.end());
    l.dir = dir ? dir : "";
    l.env = {{"DISPLAY", display}, {"SDL_AUDIODRIVER", "dummy"}};
    l.unset = {"SDL_VIDEODRIVER"};
    if (!output.empty())
        l.out = output;
    l.err = "";
    return start_program(l);
}

struct Moment {
    const char* name;
    uint32_t at_ms;  // after the window appears
    bool close;      // close the window instead of releasing Escape
    double limit_ms = quit_limit_ms;
    bool window = false;  // played in a window (-w)
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
    const std::string output = testing::TempDir() + "quit_" + m.name + ".txt";
    s.show = start_show(s.server.display, options, output);
    const Window w = wait_for_window(s.d);
    ASSERT_NE(w, 0u) << "no window; the program's status " << wait_exit(s.show, 1)
                     << ", and it printed:\n"
                     << read_file(output);
    const auto shown = Clock::now();
    std::this_thread::sleep_for(
        std::chrono::milliseconds(wait_ms) -
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - shown));
    const auto event = Clock::now();
    const QuitTime q = time_quit(s.d, w, s.show, {s.server.pid}, [&] {
        if (m.close)
            close_window(s.d, w);
        else
            release_escape(s.d);
    });
    const int status = wait_exit(s.show, exit_limit_ms);
    EXPECT_EQ(status, 0) << "-1: still running";
    EXPECT_GE(q.wall_ms, 0) << "the window is still there";
    EXPECT_LT(q.program_ms(), m.limit_ms) << m.name;
    printf(
        "%s: window gone %.1f ms after the event (%.1f of them waiting for a processor), "
        "the process %.1f ms\n",
        m.name, q.wall_ms, q.machine_ms, ms_since(event));

    XSync(s.d, False);
    EXPECT_EQ(DisplayWidth(s.d, 0), width);
    EXPECT_EQ(DisplayHeight(s.d, 0), height);
}

// Every scene is loaded at start-up and played by the same frame loop, which
// reads its events once a frame whatever it draws: after start-up the quit
// takes one path. So the moments are where that differs: during start-up
// (the request waits for the loop's first pass), the first frames, a scene's
// fade into the next, the middle of the show, the fade-out and the last
// frames, where the show ends by itself; the window's close at start-up and
// mid-show; and both ways out of a window instead of fullscreen.
const Moment moments[] = {
    {"at_once", 0, false, start_up_quit_limit_ms},
    {"start_up_plus_50", 50, false, start_up_quit_limit_ms},
    {"half_second", 500, false},
    {"flash_train", 2500, false},
    {"title_to_dance", dance_start, false},
    {"deform", 36000, false},
    {"greetings_to_lift", lift_start, false},
    {"finale_fade", 100200, false},
    {"last_frames", last_frame_time - 300, false},
    {"close_at_once", 0, true, start_up_quit_limit_ms},
    {"close_in_lift", 55000, true},
    {"window_escape", 47000, false, quit_limit_ms, true},
    {"window_close", 74000, true, quit_limit_ms, true},
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
        stop_xvfb(s.server);
        s.server = Server{};
    } else {
        XKillClient(s.d, w);
        XSync(s.d, False);
    }
    const auto lost = Clock::now();
    const int status = wait_exit(s.show, exit_limit_ms);
    EXPECT_EQ(status, 1) << "-1: still running";
    printf("%s: ended %.1f ms after the loss\n", loss.name, ms_since(lost));
    EXPECT_EQ(read_file(output), "Error: lost the connection to the display\n");
}

INSTANTIATE_TEST_SUITE_P(Desktop, LostDisplay,
                         testing::Values(Loss{"window_killed", false}, Loss{"server_ended", true}),
                         [](const testing::TestParamInfo<Loss>& i) { return i.param.name; });

// What the screen shows is the capture tool's picture: fullscreen on a 640x480
// screen, on a larger one without a window manager and on a wide one with a
// manager (as large as fits, centred, bars on the other sides), and in a window.
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
    const Placed placed = placed_picture(s.d, w, v.screen, v.window);
    EXPECT_GE(shown_share(s.d, placed, picture, std::string("desktop_") + v.name), 0.99);
    if (!v.window) {
        EXPECT_TRUE(bars_black(s.d, placed, v.screen));
    }
    release_escape(s.d);
    EXPECT_EQ(wait_exit(s.show, exit_limit_ms), 0);
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
    EXPECT_EQ(wait_exit(s.show, exit_limit_ms), 0);
    EXPECT_EQ(read_file(output), "");
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
