// Draw rings, three ways: one fill and two blended blits (SDL's arithmetic, in
// the drawing layer's blits), and two loops of our own for a ring image of
// alphas 0 and 255 only: a fill and two copy passes, and the single pass of
// rings_draw that composes both windows over the background. Each runs into
// the back buffer's layout and into the scratch layout (the lift's doors); a
// variant whose frames differ from the blits' in any word, at any time of the
// show, is reported as an error, not timed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "draw/blit.h"
#include "effects/rings.h"
#include "scenes/timeline.h"
#include "tools/bench.h"

namespace {

const Surface* ring_image = rings_make_image();

void rings_by_blits(uint32_t t, const Surface* ring_image, Surface* target)
{
    surface_fill(ring_background(t), target);
    const RingWindows w = ring_windows(t);
    surface_blit_rect(ring_image, w.x1, w.y1, ring_window_width, ring_window_height, 0, 0, target);
    surface_blit_rect(ring_image, w.x2, w.y2, ring_window_width, ring_window_height, 0, 0, target);
}

// Copies the opaque pixels of the window at (x, y) onto the target.
void copy_crests(int x, int y, Surface* target)
{
    const int spitch = ring_image->pitch;
    const int tpitch = target->pitch;
    const uint32_t* src = ring_image->pixels + y * spitch + x;
    uint32_t* dst = target->pixels;
    for (int j = 0; j < ring_window_height; j++, src += spitch, dst += tpitch)
        for (int i = 0; i < ring_window_width; i++)
            if (src[i] & 0xFF000000)
                dst[i] = src[i];
}

void rings_by_copy_passes(uint32_t t, const Surface*, Surface* target)
{
    surface_fill(ring_background(t), target);
    const RingWindows w = ring_windows(t);
    copy_crests(w.x1, w.y1, target);
    copy_crests(w.x2, w.y2, target);
}

using RingsDraw = void (*)(uint32_t, const Surface*, Surface*);

Surface* make_target(bool scratch)
{
    if (scratch)
        return surface_make_scratch(back_width, back_height);
    return surface_make(back_width, back_height, xrgb_layout);
}

// Frames compared against the blits', every 97 ms over the whole show; the
// count of differing rows, 0 when the variant may stand in for them.
long words_differing(RingsDraw draw, bool scratch)
{
    Surface* want = make_target(scratch);
    Surface* got = make_target(scratch);
    long differing = 0;
    for (uint32_t t = 0; t <= last_frame_time; t += 97) {
        // Different garbage under each, so nothing passes by being left alone.
        surface_fill(0x12345678, want);
        surface_fill(0x87654321, got);
        rings_by_blits(t, ring_image, want);
        draw(t, ring_image, got);
        for (int y = 0; y < back_height; y++)
            differing += memcmp(surface_row(want, y), surface_row(got, y),
                                back_width * sizeof(uint32_t)) != 0;
    }
    surface_free(got);
    surface_free(want);
    return differing;
}

void run(benchmark::State& state, RingsDraw draw)
{
    const bool scratch = state.range(0) != 0;
    if (draw != rings_by_blits) {
        const long differing = words_differing(draw, scratch);
        state.counters["differing"] = double(differing);
        if (differing) {
            state.SkipWithError("frames differ from the blits'");
            return;
        }
    }
    Surface* target = make_target(scratch);
    uint32_t t = lift_start;
    for (auto _ : state) {
        draw(t, ring_image, target);
        benchmark::DoNotOptimize(target->pixels);
        t += 16;
    }
    surface_free(target);
}

}  // namespace

// Arg 0: into the back buffer's layout; 1: into the scratch layout.
static void BM_rings_blits(benchmark::State& state)
{
    run(state, rings_by_blits);
}
BENCHMARK(BM_rings_blits)->Arg(0)->Arg(1);

static void BM_rings_copy_passes(benchmark::State& state)
{
    run(state, rings_by_copy_passes);
}
BENCHMARK(BM_rings_copy_passes)->Arg(0)->Arg(1);

static void BM_rings_one_pass(benchmark::State& state)
{
    run(state, rings_draw);
}
BENCHMARK(BM_rings_one_pass)->Arg(0)->Arg(1);
