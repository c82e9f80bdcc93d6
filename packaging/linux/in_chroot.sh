#!/usr/bin/env bash
# Runs a command in one of the release's chroots (packaging/linux/chroot.sh)
# with a clean environment, /proc, /dev and X's sockets mounted in a mount
# namespace of its own (gone when the command ends), and qemu-user where the
# kernel's handler for arm64 programs looks for it, inside as outside.
#   in_chroot.sh ROOT COMMAND...
set -euo pipefail
root=$1
shift
binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e $binfmt/qemu-aarch64 ] && command -v update-binfmts >/dev/null; then
  [ -e $binfmt/register ] || mount -t binfmt_misc binfmt_misc $binfmt
  update-binfmts --enable qemu-aarch64 >/dev/null 2>&1 || true
fi
handler=$(sed -n 's/^interpreter //p' $binfmt/qemu-aarch64 2>/dev/null || true)
if [ -n "$handler" ] && [ ! -e "$root$handler" ]; then
  mkdir -p "$root$(dirname "$handler")"
  cp "$(readlink -f "$handler")" "$root$handler"
fi
exec unshare --mount --fork sh -c '
  r=$1
  shift
  mount -t proc proc "$r/proc"
  mount --rbind /dev "$r/dev"
  if [ -d /tmp/.X11-unix ]; then
    mkdir -p "$r/tmp/.X11-unix" && mount --bind /tmp/.X11-unix "$r/tmp/.X11-unix"
  fi
  exec chroot "$r" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root "$@"' sh "$root" "$@"
