// The clock, events and frame loop in a browser: the clock is the page's
// (Module.varnoClock), which keeps step with the music and stands still while
// the music cannot be heard; Escape, caught by the page, asks to quit. The
// show loads while the page waits for its viewer, and starts when they press
// play.
#include <emscripten.h>

#include "platform/system.h"

static bool quit_asked;

// The page asks the show to stop (a released Escape).
extern "C" EMSCRIPTEN_KEEPALIVE void varno_request_quit()
{
    quit_asked = true;
}

void restore_display_at_exit() {}

// clang-format off
EM_JS(double, page_clock, (), {
    return Module['varnoClock'] ? Module['varnoClock']() : performance.now();
});
// clang-format on

double clock_ms()
{
    return page_clock();
}

double picture_delay_ms()
{
    return 0;
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

static void animation_frame()
{
    if (show.frame(show.context))
        return;
    emscripten_cancel_main_loop();
    show.done(show.context);
    EM_ASM({
        if (Module['onShowEnd'])
            Module['onShowEnd']();
    });
}

// The viewer pressed play: the show starts with its music.
extern "C" EMSCRIPTEN_KEEPALIVE void varno_play()
{
    quit_asked = false;
    show.begin(show.context);
    // 0: at the browser's display rate; false: back to the page at once.
    emscripten_set_main_loop(animation_frame, 0, false);
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
