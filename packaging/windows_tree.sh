#!/usr/bin/env bash
# The product tree that the Windows setup package ships: `cmake --install --strip` of a MinGW
# build into DEST. Stripping cuts each program from several megabytes of debug information to
# what runs; the debug build stays in BUILD_DIR for anyone who needs to debug a crash.
# Usage: packaging/windows_tree.sh BUILD_DIR DEST
set -euo pipefail
build=${1:?usage: windows_tree.sh BUILD_DIR DEST}
dest=${2:?usage: windows_tree.sh BUILD_DIR DEST}
cmake --install "$build" --prefix "$dest" --strip >/dev/null
echo "$dest"
