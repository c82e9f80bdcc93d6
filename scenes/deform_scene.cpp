#include "scenes/deform_scene.h"

#include <new>

#include "draw/picture.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"

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

void deform_load(DeformScene* scene)
{
    scene->rider = sprite_load(rider_file, rider_frames);
    scene->texture = picture_load(deform_texture_file);
    scene->graph = picture_load(deform_graph_file);
    // A table that cannot be had leaves the deformation undrawn, not the show stopped.
    scene->inversion = new (std::nothrow) DeformShift[table_entries];
    scene->ripple = new (std::nothrow) DeformShift[table_entries];
    deform_make_inversion(scene->inversion);
    deform_make_ripple(scene->ripple);
    deform_make_map(scene->inversion, scene->ripple, scene->texture, &scene->map);
}

void deform_scene_draw(uint32_t t, DeformScene* scene, const SharedState* shared, Surface* target)
{
    if (t - deform_start > greetings_start - deform_start)
        return;
    deform_draw(t / deform_ms_per_step, scene->texture, &scene->map, target);
    if (t >= deform_credit_start) {
        const int y = credit_top(t);
        text_draw(shared->font, credit_title, credit_title_x, float(y), target);
        text_draw(shared->font, credit_name, credit_name_x, float(y + credit_line_step), target);
        picture_blit_keyed(scene->graph, float(graph_left(t)), 0.0f, target);
    }
    if (t >= rider_grow_start) {
        const RiderPlacement rider = rider_placement(t);
        sprite_draw(t, &shared->frames, scene->rider, rider.x, rider.y, rider.scale, target);
    }
    fade_run_table(t, &shared->fades, deform_fades, target);
}
