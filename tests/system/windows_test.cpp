// The Windows build (build-win/, cross-compiled with MinGW-w64) under wine on
// a real X server (Xvfb): both exes import only DLLs every Windows 10 has; the
// capture tool draws the reference frames byte for byte; the program answers its
// command line as on Linux; its picture is the capture's, fullscreen with and
// without a window manager and in a window; Escape released (not pressed),
// Alt-F4 and a window's close end it as promptly as on Linux; its music plays
// into a PulseAudio sink with the decoded file's loudness; with no sound
// device, or unpacked from the zip with damaged data, it says what the Linux
// build says (into a log beside it when double-clicked) and plays to its end.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "scenes/data_files.h"
#include "show/options.h"
#include "tests/decode_ogg.h"
#include "tests/support.h"
#include "tests/system/harness.h"

namespace fs = std::filesystem;

namespace {

// The program and the capture tool as the Windows build makes them.
const char program_exe[] = "varno-style.exe";
const char capture_exe[] = "tools/varno-capture.exe";

std::string win_build()
{
    const char* dir = getenv("VARNO_WIN_BUILD_DIR");
    return dir ? dir : "build-win";
}

std::string native_build()
{
    const char* dir = getenv("VARNO_BUILD_DIR");
    return dir ? dir : ".";
}

std::string quoted(const std::string& s)
{
    return "'" + s + "'";
}

// The PulseAudio null sink every run of the program plays into, and whose
// monitor the music test records.
constexpr char sink[] = "varno";
constexpr int sink_rate = 44100;

// One wine prefix for the whole run, made afresh (a few seconds) and removed
// afterwards, and one PulseAudio server with a null sink, in a directory of
// its own so that it meets no other sound server on the machine.
class WineAndPulse : public testing::Environment {
public:
    void SetUp() override
    {
        root = fresh_folder("varno-wine");
        ASSERT_NE(root, "");
        const auto t0 = Clock::now();
        std::string error;
        ASSERT_TRUE(make_wine_prefix(root + "/prefix", &error)) << error;
        printf("wine prefix made in %.1f s\n", ms_since(t0) / 1000);
        std::string log;
        pulse = start_pulse(root + "/pulse", sink, sink_rate, &log);
        ASSERT_GT(pulse.pid, 0) << log;
    }

