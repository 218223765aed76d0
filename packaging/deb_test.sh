#!/usr/bin/env bash
# The package as a user meets it: builds the .deb from BUILD_DIR, unpacks it into a throw-away
# root (dpkg -x), makes a main directory with the packaged KVTInst --main-dir for a fresh
# registry, sorts the shipped example with the packaged kv02sort and checks the output.
# Usage: packaging/deb_test.sh BUILD_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

deb=$(bash "$src/packaging/build_deb.sh" "${1:?usage: deb_test.sh BUILD_DIR}" "$work/out")
dpkg -x "$deb" "$work/root"
product=$work/root/opt/halvern/kvtamsort
for f in kvtsorts kv02sort KVTInst ErrText.txt kvtmsg.txt kvtsort.txt sample.dat StdOrder package-owned \
         ../../../usr/share/man/man1/kv02sort.1.gz ../../../usr/share/man/man5/kvtsort.5.gz; do
  [ -e "$product/$f" ] || fail "$f is not in the package"
done
[ -x "$product/kv02sort" ] || fail "kv02sort is not executable"
# Only root may change the product tree.
[ -z "$(find "$work/root" -perm /022 ! -type l)" ] || fail "files writable by others"
dpkg-deb -f "$deb" Depends | grep -q 'libqt6widgets6' || fail "no Qt 6 runtime dependency"
dpkg-deb -f "$deb" Depends | grep -q -- '-dev' && fail "depends on a development package"

# The product tree is read-only, as for a user of the installed package.
chmod -R a-w "$work/root"
export KVT_REGISTRY=$work/registry.reg
# Even root, who may write there, never makes the package's tree a main directory.
tree() { (cd "$work/root" && find . -printf '%p %s %m\n' | sort); }
before=$(tree)
set +e
"$product/KVTInst" 2> "$work/inst.err"
rc=$?
set -e
[ $rc -ne 0 ] || fail "KVTInst in the package's tree exited 0"
grep -q -- '--main-dir DIR' "$work/inst.err" || fail "KVTInst did not point to --main-dir: $(cat "$work/inst.err")"
[ "$(tree)" = "$before" ] || fail "KVTInst changed the package's tree"
[ ! -e "$KVT_REGISTRY" ] || fail "KVTInst in the package's tree wrote the registry"
"$product/KVTInst" --main-dir "$work/kvt" > "$work/inst.out" || fail "KVTInst --main-dir: $(cat "$work/inst.out")"
grep -q "\"MainDir\"=\"$work/kvt/\"" "$KVT_REGISTRY" || fail "MainDir not recorded"
[ -f "$work/kvt/SortCtl/kvtsort.txt" ] || fail "no sample control file"
cd "$work"
set +e
"$product/kv02sort" kvtsort.txt 2> "$work/sort.err"
rc=$?
set -e
[ $rc -eq 0 ] || fail "kv02sort ended with $rc: $(cat "$work/sort.err")"
out=$work/kvt/sample.srt
[ -f "$out" ] || fail "no output"
cmp -s <(LC_ALL=C sort "$work/kvt/sample.dat") <(LC_ALL=C sort "$out") ||
  fail "the output does not hold the input's records"
# The example sorts by the name (bytes 1-10) ascending, then the amount (21-25) descending.
LC_ALL=C sort -c -s -t '|' -k1.1,1.10 -k1.21,1.25r "$out" || fail "the output is not in order"
echo "sorted $(wc -l < "$out") records from the package"
