#!/usr/bin/env bash
# Builds the Linux folder, run inside the build-amd64 chroot
# (packaging/linux/chroot.sh) by scripts/release:
#   folder.sh SOURCE FOLDER VERSION
# SOURCE holds the project's files; FOLDER is made afresh with the program, the
# capture tool, README.txt, LICENSE.txt, NOTICES.txt (the parts of Debian's
# packages the folder carries, and their copyright files) and data/ beside
# lib/, which holds what a default desktop lacks:
#   libSDL-1.2.so.0          the SDL 1.2 API (Debian's sdl12-compat, as it is)
#   libSDL2-2.0.so.0         SDL2 under it, built from Debian's source so that it
#                            links nothing but the C library and opens the
#                            desktop's X11, Wayland, ALSA, PulseAudio and OpenGL
#                            libraries itself when it runs, as the desktop has them
#   libSDL_mixer-1.2.so.0    SDL_mixer built from Debian's source with Ogg
#                            Vorbis alone (no MOD, MIDI, MP3 or FLAC libraries)
#   libvorbisfile.so.3, libvorbis.so.0, libogg.so.0   Debian's, as they are
# The programs take their PNGs through stb_image instead of DevIL (whose C++
# library would want a libstdc++ beside it), link libstdc++ and libgcc in, and
# find lib/ through an $ORIGIN run path, which the libraries' own look-ups
# (sdl12-compat opening SDL2) follow too. Built libraries are kept in
# /opt/varno (inside the chroot) and built again only when missing.
set -euo pipefail
src=$1
out=$2
version=$3
libs=/opt/varno
multiarch=/usr/lib/x86_64-linux-gnu
jobs=$(nproc)
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-0}

# Debian's source of a package, patched, in $libs/src (kept for its notices).
unpack() {
  rm -rf "$libs/src/$1"
  mkdir -p $libs/src
  (cd $libs/src && dpkg-source --no-check -x /src/$1_*.dsc "$1" >/dev/null)
}

if [ ! -f $libs/lib/libSDL2-2.0.so.0 ] || [ ! -d $libs/src/libsdl2 ]; then
  unpack libsdl2
  # Every system library opened when it runs (the *_SHARED defaults), none
  # linked; what a default desktop may lack is left out.
  cmake -S $libs/src/libsdl2 -B $libs/src/libsdl2/build -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_INSTALL_PREFIX=$libs -DCMAKE_INSTALL_LIBDIR=lib -DSDL_STATIC=OFF -DSDL_TEST=OFF \
    -DSDL_LIBSAMPLERATE=OFF -DSDL_PIPEWIRE=OFF -DSDL_JACK=OFF -DSDL_SNDIO=OFF -DSDL_ESD=OFF \
    -DSDL_ARTS=OFF -DSDL_NAS=OFF -DSDL_LIBDECOR=OFF -DSDL_KMSDRM=OFF -DSDL_HIDAPI_LIBUSB=OFF \
    -DSDL_RPATH=OFF >/dev/null
  cmake --build $libs/src/libsdl2/build -j"$jobs" >/dev/null
  cmake --install $libs/src/libsdl2/build >/dev/null
fi
if [ ! -f $libs/lib/libSDL_mixer-1.2.so.0 ] || [ ! -d $libs/src/sdl-mixer1.2 ]; then
  unpack sdl-mixer1.2
  (cd $libs/src/sdl-mixer1.2 && ./configure --prefix=$libs --disable-static --disable-music-cmd \
    --disable-music-mod --disable-music-mod-shared --disable-music-midi --disable-music-mp3 \
    --disable-music-flac --enable-music-ogg --disable-music-ogg-shared >/dev/null &&
    make -j"$jobs" >/dev/null && make install >/dev/null)
fi

rm -rf "$out" /tmp/varno-build
mkdir -p "$out/lib"
# SDL_mixer's header is <SDL/SDL_mixer.h> under its own prefix.
export CPATH=$libs/include
PKG_CONFIG_PATH=$libs/lib/pkgconfig cmake -S "$src" -B /tmp/varno-build \
  -DCMAKE_BUILD_TYPE=Release -DVARNO_FOLDER=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build /tmp/varno-build -j"$jobs" --target varno-style varno-capture varno-data \
  varno-unwind-check >/dev/null
