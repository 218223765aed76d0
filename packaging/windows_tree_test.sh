#!/usr/bin/env bash
# The Windows product tree as the setup package takes it: every program is a Windows program
# without debug sections, and install.wrk is the clean-up program, not the POSIX script.
# Usage: packaging/windows_tree_test.sh BUILD_DIR OBJDUMP
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
objdump=${2:?usage: windows_tree_test.sh BUILD_DIR OBJDUMP}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

tree=$(bash "$src/packaging/windows_tree.sh" "${1:?usage: windows_tree_test.sh BUILD_DIR OBJDUMP}" \
  "$work/tree")
for f in kvtsorts.exe kv02sort.exe KVTInst.exe install.wrk; do
  [ -f "$tree/$f" ] || fail "$f is not in the tree"
  [ "$(head -c 2 "$tree/$f")" = MZ ] || fail "$f is not a Windows program"
  "$objdump" -h "$tree/$f" | grep -q '\.debug' && fail "$f carries debug sections"
  # Debug information would make a program several megabytes.
  size=$(stat -c %s "$tree/$f")
  [ "$size" -lt 4000000 ] || fail "$f has $size bytes"
done
echo "PASS: $(cd "$tree" && du -b -- *.exe install.wrk | tr '\n' ' ')"
