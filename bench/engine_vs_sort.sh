#!/usr/bin/env bash
# Times the sort engine against GNU sort on the same fixed-length records and checks that both
# outputs are identical.
#
#   bench/engine_vs_sort.sh [kvtsorts] [records] [chunks] [runs] [presorted]
#
# records: 100-byte records (10-byte random printable key, newline as the last byte);
# chunks: engine chunk count (1 sorts in memory); presorted: 1 feeds already sorted input.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
engine=${1:-$here/../build/engine/kvtsorts}
records=${2:-1000000}
chunks=${3:-1}
runs=${4:-5}
presorted=${5:-0}
length=100

[ -x "$engine" ] || { echo "engine not found: $engine" >&2; exit 2; }
engine=$(cd "$(dirname "$engine")" && pwd)/$(basename "$engine")
work=$(mktemp -d "${TMPDIR:-/tmp}/kvtbench.XXXXXX")
trap 'rm -rf "$work"' EXIT

# Input: printable keys from random bytes, 89 filler bytes, a newline.
python3 - "$work/input.dat" "$records" "$presorted" <<'PY'
import os, sys
path, n, presorted = sys.argv[1], int(sys.argv[2]), sys.argv[3] == "1"
table = bytes(33 + (b % 94) for b in range(256))
raw = os.urandom(n * 10).translate(table)
keys = [raw[i * 10:(i + 1) * 10] for i in range(n)]
if presorted:
    keys.sort()
filler = b"x" * 89 + b"\n"
with open(path, "wb") as f:
    f.write(b"".join(k + filler for k in keys))
PY

per_chunk=$(( (records + chunks - 1) / chunks ))
mkdir -p "$work/main" "$work/wrk" "$work/sorttmp"
python3 - "$work/main/kvtsort.ctl" "$chunks" "$per_chunk" "$work/input.dat" "$work/engine.out" \
    "$work/wrk/" "$length" <<'PY'
import sys
path, chunks, per_chunk, inp, out, prefix, length = sys.argv[1:]
def s(t): return "%04d%s" % (len(t), t)
head = "*200080" + "%05d" % int(chunks) + "0000" + "0000" + " " + "0000" + "%010d" % int(per_chunk)
head += " " * (89 - len(head))
fields = "000001" + "00010" + "A" + "000011" + "%05d" % (int(length) - 10) + " " + "*" * 12
open(path, "wb").write((head + fields + s(length) + s(inp) + s(out) + s(prefix)).encode())
PY
printf 'REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Halvern\\KV0220]\n"MainDir"="%s/"\n' \
    "$work/main" > "$work/registry.reg"
export KVT_REGISTRY=$work/registry.reg

run_engine() { (cd "$work/main" && "$engine"); }
# GNU sort gets the engine's memory budget: the whole input in memory, or one chunk plus the
# engine's 8 bytes per record when the engine works in chunks.
if [ "$chunks" -gt 1 ]; then budget=$(( per_chunk * (length + 8) / 1024 ))K; else budget=2G; fi
run_sort() {
  LC_ALL=C sort -s -k1.1,1.10 -S "$budget" --parallel=1 -T "$work/sorttmp" -o "$work/sort.out" \
      "$work/input.dat"
}

# Alternating runs; medians of wall time.
engine_times=() sort_times=()
for ((r = 0; r < runs; r++)); do
  t0=$(date +%s.%N); run_engine || { echo "engine failed: $?" >&2; exit 1; }; t1=$(date +%s.%N)
  run_sort; t2=$(date +%s.%N)
  engine_times+=("$(echo "$t1 - $t0" | bc)") sort_times+=("$(echo "$t2 - $t1" | bc)")
done
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print (NR%2) ? a[(NR+1)/2] : (a[NR/2]+a[NR/2+1])/2}'; }
e=$(median "${engine_times[@]}") g=$(median "${sort_times[@]}")

if cmp -s "$work/engine.out" "$work/sort.out"; then same=identical; else same=DIFFERENT; fi
printf 'records=%d chunks=%d presorted=%s runs=%d sort -S %s\n' "$records" "$chunks" "$presorted" \
    "$runs" "$budget"
printf 'kvtsorts  %.3f s\nGNU sort  %.3f s\nratio     %.3f\noutputs   %s\n' \
    "$e" "$g" "$(echo "$e / $g" | bc -l)" "$same"
[ "$same" = identical ]
