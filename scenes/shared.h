// What the scenes draw with together: state one scene makes and another
// carries on, and the font every text is set in. Made by the load steps,
// kept until the show ends.
#pragma once

#include "core/random.h"
#include "core/steps.h"
#include "draw/font.h"
#include "effects/plasma.h"
#include "effects/starfield.h"
#include "effects/tunnel.h"
#include "overlays/fade.h"

struct SharedState {
    // The frames drawn so far: started by the frame function each frame, read
    // by every state that changes in 60 Hz steps.
    FrameSteps frames;
    // The show's random sequence, seeded by shared_load: the stars draw their
    // places from it, the title its noise.
    Random random;
    // The fades' and flashes' overlays and the gentle switch.
    Fades fades;
    // Built by the dance scene; turned by the dance scene, then by the finale.
    Palette palette;
    // Made by the dance scene; where the plasma is worked out, by it and the finale.
    PlasmaRows* plasma_rows = nullptr;
    // Made by the greetings scene; flown by it, then by the finale.
    Star* stars = nullptr;
    // Made by the lift scene; drawn by it and by the finale.
    Surface* ring_image = nullptr;
    // Built and loaded by the tunnel scene; flown by it and by the finale.
    TunnelTables tunnel;
    Surface* tunnel_texture = nullptr;
    // Every text of the show and the scroll text; null when the sheet did not load.
    const Font* font = nullptr;
};

// What the shared state holds before any scene loads: the fades' overlays
// (gentle flashes or not) and the random sequence from the show's seed.
void shared_load(SharedState* shared, bool gentle);
