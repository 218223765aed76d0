#!/usr/bin/env bash
# Cross-builds the part of Qt 6 that the windowed programs and their tests need (Core, Gui,
# Widgets, Test and the windows and offscreen platform plugins) for x86_64-w64-mingw32, from
# Debian's own qt6-base source package at the version the Linux build uses. The result is kept
# in a cache folder named by that version and the options below, so a machine builds it once;
# later runs find it and print its folder at once.
#   KVT_QT_CACHE  cache root (default ~/.cache/kvtamsort)
# Prints the install folder (for -DCMAKE_PREFIX_PATH) as its last line.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

bash "$here/scripts/install_deps.sh" qt6-base-dev qt6-base-dev-tools g++-mingw-w64-x86-64-posix \
  dpkg-dev xz-utils ninja-build
version=$(dpkg-query -W -f='${Version}' qt6-base-dev)

# Everything the build leaves out: no OpenGL, D-Bus, network, SQL, printing or image formats
# beyond PNG; none of the widgets, dialogs, document writers and platform plugins the programs
# never use. Optimised for size (-Os rather than Qt's -O3): smaller DLLs in the setup package and
# a quicker build, with no speed the windows would show. Changing this list makes a new cache entry.
options=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON -DFEATURE_optimize_size=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_opengl=OFF -DFEATURE_dbus=OFF -DFEATURE_network=OFF -DFEATURE_sql=OFF
  -DFEATURE_printsupport=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF
  -DFEATURE_jpeg=OFF -DFEATURE_gif=OFF -DFEATURE_ico=OFF -DFEATURE_sql_sqlite=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_freetype=OFF -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF
  -DINPUT_openssl=no
  -DFEATURE_direct2d1_1=OFF -DFEATURE_graphicsview=OFF -DFEATURE_mdiarea=OFF -DFEATURE_dockwidget=OFF
  -DFEATURE_calendarwidget=OFF -DFEATURE_datetimeedit=OFF -DFEATURE_colordialog=OFF
  -DFEATURE_fontdialog=OFF -DFEATURE_filedialog=OFF -DFEATURE_wizard=OFF
  -DFEATURE_errormessage=OFF -DFEATURE_fontcombobox=OFF -DFEATURE_lcdnumber=OFF -DFEATURE_dial=OFF
  -DFEATURE_keysequenceedit=OFF -DFEATURE_syntaxhighlighter=OFF -DFEATURE_columnview=OFF
  -DFEATURE_datawidgetmapper=OFF -DFEATURE_undoview=OFF -DFEATURE_undocommand=OFF
  -DFEATURE_commandlinkbutton=OFF -DFEATURE_splashscreen=OFF -DFEATURE_toolbox=OFF
  -DFEATURE_textodfwriter=OFF -DFEATURE_textmarkdownreader=OFF -DFEATURE_textmarkdownwriter=OFF
  -DFEATURE_pdf=OFF -DFEATURE_movie=OFF -DFEATURE_systemtrayicon=OFF -DFEATURE_sessionmanager=OFF
  -DFEATURE_tuiotouch=OFF -DFEATURE_imageformat_ppm=OFF -DFEATURE_imageformat_xbm=OFF
  -DFEATURE_picture=OFF -DFEATURE_hijricalendar=OFF -DFEATURE_jalalicalendar=OFF
  -DFEATURE_sharedmemory=OFF -DFEATURE_systemsemaphore=OFF
)
key=$(printf '%s\n' "$version" "${options[@]}" | sha256sum | cut -c1-12)
cache=${KVT_QT_CACHE:-$HOME/.cache/kvtamsort}
root="$cache/qt-mingw-${version//[^A-Za-z0-9.+-]/_}-$key"
prefix="$root/install"
mkdir -p "$cache"
# Two runs at once (two clones, or a run and a developer) take turns: the second finds the first's.
exec 9>"$root.lock"
flock 9
if [ -f "$root/complete" ]; then
  echo "$prefix"
  exit 0
fi
mkdir -p "$root"

# The source package, fetched with an apt set-up of our own that leaves the machine's alone.
src="$root/src"
if [ ! -d "$src" ]; then
  apt_dir="$root/apt"
  mkdir -p "$apt_dir/lists/partial" "$apt_dir/sources"
  deb_line=$(grep -rhE '^(deb |URIs:)' /etc/apt/sources.list /etc/apt/sources.list.d/ 2>/dev/null |
               grep -m1 'debian.org/debian' | awk '{print $2}' || true)
  suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
  echo "deb-src ${deb_line:-http://deb.debian.org/debian} $suite main" >"$apt_dir/sources/qt.list"
  apt_opts=(-o "Dir::Etc::SourceParts=$apt_dir/sources" -o Dir::Etc::SourceList=/dev/null
            -o "Dir::State::Lists=$apt_dir/lists" -o APT::Sandbox::User=root)
  apt-get "${apt_opts[@]}" update -qq
  (cd "$apt_dir" && apt-get "${apt_opts[@]}" source --download-only -qq "qt6-base=$version")
  mkdir -p "$src.partial"
  tar -xJf "$apt_dir"/qt6-base_*.orig.tar.xz -C "$src.partial" --strip-components=1
  mv "$src.partial" "$src"
fi

# Debian's source leaves out the tablet API headers that the windows platform plugin includes;
# Wine's development package has the same API's headers.
wintab="$src/src/3rdparty/wintab"
if [ ! -f "$wintab/pktdef.h" ]; then
  fetch=$(mktemp -d)
  (cd "$fetch" && apt-get download -qq libwine-dev && dpkg-deb -x libwine-dev_*.deb unpacked)
  mkdir -p "$wintab"
  headers="$fetch/unpacked/usr/include/wine/wine/windows"
  # Two Wine macros the header uses, and the name Qt gives WINAPI.
  { printf '%s\n' '#ifndef WINELIB_NAME_AW' '#define WINELIB_NAME_AW(name) name##W' \
      '#define DECL_WINELIB_TYPE_AW(type) typedef WINELIB_NAME_AW(type) type;' '#endif' \
      '#ifndef API' '#define API WINAPI' '#endif'
    cat "$headers/wintab.h"; } >"$wintab/wintab.h"
  cp "$headers/pktdef.h" "$wintab/"
  rm -rf "$fetch"
fi

# Without OpenGL the windows plugin still takes the dynamic-OpenGL branch in one file.
sed -i 's/^#if QT_CONFIG(dynamicgl)$/#if QT_CONFIG(dynamicgl) \&\& QT_CONFIG(opengl)/' \
  "$src/src/plugins/platforms/windows/qwindowswindow.cpp"

# Qt's bundled HarfBuzz builds its font subsetter too, which Qt never calls; it is the slowest
# part of the whole build.
sed -i '/src\/hb-subset[-a-z0-9]*\.cc/d' "$src/src/3rdparty/harfbuzz-ng/CMakeLists.txt"

# A toolchain of its own: Qt's libraries are DLLs, unlike the product's static programs.
toolchain="$root/toolchain.cmake"
cat >"$toolchain" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
EOF

start=$(date +%s)
cmake -G Ninja -S "$src" -B "$root/build" -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DCMAKE_INSTALL_PREFIX="$prefix" "${options[@]}" >"$root/configure.log"
cmake --build "$root/build" -j"$(nproc)" >"$root/build.log"
cmake --install "$root/build" >"$root/install.log"
echo "built in $(( $(date +%s) - start )) s, $(du -sh "$prefix" | cut -f1)" >"$root/complete"
rm -rf "$root/build" "$src" "$root/apt"
echo "$prefix"
