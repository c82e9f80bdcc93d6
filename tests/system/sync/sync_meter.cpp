#include "tests/system/sync/sync_meter.h"

// Xlib's names after the show's headers.
#include "overlays/fade.h"
#include "scenes/dance_scene.h"
#include "scenes/timeline.h"
#include "tests/decode_ogg.h"
#include "tests/system/harness.h"
#define Font XFont
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#undef Font
#include <pulse/error.h>
#include <pulse/pulseaudio.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

constexpr int picture_width = 320, picture_height = 240;
// The corner read for the flashes: free of sprites, notes and text in the dance.
constexpr int corner_x = 2, corner_y = 2, corner_w = 36, corner_h = 20;
constexpr double grab_every_ms = 4;
constexpr double still_every_ms = 200;

void sleep_until(double t)
{
    const double left = t - monotonic_ms();
    if (left > 0)
        std::this_thread::sleep_for(std::chrono::microseconds(int64_t(left * 1000)));
}

double median_of(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// One XShm image of w x h screen pixels.
struct ShmImage {
    XImage* image = nullptr;
    XShmSegmentInfo info{};
};

bool make_image(Display* d, int w, int h, ShmImage* s)
{
    const int screen = DefaultScreen(d);
    s->image = XShmCreateImage(d, DefaultVisual(d, screen), unsigned(DefaultDepth(d, screen)),
                               ZPixmap, nullptr, &s->info, unsigned(w), unsigned(h));
    if (!s->image)
        return false;
    s->info.shmid =
        shmget(IPC_PRIVATE, size_t(s->image->bytes_per_line) * size_t(h), IPC_CREAT | 0600);
    if (s->info.shmid < 0)
        return false;
    s->info.shmaddr = s->image->data = static_cast<char*>(shmat(s->info.shmid, nullptr, 0));
    s->info.readOnly = False;
    const bool attached = XShmAttach(d, &s->info);
    XSync(d, False);
    shmctl(s->info.shmid, IPC_RMID, nullptr);  // gone once both sides detach
    return attached;
}

void free_image(Display* d, ShmImage* s)
{
    if (!s->image)
        return;
    XShmDetach(d, &s->info);
    XDestroyImage(s->image);
    shmdt(s->info.shmaddr);
}

uint32_t pixel_at(const XImage* image, int x, int y)
{
    return *reinterpret_cast<const uint32_t*>(image->data + y * image->bytes_per_line + x * 4);
}

int grey(uint32_t p)
{
    return int(((p >> 16) & 0xFF) + ((p >> 8) & 0xFF) + (p & 0xFF)) / 3;
}

}  // namespace

double monotonic_ms()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return double(ts.tv_sec) * 1000 + double(ts.tv_nsec) / 1e6;
}

bool record_picture(const std::string& display_name, const PictureArea& area, double until,
                    PictureTrack* track, std::string* error)
{
    Display* d = XOpenDisplay(display_name.c_str());
    if (!d) {
        *error = "cannot open display " + display_name;
        return false;
    }
    const int cw = int(corner_w * area.scale), ch = int(corner_h * area.scale);
    // The stills: only the scroller's band, its rows still_y(0) .. still_y(last).
    const int fw = int(picture_width * area.scale);
    const int bh = int((still_y(still_height - 1) - still_top + 1) * area.scale);
    const int by = area.y + int(still_top * area.scale);
    ShmImage corner, band;
    if (!XShmQueryExtension(d) || !make_image(d, cw, ch, &corner) ||
        !make_image(d, fw, bh, &band) || DefaultDepth(d, DefaultScreen(d)) != 24) {
        *error = "no XShm on a 24-bit screen";
        free_image(d, &corner);
        free_image(d, &band);
        XCloseDisplay(d);
        return false;
    }
    const Window root = DefaultRootWindow(d);
    const int cx = area.x + int(corner_x * area.scale), cy = area.y + int(corner_y * area.scale);
    double next = monotonic_ms(), next_still = next;
    while (next < until) {
        const double a = monotonic_ms();
        XShmGetImage(d, root, corner.image, cx, cy, AllPlanes);
        const double b = monotonic_ms();
        long sum = 0;
        for (int y = 0; y < ch; y++)
            for (int x = 0; x < cw; x++)
                sum += grey(pixel_at(corner.image, x, y));
        track->corner.push_back({(a + b) / 2, b - a, double(sum) / (cw * ch)});
        if (a >= next_still) {
            const double s0 = monotonic_ms();
            XShmGetImage(d, root, band.image, area.x, by, AllPlanes);
            Still s{(s0 + monotonic_ms()) / 2, std::vector<uint8_t>(still_width * still_height)};
            for (int j = 0; j < still_height; j++)
                for (int i = 0; i < still_width; i++)
                    s.grey[size_t(j * still_width + i)] =
                        uint8_t(grey(pixel_at(band.image, int(still_x(i) * area.scale),
                                              int((still_y(j) - still_top) * area.scale))));
            track->stills.push_back(std::move(s));
            next_still += still_every_ms;
        }
        // A grab that came late is not made up for: the next one is 4 ms on.
        next = std::max(next + grab_every_ms, monotonic_ms());
        sleep_until(next);
    }
    free_image(d, &corner);
    free_image(d, &band);
    XCloseDisplay(d);
    return true;
}

