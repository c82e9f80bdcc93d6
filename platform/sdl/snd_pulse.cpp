// The sound server's latency for this process's stream, from PulseAudio's
// introspection: the stream's buffer in the server plus the sink's own
// latency, as `pactl list sink-inputs` shows them. SDL keeps its stream to
// itself, so ours is found among the server's by our process id.
#include <dlfcn.h>
#include <pulse/pulseaudio.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>

#include "platform/sdl/pulse_latency.h"
#include "platform/system.h"

namespace {

// The calls we make, looked up in libpulse.so.0 at run time.
struct Pulse {
    void* library;
#define PULSE_CALL(name) decltype(&::name) name
    PULSE_CALL(pa_mainloop_new);
    PULSE_CALL(pa_mainloop_get_api);
    PULSE_CALL(pa_mainloop_prepare);
    PULSE_CALL(pa_mainloop_poll);
    PULSE_CALL(pa_mainloop_dispatch);
    PULSE_CALL(pa_mainloop_wakeup);
    PULSE_CALL(pa_mainloop_free);
    PULSE_CALL(pa_context_new);
    PULSE_CALL(pa_context_connect);
    PULSE_CALL(pa_context_get_state);
    PULSE_CALL(pa_context_disconnect);
    PULSE_CALL(pa_context_unref);
    PULSE_CALL(pa_context_get_sink_input_info_list);
    PULSE_CALL(pa_operation_get_state);
    PULSE_CALL(pa_operation_unref);
    PULSE_CALL(pa_proplist_gets);
#undef PULSE_CALL
};

bool open_pulse(Pulse* p)
{
    p->library = dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!p->library)
        return false;
    bool found = true;
#define PULSE_FIND(name) \
    found = (p->name = reinterpret_cast<decltype(p->name)>(dlsym(p->library, #name))) && found
    PULSE_FIND(pa_mainloop_new);
    PULSE_FIND(pa_mainloop_get_api);
    PULSE_FIND(pa_mainloop_prepare);
    PULSE_FIND(pa_mainloop_poll);
    PULSE_FIND(pa_mainloop_dispatch);
    PULSE_FIND(pa_mainloop_wakeup);
    PULSE_FIND(pa_mainloop_free);
    PULSE_FIND(pa_context_new);
    PULSE_FIND(pa_context_connect);
    PULSE_FIND(pa_context_get_state);
    PULSE_FIND(pa_context_disconnect);
    PULSE_FIND(pa_context_unref);
    PULSE_FIND(pa_context_get_sink_input_info_list);
    PULSE_FIND(pa_operation_get_state);
    PULSE_FIND(pa_operation_unref);
    PULSE_FIND(pa_proplist_gets);
#undef PULSE_FIND
    if (!found) {
        dlclose(p->library);
        p->library = nullptr;
    }
    return found;
}

// How often the server is asked: often enough that an underrun is seen within
// a few frames, seldom enough to cost nothing.
constexpr int ask_every_ms = 40;
// How long the thread waits for the server to take the connection.
constexpr double connect_ms = 2000;

Pulse pulse;
pa_mainloop* loop;
pa_context* context;
std::thread asker;
std::atomic<bool> stopping;
uint64_t (*counter)();
char our_pid[24];

std::mutex answer_lock;  // guards latest and known
ServerLatency latest;
bool known;

void take_sink_input(pa_context*, const pa_sink_input_info* info, int eol, void*)
{
    if (eol || !info)
        return;
    const char* pid = pulse.pa_proplist_gets(info->proplist, PA_PROP_APPLICATION_PROCESS_ID);
    // Our stream plays; a corked one (paused, or a second stream of ours that
    // is idle) says nothing about what is heard.
    if (!pid || strcmp(pid, our_pid) != 0 || info->corked)
        return;
    const ServerLatency answer = {double(info->buffer_usec + info->sink_usec) / 1000.0, clock_ms(),
                                  counter()};
    std::lock_guard<std::mutex> hold(answer_lock);
    latest = answer;
    known = true;
}

// Runs the main loop until `done` or a stop; false when stopped or failed.
template <typename Done>
bool run_until(Done done, double give_up_at)
{
    while (!done()) {
        if (stopping || clock_ms() > give_up_at)
            return false;
        if (pulse.pa_mainloop_prepare(loop, ask_every_ms * 1000) < 0 ||
            pulse.pa_mainloop_poll(loop) < 0 || pulse.pa_mainloop_dispatch(loop) < 0)
            return false;
    }
    return true;
}

void ask()
{
    const auto ready = [] {
        const pa_context_state_t s = pulse.pa_context_get_state(context);
        return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
    };
    if (!run_until(ready, clock_ms() + connect_ms) ||
        pulse.pa_context_get_state(context) != PA_CONTEXT_READY)
        return;
    while (!stopping) {
        const double next = clock_ms() + ask_every_ms;
        pa_operation* op =
            pulse.pa_context_get_sink_input_info_list(context, take_sink_input, nullptr);
        if (!op)
            return;
        const bool answered =
            run_until([op] { return pulse.pa_operation_get_state(op) != PA_OPERATION_RUNNING; },
                      clock_ms() + connect_ms);
        pulse.pa_operation_unref(op);
        if (!answered)
            return;
        // The rest of the period, woken at once by a stop.
        run_until([next] { return clock_ms() >= next; }, next + ask_every_ms);
    }
}

}  // namespace

bool pulse_latency_start(uint64_t (*count)())
{
    if (loop || (!pulse.library && !open_pulse(&pulse)))
        return false;
    snprintf(our_pid, sizeof our_pid, "%ld", long(getpid()));
    counter = count;
    known = false;
    stopping = false;
    loop = pulse.pa_mainloop_new();
    context = loop ? pulse.pa_context_new(pulse.pa_mainloop_get_api(loop), "VARNO STYLE") : nullptr;
    if (!context ||
        pulse.pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        pulse_latency_stop();
        return false;
    }
    asker = std::thread(ask);
    return true;
}

bool pulse_latency_latest(ServerLatency* answer)
{
    std::lock_guard<std::mutex> hold(answer_lock);
    if (known)
        *answer = latest;
    return known;
}

void pulse_latency_stop()
{
    stopping = true;
    if (loop)
        pulse.pa_mainloop_wakeup(loop);
    if (asker.joinable())
        asker.join();
    if (context) {
        pulse.pa_context_disconnect(context);
        pulse.pa_context_unref(context);
    }
    if (loop)
        pulse.pa_mainloop_free(loop);
    context = nullptr;
    loop = nullptr;
    known = false;
}
