// Where the show's files are read from: the working directory, as in the
// build directory, or else the copy installed beside the program.
#pragma once

#include <string>

// When the working directory holds neither file (paths relative to it, such as
// "data/title.png"), changes to the installed program's share directory
// (<program dir>/../share/varno-style for the default layout) if it holds
// either; otherwise leaves the working directory as it is. Call before
// anything is loaded.
void files_find_show(const char* file, const char* other_file);

// The path made absolute from the working directory of now, so that it names
// the same file after files_find_show has moved elsewhere; "" stays "".
std::string files_absolute_path(const std::string& path);

// Makes the directory at path; true when it was made or a directory or file
// of that name was there already.
bool files_make_directory(const std::string& path);
