// The frame loop and the loading of a platform that owns its main loop and
// has threads (the desktop, Windows; the null platform's loop too), written
// once for their system files to call.
#pragma once

#include <atomic>
#include <chrono>
#include <thread>

#include "platform/system.h"

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
