#!/usr/bin/env bash
# The whole show's frames at 60 fps, as the capture tool draws them from the
# build folder it runs in: their MD5 must be the reference's, and on the way
# varno-flashes counts their flashes.
# usage: frames_test.sh MD5 [CAPTURE OPTIONS...] -- [FLASHES OPTIONS...]
set -euo pipefail
want=$1
shift
capture=()
while [ $# -gt 0 ] && [ "$1" != -- ]; do
  capture+=("$1")
  shift
done
[ $# -gt 0 ] && shift
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/frames"
md5sum <"$dir/frames" >"$dir/sum" &
tools/varno-capture --raw --back-buffer --fps 60 "${capture[@]}" | tee "$dir/frames" |
  tools/varno-flashes "$@"
wait $!
got=$(cut -d' ' -f1 "$dir/sum")
if [ "$got" != "$want" ]; then
  echo "all frames: $got, where the reference is $want"
  exit 1
fi
echo "all frames: $got, as the reference"
