// varno-bench: the tunnel frame against the pixel-by-pixel loop, and the tables.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "effects/tunnel.h"
#include "reference/tunnel_reference.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"
#include "scenes/tunnel_scene.h"
#include "tools/bench.h"

// The tables, a back-buffer-sized target and the real texture when it loads
// (a generated one otherwise, so the bench runs before the pictures exist).
static TunnelTables tables;
static Surface* bench_texture;

static void tunnel_ready()
{
    if (bench_texture)
        return;
    tunnel_make_tables(&tables);
    bench_texture = tunnel_load_texture(tunnel_texture_file);
    if (!bench_texture) {
        bench_texture = surface_make(tunnel_texture_side, tunnel_texture_side, xrgb_layout);
        uint32_t* p = bench_texture->pixels;
        for (int i = 0; i < tunnel_texture_side * tunnel_texture_side; i++)
            p[i] = uint32_t(i) * 2654435761u >> 8;
    }
}

using TunnelRender = void (*)(const TunnelTables*, const Surface*, float, float, float, float,
                              Surface*);

// One frame of the tunnel scene at t, through either renderer.
template <TunnelRender Render>
static void tunnel_frame_at(uint32_t t, Surface* target)
{
    Render(&tables, bench_texture, tunnel_depth_shift(t), tunnel_angle_shift(t),
           float(tunnel_view_column(t)), float(tunnel_view_row(t)), target);
}

// Frames a sixtieth of a second apart through the scene, as the show draws them.
template <TunnelRender Render>
static void BM_tunnel(benchmark::State& state)
{
    tunnel_ready();
    // Both renderers must agree on every pixel of every frame timed here.
    Surface* check = surface_make(back_width, back_height, xrgb_layout);
    for (uint32_t t = tunnel_start; t <= finale_start; t += 997) {
        tunnel_frame_at<tunnel_draw>(t, bench_target());
        tunnel_frame_at<tunnel_draw_reference>(t, check);
        if (memcmp(check->pixels, bench_target()->pixels,
                   size_t(check->pitch) * check->h * sizeof(uint32_t)) != 0) {
            state.SkipWithError("renderers differ");
            break;
        }
    }
    surface_free(check);
    uint32_t t = tunnel_start;
    for (auto _ : state) {
        tunnel_frame_at<Render>(t, bench_target());
        t = t + 17 > finale_start ? tunnel_start : t + 17;
    }
    state.SetItemsProcessed(state.iterations() * tunnel_view_width * tunnel_view_height);
}
BENCHMARK_TEMPLATE(BM_tunnel, tunnel_draw)->Name("BM_tunnel_frame");
BENCHMARK_TEMPLATE(BM_tunnel, tunnel_draw_reference)->Name("BM_tunnel_frame_reference");

// Both renderers in turn over the same runs of frames: on a shared machine the
// two separate benchmarks above can land in different weather, this ratio
// cannot. Runs of 32 frames, so each renderer mostly sees the caches it left
// itself, as in the show.
template <TunnelRender Render>
static double frames_us(uint32_t first, int count)
{
    const auto t0 = std::chrono::steady_clock::now();
    for (int i = 0; i < count; i++)
        tunnel_frame_at<Render>(first + 17 * uint32_t(i), bench_target());
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - t0)
               .count() /
           count;
}

static void BM_tunnel_speedup(benchmark::State& state)
{
    tunnel_ready();
    constexpr int run = 32;
    std::vector<double> fast, slow;
    uint32_t t = tunnel_start;
    for (auto _ : state) {
        slow.push_back(frames_us<tunnel_draw_reference>(t, run));
        fast.push_back(frames_us<tunnel_draw>(t, run));
        t = t + 17 * 2 * run > finale_start ? tunnel_start : t + 17 * run;
    }
    const auto median = [](std::vector<double>& v) {
        std::nth_element(v.begin(), v.begin() + v.size() / 2, v.end());
        return v[v.size() / 2];
    };
    const double reference_us = median(slow);
    const double renderer_us = median(fast);
    state.counters["reference_us"] = reference_us;
    state.counters["renderer_us"] = renderer_us;
    state.counters["speedup"] = reference_us / renderer_us;
}
BENCHMARK(BM_tunnel_speedup)->MinTime(1.0);

static void BM_tunnel_tables(benchmark::State& state)
{
    tunnel_ready();
    for (auto _ : state)
        tunnel_make_tables(&tables);
}
BENCHMARK(BM_tunnel_tables)->Unit(benchmark::kMillisecond);
