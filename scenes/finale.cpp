#include "scenes/finale.h"

#include "effects/blur.h"
#include "effects/plasma.h"
#include "effects/rings.h"
#include "effects/starfield.h"
#include "effects/tunnel.h"
#include "platform/video.h"
#include "scenes/data_files.h"
#include "scenes/tunnel_scene.h"

SDL_Surface* finale_tunnel_texture;
int32_t finale_effect = 0;
uint32_t finale_last_switch = finale_start;

void finale_load()
{
    finale_tunnel_texture = load_tunnel_texture(tunnel_texture_file);
}

void draw_finale_tunnel(uint32_t t, SDL_Surface* target)
{
    render_tunnel(target, finale_tunnel_texture, tunnel_depth_shift(t), tunnel_angle_shift(t),
                  float(tunnel_view_column(t)), float(tunnel_view_row(t)));
}

// The starfield phase swings its centre like the greetings scene and draws over
// whatever the last frame left, which the blur then smears into the trails.
static void starfield_phase(uint32_t t, SDL_Surface* target)
{
    const StarCentre c = starfield_centre(t);
    starfield_draw(target, c.x, c.y, star_depth_step);
    three_tap_blur(target);
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
        case 1:
            draw_plasma(t, back_buffer);
            rotate_palette(t);
            break;
        case 2:
            starfield_phase(t, back_buffer);
            break;
        case 3:
            draw_finale_tunnel(t, back_buffer);
            break;
    }
    run_fade_table(finale_fades, back_buffer, t);
}