namespace {

void wake(pa_threaded_mainloop* ml)
{
    pa_threaded_mainloop_signal(ml, 0);
}

// The record stream's latency, negative where the monitor hands samples over
// before the sink plays them (a sink that renders ahead); false if unknown.
bool signed_latency(pa_stream* st, double* ms)
{
    pa_usec_t usec;
    int negative = 0;
    if (pa_stream_get_latency(st, &usec, &negative) != 0)
        return false;
    *ms = (negative ? -1.0 : 1.0) * double(usec) / 1000;
    return true;
}

}  // namespace

bool record_sound(const std::string& source, int rate, const std::atomic<double>& until,
                  std::atomic<bool>& flowing, SoundTrack* track, std::string* error)
{
    // The asynchronous API: the simple one reports a negative latency as 0.
    pa_threaded_mainloop* ml = pa_threaded_mainloop_new();
    pa_context* ctx = pa_context_new(pa_threaded_mainloop_get_api(ml), "varno-sync");
    pa_context_set_state_callback(
        ctx, [](pa_context*, void* m) { wake(static_cast<pa_threaded_mainloop*>(m)); }, ml);
    pa_threaded_mainloop_lock(ml);
    pa_threaded_mainloop_start(ml);
    pa_stream* st = nullptr;
    bool ok = pa_context_connect(ctx, nullptr, PA_CONTEXT_NOFLAGS, nullptr) == 0;
    while (ok && pa_context_get_state(ctx) != PA_CONTEXT_READY) {
        ok = PA_CONTEXT_IS_GOOD(pa_context_get_state(ctx));
        if (ok)
            pa_threaded_mainloop_wait(ml);
    }
    if (ok) {
        const pa_sample_spec spec = {PA_SAMPLE_S16LE, uint32_t(rate), 2};
        pa_buffer_attr attr;
        attr.maxlength = attr.tlength = attr.prebuf = attr.minreq = uint32_t(-1);
        attr.fragsize = uint32_t(rate / 200 * 4);  // 5 ms a read
        st = pa_stream_new(ctx, "monitor", &spec, nullptr);
        auto signal = [](pa_stream*, void* m) { wake(static_cast<pa_threaded_mainloop*>(m)); };
        pa_stream_set_state_callback(st, signal, ml);
        pa_stream_set_read_callback(
            st, [](pa_stream*, size_t, void* m) { wake(static_cast<pa_threaded_mainloop*>(m)); },
            ml);
        ok = pa_stream_connect_record(
                 st, source.c_str(), &attr,
                 pa_stream_flags_t(PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE |
                                   PA_STREAM_ADJUST_LATENCY)) == 0;
        while (ok && pa_stream_get_state(st) != PA_STREAM_READY) {
            ok = PA_STREAM_IS_GOOD(pa_stream_get_state(st));
            if (ok)
                pa_threaded_mainloop_wait(ml);
        }
    }
    if (!ok)
        *error = std::string("pulse: ") + pa_strerror(pa_context_errno(ctx));
    track->rate = rate;
    std::vector<double> t0s;
    while (ok && monotonic_ms() < until) {
        const void* data;
        size_t bytes;
        if (pa_stream_readable_size(st) == 0 || pa_stream_peek(st, &data, &bytes) != 0) {
            pa_threaded_mainloop_wait(ml);
            continue;
        }
        const size_t frames = bytes / 4;
        flowing = flowing || frames > 0;
        const int16_t* pcm = static_cast<const int16_t*>(data);
        for (size_t i = 0; i < frames; i++)  // a hole (no data) reads as silence
            track->mono.push_back(pcm ? (pcm[2 * i] + pcm[2 * i + 1]) / 65536.0f : 0.0f);
        pa_stream_drop(st);
        double latency;
        if (frames && signed_latency(st, &latency))
            // The last sample read was at the monitor `latency` ago.
            t0s.push_back(monotonic_ms() - latency - double(track->mono.size() - 1) * 1000 / rate);
    }
    if (st) {
        pa_stream_disconnect(st);
        pa_stream_unref(st);
    }
    pa_context_disconnect(ctx);
    pa_context_unref(ctx);
    pa_threaded_mainloop_unlock(ml);
    pa_threaded_mainloop_stop(ml);
    pa_threaded_mainloop_free(ml);
    if (ok && t0s.empty()) {
        *error = "no sound from " + source;
        ok = false;
    }
    if (!ok)
        return false;
    std::sort(t0s.begin(), t0s.end());
    track->t0 = median_of(t0s);
    track->t0_spread = (t0s[t0s.size() * 3 / 4] - t0s[t0s.size() / 4]) / 2;
    return true;
}

