// varno-capture: plays the show without a display or sound on a fixed clock
// and writes frames, as PNGs, as raw pixels for a video encoder of the user's
// own, or as a finished video with the music (tools/video.h).
//
// The show's look depends on every earlier frame (trails, palette turns,
// sprite steps), so frames are always played from t = 0 at the chosen rate.
#include <unistd.h>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif
#ifdef VARNO_VIDEO_PIPE
#include <sys/resource.h>
#include <sys/stat.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "draw/blit.h"
#include "draw/picture.h"
#include "platform/files.h"
#include "platform/video.h"
#include "scenes/data_files.h"
#include "scenes/timeline.h"
#include "show/options.h"
#include "show/show.h"
#include "tools/video.h"
#ifdef VARNO_VIDEO_PIPE
#include "tools/ffmpeg.h"
#include "tools/progress.h"
#endif

namespace {

struct Options {
    std::vector<uint32_t> at;  // requested times; empty means every frame
    std::string out = "frames";
    unsigned fps = 60;
    uint32_t from = 0;  // the first frame written is the one shown at this time
    uint32_t to = last_frame_time;
    bool back = false;     // the 320x240 back buffer instead of the screen
    bool raw = false;      // every frame as raw pixels on standard output
    bool null = false;     // render and discard
    bool gentle = false;   // the faint flashes of --gentle
    bool scenes = false;   // print the scene table and stop
    bool version = false;  // print the version and stop
    std::string times;     // where to write each frame's drawing time; empty: nowhere
    std::string video;     // the MP4 to make; empty: none
    const VideoProfile* profile = &video_profiles[0];
    int height = 0;  // 0: the profile's own
    int crf = default_crf;
    std::string preset = default_preset;
    bool video_option = false;  // an option that only a video takes
};

const char usage[] =
    "usage: varno-capture [--at T1,T2,...] [--out DIR] [--fps N] [--from MS] [--to MS] "
    "[--back-buffer] [--raw | --null] [--times FILE] [--gentle]\n"
    "       varno-capture --video FILE.mp4 [--profile youtube|party] [--height N] [--from MS] "
    "[--to MS] [--crf N] [--preset NAME] [--gentle]\n"
    "       varno-capture --scenes\n"
    "       varno-capture --version\n";

bool parse_number(const char* s, uint32_t max, uint32_t* value)
{
    char* end;
    if (!*s || *s == '-')
        return false;
    const unsigned long v = strtoul(s, &end, 10);
    if (*end || v > max)
        return false;
    *value = uint32_t(v);
    return true;
}

bool parse(int argc, char** argv, Options* o)
{
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        const bool has_value = i + 1 < argc;
        uint32_t v;
        if (a == "--back-buffer") {
            o->back = true;
        } else if (a == "--raw") {
            o->raw = true;
        } else if (a == "--null") {
            o->null = true;
        } else if (a == "--gentle") {
            o->gentle = true;
        } else if (a == "--scenes") {
            o->scenes = true;
        } else if (a == "--version") {
            o->version = true;
        } else if (a == "--times" && has_value) {
            o->times = argv[++i];
        } else if (a == "--out" && has_value) {
            o->out = argv[++i];
        } else if (a == "--fps" && has_value) {
            if (!parse_number(argv[++i], 1000, &v) || v == 0)
                return false;
            o->fps = v;
        } else if (a == "--from" && has_value) {
            if (!parse_number(argv[++i], last_frame_time, &v))
                return false;
            o->from = v;
        } else if (a == "--video" && has_value) {
            o->video = argv[++i];
            if (o->video.empty())
                return false;
        } else if (a == "--profile" && has_value) {
            const std::string name = argv[++i];
            o->profile = nullptr;
            for (const VideoProfile& p : video_profiles)
                if (name == p.name)
                    o->profile = &p;
            if (!o->profile)
                return false;
            o->video_option = true;
        } else if (a == "--height" && has_value) {
            if (!parse_number(argv[++i], max_video_height, &v))
                return false;
            o->height = int(v);
            o->video_option = true;
        } else if (a == "--crf" && has_value) {
            if (!parse_number(argv[++i], max_crf, &v))
                return false;
            o->crf = int(v);
            o->video_option = true;
        } else if (a == "--preset" && has_value) {
            o->preset = argv[++i];
            if (std::find_if(std::begin(x264_presets), std::end(x264_presets), [&](const char* p) {
                    return o->preset == p;
                }) == std::end(x264_presets))
                return false;
            o->video_option = true;
        } else if (a == "--to" && has_value) {
            if (!parse_number(argv[++i], last_frame_time, &v))
                return false;
            o->to = v;
        } else if (a == "--at" && has_value) {
            std::string list = argv[++i];
            size_t pos = 0;
            while (pos <= list.size()) {
                const size_t comma = std::min(list.find(',', pos), list.size());
                if (!parse_number(list.substr(pos, comma - pos).c_str(), last_frame_time, &v))
                    return false;
                o->at.push_back(v);
                pos = comma + 1;
            }
        } else {
            return false;
        }
    }
    if (o->from > o->to || (o->raw && o->null))
        return false;
    // A video is the show's 60 frames a second, every one of them, as the show
    // looks on its screen.
    if (!o->video.empty())
        return !o->raw && !o->null && !o->back && o->at.empty() && o->fps == video_fps;
    return !o->video_option;
}