    void TearDown() override
    {
        run_command("wineserver -k > /dev/null 2>&1");
        stop_pulse(pulse);
        if (!root.empty())
            fs::remove_all(root);
    }

private:
    std::string root;
    PulseServer pulse;
};

[[maybe_unused]] testing::Environment* const wine_and_pulse =
    testing::AddGlobalTestEnvironment(new WineAndPulse);

// How the program meets the machine's sound: PulseAudio as wine asks for it,
// with a roomy buffer, or no sound driver at all. Wine asks the sound server
// for about 10 ms of buffer: on a machine with every core busy its own
// threads wake too late for that now and then, and the server plays silence
// though the program had two seconds queued (seen: 13 to 66% of the time with
// two busy processes beside it, whatever the program's priority; 2% with 200
// ms). Where the program's sound is what is measured, wine gets a buffer a
// busy machine can keep.
enum class Sound { pulse, pulse_roomy, none };

// Starts a Windows program under wine on the X server's display (none when
// it has none), in the working directory given; what it prints goes to output,
// what wine prints to output.stderr.
pid_t start_wine(const Server& server, const std::string& exe,
                 const std::vector<std::string>& options, const std::string& output,
                 const std::string& dir, Sound sound = Sound::pulse)
{
    wine_session(server);
    Launch l;
    l.argv = {"wine", exe};
    l.argv.insert(l.argv.end(), options.begin(), options.end());
    l.dir = dir;
    if (server.display.empty())
        l.unset = {"DISPLAY"};
    else
        l.env = {{"DISPLAY", server.display}};
    // Without wine's sound drivers the program finds no device at all.
    if (sound == Sound::pulse_roomy)
        l.env.push_back({"PULSE_LATENCY_MSEC", "200"});
    if (sound == Sound::none)
        l.env.push_back(
            {"WINEDLLOVERRIDES", "mscoree,mshtml=;winepulse.drv,winealsa.drv,wineoss.drv=d"});
    l.out = output;
    l.err = output + ".stderr";
    return start_program(l);
}

// What the program said in the file its messages went to, its lines ended
// as Windows ends them (CR LF) or as Linux does.
std::string printed(const std::string& output)
{
    std::string text = read_file(output);
    for (size_t at; (at = text.find("\r\n")) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// The first window of a fresh prefix is slow (wine sets up its desktop); on a
// busy machine it has taken 10 s. A wait for the machine, not a bound.
constexpr double window_limit_ms = 120000;

// --- What the exes ask of Windows ---

// DLLs that come with every Windows 10, lower case. No C or C++ runtime beyond
// the system's msvcrt, no winpthreads, and no XAudio2 (which crashes where
// there is no sound device).
const std::set<std::string> system_dlls = {
    "kernel32.dll", "user32.dll",  "gdi32.dll",    "msvcrt.dll",  "advapi32.dll",
    "shell32.dll",  "ole32.dll",   "oleaut32.dll", "winmm.dll",   "dwmapi.dll",
    "shcore.dll",   "uxtheme.dll", "imm32.dll",    "version.dll", "avrt.dll",
};

struct Exe {
    const char* name;
    const char* path;       // in the Windows build
    const char* subsystem;  // as objdump names it
    bool manifest;          // declares Windows 10 and 11 and per-monitor DPI awareness
};

void PrintTo(const Exe& e, std::ostream* os)
{
    *os << e.name;
}

class Imports : public testing::TestWithParam<Exe> {};

TEST_P(Imports, OnlyDllsEveryWindowsHas)
{
    const Exe e = GetParam();
    const std::string exe = win_build() + "/" + e.path;
    ASSERT_TRUE(fs::exists(exe)) << exe << " not built (scripts/windows)";
    std::string dump;
    ASSERT_EQ(run_command("x86_64-w64-mingw32-objdump -p " + quoted(exe), &dump), 0);
    EXPECT_NE(dump.find("file format pei-x86-64"), std::string::npos);
    EXPECT_NE(dump.find(e.subsystem), std::string::npos) << "not a " << e.subsystem << " exe";
    std::istringstream lines(dump);
    std::vector<std::string> imported;
    for (std::string line; std::getline(lines, line);) {
        const size_t at = line.find("DLL Name: ");
        if (at == std::string::npos)
            continue;
        std::string dll = line.substr(at + 10);
        std::transform(dll.begin(), dll.end(), dll.begin(), ::tolower);
        imported.push_back(dll);
        EXPECT_TRUE(system_dlls.count(dll)) << e.name << " imports " << dll;
    }
    EXPECT_TRUE(std::count(imported.begin(), imported.end(), "kernel32.dll")) << dump;
    // The manifest sits in the resources as it was written: Windows 10 and
    // 11's identifier, and the scale of each monitor drawn for by the program
    // itself, so that Windows neither enlarges nor blurs the picture.
    if (e.manifest) {
        const std::string bytes = read_file(exe);
        for (const char* line :
             {"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "PerMonitorV2", "<dpiAware", "asInvoker"})
            EXPECT_NE(bytes.find(line), std::string::npos) << "no " << line << " in the manifest";
    }
    std::string list;
    for (const std::string& dll : imported)
        list += " " + dll;
    printf("%s (%ju bytes) imports%s\n", e.name, uintmax_t(fs::file_size(exe)), list.c_str());
}

INSTANTIATE_TEST_SUITE_P(Windows, Imports,
                         testing::Values(Exe{"program", program_exe, "(Windows GUI)", true},
                                         Exe{"capture", capture_exe, "(Windows CUI)", false}),
                         [](const testing::TestParamInfo<Exe>& i) { return i.param.name; });

// --- The frames ---

// Every frame of the show, as the capture tool for Windows draws it under
// wine, byte for byte the reference's (VARNO_FRAMES_MD5, from
// reference/frames.md5).
TEST(Capture, DrawsTheReferenceFramesUnderWine)
{
    const char* want = getenv("VARNO_FRAMES_MD5");
    ASSERT_NE(want, nullptr) << "VARNO_FRAMES_MD5 unset: run it through ctest";
    std::string wine;
    const auto t0 = Clock::now();
    run_command("cd " + quoted(win_build()) + " && wine " + capture_exe +
                    " --raw --back-buffer --fps 60 2> /dev/null | md5sum",
                &wine);
    printf("all frames under wine in %.1f s: %s", ms_since(t0) / 1000, wine.c_str());
    EXPECT_EQ(wine, std::string(want) + "  -\n");
}

// --- The command line ---

struct Line {
    const char* name;
    std::vector<std::string> options;
    int status;
    bool on_stdout;  // the usage, on standard output (else on standard error)
};

void PrintTo(const Line& l, std::ostream* os)
{
    *os << l.name;
}

class CommandLine : public testing::TestWithParam<Line> {};

// The Linux build's options and answers: the usage on standard output for
// --help, on standard error with status 2 for anything it does not take;
// neither needs a display.
TEST_P(CommandLine, AnswersAsOnLinux)
{
    const Line l = GetParam();
    const std::string output = testing::TempDir() + "windows_options.txt";
    const pid_t pid =
        start_wine(Server(), win_build() + "/" + program_exe, l.options, output, win_build());
    EXPECT_EQ(wait_exit(pid, 15000), l.status);
    const std::string out = printed(output), err = printed(output + ".stderr");
    if (l.on_stdout) {
        EXPECT_EQ(out, show_usage);
    } else {
        // Standard error also carries what wine itself has to say.
        EXPECT_EQ(out, "");
        EXPECT_NE(err.find(show_usage), std::string::npos) << err;
    }
}

const Line lines[] = {
    {"help", {"--help"}, 0, true},
    {"h", {"-h"}, 0, true},
    {"unknown_option", {"--fast"}, 2, false},
    {"from_past_the_end", {"--from", "102"}, 2, false},
    {"from_without_seconds", {"-w", "--from"}, 2, false},
};

INSTANTIATE_TEST_SUITE_P(Windows, CommandLine, testing::ValuesIn(lines),
                         [](const testing::TestParamInfo<Line>& i) { return i.param.name; });

// --- The program on the screen ---

// Starts the Windows program on the session's display from the build
// directory; waits for its window.
Window start_on_screen(Session* s, const std::vector<std::string>& options,
                       const std::string& output = "/dev/null", Sound sound = Sound::pulse)
{
    s->show =
        start_wine(s->server, win_build() + "/" + program_exe, options, output, win_build(), sound);
    return wait_for_window(s->d, window_limit_ms);
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
        options.push_back("-w");
    const Window w = start_on_screen(&s, options);
    ASSERT_NE(w, 0u) << "no window";
    const Placed placed = placed_picture(s.d, w, v.screen, v.window);
    EXPECT_GE(shown_share(s.d, placed, picture, std::string("windows_") + v.name), 0.99);
    if (!v.window) {
        EXPECT_TRUE(bars_black(s.d, placed, v.screen)) << "the bars around the picture";
    }
    release_escape(s.d);
    EXPECT_EQ(wait_exit(s.show, exit_limit_ms), 0);
}

const View views[] = {
    {"fullscreen_1280x1024_bare", {1280, 1024, false}, false},
    {"fullscreen_1920x1080", {1920, 1080, true}, false},
    {"window", {1024, 768, true}, true},
};

INSTANTIATE_TEST_SUITE_P(Windows, Picture, testing::ValuesIn(views),
                         [](const testing::TestParamInfo<View>& i) { return i.param.name; });

// --- Quitting ---

// How the show is ended: Escape released at once, or held down for half a
// second first (its press alone ends nothing), Alt-F4, or the window's close.
enum class Quit { escape, escape_held, alt_f4, close };

struct Ending {
    const char* name;
    Quit quit;
    uint32_t from_ms;   // where the show starts
    uint32_t after_ms;  // after the window appears
    ScreenSize screen;
    bool window;
    double limit_ms;
};

void PrintTo(const Ending& e, std::ostream* os)
{
    *os << e.name;
}

class Ends : public testing::TestWithParam<Ending> {};

TEST_P(Ends, PromptlyWithStatus0)
{
    const Ending e = GetParam();
    Session s(e.screen);
    ASSERT_NE(s.d, nullptr) << "no X server";
    std::vector<std::string> options = {"--from", std::to_string(e.from_ms / 1000.0)};
    if (e.window)
        options.push_back("-w");
    const Window w = start_on_screen(&s, options);
    ASSERT_NE(w, 0u) << "no window";
    std::this_thread::sleep_for(std::chrono::milliseconds(e.after_ms));
    const auto event = Clock::now();
    const QuitTime q = time_quit(s.d, w, s.show, {s.server.pid, wineserver_pid()}, [&] {
        switch (e.quit) {
            case Quit::escape:
                release_escape(s.d);
                break;
            case Quit::escape_held:
                key_event(s.d, XK_Escape, true);
                EXPECT_EQ(wait_exit(s.show, 500), -1) << "ended on the press of Escape";
                key_event(s.d, XK_Escape, false);
                break;
            case Quit::alt_f4:
                // As the keyboard sends it: Windows' own way to close the active window.
                tap_key(s.d, XK_F4, 20, XK_Alt_L);
                break;
            case Quit::close:
                close_window(s.d, w);
                break;
        }
    });
    const int status = wait_exit(s.show, exit_limit_ms);
    EXPECT_EQ(status, 0) << "-1: still running";
    EXPECT_GE(q.wall_ms, 0) << "the window is still there";
    EXPECT_LT(q.program_ms(), e.limit_ms) << e.name;
    printf(
        "%s: window gone %.1f ms after the event (%.1f of them waiting for a processor), "
        "the process %.1f ms\n",
        e.name, q.wall_ms, q.machine_ms, ms_since(event));
}

const ScreenSize bare = {1280, 1024, false}, managed = {1024, 768, true};

// Alt-F4 on a screen without a window manager, which would otherwise take
// the keys for its own close: the program (through Windows' own handling of
// the keys) closes itself. The close is the window manager's.
const Ending endings[] = {
    {"escape_at_once", Quit::escape, 0, 0, bare, false, start_up_quit_limit_ms},
    {"escape_in_dance", Quit::escape, 20000, 1000, bare, false, quit_limit_ms},
    {"escape_held_in_greetings", Quit::escape_held, 44000, 1000, bare, false, quit_limit_ms},
    {"alt_f4_fullscreen", Quit::alt_f4, 47000, 1000, bare, false, quit_limit_ms},
    {"escape_window", Quit::escape, 60000, 1000, managed, true, quit_limit_ms},
    {"close_window", Quit::close, 74000, 1000, managed, true, quit_limit_ms},
    {"alt_f4_window", Quit::alt_f4, 90000, 1000, bare, true, quit_limit_ms},
};

INSTANTIATE_TEST_SUITE_P(Windows, Ends, testing::ValuesIn(endings),
                         [](const testing::TestParamInfo<Ending>& i) { return i.param.name; });

// --- The music ---

// Running sums of the squared samples of interleaved stereo, per frame: the
// loudness of any stretch in one subtraction.
template <typename T>
std::vector<double> energy_sums(const std::vector<T>& s, double full_scale)
{
    std::vector<double> sums(s.size() / 2 + 1, 0.0);
    for (size_t f = 0; f + 1 < sums.size(); f++) {
        const double l = s[2 * f] / full_scale, r = s[2 * f + 1] / full_scale;
        sums[f + 1] = sums[f] + l * l + r * r;
    }
    return sums;
}

// Loudness (RMS) of the blocks of `block` frames from frame `first` on, `count` of them.
std::vector<double> envelope(const std::vector<double>& sums, size_t first, size_t block,
                             size_t count)
{
    std::vector<double> rms(count);
    for (size_t b = 0; b < count; b++) {
        const size_t f = first + b * block;
        rms[b] = std::sqrt((sums[f + block] - sums[f]) / (2.0 * block));
    }
    return rms;
}

// The recording with its runs of exact silence longer than `shortest` frames
// cut out. Such a run is where the sound stopped flowing: wine fills in
// silence when its mixing runs late, and the music goes on after it (the
// music itself has no such run before its end). *cut counts the frames cut
// between the first sound and the last, *longest the longest such run.
std::vector<int16_t> without_dropouts(const std::vector<int16_t>& s, size_t shortest, size_t* cut,
                                      size_t* longest)
{
    std::vector<int16_t> kept;
    *cut = 0;
    *longest = 0;
    const size_t frames = s.size() / 2;
    for (size_t f = 0; f < frames;) {
        size_t end = f;
        while (end < frames && s[2 * end] == 0 && s[2 * end + 1] == 0)
            end++;
        if (end - f <= shortest)
            kept.insert(kept.end(), s.begin() + long(2 * f), s.begin() + long(2 * end));
        else if (f > 0 && end < frames) {
            *cut += end - f;
            *longest = std::max(*longest, end - f);
        }
        if (end < frames)
            kept.insert(kept.end(), {s[2 * end], s[2 * end + 1]});
        f = end + 1;
    }
    return kept;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    double sa = 0, sb = 0, saa = 0, sbb = 0, sab = 0;
    const double n = double(a.size());
    for (size_t i = 0; i < a.size(); i++) {
        const double x = a[i], y = b[i];
        sa += x, sb += y, saa += x * x, sbb += y * y, sab += x * y;
    }
    const double va = saa - sa * sa / n, vb = sbb - sb * sb / n;
    return va > 0 && vb > 0 ? (sab - sa * sb / n) / std::sqrt(va * vb) : 0;
}

// Ten seconds of the show from 47 s, through the music's break at 50 s (a
// stretch no other part of it sounds like), recorded from the sink's monitor
// and quit with Escape: the recording follows the decoded file's loudness in
// 50 ms blocks, as loud, without long gaps, from the start to the quit. (The
// decoded file itself played into the sink follows it at 1.000, and wine's
// recordings at 0.99 or more; against the file from a second later they
// reach about 0.66, against other stretches at most 0.35.)
TEST(Music, PlaysIntoTheSoundServerAsTheFileSounds)
{
    std::vector<float> music;
    long rate;
    int channels;
    ASSERT_TRUE(decode_ogg((native_build() + "/" + music_file).c_str(), &music, &rate, &channels));
    ASSERT_EQ(rate, sink_rate);
    ASSERT_EQ(channels, 2);

    constexpr uint32_t from_ms = 47000, play_ms = 10000;
    const std::string recording = testing::TempDir() + "windows_music.raw";
    const std::string monitor = std::string(sink) + ".monitor";
    Launch record;
    record.argv = {"parec",          "-d",
                   monitor,          "--raw",
                   "--format=s16le", "--rate=" + std::to_string(sink_rate),
                   "--channels=2",   "--latency-msec=20"};
    record.out = recording;
    record.err = "";
    const pid_t parec = start_program(record);
    Session s(ScreenSize{1280, 1024, false});
    ASSERT_NE(s.d, nullptr) << "no X server";
    const std::string output = testing::TempDir() + "windows_music.txt";
    const auto started = Clock::now();
    const Window w = start_on_screen(&s, {"--from", std::to_string(from_ms / 1000.0)}, output,
                                     Sound::pulse_roomy);
    ASSERT_NE(w, 0u) << "no window";
    const double window_ms = ms_since(started);
    std::this_thread::sleep_for(std::chrono::milliseconds(play_ms));
    const double escape_ms = ms_since(started);
    const QuitTime q =
        time_quit(s.d, w, s.show, {s.server.pid, wineserver_pid()}, [&] { release_escape(s.d); });
    const double quit_ms = q.program_ms();
    const int status = wait_exit(s.show, exit_limit_ms);
    // The monitor only delivers while something plays: what was played is in.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(parec, SIGINT);
    waitpid(parec, nullptr, 0);
    EXPECT_EQ(status, 0);
    EXPECT_GE(q.wall_ms, 0) << "the window is still there";
    EXPECT_LT(quit_ms, quit_limit_ms);
    EXPECT_EQ(printed(output), "");

    std::vector<int16_t> recorded(fs::file_size(recording) / 2);
    std::ifstream(recording, std::ios::binary)
        .read(reinterpret_cast<char*>(recorded.data()), std::streamsize(recorded.size() * 2));
    size_t cut, longest_cut;
    const std::vector<int16_t> flowing =
        without_dropouts(recorded, sink_rate / 1000, &cut, &longest_cut);
    const std::vector<double> sums = energy_sums(flowing, 32768.0);
    const double sound_ms = 1000.0 * double(sums.size() - 1) / sink_rate;
    printf(
        "window after %.0f ms, Escape after %.0f ms, ended %.0f ms later; %.0f ms of sound "
        "recorded, and %.0f ms of silence within it, %.0f ms at most at once\n",
        window_ms, escape_ms, quit_ms, sound_ms, 1000.0 * double(cut) / sink_rate,
        1000.0 * double(longest_cut) / sink_rate);
    // The music plays on up to the Escape: after its last sound the recording
    // holds only the quit and the 200 ms the monitor is read on for. Where
    // it begins is the machine's (wine, late to start its stream on a busy
    // machine, skips what it missed to keep time), so its length is bound
    // loosely.
    size_t last = recorded.size() / 2;
    while (last > 0 && recorded[2 * last - 2] == 0 && recorded[2 * last - 1] == 0)
        last--;
    const double after_ms = 1000.0 * double(recorded.size() / 2 - last) / sink_rate;
    printf("%.0f ms of silence at the end of the recording\n", after_ms);
    EXPECT_LT(after_ms, 1500.0) << "the music stopped early";
    ASSERT_GT(sound_ms, play_ms / 2.0) << "the music stopped early";

    // The file's loudness from a second after where the show started, and
    // the recording's, lined up (to half a millisecond) where they agree best,
    // over all the sound but its first second and a half. The start may be
    // missing: wine, late to start its stream on a busy machine, skips what
    // it missed to keep time (seen: up to 0.55 s), and the end is cut short
    // by the Escape.
    constexpr size_t block = sink_rate / 20, step = sink_rate / 2000;
    constexpr uint32_t first_ms = from_ms + 1000;
    const size_t blocks = size_t(sound_ms - 1500) / 50;
    const std::vector<double> want =
        envelope(energy_sums(music, 1.0), size_t(first_ms) * sink_rate / 1000, block, blocks);
    size_t lag = 0;
    double best = -1;
    for (size_t l = 0; l + blocks * block < sums.size(); l += step)
        if (const double c = correlation(envelope(sums, l, block, blocks), want); c > best)
            best = c, lag = l;
    const std::vector<double> got = envelope(sums, lag, block, blocks);
    double got_energy = 0, want_energy = 0;
    for (size_t i = 0; i < blocks; i++) {
        got_energy += got[i] * got[i];
        want_energy += want[i] * want[i];
    }
    const double loudness = std::sqrt(got_energy / want_energy);
    const double silent = double(cut) / double(sums.size() - 1);
    printf(
        "envelope correlation %.3f with the music's %.1f s from %.1f s, found %.3f s into the "
        "sound; loudness %.2f of the file's\n",
        best, blocks * 0.05, first_ms / 1000.0, double(lag) / sink_rate, loudness);
    EXPECT_GT(best, 0.9);
    EXPECT_GT(loudness, 0.7);
    EXPECT_LT(loudness, 1.4);
    // Wine's mixing falls silent for a few milliseconds now and then on a
    // loaded machine, the more the busier it is (seen: 5% of the time at a
    // load of 7 on 2 cores, 13% with more beside it, in runs of up to 130 ms):
    // the machine's, not the program's. A stream the program stops feeding
    // and then takes up again is silent for far longer at once (one that
    // stops for good makes the sound short, above).
    printf("silent %.1f%% of the time\n", 100 * silent);
    EXPECT_LT(1000.0 * double(longest_cut) / sink_rate, 500.0) << "the sound stalled";
    if (!HasFailure())
        fs::remove(recording);
}

// --- Faults ---

// No sound device: the message the Linux build prints, then the show runs on
// the clock to its end, without music.
TEST(NoSoundDevice, SaysSoAndPlaysSilentlyToTheEnd)
{
    Session s(ScreenSize{1280, 1024, false});
    ASSERT_NE(s.d, nullptr) << "no X server";
    const std::string output = testing::TempDir() + "windows_no_sound.txt";
    constexpr uint32_t from_ms = 98000;
    const auto t0 = Clock::now();
    s.show =
        start_wine(s.server, win_build() + "/" + program_exe,
                   {"--from", std::to_string(from_ms / 1000.0)}, output, win_build(), Sound::none);
    ASSERT_NE(wait_for_window(s.d, window_limit_ms), 0u) << "no window";
    const int status = wait_exit(s.show, 15000);
    const double took = ms_since(t0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(printed(output),
              "Error at init of FMOD Ex system\nError at loading music data/dorvang.ogg\n");
    // The rest of the show, no less, whatever start-up took.
    EXPECT_GT(took, finale_end - from_ms - 100.0);
    printf("without sound: ended %.1f s after starting from %.0f s\n", took / 1000,
           from_ms / 1000.0);
}

enum class Damage { none, missing, truncated, text, music_missing, music_corrupt };

struct Fault {
    const char* name;
    Damage damage;
    const char* file;             // in data/
    const char* said;             // what the program prints
    const char* folder = "show";  // the copy's folder
    // Started as a double click in Explorer starts it (ShellExecute: no
    // console, no standard output), it writes varno-style.log beside itself,
    // and leaves none behind when it had nothing to say.
    bool double_clicked = false;
};

void PrintTo(const Fault& f, std::ostream* os)
{
    *os << f.name;
}

void damage(const fs::path& p, Damage d)
{
    std::string bytes = read_file(p.string());
    switch (d) {
        case Damage::none:
            return;
        case Damage::missing:
        case Damage::music_missing:
            fs::remove(p);
            return;
        case Damage::truncated:
            bytes.resize(bytes.size() / 2);
            break;
        case Damage::text:
            bytes = "This is a note, not a picture.\n";
            break;
        case Damage::music_corrupt:
            for (size_t i = 0; i < bytes.size(); i += 7)
                bytes[i] = char(bytes[i] ^ 0x5A);
            break;
    }
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

// The path as a Windows program names it: wine's Z: is the Unix root.
std::string windows_path(const fs::path& p)
{
    std::string path = "Z:" + p.string();
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

// Waits up to limit_ms for every process whose command line holds `marker`
// to end; false if one still runs.
bool wait_gone(const std::string& marker, double limit_ms)
{
    for (const auto t0 = Clock::now(); ms_since(t0) < limit_ms;) {
        bool running = false;
        for (const auto& entry : fs::directory_iterator("/proc")) {
            const std::string cmdline = read_file((entry.path() / "cmdline").string());
            running = running || cmdline.find(marker) != std::string::npos;
        }
        if (!running)
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return false;
}

// The cases share one screen, and with it one wine session, as a user
// playing the show again and again does.
class DamagedData : public testing::TestWithParam<Fault> {
protected:
    static void SetUpTestSuite() { screen = new Session(ScreenSize{640, 480, false}); }
    static void TearDownTestSuite()
    {
        delete screen;
        screen = nullptr;
    }
    static Session* screen;
};

Session* DamagedData::screen = nullptr;

// The zip unpacked, one file of its data/ damaged, the program started from
// another folder: it finds data/ beside itself, says what it could not load,
// as the Linux build does, and plays its last second to the end. Intact, it
// says nothing (every file it needs is in the zip).
TEST_P(DamagedData, SaysWhatFailedAndPlaysToTheEnd)
{
    const Fault f = GetParam();
    const fs::path root = fs::path(testing::TempDir()) / ("varno-win-" + std::string(f.name));
    const fs::path dir = root / f.folder, elsewhere = root / "elsewhere";
    fs::remove_all(root);
    fs::create_directories(elsewhere);
    // Unpacked from the zip handed out, the way a user unpacks it.
    fs::path zip;
    for (const auto& entry : fs::directory_iterator(win_build()))
        if (entry.path().extension() == ".zip")
            zip = entry.path();
    ASSERT_FALSE(zip.empty()) << "no zip in " << win_build();
    ASSERT_EQ(
        run_command("python3 -m zipfile -e " + quoted(zip.string()) + " " + quoted(dir.string())),
        0);
    EXPECT_TRUE(fs::exists(dir / "README.txt"));
    damage(dir / "data" / f.file, f.damage);

    Session& s = *screen;
    ASSERT_NE(s.d, nullptr) << "no X server";
    const std::vector<std::string> options = {"--from", "100"};
    const std::string output = (root / "printed.txt").string();
    const fs::path log = dir / "varno-style.log";
    if (f.double_clicked) {
        std::vector<std::string> open = {"shell32.dll,ShellExec_RunDLL",
                                         windows_path(dir / program_exe)};
        open.insert(open.end(), options.begin(), options.end());
        s.show = start_wine(s.server, "rundll32.exe", open, output, elsewhere.string());
        EXPECT_NE(wait_for_window(s.d, window_limit_ms), 0u) << "no window";
        // The program is rundll32's child, not ours: it is watched for by its path.
        EXPECT_TRUE(wait_gone(root.filename().string(), 15000)) << "still running";
        EXPECT_EQ(printed(log.string()), f.said);
        EXPECT_EQ(fs::exists(log), *f.said != 0);
        EXPECT_EQ(read_file(output), "");
    } else {
        s.show =
            start_wine(s.server, (dir / program_exe).string(), options, output, elsewhere.string());
        const int status = wait_exit(s.show, 15000);
        EXPECT_EQ(status, 0);
        if (status < 0) {
            kill(s.show, SIGKILL);
            waitpid(s.show, nullptr, 0);
        }
        EXPECT_EQ(printed(output), f.said);
        EXPECT_FALSE(fs::exists(log));
    }
    if (!HasFailure())
        fs::remove_all(root);
}

const Fault faults[] = {
    {"intact_in_a_non_ascii_folder", Damage::none, "title.png", "", "Démo ünïcödé 日本語 ✓"},
    {"title_missing", Damage::missing, "title.png", "Error at loading picture data/title.png\n"},
    {"glyph_sheet_truncated", Damage::truncated, "fonte3.png",
     "Error at loading picture data/fonte3.png\n"},
    {"text_as_flash", Damage::text, "flash.png", "Error at loading picture data/flash.png\n"},
    {"music_missing", Damage::music_missing, "dorvang.ogg",
     "Error at loading music data/dorvang.ogg\n"},
    {"music_corrupt", Damage::music_corrupt, "dorvang.ogg",
     "Error at loading music data/dorvang.ogg\n"},
    {"title_missing_double_clicked", Damage::missing, "title.png",
     "Error at loading picture data/title.png\n", "show", true},
    {"intact_double_clicked", Damage::none, "title.png", "", "show", true},
};

INSTANTIATE_TEST_SUITE_P(Windows, DamagedData, testing::ValuesIn(faults),
                         [](const testing::TestParamInfo<Fault>& i) { return i.param.name; });

}  // namespace
