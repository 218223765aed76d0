#!/usr/bin/env bash
# Renews the README's pictures of the utility (doc/screenshots/*.png). Builds the product,
# installs it into a temporary folder with its own registry file, makes an input that keeps the
# engine busy for several seconds, and runs the real windows under a virtual display
# (xvfb-run), where kvtutil_screenshots starts the sort, grabs the main window while it runs,
# the log viewer after it and the control-file editor.
#
# With --windows it takes the Windows build's pictures instead (doc/screenshots/windows-*.png):
# the product tree of the MinGW-w64 build (KVT_WINDOWS_BUILD_DIR, default build-ci-windows, as
# scripts/test_windows.sh makes it) installed into C:\KVTamsort of a fresh Wine prefix, the
# windows drawn by Wine on the virtual display, the uninstaller's window included.
#
#   bash scripts/screenshots.sh [--windows] [RECORDS]   (default 8000000 records of 40 bytes)
set -euo pipefail
cd "$(dirname "$0")/.."

windows=0
if [ "${1:-}" = --windows ]; then
  windows=1
  shift
fi
records=${1:-8000000}
build=${BUILD_DIR:-build}
out=$PWD/doc/screenshots
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (Debian package xvfb)" >&2; exit 1; }

# The Windows pictures: Wine runs the installed tree; the registry is the fresh prefix's.
windows_screenshots() {
  local wbuild=${KVT_WINDOWS_BUILD_DIR:-build-ci-windows}
  [ -f "$wbuild/CMakeCache.txt" ] ||
    { echo "no Windows build in $wbuild: run scripts/test_windows.sh first" >&2; exit 1; }
  cmake --build "$wbuild" -j"$(nproc)" --target kvtsorts kv02sort KVTUtil KVTInst KVUninst \
    kvtclean kvtutil_screenshots
  WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/kvt-wine.XXXXXX")
  export WINEPREFIX WINEARCH=win64 WINEDEBUG=-all WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
  trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
  wineboot -i </dev/null >/dev/null 2>&1
  local product=$WINEPREFIX/drive_c/KVTamsort
  bash packaging/windows_tree.sh "$wbuild" "$product" >/dev/null
  # The picture tool runs from the tree, beside the DLLs and plugins the tree ships.
  cp "$wbuild/util/kvtutil_screenshots.exe" "$product/"
  (cd "$product" && wine KVTInst.exe </dev/null >/dev/null 2>&1)
  bash scripts/make_sample_input.sh "$records" "$product/sample.dat"
  sed -e 's/^WORKFILES=.*\r$/WORKFILES="4"\r/' "$product/SortCtl/kvtsort.txt" \
    >"$product/SortCtl/screenshots.txt"
  mkdir -p "$out"
  # Wine's DirectWrite draws no text of a line edit's layout: Qt's FreeType engine, over the
  # same Windows fonts, draws all of it.
  (cd "$product" && xvfb-run -a -s "-screen 0 1280x800x24" wine kvtutil_screenshots.exe \
     -platform windows:fontengine=freetype 'C:\KVTamsort\SortCtl\screenshots.txt' "Z:$out" \
     windows)
  ls -l "$out"/windows-*.png
}
if [ "$windows" = 1 ]; then
  windows_screenshots
  exit 0
fi

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target kvtsorts kv02sort KVTUtil KVTInst KVUninst \
  kvtutil_screenshots

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
product=$work/product
cmake --install "$build" --prefix "$product" >/dev/null
export KVT_REGISTRY=$work/registry.reg
"$product/KVTInst"

bash scripts/make_sample_input.sh "$records" "$product/sample.dat"
# The shipped example, split into four chunks so that the picture shows a merge to come.
ctl=$product/SortCtl/screenshots.txt
sed -e 's/^WORKFILES=.*\r$/WORKFILES="4"\r/' "$product/SortCtl/kvtsort.txt" > "$ctl"

mkdir -p "$out"
# A fixed font size and style make the pictures alike from one run to the next.
QT_STYLE_OVERRIDE=Fusion QT_FONT_DPI=96 \
  xvfb-run -a -s "-screen 0 1280x800x24" "$build/util/kvtutil_screenshots" "$ctl" "$out"
ls -l "$out"
