# Cross-compiling for 64-bit ARM Linux (arm64: Raspberry Pi OS, ARM laptops)
# with Debian's crossbuild-essential-arm64 and the arm64 -dev packages beside
# the build machine's, as the cross-arm64 chroot holds them
# (packaging/linux/chroot.sh, packaging/linux/deb_arm64.sh), the data taken
# from a native build (VARNO_NATIVE_BUILD).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# GCC fuses a multiply and an add into one rounding on arm64 unless told not
# to; every product rounded on its own keeps the show's arithmetic, and so its
# pixels, those of x86-64.
set(CMAKE_CXX_FLAGS_INIT -ffp-contract=off)
set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE arm64)
