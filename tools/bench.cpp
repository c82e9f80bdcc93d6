// varno-bench: start-up, the platform's steps and the frame function.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "core/steps.h"
#include "draw/blit.h"
#include "draw/picture.h"
#include "platform/video.h"
#include "tools/bench.h"

Surface* bench_target()
{
    static Surface* target = surface_make(back_width, back_height, xrgb_layout);
    if (!target)
        abort();
    return target;
}

Show* bench_show()
{
    static Show* show = show_load(false);
    if (!show)
        abort();
    return show;
}

// What a display that takes the back buffer's layout does every frame.
static void BM_present_doubling(benchmark::State& state)
{
    Surface* screen = surface_make(screen_width, screen_height, xrgb_layout);
    for (auto _ : state)
        surface_double(bench_target(), screen);
    surface_free(screen);
}
BENCHMARK(BM_present_doubling);

static void BM_keyed_blit_full_picture(benchmark::State& state)
{
    Surface* picture = surface_make(back_width, back_height, xrgb_layout);
    for (auto _ : state)
        picture_blit_keyed(picture, 0.0f, 0.0f, bench_target());
    surface_free(picture);
}
BENCHMARK(BM_keyed_blit_full_picture);

// A frame as the show draws it at 60 frames a second, each taking its step of
// the stars, trails, palette and sprites: the second from t over and over.
static void BM_frame(benchmark::State& state)
{
    Show* show = bench_show();
    const uint32_t t = uint32_t(state.range(0));
    int k = 0;
    for (auto _ : state) {
        show_draw(t + step_time(k), show, bench_target());
        k = k + 1 < steps_per_second ? k + 1 : 0;
    }
}
BENCHMARK(BM_frame)->Arg(0)->Arg(20000)->Arg(35000)->Arg(45000)->Arg(60000)->Arg(75000)->Arg(90000);

// From process start to the first frame drawn: the capture tool started for
// the frame at t = 0 alone, which it draws and discards.
static void BM_start_up_to_first_frame(benchmark::State& state)
{
    for (auto _ : state)
        if (system("./tools/varno-capture --to 0 --null > /dev/null 2>&1") != 0)
            state.SkipWithError("run varno-bench from the build directory");
}
BENCHMARK(BM_start_up_to_first_frame)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

BENCHMARK_MAIN();
