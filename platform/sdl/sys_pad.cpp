// The gamepads of a Linux desktop through evdev (platform/sdl/pad.h).
#include "platform/sdl/pad.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#ifdef __linux__
#include <linux/input.h>
#endif

namespace pad {

#ifdef __linux__

static bool bit(const unsigned char* bits, size_t bytes, unsigned n)
{
    return n / 8 < bytes && (bits[n / 8] >> (n % 8) & 1);
}

bool is_gamepad(const unsigned char* keys, size_t bytes)
{
    // BTN_SOUTH is BTN_GAMEPAD, the first of the pad buttons; BTN_SELECT lies
    // among them. A joystick without them (a flight stick) has no Back.
    return bit(keys, bytes, BTN_SELECT) && bit(keys, bytes, BTN_SOUTH);
}

bool back_released(int fd, PadButton* b, bool* gone)
{
    bool released = false;
    input_event events[32];
    for (;;) {
        const ssize_t got = read(fd, events, sizeof events);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            // EAGAIN: nothing more now; anything else (ENODEV when it is
            // unplugged) or the end: the device is gone.
            *gone = got == 0 || errno != EAGAIN;
            return released;
        }
        for (size_t i = 0; i < size_t(got) / sizeof events[0]; ++i) {
            const input_event& e = events[i];
            // value 0 is up, 1 down, 2 the key repeat of one held down.
            if (e.type == EV_KEY && e.code == BTN_SELECT && pad_button_released(b, e.value != 0))
                released = true;
        }
    }
}

int open_gamepads(const char* dir, int* fds, PadButton* buttons, int max)
{
    std::vector<int> numbers;
    if (DIR* d = opendir(dir)) {
        while (const dirent* entry = readdir(d)) {
            char* end;
            if (strncmp(entry->d_name, "event", 5) == 0) {
                const long n = strtol(entry->d_name + 5, &end, 10);
                if (end != entry->d_name + 5 && !*end)
                    numbers.push_back(int(n));
            }
        }
        closedir(d);
    }
    std::sort(numbers.begin(), numbers.end());
    int opened = 0;
    for (int n : numbers) {
        if (opened == max)
            break;
        const std::string path = std::string(dir) + "/event" + std::to_string(n);
        const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            continue;
        unsigned char keys[KEY_MAX / 8 + 1] = {}, held[KEY_MAX / 8 + 1] = {};
        if (ioctl(fd, EVIOCGBIT(EV_KEY, sizeof keys), keys) < 0 || !is_gamepad(keys, sizeof keys) ||
            ioctl(fd, EVIOCGKEY(sizeof held), held) < 0) {
            close(fd);
            continue;
        }
        fds[opened] = fd;
        buttons[opened] = PadButton{};
        pad_button_released(&buttons[opened], bit(held, sizeof held, BTN_SELECT));
        ++opened;
    }
    return opened;
}

#else

bool is_gamepad(const unsigned char*, size_t)
{
    return false;
}

bool back_released(int, PadButton*, bool* gone)
{
    *gone = true;
    return false;
}

int open_gamepads(const char*, int*, PadButton*, int)
{
    return 0;
}

#endif

}  // namespace pad
