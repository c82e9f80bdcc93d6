#include "scenes/lift_scene.h"

#include "effects/rings.h"
#include "overlays/sprite.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/data_files.h"

SDL_Surface* lift_surface;
SDL_Surface* lift_graphic;
Sprite* lift_sprite;

constexpr int lift_sprite_frames = 4;
constexpr int lift_sprite_x = 125;  // centre of the unmagnified frame
constexpr int lift_sprite_y = 80;
constexpr float lift_sprite_scale = 2.0f;

constexpr Uint32 lift_inside_grey = 0xFF808080;
constexpr Uint32 credit_black = 0xFF000000;
constexpr Uint32 door_edge_grey = 0xFF808080;
constexpr Uint32 door_edge_white = 0xFFFFFFFF;
constexpr int door_centre = back_width / 2;  // the doors part from this column

void lift_load()
{
    lift_graphic = load_image(lift_graph_file);
    lift_sprite = load_sprite(lift_dancer_file, lift_sprite_frames);
    lift_surface = create_scratch_surface(back_width, back_height);
    build_ring_image();
}

// Share of a door movement left after `since` ms of `ms`; nothing stops it
// below 0, which is how the doors end up shut (negative) after the last close.
static float closing(uint32_t since, uint32_t ms)
{
    return float(1 - double(since) / ms);
}

int door_half_width(uint32_t t)
{
    int b = -1;
    for (const DoorMove& m : door_moves)
        if (t >= m.start) {
            const float share = m.opens ? progress(t - m.start, m.ms) : closing(t - m.start, m.ms);
            b = int(m.half_width * double(share));
        }
    return b;
}

// One door edge, grey, white, grey, centred on column x; columns off the row
// are left out.
static void door_edge(Uint32* row, int x, int width)
{
    const Uint32 edge[3] = {door_edge_grey, door_edge_white, door_edge_grey};
    for (int i = 0; i < 3; i++)
        if (x - 1 + i >= 0 && x - 1 + i < width)
            row[x - 1 + i] = edge[i];
}

void door_draw(int b, SDL_Surface* target)
{
    if (!lift_surface || !target)
        return;
    if (b >= 0) {
        // The scene keeps b within 120, but any b is clipped to the row; wider
        // openings all look alike and would overflow the column arithmetic.
        const int width = lift_surface->w;
        if (b > width)
            b = width;
        const int left = door_centre - b;
        const int right = door_centre + b;
        const int clear_from = left < 0 ? 0 : left;
        const int clear_to = right > width ? width : right;
        lock_surface(lift_surface);
        const int pitch = pitch_pixels(lift_surface);
        Uint32* row = static_cast<Uint32*>(lift_surface->pixels);
        for (int y = 0; y < lift_surface->h; y++, row += pitch) {
            for (int x = clear_from; x < clear_to; x++)
                row[x] = 0;  // transparent: the inside shows through
            door_edge(row, left, width);
            door_edge(row, right, width);  // after the left one, over it where they meet
        }
        unlock_surface(lift_surface);
    }
    blit_surface(lift_surface, target, 0, 0);
}

void lift_frame(uint32_t t)
{
    if (t - lift_start > tunnel_start - lift_start)
        return;
    draw_rings(t, lift_surface);
    if (t < credit_doors_open_start) {
        fill_surface(back_buffer, lift_inside_grey);
        draw_sprite(t, lift_sprite_x, lift_sprite_y, lift_sprite, back_buffer, lift_sprite_scale);
    } else {
        fill_surface(back_buffer, credit_black);
        keyed_blit(lift_graphic, back_buffer, 0.0f, 0.0f);
        draw_text("Code:", 160.0f, 100.0f, back_buffer);
        draw_text("gnask", 180.0f, 116.0f, back_buffer);
    }
    door_draw(door_half_width(t), back_buffer);
    run_fade_table(lift_fades, back_buffer, t);
}
