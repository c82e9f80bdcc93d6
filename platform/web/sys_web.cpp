// The clock, events and frame loop in a browser: the clock is
// performance.now(), the page's own; the frames are the page's animation
// frames, whose spacing tells how long a frame takes to reach the screen;
// Escape, caught by the page, asks to quit. The show loads while the page
// waits for its viewer, and starts when they press play.
#include <emscripten.h>
#include <emscripten/html5.h>

#include "platform/pacing.h"
#include "platform/system.h"

static bool quit_asked;

// The page asks the show to stop (a released Escape).
extern "C" EMSCRIPTEN_KEEPALIVE void varno_request_quit()
{
    quit_asked = true;
}

void restore_display_at_exit() {}

// clang-format off
EM_JS(double, page_now, (), {
    return performance.now();
});
// clang-format on

double clock_ms()
{
    return page_now();
}

// The spacings of the latest animation frames, a ring, and the last frame's time.
static double frame_spacings[measured_frames];
static int frames_seen;
static double last_frame_at;

// A frame drawn in an animation frame is composited into the display's next
// frame: it is seen a display period after it is drawn.
double picture_delay_ms()
{
    return measured_period_ms(frame_spacings,
                              frames_seen < measured_frames ? frames_seen : measured_frames);
}

void exit_now(int) {}

bool quit_requested()
{
    const bool q = quit_asked;
    quit_asked = false;
    return q;
}

// The show the page plays: its start, the loop its animation frames drive, its end.
static FrameLoop show;

static EM_BOOL animation_frame(double at, void*)
{
    if (last_frame_at > 0)
        frame_spacings[frames_seen++ % measured_frames] = at - last_frame_at;
    last_frame_at = at;
    if (show.frame(show.context))
        return EM_TRUE;
    show.done(show.context);
    EM_ASM({
        if (Module['onShowEnd'])
            Module['onShowEnd']();
    });
    return EM_FALSE;
}

// The viewer pressed play: the show starts with its music.
extern "C" EMSCRIPTEN_KEEPALIVE void varno_play()
{
    quit_asked = false;
    show.begin(show.context);
    emscripten_request_animation_frame_loop(animation_frame, nullptr);
}

// Where the show is at performance.now() reading `at`, running on from its
// last frame: the page brings music that comes in late in there.
extern "C" EMSCRIPTEN_KEEPALIVE double varno_demo_time(double at)
{
    return show.time(show.context, at);
}

bool run_while_loading(void (*work)(void* context), void* context)
{
    work(context);
    return true;
}

void run_frames(const FrameLoop& loop)
{
    show = loop;
    EM_ASM({
        if (Module['onShowReady'])
            Module['onShowReady']();
    });
}
