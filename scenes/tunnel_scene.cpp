#include "scenes/tunnel_scene.h"

#include "core/maths.h"
#include "draw/picture.h"
#include "effects/tunnel.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"

// Share of the credit slide done at t, fl((t - 70000) / 1000) capped at 1.
static float credit_slide(uint32_t t)
{
    return progress(t - tunnel_credit_start, tunnel_credit_slide_ms);
}

int tunnel_graph_x(uint32_t t)
{
    return int(320.0 * credit_slide(t) - 320.0);
}

float tunnel_credit_x(uint32_t t)
{
    return float(320.0 - 160.0 * credit_slide(t));
}

void tunnel_load(TunnelScene* scene, SharedState* shared)
{
    shared->tunnel_texture = tunnel_load_texture(tunnel_texture_file);
    scene->graph = picture_load(tunnel_graph_file);
    scene->car = sprite_load(car_file, tunnel_car_frames);
    tunnel_make_tables(&shared->tunnel);
}

int tunnel_view_column(uint32_t t)
{
    const float m = float(t);
    return int(50 + 40 * exact_sin(m / 850.0));
}

int tunnel_view_row(uint32_t t)
{
    const float m = float(t);
    return int(120 + 40 * exact_cos(m / 650.0));
}

void tunnel_fly(uint32_t t, const SharedState* shared, Surface* target)
{
    tunnel_draw(&shared->tunnel, shared->tunnel_texture, tunnel_depth_shift(t),
                tunnel_angle_shift(t), float(tunnel_view_column(t)), float(tunnel_view_row(t)),
                target);
}

void tunnel_scene_draw(uint32_t t, TunnelScene* scene, const SharedState* shared, Surface* target)
{
    if (t - tunnel_start > finale_start - tunnel_start)
        return;
    tunnel_fly(t, shared, target);
    // The axis lands at column 320 - cx, row 240 - cy: the car moves with it at half its swing.
    const int cx = tunnel_view_column(t);
    const int cy = tunnel_view_row(t);
    sprite_draw(t, &shared->frames, scene->car, 230 - cx / 2, 170 - cy / 2, 2.0f, target);
    if (t >= tunnel_credit_start) {
        picture_blit_keyed(scene->graph, float(tunnel_graph_x(t)), 0.0f, target);
        const float x = tunnel_credit_x(t);
        text_draw(shared->font, "Gfx:", x, 80.0f, target);
        text_draw(shared->font, "rUBKO", x + 20.0f, 96.0f, target);
    }
    fade_run_table(t, &shared->fades, tunnel_fades, target);
}
