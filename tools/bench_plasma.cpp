// The plasma frame against the straightforward two-sines-per-pixel loop, over
// the same run of demo times so both meet the same spread of centres.
#include <benchmark/benchmark.h>

#include "effects/plasma.h"
#include "platform/surface.h"
#include "platform/video.h"
#include "reference/plasma_reference.h"
#include "tools/bench.h"

static const uint32_t plasma_times[] = {14596, 16250, 19000, 22000, 25175,
                                        28000, 81001, 85000, 93000, 100999};
constexpr int plasma_time_count = sizeof plasma_times / sizeof plasma_times[0];

static SDL_Surface* plasma_target()
{
    static SDL_Surface* target = nullptr;
    if (!target) {
        bench_video();
        build_palette();
        target = create_surface_like(back_buffer, back_width, back_height);
    }
    return target;
}

static void BM_Plasma(benchmark::State& state)
{
    SDL_Surface* target = plasma_target();
    int i = 0;
    for (auto _ : state) {
        draw_plasma(plasma_times[i], target);
        i = i + 1 < plasma_time_count ? i + 1 : 0;
    }
}
BENCHMARK(BM_Plasma)->Unit(benchmark::kMicrosecond);

static void BM_Plasma_reference(benchmark::State& state)
{
    SDL_Surface* target = plasma_target();
    int i = 0;
    for (auto _ : state) {
        draw_plasma_reference(plasma_times[i], target);
        i = i + 1 < plasma_time_count ? i + 1 : 0;
    }
}
BENCHMARK(BM_Plasma_reference)->Unit(benchmark::kMicrosecond);
