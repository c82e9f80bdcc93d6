#include "scenes/finale.h"

#include "effects/blur.h"
#include "effects/plasma.h"
#include "effects/rings.h"
#include "effects/starfield.h"
#include "effects/tunnel.h"
#include "platform/blit.h"
#include "platform/steps.h"
#include "platform/video.h"
#include "scenes/data_files.h"
#include "scenes/tunnel_scene.h"

SDL_Surface* finale_tunnel_texture;
int32_t finale_effect = 0;
uint32_t finale_last_switch = finale_start;
int64_t star_steps_taken = no_step;

// The starfield phase's picture as its latest step left it, before the
// overlays of that frame, for the effect switch it belongs to; a frame that
// comes before the next step shows it again instead of stepping.
static SDL_Surface* star_picture;
static int32_t star_picture_effect = -1;

void finale_load()
{
    star_picture = create_surface_like(back_buffer, back_width, back_height);
    finale_tunnel_texture = load_tunnel_texture(tunnel_texture_file);
}

void draw_finale_tunnel(uint32_t t, SDL_Surface* target)
{
    render_tunnel(target, finale_tunnel_texture, tunnel_depth_shift(t), tunnel_angle_shift(t),
                  float(tunnel_view_column(t)), float(tunnel_view_row(t)));
}

// The starfield phase swings its centre like the greetings scene and draws over
// whatever the last frame left, which the blur then smears into the trails:
// once per 60 Hz step of the phase.
static void starfield_phase(uint32_t t, SDL_Surface* target)
{
    const StepRange steps = take_steps(&star_steps_taken, finale_last_switch, frame_step(t));
    if (steps.first > steps.last) {
        if (star_picture && star_picture_effect == finale_effect)
            copy_surface(star_picture, target);
        return;
    }
    for (int64_t k = steps.first; k <= steps.last; k++) {
        const StarCentre c = starfield_centre(step_time(k));
        starfield_draw(target, c.x, c.y, star_depth_step);
        three_tap_blur(target);
    }
    if (star_picture) {
        copy_surface(target, star_picture);
        star_picture_effect = finale_effect;
    }
}

void finale_frame(uint32_t t)
{
    if (t - finale_start > finale_end - finale_start)
        return;
    // At most one switch per frame, however late the frame comes.
    if (t - finale_last_switch > finale_switch_ms) {
        finale_effect++;
        finale_last_switch = t;
    }
    switch (finale_effect & 3) {
        case 0:
            draw_rings(t, back_buffer);
            break;
        case 1: {
            const int64_t step = frame_step(t);
            turn_palette(finale_last_switch, step - 1);
            draw_plasma(t, back_buffer);
            turn_palette(finale_last_switch, step);
            break;
        }
        case 2:
            starfield_phase(t, back_buffer);
            break;
        case 3:
            draw_finale_tunnel(t, back_buffer);
            break;
    }
    run_fade_table(finale_fades, back_buffer, t);
}
