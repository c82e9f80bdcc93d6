// A gamepad's Back button (Back on Xbox pads, View on later ones and on the
// Steam Deck, Select or Share on others) ends the show as Escape does: when it
// comes up. Every platform follows the button by the same rule, from events or
// from polled states (tests/unit/gamepad_test.cpp).
#pragma once

struct PadButton {
    bool known = false;  // a state has been seen
    bool down = false;   // the last state seen
    bool armed = false;  // it went down while followed
};

// Takes the button's state now; true once, when it comes up after going down
// while followed. One already held when first seen (a press that started the
// program, or a pad plugged in with it held) ends nothing until it has been
// released and pressed again.
inline bool pad_button_released(PadButton* b, bool down)
{
    const bool released = b->armed && b->down && !down;
    if (down && b->known && !b->down)
        b->armed = true;
    if (released)
        b->armed = false;
    b->known = true;
    b->down = down;
    return released;
}
