#!/usr/bin/env bash
# Checks the arm64 package under qemu-user in a minimal arm64 Debian 12 chroot
# that holds its dependencies (packaging/linux/chroot.sh run-arm64): it
# installs, its programs print their version, and its capture tool's frames
# give the reference checksums.
#   check_arm64.sh PACKAGE.deb VERSION
# Prints what it saw; the status is 1 when anything failed.
set -euo pipefail
deb=$1
version=$2
here=$(cd "$(dirname "$0")" && pwd)
root=$("$here/chroot.sh" run-arm64)
failed=0
cp "$deb" "$root/tmp/varno-style.deb"
"$here/in_chroot.sh" "$root" dpkg -i /tmp/varno-style.deb >/dev/null || failed=1
rm -f "$root/tmp/varno-style.deb"
for program in varno-style varno-capture; do
  out=$("$here/in_chroot.sh" "$root" "/usr/games/$program" --version || true)
  echo "  $out (arm64, under qemu-user)"
  [ "$out" = "$program $version" ] || failed=1
done
for gentle in "" --gentle; do
  want=d8dbe6ccd5ab45bd8d9e21c48278ef51
  [ -z "$gentle" ] || want=08b1d18706a78bbf648b66bdd1887b2e
  start=$EPOCHREALTIME
  sum=$("$here/in_chroot.sh" "$root" sh -c "cd / && SDL_VIDEODRIVER=dummy SDL_AUDIODRIVER=dummy \
    /usr/games/varno-capture --raw --back-buffer --fps 60 $gentle 2>/dev/null | md5sum" | cut -d' ' -f1)
  echo "  varno-capture --raw --back-buffer --fps 60 $gentle: $sum ($(awk -v a="$start" \
    -v b="$EPOCHREALTIME" 'BEGIN { printf "%.0f", b - a }') s)"
  [ "$sum" = "$want" ] || { echo "FAIL: not $want" && failed=1; }
done
"$here/in_chroot.sh" "$root" dpkg -r varno-style >/dev/null || failed=1
exit $failed
