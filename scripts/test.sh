#!/usr/bin/env bash
# Builds everything and runs all tests: once as shipped, once with AddressSanitizer and
# UndefinedBehaviorSanitizer over the console programs and the library.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install_deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build-test -j"$jobs"
(cd build-test && ctest --output-on-failure -j"$jobs")

if [ "${KVT_SKIP_SANITIZERS:-0}" != 1 ]; then
  cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_SANITIZE=ON -DKVT_BUILD_GUI=OFF >/dev/null
  cmake --build build-asan -j"$jobs"
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
     ctest --output-on-failure -j"$jobs")
fi

# The Windows build (MinGW-w64) of the ported parts, with its tests under Wine.
if [ "${KVT_SKIP_WINDOWS:-0}" != 1 ]; then
  bash scripts/test_windows.sh
fi
