// Picture against sound, live: the show in a real window on a private X server
// (Xvfb, openbox), its sound into a private PulseAudio null sink, measured by
// the sync meter (sync_meter.h) over seven-second clips of the dance. For the
// Linux build, the Windows build under wine (winepulse into the same sink)
// and the page in Chromium: plainly, after the program is stopped for 300 ms
// (SIGSTOP, SIGCONT: a machine that stalls, a lid closed and opened) and with
// the output's latency raised (PULSE_LATENCY_MSEC=60). The sound must follow
// the picture within a frame at 60 Hz (|median| <= 16.7 ms) and no flash may
// be off by more than 25 ms (a frame and the meter's own few ms); under wine,
// where the position the program reads is not what is heard, the stop is
// held against the plain run instead (WineSync says why).
//
// What a busy machine does to the meter is not held against the show: a
// flash the meter read poorly (sync_meter.h, poor_read) is printed but not
// bounded, and a clip the meter could not measure is played once more; so is
// a browser's clip a frame behind (WebSync says why).
//
// And quitting: Escape released 0, 60 and 150 ms after the window appears, and
// in the show, must end the program's window within 100 ms of the program's
// own time (time_quit in harness.h), and then the process, Linux and wine.
//
// The meter's own calibration runs first: varno-sync-beacon, a show whose
// picture follows what PulseAudio reports heard, late by a known amount,
// must read back as that amount.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "scenes/data_files.h"
#include "tests/system/harness.h"
#include "tests/system/sync/sync_meter.h"

namespace fs = std::filesystem;

