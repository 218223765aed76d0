#!/usr/bin/env bash
# Builds the product for 64-bit Windows with MinGW-w64 and runs its tests under Wine.
# Installs the cross compiler and Wine when missing (root or sudo needed only then). Configured
# once from the ci-windows preset (CMakePresets.json: MinGW-w64 toolchain, Ninja, ccache,
# warnings as errors).
#   KVT_WINDOWS_BUILD_DIR  build folder (default build-ci-windows, the preset's)
set -euo pipefail
cd "$(dirname "$0")/.."

# ccache hashes paths relative to the clone, so a clone anywhere finds what an earlier one built.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

bash scripts/install_deps.sh g++-mingw-w64-x86-64-posix mingw-w64-tools wine wine64 googletest

build=${KVT_WINDOWS_BUILD_DIR:-build-ci-windows}
jobs=$(nproc)

# A fresh Wine prefix for this run keeps runs apart; one wineserver kept alive for the whole
# run makes each program start cost milliseconds instead of a second.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/kvt-wine.XXXXXX")
export WINEPREFIX
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d"
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT
wineserver -p </dev/null >/dev/null 2>&1
wineboot -i </dev/null >/dev/null 2>&1

# Qt for MinGW-w64 for the windowed programs: built once per machine, then found in its cache.
qt_prefix=$(bash scripts/build_qt_windows.sh | tail -n 1)

cmake --preset ci-windows -B "$build" -DCMAKE_PREFIX_PATH="$qt_prefix" >/dev/null
cmake --build "$build" -j"$jobs"
# A test that hangs under Wine fails instead of holding up the run.
(cd "$build" && ctest --output-on-failure --timeout 300 -j"$jobs")
