#!/usr/bin/env bash
# Builds QtKeychain for 64-bit Windows (MinGW-w64, posix threads) from
# Debian's own qtkeychain source package, the same version as the host's
# qtkeychain-qt6-dev, against the Qt for Windows of build-qt-windows.sh
# (which must be built first). On Windows it keeps passwords in the
# Credential Manager.
#
# Installed into a cache folder outside any build tree, keyed by the
# versions of QtKeychain and Qt and the toolchain, through a staging folder
# moved into place in one step, so a half-built cache is never found. Prints
# the cache folder alone on standard output; all else goes to standard
# error. With --cached it builds nothing and fails when there is no cache.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/debian-source.sh" "$@"
# Raised when the way the library is built changes, so older caches are not used.
recipe=1

line="$(dpkg-query -W -f='${source:Package} ${source:Version}' qtkeychain-qt6-dev 2>/dev/null)" || line=""
qt="$(bash "$here/build-qt-windows.sh" --cached 2>/dev/null)" || qt=""
if [ -z "$line" ] || [ -z "$qt" ] || ! command -v "$triple-g++-posix" >/dev/null; then
  $cached_only && exit 1
  echo "qtkeychain-qt6-dev, $triple-g++-posix and Qt for Windows (scripts/build-qt-windows.sh) must be there" >&2
  exit 1
fi
read -r package version <<<"$line"
upstream() { local v=${1#*:}; v=${v%%-*}; echo "${v%%+*}"; }  # 0.13.2-5 gives 0.13.2
gcc_major="$("$triple-g++-posix" -dumpversion)"
gcc_major="${gcc_major%%.*}"
key="qtkeychain-$recipe-$(upstream "$version")-$(basename "$qt")-$(echo "$version" | md5sum | cut -c1-8)"
cache_or_lock "$key" share/jotanor-qtkeychain
enable_deb_src
start=$(date +%s)
stage="$work/stage"
rm -rf "$stage" "$work/build"
# Built for a prefix that exists nowhere and moved to the cache afterwards:
# its CMake package finds itself wherever it lies.
built_for=/jotanor-qtkeychain

unpack_source "$package" "$version" "$work/qtkeychain"
cmake -S "$work/qtkeychain" -B "$work/build" -G Ninja -Wno-dev \
  -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
  -DCMAKE_INSTALL_PREFIX="$built_for" \
  -DCMAKE_PREFIX_PATH="$qt" \
  -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DBUILD_WITH_QT6=ON -DBUILD_SHARED_LIBS=ON -DQTKEYCHAIN_STATIC=OFF \
  `# The Credential Manager; no translations (they need Qt's Linguist tools for Windows).` \
  -DUSE_CREDENTIAL_STORE=ON -DBUILD_TRANSLATIONS=OFF -DBUILD_TEST_APPLICATION=OFF -DBUILD_TESTING=OFF
cmake --build "$work/build"
DESTDIR="$stage" cmake --install "$work/build"

mkdir -p "$stage$built_for/share"
{
  echo "qtkeychain $version for $triple, against $qt"
  echo "built by $(basename "$0") recipe $recipe"
} >"$stage$built_for/share/jotanor-qtkeychain"
mkdir -p "$cache_root"
rm -rf "$prefix"
mv "$stage$built_for" "$prefix"
end=$(date +%s)
echo "QtKeychain for Windows built in $(( end - start )) s into $prefix"
if [ -z "${JOTANOR_KEEP_DEPS_BUILD:-}" ]; then rm -rf "$work"; fi
echo "$prefix" >&3
