// The browser's PNG decoder: the stb_image that Emscripten bundles
// (-sSTB_IMAGE=1).
#include "platform/png.h"

extern "C" {
unsigned char* stbi_load(const char* path, int* w, int* h, int* channels, int wanted);
void stbi_image_free(void* pixels);
}

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
