#!/usr/bin/env bash
# Builds everything and runs all tests, as CI does (.ci/run): the formatting of the C++ files;
# the plain build with every test, its manual pages and its Debian package; AddressSanitizer and
# UndefinedBehaviorSanitizer over the console programs and the libraries; ThreadSanitizer over
# the engine; the Windows build under Wine, and its setup program installed, used and removed
# under Wine. Each build is configured once from its ci-* preset
# (CMakePresets.json: Ninja, ccache, warnings as errors). The slow tests (label slow: kills in
# every phase, the benchmark smoke run, the package) run in the plain build only.
#   KVT_SKIP_SANITIZERS=1  leaves out the sanitizer builds
#   KVT_SKIP_WINDOWS=1     leaves out the Windows build
set -euo pipefail
cd "$(dirname "$0")/.."

# ccache hashes paths relative to the clone, so a clone anywhere finds what an earlier one built.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD} CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-1}

bash scripts/install_deps.sh
jobs=$(nproc)

# Every tracked C++ file is formatted as .clang-format says.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
  git ls-files -z '*.cc' '*.h' | xargs -0 clang-format --dry-run -Werror
fi

# Qt for MinGW-w64 (built once per machine, about 21 minutes alone) is built in the background at the
# lowest priority, so it takes only the time the Linux builds and tests leave idle and is ready
# when the Windows build needs it; a machine that has it finds it at once.
# A run that fails before then stops it (it goes on from where it stopped next time).
qt_log=$(mktemp "${TMPDIR:-/tmp}/kvt-qt-build.XXXXXX")
qt_build=
stop_qt_build() {
  [ -z "$qt_build" ] || kill -- "-$qt_build" 2>/dev/null || true
  rm -f "$qt_log"
}
trap stop_qt_build EXIT
if [ "${KVT_SKIP_WINDOWS:-0}" != 1 ]; then
  # A process group of its own (to stop it whole) in this session, whose scheduling group the
  # niceness is counted in; a session of its own would get an equal share of the processors.
  set -m
  nice -n 19 bash scripts/build_qt_windows.sh >"$qt_log" 2>&1 &
  qt_build=$!
  set +m
fi

# Configures, builds and tests one preset.
run_preset() {
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
  ctest --preset "$1" -j"$jobs"
}

# The manual pages are checked by the man_pages test; the package by package_deb and lintian.
run_preset ci-dev
deb=$(bash packaging/build_deb.sh build-ci-dev build-ci-dev/packages)
lintian --fail-on error "$deb"

if [ "${KVT_SKIP_SANITIZERS:-0}" != 1 ]; then
  run_preset ci-asan
  # The engine's sort, gather and merges use helper threads.
  run_preset ci-tsan
fi

# The Windows build (MinGW-w64) of the ported parts, with its tests under Wine; then its setup
# program, whose sort of the example must match the plain build's.
if [ "${KVT_SKIP_WINDOWS:-0}" != 1 ]; then
  if ! wait "$qt_build"; then
    cat "$qt_log" >&2
    echo "test.sh: the build of Qt for MinGW-w64 failed" >&2
    exit 1
  fi
  qt_build=
  bash scripts/test_windows.sh
  KVT_LINUX_BUILD_DIR=build-ci-dev bash scripts/test_windows_setup.sh
fi
