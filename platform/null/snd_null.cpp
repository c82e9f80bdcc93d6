// The null platform's mixer: there is no sound to open.
#include "platform/mixer.h"

bool mixer_open(int)
{
    return false;
}

void mixer_close() {}

MixerMusic* mixer_load(const char*)
{
    return nullptr;
}

void mixer_free(MixerMusic*) {}

bool mixer_play(MixerMusic*)
{
    return false;
}

void mixer_pause() {}

void mixer_resume(MixerMusic*) {}

bool mixer_set_position(MixerMusic*, unsigned)
{
    return false;
}
