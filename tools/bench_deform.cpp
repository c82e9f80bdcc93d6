// The deformation frame against the plain %-per-pixel loop, and the cost of
// building both tables and the map at load.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "effects/deform.h"
#include "reference/deform_reference.h"
#include "tools/bench.h"

namespace {

constexpr int entries = deform_table_side * deform_table_side;

struct DeformBench {
    std::vector<DeformShift> inversion, ripple;
    DeformMap map;
    Surface* texture;
    Surface* target;
};

// Real tables, a 320x240 texture of varied pixels and a target of the back
// buffer's size; made once, outside the timed loops.
DeformBench& deform_bench()
{
    static DeformBench b;
    if (b.texture)
        return b;
    b.inversion.resize(entries);
    b.ripple.resize(entries);
    deform_make_inversion(b.inversion.data());
    deform_make_ripple(b.ripple.data());
    b.texture = surface_make(back_width, back_height, xrgb_layout);
    b.target = surface_make(back_width, back_height, xrgb_layout);
    deform_make_map(b.inversion.data(), b.ripple.data(), b.texture, &b.map);
    uint32_t* p = b.texture->pixels;
    for (int i = 0; i < back_width * back_height; i++)
        p[i] = uint32_t(i) * 2654435761u;
    return b;
}

// The scene's time offsets run from 5782 to 8645; step through them.
constexpr uint32_t first_offset = 5782;
constexpr uint32_t offset_span = 2864;

void BM_deform_reference(benchmark::State& state)
{
    DeformBench& b = deform_bench();
    uint32_t n = 0;
    for (auto _ : state) {
        reference_deformation(first_offset + n++ % offset_span, b.texture, b.inversion.data(),
                              b.ripple.data(), b.target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_deform_reference);

void BM_deform_render(benchmark::State& state)
{
    DeformBench& b = deform_bench();
    uint32_t n = 0;
    for (auto _ : state) {
        deform_draw(first_offset + n++ % offset_span, b.texture, &b.map, b.target);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_deform_render);

// What the load step computes: both tables, then the map of a 320x240 texture.
void BM_deform_build_tables(benchmark::State& state)
{
    std::vector<DeformShift> inversion(entries), ripple(entries);
    for (auto _ : state) {
        deform_make_inversion(inversion.data());
        deform_make_ripple(ripple.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_deform_build_tables)->Unit(benchmark::kMillisecond);

void BM_deform_build_map(benchmark::State& state)
{
    DeformBench& b = deform_bench();
    for (auto _ : state) {
        DeformMap map;
        deform_make_map(b.inversion.data(), b.ripple.data(), b.texture, &map);
        benchmark::ClobberMemory();
        deform_free_map(&map);
    }
}
BENCHMARK(BM_deform_build_map)->Unit(benchmark::kMillisecond);

}  // namespace
