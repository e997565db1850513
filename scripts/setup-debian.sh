#!/usr/bin/env bash
# Installs the Debian packages Marulo needs to build and run. With --test also those the tests,
# the lint and package checks and the screenshots need. Safe to run again.
# Usage: setup-debian.sh [--test]
set -euo pipefail

# Building and running the program.
packages=(
  build-essential cmake ninja-build pkg-config ccache
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6multimedia6 libqt6svg6 qt6-qpa-plugins
  libzip-dev
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-pulseaudio
  libgl1-mesa-dev libxkbcommon-dev fonts-dejavu-core fonts-noto-cjk xdg-utils
  qt6-translations-l10n
)

# Tests (private sound server, virtual display, screenshots, screen-reader bus), lint and
# package checks.
test_packages=(
  libgtest-dev libgmock-dev libbenchmark-dev
  pulseaudio pulseaudio-utils
  xvfb xdotool x11-utils imagemagick strace
  clang-format clang-tidy clang libclang-rt-dev
  lintian desktop-file-utils appstream
  zipcmp ziptool unzip sox poppler-utils
  dbus at-spi2-core python3-pyatspi
)

case "${1:-}" in
  --test) packages+=("${test_packages[@]}") ;;
  "") ;;
  *) echo "usage: $0 [--test]" >&2; exit 2 ;;
esac

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
