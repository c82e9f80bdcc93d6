// The scroller: a darkened band along the bottom of every frame from the
// dance on, and the one long line of text sliding through it.
#pragma once

#include <cstdint>

#include "draw/font.h"
#include "draw/surface.h"

// The scrolling message: one line of 960 printable characters.
extern const char scroll_text[];

// Scroller band lines for demo time t, 0..24.
int band_height(uint32_t t);

// Left end of the scroll text at demo time t.
float scroll_text_x(uint32_t t);

// Darkens the bottom h lines of the target by (1 - k), with a grey bevel on
// the top six.
void scroller_draw_band(int h, float k, Surface* target);

// The band and, from its start, the scroll text for demo time t: drawn over
// whatever the scenes left.
void scroller_draw(uint32_t t, const Font* font, Surface* target);
