// varno-bench: start-up, the shell's steps and the frame function.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "shell/demo.h"
#include "shell/image.h"
#include "shell/video.h"

static void show_loaded()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (!video_setup())
        abort();
    load_show();
}

static void BM_present_doubling(benchmark::State& state)
{
    show_loaded();
    for (auto _ : state)
        double_back_buffer();
}
BENCHMARK(BM_present_doubling);

static void BM_keyed_blit_full_picture(benchmark::State& state)
{
    show_loaded();
    SDL_Surface* picture = SDL_ConvertSurface(back_buffer, back_buffer->format, 0);
    for (auto _ : state)
        keyed_blit(picture, back_buffer, 0.0f, 0.0f);
    SDL_FreeSurface(picture);
}
BENCHMARK(BM_keyed_blit_full_picture);

static void BM_frame(benchmark::State& state)
{
    show_loaded();
    const uint32_t t = uint32_t(state.range(0));
    for (auto _ : state)
        draw_frame(t);
}
BENCHMARK(BM_frame)->Arg(0)->Arg(20000)->Arg(35000)->Arg(45000)->Arg(60000)->Arg(75000)->Arg(90000);

BENCHMARK_MAIN();
