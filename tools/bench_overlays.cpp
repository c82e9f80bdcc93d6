// Benchmarks of the overlays, the font and the title scene's renderers, the
// band and the sprite draw next to their plain per-pixel versions.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/video.h"
#include "reference/overlay_reference.h"
#include "scenes/scroller.h"
#include "scenes/title_scene.h"
#include "show/show.h"
#include "tools/bench.h"

// A surface in the back buffer's format with a busy pattern and some magenta.
static SDL_Surface* pattern_surface(int w, int h)
{
    SDL_Surface* s = create_surface_like(back_buffer, w, h);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            reference_pixel(s, x, y) =
                (x * 7 + y * 3) % 11 == 0 ? magenta_key : Uint32(x * 977 ^ y * 131);
    return s;
}

static void BM_fade_table_one_event(benchmark::State& state)
{
    bench_show();
    for (auto _ : state)
        run_fade_table(title_fades, back_buffer, 250);
}
BENCHMARK(BM_fade_table_one_event);

static void BM_white_flash(benchmark::State& state)
{
    bench_show();
    for (auto _ : state)
        white_flash(1025, 1000, back_buffer);
}
BENCHMARK(BM_white_flash);

static void BM_scroller_band(benchmark::State& state)
{
    bench_show();
    for (auto _ : state)
        scroller_band(band_full_height, 0.7f);
}
BENCHMARK(BM_scroller_band);

static void BM_scroller_band_reference(benchmark::State& state)
{
    bench_show();
    for (auto _ : state)
        reference_scroller_band(back_buffer, band_full_height, 0.7f);
}
BENCHMARK(BM_scroller_band_reference);

static void BM_scroll_text(benchmark::State& state)
{
    bench_show();
    if (!font) {
        // No glyph sheet on disk: an 8x8 one of our own, keyed like the real one.
        SDL_Surface* sheet = pattern_surface(128, 128);
        set_magenta_key(sheet);
        font = new Font{8, 8, sheet};
    }
    const float x = scroll_text_x(50000);
    for (auto _ : state)
        draw_text(scroll_text, x, 221.0f, back_buffer);
}
BENCHMARK(BM_scroll_text);

static Sprite* bench_sprite()
{
    static Sprite* sprite = make_sprite(pattern_surface(64, 16 * sprite_frame_rows), 16);
    return sprite;
}

static void BM_sprite_2x(benchmark::State& state)
{
    bench_show();
    Sprite* sprite = bench_sprite();
    uint32_t t = 0;
    for (auto _ : state)
        draw_sprite(t += 17, 100, 60, sprite, back_buffer, 2.0f);
}
BENCHMARK(BM_sprite_2x);

static void BM_sprite_2x_reference(benchmark::State& state)
{
    bench_show();
    Sprite* sprite = bench_sprite();
    uint32_t t = 0;
    for (auto _ : state)
        reference_draw_sprite(t += 17, 100, 60, sprite, back_buffer, 2.0f);
}
BENCHMARK(BM_sprite_2x_reference);

static void BM_noise_fill(benchmark::State& state)
{
    bench_show();
    for (auto _ : state)
        noise_fill(back_buffer);
}
BENCHMARK(BM_noise_fill);
