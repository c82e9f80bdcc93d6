// The capture's progress line.
#pragma once

#include <cstdint>

// Progress on standard error: on a terminal one line that updates, otherwise
// a line every few per cent.
struct VideoProgress {
    uint32_t total;
    bool terminal;
    double start;       // seconds on the steady clock
    double last_shown;  // when the terminal line was last redrawn
    int last_step;      // the last few-per-cent step printed
};
void progress_start(VideoProgress* p, uint32_t total);
void progress_update(VideoProgress* p, uint32_t done);
// Seconds since progress_start.
double progress_elapsed(const VideoProgress* p);
