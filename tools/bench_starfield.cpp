// varno-bench: the starfield draw and the three-tap blur, the latter side by
// side with the plain two-pass loop it must match on every pixel.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "effects/blur.h"
#include "effects/starfield.h"
#include "platform/image.h"
#include "platform/video.h"
#include "reference/blur_reference.h"
#include "tools/bench.h"

// A layer with a busy picture on it, as the star layer is after a while.
static SDL_Surface* busy_layer(unsigned seed)
{
    SDL_Surface* s = create_scratch_surface(back_width, back_height);
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
    free_surface(fast);
    free_surface(plain);
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
    free_surface(s);
}
BENCHMARK(BM_blur_plain_reference);

static void BM_starfield_draw(benchmark::State& state)
{
    bench_video();
    if (!stars)
        starfield_init();
    SDL_Surface* layer = create_scratch_surface(back_width, back_height);
    const StarCentre c = starfield_centre(45000);
    for (auto _ : state) {
        starfield_draw(layer, c.x, c.y, star_depth_step);
        benchmark::ClobberMemory();
    }
    free_surface(layer);
}
BENCHMARK(BM_starfield_draw);
