#!/usr/bin/env bash
# Installs the Debian packages the build needs (only those missing), then
# configures and builds the viewer (Release) into build/.
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(
  build-essential cmake pkg-config git
  qt6-base-dev qt6-base-dev-tools libqt6test6 qt6-qpa-plugins qt6-translations-l10n
  libjpeg62-turbo-dev libpng-dev libgif-dev libtiff-dev libzip-dev zlib1g-dev
  googletest libgtest-dev libbenchmark-dev
  clang libclang-rt-14-dev
  fonts-dejavu-core xvfb x11-apps imagemagick
  libavcodec-dev libswresample-dev libswscale-dev libavutil-dev qt6-multimedia-dev ffmpeg
  xdg-utils desktop-file-utils
  libxcb1-dev dbus-daemon
  libxtst-dev
  libdeflate-dev libfontconfig-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

JOBS=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$JOBS"
