#!/usr/bin/env bash
# The README and the manuals in docs/: the README's usage is the program's own
# (varno-style --help, run from the build folder), the README stays a front
# door of at most 200 lines, and every link between them leads to a file that
# is there, and to a heading that is there.
# usage: docs_test.sh SOURCE_DIR
set -euo pipefail
src=$1
status=0
fail() {
  echo "$*"
  status=1
}

usage=$(./varno-style --help)
block=$(sed -n '/^<!-- usage:/,/^<!-- end of usage/p' "$src/README.md" | sed '1,2d;$d' | sed '$d')
[ "$block" = "$usage" ] || fail "README.md's usage is not the program's: $(diff <(echo "$block") <(echo "$usage"))"

lines=$(wc -l <"$src/README.md")
[ "$lines" -le 200 ] || fail "README.md has $lines lines, more than 200"

# A heading's anchor as GitHub makes it: lower case, punctuation dropped, spaces to hyphens.
anchors() { sed -n 's/^#\+ //p' "$1" | tr 'A-Z' 'a-z' | sed 's/[^a-z0-9 _-]//g; s/ /-/g'; }
for doc in "$src/README.md" "$src"/docs/*.md; do
  dir=$(dirname "$doc")
  while read -r link; do
    file=${link%%#*}
    anchor=${link#"$file"}
    target=$doc
    if [ -n "$file" ]; then
      target=$dir/$file
      [ -e "$target" ] || {
        fail "${doc#"$src"/}: no $file"
        continue
      }
    fi
    if [ -n "$anchor" ] && ! anchors "$target" | grep -qx -- "${anchor#\#}"; then
      fail "${doc#"$src"/}: no heading $anchor in ${target#"$src"/}"
    fi
  done < <(grep -o '](\([^)]*\))' "$doc" | sed 's/^](//; s/)$//' | grep -v '^[a-z]\+:' || true)
done
[ $status -eq 0 ] && echo "the README's usage, its length and every link hold"
exit $status
