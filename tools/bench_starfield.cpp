// varno-bench: the starfield draw and the three-tap blur, the latter side by
// side with the plain two-pass loop it must match on every pixel.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "effects/blur.h"
#include "effects/starfield.h"
#include "reference/blur_reference.h"
#include "tools/bench.h"

// A layer with a busy picture on it, as the star layer is after a while.
static Surface* busy_layer(unsigned seed)
{
    Surface* s = surface_make_scratch(back_width, back_height);
    uint32_t* p = s->pixels;
    srand(seed);
    for (int i = 0; i < back_width * back_height; i++)
        p[i] = uint32_t(rand()) << 16 ^ uint32_t(rand());
    return s;
}

static bool same_pixels(const Surface* a, const Surface* b)
{
    return std::memcmp(a->pixels, b->pixels, size_t(a->pitch) * a->h * sizeof(uint32_t)) == 0;
}

static void BM_blur_three_tap(benchmark::State& state)
{
    Surface* fast = busy_layer(1);
    Surface* plain = busy_layer(1);
    blur_apply(fast);
    reference_blur(plain);
    if (!same_pixels(fast, plain))
        state.SkipWithError("differs from the plain loop");
    for (auto _ : state) {
        blur_apply(fast);
        benchmark::ClobberMemory();
    }
    surface_free(fast);
    surface_free(plain);
}
BENCHMARK(BM_blur_three_tap);

static void BM_blur_plain_reference(benchmark::State& state)
{
    Surface* s = busy_layer(1);
    for (auto _ : state) {
        reference_blur(s);
        benchmark::ClobberMemory();
    }
    surface_free(s);
}
BENCHMARK(BM_blur_plain_reference);

static void BM_starfield_draw(benchmark::State& state)
{
    static Random random;
    static Star* stars = (random_seed(&random, show_seed), starfield_make(&random));
    Surface* layer = surface_make_scratch(back_width, back_height);
    const StarCentre c = starfield_centre(45000);
    for (auto _ : state) {
        starfield_draw(stars, &random, c.x, c.y, star_depth_step, layer);
        benchmark::ClobberMemory();
    }
    surface_free(layer);
}
BENCHMARK(BM_starfield_draw);
