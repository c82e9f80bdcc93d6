// General flashes in a sequence of frames, counted as WCAG 2.3.1's general flash
// threshold counts them, on each frame's mean relative luminance L (sRGB decoded
// to linear light, Rec. 709 weights; 0 black, 1 white).
//
// The curve's turning points are its local extremes once every reversal smaller
// than flash_change is ignored: from the last turning point the curve's farthest
// value is followed until it comes back by flash_change or more, which makes that
// farthest value the next turning point. Between two turning points the curve
// rises or falls by at least flash_change; that rise or fall is a transition when
// its darker end lies below flash_darker. The first move is measured from the
// lowest or highest value before it, the last one ends at the curve's end.
//
// A transition's place in time is the first frame at which the curve has gone
// half its way: a slow drift before or after a sharp change does not move it.
// Counted transitions alternate between rises and falls (a rise that is not
// counted starts at flash_darker or above, and so does every move after it until
// one that goes below, a fall), so a flash, a pair of opposing transitions, is
// every second one: n transitions within a stretch of time make n / 2 flashes.
#pragma once

#include <cstdint>
#include <vector>

constexpr double flash_change = 0.1;  // the smallest rise or fall that counts
constexpr double flash_darker = 0.8;  // counted only where the darker end lies below

// A rise or fall of the mean luminance between two turning points.
struct Transition {
    int frame;  // the first frame at least halfway from `from` to `to`
    bool rise;
    double from, to;
};

// Mean relative luminance of `count` pixels, each the word 0x00RRGGBB of sRGB values.
double mean_luminance(const uint32_t* pixels, int count);
// Every counted transition of a luminance curve (one value per frame), in time order.
std::vector<Transition> find_transitions(const std::vector<double>& luminance);
// The transitions with first <= frame < end, and the flashes among them.
int transitions_between(const std::vector<Transition>& transitions, int first, int end);
int flashes_between(const std::vector<Transition>& transitions, int first, int end);
// The most flashes in any one second (frames whose times, k * 1000 / fps ms, lie
// within 1000 ms of the first) that starts at a frame of first .. end - 1, counting
// only transitions in that range. *at gets the first frame of such a second.
int most_flashes(const std::vector<Transition>& transitions, int first, int end, int fps, int* at);
// Demo time of frame k at fps, in ms, as the capture tool plays it.
uint32_t frame_time(int k, int fps);
