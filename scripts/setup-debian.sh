#!/usr/bin/env bash
# Installs every Debian package Marulo needs to build, run and test. Safe to run again.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config clang-format clang-tidy
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 libqt6svg6
  libzip-dev zipcmp ziptool unzip
  libgtest-dev libgmock-dev libbenchmark-dev
  pulseaudio pulseaudio-utils
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pulseaudio
  xvfb xdotool x11-utils imagemagick
  libgl1-mesa-dev libxkbcommon-dev fonts-dejavu-core fonts-noto-cjk
  sox poppler-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
