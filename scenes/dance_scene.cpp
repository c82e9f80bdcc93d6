#include "scenes/dance_scene.h"

#include "effects/plasma.h"
#include "platform/font.h"
#include "platform/image.h"
#include "platform/steps.h"
#include "platform/video.h"
#include "scenes/data_files.h"

Sprite* dance_riding_sprite;
Sprite* jamming_sprite;
SDL_Surface* dance_graph;
SDL_Surface* filled_arrows[4];
SDL_Surface* empty_arrows[4];

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

void dance_load()
{
    build_palette();
    dance_riding_sprite = load_sprite(dancer_riding_file, dancer_frames);
    jamming_sprite = load_sprite(dancer_jamming_file, dancer_frames);
    dance_graph = load_image(dance_graph_file);
    for (int arrow : arrow_load_order)
        filled_arrows[arrow] = load_image(filled_arrow_files[arrow]);
    for (int arrow : arrow_load_order)
        empty_arrows[arrow] = load_image(empty_arrow_files[arrow]);
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

void dance_frame(uint32_t t)
{
    if (t - dance_start > deform_start - dance_start)
        return;
    const float a = dance_entry(t);
    // A frame shows the palette as the turns before its own step left it.
    const int64_t step = frame_step(t);
    turn_palette(dance_start, step - 1);
    draw_plasma(t, back_buffer);
    turn_palette(dance_start, step);

    const float e = dance_exit(t);
    if (t >= dance_exit_start) {
        keyed_blit(dance_graph, back_buffer, graph_x, float(graph_rise - graph_rise * e));
        const int xm = int(credit_start_x - credit_run * double(e));
        draw_text("Music:", float(xm), credit_title_y, back_buffer);
        draw_text("Vantorquil", float(xm + credit_indent), credit_name_y, back_buffer);
    }

    if (t >= arrows_start && t <= arrows_end) {
        const float y = float(arrow_row_top(t));
        for (int arrow = 0; arrow < 4; arrow++)
            keyed_blit(empty_arrows[arrow], back_buffer, float(arrow_row_x + arrow_spacing * arrow),
                       y);
    }

    if (t >= arrows_start) {
        // The flash of each beat goes down inside the loop, so the notes after
        // it in this frame lie on top of the white.
        for (int n = 0; n < note_count; n++) {
            const int y = note_top(n, t);
            if (y >= arrow_row_y) {
                const ArrowStep& step = arrow_pattern[n % 12];
                keyed_blit(filled_arrows[step.arrow], back_buffer,
                           float(arrow_row_x + step.x_offset), float(y));
            }
            white_flash(t, first_beat + beat_every * n, back_buffer);
        }
    }

    Sprite* dancer = e > 0.0f ? jamming_sprite : dance_riding_sprite;
    draw_sprite(t, dancer_x(a, e), dancer_y, dancer, back_buffer, dancer_scale);
    run_fade_table(dance_fades, back_buffer, t);
}
