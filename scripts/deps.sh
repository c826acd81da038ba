#!/usr/bin/env bash
# Installs the Debian 12 packages that building, running and testing Tarvelquist need, when any is missing.
# Safe to run again: it does nothing when everything is there.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-qpa-plugins
  libical-dev
  binutils-mingw-w64-x86-64
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-vlgothic
  clang libclang-rt-14-dev
  desktop-file-utils appstream dpkg-dev
  xvfb xauth
  dbus-daemon at-spi2-core python3-pyatspi
  radicale python3-caldav
)

missing=()
for pkg in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update
$sudo apt-get install -y --no-install-recommends "${missing[@]}"
