// The desktop's files: POSIX paths, the installed copy found from /proc/self/exe.
#include "platform/files.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

static bool holds(const std::string& dir, const char* file, const char* other_file)
{
    return access((dir + file).c_str(), R_OK) == 0 || access((dir + other_file).c_str(), R_OK) == 0;
}

void files_find_show(const char* file, const char* other_file)
{
    if (holds("", file, other_file))
        return;
    char exe[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", exe, sizeof exe - 1);
    if (n <= 0)
        return;
    // The build sets VARNO_SHARE_FROM_BIN from the install layout: the share
    // directory as seen from the program's, "../share/varno-style" by default.
    std::string dir(exe, size_t(n));
    dir = dir.substr(0, dir.rfind('/') + 1) + VARNO_SHARE_FROM_BIN "/";
    if (holds(dir, file, other_file) && chdir(dir.c_str()) != 0)
        perror(dir.c_str());
}

std::string files_absolute_path(const std::string& path)
{
    char here[PATH_MAX];
    if (path.empty() || path[0] == '/' || !getcwd(here, sizeof here))
        return path;
    return std::string(here) + "/" + path;
}

bool files_make_directory(const std::string& path)
{
    return mkdir(path.c_str(), 0777) == 0 || errno == EEXIST;
}