namespace {

constexpr char sink[] = "varno";
constexpr char monitor[] = "varno.monitor";
constexpr int sink_rate = 44100;

// The bounds the show is held to, and the clips measured.
constexpr double median_limit_ms = 1000.0 / 60;
constexpr double flash_limit_ms = 25;
constexpr int least_flashes = 8;          // fewer measured: the meter saw too little
constexpr int least_before_stop = 2;      // of the five before a stop
constexpr uint32_t clip_from_ms = 17000;  // 1.75 s before the dance's first flash
constexpr double clip_ms = 7000;
// A clip with a stop is a second longer: of seven seconds, what comes before
// the stop, the stop and the settling after it took 4.3, and the 2.7 s left
// read 7 to 10 flashes with two busy processes beside, against the 8 wanted.
constexpr double stopped_clip_ms = 8000;
constexpr double stop_at_ms = 3000;  // into the clip: five flashes or more before
constexpr double stop_ms = 300;
constexpr double settle_ms = 1000;  // after the stop, before flashes count
// A Windows program's first window under a fresh wine session is slow to come.
constexpr double window_limit_ms = 30000;
constexpr double quit_bound_ms = 100;

std::string env_or(const char* name, const char* fallback)
{
    const char* v = getenv(name);
    return v ? v : fallback;
}

std::string native_build()
{
    return env_or("VARNO_BUILD_DIR", ".");
}

std::string win_build()
{
    return env_or("VARNO_WIN_BUILD_DIR", "build-win");
}

std::string web_build()
{
    return env_or("VARNO_WEB_BUILD_DIR", "build-web");
}

// The sound server, the meter's inputs and, for the Windows cases, a wine
// prefix: made once for the whole run, in a temporary folder of its own.
struct Shared {
    std::string root;
    PulseServer pulse;
    SyncInputs inputs;
    bool wine_ready = false;
    pid_t web_server = -1;  // serving build-web/ on 127.0.0.1:web_port
    int web_port = 0;
    int browsers = 0;  // a fresh profile for each
};
Shared* shared = nullptr;
// The Windows cases share one X server, and so one wine session.
Session* wine_screen = nullptr;

class LiveEnvironment : public testing::Environment {
public:
    void SetUp() override
    {
        shared = new Shared;
        shared->root = fresh_folder("varno-sync");
        ASSERT_NE(shared->root, "");
        std::string log;
        shared->pulse = start_pulse(shared->root + "/pulse", sink, sink_rate, &log);
        ASSERT_GT(shared->pulse.pid, 0) << log;
        const std::string b = native_build();
        ASSERT_TRUE(load_sync_inputs(b + "/tools/varno-capture", (b + "/" + music_file).c_str(),
                                     &shared->inputs))
            << "cannot read the capture tool's frames or the music";
        ASSERT_EQ(shared->inputs.rate, sink_rate);
    }
    void TearDown() override
    {
        delete wine_screen;
        if (shared->web_server > 0) {
            kill(shared->web_server, SIGTERM);
            waitpid(shared->web_server, nullptr, 0);
        }
        if (shared->wine_ready)
            system("wineserver -k > /dev/null 2>&1");
        stop_pulse(shared->pulse);
        fs::remove_all(shared->root);
        delete shared;
    }
};

[[maybe_unused]] testing::Environment* const live_environment =
    testing::AddGlobalTestEnvironment(new LiveEnvironment);

// What plays, and how it is started.
enum class Player { beacon, linux_build, wine, chromium };

struct Started {
    pid_t pid = -1;
    std::string log;
};

// Starts the program in its own process group (so that a stop reaches all of
// it) with DISPLAY set, extra environment and its output in a log.
Started start(Player player, const Server& server, const std::vector<std::string>& args,
              const std::vector<std::pair<std::string, std::string>>& env)
{
    Started s;
    s.log = shared->root + "/program.log";
    std::vector<std::string> argv;
    std::string dir = native_build();
    switch (player) {
        case Player::beacon:
            argv = {native_build() + "/tests/varno-sync-beacon"};
            break;
        case Player::linux_build:
            argv = {native_build() + "/varno-style"};
            break;
        case Player::wine:
            dir = win_build();
            argv = {"wine", "varno-style.exe"};
            break;
        case Player::chromium:
            // A real window (the screen is grabbed) filling the screen, a
            // profile of its own, the music allowed without a click.
            argv = {"chromium",
                    "--no-sandbox",
                    "--no-first-run",
                    "--kiosk",
                    "--autoplay-policy=no-user-gesture-required",
                    "--disable-background-networking",
                    "--disable-component-update",
                    "--disable-sync",
                    "--password-store=basic",
                    "--user-data-dir=" + shared->root + "/chromium-" +
                        std::to_string(shared->browsers++)};
            break;
    }
    argv.insert(argv.end(), args.begin(), args.end());
    Launch l;
    l.argv = argv;
    l.dir = dir;
    l.env = {{"DISPLAY", server.display}};
    l.env.insert(l.env.end(), env.begin(), env.end());
    l.out = l.err = s.log;
    l.own_group = true;
    s.pid = start_program(l);
    return s;
}

// The prefix is made on the first use; each X server gets a wine session of
// its own.
void start_wine_on(const Server& server)
{
    if (!shared->wine_ready) {
        std::string error;
        ASSERT_TRUE(make_wine_prefix(shared->root + "/prefix", &error)) << error;
        shared->wine_ready = true;
    }
    wine_session(server);
}

// An X server for a case: the wine cases' shared one, or one of its own.
struct Screen {
    explicit Screen(Player player)
        : own(player == Player::wine ? nullptr : new Session),
          s(own           ? own
            : wine_screen ? wine_screen
                          : (wine_screen = new Session))
    {
    }
    ~Screen() { delete own; }
    Session* own;
    Session* s;
};

// Serves build-web/ on a free port of 127.0.0.1, once.
bool serve_page()
{
    if (shared->web_server > 0)
        return true;
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    if (bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) != 0)
        return false;
    shared->web_port = ntohs(a.sin_port);
    close(fd);
    const std::string port = std::to_string(shared->web_port), dir = web_build();
    shared->web_server = start_quietly(
        {"python3", "-m", "http.server", port, "--bind", "127.0.0.1", "--directory", dir});
    const std::string check =
        "python3 -c \"import urllib.request; urllib.request.urlopen("
        "'http://127.0.0.1:" +
        port + "/index.html')\" 2> /dev/null";
    for (int i = 0; i < 100; i++) {
        if (system(check.c_str()) == 0)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return false;
}

// What the program wrote, to say why it showed nothing.
std::string program_log()
{
    std::string text;
    if (FILE* f = fopen((shared->root + "/program.log").c_str(), "r")) {
        char line[256];
        while (fgets(line, sizeof line, f))
            text += line;
        fclose(f);
    }
    return text;
}

// Where a program that shows no window is: its threads' stacks and the
// screen's windows, printed.
void tell_where(const Server& server, pid_t program)
{
    const std::string pid = std::to_string(program);
    printf("no window: the program's output:\n%s", program_log().c_str());
    fflush(stdout);
    system(("xwininfo -root -tree -display " + server.display + " | head -n 30").c_str());
    system(("gdb -p " + pid +
            " -batch -ex 'thread apply all bt 12' 2> /dev/null | grep '^#\\|^Thread'")
               .c_str());
}

// Waits for the show's picture on the screen; false after limit_ms, or at
// once if the program has ended.
bool wait_for_picture(const Server& server, pid_t program, double limit_ms, PictureArea* area)
{
    const double end = monotonic_ms() + limit_ms;
    while (monotonic_ms() < end) {
        siginfo_t ended{};  // left to be reaped by whoever waits for it
        if (waitid(P_PID, id_t(program), &ended, WEXITED | WNOHANG | WNOWAIT) == 0 &&
            ended.si_pid == program) {
            printf("the program ended before its window: %s\n", program_log().c_str());
            return false;
        }
        if (find_picture(server.display, show_title, area))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    tell_where(server, program);
    return false;
}

// Waits for the show to draw: anything but black in the middle of its picture.
bool wait_for_drawing(Display* d, const PictureArea& area, double limit_ms)
{
    const int size = 32;
    const int x = area.x + int(area.scale * 160) - size / 2;
    const int y = area.y + int(area.scale * 120) - size / 2;
    const double end = monotonic_ms() + limit_ms;
    while (monotonic_ms() < end) {
        if (!all_black(d, x, y, size, size))
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// Waits for something to play into the sink: the program's music has begun.
// The page plays once Enter is pressed, which it takes once it has loaded:
// with a display, Enter is pressed every 300 ms until then.
bool wait_for_music(double limit_ms, Display* press_enter = nullptr)
{
    const double end = monotonic_ms() + limit_ms;
    double next_press = 0;
    while (monotonic_ms() < end) {
        if (press_enter && monotonic_ms() >= next_press) {
            tap_key(press_enter, XK_Return);
            next_press = monotonic_ms() + 300;
        }
        std::string out;
        if (FILE* p = popen("pactl list short sink-inputs 2>/dev/null", "r")) {
            char line[256];
            while (fgets(line, sizeof line, p))
                out += line;
            pclose(p);
        }
        if (!out.empty())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

struct Clip {
    const char* name;
    bool stopped;         // SIGSTOP for 300 ms, stop_at_ms into the clip
    const char* latency;  // PULSE_LATENCY_MSEC, or null
    double late;          // the beacon only: its sound late by this much
};

void PrintTo(const Clip& c, std::ostream* os)
{
    *os << c.name;
}

// A clip played and measured once: `measured` is false when the meter, not
// the program, failed (the recording broke off, too few flashes read well),
// with what went wrong in `why`.
struct Take {
    SyncReport report;
    SyncReport before_stop;  // a stopped clip's flashes before the stop
    bool measured = false;
    std::string why;
};

Take play_once(Player player, const Clip& c, const char* label)
{
    Screen screen(player);
    Session& s = *screen.s;
    EXPECT_NE(s.d, nullptr) << "no X server";
    if (!s.d)
        return {};
    if (player == Player::wine) {
        start_wine_on(s.server);
        if (testing::Test::HasFatalFailure())
            return {};
    }
    std::vector<std::pair<std::string, std::string>> env;
    if (c.latency)
        env.push_back({"PULSE_LATENCY_MSEC", c.latency});
    std::vector<std::string> args;
    if (player == Player::chromium) {
        EXPECT_TRUE(serve_page()) << "cannot serve " << web_build();
        args = {"http://127.0.0.1:" + std::to_string(shared->web_port) +
                "/#t=" + std::to_string(clip_from_ms / 1000)};
    } else if (player == Player::beacon)
        args = {"--from",    std::to_string(clip_from_ms),
                "--late",    std::to_string(c.late),
                "--seconds", std::to_string((clip_ms + 3000) / 1000)};
    else
        args = {"-w", "--from", std::to_string(clip_from_ms / 1000)};
    const Started p = start(player, s.server, args, env);
    PictureArea area;
    const bool shown = wait_for_picture(s.server, p.pid, window_limit_ms, &area);
    const bool heard = shown && wait_for_music(player == Player::chromium ? 30000 : 10000,
                                               player == Player::chromium ? s.d : nullptr);
    // The program opens its sound before the show has loaded: the clip (and
    // its stop) counts from the show's first picture.
    const bool drawing = heard && (player == Player::chromium || player == Player::beacon ||
                                   wait_for_drawing(s.d, area, window_limit_ms));
    Recording rec;
    std::string error;
    bool recorded = false;
    if (drawing) {
        // The stop is timed from the clip's start, which waits for the sound.
        std::thread stopper;
        recorded = record_both(
            s.server.display, area, monitor, sink_rate, c.stopped ? stopped_clip_ms : clip_ms, &rec,
            &error, [&] {
                if (c.stopped)
                    stopper = std::thread([&] {
                        std::this_thread::sleep_for(std::chrono::milliseconds(int(stop_at_ms)));
                        kill(-p.pid, SIGSTOP);
                        std::this_thread::sleep_for(std::chrono::milliseconds(int(stop_ms)));
                        kill(-p.pid, SIGCONT);
                    });
            });
        if (stopper.joinable())
            stopper.join();
    }
    end_program(p.pid, true);
    // No window or no music is the program's own failure: not played again.
    EXPECT_TRUE(shown) << "no window within " << window_limit_ms << " ms";
    EXPECT_TRUE(heard || !shown) << "no music after the window";
    EXPECT_TRUE(drawing || !heard) << "no picture within " << window_limit_ms << " ms";
    Take take;
    if (!drawing)
        return take;
    if (!recorded) {
        take.why = "the recording failed: " + error;
        return take;
    }
    // VARNO_SYNC_KEEP names a folder for the recordings, to read again with
    // varno-sync --load.
    if (const char* keep = getenv("VARNO_SYNC_KEEP"))
        save_recording(rec, std::string(keep) + "/" + label + ".rec");
    const double after = c.stopped ? rec.start + stop_at_ms + stop_ms + settle_ms : 0;
    take.report = measure_offsets(rec.picture, rec.sound, shared->inputs.refs, shared->inputs.music,
                                  shared->inputs.rate, dance_flashes(), after);
    printf(
        "sound in after %.0f ms, placed on the clock to +-%.1f ms; %zu corner grabs, %zu stills\n",
        rec.sound_waited, rec.sound.t0_spread, rec.picture.corner.size(),
        rec.picture.stills.size());
    print_report(take.report, label, stdout);
    take.measured = take.report.read_well >= least_flashes;
    // Under wine the stop is held against the offset before it (WineSync).
    if (c.stopped && player == Player::wine) {
        take.before_stop =
            measure_offsets(rec.picture, rec.sound, shared->inputs.refs, shared->inputs.music,
                            shared->inputs.rate, dance_flashes(), 0, rec.start + stop_at_ms);
        print_report(take.before_stop, (std::string(label) + ", before the stop").c_str(), stdout);
        take.measured = take.measured && take.before_stop.read_well >= least_before_stop;
    }
    if (!take.measured)
        take.why = "too few flashes read well (" + std::to_string(take.report.read_well) + " of " +
                   std::to_string(least_flashes) + ", " +
                   std::to_string(take.before_stop.read_well) + " before a stop)";
    return take;
}

// Plays a clip of the dance and measures it; the report is printed. A clip
// the meter failed to measure (a busy machine holds up the recorder or the
// grabber, not the show) is played once more, and says so; a second failure
// fails the case. So is a clip for which `doubt` gives a reason (the player's
// own, not the program's). The program's own faults (an offset off, a quit
// slow) are never played again.
Take play_clip(Player player, const Clip& c, const char* label,
               std::string (*doubt)(const SyncReport&) = nullptr)
{
    Take take = play_once(player, c, label);
    const std::string why = !take.measured && !take.why.empty() ? "not measured (" + take.why + ")"
                            : take.measured && doubt            ? doubt(take.report)
                                                                : "";
    if (!why.empty() && !testing::Test::HasFailure()) {
        printf("%s: %s: played once more\n", label, why.c_str());
        take = play_once(player, c, label);
    }
    EXPECT_TRUE(take.measured || take.why.empty()) << label << ": " << take.why;
    return take;
}

// A report with enough flashes read well to hold the show to anything.
void expect_measured(const SyncReport& r)
{
    ASSERT_GE(r.read_well, least_flashes) << "too few flashes read well";
}

// Every flash read well within `limit` of `expected`.
void expect_flashes_near(const SyncReport& r, double expected, double limit)
{
    int outside = 0;
    for (const FlashOffset& f : r.flashes)
        outside += !f.poor && std::fabs(f.offset - expected) > limit;
    EXPECT_EQ(outside, 0) << "flashes off by more than " << limit << " ms (from " << r.min << " to "
                          << r.max << ")";
}

// Holds a report to the bounds, around `expected` (0 but for the beacon).
void expect_in_step(const SyncReport& r, double expected = 0)
{
    expect_measured(r);
    EXPECT_LE(std::fabs(r.median - expected), median_limit_ms)
        << "median offset " << r.median << " ms (sound minus picture)";
    expect_flashes_near(r, expected, flash_limit_ms);
}

// --- The meter's own calibration ---

// The beacon's sound in step: the meter reads it back within its own error.
// (sync_meter_test reads other offsets offline, a whole beat and a bar among
// them; live, +50, -30 and +250 ms have read back as +49.2..+49.7,
// -30.4..-31.2 and +246.7..+247.9: run varno-sync-beacon --late beside
// varno-sync to see it again.) The beacon follows PulseAudio's
// own latency reports, so this also fixes what "heard" means here: what the
// sink's monitor records, placed by the record stream's latency.
class Calibration : public testing::TestWithParam<Clip> {};

// Seen over nine runs on a machine shared with other work (load 4 to 9 on
// two cores): medians from -2.5 to +8.7 ms, the highest at the highest load,
// where the beacon's own frames come late. A reading off by a beat, by the
// sound's placement on the clock or by its sign is off by far more.
constexpr double meter_error_ms = 10;

TEST_P(Calibration, ReadsTheBeaconsKnownOffset)
{
    const Clip c = GetParam();
    const SyncReport r =
        play_clip(Player::beacon, c, ("beacon " + std::string(c.name)).c_str()).report;
    expect_in_step(r, c.late);
    EXPECT_NEAR(r.median, c.late, meter_error_ms);
}

INSTANTIATE_TEST_SUITE_P(Meter, Calibration, testing::Values(Clip{"in_step", false, nullptr, 0}),
                         [](const testing::TestParamInfo<Clip>& i) { return i.param.name; });

// --- The show ---

const Clip clips[] = {
    {"plain", false, nullptr, 0},
    {"after_300ms_stop", true, nullptr, 0},
    {"latency_60ms", false, "60", 0},
};

class LinuxSync : public testing::TestWithParam<Clip> {};

TEST_P(LinuxSync, SoundFollowsPictureWithinAFrame)
{
    const Clip c = GetParam();
    expect_in_step(
        play_clip(Player::linux_build, c, ("linux " + std::string(c.name)).c_str()).report);
}

INSTANTIATE_TEST_SUITE_P(Live, LinuxSync, testing::ValuesIn(clips),
                         [](const testing::TestParamInfo<Clip>& i) { return i.param.name; });

// Under wine the Windows build's clock reads waveOutGetPosition, which wine
// counts as what it has handed to PulseAudio, not what has been heard
// (winepulse's position is the bytes written): the offset under wine is
// PulseAudio's buffer for wine's stream, which the program cannot know from
// inside wine (on a real Windows the count is the device's). That buffer is
// not even the same from one start to the next: plain runs in one session
// have read +94 and +208 ms. So under wine the cases hold what the program
// controls: the stop must cost nothing, the median offset after it at most
// flash_limit_ms (a frame and the meter's own few ms on each of two medians)
// above the same clip's median before it, and every flash after it within as
// much of its own median (a clock that ran on through the stop put the music
// 300 ms further behind). Seen at loads 3 to 9: the offset after the stop 4
// to 37 ms lower than before it. The offsets themselves are printed as
// figures, and must be measured, but are not bounded.
class WineSync : public testing::TestWithParam<Clip> {};

TEST_P(WineSync, StopCostsNothing)
{
    const Clip c = GetParam();
    ASSERT_TRUE(fs::exists(win_build() + "/varno-style.exe")) << "not built (scripts/windows)";
    const Take t = play_clip(Player::wine, c, ("wine " + std::string(c.name)).c_str());
    expect_measured(t.report);
    if (!c.stopped)
        return;
    ASSERT_GE(t.before_stop.read_well, least_before_stop) << "too few flashes before the stop";
    // One-sided: the stop must not put the sound further behind. After it
    // wine refills its PulseAudio buffer as it likes, once 37 ms less than
    // before (the sound then nearer the picture), which the program neither
    // causes nor sees.
    EXPECT_LE(t.report.median - t.before_stop.median, flash_limit_ms)
        << "median offset " << t.report.median << " ms after the stop, " << t.before_stop.median
        << " ms before it (sound minus picture)";
    expect_flashes_near(t.report, t.report.median, flash_limit_ms);
}

INSTANTIATE_TEST_SUITE_P(Live, WineSync, testing::ValuesIn(clips),
                         [](const testing::TestParamInfo<Clip>& i) { return i.param.name; });

// The page in Chromium: plainly, after the whole browser is stopped for
// 300 ms, and with the latency raised for its PulseAudio stream.
//
// Now and then a Chromium puts the page's frames on the screen a display
// frame later than its animation frames tell the page, for the whole of a
// session: 2 clips in 30 on a quiet machine read 15 to 17 ms behind (the
// rest -4 to +6), and once 17.4, just over the bound. The page's own readings
// of what is heard were the same in those sessions as in the others
// (getOutputTimestamp against currentTime, the latency reported, logged every
// half second), so the frame is the browser's, and nothing a page can read
// tells of it. A clip that reads as one such frame behind is played once more
// in a fresh browser; a page that is itself a frame off misses both times,
// and anything else is never played again.
std::string browser_held_a_frame(const SyncReport& r)
{
    // Behind by more than the bound, by no more than a frame (and the meter's
    // few ms) beyond it.
    const double meter_few_ms = flash_limit_ms - median_limit_ms;
    if (r.median >= -median_limit_ms || r.median < -2 * median_limit_ms - meter_few_ms)
        return "";
    char why[128];
    snprintf(why, sizeof why,
             "a frame behind (%+.1f ms), as when the browser holds its frames one more, "
             "in a fresh browser",
             r.median);
    return why;
}

class WebSync : public testing::TestWithParam<Clip> {};

TEST_P(WebSync, SoundFollowsPictureWithinAFrame)
{
    const Clip c = GetParam();
    ASSERT_TRUE(fs::exists(web_build() + "/index.html")) << "not built (scripts/web)";
    expect_in_step(play_clip(Player::chromium, c, ("chromium " + std::string(c.name)).c_str(),
                             browser_held_a_frame)
                       .report);
}

INSTANTIATE_TEST_SUITE_P(Live, WebSync, testing::ValuesIn(clips),
                         [](const testing::TestParamInfo<Clip>& i) { return i.param.name; });

// --- Quitting ---

struct Quit {
    const char* name;
    double after_window_ms;  // when Escape is released
};

void PrintTo(const Quit& q, std::ostream* os)
{
    *os << q.name;
}

const Quit quits[] = {
    {"at_once", 0},
    {"after_60ms", 60},
    {"after_150ms", 150},
    {"in_the_show", 2000},
};

// Waits until the show's window, or a window inside it, has the focus.
bool wait_for_focus(Display* d, double limit_ms)
{
    const double end = monotonic_ms() + limit_ms;
    while (monotonic_ms() < end) {
        const Window show = find_window(d, DefaultRootWindow(d));
        Window w;
        int revert;
        XGetInputFocus(d, &w, &revert);
        while (show && w > PointerRoot && w != show) {
            Window root, parent, *children = nullptr;
            unsigned count;
            if (!XQueryTree(d, w, &root, &parent, &children, &count))
                break;
            if (children)
                XFree(children);
            w = parent == root ? None : parent;
        }
        if (show && w == show)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
}

// What a quit came to: why it could not be timed, or its time.
struct Quitting {
    const char* failed = nullptr;
    QuitTime q;
};

// Escape released (XTEST) that long after the window appears: the time from
// the release to the end of the program's window, less what the machine took
// from the program and the servers it works through (time_quit); the process
// must then end too, with status 0.
Quitting quit_time(Player player, const Quit& q)
{
    Quitting r;
    Screen screen(player);
    Session& s = *screen.s;
    if (!s.d) {
        r.failed = "no X server";
        return r;
    }
    if (player == Player::wine) {
        start_wine_on(s.server);
        if (testing::Test::HasFatalFailure()) {
            r.failed = "no wine prefix";
            return r;
        }
    }
    const Started p = start(player, s.server, {"-w", "--from", "17"}, {});
    PictureArea area;
    const Window w = wait_for_picture(s.server, p.pid, window_limit_ms, &area)
                         ? find_window(s.d, DefaultRootWindow(s.d))
                         : 0;
    if (!w) {
        end_program(p.pid, true);
        r.failed = "no window";
        return r;
    }
    // A key reaches only the window with the focus, which the window manager
    // gives a new window when it gets to it (on a busy machine, a while after
    // the window is mapped): the window has appeared for a viewer's key once
    // it has the focus too.
    const double mapped = monotonic_ms();
    if (!wait_for_focus(s.d, window_limit_ms)) {
        end_program(p.pid, true);
        r.failed = "the window never had the focus";
        return r;
    }
    printf("the window had the focus %.1f ms after it was mapped\n", monotonic_ms() - mapped);
    // The key held 20 ms, released at the moment asked for (at 20 ms for
    // "at once"): the release is what quits, and the time counts from it.
    const double shown = monotonic_ms();
    const auto at = [&](double ms) {
        const double left = shown + ms - monotonic_ms();
        if (left > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(int64_t(left * 1000)));
    };
    at(std::max(0.0, q.after_window_ms - 20));
    key_event(s.d, XK_Escape, true);
    at(std::max(20.0, q.after_window_ms));
    std::vector<pid_t> through = {s.server.pid, shared->pulse.pid};
    if (player == Player::wine)
        through.push_back(wineserver_pid());
    double released = 0;
    r.q = time_quit(s.d, w, p.pid, through, [&] {
        key_event(s.d, XK_Escape, false);
        released = monotonic_ms();
    });
    const int status = wait_exit(p.pid, exit_limit_ms);
    const double ended = monotonic_ms() - released;
    end_program(p.pid, true);
    EXPECT_EQ(status, 0) << "-1: still running";
    printf(
        "Escape released %.1f ms after the window appeared; the window gone %.1f ms after "
        "the release (%.1f of them waiting for a processor), the process %.1f ms\n",
        released - shown, r.q.wall_ms, r.q.machine_ms, ended);
    return r;
}

void expect_quick_quit(Player player, const Quit& q)
{
    const Quitting r = quit_time(player, q);
    ASSERT_EQ(r.failed, nullptr) << r.failed;
    EXPECT_GE(r.q.wall_ms, 0) << "the window is still there";
    EXPECT_LE(r.q.program_ms(), quit_bound_ms);
}

class LinuxQuit : public testing::TestWithParam<Quit> {};

TEST_P(LinuxQuit, EndsWithin100ms)
{
    expect_quick_quit(Player::linux_build, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Live, LinuxQuit, testing::ValuesIn(quits),
                         [](const testing::TestParamInfo<Quit>& i) { return i.param.name; });

class WineQuit : public testing::TestWithParam<Quit> {};

TEST_P(WineQuit, EndsWithin100ms)
{
    ASSERT_TRUE(fs::exists(win_build() + "/varno-style.exe")) << "not built (scripts/windows)";
    expect_quick_quit(Player::wine, GetParam());
}

INSTANTIATE_TEST_SUITE_P(Live, WineQuit, testing::ValuesIn(quits),
                         [](const testing::TestParamInfo<Quit>& i) { return i.param.name; });

}  // namespace
