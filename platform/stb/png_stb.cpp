// The PNG decoder for platforms without one: Debian's stb_image (libstb-dev),
// compiled here and nowhere else, for PNG only. Paths are UTF-8 (opened as
// wide names on Windows).
#include "platform/png.h"

#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_PNG
#define STBI_WINDOWS_UTF8
// Its failure reasons are never read, and WebAssembly has no threads here.
#define STBI_NO_THREAD_LOCALS
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image.h>
#pragma GCC diagnostic pop

bool png_decode(const char* path, std::vector<unsigned char>* rgba, int* w, int* h)
{
    int channels;
    unsigned char* data = stbi_load(path, w, h, &channels, 4);
    if (!data)
        return false;
    const bool decoded = *w > 0 && *h > 0;
    if (decoded)
        rgba->assign(data, data + size_t(*w) * *h * 4);
    stbi_image_free(data);
    return decoded;
}
