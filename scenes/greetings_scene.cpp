#include "scenes/greetings_scene.h"

#include "draw/blit.h"
#include "draw/picture.h"
#include "effects/blur.h"
#include "effects/starfield.h"
#include "scenes/pictures.h"

void greetings_load(GreetingsScene* scene, SharedState* shared)
{
    // Both layers are blended by their per-pixel alpha, which the blur sets
    // to each pixel's grey level.
    scene->star_layer = surface_make_scratch(back_width, back_height);
    scene->logo_layer = surface_make_scratch(back_width, back_height);
    for (int i = 0; i < logo_count; i++)
        scene->logos[i] = picture_load(logo_files[i]);
    shared->stars = starfield_make(&shared->random);
    if (scene->logo_layer)
        surface_fill(0, scene->logo_layer);
}

int greetings_logo(uint32_t t)
{
    for (int i = 0; i < logo_count; i++)
        if (logo_switch[i] <= t && t < logo_switch[i + 1])
            return i;
    return -1;
}

static void blend_layer(const Surface* layer, Surface* target)
{
    if (layer && target)
        surface_blit(layer, 0, 0, target);
}

// One 60 Hz step of both layers at demo time t: the stars move and both
// layers blur, leaving trails and glow.
static void layers_step(uint32_t t, GreetingsScene* scene, SharedState* shared)
{
    const StarCentre centre = starfield_centre(t);
    starfield_draw(shared->stars, &shared->random, centre.x, centre.y, star_depth_step,
                   scene->star_layer);
    blur_apply(scene->star_layer);
    blur_apply(scene->logo_layer);
    // Drawn sharp after the blur: the current logo sits on the glow of its own
    // earlier frames and of the logos before it. A logo that did not load
    // leaves its slot to that glow.
    const int logo = greetings_logo(t);
    if (logo >= 0)
        picture_blit_keyed(scene->logos[logo], 0.0f, 0.0f, scene->logo_layer);
}

void greetings_scene_draw(uint32_t t, GreetingsScene* scene, SharedState* shared, Surface* target)
{
    if (t - greetings_start > lift_start - greetings_start)
        return;
    surface_fill(0, target);
    const StepRange steps =
        steps_take(&scene->layer_steps_taken, greetings_start, steps_due(&shared->frames, t));
    for (int64_t k = steps.first; k <= steps.last; k++)
        layers_step(step_time(k), scene, shared);

    blend_layer(scene->star_layer, target);
    blend_layer(scene->logo_layer, target);
    for (int i = 0; i < logo_count; i++)
        flash_draw(t, &shared->fades, logo_switch[i], target);
    fade_run_table(t, &shared->fades, greetings_fades, target);
}
