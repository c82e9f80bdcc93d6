#include "tools/flash_count.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

// Linear light of each sRGB value, times the Rec. 709 weight of each channel.
struct Weighted {
    std::array<double, 256> r, g, b;
};

Weighted make_weighted()
{
    Weighted w;
    for (int c = 0; c < 256; c++) {
        const double s = c / 255.0;
        const double linear = s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
        w.r[c] = 0.2126 * linear;
        w.g[c] = 0.7152 * linear;
        w.b[c] = 0.0722 * linear;
    }
    return w;
}

const Weighted weighted = make_weighted();

// The move from turning point `from` to turning point `to`, when it counts.
void add_move(const std::vector<double>& l, size_t from, size_t to, std::vector<Transition>* out)
{
    const double a = l[from], b = l[to];
    if (std::min(a, b) >= flash_darker)
        return;
    const bool rise = b > a;
    const double half = (a + b) / 2;
    size_t k = from + 1;
    while (rise ? l[k] < half : l[k] > half)
        k++;
    out->push_back(Transition{int(k), rise, a, b});
}

// First transition with frame >= k.
std::vector<Transition>::const_iterator first_from(const std::vector<Transition>& ts, int k)
{
    return std::lower_bound(ts.begin(), ts.end(), k,
                            [](const Transition& t, int frame) { return t.frame < frame; });
}

}  // namespace

double mean_luminance(const uint32_t* pixels, int count)
{
    double sum = 0;
    for (int i = 0; i < count; i++) {
        const uint32_t p = pixels[i];
        sum += weighted.r[p >> 16 & 0xFF] + weighted.g[p >> 8 & 0xFF] + weighted.b[p & 0xFF];
    }
    return count > 0 ? sum / count : 0;
}

std::vector<Transition> find_transitions(const std::vector<double>& l)
{
    std::vector<Transition> found;
    // Before the first move: the lowest and highest values so far.
    size_t lo = 0, hi = 0;
    // After it: the last turning point, the farthest point since, the way it goes.
    size_t turn = 0, far = 0;
    int way = 0;
    for (size_t k = 1; k < l.size(); k++) {
        if (way == 0) {
            lo = l[k] < l[lo] ? k : lo;
            hi = l[k] > l[hi] ? k : hi;
            if (l[k] - l[lo] >= flash_change) {
                way = 1;
                turn = lo;
                far = k;
            } else if (l[hi] - l[k] >= flash_change) {
                way = -1;
                turn = hi;
                far = k;
            }
        } else if ((l[k] - l[far]) * way > 0) {
            far = k;
        } else if ((l[far] - l[k]) * way >= flash_change) {
            add_move(l, turn, far, &found);
            turn = far;
            far = k;
            way = -way;
        }
    }
    if (way != 0)
        add_move(l, turn, far, &found);
    return found;
}

int transitions_between(const std::vector<Transition>& ts, int first, int end)
{
    return end > first ? int(first_from(ts, end) - first_from(ts, first)) : 0;
}

int flashes_between(const std::vector<Transition>& ts, int first, int end)
{
    return transitions_between(ts, first, end) / 2;
}

uint32_t frame_time(int k, int fps)
{
    return uint32_t(uint64_t(k) * 1000 / uint64_t(fps));
}

int most_flashes(const std::vector<Transition>& ts, int first, int end, int fps, int* at)
{
    int most = 0;
    *at = first;
    int stop = first;  // the first frame past the second that starts at k
    for (int k = first; k < end; k++) {
        while (stop < end && frame_time(stop, fps) < frame_time(k, fps) + 1000)
            stop++;
        const int n = flashes_between(ts, k, stop);
        if (n > most) {
            most = n;
            *at = k;
        }
    }
    return most;
}
