// varno-sync-beacon: the show as a program whose picture follows the music
// exactly as PulseAudio reports it heard, late by a chosen amount: the sync
// meter's known offset. It plays the decoded music from --from into the
// server of PULSE_SERVER and draws, in a 640x480 window titled "VARNO STYLE",
// the frame for the demo time the music is heard at now, plus --late ms. The
// meter must read --late back (sound after picture by that much).
//
//   varno-sync-beacon [--from MS] [--late MS] [--seconds S]   (from a build directory)
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "draw/surface.h"
#include "platform/video.h"
#include "scenes/data_files.h"
#include "show/show.h"
#include "tests/decode_ogg.h"
#include "tests/system/sync/sync_meter.h"
// Xlib's names after the show's.
#define Font XFont
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#undef Font

namespace {

// What the sound thread last learnt: the music position heard at a moment.
struct Heard {
    std::atomic<double> at{0};         // monotonic ms
    std::atomic<double> position{-1};  // music ms heard then
};

void play(const std::vector<float>& music, long rate, uint32_t from, double until, Heard* heard)
{
    const pa_sample_spec spec = {PA_SAMPLE_S16LE, uint32_t(rate), 2};
    pa_buffer_attr attr;
    attr.maxlength = attr.prebuf = attr.minreq = uint32_t(-1);
    // 150 ms ahead: a busy machine must not starve it (the latency is accounted for).
    attr.tlength = uint32_t(rate * 3 / 20 * 4);
    attr.fragsize = uint32_t(-1);
    int err = 0;
    pa_simple* s = pa_simple_new(nullptr, "varno-sync-beacon", PA_STREAM_PLAYBACK, nullptr, "music",
                                 &spec, nullptr, &attr, &err);
    if (!s) {
        fprintf(stderr, "varno-sync-beacon: %s\n", pa_strerror(err));
        exit(1);
    }
    constexpr size_t chunk = 220;
    std::vector<int16_t> pcm(2 * chunk);
    for (size_t at = size_t(from) * size_t(rate) / 1000; monotonic_ms() < until;) {
        for (size_t i = 0; i < 2 * chunk; i++) {
            const size_t k = 2 * at + i;
            const float v = k < music.size() ? music[k] : 0.0f;
            pcm[i] = int16_t(std::max(-1.0f, std::min(1.0f, v)) * 32767);
        }
        if (pa_simple_write(s, pcm.data(), pcm.size() * 2, &err) < 0)
            break;
        at += chunk;
        const pa_usec_t latency = pa_simple_get_latency(s, &err);
        const double now = monotonic_ms();
        // The last sample written is heard `latency` from now.
        heard->position = double(at) * 1000 / rate - double(latency) / 1000;
        heard->at = now;
    }
    pa_simple_free(s);
}

}  // namespace

int main(int argc, char** argv)
{
    uint32_t from = 17000;
    double late = 0, seconds = 8;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--from"))
            from = uint32_t(atoi(argv[i + 1]));
        else if (!strcmp(argv[i], "--late"))
            late = atof(argv[i + 1]);
        else if (!strcmp(argv[i], "--seconds"))
            seconds = atof(argv[i + 1]);
    }
    std::vector<float> music;
    long rate;
    int channels;
    if (!decode_ogg(music_file, &music, &rate, &channels) || channels != 2) {
        fprintf(stderr, "varno-sync-beacon: cannot decode %s\n", music_file);
        return 1;
    }
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        fprintf(stderr, "varno-sync-beacon: no display\n");
        return 1;
    }
    const int screen = DefaultScreen(d);
    const Window w =
        XCreateSimpleWindow(d, RootWindow(d, screen), 0, 0, screen_width, screen_height, 0, 0, 0);
    XStoreName(d, w, "VARNO STYLE");
    Show* show = show_load();
    Surface* frame = surface_make(back_width, back_height, xrgb_layout);
    std::vector<uint32_t> doubled(screen_width * screen_height);
    XImage* image = XCreateImage(d, DefaultVisual(d, screen), 24, ZPixmap, 0,
                                 reinterpret_cast<char*>(doubled.data()), screen_width,
                                 screen_height, 32, screen_width * 4);
    const double until = monotonic_ms() + seconds * 1000;
    Heard heard;
    std::thread sound(play, std::cref(music), rate, from, until, &heard);
    // The window once the sound flows, as a measurement starts when both are there.
    while (heard.position < 0 && monotonic_ms() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    XMapWindow(d, w);
    XSync(d, False);
    // Frames in order from --from (the show's look follows its earlier frames),
    // each for the heard position now, about 60 a second.
    double t = from;
    for (double next = monotonic_ms(); monotonic_ms() < until; next += 1000.0 / 60) {
        const double now = monotonic_ms();
        const double position = heard.position;
        // Never back: the reports jitter by a fraction of a millisecond.
        if (position >= 0)
            t = std::max(t, position + (now - heard.at) + late);
        show_draw(uint32_t(std::max(0.0, t)), show, frame);
        for (int y = 0; y < screen_height; y++)
            for (int x = 0; x < screen_width; x++)
                doubled[size_t(y * screen_width + x)] =
                    frame->pixels[(y / 2) * frame->pitch + x / 2] & 0xFFFFFF;
        XPutImage(d, w, DefaultGC(d, screen), image, 0, 0, 0, 0, screen_width, screen_height);
        XSync(d, False);
        const double left = next + 1000.0 / 60 - monotonic_ms();
        if (left > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(int64_t(left * 1000)));
        else
            next = monotonic_ms() - 1000.0 / 60;
    }
    sound.join();
    image->data = nullptr;
    XDestroyImage(image);
    XCloseDisplay(d);
    return 0;
}
