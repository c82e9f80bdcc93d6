// What the scenes draw with together: state one scene makes and another
// carries on, and the font every text is set in. Made by the load steps,
// kept until the show ends.
#pragma once

#include "draw/font.h"
#include "effects/plasma.h"
#include "effects/starfield.h"
#include "effects/tunnel.h"

struct SharedState {
    // Built by the dance scene; turned by the dance scene, then by the finale.
    Palette palette;
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
