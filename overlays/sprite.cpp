#include "overlays/sprite.h"

#include <new>

#include "core/steps.h"

Sprite* sprite_make(Surface* sheet, int32_t frame_count)
{
    // A sheet too short for its frames would be read past its end.
    if (!sheet || frame_count <= 0 || sheet->h < int64_t(frame_count) * sprite_frame_rows ||
        int64_t(frame_count) * sprite_frame_rows > 32767)
        return nullptr;
    Sprite* s = new (std::nothrow) Sprite;
    if (!s)
        return nullptr;
    *s = Sprite{sheet,           frame_count, 0, sheet->w, sprite_frame_rows,
                sprite_frame_ms, 0,           0, 0,        sprite_not_drawn};
    sheet->keyed = true;
    return s;
}

void sprite_draw(uint32_t t, const FrameSteps* frames, Sprite* sprite, int cx, int cy, float scale,
                 Surface* target)
{
    if (!sprite || !target)
        return;
    if (sprite->steps_taken == sprite_not_drawn)
        sprite->steps_taken = step_first(t) - 1;
    const StepRange r = steps_take(&sprite->steps_taken, 0, steps_due(frames, t));
    for (int64_t k = r.first; k <= r.last; k++) {
        const uint32_t s = step_time(k);
        if (s >= sprite->last_step + uint32_t(sprite->frame_interval)) {
            sprite->last_step = s;  // a late step does not catch up
            if (++sprite->current_frame >= sprite->frame_count)
                sprite->current_frame = 0;
        }
    }
    const int fw = sprite->frame_width;
    const int fh = sprite->frame_height;
    const int left = int16_t(cx - fw / 2);
    const int top = int16_t(cy - fh / 2);
    sprite->last_left = left;
    sprite->last_top = top;
    // A negative scale would walk the sheet backwards for ever; NaN stops at once.
    if (!(scale >= 0.0f))
        return;

    const float step = 1.0f / scale;
    const int first_row = int16_t(sprite->current_frame * fh);
    const int row_end = first_row + fh;
    const int spitch = sprite->sheet->pitch;
    const int tpitch = target->pitch;
    const uint32_t* sheet = sprite->sheet->pixels;
    uint32_t* dst = target->pixels;
    // Nearest-neighbour sampling accumulated step by step in single precision.
    // Rows and columns off the target still consume their share of the sampling;
    // past the right or bottom edge nothing more can show, so the walk stops there.
    int y = top;
    for (float v = float(first_row); v < row_end && y < target->h; v += step, y++) {
        if (y < 0 || fw <= 0)
            continue;
        const uint32_t* srow = sheet + int(v) * spitch;
        uint32_t* trow = dst + y * tpitch;
        int x = left;
        float u = 0.0f;
        do {
            if (x >= target->w)
                break;
            if (x >= 0) {
                const uint32_t p = srow[int(u)];
                if ((p & 0x00FFFFFF) != magenta_key)
                    trow[x] = p;
            }
            x++;
            u += step;
        } while (u < fw);
    }
}