bool capture_references(const std::string& capture_tool, uint32_t from, uint32_t to,
                        References* refs)
{
    constexpr int fps = 50;  // 20-ms steps: the flashes are 250 ms apart
    const std::string command = "SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy '" + capture_tool +
                                "' --raw --back-buffer --fps " + std::to_string(fps) + " --from " +
                                std::to_string(from) + " --to " + std::to_string(to) +
                                " 2> /dev/null";
    FILE* raw = popen(command.c_str(), "r");
    if (!raw)
        return false;
    const bool read = read_references(raw, from, fps, refs);
    return pclose(raw) == 0 && read;
}

namespace {

int ignore_error(Display*, XErrorEvent*)
{
    return 0;
}

}  // namespace

bool find_picture(const std::string& display_name, const char* title, PictureArea* area)
{
    Display* d = XOpenDisplay(display_name.c_str());
    if (!d)
        return false;
    XSetErrorHandler(ignore_error);
    bool found = false;
    if (const Window w = find_window(d, DefaultRootWindow(d), title)) {
        XWindowAttributes a;
        Window child;
        if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable &&
            XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &area->x, &area->y, &child)) {
            // The picture enlarged by whole steps, in the middle of the window.
            const int scale =
                std::max(1, std::min(a.width / picture_width, a.height / picture_height));
            area->scale = scale;
            area->x += (a.width - scale * picture_width) / 2;
            area->y += (a.height - scale * picture_height) / 2;
            found = true;
        }
    }
    XCloseDisplay(d);
    return found;
}

double corner_level(const uint32_t* frame)
{
    long sum = 0;
    for (int y = corner_y; y < corner_y + corner_h; y++)
        for (int x = corner_x; x < corner_x + corner_w; x++)
            sum += grey(frame[y * picture_width + x]);
    return double(sum) / (corner_w * corner_h);
}

std::vector<uint8_t> still_of_frame(const uint32_t* frame)
{
    std::vector<uint8_t> s(still_width * still_height);
    for (int j = 0; j < still_height; j++)
        for (int i = 0; i < still_width; i++)
            s[size_t(j * still_width + i)] =
                uint8_t(grey(frame[still_y(j) * picture_width + still_x(i)]));
    return s;
}

bool read_references(FILE* raw, double from, double fps, References* refs)
{
    refs->from = from;
    refs->step = 1000 / fps;
    std::vector<uint32_t> frame(picture_width * picture_height);
    while (fread(frame.data(), 4, frame.size(), raw) == frame.size())
        refs->edges.push_back(edges_of(still_of_frame(frame.data())));
    return !refs->edges.empty();
}

