// A gamepad's Back button ends the show: the rule every platform follows the
// button by (platform/pad.h), and the Linux desktop's reading of pads from
// their event devices (platform/sdl/pad.h), fed here through pipes and
// capability bits as the kernel gives them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/input.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "platform/pad.h"
#include "platform/sdl/pad.h"

TEST(PadButton, EndsTheShowOnceWhenBackComesUpAfterGoingDownWhileFollowed)
{
    struct Case {
        const char* name;
        std::vector<bool> states;    // the button down (true) or up, in turn
        std::vector<bool> released;  // what each state answers
    };
    const Case cases[] = {
        {"pressed and released", {false, true, false}, {false, false, true}},
        {"released once only", {false, true, false, false}, {false, false, true, false}},
        {"held on", {false, true, true, true}, {false, false, false, false}},
        {"held from the start", {true, true, false}, {false, false, false}},
        {"held from the start, then pressed again",
         {true, false, true, false},
         {false, false, false, true}},
        {"pressed twice", {false, true, false, true, false}, {false, false, true, false, true}},
        {"never pressed", {false, false, false}, {false, false, false}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PadButton b;
        for (size_t i = 0; i < c.states.size(); ++i)
            EXPECT_EQ(pad_button_released(&b, c.states[i]), c.released[i]) << "state " << i;
    }
}

TEST(EvdevPads, AGamepadIsOneWithBackAmongItsPadButtons)
{
    struct Case {
        const char* name;
        std::vector<int> keys;
        bool gamepad;
    };
    const Case cases[] = {
        {"Xbox pad (xpad, Steam's virtual pad)",
         {BTN_A, BTN_B, BTN_X, BTN_Y, BTN_TL, BTN_TR, BTN_SELECT, BTN_START, BTN_MODE, BTN_THUMBL,
          BTN_THUMBR},
         true},
        {"PlayStation pad", {BTN_SOUTH, BTN_EAST, BTN_NORTH, BTN_WEST, BTN_TL2, BTN_SELECT}, true},
        {"keyboard", {KEY_ESC, KEY_A, KEY_ENTER, KEY_SELECT}, false},
        {"mouse", {BTN_LEFT, BTN_RIGHT, BTN_MIDDLE}, false},
        {"flight stick", {BTN_TRIGGER, BTN_THUMB, BTN_BASE}, false},
        {"pad with no Back", {BTN_SOUTH, BTN_EAST, BTN_START}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        unsigned char bits[KEY_MAX / 8 + 1] = {};
        for (int k : c.keys)
            bits[k / 8] |= 1 << k % 8;
        EXPECT_EQ(pad::is_gamepad(bits, sizeof bits), c.gamepad);
        // Bits that stop short of the buttons say nothing of them.
        EXPECT_FALSE(pad::is_gamepad(bits, BTN_SOUTH / 8));
    }
}

// A device's events as the kernel writes them, through a pipe read
// non-blocking as a pad's descriptor is.
struct Events {
    int fds[2];
    Events() { EXPECT_EQ(pipe2(fds, O_NONBLOCK), 0); }
    ~Events()
    {
        close(fds[0]);
        if (fds[1] >= 0)
            close(fds[1]);
    }
    void key(int code, int value)
    {
        const input_event e[2] = {{{}, EV_KEY, uint16_t(code), value}, {{}, EV_SYN, SYN_REPORT, 0}};
        ASSERT_EQ(write(fds[1], e, sizeof e), ssize_t(sizeof e));
    }
    bool released(PadButton* b, bool* gone)
    {
        *gone = false;
        return pad::back_released(fds[0], b, gone);
    }
};

TEST(EvdevPads, BackReleasedAmongTheWaitingEvents)
{
    Events ev;
    PadButton b;
    pad_button_released(&b, false);  // up when the device was opened
    bool gone;
    EXPECT_FALSE(ev.released(&b, &gone));  // nothing yet
    EXPECT_FALSE(gone);
    ev.key(BTN_SELECT, 1);
    ev.key(BTN_SELECT, 2);  // held: the key repeat
    EXPECT_FALSE(ev.released(&b, &gone));
    ev.key(BTN_START, 1);
    ev.key(BTN_START, 0);  // another button
    EXPECT_FALSE(ev.released(&b, &gone));
    ev.key(BTN_SELECT, 0);
    EXPECT_TRUE(ev.released(&b, &gone));
    EXPECT_FALSE(gone);
    // Pressed and released between two frames; and more than one read holds.
    for (int i = 0; i < 40; ++i)
        ev.key(BTN_START, i % 2);
    ev.key(BTN_SELECT, 1);
    ev.key(BTN_SELECT, 0);
    EXPECT_TRUE(ev.released(&b, &gone));
    EXPECT_FALSE(ev.released(&b, &gone));
    // Unplugged: the device is gone.
    close(ev.fds[1]);
    ev.fds[1] = -1;
    EXPECT_FALSE(ev.released(&b, &gone));
    EXPECT_TRUE(gone);
}

TEST(EvdevPads, NothingButEventDevicesWithPadButtonsIsOpened)
{
    char dir[] = "/tmp/gamepad_test.XXXXXX";
    ASSERT_NE(mkdtemp(dir), nullptr);
    const std::string d = dir;
    // Files named as event devices that are none: the ioctls refuse them.
    close(open((d + "/event0").c_str(), O_CREAT | O_WRONLY, 0644));
    ASSERT_EQ(mkfifo((d + "/event1").c_str(), 0644), 0);
    int fds[4];
    PadButton buttons[4];
    EXPECT_EQ(pad::open_gamepads(dir, fds, buttons, 4), 0);
    EXPECT_EQ(pad::open_gamepads((d + "/none").c_str(), fds, buttons, 4), 0);
    unlink((d + "/event0").c_str());
    unlink((d + "/event1").c_str());
    rmdir(dir);
}
