// Set-up shared by the benchmark files of varno-bench.
#pragma once

#include "draw/surface.h"
#include "show/show.h"

// A back_width x back_height target in the xrgb layout, made once per process.
Surface* bench_target();
// The whole show loaded, once per process.
Show* bench_show();
