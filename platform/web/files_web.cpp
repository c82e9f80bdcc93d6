// The browser's files: the data is packed at /data beside the program, and
// under node the working directory is the caller's, so nothing moves.
#include "platform/files.h"

#include <sys/stat.h>

#include <cerrno>

void files_find_show(const char*, const char*) {}

std::string files_absolute_path(const std::string& path)
{
    return path;
}

bool files_make_directory(const std::string& path)
{
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}
