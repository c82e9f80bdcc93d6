// The plasma frame against the straightforward two-sines-per-pixel loop, over
// the same run of demo times so both meet the same spread of centres.
#include <benchmark/benchmark.h>

#include "draw/surface.h"
#include "effects/plasma.h"
#include "reference/plasma_reference.h"
#include "tools/bench.h"

static const uint32_t plasma_times[] = {14596, 16250, 19000, 22000, 25175,
                                        28000, 81001, 85000, 93000, 100999};
constexpr int plasma_time_count = sizeof plasma_times / sizeof plasma_times[0];

static const Palette* plasma_palette()
{
    static Palette palette;
    static bool built = false;
    if (!built)
        palette_make(&palette);
    built = true;
    return &palette;
}

static void BM_Plasma(benchmark::State& state)
{
    Surface* target = bench_target();
    PlasmaRows* rows = plasma_make_rows();
    int i = 0;
    for (auto _ : state) {
        plasma_draw(plasma_times[i], plasma_palette(), rows, target);
        i = i + 1 < plasma_time_count ? i + 1 : 0;
    }
    plasma_free_rows(rows);
}
BENCHMARK(BM_Plasma)->Unit(benchmark::kMicrosecond);

static void BM_Plasma_reference(benchmark::State& state)
{
    Surface* target = bench_target();
    int i = 0;
    for (auto _ : state) {
        plasma_draw_reference(plasma_times[i], plasma_palette(), target);
        i = i + 1 < plasma_time_count ? i + 1 : 0;
    }
}
BENCHMARK(BM_Plasma_reference)->Unit(benchmark::kMicrosecond);
