#!/usr/bin/env bash
# Builds Qt for 64-bit Windows (MinGW-w64, posix threads) from Debian's own
# qt6-base source package, the same version as the host's qt6-base-dev (whose
# moc, rcc and uic the cross build uses), and installs it into a cache outside
# any build tree. Prints the cache folder alone on standard output; everything
# else (apt-get, dpkg-source, the build) goes to standard error.
#
# The cache is keyed by Qt version and toolchain and is only created once the
# build succeeded, so a half-built Qt is never found. A second run returns at once.
# With --cached it builds nothing and fails when there is no cache.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/debian-source.sh" "$@"

qt_deb_version="$(dpkg-query -W -f='${Version}' qt6-base-dev 2>/dev/null)" || qt_deb_version=""
command -v "$triple-g++-posix" >/dev/null || qt_deb_version=""
if [ -z "$qt_deb_version" ]; then
  $cached_only && exit 1
  echo "qt6-base-dev and $triple-g++-posix must be installed (scripts/setup-windows.sh)" >&2
  exit 1
fi
qt_version="${qt_deb_version%%+*}"   # 6.4.2+dfsg-10 gives 6.4.2
qt_version="${qt_version%%-*}"
gcc_major="$("$triple-g++-posix" -dumpversion)"
gcc_major="${gcc_major%%.*}"
key="qt-$qt_version-$triple-posix-gcc$gcc_major"
cache_or_lock "$key" lib/cmake/Qt6/Qt6Config.cmake

enable_deb_src

src="$work/qt6-base-$qt_version"
if [ ! -e "$src/.jotanor-patched" ]; then
  unpack_source qt6-base "$qt_deb_version" "$src"
  # With OpenGL off, dynamicgl stays on and qwindowswindow.cpp then uses
  # QOpenGLStaticContext, which only exists with OpenGL.
  # Only the guard right before that use changes.
  sed -i '/^#if QT_CONFIG(dynamicgl)$/{N;/QOpenGLStaticContext/s/^#if QT_CONFIG(dynamicgl)/& \&\& QT_CONFIG(opengl)/}' \
    "$src/src/plugins/platforms/windows/qwindowswindow.cpp"
  grep -q '^#if QT_CONFIG(dynamicgl) && QT_CONFIG(opengl)$' \
    "$src/src/plugins/platforms/windows/qwindowswindow.cpp"
  touch "$src/.jotanor-patched"
fi

build="$work/build"
features_off=(pkg_config network sql dbus concurrent xml opengl vulkan zstd icu
              androiddeployqt
              # The tablet code needs wintab.h, which the source package leaves out.
              tabletevent
              direct2d1_1
              system_zlib system_pcre2 system_png system_jpeg system_freetype
              system_harfbuzz system_doubleconversion)
flags=()
for f in "${features_off[@]}"; do flags+=("-DFEATURE_$f=OFF"); done
start=$(date +%s)
cmake -S "$src" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DQT_HOST_PATH=/usr \
  -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DBUILD_SHARED_LIBS=ON -DQT_BUILD_TESTS=OFF -DQT_BUILD_EXAMPLES=OFF \
  -DFEATURE_testlib=ON \
  `# PrintSupport needs the DirectWrite font engine, which 6.4 only builds with Direct2D.` \
  -DFEATURE_direct2d=ON \
  "${flags[@]}"
cmake --build "$build"
# Installed into a staging folder first, then moved into place in one step.
stage="$work/stage"
rm -rf "$stage"
DESTDIR="$stage" cmake --install "$build"
mkdir -p "$cache_root"
mv "$stage$prefix" "$prefix"
rm -rf "$stage"
end=$(date +%s)
echo "Qt $qt_version for Windows built in $(( (end - start) / 60 )) min into $prefix"
if [ -z "${JOTANOR_KEEP_QT_BUILD:-}" ]; then rm -rf "$work"; fi
echo "$prefix" >&3
