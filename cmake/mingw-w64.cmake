# Cross-compiling for 64-bit Windows with Debian's MinGW-w64 (scripts/windows).
# The posix flavour: the win32 one has no std::thread and no monotonic
# steady_clock. Linked -static, so that libgcc, libstdc++ and winpthreads are
# inside the exe and nothing needs installing beside it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# No link time in the exe's header: the same sources make the same bytes.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -Wl,--no-insert-timestamp")
# Released exes carry no symbols: a third of the size.
set(CMAKE_EXE_LINKER_FLAGS_RELEASE_INIT -s)
