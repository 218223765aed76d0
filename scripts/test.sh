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
  # ThreadSanitizer over the engine, whose sort, gather and merges use helper threads.
  cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKVT_BUILD_GUI=OFF \
    -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
  cmake --build build-tsan -j"$jobs" --target engine_tests kvtsorts
  (cd build-tsan && TSAN_OPTIONS=halt_on_error=1 KVT_THREADS=3 \
     ctest --output-on-failure -j"$jobs" -L engine -E '\.one_thread$')
fi
