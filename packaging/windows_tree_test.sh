#!/usr/bin/env bash
# The Windows product tree as the setup package takes it: every program is a Windows program
# without debug sections, install.wrk is the clean-up program, not the POSIX script, and the
# windowed programs have beside them all they need: started from the tree under Wine with no
# search path of ours, KVTUtil.exe finds its DLLs and its platform plugin and opens its window.
# The DLLs are stripped too.
# Usage: packaging/windows_tree_test.sh BUILD_DIR OBJDUMP
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
objdump=${2:?usage: windows_tree_test.sh BUILD_DIR OBJDUMP}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

tree=$(bash "$src/packaging/windows_tree.sh" "${1:?usage: windows_tree_test.sh BUILD_DIR OBJDUMP}" \
  "$work/tree")
for f in kvtsorts.exe kv02sort.exe KVTInst.exe KVTUtil.exe KVUninst.exe install.wrk; do
  [ -f "$tree/$f" ] || fail "$f is not in the tree"
  [ "$(head -c 2 "$tree/$f")" = MZ ] || fail "$f is not a Windows program"
  # (Read whole before grep -q: a pipe closed early would make the listing fail under pipefail.)
  headers=$("$objdump" -h "$tree/$f")
  grep -q '\.debug' <<<"$headers" && fail "$f carries debug sections"
  # Debug information would make a console program several megabytes; a windowed one holds
  # the product's libraries too.
  size=$(stat -c %s "$tree/$f")
  [ "$size" -lt 8000000 ] || fail "$f has $size bytes"
done
# The windowed programs open no console window; the others are console programs.
for f in KVTUtil.exe KVUninst.exe; do
  grep -q 'Subsystem.*Windows GUI' <<<"$("$objdump" -p "$tree/$f")" || fail "$f is not a GUI program"
done
grep -q 'Subsystem.*Windows CUI' <<<"$("$objdump" -p "$tree/kv02sort.exe")" ||
  fail "kv02sort.exe is not a console program"

# Every DLL a program of the tree imports is in the tree or is the system's.
for f in Qt6Core.dll Qt6Gui.dll Qt6Widgets.dll libstdc++-6.dll libgcc_s_seh-1.dll \
         libwinpthread-1.dll platforms/qwindows.dll; do
  [ -f "$tree/$f" ] || fail "$f is not in the tree"
done
for f in "$tree"/*.exe "$tree"/*.dll "$tree"/platforms/*.dll; do
  for dll in $("$objdump" -p "$f" | awk '/DLL Name:/ {print $3}'); do
    [ -f "$tree/$dll" ] && continue
    case "${dll,,}" in
      # Windows' own libraries, on every machine.
      kernel32.dll | user32.dll | gdi32.dll | advapi32.dll | shell32.dll | ole32.dll | \
      oleaut32.dll | comdlg32.dll | msvcrt.dll | ws2_32.dll | winmm.dll | imm32.dll | \
      uxtheme.dll | dwmapi.dll | dwrite.dll | version.dll | netapi32.dll | userenv.dll | mpr.dll | \
      shlwapi.dll | setupapi.dll | wtsapi32.dll | uuid.dll | d3d9.dll | dxgi.dll | d3d11.dll | \
      authz.dll | shcore.dll | d2d1.dll | api-ms-win-*) ;;
      *) fail "${f#"$tree"/} needs $dll, which is not in the tree" ;;
    esac
  done
done

# Started from the tree, with nothing but the tree, KVTUtil.exe opens its main window (a missing
# DLL ends it at once; a missing platform plugin leaves only Qt's error box).
wine=$(command -v wine || command -v wine64 || true)
if [ -n "$wine" ] && command -v Xvfb >/dev/null && command -v xwininfo >/dev/null; then
  # A virtual display of its own; the server names its free display number on descriptor 3.
  Xvfb -displayfd 3 -screen 0 1024x768x24 3>"$work/display" 2>/dev/null &
  xvfb=$!
  for _ in $(seq 1 50); do [ -s "$work/display" ] && break; sleep 0.1; done
  display=":$(cat "$work/display")"
  # A Wine prefix of its own, made on this display: a prefix whose desktop was first made by a
  # program without a display shows no window of a later one.
  export WINEPREFIX=$work/prefix WINEDEBUG=-all
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
  DISPLAY="$display" wineboot -i </dev/null >/dev/null 2>&1
  (cd "$tree" && exec env -u WINEPATH DISPLAY="$display" "$wine" KVTUtil.exe \
     >"$work/util.out" 2>&1) &
  util=$!
  shown=0
  # A fresh Wine prefix takes a while for its first window.
  for _ in $(seq 1 180); do
    if xwininfo -root -tree -display "$display" 2>/dev/null |
         grep -q '"Halvern - Tamsort Utility program"'; then
      shown=1
      break
    fi
    kill -0 "$util" 2>/dev/null || break
    sleep 0.5
  done
  [ "$shown" = 1 ] || { echo "display $display:" >&2; xwininfo -root -tree -display "$display" >&2 || true; }
  kill "$util" "$xvfb" 2>/dev/null || true
  wait "$util" "$xvfb" 2>/dev/null || true
  if [ "$shown" = 0 ]; then
    cat "$work/util.out" >&2
    fail "KVTUtil.exe started from the tree showed no main window"
  fi
  echo "KVTUtil.exe opened its window from the tree"
fi
echo "PASS: $(cd "$tree" && du -b -- *.exe install.wrk | tr '\n' ' ') total $(du -sb "$tree" | cut -f1)"
