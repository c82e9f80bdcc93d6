#!/bin/sh
# Every frame of the show, as the browser build's capture tool draws it under
# node (run from build-web/), is byte for byte the reference's.
# usage: web_capture_test.sh MD5
set -eu
web=$(node tools/varno-capture.js --raw --back-buffer --fps 60 | md5sum | cut -d' ' -f1)
echo "all frames, node:      $web"
echo "all frames, reference: $1"
[ "$web" = "$1" ]
