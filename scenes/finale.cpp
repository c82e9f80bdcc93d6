#include "scenes/finale.h"

#include "core/steps.h"
#include "draw/blit.h"
#include "effects/blur.h"
#include "effects/plasma.h"
#include "effects/rings.h"
#include "effects/starfield.h"
#include "scenes/tunnel_scene.h"

void finale_load(Finale* finale)
{
    finale->star_picture = surface_make(back_width, back_height, xrgb_layout);
}

// The starfield phase swings its centre like the greetings scene and draws over
// whatever the last frame left, which the blur then smears into the trails:
// once per 60 Hz step of the phase.
static void starfield_phase(uint32_t t, Finale* finale, SharedState* shared, Surface* target)
{
    const StepRange steps =
        steps_take(&finale->star_steps_taken, finale->last_switch, steps_due(&shared->frames, t));
    if (steps.first > steps.last) {
        if (finale->star_picture && finale->star_picture_effect == finale->effect)
            surface_copy(finale->star_picture, target);
        return;
    }
    for (int64_t k = steps.first; k <= steps.last; k++) {
        const StarCentre c = starfield_centre(step_time(k));
        starfield_draw(shared->stars, &shared->random, c.x, c.y, star_depth_step, target);
        blur_apply(target);
    }
    if (finale->star_picture) {
        surface_copy(target, finale->star_picture);
        finale->star_picture_effect = finale->effect;
    }
}

void finale_draw(uint32_t t, Finale* finale, SharedState* shared, Surface* target)
{
    if (t - finale_start > finale_end - finale_start)
        return;
    // At most one switch per frame, however late the frame comes.
    if (t - finale->last_switch > finale_switch_ms) {
        finale->effect++;
        finale->last_switch = t;
    }
    switch (finale->effect & 3) {
        case 0:
            rings_draw(t, shared->ring_image, target);
            break;
        case 1: {
            const int64_t step = steps_due(&shared->frames, t);
            palette_turn(finale->last_switch, step - 1, &shared->palette);
            plasma_draw(t, &shared->palette, shared->plasma_rows, target);
            palette_turn(finale->last_switch, step, &shared->palette);
            break;
        }
        case 2:
            starfield_phase(t, finale, shared, target);
            break;
        case 3:
            tunnel_fly(t, shared, target);
            break;
    }
    fade_run_table(t, &shared->fades, finale_fades, target);
}
