// varno-flashes: counts the general flashes in the capture tool's raw back-buffer
// frames on standard input, by the rule of tools/flash_count.h, and prints per
// scene the transitions, the most flashes within any one second and the whole
// seconds (demo time s .. s + 1) holding more than three:
//
//     varno-capture --raw --back-buffer --fps 60 | varno-flashes --fps 60 --max 3
//
// Each frame is 320x240 words 0x00RRGGBB in native order, rows top to bottom.
// A frame's demo time is k * 1000 / fps ms (fps as given to the capture tool);
// a transition belongs to the scene whose window holds that time. With --max N
// the exit status is 1 when any second holds more than N flashes.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/video.h"
#include "scenes/timeline.h"
#include "tools/flash_count.h"

namespace {

// The most flashes a second may hold before it counts as one above the limit.
constexpr int flashes_allowed = 3;

const char usage[] = "usage: varno-flashes [--fps N] [--max N] < frames\n";

bool parse_count(const char* s, int max, int* value)
{
    char* end;
    const long v = strtol(s, &end, 10);
    if (end == s || *end || v < 0 || v > max)
        return false;
    *value = int(v);
    return true;
}

// The first frame at or after demo time t.
int first_frame_at(uint32_t t, int fps, int frames)
{
    int k = 0;
    while (k < frames && frame_time(k, fps) < t)
        k++;
    return k;
}

// Whole seconds of frames first .. end - 1 with more flashes than allowed,
// counting only transitions in that range; their numbers go to *list.
int seconds_above(const std::vector<Transition>& ts, int first, int end, int fps,
                  std::vector<int>* list)
{
    int count = 0;
    for (int k = first; k < end;) {
        const uint32_t second = frame_time(k, fps) / 1000;
        int stop = k;
        while (stop < end && frame_time(stop, fps) / 1000 == second)
            stop++;
        if (flashes_between(ts, k, stop) > flashes_allowed) {
            count++;
            if (list)
                list->push_back(int(second));
        }
        k = stop;
    }
    return count;
}

// Prints the row of frames first .. end - 1; returns their most flashes in one
// second, and in *at the first frame of that second.
int print_row(const char* name, const std::vector<Transition>& ts, int first, int end, int fps,
              std::vector<int>* list, int* at)
{
    const int most = most_flashes(ts, first, end, fps, at);
    printf("%-10s %11d %18d %9.3f %15d\n", name, transitions_between(ts, first, end), most,
           frame_time(*at, fps) / 1000.0, seconds_above(ts, first, end, fps, list));
    return most;
}

}  // namespace

int main(int argc, char** argv)
{
    int fps = 60;
    int max = -1;  // no limit
    for (int i = 1; i < argc; i++) {
        const bool has_value = i + 1 < argc;
        if (!strcmp(argv[i], "--fps") && has_value && parse_count(argv[i + 1], 1000, &fps) &&
            fps > 0) {
            i++;
        } else if (!strcmp(argv[i], "--max") && has_value && parse_count(argv[i + 1], 1000, &max)) {
            i++;
        } else {
            fputs(usage, stderr);
            return 2;
        }
    }

    const int pixel_count = back_width * back_height;
    std::vector<uint32_t> frame(pixel_count);
    std::vector<double> luminance;
    size_t got;
    while ((got = fread(frame.data(), 4, pixel_count, stdin)) == size_t(pixel_count))
        luminance.push_back(mean_luminance(frame.data(), pixel_count));
    if (got != 0 || luminance.empty()) {
        fprintf(stderr, "varno-flashes: %s\n",
                got ? "the input ends inside a frame" : "no frames on standard input");
        return 1;
    }

    const int frames = int(luminance.size());
    const std::vector<Transition> ts = find_transitions(luminance);
    printf("%d frames at %d fps\n", frames, fps);
    printf("scene      transitions  most flashes in 1 s  from (s)  seconds above %d\n",
           flashes_allowed);
    int at;
    for (int i = 0; i < scene_count; i++) {
        const uint32_t end = i + 1 < scene_count ? scene_windows[i + 1].start : finale_end;
        print_row(scene_windows[i].name, ts, first_frame_at(scene_windows[i].start, fps, frames),
                  first_frame_at(end, fps, frames), fps, nullptr, &at);
    }
    std::vector<int> over;
    const int most = print_row("whole show", ts, 0, frames, fps, &over, &at);
    if (!over.empty()) {
        printf("seconds above %d:", flashes_allowed);
        for (int s : over)
            printf(" %d", s);
        printf("\n");
    }

    if (max >= 0 && most > max) {
        fprintf(stderr, "varno-flashes: %d flashes within the second from %.3f s, more than %d\n",
                most, frame_time(at, fps) / 1000.0, max);
        return 1;
    }
    return 0;
}
