#include "scenes/deform_scene.h"

#include <new>

#include "platform/font.h"
#include "platform/image.h"
#include "platform/video.h"
#include "scenes/data_files.h"

Sprite* deform_rider;
SDL_Surface* deform_texture;
SDL_Surface* deform_graph;
DeformShift* inversion_table;
DeformShift* ripple_table;
DeformMap deform_map;

static const char credit_title[] = "Pixels:";
static const char credit_name[] = "MorbiLa";

constexpr int table_entries = deform_table_side * deform_table_side;

static float clamp_unit(float v)
{
    return v > 1.0f ? 1.0f : v < 0.0f ? 0.0f : v;
}

// Rider size 0 .. 1: growing from rider_grow_start, shrinking from the credit's start.
static float rider_factor(uint32_t t)
{
    if (t < deform_credit_start)
        return clamp_unit(float((double(t) - rider_grow_start) / rider_scale_ms));
    return clamp_unit(float(1.0 - (double(t) - deform_credit_start) / rider_scale_ms));
}

RiderPlacement rider_placement(uint32_t t)
{
    const float s = rider_factor(t);
    return {int(rider_rest_x + rider_travel_x * (1.0 - s)),
            int(rider_rest_y + rider_travel_y * (1.0 - s)), float(rider_full_scale * s)};
}

// How far the credit has come, 0 .. 1, from its start on.
static float credit_slide(uint32_t t)
{
    return progress(t - deform_credit_start, credit_slide_ms);
}

int credit_top(uint32_t t)
{
    return int(credit_drop * credit_slide(t) + credit_top_start);
}

int graph_left(uint32_t t)
{
    return int(graph_start_x - graph_start_x * credit_slide(t));
}

void deform_load()
{
    deform_rider = load_sprite(rider_file, rider_frames);
    deform_texture = load_image(deform_texture_file);
    deform_graph = load_image(deform_graph_file);
    // A table that cannot be had leaves the deformation undrawn, not the show stopped.
    inversion_table = new (std::nothrow) DeformShift[table_entries];
    ripple_table = new (std::nothrow) DeformShift[table_entries];
    build_inversion_table(inversion_table);
    build_ripple_table(ripple_table);
    build_deform_map(inversion_table, ripple_table, deform_texture, &deform_map);
}

void deform_frame(uint32_t t)
{
    if (t - deform_start > greetings_start - deform_start)
        return;
    render_deformation(t / deform_ms_per_step, deform_texture, &deform_map, back_buffer);
    if (t >= deform_credit_start) {
        const int y = credit_top(t);
        draw_text(credit_title, credit_title_x, float(y), back_buffer);
        draw_text(credit_name, credit_name_x, float(y + credit_line_step), back_buffer);
        keyed_blit(deform_graph, back_buffer, float(graph_left(t)), 0.0f);
    }
    if (t >= rider_grow_start) {
        const RiderPlacement rider = rider_placement(t);
        draw_sprite(t, rider.x, rider.y, deform_rider, back_buffer, rider.scale);
    }
    run_fade_table(deform_fades, back_buffer, t);
}