/tmp/varno-build/varno-unwind-check
for program in varno-style varno-capture; do
  cp "/tmp/varno-build/$(cd /tmp/varno-build && find . -name "$program" -type f | head -1)" "$out/"
  strip --strip-unneeded "$out/$program"
done
mkdir "$out/data"
cp /tmp/varno-build/data/*.png /tmp/varno-build/data/*.ogg "$out/data/"
cp -L $multiarch/libSDL-1.2.so.0 $libs/lib/libSDL2-2.0.so.0 $libs/lib/libSDL_mixer-1.2.so.0 \
  $multiarch/libvorbisfile.so.3 $multiarch/libvorbis.so.0 $multiarch/libogg.so.0 "$out/lib/"
strip --strip-unneeded "$out"/lib/*
chmod 644 "$out"/lib/* "$out"/data/*

# The README's options and warning from the program's own usage
# (cmake/usage.cmake).
"$out/varno-style" --help >/tmp/varno-build/usage.txt
cmake -DUSAGE=/tmp/varno-build/usage.txt -DTEMPLATE="$src/packaging/linux/README.txt.in" \
  -DOUTPUT=/tmp/varno-build/README.txt -DFORMAT=text -DVERSION="$version" -P "$src/cmake/usage.cmake"
cp /tmp/varno-build/README.txt "$out/README.txt"
cp "$src/LICENSE" "$out/LICENSE.txt"
# The notices: what each package gave, then its copyright file (the source's
# own for the two built here).
package_of() { dpkg -S "$(readlink -f "$1")" | head -1 | cut -d: -f1; }
notices=(
  "$(package_of $multiarch/libSDL-1.2.so.0)|lib/libSDL-1.2.so.0 (sdl12-compat): zlib|"
  "libsdl2 $(dpkg-parsechangelog -l $libs/src/libsdl2/debian/changelog -S Version) (source)|lib/libSDL2-2.0.so.0, built from it: zlib|$libs/src/libsdl2/debian/copyright"
  "sdl-mixer1.2 $(dpkg-parsechangelog -l $libs/src/sdl-mixer1.2/debian/changelog -S Version) (source)|lib/libSDL_mixer-1.2.so.0, built from it: zlib|$libs/src/sdl-mixer1.2/debian/copyright"
)
for lib in libvorbisfile.so.3 libvorbis.so.0 libogg.so.0; do
  notices+=("$(package_of $multiarch/$lib)|lib/$lib: BSD-3-Clause|")
done
notices+=(
  "libstb-dev|stb_image, built into the programs: public domain or MIT|"
  "$(package_of "$(g++ -print-file-name=libstdc++.a)")|libstdc++, linked into the programs: GPL-3 with the GCC Runtime Library Exception|"
  "$(package_of "$(g++ -print-file-name=libgcc_eh.a)")|libgcc, linked into the programs: GPL-3 with the GCC Runtime Library Exception|"
  "$(package_of "$(g++ -print-file-name=crt1.o)")|glibc's start-up objects, linked into the programs: LGPL-2.1 with exceptions|"
)
{
  echo "VARNO STYLE $version: what this folder carries of others' code"
  echo
  echo "The programs are VARNO STYLE's own code (LICENSE.txt, MIT). The folder"
  echo "carries these parts of Debian 12's packages:"
  echo
  for n in "${notices[@]}"; do
    IFS='|' read -r package what _ <<<"$n"
    case "$package" in
      *" (source)") echo "  $package:" ;;
      *) echo "  $package $(dpkg-query -W -f='${Version}' "$package"):" ;;
    esac
    echo "      $what"
  done
  echo
  echo "Their copyright and licence terms follow, as each package gives them."
  for n in "${notices[@]}"; do
    IFS='|' read -r package _ file <<<"$n"
    echo
    echo "======================================================================"
    echo "$package"
    echo "======================================================================"
    echo
    cat "${file:-/usr/share/doc/$package/copyright}"
  done
} >"$out/NOTICES.txt"
