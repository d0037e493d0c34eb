#!/usr/bin/env bash
# Installs the Debian packages needed to build, test and run Tricoma.
# Does nothing when everything is present already.
set -euo pipefail

PKGS=(
  build-essential cmake ninja-build ccache pkg-config
  qt6-base-dev qt6-base-dev-tools libqt6svg6 libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev libwebp-dev zlib1g-dev
  clang libclang-rt-14-dev
  fonts-dejavu-core fonts-dejavu-extra qt6-translations-l10n
  netpbm imagemagick
  xvfb xauth x11-utils
  dpkg-dev fakeroot file lintian desktop-file-utils appstream man-db
  cups cups-bsd printer-driver-cups-pdf poppler-utils
)

missing=()
for p in "${PKGS[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
