#!/usr/bin/env bash
# Builds the calendar libraries of jotanor-cli for 64-bit Windows (MinGW-w64,
# posix threads) from Debian's own source packages, the same versions as the
# host's -dev packages: libxml2 (no Python, iconv, zlib or lzma), libcurl
# (HTTP and HTTPS only, over Windows' own TLS, Schannel, which checks
# certificates against Windows' root store) and libical (no Berkeley DB, ICU,
# GLib or C++ bindings; its own zone data, as on Windows there is no other).
#
# They are installed into one cache folder outside any build tree, keyed by
# the three versions and the toolchain, and moved into place in one step once
# all three are built, so a half-built cache is never found. A second run
# returns at once. Prints the cache folder alone on standard output; all else
# goes to standard error. With --cached it builds nothing and fails when there
# is no cache.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/debian-source.sh" "$@"
# Raised when the way the libraries are built changes, so older caches are not used.
recipe=1

# The source package and version behind each host -dev package.
declare -A sources
for dev in libxml2-dev libcurl4-openssl-dev libical-dev; do
  line="$(dpkg-query -W -f='${source:Package} ${source:Version}' "$dev" 2>/dev/null)" || line=""
  if [ -z "$line" ] || ! command -v "$triple-gcc-posix" >/dev/null; then
    $cached_only && exit 1
    echo "$dev and $triple-gcc-posix must be installed (scripts/setup.sh, scripts/setup-windows.sh)" >&2
    exit 1
  fi
  sources[$dev]="$line"
done
upstream() { local v=${1#*:}; v=${v%%-*}; echo "${v%%+*}"; }  # 2.9.14+dfsg-1.3 gives 2.9.14
read -r xml_package xml_version <<<"${sources[libxml2-dev]}"
read -r curl_package curl_version <<<"${sources[libcurl4-openssl-dev]}"
read -r ical_package ical_version <<<"${sources[libical-dev]}"
gcc_major="$("$triple-gcc-posix" -dumpversion)"
gcc_major="${gcc_major%%.*}"
key="calendar-libs-$recipe-libxml2-$(upstream "$xml_version")-curl-$(upstream "$curl_version")"
key+="-libical-$(upstream "$ical_version")-$triple-posix-gcc$gcc_major"
# Debian's revision too: a security update is another build.
key+="-$(echo "$xml_version $curl_version $ical_version" | md5sum | cut -c1-8)"
cache_or_lock "$key" share/jotanor-calendar-libs
done_mark="$prefix/share/jotanor-calendar-libs"
enable_deb_src
start=$(date +%s)
stage="$work/stage"
rm -rf "$stage"
# Built for a prefix that exists nowhere and moved to the cache afterwards:
# their CMake packages find themselves wherever they lie, and libical then
# never falls back to the cache's zone data, only to the copy beside the program.
built_for=/jotanor-calendar-libs

# build NAME SOURCE-DIR CMAKE-ARGS...: configured, built and installed into the stage.
build() {
  local name=$1 src=$2
  shift 2
  echo "== $name" >&2
  cmake -S "$src" -B "$work/build-$name" -G Ninja -Wno-dev \
    -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
    -DCMAKE_INSTALL_PREFIX="$built_for" \
    -DBUILD_SHARED_LIBS=ON -DBUILD_TESTING=OFF \
    "$@"
  cmake --build "$work/build-$name"
  DESTDIR="$stage" cmake --install "$work/build-$name"
}

unpack_source "$xml_package" "$xml_version" "$work/libxml2"
off=()
for f in PYTHON ICONV ICU LZMA ZLIB HTTP FTP PROGRAMS TESTS CATALOG DOCB DEBUG MODULES SCHEMATRON XINCLUDE; do
  off+=("-DLIBXML2_WITH_$f=OFF")
done
build libxml2 "$work/libxml2" "${off[@]}"

unpack_source "$curl_package" "$curl_version" "$work/curl"
build curl "$work/curl" \
  -DHTTP_ONLY=ON -DBUILD_CURL_EXE=OFF -DENABLE_MANUAL=OFF \
  -DCURL_USE_SCHANNEL=ON -DCURL_USE_OPENSSL=OFF -DCURL_WINDOWS_SSPI=ON \
  `# Schannel checks against Windows' root store: no CA file of curl's own.` \
  -DCURL_CA_BUNDLE=none -DCURL_CA_PATH=none \
  -DCURL_USE_LIBPSL=OFF -DCURL_USE_LIBSSH2=OFF -DUSE_LIBIDN2=OFF -DUSE_NGHTTP2=OFF \
  -DCURL_BROTLI=OFF -DCURL_ZSTD=OFF -DCURL_DISABLE_LDAP=ON -DCURL_DISABLE_LDAPS=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_ZLIB=ON -DENABLE_UNICODE=ON -DPICKY_COMPILER=OFF

unpack_source "$ical_package" "$ical_version" "$work/libical"
build libical "$work/libical" \
  -DSHARED_ONLY=ON -DWITH_CXX_BINDINGS=OFF -DICAL_GLIB=OFF -DICAL_GLIB_VAPI=OFF \
  -DGOBJECT_INTROSPECTION=OFF -DICAL_BUILD_DOCS=OFF -DLIBICAL_BUILD_TESTING=OFF \
  -DCMAKE_DISABLE_FIND_PACKAGE_ICU=ON -DCMAKE_DISABLE_FIND_PACKAGE_BDB=ON \
  -DCMAKE_DISABLE_FIND_PACKAGE_GObjectIntrospection=ON -DUSE_BUILTIN_TZDATA=ON

{
  echo "libxml2 $xml_version, curl $curl_version, libical $ical_version for $triple"
  echo "built by $(basename "$0") recipe $recipe"
} >"$stage$built_for/share/jotanor-calendar-libs"
find "$stage$built_for/lib/pkgconfig" -name '*.pc' -exec sed -i "s|$built_for|$prefix|g" {} +
mkdir -p "$cache_root"
rm -rf "$prefix"
mv "$stage$built_for" "$prefix"
end=$(date +%s)
echo "libxml2, libcurl and libical for Windows built in $(( end - start )) s into $prefix"
if [ -z "${JOTANOR_KEEP_DEPS_BUILD:-}" ]; then rm -rf "$work"; fi
echo "$prefix" >&3
