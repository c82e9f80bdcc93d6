#!/usr/bin/env bash
# The README and the manuals in docs/: the README's usage and warning are the
# program's own (varno-style --help, run from the build folder), and so are
# those of the texts the build makes from it; the README stays a front
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

# The warning and the synopsis are written once, in the usage: the README's
# bold warning is that warning word for word, and what the build made from the
# usage (cmake/usage.cmake) says it too. Each text on one line, its spaces
# collapsed.
flat() { tr '\n' ' ' | tr -s ' ' | sed 's/^ //; s/ $//'; }
warning=$(sed -n '/^Warning: /,/^  /p' <<<"$usage" | sed '$d' | flat)
[ -n "$warning" ] || fail "the usage has no warning"
bold=$(flat <"$src/README.md" | grep -o '\*\*Warning:[^*]*\*\*' | head -n 1 | sed 's/^\*\*//; s/\*\*$//')
[ "$bold" = "$warning" ] || fail "README.md's bold warning is not the program's:
  README.md: $bold
  program:   $warning"
# What each made text reads as: the manual page as man shows it.
man_text() { MANWIDTH=1000 man -l "$1" 2>/dev/null | col -b; }
# file | how to read it | what it must say
while IFS='|' read -r file reader expected; do
  [ -f "$file" ] || {
    fail "$file was not made"
    continue
  }
  $reader "$file" | flat | grep -qiF -- "$expected" || fail "$file does not say: $expected"
done <<EOF
packaging/man/varno-style.6|man_text|${warning#Warning: }
packaging/man/varno-style.6|man_text|SYNOPSIS varno-style $(sed -n 's/^usage: varno-style //p' <<<"$usage")
packaging/description.txt|cat|$warning
EOF

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
[ $status -eq 0 ] && echo "the README's usage and warning, the made texts' warning and synopsis, its length and every link hold"
exit $status
