#!/usr/bin/env bash
# Renews the README's pictures of the utility (doc/screenshots/*.png). Builds the product,
# installs it into a temporary folder with its own registry file, makes an input that keeps the
# engine busy for several seconds, and runs the real windows under a virtual display
# (xvfb-run), where kvtutil_screenshots starts the sort, grabs the main window while it runs,
# the log viewer after it and the control-file editor.
#
#   bash scripts/screenshots.sh [RECORDS]      (default 8000000 records of 40 bytes)
set -euo pipefail
cd "$(dirname "$0")/.."

records=${1:-8000000}
build=${BUILD_DIR:-build}
out=$PWD/doc/screenshots
command -v xvfb-run >/dev/null || { echo "xvfb-run is missing (Debian package xvfb)" >&2; exit 1; }

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
