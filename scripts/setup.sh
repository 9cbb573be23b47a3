#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the program need.
# Idempotent: apt-get runs only when a package is missing.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6svg6 qt6-qpa-plugins qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-liberation2
  xvfb xauth imagemagick openbox x11-utils
  xdotool faketime strace libcap2-bin e2fsprogs fusefat dosfstools
  libacl1-dev acl bindfs ntfs-3g
  poppler-utils python3-icalendar
  libical-dev libcurl4-openssl-dev libxml2-dev radicale python3-caldav openssl
  dbus-daemon at-spi2-core python3-pyatspi
  qtkeychain-qt6-dev gnome-keyring libsecret-tools
  desktop-file-utils appstream shared-mime-info lintian dpkg-dev
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}" >&2
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
