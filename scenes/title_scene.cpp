#include "scenes/title_scene.h"

#include <algorithm>

#include "platform/image.h"
#include "platform/random.h"
#include "platform/steps.h"
#include "platform/video.h"
#include "scenes/data_files.h"

SDL_Surface* title_picture;
FlashTrain* flash_train;
SDL_Surface* noise_surface;
SDL_Surface* flash_work_surface;
int64_t noise_steps_taken = no_step;

// The noise's red and green are its blue dimmed by the single-precision 0.95
// (0.949999988...), the product truncated: 20 gives 18, 100 gives 94.
constexpr double noise_dim = double(0.95f);

// Outside the flash picture the compositor leaves this opaque red, whatever the alpha.
constexpr Uint32 flash_backdrop = 0xFF0000FF;

void title_load()
{
    noise_surface = create_scratch_surface(back_width, back_height);
    flash_work_surface = create_scratch_surface(back_width, back_height);
    title_picture = load_image(title_file);
    flash_train = new FlashTrain;
    flash_train->picture_count = 1;
    flash_train->pictures = new SDL_Surface*[flash_train->picture_count];
    flash_train->pictures[0] = load_image(flash_file);
    flash_train->event_count = title_flash_count;
    flash_train->events = new FlashEvent[title_flash_count];
    for (int i = 0; i < title_flash_count; i++)
        flash_train->events[i] = FlashEvent{title_flash_first + uint32_t(i) * title_flash_every,
                                            title_flash_length, flash_train->pictures[0], 0, 0};
}

void title_frame(uint32_t t)
{
    // Steps before the picture still draw noise when the frame comes after
    // them: the noise draws from the show's random sequence like the stars after it.
    noise_steps(std::min(frame_step(t), latest_step(title_picture_time - 1)));
    if (t < title_picture_time) {
        if (noise_surface && back_buffer)
            blit_surface(noise_surface, back_buffer, 0, 0);
    } else {
        keyed_blit(title_picture, back_buffer, 0.0f, 0.0f);
    }
    run_fade_table(title_fades, back_buffer, t);
    draw_flash_train(back_buffer, t);
}

// Fresh noise from the random sequence into the noise surface.
static void fill_noise(SDL_Surface* noise)
{
    lock_surface(noise);
    const int pitch = pitch_pixels(noise);
    Uint32* row = static_cast<Uint32*>(noise->pixels);
    // One draw per pixel in row order: the sequence is the look.
    for (int y = 0; y < noise->h; y++, row += pitch) {
        Uint32* const end = row + noise->w;
        for (Uint32* p = row; p < end; p++) {
            const Uint32 r = Uint32(next_random()) & 0xFF;  // never negative
            const Uint32 w = Uint32(r * noise_dim);
            *p = 0xFF000000 | r << 16 | w * 0x0101;
        }
    }
    unlock_surface(noise);
}

void noise_fill(SDL_Surface* target)
{
    if (!noise_surface || !target)
        return;
    fill_noise(noise_surface);
    blit_surface(noise_surface, target, 0, 0);
}

void noise_steps(int64_t last)
{
    const StepRange r = take_steps(&noise_steps_taken, title_start, last);
    for (int64_t k = r.first; k <= r.last && noise_surface; k++)
        fill_noise(noise_surface);
}

void draw_flash_train(SDL_Surface* target, uint32_t t)
{
    if (!flash_train)
        return;
    for (int i = 0; i < flash_train->event_count; i++) {
        const FlashEvent& e = flash_train->events[i];
        if (e.start == 0 && e.duration == 0)
            break;
        if (e.start <= t && t <= e.start + e.duration)
            flash_compositor(t, e.start, e.duration, e.picture, target, e.x, e.y);
    }
}

void flash_compositor(uint32_t t, uint32_t start, uint32_t duration, SDL_Surface* picture,
                      SDL_Surface* target, int x, int y)
{
    if (t < start || t > start + duration)
        return;
    // Without its picture the flash is left out whole, red backdrop included.
    SDL_Surface* work = flash_work_surface;
    if (!picture || !target || !work)
        return;
    const float u = float(t - start) / float(duration);
    // The sine falls a hair below 0 at the end; truncation makes that 0.
    const Uint32 alpha = Uint32(flash_strength(int(flash_curve(u) * 255.0f) & 0xFF));

    fill_surface(work, flash_backdrop);
    lock_surface(picture);
    lock_surface(work);
    // The picture's bits go over as they are, its top byte taking the alpha.
    // The copy is bounded by the target and by the work surface itself.
    int rows = picture->h < target->h ? picture->h : target->h;
    int cols = picture->w < target->w ? picture->w : target->w;
    rows = rows < work->h ? rows : work->h;
    cols = cols < work->w ? cols : work->w;
    const int spitch = pitch_pixels(picture);
    const int wpitch = pitch_pixels(work);
    const Uint32* src = static_cast<const Uint32*>(picture->pixels);
    Uint32* dst = static_cast<Uint32*>(work->pixels);
    const Uint32 top = alpha << 24;
    for (int j = 0; j < rows; j++, src += spitch, dst += wpitch)
        for (int i = 0; i < cols; i++)
            dst[i] = src[i] | top;
    unlock_surface(work);
    unlock_surface(picture);

    blit_surface(work, target, x, y);
}
