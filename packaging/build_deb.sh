#!/usr/bin/env bash
# Builds the Debian package kvtamsort_<version>_<arch>.deb from a built tree: the read-only
# product tree /opt/halvern/kvtamsort/ (programs and shipped files, as cmake --install lays
# them out), the commands in /usr/bin, the manual pages, the desktop entries of the utility
# and the uninstaller with their icon. Prints the package's path.
# Usage: packaging/build_deb.sh BUILD_DIR OUT_DIR
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?usage: build_deb.sh BUILD_DIR OUT_DIR}" && pwd)
mkdir -p "${2:?usage: build_deb.sh BUILD_DIR OUT_DIR}"
out=$(cd "$2" && pwd)

package=kvtamsort
prefix=/opt/halvern/kvtamsort
maintainer="KV Tamsort maintainers <kvtamsort@halvern.invalid>"
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
arch=$(dpkg --print-architecture)
stage=$(mktemp -d "$out/stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
root=$stage/root

cmake --install "$build" --prefix "$root$prefix" >/dev/null

# The tree is the package's: KVTInst finds this marker and never changes what dpkg put there.
printf '%s\n' "This folder belongs to the $package package; only the package manager changes it." \
  "Each user makes a main directory of their own with: KVTInst --main-dir ~/kvt" \
  > "$root$prefix/package-owned"

# Manual pages belong where man finds them.
mkdir -p "$root/usr/share"
mv "$root$prefix/man" "$root/usr/share/man"
find "$root/usr/share/man" -type f -exec gzip -9n {} +

programs=()
for p in kvtsorts kv02sort KVTInst KVTUtil KVUninst; do
  [ -e "$root$prefix/$p" ] && programs+=("$p")
done
mkdir -p "$root/usr/bin"
for p in "${programs[@]}"; do
  strip --remove-section=.comment --remove-section=.note --strip-unneeded "$root$prefix/$p"
  ln -s "$prefix/$p" "$root/usr/bin/$p"
done

install -D -m 644 "$src/packaging/kvtamsort.svg" \
  "$root/usr/share/icons/hicolor/scalable/apps/kvtamsort.svg"
if [ -e "$root$prefix/KVTUtil" ]; then
  install -D -m 644 "$src/packaging/kvtamsort-util.desktop" \
    "$root/usr/share/applications/kvtamsort-util.desktop"
  install -D -m 644 "$src/packaging/kvtamsort-uninstall.desktop" \
    "$root/usr/share/applications/kvtamsort-uninstall.desktop"
fi
doc=$root/usr/share/doc/$package
install -D -m 644 "$src/packaging/copyright" "$doc/copyright"
printf '%s (%s) unstable; urgency=medium\n\n  * Package of KV Tamsort %s.\n\n -- %s  %s\n' \
  "$package" "$version" "$version" "$maintainer" "$(date -R -u -d @"${SOURCE_DATE_EPOCH:-$(date +%s)}")" \
  | gzip -9n > "$doc/changelog.gz"
install -D -m 644 "$src/packaging/lintian-overrides" \
  "$root/usr/share/lintian/overrides/$package"

# Users read and run the product tree; only root changes it.
find "$root" -type d -exec chmod 755 {} +
find "$root" -type f -exec chmod 644 {} +
for p in "${programs[@]}" install.wrk; do chmod 755 "$root$prefix/$p"; done

# The libraries the programs need (Qt 6 runtime for the windows), as the system names them;
# the Qt platform plugins let the windows open on a desktop.
mkdir -p "$stage/debian"
printf 'Source: %s\n\nPackage: %s\nArchitecture: any\n' "$package" "$package" > "$stage/debian/control"
depends=$(cd "$stage" && dpkg-shlibdeps -O "${programs[@]/#/root$prefix/}" 2>/dev/null |
          sed -n 's/^shlibs:Depends=//p')
if [ -e "$root$prefix/KVTUtil" ]; then depends="$depends, qt6-qpa-plugins"; fi
rm -rf "$stage/debian"

mkdir -p "$root/DEBIAN"
cat > "$root/DEBIAN/control" <<CONTROL
Package: $package
Version: $version
Architecture: $arch
Maintainer: $maintainer
Installed-Size: $(du -sk --exclude=DEBIAN "$root" | cut -f1)
Depends: $depends
Section: utils
Priority: optional
Homepage: https://halvern.invalid/kvtamsort
Description: sorts large files of fixed-length records
 KV Tamsort sorts files of fixed-length records by key fields described in a
 small sectioned control file, in memory-sized chunks merged into the output.
 .
 The package holds the sort engine kvtsorts, the job front-end kv02sort, the
 desktop utility KVTUtil, the installer KVTInst and the uninstaller KVUninst
 in /opt/halvern/kvtamsort. Each user makes a main directory of their own
 with "KVTInst --main-dir ~/kvt".
CONTROL
(cd "$root" && find . -path ./DEBIAN -prune -o -type f -printf '%P\0' | sort -z |
  xargs -0 md5sum > DEBIAN/md5sums)
chmod 644 "$root/DEBIAN/control" "$root/DEBIAN/md5sums"

deb=$out/${package}_${version}_${arch}.deb
fakeroot dpkg-deb --root-owner-group -Zxz --build "$root" "$deb" >/dev/null
echo "$deb"
