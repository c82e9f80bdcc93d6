#!/bin/sh
# Packs a folder into a zip that the same files always turn into the same
# bytes, for every zip the project hands out (the Windows zip, the release's):
#   pack-zip.sh FOLDER OUT.zip WHEN
# Entries sorted, no owners or extra fields (zip -X), no directory entries;
# folders and files readable by all, programs (.exe) executable; every entry
# dated WHEN (anything touch -d takes, such as @SECONDS), in UTC, since a zip
# stores local times.
set -eu
folder=$1 out=$2 when=$3
case "$out" in /*) ;; *) out=$(pwd)/$out ;; esac
export TZ=UTC LC_ALL=C
find "$folder" -type d -exec chmod 755 {} +
find "$folder" -type f -exec chmod 644 {} +
find "$folder" -type f -name '*.exe' -exec chmod 755 {} +
find "$folder" -exec touch -h -d "$when" {} +
rm -f "$out"
(cd "$folder" && find . -type f | sed 's|^\./||' | sort | zip -X -D -9 -q "$out" -@)
