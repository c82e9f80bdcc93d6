// libFuzzer target: whatever bytes arrive are handed to the image loader as a
// picture file, and whatever decodes is fed to the keyed blit and the sprite
// draw at positions and scales taken from the input itself.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "draw/picture.h"
#include "overlays/sprite.h"
#include "scenes/pictures.h"

// The decoder allocates the whole picture before we see it; a header that
// announces more than this many pixels is left out so the run measures our
// code, not the machine's memory.
constexpr uint64_t max_pixels = 1u << 24;

static bool announces_huge_picture(const uint8_t* data, size_t size)
{
    // PNG: signature, then the IHDR chunk with big-endian width and height.
    if (size < 24 || memcmp(data, "\x89PNG", 4) != 0)
        return false;
    auto be32 = [](const uint8_t* p) {
        return uint64_t(p[0]) << 24 | uint64_t(p[1]) << 16 | uint64_t(p[2]) << 8 | p[3];
    };
    return be32(data + 16) * be32(data + 20) > max_pixels;
}

static const char* picture_path()
{
    static char path[] = "/tmp/varno-fuzz-XXXXXX.png";
    static bool made = false;
    if (!made) {
        const int fd = mkstemps(path, 4);
        if (fd < 0)
            abort();
        close(fd);
        made = true;
    }
    return path;
}

// A target in the back buffer's layout, and one in the scratch layout, as the
// title's noise and the layers are.
static Surface* back_buffer;
static Surface* layer;

static void start_up()
{
    // The loader's message for every refused input would drown the fuzzer's output.
    if (!freopen("/dev/null", "w", stdout))
        abort();
    back_buffer = surface_make(back_width, back_height, xrgb_layout);
    layer = surface_make_scratch(back_width, back_height);
    if (!back_buffer || !layer)
        abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const bool ready = (start_up(), true);
    (void)ready;
    if (announces_huge_picture(data, size))
        return 0;
    FILE* f = fopen(picture_path(), "wb");
    if (!f)
        abort();
    fwrite(data, 1, size, f);
    fclose(f);

    Surface* picture = picture_load(picture_path());
    if (!picture)
        return 0;
    // Positions and scales from the input's own bytes, so the fuzzer steers them.
    const int8_t a = int8_t(data[size / 2]), b = int8_t(data[size / 3]);
    picture_blit_keyed(picture, 0.0f, 0.0f, back_buffer);
    picture_blit_keyed(picture, a * 3.7f, b * 2.1f, back_buffer);
    picture_blit_keyed(picture, -picture->w + 1.0f, back_height - 1.0f, layer);

    const int frames = picture->h / sprite_frame_rows + (data[0] & 1);
    Sprite* sprite = sprite_make(picture, frames > 0 ? frames : 1);
    if (sprite) {
        const float scales[] = {0.0f, 0.5f, 1.0f, 2.0f, 3.3f, float(uint8_t(a)) / 16.0f};
        const FrameSteps steps{};
        uint32_t t = 0;
        for (float scale : scales) {
            sprite_draw(t, &steps, sprite, a * 2, b * 2, scale, back_buffer);
            t += 200;
        }
        sprite_draw(t, &steps, sprite, back_width, back_height, 2.0f, back_buffer);
        delete sprite;
    }
    surface_free(picture);
    return 0;
}
