#!/usr/bin/env bash
# Runs every libFuzzer target for SECONDS seconds (default 60) on its corpus, with
# AddressSanitizer and UndefinedBehaviorSanitizer. New interesting inputs go to
# build-fuzz/corpus-new/<target>; crashes to build-fuzz/findings/<target>.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true

bash scripts/install_deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DKVT_FUZZ=ON -DKVT_BUILD_GUI=ON \
  -DKVT_BUILD_TESTS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fuzzers=$(cmake --build build-fuzz --target help | grep -o "[a-z_]*_fuzzer" | sort -u)
cmake --build build-fuzz -j"$(nproc)" --target $fuzzers >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in build-fuzz/fuzz/*_fuzzer; do targets+=("$(basename "${f%_fuzzer}")"); done
fi
printf '%-14s %12s %s\n' target executions result
for t in "${targets[@]}"; do
  new=build-fuzz/corpus-new/$t
  findings=build-fuzz/findings/$t
  mkdir -p "$new" "$findings"
  log=build-fuzz/$t.log
  set +e
  "build-fuzz/fuzz/${t}_fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$findings/" "$new" "fuzz/corpus/$t" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
  [ -z "$execs" ] && execs=$(grep -oE '#[0-9]+' "$log" | tail -1 | tr -d '#')
  result=clean
  [ $rc -ne 0 ] && result="FINDING (see $findings, $log)"
  printf '%-14s %12s %s\n' "$t" "${execs:-?}" "$result"
done
