// The Windows program's icon file: the same square the desktop's icons show,
// at the sizes Explorer and the taskbar ask for.
#pragma once

#include <vector>

#include "generators/pictures/paint.h"

// The canvases (square, opaque, 1 to 256 pixels a side) as the bytes of an
// .ico file: one 32-bit image each, as windres puts them in the exe.
std::vector<unsigned char> ico_bytes(const std::vector<Canvas>& images);
