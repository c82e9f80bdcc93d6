#include "overlays/sprite.h"

#include <cstdio>
#include <new>

#include "platform/image.h"
#include "platform/steps.h"

Sprite* make_sprite(SDL_Surface* sheet, int32_t frame_count)
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
    set_magenta_key(sheet);
    return s;
}

Sprite* load_sprite(const char* path, int32_t frame_count)
{
    SDL_Surface* sheet = load_image(path);
    if (!sheet)
        return nullptr;
    Sprite* s = make_sprite(sheet, frame_count);
    if (!s)
        printf("Error at loading picture %s\n", path);
    return s;
}

void draw_sprite(uint32_t t, int cx, int cy, Sprite* sprite, SDL_Surface* target, float scale)
{
    if (!sprite || !target)
        return;
    if (sprite->steps_taken == sprite_not_drawn)
        sprite->steps_taken = first_step(t) - 1;
    const StepRange r = take_steps(&sprite->steps_taken, 0, frame_step(t));
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
    const int left = Sint16(cx - fw / 2);
    const int top = Sint16(cy - fh / 2);
    sprite->last_left = left;
    sprite->last_top = top;
    // A negative scale would walk the sheet backwards for ever; NaN stops at once.
    if (!(scale >= 0.0f))
        return;

    lock_surface(sprite->sheet);
    lock_surface(target);
    const float step = 1.0f / scale;
    const int first_row = Sint16(sprite->current_frame * fh);
    const int row_end = first_row + fh;
    const int spitch = pitch_pixels(sprite->sheet);
    const int tpitch = pitch_pixels(target);
    const Uint32* sheet = static_cast<const Uint32*>(sprite->sheet->pixels);
    Uint32* dst = static_cast<Uint32*>(target->pixels);
    // Nearest-neighbour sampling accumulated step by step in single precision.
    // Rows and columns off the target still consume their share of the sampling;
    // past the right or bottom edge nothing more can show, so the walk stops there.
    int y = top;
    for (float v = float(first_row); v < row_end && y < target->h; v += step, y++) {
        if (y < 0 || fw <= 0)
            continue;
        const Uint32* srow = sheet + int(v) * spitch;
        Uint32* trow = dst + y * tpitch;
        int x = left;
        float u = 0.0f;
        do {
            if (x >= target->w)
                break;
            if (x >= 0) {
                const Uint32 p = srow[int(u)];
                if ((p & 0x00FFFFFF) != magenta_key)
                    trow[x] = p;
            }
            x++;
            u += step;
        } while (u < fw);
    }
    unlock_surface(target);
    unlock_surface(sprite->sheet);
}
