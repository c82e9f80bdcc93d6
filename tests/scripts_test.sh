#!/usr/bin/env bash
# The scripts themselves: shellcheck finds no warning in any shell script, and
# scripts/show and scripts/test, run in any order and again, each leave build/
# configured as they need it, scripts/show without tests and scripts/test with
# them. They run with --configure (set up and configure only) in a copy of
# the project's files, so that this build folder is left alone, and with a
# scripts/setup there that installs nothing.
# usage: scripts_test.sh SOURCE_DIR
set -euo pipefail
src=$(cd "$1" && pwd)
status=0
fail() {
  echo "$*"
  status=1
}

# Every shell script: those in scripts/ and every *.sh.
mapfile -t shell_scripts < <(cd "$src" && git ls-files --cached --others --exclude-standard \
  scripts/ '*.sh' | sort -u)
[ ${#shell_scripts[@]} -ge 10 ] || fail "only ${#shell_scripts[@]} shell scripts found"
(cd "$src" && shellcheck --severity=warning --format=gcc "${shell_scripts[@]}") ||
  fail "shellcheck found the warnings above"

copy=$(mktemp -d)
trap 'rm -rf "$copy"' EXIT
(cd "$src" && git ls-files -z --cached --others --exclude-standard |
  tar --null -c -T - --ignore-failed-read 2>/dev/null) | tar -x -C "$copy"
# A test installs nothing: the copy's scripts find everything set up.
printf '#!/bin/sh\nexit 0\n' >"$copy/scripts/setup"

# script | BUILD_TESTING it leaves in build/ | tests ctest then finds there:
# none, some, or left unchecked ("-": with tests off, CMake leaves the test
# lists a run with them on wrote, so ctest still finds those).
while read -r script testing expected; do
  "$copy/scripts/$script" --configure >"$copy/configure.log" 2>&1 || {
    fail "scripts/$script --configure failed: $(tail -n 5 "$copy/configure.log")"
    continue
  }
  cached=$(sed -n 's/^BUILD_TESTING:BOOL=//p' "$copy/build/CMakeCache.txt")
  [ "$cached" = "$testing" ] || fail "after scripts/$script, build/ has BUILD_TESTING=$cached, expected $testing"
  tests=$(cd "$copy/build" && ctest -N | sed -n 's/^Total Tests: //p')
  seen=none
  [ "${tests:-0}" -eq 0 ] || seen=some
  [ "$expected" = - ] || [ "$seen" = "$expected" ] ||
    fail "after scripts/$script, ctest finds ${tests:-no} tests in build/, expected $expected"
done <<EOF
show OFF none
test ON some
show OFF -
show OFF -
test ON some
test ON some
show OFF -
test ON some
EOF

[ $status -eq 0 ] && echo "${#shell_scripts[@]} shell scripts clean; scripts/show and scripts/test configure build/ in any order"
exit $status
