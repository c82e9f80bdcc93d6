#include "platform/png.h"

#include <IL/il.h>

void png_start()
{
    ilInit();
    // Rows top first whatever the file's own origin.
    ilEnable(IL_ORIGIN_SET);
    ilOriginFunc(IL_ORIGIN_UPPER_LEFT);
    ilEnable(IL_FILE_OVERWRITE);
}

bool write_png(const unsigned char* rgb, int w, int h, const char* path)
{
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    bool ok = ilTexImage(w, h, 1, 3, IL_RGB, IL_UNSIGNED_BYTE, const_cast<unsigned char*>(rgb));
    // A new image counts as bottom row first and would be written upside down.
    ilRegisterOrigin(IL_ORIGIN_UPPER_LEFT);
    ok = ok && ilSaveImage(path);
    ilDeleteImages(1, &image);
    return ok;
}

bool read_png(const char* path, std::vector<unsigned char>* rgba, int* w, int* h)
{
    ILuint image;
    ilGenImages(1, &image);
    ilBindImage(image);
    const bool ok = ilLoadImage(path) && ilConvertImage(IL_RGBA, IL_UNSIGNED_BYTE);
    *w = ilGetInteger(IL_IMAGE_WIDTH);
    *h = ilGetInteger(IL_IMAGE_HEIGHT);
    const ILubyte* data = ilGetData();
    if (ok && *w > 0 && *h > 0 && data)
        rgba->assign(data, data + size_t(*w) * *h * 4);
    ilDeleteImages(1, &image);
    return ok && *w > 0 && *h > 0 && data;
}
