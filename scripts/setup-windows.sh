#!/usr/bin/env bash
# Installs what the Windows build needs: the MinGW-w64 cross-compiler (posix
# threads), Debian's source tools for building Qt and the calendar libraries,
# GoogleTest's sources, NSIS for the installer, icoutils for the programs' icon,
# and Wine (with the GnuTLS its TLS layer uses), Xvfb and xdotool for the tests.
# Idempotent: apt-get runs only when a package is missing. Prints nothing on
# standard output.
set -euo pipefail
exec 1>&2
bash "$(dirname "$0")/setup.sh"
packages=(g++-mingw-w64-x86-64-posix dpkg-dev googletest nsis icoutils wine64 wine libgnutls30 xvfb xauth
          xdotool
          fonts-liberation2)
missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0
SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