std::vector<uint8_t> edges_of(const std::vector<uint8_t>& still)
{
    std::vector<uint8_t> e(still.size());
    for (int j = 0; j < still_height; j++)
        for (int i = 0; i + 1 < still_width; i++) {
            const int at = j * still_width + i;
            e[size_t(at)] = std::abs(still[size_t(at + 1)] - still[size_t(at)]) > edge_step;
        }
    return e;
}

double match_still(const std::vector<uint8_t>& still, const References& refs, double* error)
{
    // By the edges of the scroll text's letters: the band is darkened plasma,
    // whose palette turns with every frame drawn (so its colours differ
    // between a live show and the capture at another frame rate), but smooth.
    const std::vector<uint8_t> e = edges_of(still);
    double best = -1;
    size_t at = 0;
    for (size_t k = 0; k < refs.edges.size(); k++) {
        const std::vector<uint8_t>& r = refs.edges[k];
        long both = 0, either = 0;
        for (size_t i = 0; i < e.size(); i++) {
            both += e[i] & r[i];
            either += e[i] | r[i];
        }
        const double share = either ? double(both) / double(either) : 0;
        if (share > best) {
            best = share;
            at = k;
        }
    }
    *error = 1 - best;
    return refs.from + double(at) * refs.step;
}

double flash_rise_ms(double alpha)
{
    // flash_alpha at whole milliseconds after the flash, interpolated.
    int previous = 0;
    for (uint32_t ms = 1; ms <= flash_reach_ms; ms++) {
        const int a = flash_alpha(1000 + ms, 1000, false);
        if (a >= alpha)
            return ms - 1 + (alpha - previous) / double(std::max(1, a - previous));
        previous = a;
    }
    return flash_reach_ms;
}

namespace {

// A white rise in the corner: when its steepest frame appeared and how far
// into its flash that frame was drawn.
struct Rise {
    double t, into, certainty;
};

std::vector<Rise> find_rises(const std::vector<CornerGrab>& g)
{
    // The frames: each the first grab to show a new level.
    std::vector<size_t> frames;
    for (size_t k = 0; k < g.size(); k++)
        if (k == 0 || std::fabs(g[k].level - g[k - 1].level) >= 0.5)
            frames.push_back(k);
    std::vector<Rise> rises;
    for (size_t i = 1; i < frames.size(); i++) {
        // A peak: the brightest frame within 60 ms either side.
        const CornerGrab& p = g[frames[i]];
        bool peak = p.level >= 200;
        for (size_t j = i; peak && j-- > 0 && g[frames[j]].t > p.t - 60;)
            peak = g[frames[j]].level < p.level;
        for (size_t j = i + 1; peak && j < frames.size() && g[frames[j]].t < p.t + 60; j++)
            peak = g[frames[j]].level <= p.level;
        if (!peak)
            continue;
        // Back from the peak while each frame rose steeply from the one before
        // (the flash rises to white in three frames at 60 Hz; the picture
        // under it moves by a few levels a frame): the last frame before it.
        size_t base = i;
        while (base > 0 && g[frames[base]].level - g[frames[base - 1]].level > 8)
            base--;
        const double floor = g[frames[base]].level;
        if (p.level - floor < 0.6 * (255 - floor))
            continue;
        // Where the curve is steepest its alpha reads the time best.
        double steepest = 1e9;
        Rise best{0, 0, 0};
        for (size_t j = base + 1; j <= i; j++) {
            const size_t k = frames[j];
            const double alpha = 255 * (g[k].level - floor) / (255 - floor);
            if (alpha < 12 || alpha > 243 || std::fabs(alpha - 128) > steepest)
                continue;  // too near the ends, where the curve is flat
            steepest = std::fabs(alpha - 128);
            best = {(g[k - 1].t + g[k].t) / 2, flash_rise_ms(alpha),
                    (g[k].t - g[k - 1].t) / 2 + g[k].span / 2};
        }
        if (best.t > 0)
            rises.push_back(best);
    }
    return rises;
}

}  // namespace

