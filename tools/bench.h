// Set-up shared by the benchmark files of varno-bench.
#pragma once

// The dummy display and the back buffer, once per process.
void bench_video();
// The display and the whole show loaded, once per process.
void bench_show();
