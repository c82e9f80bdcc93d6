// Draw rings, three ways: one fill and two blended blits by SDL, and two loops
// of our own for a ring image of alphas 0 and 255 only: a fill and two copy
// passes, and the single pass of draw_rings that composes both windows over
// the background. Each runs into the back buffer's format and into the
// scratch layout (the lift surface); a variant whose frames differ from SDL's
// in any word, at any time of the show, is reported as an error, not timed.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <cstring>

#include "effects/rings.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/timeline.h"
#include "tools/bench.h"

namespace {

void rings_ready()
{
    bench_video();
    if (!ring_image)
        build_ring_image();
}

void rings_by_sdl(uint32_t t, SDL_Surface* target)
{
    fill_surface(target, ring_background(t));
    const RingWindows w = ring_windows(t);
    blit_rect(ring_image, w.x1, w.y1, ring_window_width, ring_window_height, target, 0, 0);
    blit_rect(ring_image, w.x2, w.y2, ring_window_width, ring_window_height, target, 0, 0);
}

// Copies the opaque pixels of the window at (x, y) onto the target.
void copy_crests(int x, int y, SDL_Surface* target)
{
    const int spitch = pitch_pixels(ring_image);
    const int tpitch = pitch_pixels(target);
    const Uint32* src = static_cast<const Uint32*>(ring_image->pixels) + y * spitch + x;
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    for (int j = 0; j < ring_window_height; j++, src += spitch, dst += tpitch)
        for (int i = 0; i < ring_window_width; i++)
            if (src[i] & 0xFF000000)
                dst[i] = src[i];
}

void rings_by_copy_passes(uint32_t t, SDL_Surface* target)
{
    fill_surface(target, ring_background(t));
    const RingWindows w = ring_windows(t);
    copy_crests(w.x1, w.y1, target);
    copy_crests(w.x2, w.y2, target);
}

using RingsDraw = void (*)(uint32_t, SDL_Surface*);

SDL_Surface* make_target(bool scratch)
{
    if (scratch)
        return create_scratch_surface(back_width, back_height);
    return create_surface_like(back_buffer, back_width, back_height);
}

// Frames compared against SDL's, every 97 ms over the whole show; the count
// of differing rows, 0 when the variant may stand in for SDL.
long words_differing(RingsDraw draw, bool scratch)
{
    SDL_Surface* want = make_target(scratch);
    SDL_Surface* got = make_target(scratch);
    long differing = 0;
    for (uint32_t t = 0; t <= last_frame_time; t += 97) {
        // Different garbage under each, so nothing passes by being left alone.
        fill_surface(want, 0x12345678);
        fill_surface(got, 0x87654321);
        rings_by_sdl(t, want);
        draw(t, got);
        for (int y = 0; y < back_height; y++)
            differing += memcmp(static_cast<const char*>(want->pixels) + y * want->pitch,
                                static_cast<const char*>(got->pixels) + y * got->pitch,
                                back_width * sizeof(Uint32)) != 0;
    }
    free_surface(got);
    free_surface(want);
    return differing;
}

void run(benchmark::State& state, RingsDraw draw)
{
    rings_ready();
    const bool scratch = state.range(0) != 0;
    if (draw != rings_by_sdl) {
        const long differing = words_differing(draw, scratch);
        state.counters["differing"] = double(differing);
        if (differing) {
            state.SkipWithError("frames differ from SDL's");
            return;
        }
    }
    SDL_Surface* target = make_target(scratch);
    uint32_t t = lift_start;
    for (auto _ : state) {
        draw(t, target);
        benchmark::DoNotOptimize(target->pixels);
        t += 16;
    }
    free_surface(target);
}

}  // namespace

// Arg 0: into the back buffer's format; 1: into the scratch layout.
static void BM_rings_sdl(benchmark::State& state)
{
    run(state, rings_by_sdl);
}
BENCHMARK(BM_rings_sdl)->Arg(0)->Arg(1);

static void BM_rings_copy_passes(benchmark::State& state)
{
    run(state, rings_by_copy_passes);
}
BENCHMARK(BM_rings_copy_passes)->Arg(0)->Arg(1);

static void BM_rings_one_pass(benchmark::State& state)
{
    run(state, draw_rings);
}
BENCHMARK(BM_rings_one_pass)->Arg(0)->Arg(1);
