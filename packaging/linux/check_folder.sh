#!/usr/bin/env bash
# Checks the Linux folder from its tarball in a minimal Debian 12 chroot
# (packaging/linux/chroot.sh run-amd64) that holds X11's client libraries and
# none of the show's: the glibc versions its files need (none newer than
# 2.34), every library found, and found either in its lib/ or among what a
# desktop has; the frames of its capture tool, started through a path from
# elsewhere, against the reference checksums; its music decoded through the
# folder's SDL_mixer; and the program itself in a window on an X server from
# outside, its picture saved to look at (SHOT), ended by Escape.
#   check_folder.sh TARBALL SHOT
# Prints what it saw; the status is 1 when anything failed.
set -euo pipefail
tarball=$(readlink -f "$1")
shot=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$("$here/chroot.sh" run-amd64)
reference=d8dbe6ccd5ab45bd8d9e21c48278ef51
gentle_reference=08b1d18706a78bbf648b66bdd1887b2e
failed=0
fail() {
  echo "FAIL: $*"
  failed=1
}

rm -rf "$root/opt/folder"
mkdir -p "$root/opt/folder"
tar -xzf "$tarball" -C "$root/opt/folder"
folder=$(cd "$root/opt/folder" && echo */)
folder=/opt/folder/${folder%/}
echo "unpacked: $folder"

echo "-- the newest glibc version each file needs"
newest=$(cd "$root$folder" && for f in varno-style varno-capture lib/*; do
  v=$(objdump -T "$f" | grep -o 'GLIBC_[0-9.]*' | sort -uV | tail -1)
  printf '  %-28s %s\n' "$f" "$v"
done)
echo "$newest"
awk '{ split($2, v, /[_.]/); if (v[2] > 2 || (v[2] == 2 && v[3] > 34)) bad = 1 } END { exit bad }' \
  <<<"$newest" || fail "a file needs a glibc newer than 2.34"

in_root() {
  "$here/in_chroot.sh" "$root" "$@"
}

echo "-- the libraries the programs load, as the chroot's loader finds them"
# Besides the folder's own lib/: glibc, and X11's client libraries with theirs.
system='^(libc|libm|ld-linux-x86-64|libX11|libXrandr|libXext|libXrender|libxcb|libXau|libXdmcp|libbsd|libmd)\.so'
for program in varno-style varno-capture; do
  ldd_out=$(in_root ldd "$folder/$program")
  sed 's/^\t*/  /' <<<"$ldd_out"
  ! grep -q 'not found' <<<"$ldd_out" || fail "$program: a library not found"
  while read -r lib _ path _; do
    case "$path" in
      "$folder"/lib/*) ;;
      *) [[ "$lib" =~ $system ]] || [[ "$lib" == linux-vdso* ]] || [[ "$lib" == /lib64/* ]] ||
        fail "$program: $lib taken from the system ($path)" ;;
    esac
  done <<<"$ldd_out"
done

echo "-- the frames, the capture tool started through a path from /"
for gentle in "" --gentle; do
  sum=$(in_root sh -c "cd / && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    $folder/varno-capture --raw --back-buffer --fps 60 $gentle 2>/dev/null | md5sum" | cut -d' ' -f1)
  want=$reference
  [ -z "$gentle" ] || want=$gentle_reference
  echo "  varno-capture --raw --back-buffer --fps 60 $gentle: $sum"
  [ "$sum" = "$want" ] || fail "frames $gentle: $sum, not $want"
done

echo "-- the program in a window on an X server from outside, ended by Escape"
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 800x600x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.05; done
# Its music goes to a file through SDL2's disk audio driver, to be measured.
in_root sh -c "cd /tmp && DISPLAY=$display SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/tmp/music.raw \
  $folder/varno-style --window" >"$root/tmp/program.log" 2>&1 &
program=$!
sleep 13  # the title picture's still stretch, 12.6-14.1 s
DISPLAY=$display import -window root "$shot" 2>/dev/null || true
colours=$(convert "$shot" -format '%k' info: 2>/dev/null || echo 0)
echo "  a picture of $colours colours at 13 s: $shot"
[ "$colours" -gt 16 ] || fail "the window shows $colours colours"
started=$EPOCHREALTIME
DISPLAY=$display xdotool key Escape
ended=no
for _ in $(seq 100); do
  kill -0 "$program" 2>/dev/null || { ended=yes && break; }
  sleep 0.02
done
echo "  Escape: ended $ended, after $(awk -v a="$started" -v b="$EPOCHREALTIME" \
  'BEGIN { printf "%.0f", (b - a) * 1000 }') ms"
[ "$ended" = yes ] || { fail "Escape did not end the program" && kill "$program"; }
wait "$program" || fail "the program's status: $?"
kill "$xvfb"
wait "$xvfb" 2>/dev/null || true
if [ -s "$root/tmp/program.log" ]; then
  sed 's/^/  said: /' "$root/tmp/program.log"
fi
# 44.1 kHz, 16-bit stereo: the music's level over what was played.
bytes=$(stat -c %s "$root/tmp/music.raw" 2>/dev/null || echo 0)
level=$(python3 -c '
import array, math, sys
a = array.array("h", open(sys.argv[1], "rb").read()[88200:] or b"\0\0")
print("%.0f" % math.sqrt(sum(x * x for x in a) / len(a)))' "$root/tmp/music.raw" 2>/dev/null || echo 0)
echo "  music: $bytes bytes played, RMS level $level after its first half second"
[ "$level" -gt 300 ] || fail "the music is silent or missing"
rm -f "$root/tmp/music.raw"
exit $failed
