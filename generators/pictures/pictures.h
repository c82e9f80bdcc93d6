// Every picture of the show, one drawing function each, all made with the
// toolkit of paint.h and the typeface of glyphs.h.
#pragma once

#include "generators/pictures/paint.h"
#include "scenes/data_files.h"

// Scenery: 320x240 unless noted.
Canvas draw_title();            // opaque: "VARNO STYLE" over a dusk horizon
Canvas draw_flash();            // opaque: the burst flashed on the beat
Canvas draw_icon(int size);     // opaque, size x size: the title's square, for the desktop
Canvas draw_deform_texture();   // opaque, seamless: warped by the deform scene
Canvas draw_tunnel_texture();   // 512x512, opaque, seamless both ways
Canvas draw_graph_zelto();      // keyed, 400x240: the music credit's artwork
Canvas draw_graph_nariq();      // keyed: the pixels credit's artwork
Canvas draw_graph_jaune();      // keyed: the graphics credit's artwork
Canvas draw_graph_ascenseur();  // keyed, on black: the code credit's lift panel

// Dance arrows, 28x28 keyed: direction 0 left, 1 down, 2 up, 3 right.
Canvas draw_arrow(int direction, bool filled);

// Sprite sheets: frames of 64x100 stacked top to bottom, keyed.
Canvas draw_zelto_riding();   // 16 frames: the dancer grooving on a hoverboard
Canvas draw_zelto_jamming();  // 16 frames: the dancer dancing, sliding backwards
Canvas draw_nariq_riding();   // 16 frames: the second character on a scooter
Canvas draw_lift_zelto();     // 4 frames: the dancer waiting in the lift
Canvas draw_car();            // 2 frames: a car from behind, low in the frame

// Greeting logos, 320x240 keyed, each an invented group in its own lettering;
// index 0 .. logo_count - 1.
Canvas draw_logo(int index);
