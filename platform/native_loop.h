// The clock, the frame loop, the loading and the way out of a platform that
// owns its main loop and has threads (the desktop, Windows; the null
// platform's loop too), written once for their system files to call.
#pragma once

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "platform/system.h"

// The system's monotonic clock in milliseconds, with their fraction.
inline double steady_ms()
{
    using namespace std::chrono;
    return duration<double, std::milli>(steady_clock::now().time_since_epoch()).count();
}

// What was printed written out, then the process ended, waiting for nothing.
[[noreturn]] inline void flush_and_exit(int status)
{
    fflush(stdout);
    fflush(stderr);
    _exit(status);
}

// Begin, every frame until one says stop, done: the loop as it reads.
inline void run_frames_here(const FrameLoop& loop)
{
    loop.begin(loop.context);
    while (loop.frame(loop.context)) {
    }
    loop.done(loop.context);
}

// The work on a thread of its own while this one keeps asking whether to
// quit, every 2 ms; false as soon as a quit comes, the work left running.
inline bool load_beside_events(void (*work)(void* context), void* context)
{
    // Kept past a quit, when the worker still writes to it: left to the exit.
    std::atomic<bool>* done = new std::atomic<bool>(false);
    std::thread worker([done, work, context] {
        work(context);
        *done = true;
    });
    for (;;) {
        if (*done) {
            worker.join();
            delete done;
            return true;
        }
        if (quit_requested()) {
            worker.detach();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}
