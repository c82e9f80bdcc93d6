// Title scene (0 .. 14596 ms): noise, then the title picture, under the title
// fades and a train of 31 picture flashes.
#pragma once

#include <cstdint>

#include "core/steps.h"
#include "draw/surface.h"
#include "overlays/fade.h"
#include "scenes/shared.h"
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
    uint32_t start;          // demo time the flash begins
    uint32_t duration;       // drawn for start <= t <= start + duration
    const Surface* picture;  // not owned
    int32_t x, y;            // where the picture's top-left lands
};

struct FlashTrain {
    const Surface** pictures;  // the pictures the events may show
    int32_t picture_count;
    FlashEvent* events;  // in start order
    int32_t event_count;
};

struct TitleScene {
    Surface* picture = nullptr;  // the title art, from the noise's end on
    FlashTrain* flash_train = nullptr;
    Surface* noise = nullptr;             // the noise fill, 320x240 in the scratch layout
    Surface* flash_work = nullptr;        // the flash compositor's, 320x240 in the scratch layout
    int64_t noise_steps_taken = no_step;  // latest 60 Hz step the noise was drawn at
};

// Makes the noise and compositor surfaces, loads the title and flash pictures
// and builds the flash train.
void title_load(TitleScene* scene);
// Noise or picture, the title fades, the flash train. Call only while t <= 14596.
// The noise changes at each 60 Hz step.
void title_scene_draw(uint32_t t, TitleScene* scene, SharedState* shared, Surface* target);
// Fresh noise from the random sequence over the whole target, through the noise surface.
void title_draw_noise(TitleScene* scene, Random* random, Surface* target);
// The noise at each 60 Hz step before the title picture not yet taken, up to
// step last, drawn into the noise surface: the random sequence the stars draw
// from later is the same at any frame rate.
void title_step_noise(int64_t last, Random* random, TitleScene* scene);
// Every flash of the train whose window holds t.
void title_draw_flash_train(uint32_t t, TitleScene* scene, bool gentle, Surface* target);
// One flash: the picture over opaque red with a rising and falling alpha
// (gentle or not), put together in the work surface and blended onto the
// target at (x, y).
void title_draw_flash(uint32_t t, uint32_t start, uint32_t duration, const Surface* picture, int x,
                      int y, bool gentle, Surface* work, Surface* target);
