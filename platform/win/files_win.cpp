// Windows' files: the show's data/ beside the exe, as the zip unpacks it.
// Paths are UTF-8 here as everywhere in the show, and wide (UTF-16) where
// they meet the system, so that folders with names in any script work.
#include "platform/files.h"

#include "platform/win/win.h"

#include <direct.h>
#include <io.h>
#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

static std::wstring wide(const std::string& s)
{
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), nullptr, 0);
    std::wstring w(size_t(n > 0 ? n : 0), L'\0');
    if (n > 0)
        MultiByteToWideChar(CP_UTF8, 0, s.data(), int(s.size()), &w[0], n);
    return w;
}

static std::string utf8(const std::wstring& w)
{
    const int n =
        WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), nullptr, 0, nullptr, nullptr);
    std::string s(size_t(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, w.data(), int(w.size()), &s[0], n, nullptr, nullptr);
    return s;
}

static bool holds(const std::wstring& dir, const char* file, const char* other_file)
{
    constexpr int read_access = 4;
    return _waccess((dir + wide(file)).c_str(), read_access) == 0 ||
           _waccess((dir + wide(other_file)).c_str(), read_access) == 0;
}

// The exe's own path, however long; "" when the system does not say.
static std::wstring exe_path()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, &path[0], DWORD(path.size()));
        if (n == 0)
            return L"";
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);
    }
}

std::wstring win::exe_folder()
{
    const std::wstring exe = exe_path();
    const size_t slash = exe.find_last_of(L"\\/");
    return slash == std::wstring::npos ? L"" : exe.substr(0, slash + 1);
}

void files_find_show(const char* file, const char* other_file)
{
    if (holds(L"", file, other_file))
        return;
    const std::wstring dir = win::exe_folder();
    if (dir.empty())
        return;
    if (holds(dir, file, other_file) && _wchdir(dir.c_str()) != 0)
        fprintf(stderr, "%s: %s\n", utf8(dir).c_str(), strerror(errno));
}

std::string files_absolute_path(const std::string& path)
{
    // Already absolute: "\\server\share", "\dir", "/dir" or "C:..." with a
    // drive (a drive's own relative path, "C:dir", is left as it is too).
    if (path.empty() || path[0] == '/' || path[0] == '\\' || (path.size() >= 2 && path[1] == ':'))
        return path;
    wchar_t* here = _wgetcwd(nullptr, 0);
    if (!here)
        return path;
    std::string dir = utf8(here);
    free(here);
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    return dir + path;
}

bool files_make_directory(const std::string& path)
{
    return _wmkdir(wide(path).c_str()) == 0 || errno == EEXIST;
}
