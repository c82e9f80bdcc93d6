#include "scenes/title_scene.h"

#include <algorithm>

#include "core/random.h"
#include "draw/blit.h"
#include "draw/picture.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"

// The noise's red and green are its blue dimmed by the single-precision 0.95
// (0.949999988...), the product truncated: 20 gives 18, 100 gives 94.
constexpr double noise_dim = double(0.95f);

// Outside the flash picture the compositor leaves this opaque red, whatever the alpha.
constexpr uint32_t flash_backdrop = 0xFF0000FF;

void title_load(TitleScene* scene)
{
    scene->noise = surface_make_scratch(back_width, back_height);
    scene->flash_work = surface_make_scratch(back_width, back_height);
    scene->picture = picture_load(title_file);
    FlashTrain* flash_train = scene->flash_train = new FlashTrain;
    flash_train->picture_count = 1;
    flash_train->pictures = new const Surface*[flash_train->picture_count];
    flash_train->pictures[0] = picture_load(flash_file);
    flash_train->event_count = title_flash_count;
    flash_train->events = new FlashEvent[title_flash_count];
    for (int i = 0; i < title_flash_count; i++)
        flash_train->events[i] = FlashEvent{title_flash_first + uint32_t(i) * title_flash_every,
                                            title_flash_length, flash_train->pictures[0], 0, 0};
}

void title_scene_draw(uint32_t t, TitleScene* scene, SharedState* shared, Surface* target)
{
    // Steps before the picture still draw noise when the frame comes after
    // them: the noise draws from the show's random sequence like the stars after it.
    title_step_noise(std::min(steps_due(&shared->frames, t), step_latest(title_picture_time - 1)),
                     &shared->random, scene);
    if (t < title_picture_time) {
        if (scene->noise && target)
            surface_blit(scene->noise, 0, 0, target);
    } else {
        picture_blit_keyed(scene->picture, 0.0f, 0.0f, target);
    }
    fade_run_table(t, &shared->fades, title_fades, target);
    title_draw_flash_train(t, scene, shared->fades.gentle, target);
}

// The noise pixel of each low byte a draw can have.
struct NoisePixels {
    uint32_t of[256];
};
static constexpr NoisePixels make_noise_pixels()
{
    NoisePixels p = {};
    for (uint32_t r = 0; r < 256; r++)
        p.of[r] = 0xFF000000 | r << 16 | uint32_t(r * noise_dim) * 0x0101;
    return p;
}
static constexpr NoisePixels noise_pixels = make_noise_pixels();

// Fresh noise from the random sequence into the noise surface.
static void fill_noise(Random* random, Surface* noise)
{
    constexpr int run = 512;
    int draws[run];  // a run of one row's draws
    const uint32_t* pixel_of = noise_pixels.of;
    const int pitch = noise->pitch;
    uint32_t* row = noise->pixels;
    // One draw per pixel in row order: the sequence is the look.
    for (int y = 0; y < noise->h; y++, row += pitch)
        for (int x0 = 0; x0 < noise->w; x0 += run) {
            const int n = noise->w - x0 < run ? noise->w - x0 : run;
            random_fill(random, draws, n);
            for (int i = 0; i < n; i++)
                row[x0 + i] = pixel_of[draws[i] & 0xFF];  // draws are never negative
        }
}

void title_draw_noise(TitleScene* scene, Random* random, Surface* target)
{
    if (!scene->noise || !target)
        return;
    fill_noise(random, scene->noise);
    surface_blit(scene->noise, 0, 0, target);
}

void title_step_noise(int64_t last, Random* random, TitleScene* scene)
{
    const StepRange r = steps_take(&scene->noise_steps_taken, title_start, last);
    for (int64_t k = r.first; k <= r.last && scene->noise; k++)
        fill_noise(random, scene->noise);
}

void title_draw_flash_train(uint32_t t, TitleScene* scene, bool gentle, Surface* target)
{
    const FlashTrain* flash_train = scene->flash_train;
    if (!flash_train)
        return;
    for (int i = 0; i < flash_train->event_count; i++) {
        const FlashEvent& e = flash_train->events[i];
        if (e.start == 0 && e.duration == 0)
            break;
        if (e.start <= t && t <= e.start + e.duration)
            title_draw_flash(t, e.start, e.duration, e.picture, e.x, e.y, gentle, scene->flash_work,
                             target);
    }
}

void title_draw_flash(uint32_t t, uint32_t start, uint32_t duration, const Surface* picture, int x,
                      int y, bool gentle, Surface* work, Surface* target)
{
    if (t < start || t > start + duration)
        return;
    // Without its picture the flash is left out whole, red backdrop included.
    if (!picture || !target || !work)
        return;
    const float u = float(t - start) / float(duration);
    // The sine falls a hair below 0 at the end; truncation makes that 0.
    const uint32_t alpha = uint32_t(flash_strength(int(flash_curve(u) * 255.0f) & 0xFF, gentle));

    surface_fill(flash_backdrop, work);
    // The picture's bits go over as they are, its top byte taking the alpha.
    // The copy is bounded by the target and by the work surface itself.
    int rows = picture->h < target->h ? picture->h : target->h;
    int cols = picture->w < target->w ? picture->w : target->w;
    rows = rows < work->h ? rows : work->h;
    cols = cols < work->w ? cols : work->w;
    const int spitch = picture->pitch;
    const int wpitch = work->pitch;
    const uint32_t* src = picture->pixels;
    uint32_t* dst = work->pixels;
    const uint32_t top = alpha << 24;
    for (int j = 0; j < rows; j++, src += spitch, dst += wpitch)
        for (int i = 0; i < cols; i++)
            dst[i] = src[i] | top;

    surface_blit(work, x, y, target);
}
