// The plasma frame against the straightforward two-sines-per-pixel loop, over
// the same run of demo times so both meet the same spread of centres.
#include <benchmark/benchmark.h>

#include "effects/plasma.h"
#include "tools/plasma_reference.h"

static const uint32_t plasma_times[] = {14596, 16250, 19000, 22000, 25175,
                                        28000, 81001, 85000, 93000, 100999};
constexpr int plasma_time_count = sizeof plasma_times / sizeof plasma_times[0];

static SDL_Surface* plasma_target()
{
    static SDL_Surface* target = nullptr;
    if (!target) {
        build_palette();
        target = SDL_CreateRGBSurface(SDL_SWSURFACE, 320, 240, 32, 0xFF0000, 0xFF00, 0xFF, 0);
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
