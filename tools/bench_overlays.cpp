// Benchmarks of the overlays, the font and the title scene's renderers, the
// band and the sprite draw next to their plain per-pixel versions.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "draw/font.h"
#include "draw/picture.h"
#include "overlays/fade.h"
#include "overlays/sprite.h"
#include "reference/overlay_reference.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"
#include "scenes/scroller.h"
#include "scenes/title_scene.h"
#include "show/show.h"
#include "tools/bench.h"

// A surface in the xrgb layout with a busy pattern and some magenta.
static Surface* pattern_surface(int w, int h)
{
    Surface* s = surface_make(w, h, xrgb_layout);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            reference_pixel(s, x, y) =
                (x * 7 + y * 3) % 11 == 0 ? magenta_key : uint32_t(x * 977 ^ y * 131);
    return s;
}

static const Fades* bench_fades()
{
    static Fades fades;
    if (!fades.fade_overlay)
        fade_make(&fades, false);
    return &fades;
}

static void BM_fade_table_one_event(benchmark::State& state)
{
    const Fades* fades = bench_fades();
    for (auto _ : state)
        fade_run_table(250, fades, title_fades, bench_target());
}
BENCHMARK(BM_fade_table_one_event);

static void BM_white_flash(benchmark::State& state)
{
    const Fades* fades = bench_fades();
    for (auto _ : state)
        flash_draw(1025, fades, 1000, bench_target());
}
BENCHMARK(BM_white_flash);

static void BM_scroller_band(benchmark::State& state)
{
    for (auto _ : state)
        scroller_draw_band(band_full_height, 0.7f, bench_target());
}
BENCHMARK(BM_scroller_band);

static void BM_scroller_band_reference(benchmark::State& state)
{
    for (auto _ : state)
        reference_scroller_band(band_full_height, 0.7f, bench_target());
}
BENCHMARK(BM_scroller_band_reference);

static void BM_scroll_text(benchmark::State& state)
{
    static const Font* font = font_load(font_file);
    if (!font) {
        // No glyph sheet on disk: an 8x8 one of our own, keyed like the real one.
        Surface* sheet = pattern_surface(128, 128);
        sheet->keyed = true;
        font = new Font{8, 8, sheet};
    }
    const float x = scroll_text_x(50000);
    for (auto _ : state)
        text_draw(font, scroll_text, x, 221.0f, bench_target());
}
BENCHMARK(BM_scroll_text);

static Sprite* bench_sprite()
{
    static Sprite* sprite = sprite_make(pattern_surface(64, 16 * sprite_frame_rows), 16);
    return sprite;
}

static void BM_sprite_2x(benchmark::State& state)
{
    Sprite* sprite = bench_sprite();
    const FrameSteps frames;
    uint32_t t = 0;
    for (auto _ : state)
        sprite_draw(t += 17, &frames, sprite, 100, 60, 2.0f, bench_target());
}
BENCHMARK(BM_sprite_2x);

static void BM_sprite_2x_reference(benchmark::State& state)
{
    Sprite* sprite = bench_sprite();
    uint32_t t = 0;
    for (auto _ : state)
        reference_sprite_draw(t += 17, sprite, 100, 60, 2.0f, bench_target());
}
BENCHMARK(BM_sprite_2x_reference);

static void BM_noise_fill(benchmark::State& state)
{
    static TitleScene scene;
    if (!scene.noise)
        scene.noise = surface_make_scratch(back_width, back_height);
    Random random;
    random_seed(&random, show_seed);
    for (auto _ : state)
        title_draw_noise(&scene, &random, bench_target());
}
BENCHMARK(BM_noise_fill);
