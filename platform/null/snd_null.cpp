// The null platform's mixer: no sound, unless a test installed its fake output.
#include <algorithm>
#include <cmath>

#include "platform/mixer.h"
#include "platform/null/fake_output.h"

struct MixerMusic {};

static FakeOutput* fake;  // the platform's device, scripted by a test
static MixerMusic fake_music;

void fake_output_install(FakeOutput* output)
{
    fake = output;
}

const FakeOutput* fake_output_clock()
{
    return fake;
}

// The output's latency at clock reading at: bending from one to the other.
static double latency_at(const FakeOutput& o, double at)
{
    const double part = std::clamp((at - o.change_at) / o.change_ms, 0.0, 1.0);
    return o.latency + (o.latency_later - o.latency) * part;
}

double fake_output_heard(const FakeOutput& o, double at)
{
    // The output's own time since the first sample reached the listener,
    // less what it spent playing nothing.
    const double first = o.played_at + o.start_delay;
    double played = at - first - latency_at(o, at);
    for (const FakeOutput::Stall& s : o.stalls)
        played -= std::clamp(at - s.at, 0.0, s.ms);
    return o.played_from + played * (1 + o.drift);
}

bool mixer_open(int)
{
    return fake != nullptr;
}

void mixer_close() {}

MixerMusic* mixer_load(const char*)
{
    return fake ? &fake_music : nullptr;
}

void mixer_free(MixerMusic*)
{
    if (fake)
        fake->playing = false;
}

bool mixer_play(MixerMusic*)
{
    return mixer_set_position(nullptr, 0);
}

void mixer_pause()
{
    if (fake)
        fake->playing = false;
}

void mixer_resume(MixerMusic*) {}

bool mixer_set_position(MixerMusic*, unsigned ms)
{
    if (!fake)
        return false;
    fake->played_at = fake->now;
    fake->played_from = ms;
    fake->playing = true;
    return true;
}

bool mixer_heard(MixerMusic*, double at, double* music_ms)
{
    if (!fake || !fake->playing)
        return false;
    // What it last said, carried on to `at`, but never past what it was
    // handed: a report is as old as report_ms at most.
    const FakeOutput& o = *fake;
    const double said = o.report_ms > 0 ? o.now - std::fmod(o.now, o.report_ms) : o.now;
    const double handed = fake_output_heard(o, o.now) + latency_at(o, o.now);
    *music_ms = std::min(fake_output_heard(o, said) + (at - said), handed);
    return true;
}