// The frame shown at `from`, the first one written: its index and its time.
uint32_t first_frame(const Options& o)
{
    return uint32_t(uint64_t(o.from) * o.fps / 1000);
}
uint32_t first_time(const Options& o)
{
    return uint32_t(uint64_t(first_frame(o)) * 1000 / o.fps);
}

// The frame times: floor(k * 1000 / fps) up to the last time wanted, with the
// requested times merged in.
std::vector<uint32_t> frame_times(const Options& o)
{
    const uint32_t end = o.at.empty() ? o.to : *std::max_element(o.at.begin(), o.at.end());
    std::vector<uint32_t> times;
    for (uint64_t k = 0;; k++) {
        const uint64_t t = k * 1000 / o.fps;
        if (t > end)
            break;
        times.push_back(uint32_t(t));
    }
    times.insert(times.end(), o.at.begin(), o.at.end());
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

// The timeline's scenes for the tools that report per scene: "name start_ms"
// a line in timeline order, then "end" and the show's end.
void print_scenes()
{
    for (const SceneWindow& s : scene_windows)
        printf("%s %u\n", s.name, s.start);
    printf("end %u\n", finale_end);
}

// One frame drawn, and doubled onto the screen where one is given.
void draw_and_double(uint32_t t, Show* show, Surface* frame, Surface* screen)
{
    show_draw(t, show, frame);
    if (screen)
        surface_double(frame, screen);
}

// --- where the frames go -----------------------------------------------------

// Each output is a sink: opened before the show loads, handed every frame,
// finished once with the process's exit status, or aborted on the way.
enum class Output { pngs, raw, video, none };

Output chosen_output(const Options& o)
{
    if (!o.video.empty())
        return Output::video;
    if (o.raw)
        return Output::raw;
    if (o.null)
        return Output::none;
    return Output::pngs;
}

struct Sink {
    Output output;
    size_t written = 0;
    bool failed = false;  // a frame could not be written; said when it happened
    FILE* raw = nullptr;  // the raw frames' stream
#ifdef VARNO_VIDEO_PIPE
    VideoSettings video;
    VideoEncoder encoder;
    VideoProgress progress;
    std::vector<uint8_t> yuv;
#endif
};

// With --raw, standard output carries pixels only: the start-up messages are
// sent to standard error instead.
bool raw_open(Sink* s)
{
    const int pixels_fd = dup(STDOUT_FILENO);
    if (pixels_fd < 0) {
        // No descriptors to duplicate (the browser build under node): the
        // frames and any start-up message share standard output. A whole
        // data/ gives no message.
        s->raw = stdout;
        return true;
    }
#ifdef _WIN32
    // msvcrt's descriptors start in text mode, which writes a CR before every
    // LF byte; fdopen's "b" does not change that.
    _setmode(pixels_fd, _O_BINARY);
#endif
    s->raw = fdopen(pixels_fd, "wb");
    return s->raw && dup2(STDERR_FILENO, STDOUT_FILENO) >= 0;
}

bool raw_frame(Sink* s, const Surface* picture)
{
    for (int y = 0; y < picture->h; y++)
        if (fwrite(surface_row(picture, y), 4, picture->w, s->raw) != size_t(picture->w)) {
            fprintf(stderr, "varno-capture: cannot write the frames: %s\n", strerror(errno));
            return false;
        }
    return true;
}

bool png_frame(const Options& o, uint32_t t, const Surface* picture)
{
    char name[32];
    snprintf(name, sizeof name, "/t%06u.png", t);
    if (!picture_save(picture, (o.out + name).c_str())) {
        fprintf(stderr, "varno-capture: cannot write %s%s\n", o.out.c_str(), name);
        return false;
    }
    return true;
}

#ifdef VARNO_VIDEO_PIPE
// The processor time this process has used.
double cpu_seconds()
{
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The video's settings, ffmpeg checked and started; false after saying why.
// All of it comes before any frame is drawn.
bool video_open(const Options& o, const std::vector<uint32_t>& times, Sink* s)
{
    VideoSettings* settings = &s->video;
    std::string why;
    if (!video_geometry(*o.profile, o.height, &settings->geometry, &why)) {
        fprintf(stderr, "varno-capture: %s\n", why.c_str());
        return false;
    }
    const std::string missing = ffmpeg_missing();
    if (!missing.empty()) {
        fprintf(stderr, "varno-capture: %s\n", missing.c_str());
        return false;
    }
    // The synthesiser's own output where the build left it, else the show's.
    settings->sound =
        files_absolute_path(access(music_master_file, R_OK) == 0 ? music_master_file : music_file);
    if (access(settings->sound.c_str(), R_OK) != 0) {
        fprintf(stderr, "varno-capture: cannot read the music, %s\n", music_file);
        return false;
    }
    settings->path = o.video;
    settings->first_frame = first_frame(o);
    settings->frames = uint32_t(times.size()) - settings->first_frame;
    settings->crf = o.crf;
    settings->preset = o.preset;
    if (!video_start(*settings, &s->encoder, &why)) {
        fprintf(stderr, "varno-capture: %s\n", why.c_str());
        return false;
    }
    s->yuv.resize(video_frame_bytes(settings->geometry));
    progress_start(&s->progress, settings->frames);
    return true;
}

// Frames outside the clip are drawn but not sent; a stop asked for ends the
// loop either way.
bool video_frame(Sink* s, const Surface* frame, bool wanted)
{
    if (!wanted)
        return !video_stopped();
    video_convert(frame, s->video.geometry, s->yuv.data());
    if (!video_write(&s->encoder, s->yuv.data(), s->yuv.size()))
        return false;
    s->written++;
    progress_update(&s->progress, uint32_t(s->written));
    return true;
}

// Size, bit rate, wall time and our own share of it.
void print_video_summary(const VideoSettings& s, double wall, double our_cpu)
{
    struct stat st;
    const double bytes = stat(s.path.c_str(), &st) == 0 ? double(st.st_size) : 0;
    const double seconds = double(s.frames) / video_fps;
    fprintf(stderr,
            "varno-capture: wrote %s: %ux%u, %u frames (%.2f s), %.1f MB, %.2f Mb/s, in %.1f s; "
            "drawing, scaling, conversion and the pipe took %.1f s of CPU, %.1f%% of that\n",
            s.path.c_str(), s.geometry.width, s.geometry.height, s.frames, seconds, bytes / 1e6,
            bytes * 8 / seconds / 1e6, wall, our_cpu, 100 * our_cpu / wall);
}

int video_finish(Sink* s)
{
    std::string why;
    if (s->written == s->video.frames && video_finish(&s->encoder, &why)) {
        print_video_summary(s->video, progress_elapsed(&s->progress), cpu_seconds());
        return 0;
    }
    if (s->written < s->video.frames)
        video_abort(&s->encoder, &why);
    fprintf(stderr, "%svarno-capture: %s\nvarno-capture: no video written\n",
            s->progress.terminal ? "\n" : "", why.c_str());
    return video_stopped() ? 128 + video_stopped() : 1;
}
#else
// Where no process can be started there is no ffmpeg to pipe into.
#ifdef _WIN32
constexpr char no_video[] = "making a video is not available on Windows yet";
#else
constexpr char no_video[] = "making a video is not available in this build";
#endif

bool video_open(const Options& o, const std::vector<uint32_t>&, Sink*)
{
    VideoGeometry geometry;
    std::string why;
    if (!video_geometry(*o.profile, o.height, &geometry, &why))
        fprintf(stderr, "varno-capture: %s\n", why.c_str());
    else
        fprintf(stderr, "varno-capture: %s\n", no_video);
    return false;
}
#endif

bool sink_open(const Options& o, const std::vector<uint32_t>& times, Sink* s)
{
    switch (s->output) {
        case Output::video:
            return video_open(o, times, s);
        case Output::raw:
            return raw_open(s);
        case Output::pngs:
            files_make_directory(o.out);  // a directory that cannot be had fails at the first frame
            return true;
        case Output::none:
            return true;
    }
    return false;
}

// One frame drawn at t: `frame` the back buffer, `picture` what is written
// (the back buffer or the screen). False ends the loop.
bool sink_frame(const Options& o, uint32_t t, const Surface* frame, const Surface* picture,
                bool in_clip, bool wanted, Sink* s)
{
    bool ok = true;
    switch (s->output) {
        case Output::video:
#ifdef VARNO_VIDEO_PIPE
            return video_frame(s, frame, wanted);
#else
            (void)frame;  // a sink without a pipe is never opened
            return false;
#endif
        case Output::raw:
            if (!in_clip)
                return true;
            ok = raw_frame(s, picture);
            break;
        case Output::pngs:
            if (!wanted)
                return true;
            ok = png_frame(o, t, picture);
            break;
        case Output::none:
            return true;
    }
    s->failed = !ok;
    s->written += ok;
    return ok;
}

// Ends a sink before its frames are all drawn, with nothing more to say.
void sink_abort(Sink* s)
{
#ifdef VARNO_VIDEO_PIPE
    if (s->output == Output::video)
        video_abort(&s->encoder, nullptr);
#else
    (void)s;
#endif
}

// The exit status once the loop has ended.
int sink_finish(Sink* s)
{
    if (s->output == Output::video) {
#ifdef VARNO_VIDEO_PIPE
        return video_finish(s);
#endif
    }
    if (s->failed)
        return 1;
    if (s->raw && fflush(s->raw) != 0) {
        fprintf(stderr, "varno-capture: cannot write the frames: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}

// --- the frames --------------------------------------------------------------

// What the loop saw: its frames' number, its time, the slowest frame.
struct Played {
    size_t frames = 0;
    double seconds = 0;
    double slowest_ms = 0;
    uint32_t slowest_t = 0;
};

// Plays the show over the frame times into the sink; false when writing a
// frame failed or the times file could not be written.
bool play(const Options& o, const std::vector<uint32_t>& times, Show* show, Surface* frame,
          Surface* screen, FILE* times_out, Sink* s, Played* played)
{
    // Each frame through a pointer the optimiser cannot see through: a
    // WebAssembly engine gives a function its fast code when it is entered
    // again, so the frame must not be inlined into this loop, which runs once.
    void (*volatile const draw)(uint32_t, Show*, Surface*, Surface*) = draw_and_double;
    const bool doubled = !o.back && s->output != Output::video;
    const Surface* picture = doubled ? screen : frame;
    const uint32_t from = first_time(o);
    const auto begin = std::chrono::steady_clock::now();
    for (size_t k = 0; k < times.size(); k++) {
        const uint32_t t = times[k];
        const auto f0 = std::chrono::steady_clock::now();
        draw(t, show, frame, doubled ? screen : nullptr);
        const double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - f0)
                .count();
        played->frames = k + 1;
        // One "t milliseconds" line a frame: runs can be compared frame by
        // frame, which tells a slow frame from a busy machine.
        if (times_out)
            fprintf(times_out, "%u %.4f\n", t, ms);
        if (ms > played->slowest_ms) {
            played->slowest_ms = ms;
            played->slowest_t = t;
        }
        const bool in_clip = t >= from;
        const bool wanted =
            in_clip && (o.at.empty() || std::find(o.at.begin(), o.at.end(), t) != o.at.end());
        if (!sink_frame(o, t, frame, picture, in_clip, wanted, s))
            break;
        if (s->output != Output::video && (k % 600 == 599 || k + 1 == times.size()))
            fprintf(stderr, "varno-capture: %zu/%zu frames, t = %u ms\n", k + 1, times.size(), t);
    }
    played->seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    return !s->failed;
}

}  // namespace

int main(int argc, char** argv)
{
    Options o;
    if (!parse(argc, argv, &o)) {
        fputs(usage, stderr);
        return 2;
    }
    if (o.version) {
        printf("varno-capture %s\n", show_version);
        return 0;
    }
    if (o.scenes) {
        print_scenes();
        return 0;
    }
    // The frames go where the caller is, whichever data/ the show is read from.
    o.out = files_absolute_path(o.out);
    o.times = files_absolute_path(o.times);
    if (!o.video.empty())
        o.video = files_absolute_path(o.video);
    files_find_show(music_file, title_file);

    const std::vector<uint32_t> times = frame_times(o);
    Sink sink;
    sink.output = chosen_output(o);
    if (!sink_open(o, times, &sink))
        return 1;
    // No window and no sound: the clock here is the frame sequence, and the
    // frames are drawn into pictures of our own. Like everything the show
    // makes at start-up, they stay until the process ends.
    static Show* const show = show_load(o.gentle);
    static Surface* const frame = surface_make(back_width, back_height, xrgb_layout);
    static Surface* const screen = surface_make(screen_width, screen_height, xrgb_layout);
    if (!show || !frame || !screen) {
        fprintf(stderr, "varno-capture: out of memory\n");
        sink_abort(&sink);
        return 1;
    }
    FILE* times_out = nullptr;
    if (!o.times.empty() && !(times_out = fopen(o.times.c_str(), "w"))) {
        fprintf(stderr, "varno-capture: cannot write %s\n", o.times.c_str());
        sink_abort(&sink);
        return 1;
    }
    Played played;
    const bool drawn = play(o, times, show, frame, screen, times_out, &sink, &played);
    if (times_out && fclose(times_out) != 0) {
        fprintf(stderr, "varno-capture: cannot write %s\n", o.times.c_str());
        sink_abort(&sink);
        return 1;
    }
    const int status = sink_finish(&sink);
    if (drawn && status == 0 && sink.output != Output::video)
        fprintf(stderr,
                "varno-capture: %zu frames played in %.2f s, %zu written; slowest %.3f ms at t "
                "= %u\n",
                played.frames, played.seconds, sink.written, played.slowest_ms, played.slowest_t);
    return status;
}
