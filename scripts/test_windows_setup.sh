#!/usr/bin/env bash
# The Windows setup program end to end under Wine: builds kvtamsort-<version>-setup.exe from the
# MinGW build, installs it silently into a fresh Wine prefix, checks the program folder, the
# main directory, the registry, the Start-menu links and the installed-programs entry, sorts the
# shipped example with the installed kv02sort.exe (the output must equal the Linux build's),
# then uninstalls silently and checks that everything the product and setup made is gone and
# nothing else in the prefix changed. Any failed check ends the script with status 1.
#   KVT_WINDOWS_BUILD_DIR  the MinGW build (default build-ci-windows, as scripts/test_windows.sh)
#   KVT_LINUX_BUILD_DIR    the Linux build whose programs sort the reference (default
#                          build-ci-dev, as scripts/test.sh); kv02sort, kvtsorts, KVTInst built
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install_deps.sh nsis wine wine64 g++-mingw-w64-x86-64-posix

win_build=${KVT_WINDOWS_BUILD_DIR:-build-ci-windows}
linux_build=${KVT_LINUX_BUILD_DIR:-build-ci-dev}
started=$(date +%s)
work=$(mktemp -d "${TMPDIR:-/tmp}/kvt-setup.XXXXXX")
fail() { echo "FAIL: $*" >&2; exit 1; }
# A step that fails without a check of its own says where.
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR
step() { echo "== $*"; }

# A fresh prefix of our own; one wineserver for the whole run. Every Wine step has a time limit,
# so a program that hangs fails the test instead of holding it up.
export WINEPREFIX=$work/prefix
mkdir "$WINEPREFIX"
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
# Wine's menu builder would turn the Start-menu links into desktop entries of the real user;
# it is left out, and anything that still writes to the user's folders writes to ours.
export WINEDLLOVERRIDES="winedbg.exe=d;mscoree=d;mshtml=d;winemenubuilder.exe=d"
export XDG_DATA_HOME=$work/xdg-data XDG_CONFIG_HOME=$work/xdg-config
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
wine_run() { timeout "${WINE_STEP_LIMIT:-120}" wine "$@" </dev/null; }

step "Building the setup program"
setup=$(bash packaging/windows/build_setup.sh "$win_build" "$work/out")
tree=$work/out/tree
# The Wine here runs 64-bit programs only; a 32-bit setup would do nothing and still exit 0.
header=$(x86_64-w64-mingw32-objdump -f "$setup")
grep -q 'file format pei-x86-64' <<<"$header" || fail "$setup is not a 64-bit Windows program"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$win_build/CMakeCache.txt")
key="HKLM\\SOFTWARE\\Halvern\\KV02${version%%.*}$(echo "$version" | cut -d. -f2)"
uninst_key='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\KVTamsort'

timeout 60 wineserver -p </dev/null >/dev/null 2>&1 || fail "wineserver did not start"
timeout 300 wineboot -i </dev/null >/dev/null 2>&1 || fail "wineboot could not make the prefix"

# The prefix's files and the software branches of its registry, for the before/after comparison.
# The uninstaller's temporary copy (~nsu*.tmp, removed by Windows at the next start) is Wine's
# business, as is the rest of the temporary folder.
snapshot() {
  (cd "$WINEPREFIX/drive_c" && find . | grep -v -E '^\./users/[^/]+/Temp/' | LC_ALL=C sort) \
    >"$work/$1.files"
  local branch
  for branch in 'HKLM\Software' 'HKCU\Software'; do
    wine_run reg export "$branch" "$work/export.reg" /y >/dev/null 2>&1 ||
      fail "reg export $branch"
    iconv -f UTF-16 -t UTF-8 "$work/export.reg" | tr -d '\r'
  done >"$work/$1.reg"
}
# One string or DWORD value of a key, empty when missing.
reg_value() {
  wine_run reg query "$1" /v "$2" 2>/dev/null | tr -d '\r' |
    sed -n "s/^ *$2 *REG_[A-Z_]* *//p"
}
key_exists() { wine_run reg query "$1" >/dev/null 2>&1; }

snapshot before

instdir='C:\KVTSetupTest\KVTamsort'
prog=$WINEPREFIX/drive_c/KVTSetupTest/KVTamsort
maindir_win='C:\ProgramData\Halvern\KV Tamsort'
maindir=$WINEPREFIX/drive_c/ProgramData/Halvern/KV\ Tamsort
menu=$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start\ Menu/Programs/KV\ Tamsort

step "Installing silently into $instdir"
wine_run "$setup" /S "/D=$instdir" || fail "setup ended with $?"

# What setup copied: the whole tree, byte for byte, and its uninstaller.
[ -d "$prog" ] || fail "setup installed nothing into $instdir"
diff -r -x uninstall.exe "$tree" "$prog" >&2 || fail "the program folder differs from the tree"
[ -f "$prog/uninstall.exe" ] || fail "no uninstall.exe"

# What KVTInst made of the main directory.
[ "$(reg_value "$key" MainDir)" = "$maindir_win\\" ] ||
  fail "MainDir is '$(reg_value "$key" MainDir)', not '$maindir_win\\'"
for f in Install.log kvtinst.cfg SortCtl/kvtsort.txt SortOrder ErrText.txt kvtmsg.txt \
         StdOrder/binary.sor sample.dat; do
  [ -e "$maindir/$f" ] || fail "$f is missing from the main directory"
done
for f in KVTInst.exe install.wrk kvtclean.exe kvtsort.txt; do
  [ ! -e "$maindir/$f" ] || fail "$f was left in the main directory"
