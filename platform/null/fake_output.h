// A sound output for the tests, with a clock of their own: when the music
// starts to be heard, its latency, its drift and its stalls are scripted.
// Installed, it is what the null platform's mixer plays to and what its
// clock_ms() reads; with none installed (the default) the null platform has no
// sound and a steady clock.
#pragma once

#include <vector>

struct FakeOutput {
    double now = 0;             // the clock's reading (ms); the test moves it
    double start_delay = 0;     // from the play call to the output's starting
    double latency = 10;        // from a sample's being handed over to its being heard
    double latency_later = 10;  // the latency it moves to, from change_at on,
    double change_at = 1e300;   // over change_ms (as an output's rate bends)
    double change_ms = 100;
    double drift = 0;  // the output's clock against ours, less 1 (0.001: 0.1% fast)
    struct Stall {
        double at, ms;  // the output plays nothing (an underrun, a stop)
    };
    std::vector<Stall> stalls;
    double report_ms = 0;  // how often it says where it is (0: whenever asked)

    // Where the play call put it: the clock's reading and the music's position.
    double played_at = 0, played_from = 0;
    bool playing = false;
};

// Installs the output (null: none). It must outlive its use.
void fake_output_install(FakeOutput* output);
// The installed output, whose `now` the null clock reads; null when none.
const FakeOutput* fake_output_clock();

// What the listener truly hears at clock reading `at`: ms into the music.
// Before the first sample it lies before where play started.
double fake_output_heard(const FakeOutput& output, double at);
