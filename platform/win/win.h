// What the Windows platform's files share among themselves, and nobody else.
#pragma once

#include <string>

namespace win {

// sys_win.cpp: the window asks the show to quit (Escape released, Alt-F4, a
// close); the next quit_requested() says so.
void ask_to_quit();
// files_win.cpp: the folder the exe is in, with its trailing backslash; ""
// when the system does not say.
std::wstring exe_folder();

}  // namespace win
