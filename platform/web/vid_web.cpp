// The display in a browser: the back buffer is put on the page's canvas
// (320x240, enlarged by the page's CSS with sharp pixels).
#include <emscripten.h>

#include <vector>

#include "platform/video.h"

static std::vector<unsigned char> canvas_pixels;  // RGBA, as the canvas takes them

bool video_setup(DisplayMode)
{
    canvas_pixels.assign(size_t(back_width) * back_height * 4, 255);
    return true;
}

void video_present(const Surface* back)
{
    unsigned char* d = canvas_pixels.data();
    for (int y = 0; y < back_height; y++) {
        const uint32_t* p = surface_row(back, y);
        for (int x = 0; x < back_width; x++, d += 4)
            d[0] = uint8_t(p[x] >> 16), d[1] = uint8_t(p[x] >> 8), d[2] = uint8_t(p[x]);
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

void video_shutdown() {}
