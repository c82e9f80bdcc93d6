#include "scenes/pictures.h"

#include <cstdio>
#include <vector>

#include "draw/picture.h"
#include "draw/png.h"
#include "effects/tunnel.h"
#include "platform/png.h"

static void report_failure(const char* path)
{
    printf("Error at loading picture %s\n", path);
}

Surface* picture_load(const char* path)
{
    std::vector<unsigned char> rgba;
    int w, h;
    Surface* result = nullptr;
    if (png_is_whole(path) && png_decode(path, &rgba, &w, &h))
        result = picture_make(rgba, w, h);
    if (!result)
        report_failure(path);
    return result;
}

Font* font_load(const char* path)
{
    Surface* sheet = picture_load(path);
    if (!sheet)
        return nullptr;
    Font* font = font_make(sheet);
    if (!font) {
        report_failure(path);
        surface_free(sheet);
    }
    return font;
}

Sprite* sprite_load(const char* path, int32_t frame_count)
{
    Surface* sheet = picture_load(path);
    if (!sheet)
        return nullptr;
    Sprite* s = sprite_make(sheet, frame_count);
    if (!s) {
        surface_free(sheet);
        report_failure(path);
    }
    return s;
}

Surface* tunnel_load_texture(const char* path)
{
    Surface* texture = picture_load(path);
    if (!texture)
        return nullptr;
    if (!tunnel_texture_fits(texture)) {
        report_failure(path);
        surface_free(texture);
        return nullptr;
    }
    return texture;
}