std::vector<FlashSeen> find_flashes(const PictureTrack& picture, const References& refs,
                                    const std::vector<uint32_t>& flashes)
{
    // The rough clock: each still's matched demo time, as the picture's lag
    // (demo less monotonic time). The dance repeats its notes every few
    // seconds and a still may match the wrong moment; the lag near a rise is
    // the one most stills near it agree on (to 40 ms), the nearer ones
    // counting more. It need only be right to within half a beat.
    struct Rough {
        double t, lag;
    };
    std::vector<Rough> rough;
    for (const Still& s : picture.stills) {
        double error;
        const double demo = match_still(s.grey, refs, &error);
        if (getenv("VARNO_SYNC_DEBUG"))
            fprintf(stderr, "still at %.1f: demo %.0f (error %.2f), lag %.0f\n", s.t, demo, error,
                    demo - s.t);
        if (error < 0.8)
            rough.push_back({s.t, demo - s.t});
    }
    std::vector<FlashSeen> seen;
    for (const Rise& r : find_rises(picture.corner)) {
        double best_votes = 0, lag = 0;
        for (const Rough& a : rough) {
            if (std::fabs(a.t - r.t) > 1500)
                continue;
            double votes = 0;
            for (const Rough& b : rough)
                if (std::fabs(b.t - r.t) <= 1500 && std::fabs(b.lag - a.lag) <= 40)
                    votes += 1 / (1 + std::fabs(b.t - r.t) / 500);
            if (votes > best_votes) {
                best_votes = votes;
                lag = a.lag;
            }
        }
        if (best_votes < 1.5)
            continue;  // too few stills agree
        // The flash whose rise this is: the one that puts its lag nearest.
        const double demo_less_flash = r.t + lag - r.into;
        const uint32_t* nearest = nullptr;
        for (const uint32_t& f : flashes)
            if (!nearest || std::fabs(f - demo_less_flash) < std::fabs(*nearest - demo_less_flash))
                nearest = &f;
        if (getenv("VARNO_SYNC_DEBUG"))
            fprintf(stderr, "rise at %.1f, %.1f ms in, lag %.0f (%.1f votes): flash %u\n", r.t,
                    r.into, lag, best_votes, nearest ? *nearest : 0);
        if (!nearest || std::fabs(*nearest - demo_less_flash) > 100)
            continue;
        if (!seen.empty() && seen.back().flash == *nearest)
            continue;
        seen.push_back({*nearest, r.t, *nearest + r.into, r.certainty});
    }
    return seen;
}

namespace {

// Box-filtered and decimated by `by`.
std::vector<float> decimate(const float* s, size_t n, int by)
{
    std::vector<float> out(n / size_t(by));
    for (size_t i = 0; i < out.size(); i++) {
        float sum = 0;
        for (int k = 0; k < by; k++)
            sum += s[i * size_t(by) + size_t(k)];
        out[i] = sum / float(by);
    }
    return out;
}

// Normalised correlation of a[0..n) and b[0..n).
double correlation(const float* a, const float* b, size_t n)
{
    double ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < n; i++) {
        ab += double(a[i]) * b[i];
        aa += double(a[i]) * a[i];
        bb += double(b[i]) * b[i];
    }
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

}  // namespace

double heard_position(const SoundTrack& sound, const std::vector<float>& music, int music_rate,
                      double t, double guess, const Match& match, double* quality,
                      double* runner_up)
{
    *quality = *runner_up = 0;
    const double per_ms = music_rate / 1000.0;
    const long window = long(match.window * per_ms);
    const long centre = lround((t - sound.t0) * sound.rate / 1000.0);
    const long start = centre - window / 2;
    if (music_rate != sound.rate || start < 0 || start + window > long(sound.mono.size()))
        return 0;
    const long lo = std::max(0L, long((guess - match.search) * per_ms) - window / 2);
    const long hi =
        std::min(long(music.size()) - window, long((guess + match.search) * per_ms) - window / 2);
    if (hi <= lo)
        return 0;
    // Coarse, at a tenth or twentieth of the rate, then every sample around the best.
    const int by = match.window > 500 ? 20 : 10;
    const std::vector<float> rec = decimate(&sound.mono[size_t(start)], size_t(window), by);
    const std::vector<float> mus = decimate(&music[size_t(lo)], size_t(hi - lo + window), by);
    std::vector<double> coarse(size_t((hi - lo) / by));
    size_t best = 0;
    for (size_t k = 0; k < coarse.size(); k++) {
        coarse[k] = correlation(rec.data(), &mus[k], rec.size());
        if (coarse[k] > coarse[best])
            best = k;
    }
    for (size_t k = 0; k < coarse.size(); k++)
        if (std::fabs(double(k) - double(best)) * by > 20 * per_ms)
            *runner_up = std::max(*runner_up, coarse[k]);
    long at = lo + long(best) * by;
    double fine_best = -2;
    for (long m = at - 2 * by; m <= at + 2 * by; m++) {
        if (m < 0 || m + window > long(music.size()))
            continue;
        const double c = correlation(&sound.mono[size_t(start)], &music[size_t(m)], size_t(window));
        if (c > fine_best) {
            fine_best = c;
            at = m;
        }
    }
    *quality = fine_best;
    // The recording's sample `centre` (at t) is the music's sample at + window / 2.
    return (double(at) + double(centre - start)) / per_ms;
}

