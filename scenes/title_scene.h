// Title scene (0 .. 14596 ms): noise, then the title picture, under the title
// fades and a train of 31 picture flashes.
#pragma once

#include <cstdint>

#include "overlays/fade.h"
#include "platform/surface.h"
#include "scenes/timeline.h"

constexpr uint32_t title_picture_time = 5000;  // noise before, picture from here on

// The flash train: one flash every 400 ms from 400 to 12400, each 200 ms long.
constexpr uint32_t title_flash_first = 400;
constexpr uint32_t title_flash_every = 400;
constexpr uint32_t title_flash_length = 200;
constexpr int title_flash_count = 31;

constexpr FadeEvent title_fades[] = {
    {title_start, 1000, 1},                                   // noise in from black
    {title_picture_time - scene_fade_ms, scene_fade_ms, -1},  // noise out
    {title_picture_time, scene_fade_ms, 1},                   // title picture in
    {dance_start - scene_fade_ms, scene_fade_ms, -1},         // title picture out
    {0, 0, 0},
};

// One flash of a picture; a list of them ends early at start = duration = 0.
struct FlashEvent {
    uint32_t start;        // demo time the flash begins
    uint32_t duration;     // drawn for start <= t <= start + duration
    SDL_Surface* picture;  // not owned
    int32_t x, y;          // where the picture's top-left lands
};

struct FlashTrain {
    SDL_Surface** pictures;  // the pictures the events may show
    int32_t picture_count;
    FlashEvent* events;  // in start order
    int32_t event_count;
};

extern SDL_Surface* title_picture;       // the title art, from the noise's end on
extern FlashTrain* flash_train;          // built by title_load
extern SDL_Surface* noise_surface;       // the noise fill, 320x240 in the scratch layout
extern SDL_Surface* flash_work_surface;  // the flash compositor's, 320x240 in the scratch layout
extern int64_t noise_steps_taken;        // latest 60 Hz step the noise was drawn at

// Makes the noise and compositor surfaces, loads the title and flash pictures
// and builds the flash train.
void title_load();
// Noise or picture, the title fades, the flash train. Call only while t <= 14596.
// The noise changes at each 60 Hz step.
void title_frame(uint32_t t);
// Fresh noise from the random sequence over the whole target, through the noise surface.
void noise_fill(SDL_Surface* target);
// The noise at each 60 Hz step before the title picture not yet taken, up to
// step last, drawn into the noise surface: the random sequence the stars draw
// from later is the same at any frame rate.
void noise_steps(int64_t last);
// Every flash of the train whose window holds t.
void draw_flash_train(SDL_Surface* target, uint32_t t);
// One flash: the picture over opaque red with a rising and falling alpha.
void flash_compositor(uint32_t t, uint32_t start, uint32_t duration, SDL_Surface* picture,
                      SDL_Surface* target, int x, int y);
