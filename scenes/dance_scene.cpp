#include "scenes/dance_scene.h"

#include "core/steps.h"
#include "draw/picture.h"
#include "effects/plasma.h"
#include "scenes/data_files.h"
#include "scenes/pictures.h"

constexpr int dancer_frames = 16;
constexpr int dancer_start_x = 320;   // enters from off the right edge...
constexpr int dancer_home_x = 40;     // ...dances here...
constexpr int dancer_exit_run = 200;  // ...and leaves this far to the left
constexpr int dancer_y = 60;
constexpr float dancer_scale = 2.0f;

constexpr int arrow_spacing = 30;
constexpr int row_hidden_y = -32;  // the row waits above the top edge
constexpr int row_drop = arrow_row_y - row_hidden_y;
constexpr int note_start_y = 1000;       // a note's height at 16000 ms, before its spacing
constexpr double note_speed = 100.0;     // pixels per second
constexpr double note_spacing_s = 0.25;  // one note per beat

constexpr float graph_x = -80.0f;
constexpr double graph_rise = 240.0;  // from the bottom edge to the top
constexpr int credit_start_x = 320;
constexpr int credit_run = 180;
constexpr int credit_indent = 20;  // the name sits a little right of its title
constexpr float credit_title_y = 80.0f;
constexpr float credit_name_y = 96.0f;

// Arrow indices in the order their pictures load: up, down, left, right.
constexpr int arrow_load_order[4] = {2, 1, 0, 3};

void dance_load(DanceScene* scene, SharedState* shared)
{
    palette_make(&shared->palette);
    shared->plasma_rows = plasma_make_rows();
    scene->riding = sprite_load(dancer_riding_file, dancer_frames);
    scene->jamming = sprite_load(dancer_jamming_file, dancer_frames);
    scene->graph = picture_load(dance_graph_file);
    for (int arrow : arrow_load_order)
        scene->filled_arrows[arrow] = picture_load(filled_arrow_files[arrow]);
    for (int arrow : arrow_load_order)
        scene->empty_arrows[arrow] = picture_load(empty_arrow_files[arrow]);
}

float dance_entry(uint32_t t)
{
    if (t <= dance_start)
        return 0.0f;
    return progress(t - dance_start, dance_entry_ms);
}

float dance_exit(uint32_t t)
{
    if (t <= dance_exit_start)
        return 0.0f;
    return progress(t - dance_exit_start, dance_exit_ms);
}

int dancer_x(float a, float e)
{
    return int(dancer_start_x * (1.0 - a) + dancer_home_x * double(a) -
               dancer_exit_run * double(e));
}

int arrow_row_top(uint32_t t)
{
    if (t < arrows_rise_start)
        return int(row_drop * double(progress(t - arrows_start, arrows_drop_ms)) + row_hidden_y);
    return int(arrow_row_y - row_drop * double(progress(t - arrows_rise_start, arrows_drop_ms)));
}

int note_top(int n, uint32_t t)
{
    const float g = float(double(t - arrows_start) / 1000.0);
    const float beats = float(note_spacing_s * n + g);
    return int(note_start_y - note_speed * beats);
}

void dance_scene_draw(uint32_t t, DanceScene* scene, SharedState* shared, Surface* target)
{
    if (t - dance_start > deform_start - dance_start)
        return;
    const float a = dance_entry(t);
    // A frame shows the palette as the turns before its own step left it.
    const int64_t step = steps_due(&shared->frames, t);
    palette_turn(dance_start, step - 1, &shared->palette);
    plasma_draw(t, &shared->palette, shared->plasma_rows, target);
    palette_turn(dance_start, step, &shared->palette);

    const float e = dance_exit(t);
    if (t >= dance_exit_start) {
        picture_blit_keyed(scene->graph, graph_x, float(graph_rise - graph_rise * e), target);
        const int xm = int(credit_start_x - credit_run * double(e));
        text_draw(shared->font, "Music:", float(xm), credit_title_y, target);
        text_draw(shared->font, "Vantorquil", float(xm + credit_indent), credit_name_y, target);
    }

    if (t >= arrows_start && t <= arrows_end) {
        const float y = float(arrow_row_top(t));
        for (int arrow = 0; arrow < 4; arrow++)
            picture_blit_keyed(scene->empty_arrows[arrow],
                               float(arrow_row_x + arrow_spacing * arrow), y, target);
    }

    if (t >= arrows_start) {
        // The flash of each beat goes down inside the loop, so the notes after
        // it in this frame lie on top of the white.
        for (int n = 0; n < note_count; n++) {
            const int y = note_top(n, t);
            if (y >= arrow_row_y) {
                const ArrowStep& step = arrow_pattern[n % 12];
                picture_blit_keyed(scene->filled_arrows[step.arrow],
                                   float(arrow_row_x + step.x_offset), float(y), target);
            }
            flash_draw(t, &shared->fades, first_beat + beat_every * n, target);
        }
    }

    Sprite* dancer = e > 0.0f ? scene->jamming : scene->riding;
    sprite_draw(t, &shared->frames, dancer, dancer_x(a, e), dancer_y, dancer_scale, target);
    fade_run_table(t, &shared->fades, dance_fades, target);
}
