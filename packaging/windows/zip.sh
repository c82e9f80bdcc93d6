#!/bin/sh
# Makes the zip handed out for Windows (CMakeLists.txt's varno-zip target):
#   zip.sh OUT.zip varno-style.exe DATA_DIR README.txt VERSION CHANGELOG
# It holds varno-style.exe, data/ (the pictures and the music) and README.txt
# (with the version filled in and Windows' line ends), nothing else, packed by
# pack-zip.sh with every entry dated to the release's date in the changelog
# (or $SOURCE_DATE_EPOCH).
set -eu
out=$1 exe=$2 data=$3 readme=$4 version=$5 changelog=$6

stage=$out.stage
rm -rf "$stage" "$out.part"
mkdir -p "$stage/data"
cp "$exe" "$stage/varno-style.exe"
cp "$data"/*.png "$data"/*.ogg "$stage/data/"
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$readme" > "$stage/README.txt"

if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
  when=@$SOURCE_DATE_EPOCH
else
  # The newest entry's sign-off: " -- Name <mail>  Tue, 08 Dec 2026 00:00:00 +0000".
  when=$(sed -n 's/^ -- .*>  //p' "$changelog" | head -n 1)
fi
sh "$(dirname "$0")/../pack-zip.sh" "$stage" "$out.part" "$when"
mv "$out.part" "$out"
rm -rf "$stage"
