#!/bin/sh
# Every frame of the show, as the browser build's capture tool draws it under
# node (run from build-web/), is byte for byte the native capture tool's.
# usage: web_capture_test.sh NATIVE_CAPTURE_TOOL
set -eu
native_build=$(cd "$(dirname "$1")/.." && pwd)
native=$(cd "$native_build" && tools/varno-capture --raw --back-buffer --fps 60 | md5sum)
web=$(node tools/varno-capture.js --raw --back-buffer --fps 60 | md5sum)
echo "all frames, native: $native"
echo "all frames, node:   $web"
[ "$native" = "$web" ]
