#!/usr/bin/env bash
# One command for the whole benchmark suite: installs what is missing, builds the product in
# Release mode and runs every case (pass --runs N, --cases 1,3 or --work DIR to change that).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install_deps.sh
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DKVT_BUILD_GUI=OFF -DKVT_BUILD_TESTS=OFF >/dev/null
cmake --build build-bench -j"$(nproc)" --target kvtsorts kv02sort kvtbench
exec python3 bench/bench.py --build-dir build-bench "$@"