SyncReport measure_offsets(const PictureTrack& picture, const SoundTrack& sound,
                           const References& refs, const std::vector<float>& music_mono,
                           int music_rate, const std::vector<uint32_t>& flashes, double after,
                           double before)
{
    SyncReport r;
    const std::vector<FlashSeen> seen = find_flashes(picture, refs, flashes);
    if (seen.empty() || sound.mono.empty())
        return r;
    // The track, guessed from the picture's clock: the flashes' own lag.
    std::vector<double> picture_lags;
    for (const FlashSeen& s : seen)
        picture_lags.push_back(s.demo - s.t);
    const double picture_lag = median_of(picture_lags);
    std::vector<std::pair<double, double>> track;  // (t, lag), clear matches only
    const double end = sound.t0 + 1000.0 * double(sound.mono.size()) / sound.rate;
    for (double t = sound.t0 + track_match.window / 2; t < end - track_match.window / 2;
         t += track_every_ms) {
        double q, next;
        const double at = heard_position(sound, music_mono, music_rate, t, t + picture_lag,
                                         track_match, &q, &next);
        if (getenv("VARNO_SYNC_DEBUG"))
            fprintf(stderr, "track at %.1f: lag %.1f (corr %.2f, next %.2f)\n", t, at - t, q, next);
        if (q > 0.8 && next < 0.95 * q)
            track.push_back({t, at - t});
    }
    std::vector<double> offsets;
    for (const FlashSeen& s : seen) {
        if (s.t < after || s.t >= before)
            continue;
        std::vector<double> near;
        for (const auto& p : track)
            if (std::fabs(p.first - s.t) <= track_near_ms && (p.first >= after || after == 0) &&
                p.first + track_match.window / 2 <= before)
                near.push_back(p.second);
        if (near.empty())
            continue;  // no music there (silence, a gap) to read
        FlashOffset f{s, 0, 0, 0, 0, false};
        f.heard = heard_position(sound, music_mono, music_rate, s.t, s.t + median_of(near),
                                 flash_match, &f.quality, &f.runner_up);
        if (f.quality < 0.5)
            continue;
        f.offset = s.demo - f.heard;
        f.poor = poor_read(f);
        r.flashes.push_back(f);
        if (f.poor)
            r.poor++;
        else
            offsets.push_back(f.offset);
    }
    r.read_well = int(offsets.size());
    if (!offsets.empty()) {
        r.median = median_of(offsets);
        r.min = *std::min_element(offsets.begin(), offsets.end());
        r.max = *std::max_element(offsets.begin(), offsets.end());
    }
    return r;
}

bool poor_read(const FlashOffset& f)
{
    return f.seen.certainty > poor_certainty_ms || f.quality < poor_quality;
}

void print_report(const SyncReport& r, const char* label, FILE* out)
{
    for (const FlashOffset& f : r.flashes)
        fprintf(out,
                "  flash %5u ms: seen at %9.1f ms (+-%.1f) showing %8.1f, music heard %8.1f "
                "(corr %.2f, next %.2f): offset %+6.1f ms%s\n",
                f.seen.flash, f.seen.t, f.seen.certainty, f.seen.demo, f.heard, f.quality,
                f.runner_up, f.offset, f.poor ? " (read poorly: not counted)" : "");
    fprintf(out, "%s: %d flashes, offset median %+.1f ms, min %+.1f, max %+.1f", label, r.read_well,
            r.median, r.min, r.max);
    if (r.poor)
        fprintf(out, " (%d more read poorly)", r.poor);
    fprintf(out, "\n");
}

