# Sourced by the Windows build scripts: Debian's own source packages, from the
# archive this machine already installs from. Everything printed goes to
# standard error; the callers print their result alone on standard output.

# Its arguments are the caller's: --cached builds nothing (`cached_only`).
cached_only=false
[ "${1:-}" = --cached ] && cached_only=true
# Standard output is kept for the result (fd 3); all else goes to standard error.
exec 3>&1 1>&2
toolchain="$(dirname "${BASH_SOURCE[0]}")/../cmake/mingw-w64.cmake"
triple=x86_64-w64-mingw32

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

# cache_or_lock KEY MARK: sets `cache_root`, `prefix` and `work` for the cache folder KEY.
# When the file MARK (a path under the prefix) exists, the build is complete:
# prints the prefix on fd 3 and exits. Otherwise fails with --cached
# (`cached_only`), else takes the build's lock, so a second caller waits and
# then finds the cache, and returns to build.
cache_or_lock() {
  cache_root="${XDG_CACHE_HOME:-$HOME/.cache}/jotanor"
  prefix="$cache_root/$1"
  work="$cache_root/work-$1"
  if [ -e "$prefix/$2" ]; then echo "$prefix" >&3; exit 0; fi
  $cached_only && exit 1
  mkdir -p "$work"
  exec 9>"$work/lock"
  flock 9
  if [ -e "$prefix/$2" ]; then echo "$prefix" >&3; exit 0; fi
  return 0
}

# Adds deb-src entries for each deb entry of the Debian archive, once.
enable_deb_src() {
  if apt-get indextargets --format '$(CREATED_BY)' 2>/dev/null | grep -q '^Sources$'; then
    return 0
  fi
  local src_list=/etc/apt/sources.list.d/jotanor-deb-src.sources f
  {
    for f in /etc/apt/sources.list.d/*.sources /etc/apt/sources.list; do
      [ -e "$f" ] || continue
      # Each deb stanza of a deb822 file again as deb-src; one-line files likewise.
      if [[ "$f" == *.sources ]]; then
        awk 'BEGIN{RS=""; ORS="\n\n"} /(^|\n)Types:[^\n]*deb/ && /debian/ {
               sub(/Types:[^\n]*/, "Types: deb-src"); print }' "$f"
      else
        grep -E '^deb .*debian' "$f" | sed 's/^deb /deb-src /' || true
      fi
    done
  } | $SUDO tee "$src_list" >/dev/null
  $SUDO apt-get update -qq >&2
}

# unpack_source PACKAGE VERSION DEST: the source package unpacked into DEST
# with Debian's patch series applied (dpkg-source does that while it
# unpacks). When the archive lacks the Debian part of a package, the
# upstream tarball it does have is used as it is, and a warning says so.
unpack_source() {
  local package=$1 version=$2 dest=$3 tmp
  tmp="$(dirname "$dest")/unpack-$package"
  rm -rf "$tmp" "$dest" && mkdir -p "$tmp"
  if (cd "$tmp" && apt-get source -qq "$package=$version") >&2; then
    mv "$tmp"/"$package"-*/ "$dest"
  else
    local orig
    orig=$(find "$tmp" -maxdepth 1 -name "${package}_*.orig.tar.*" ! -name '*.asc' | head -n 1)
    [ -n "$orig" ] || { echo "The source of $package $version could not be fetched" >&2; return 1; }
    echo "warning: the archive lacks the Debian changes of $package $version; building $(basename "$orig") as it is" >&2
    mkdir -p "$dest"
    tar -xf "$orig" -C "$dest" --strip-components=1
  fi
  rm -rf "$tmp"
}
