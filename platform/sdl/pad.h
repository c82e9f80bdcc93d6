// The gamepads of a Linux desktop, read from their event devices (evdev), where
// the kernel names every pad's Back, View, Select or Share button BTN_SELECT,
// the Steam Deck's and Steam's own virtual pad included, whatever the make.
// SDL 1.2's joystick numbers its buttons as each device lists them, so a
// number would mean another button on another pad. sys_sdl.cpp follows them;
// tests/unit/gamepad_test.cpp holds this to its rules.
#pragma once

#include <cstddef>

#include "platform/pad.h"

namespace pad {

// Whether a device whose EV_KEY capability bits are `keys` (as EVIOCGBIT gives
// them, `bytes` long) is a gamepad with a Back button: BTN_SELECT among the
// gamepad buttons, not a keyboard's or a remote's Select key.
bool is_gamepad(const unsigned char* keys, size_t bytes);

// Reads every input event waiting on fd (opened non-blocking) and follows the
// Back button in b; true when it came up. *gone is set when the device went
// away (unplugged), and fd should then be closed.
bool back_released(int fd, PadButton* b, bool* gone);

// Opens, non-blocking, up to `max` gamepads among the event devices
// dir/event*, in the order of their numbers; their descriptors go in fds and
// each one's button state, as it is now, in buttons. Returns how many.
int open_gamepads(const char* dir, int* fds, PadButton* buttons, int max);

}  // namespace pad
