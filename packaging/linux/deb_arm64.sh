#!/usr/bin/env bash
# Cross-builds the arm64 Debian package, run inside the cross-arm64 chroot
# (packaging/linux/chroot.sh) by scripts/release:
#   deb_arm64.sh SOURCE NATIVE_BUILD OUT_DIR
# The same package as the amd64 one, from the same rules (packaging/), for
# arm64: its data and icons those of the native build NATIVE_BUILD (its data/
# and icons/), its dependencies read from the arm64 libraries it links.
set -euo pipefail
src=$1
native=$2
out=$3
build=/tmp/varno-arm64
rm -rf "$build" "$out"
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/aarch64-linux-gnu.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVARNO_NATIVE_BUILD="$native" >/dev/null
cmake --build "$build" -j"$(nproc)" --target varno-style varno-capture varno-data \
  compress-varno-style.6 compress-varno-capture.1 compress-changelog >/dev/null
# dpkg-shlibdeps reads the arm64 libraries' symbols files for the dependencies.
DEB_HOST_ARCH=arm64 cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >/dev/null
rm -rf "$out/_CPack_Packages"
