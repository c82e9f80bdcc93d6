#!/usr/bin/env bash
# Prints the folder of one of the release's Debian 12 chroots, making it first
# when it is not there yet. They are made from Debian's archive alone, so that
# nothing of the machine that builds leaks into what they build, and kept under
# $VARNO_CHROOTS (/var/cache/varno-release by default), each in a folder named
# by what it holds: a changed list here makes a new one.
#   packaging/linux/chroot.sh build-amd64   builds the Linux folder: the
#       compiler, the show's headers, and the sources of SDL2 and SDL_mixer 1.2
#       (in /src), which the folder carries built with no more than it needs
#   packaging/linux/chroot.sh cross-arm64   cross-builds the arm64 package
#   packaging/linux/chroot.sh run-amd64     runs the Linux folder: a minimal
#       Debian with X11's client libraries and none of the show's libraries
#   packaging/linux/chroot.sh run-arm64     runs the arm64 package under
#       qemu-user: a minimal arm64 Debian with the package's dependencies
# Making one takes minutes (mmdebstrap, as root); naming a made one, nothing.
set -euo pipefail
cache=${VARNO_CHROOTS:-/var/cache/varno-release}
mirror=http://deb.debian.org/debian
name=${1:-}
args=()
sources=()
sdl2_headers=(
  libx11-dev libxext-dev libxcursor-dev libxi-dev libxrandr-dev libxss-dev libxxf86vm-dev
  libxfixes-dev libasound2-dev libpulse-dev libwayland-dev libxkbcommon-dev wayland-protocols
  libegl-dev libgl-dev libgles-dev libdrm-dev libgbm-dev libudev-dev
)
case "$name" in
  build-amd64)
    packages=(build-essential cmake pkg-config dpkg-dev libsdl1.2-compat-dev libvorbis-dev
      libstb-dev "${sdl2_headers[@]}")
    sources=("deb-src $mirror bookworm main" "deb-src $mirror bookworm-updates main")
    args=(--variant=buildd
      "--customize-hook=chroot \"\$1\" sh -c 'mkdir -p /src && cd /src && apt-get source -q --download-only libsdl2 sdl-mixer1.2'")
    ;;
  cross-arm64)
    packages=(crossbuild-essential-arm64 cmake pkg-config dpkg-dev file gzip
      libsdl1.2-compat-dev:arm64 libsdl-mixer1.2-dev:arm64 libdevil-dev:arm64 libvorbis-dev:arm64
      libx11-dev:arm64 libxrandr-dev:arm64 libpulse-dev:arm64)
    # One argument: mmdebstrap takes the architectures as a comma-separated list.
    # shellcheck disable=SC2054
    args=(--variant=buildd --architectures=amd64,arm64)
    ;;
  run-amd64)
    packages=(libx11-6 libxext6 libxrandr2)
    args=(--variant=minbase)
    ;;
  run-arm64)
    packages=(libsdl1.2debian libsdl-mixer1.2 libdevil1c2 libvorbis0a libvorbisenc2 libvorbisfile3
      libogg0 libx11-6 libxrandr2 libstdc++6 libgcc-s1)
    args=(--variant=minbase --architectures=arm64)
    ;;
  *)
    echo "usage: packaging/linux/chroot.sh build-amd64|cross-arm64|run-amd64|run-arm64" >&2
    exit 2
    ;;
esac
key=$(printf '%s\n' "${args[@]}" "${packages[@]}" | sha256sum | cut -c1-12)
dir=$cache/$name-$key
if [ ! -f "$dir.made" ]; then
  command -v mmdebstrap >/dev/null || {
    echo "packaging/linux/chroot.sh: mmdebstrap is missing (scripts/setup release)" >&2
    exit 1
  }
  mkdir -p "$cache"
  rm -rf "$dir"
  echo "making the $name chroot in $dir" >&2
  list=$(IFS=,; echo "${packages[*]}")
  mmdebstrap --quiet "${args[@]}" --include="$list" \
    bookworm "$dir" "deb $mirror bookworm main" "deb $mirror bookworm-updates main" \
    "deb http://deb.debian.org/debian-security bookworm-security main" "${sources[@]}" >&2
  touch "$dir.made"
fi
echo "$dir"
