// varno-bench: the starfield draw and the three-tap blur, the latter side by
// side with the plain two-pass loop it must match on every pixel.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "effects/blur.h"
#include "effects/starfield.h"
#include "shell/image.h"
#include "shell/video.h"
#include "tests/blur_reference.h"
#include "tools/bench.h"

// A layer with a busy picture on it, as the star layer is after a while.
static SDL_Surface* busy_layer(unsigned seed)
{
    SDL_Surface* s = create_scratch_layout_surface(0, back_width, back_height);
    Uint32* p = static_cast<Uint32*>(s->pixels);
    srand(seed);
    for (int i = 0; i < back_width * back_height; i++)
        p[i] = Uint32(rand()) << 16 ^ Uint32(rand());
    return s;
}

static bool same_pixels(const SDL_Surface* a, const SDL_Surface* b)
{
    return std::memcmp(a->pixels, b->pixels, size_t(a->pitch) * a->h) == 0;
}

static void BM_blur_three_tap(benchmark::State& state)
{
    bench_video();
    SDL_Surface* fast = busy_layer(1);
    SDL_Surface* plain = busy_layer(1);
    three_tap_blur(fast);
    reference_blur(plain);
    if (!same_pixels(fast, plain))
        state.SkipWithError("differs from the plain loop");
    for (auto _ : state) {
        three_tap_blur(fast);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(fast);
    SDL_FreeSurface(plain);
}
BENCHMARK(BM_blur_three_tap);

static void BM_blur_plain_reference(benchmark::State& state)
{
    bench_video();
    SDL_Surface* s = busy_layer(1);
    for (auto _ : state) {
        reference_blur(s);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(s);
}
BENCHMARK(BM_blur_plain_reference);

static void BM_starfield_draw(benchmark::State& state)
{
    bench_video();
    if (!stars)
        starfield_init();
    SDL_Surface* layer = create_scratch_layout_surface(0, back_width, back_height);
    const StarCentre c = starfield_centre(45000);
    for (auto _ : state) {
        starfield_draw(layer, c.x, c.y, star_depth_step);
        benchmark::ClobberMemory();
    }
    SDL_FreeSurface(layer);
}
BENCHMARK(BM_starfield_draw);
