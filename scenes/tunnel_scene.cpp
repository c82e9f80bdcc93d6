#include "scenes/tunnel_scene.h"

#include <cmath>

#include "effects/tunnel.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/data_files.h"

SDL_Surface* tunnel_texture;
SDL_Surface* tunnel_graph;
Sprite* car_sprite;

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

void tunnel_load()
{
    tunnel_texture = load_tunnel_texture(tunnel_texture_file);
    tunnel_graph = load_image(tunnel_graph_file);
    car_sprite = load_sprite(car_file, tunnel_car_frames);
    build_tunnel_tables();
}

int tunnel_view_column(uint32_t t)
{
    const float m = float(t);
    return int(50 + 40 * std::sin(m / 850.0));
}

int tunnel_view_row(uint32_t t)
{
    const float m = float(t);
    return int(120 + 40 * std::cos(m / 650.0));
}

void tunnel_frame(uint32_t t)
{
    if (t - tunnel_start > finale_start - tunnel_start)
        return;
    const int cx = tunnel_view_column(t);
    const int cy = tunnel_view_row(t);
    render_tunnel(back_buffer, tunnel_texture, tunnel_depth_shift(t), tunnel_angle_shift(t),
                  float(cx), float(cy));
    // The axis lands at column 320 - cx, row 240 - cy: the car moves with it at half its swing.
    draw_sprite(t, 230 - cx / 2, 170 - cy / 2, car_sprite, back_buffer, 2.0f);
    if (t >= tunnel_credit_start) {
        keyed_blit(tunnel_graph, back_buffer, float(tunnel_graph_x(t)), 0.0f);
        const float x = tunnel_credit_x(t);
        draw_text("Gfx:", x, 80.0f, back_buffer);
        draw_text("rUBKO", x + 20.0f, 96.0f, back_buffer);
    }
    run_fade_table(tunnel_fades, back_buffer, t);
}
