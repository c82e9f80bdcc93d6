// The show's pictures read from their files: each decoded by the platform's
// decoder, made a surface by draw/, and held to what its drawer needs. Every
// one that does not load prints "Error at loading picture <path>" and gives
// null, and what draws it then draws nothing.
#pragma once

#include <cstdint>

#include "draw/font.h"
#include "draw/surface.h"
#include "overlays/sprite.h"

// A PNG as a new surface in the xrgb layout.
Surface* picture_load(const char* path);
// A glyph sheet as a font; a sheet with no glyph a pixel wide does not load.
Font* font_load(const char* path);
// A sheet as a sprite of frame_count frames; a sheet too short does not load.
Sprite* sprite_load(const char* path, int32_t frame_count);
// A picture as the tunnel's texture; one smaller than 512 x 512 does not load.
Surface* tunnel_load_texture(const char* path);
