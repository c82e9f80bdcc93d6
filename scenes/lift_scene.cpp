#include "scenes/lift_scene.h"

#include "draw/blit.h"
#include "draw/picture.h"
#include "effects/rings.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"

constexpr int lift_sprite_frames = 4;
constexpr int lift_sprite_x = 125;  // centre of the unmagnified frame
constexpr int lift_sprite_y = 80;
constexpr float lift_sprite_scale = 2.0f;

constexpr uint32_t lift_inside_grey = 0xFF808080;
constexpr uint32_t credit_black = 0xFF000000;
constexpr uint32_t door_edge_grey = 0xFF808080;
constexpr uint32_t door_edge_white = 0xFFFFFFFF;
constexpr int door_centre = back_width / 2;  // the doors part from this column

void lift_load(LiftScene* scene, SharedState* shared)
{
    scene->graphic = picture_load(lift_graph_file);
    scene->sprite = sprite_load(lift_dancer_file, lift_sprite_frames);
    scene->doors = surface_make_scratch(back_width, back_height);
    shared->ring_image = rings_make_image();
}

// Share of a door movement left after `since` ms of `ms`; nothing stops it
// below 0, which is how the doors end up shut (negative) after the last close.
static float closing(uint32_t since, uint32_t ms)
{
    return float(1 - double(since) / ms);
}

int door_half_width(uint32_t t)
{
    const DoorMove* m = door_move_at(t);
    if (!m)
        return -1;
    const float share = m->opens ? progress(t - m->start, m->ms) : closing(t - m->start, m->ms);
    return int(m->half_width * double(share));
}

// One door edge, grey, white, grey, centred on column x; columns off the row
// are left out.
static void door_edge(uint32_t* row, int x, int width)
{
    const uint32_t edge[3] = {door_edge_grey, door_edge_white, door_edge_grey};
    for (int i = 0; i < 3; i++)
        if (x - 1 + i >= 0 && x - 1 + i < width)
            row[x - 1 + i] = edge[i];
}

void door_draw(int b, Surface* doors, Surface* target)
{
    if (!doors || !target)
        return;
    if (b >= 0) {
        // The scene keeps b within 120, but any b is clipped to the row; wider
        // openings all look alike and would overflow the column arithmetic.
        const int width = doors->w;
        if (b > width)
            b = width;
        const int left = door_centre - b;
        const int right = door_centre + b;
        const int clear_from = left < 0 ? 0 : left;
        const int clear_to = right > width ? width : right;
        const int pitch = doors->pitch;
        uint32_t* row = doors->pixels;
        for (int y = 0; y < doors->h; y++, row += pitch) {
            for (int x = clear_from; x < clear_to; x++)
                row[x] = 0;  // transparent: the inside shows through
            door_edge(row, left, width);
            door_edge(row, right, width);  // after the left one, over it where they meet
        }
    }
    surface_blit(doors, 0, 0, target);
}

void lift_scene_draw(uint32_t t, LiftScene* scene, const SharedState* shared, Surface* target)
{
    if (t - lift_start > tunnel_start - lift_start)
        return;
    rings_draw(t, shared->ring_image, scene->doors);
    if (t < credit_doors_open_start) {
        surface_fill(lift_inside_grey, target);
        sprite_draw(t, &shared->frames, scene->sprite, lift_sprite_x, lift_sprite_y,
                    lift_sprite_scale, target);
    } else {
        surface_fill(credit_black, target);
        picture_blit_keyed(scene->graphic, 0.0f, 0.0f, target);
        text_draw(shared->font, "Code:", 160.0f, 100.0f, target);
        text_draw(shared->font, "gnask", 180.0f, 116.0f, target);
    }
    door_draw(door_half_width(t), scene->doors, target);
    fade_run_table(t, &shared->fades, lift_fades, target);
}
