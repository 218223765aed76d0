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

# The manual pages render without a warning, and the Debian package passes lintian.
for page in man/*.[1-9]; do
  warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then echo "$page: $warnings"; exit 1; fi
done
deb=$(bash packaging/build_deb.sh build-test build-test/packages)
lintian --fail-on error "$deb"

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

# The Windows build (MinGW-w64) of the ported parts, with its tests under Wine.
if [ "${KVT_SKIP_WINDOWS:-0}" != 1 ]; then
  bash scripts/test_windows.sh
fi