done
grep -q 'Installation rc =  0' "$maindir/Install.log" || fail "Install.log: $(cat "$maindir/Install.log")"
grep -qF "APPPATH=\"$maindir_win\\\"" "$maindir/kvtinst.cfg" || fail "kvtinst.cfg: wrong APPPATH"

# Start-menu links: each names its program, which is installed.
link_points_to() {
  [ -f "$menu/$1" ] || fail "no Start-menu link $1"
  grep -aqiF "$2" "$menu/$1" || fail "$1 does not start $2"
  [ -f "$prog/$2" ] || fail "$1 starts $2, which is not installed"
}
link_points_to "Uninstall KV Tamsort.lnk" uninstall.exe
if [ -f "$tree/KVTUtil.exe" ]; then
  link_points_to "KV Tamsort Utility.lnk" KVTUtil.exe
else
  [ ! -e "$menu/KV Tamsort Utility.lnk" ] || fail "a Utility link without KVTUtil.exe"
fi

# The installed-programs entry.
expect_value() {
  local got
  got=$(reg_value "$uninst_key" "$1")
  [ "$got" = "$2" ] || fail "$1 is '$got', not '$2'"
}
expect_value DisplayName "KV Tamsort"
expect_value DisplayVersion "$version"
expect_value Publisher "Halvern"
expect_value UninstallString "\"$instdir\\uninstall.exe\""
expect_value QuietUninstallString "\"$instdir\\uninstall.exe\" /S"
size_kb=$(($(reg_value "$uninst_key" EstimatedSize)))
tree_kb=$(du -sk "$prog" | cut -f1)
[ "$size_kb" -gt $((tree_kb / 2)) ] && [ "$size_kb" -le $((tree_kb * 2)) ] ||
  fail "EstimatedSize $size_kb KiB for a folder of $tree_kb KiB"

step "Sorting the shipped example with the installed kv02sort.exe"
wine_run "$instdir\\kv02sort.exe" kvtsort.txt || fail "kv02sort.exe ended with $?"
# The reference: the Linux programs over the same shipped files.
linux=$work/linux
mkdir -p "$linux/product"
(cd "$tree" && cp -r ErrText.txt kvtmsg.txt kvtsort.txt sample.dat StdOrder "$linux/product/")
cp "$linux_build/jobfront/kv02sort" "$linux_build/engine/kvtsorts" \
  "$linux_build/install/KVTInst" "$linux/product/"
export KVT_REGISTRY=$linux/registry.reg
"$linux/product/KVTInst" --main-dir "$linux/main" >/dev/null || fail "Linux KVTInst --main-dir"
"$linux/product/kv02sort" kvtsort.txt || fail "Linux kv02sort ended with $?"
unset KVT_REGISTRY
[ -s "$linux/main/sample.srt" ] || fail "the Linux build wrote no sample.srt"
cmp "$maindir/sample.srt" "$linux/main/sample.srt" ||
  fail "the Windows sort's output differs from the Linux build's"

step "Installing again over it, as an update does"
printf '[FILE]\r\n' >"$maindir/SortCtl/job.txt"
echo "changed" >"$maindir/ErrText.txt"
wine_run "$setup" /S "/D=$instdir" || fail "the second setup ended with $?"
[ "$(reg_value "$key" MainDir)" = "$maindir_win\\" ] || fail "the update moved MainDir"
[ -f "$maindir/SortCtl/job.txt" ] && [ -f "$maindir/sample.srt" ] ||
  fail "the update lost the user's files"
cmp -s "$tree/ErrText.txt" "$maindir/ErrText.txt" || fail "the update left an old ErrText.txt"
[ "$(grep -c 'Installation rc =  0' "$maindir/Install.log")" = 2 ] ||
  fail "Install.log does not record both runs"
[ "$(ls "$prog" | wc -l)" = "$(($(ls "$tree" | wc -l) + 1))" ] || fail "the update added files"

step "Uninstalling silently"
wine_run "$instdir\\uninstall.exe" /S || fail "uninstall.exe ended with $?"
# The uninstaller runs on from a temporary copy of itself: wait for that copy to end.
uninstaller_running() {
  local processes
  processes=$(ps -eo args)
  grep -qF "_?=$instdir" <<<"$processes"
}
for _ in $(seq 1 120); do
  uninstaller_running || break
  sleep 0.5
done
! uninstaller_running || fail "the uninstaller is still running after a minute"

! key_exists "$key" || fail "the product key is still there"
! key_exists 'HKLM\SOFTWARE\Halvern' || fail "the maker's empty key is still there"
! key_exists "$uninst_key" || fail "the installed-programs entry is still there"
[ ! -e "$prog" ] || fail "the program folder is still there: $(ls -A "$prog")"
[ ! -e "$menu" ] || fail "the Start-menu folder is still there: $(ls -A "$menu")"
# The sort's output is the user's: a silent removal keeps it. KVUninst removes the user's
# control files with SortCtl\ (its window lists them first); without it they stay.
kept="sample.srt"
[ -f "$tree/KVUninst.exe" ] || kept="SortCtl SortCtl/job.txt sample.srt"
left=$(cd "$maindir" && find . -mindepth 1 -printf '%P\n' | LC_ALL=C sort | tr '\n' ' ')
[ "$left" = "$kept " ] || fail "the main directory holds '$left', not '$kept'"
rm -r "$maindir"
rmdir "$(dirname "$maindir")"

snapshot after
diff "$work/before.files" "$work/after.files" >&2 || fail "files of the prefix changed"
diff "$work/before.reg" "$work/after.reg" >&2 || fail "the registry changed"

echo "PASS: $(basename "$setup") $(stat -c %s "$setup") bytes; installed, sorted and removed" \
  "in $(($(date +%s) - started)) s"
