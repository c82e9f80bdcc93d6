// What differs from one platform to the next, and nothing else. Above this
// folder nobody knows which platform the show runs on: the build picks one
// folder of platform/ and links its files behind these interfaces.
//
// A platform folder (platform/<name>/) provides, one file per service:
//   vid_<name>.cpp    video.h   the display: open it, present the back buffer
//   sys_<name>.cpp    system.h  the clock, the events that ask to quit, the loop
//   snd_<name>.cpp    mixer.h   one music stream at a time
//   png_<lib>.cpp     png.h     PNG files decoded to RGBA
//   files_<name>.cpp  files.h   where the data is, paths made absolute
// The first three make the platform's display; the last two its files, which
// the tools use too. platform/null has a display of nothing (no window, no
// sound), which the capture tool and the benchmarks link instead of the
// platform's own; sdl/ is the desktop (SDL 1.2, DevIL, SDL_mixer, X11), web/
// the browser (Emscripten, the page's canvas and Web Audio), win/ Windows
// (MinGW-w64: a GDI window on a thread of its own, waveOut, stb_image and
// stb_vorbis, data/ beside the exe). A new platform is one more folder and one
// more branch where CMakeLists.txt picks the folder.
#pragma once

#include "platform/files.h"
#include "platform/mixer.h"
#include "platform/png.h"
#include "platform/system.h"
#include "platform/video.h"
