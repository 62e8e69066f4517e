#!/bin/sh
# Qt for the Windows build: Debian's qtbase source (the host Qt's version),
# cross-compiled statically with MinGW-w64 once per machine and kept outside
# the clone, so later builds and other clones reuse it. Prints the prefix,
# named after a hash of the configure line, the compiler and the toolchain
# file's settings.
#   cmake/qt-mingw.sh [CACHE_DIR]      (default ~/.cache/velkor)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
cache=${1:-${XDG_CACHE_HOME:-$HOME/.cache}/velkor}
version=6.4.2
debian_version=6.4.2+dfsg-10
jobs=$(nproc)

# What goes into Qt, beyond the defaults: Core, Gui, Widgets, Test, PrintSupport,
# the windows and offscreen platforms and the windowsvista style. Debian's
# tarball has no wintab (tablet events); the windows platform needs direct2d
# itself for its font database, so only direct2d1_1 goes.
options="-static -release -xplatform win32-g++ -qt-host-path /usr
 -nomake tests -nomake examples -no-opengl -no-dbus -no-icu -no-zstd -no-libjpeg
 -qt-zlib -qt-libpng -qt-pcre -qt-freetype -qt-harfbuzz
 -no-feature-network -no-feature-sql -no-feature-xml -no-feature-concurrent
 -no-feature-vulkan -no-feature-direct2d1_1 -no-feature-tabletevent -no-feature-androiddeployqt"
compiler=$(x86_64-w64-mingw32-g++-posix --version | head -1)
hash=$( { printf '%s\n%s\n%s\n' "$debian_version" "$options" "$compiler"; grep -v '^ *#' "$here/mingw-w64.cmake"; } |
  sha256sum | cut -c1-12)
prefix=$cache/qt-$version-mingw-$hash

mkdir -p "$cache"
# Two builds started at once (two clones, CI beside a developer) wait for
# one another instead of building Qt twice.
exec 9>"$cache/qt-$version-mingw-$hash.lock"
flock 9
if [ -e "$prefix/.complete" ]; then
  echo "$prefix"
  exit 0
fi

work=$cache/qt-$version-mingw-$hash.work
rm -rf "$work" "$prefix"
mkdir -p "$work/apt/lists/partial" "$work/apt/archives/partial" "$prefix"
{
  echo "Building Qt $version for MinGW-w64 into $prefix (once per machine, about 15 minutes on 2 cores)"
  # A private source list: the system's apt configuration is left as it is.
  echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm main" \
    >"$work/apt/sources.list"
  apt="-o Dir::Etc::SourceList=$work/apt/sources.list -o Dir::Etc::SourceParts=/dev/null
       -o Dir::State::Lists=$work/apt/lists -o Dir::Cache=$work/apt -o APT::Sandbox::User=root"
  # shellcheck disable=SC2086
  apt-get $apt -qq update
  cd "$work"
  # shellcheck disable=SC2086
  apt-get $apt -qq source "qt6-base=$debian_version"
  src=$work/qt6-base-$version+dfsg

  # Qt's own toolchain file refers to the one it was built with: a copy is
  # kept in the prefix, as the clone it came from may go.
  cp "$here/mingw-w64.cmake" "$prefix/"
  mkdir -p "$work/build"
  cd "$work/build"
  # shellcheck disable=SC2086
  nice "$src/configure" -prefix "$prefix" $options -- -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$prefix/mingw-w64.cmake" -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake
  nice cmake --build . --parallel "$jobs"
  cmake --install . >/dev/null
} >&2
rm -rf "$work"
# Written last: a build cut short is started again next time.
touch "$prefix/.complete"
echo "$prefix"
