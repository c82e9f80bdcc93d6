// The desktop's PNG decoder: DevIL.
#include <IL/il.h>

#include "platform/png.h"

bool png_decode(const char* path, std::vector<unsigned char>* rgba, int* w, int* h)
{
    static bool started = false;
    if (!started) {
        ilInit();
        // Rows top first whatever the file's own origin.
        ilEnable(IL_ORIGIN_SET);
        ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
        started = true;
    }
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    const bool ok = ilLoadImage(path) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    *w = ilGetInteger(IL_IMAGE_WIDTH);
    *h = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILubyte* data = ilGetData();
    const bool decoded = ok && *w > 0 && *h > 0 && data;
    if (decoded)
        rgba->assign(data, data + size_t(*w) * *h * 4);
    ilDeleteImages(1, &image);
    return decoded;
}
