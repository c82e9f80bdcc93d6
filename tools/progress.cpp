#include "tools/progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>

static double now_seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void progress_start(VideoProgress* p, uint32_t total)
{
    p->total = total;
    p->terminal = isatty(STDERR_FILENO);
    p->start = now_seconds();
    p->last_shown = -1;
    p->last_step = 0;
}

double progress_elapsed(const VideoProgress* p)
{
    return now_seconds() - p->start;
}

static std::string clock_time(double seconds)
{
    const long s = long(seconds + 0.5);
    char text[32];
    snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
    return text;
}

void progress_update(VideoProgress* p, uint32_t done)
{
    constexpr int step_percent = 5;
    const double now = now_seconds(), elapsed = now - p->start;
    const double share = p->total ? double(done) / p->total : 1.0;
    const bool last = done >= p->total;
    if (p->terminal) {
        if (!last && now - p->last_shown < 0.25)
            return;
        p->last_shown = now;
    } else {
        const int step = int(share * 100) / step_percent;
        if (!last && step == p->last_step)
            return;
        p->last_step = step;
    }
    const double rate = elapsed > 0 ? done / elapsed : 0;
    const std::string left = rate > 0 ? clock_time((p->total - done) / rate) : "?";
    fprintf(stderr, "%svarno-capture: %u/%u frames, %.1f%%, %.1f frames/s, %s elapsed, %s left%s",
            p->terminal ? "\r" : "", done, p->total, share * 100, rate, clock_time(elapsed).c_str(),
            left.c_str(), p->terminal ? (last ? "\033[K\n" : "\033[K") : "\n");
}
