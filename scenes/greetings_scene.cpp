#include "scenes/greetings_scene.h"

#include "effects/blur.h"
#include "effects/starfield.h"
#include "platform/image.h"
#include "platform/steps.h"
#include "platform/video.h"

SDL_Surface* star_layer;
SDL_Surface* logo_layer;
SDL_Surface* greetings_logos[logo_count];
int64_t layer_steps_taken = no_step;

void greetings_load()
{
    // Both layers carry an alpha mask, so SDL blends either of them by its top
    // byte; the blur sets that byte to each pixel's grey level.
    star_layer = create_scratch_surface(back_width, back_height);
    logo_layer = create_scratch_surface(back_width, back_height);
    for (int i = 0; i < logo_count; i++)
        greetings_logos[i] = load_image(logo_files[i]);
    starfield_init();
    if (logo_layer)
        fill_surface(logo_layer, 0);
}

int greetings_logo(uint32_t t)
{
    for (int i = 0; i < logo_count; i++)
        if (logo_switch[i] <= t && t < logo_switch[i + 1])
            return i;
    return -1;
}

static void blend_onto_back_buffer(SDL_Surface* layer)
{
    if (layer)
        blit_surface(layer, back_buffer, 0, 0);
}

// One 60 Hz step of both layers at demo time t: the stars move and both
// layers blur, leaving trails and glow.
static void layers_step(uint32_t t)
{
    const StarCentre centre = starfield_centre(t);
    starfield_draw(star_layer, centre.x, centre.y, star_depth_step);
    three_tap_blur(star_layer);
    three_tap_blur(logo_layer);
    // Drawn sharp after the blur: the current logo sits on the glow of its own
    // earlier frames and of the logos before it. A logo that did not load
    // leaves its slot to that glow.
    const int logo = greetings_logo(t);
    if (logo >= 0)
        keyed_blit(greetings_logos[logo], logo_layer, 0.0f, 0.0f);
}

void greetings_frame(uint32_t t)
{
    if (t - greetings_start > lift_start - greetings_start)
        return;
    fill_surface(back_buffer, 0);
    const StepRange steps = take_steps(&layer_steps_taken, greetings_start, frame_step(t));
    for (int64_t k = steps.first; k <= steps.last; k++)
        layers_step(step_time(k));

    blend_onto_back_buffer(star_layer);
    blend_onto_back_buffer(logo_layer);
    for (int i = 0; i < logo_count; i++)
        white_flash(t, logo_switch[i], back_buffer);
    run_fade_table(greetings_fades, back_buffer, t);
}
