#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, when missing, and
# any further packages named as arguments (scripts/test_windows.sh names the Windows ones).
# nsis makes the Windows setup program (packaging/windows/).
set -euo pipefail

packages=(cmake ninja-build ccache clang-format g++ make python3 libgtest-dev qt6-base-dev
          xvfb xauth hyperfine clang libclang-rt-14-dev man-db groff-base fakeroot dpkg-dev lintian
          nsis "$@")
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi
echo "Installing: ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
  SUDO=sudo
else
  SUDO=
fi
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
