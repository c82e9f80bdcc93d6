// The display in a browser: the back buffer is put on the page's canvas
// (320x240, doubled by the page's CSS with sharp pixels); the clock is the
// page's; Escape, caught by the page, asks to quit. The show loads while the
// page waits for its viewer, and starts when they press play.
#include "platform/video.h"

#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "platform/blit.h"
#include "platform/png.h"

SDL_Surface* screen_surface;
SDL_Surface* back_buffer;

static bool offscreen;
static double start_ms;
static bool quit_asked;
static std::vector<unsigned char> canvas_pixels;  // RGBA, as the canvas takes them

// The page asks the show to stop (a released Escape).
extern "C" EMSCRIPTEN_KEEPALIVE void varno_request_quit()
{
    quit_asked = true;
}

void restore_display_at_exit() {}

void use_offscreen_display()
{
    offscreen = true;
}

bool video_setup(DisplayMode)
{
    start_ms = emscripten_get_now();
    quit_asked = false;
    // The native layout of the back buffer: red high, no alpha, so every
    // picture holds the same words as it does natively.
    SDL_Surface like{};
    SDL_PixelFormat f{};
    f.Rmask = 0x00FF0000, f.Gmask = 0x0000FF00, f.Bmask = 0x000000FF;
    like.format = &f;
    back_buffer = create_surface_like(&like, back_width, back_height);
    screen_surface = create_surface_like(&like, screen_width, screen_height);
    if (!back_buffer || !screen_surface) {
        printf("Error at setting video mode: out of memory\n");
        return false;
    }
    canvas_pixels.assign(size_t(back_width) * back_height * 4, 255);
    png_start();
    return true;
}

void double_back_buffer()
{
    double_surface(back_buffer, screen_surface);
}

void present()
{
    if (offscreen)
        return;
    const Uint32* p = static_cast<const Uint32*>(back_buffer->pixels);
    unsigned char* d = canvas_pixels.data();
    for (int i = 0; i < back_width * back_height; i++, d += 4) {
        d[0] = Uint8(p[i] >> 16), d[1] = Uint8(p[i] >> 8), d[2] = Uint8(p[i]);
    }
    // The canvas reads the pixels where they lie in the program's memory: an
    // image over them is made once (again only if the memory grew).
    EM_ASM(
        {
            const canvas = Module['canvas'];
            if (!canvas)
                return;
            if (!Module.varnoImage || Module.varnoImage.data.buffer != HEAPU8.buffer) {
                const pixels = new Uint8ClampedArray(HEAPU8.buffer, $0, $1 * $2 * 4);
                Module.varnoImage = new ImageData(pixels, $1, $2);
                Module.varnoContext = canvas.getContext('2d');
            }
            Module.varnoContext.putImageData(Module.varnoImage, 0, 0);
        },
        canvas_pixels.data(), back_width, back_height);
}

uint32_t ticks()
{
    return uint32_t(emscripten_get_now() - start_ms);
}

bool quit_requested()
{
    const bool q = quit_asked;
    quit_asked = false;
    return q;
}

void video_shutdown()
{
    free_surface(back_buffer);
    free_surface(screen_surface);
    back_buffer = screen_surface = nullptr;
}

// The show the page plays: its start, the loop its animation frames drive, its end.
static void (*show_begin)();
static bool (*frame_step)();
static void (*loop_done)();

static void animation_frame()
{
    if (frame_step())
        return;
    emscripten_cancel_main_loop();
    loop_done();
    EM_ASM({
        if (Module['onShowEnd'])
            Module['onShowEnd']();
    });
}

// The viewer pressed play: the show starts with its music.
extern "C" EMSCRIPTEN_KEEPALIVE void varno_play()
{
    show_begin();
    // 0: at the browser's display rate; false: back to the page at once.
    emscripten_set_main_loop(animation_frame, 0, false);
}

void run_frames(void (*begin)(), bool (*frame)(), void (*done)())
{
    show_begin = begin;
    frame_step = frame;
    loop_done = done;
    EM_ASM({
        if (Module['onShowReady'])
            Module['onShowReady']();
    });
}
