// How long the sound server holds what this process plays before it is
// heard, asked of PulseAudio (or PipeWire's stand-in for it), whichever SDL
// plays through. libpulse is opened at run time, so a machine without it
// still plays: the latency is then not known.
#pragma once

#include <cstdint>

// The server's answer: the latency of this process's stream at clock_ms()
// reading `at`, and what the caller's counter said when it was asked.
struct ServerLatency {
    double ms;
    double at;
    uint64_t counted;
};

// Starts asking every few tens of milliseconds, in a thread of its own;
// `count` is read when an answer comes, to tie the answer to what was played.
// False when there is no server to ask.
bool pulse_latency_start(uint64_t (*count)());
// The latest answer; false while there is none.
bool pulse_latency_latest(ServerLatency* latest);
// Stops asking, at once.
void pulse_latency_stop();