std::vector<uint32_t> dance_flashes()
{
    std::vector<uint32_t> f;
    for (int n = 0; n < note_count; n++)
        f.push_back(first_beat + beat_every * uint32_t(n));
    return f;
}

bool load_sync_inputs(const std::string& capture_tool, const char* music_path, SyncInputs* in)
{
    std::vector<float> stereo;
    long rate;
    int channels;
    if (!decode_ogg(music_path, &stereo, &rate, &channels) || channels != 2)
        return false;
    in->rate = int(rate);
    in->music.resize(stereo.size() / 2);
    for (size_t i = 0; i < in->music.size(); i++)
        in->music[i] = (stereo[2 * i] + stereo[2 * i + 1]) / 2;
    return capture_references(capture_tool, dance_start, deform_start, &in->refs);
}

bool record_both(const std::string& display_name, const PictureArea& area,
                 const std::string& source, int rate, double ms, Recording* rec, std::string* error,
                 const std::function<void()>& started)
{
    const double asked = monotonic_ms();
    std::atomic<double> until{1e300};
    std::atomic<bool> flowing{false}, ended{false};
    std::string sound_error;
    bool sound_ok = false;
    std::thread sound([&] {
        sound_ok = record_sound(source, rate, until, flowing, &rec->sound, &sound_error);
        ended = true;
    });
    while (!flowing && !ended && monotonic_ms() < asked + 10000)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    rec->start = monotonic_ms();
    rec->sound_waited = rec->start - asked;
    until = rec->start + ms;
    if (started)
        started();
    const bool picture_ok = record_picture(display_name, area, until, &rec->picture, error);
    sound.join();
    if (!sound_ok)
        *error = sound_error;
    return picture_ok && sound_ok;
}

namespace {

template <typename T>
void put(FILE* f, const T& v)
{
    fwrite(&v, sizeof v, 1, f);
}

template <typename T>
bool get(FILE* f, T* v)
{
    return fread(v, sizeof *v, 1, f) == 1;
}

}  // namespace

bool save_recording(const Recording& rec, const std::string& path)
{
    FILE* f = fopen(path.c_str(), "wb");
    if (!f)
        return false;
    put(f, rec.start);
    put(f, rec.picture.corner.size());
    fwrite(rec.picture.corner.data(), sizeof(CornerGrab), rec.picture.corner.size(), f);
    put(f, rec.picture.stills.size());
    for (const Still& s : rec.picture.stills) {
        put(f, s.t);
        fwrite(s.grey.data(), 1, s.grey.size(), f);
    }
    put(f, rec.sound.rate);
    put(f, rec.sound.t0);
    put(f, rec.sound.t0_spread);
    put(f, rec.sound.mono.size());
    fwrite(rec.sound.mono.data(), sizeof(float), rec.sound.mono.size(), f);
    return fclose(f) == 0;
}

bool load_recording(const std::string& path, Recording* rec)
{
    FILE* f = fopen(path.c_str(), "rb");
    if (!f)
        return false;
    size_t n = 0;
    bool ok = get(f, &rec->start) && get(f, &n);
    rec->picture.corner.resize(ok ? n : 0);
    ok = ok && fread(rec->picture.corner.data(), sizeof(CornerGrab), n, f) == n && get(f, &n);
    rec->picture.stills.resize(ok ? n : 0);
    for (Still& s : rec->picture.stills) {
        s.grey.resize(still_width * still_height);
        ok = ok && get(f, &s.t) && fread(s.grey.data(), 1, s.grey.size(), f) == s.grey.size();
    }
    ok = ok && get(f, &rec->sound.rate) && get(f, &rec->sound.t0) &&
         get(f, &rec->sound.t0_spread) && get(f, &n);
    rec->sound.mono.resize(ok ? n : 0);
    ok = ok && fread(rec->sound.mono.data(), sizeof(float), n, f) == n;
    fclose(f);
    return ok;
}
