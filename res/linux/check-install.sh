#!/usr/bin/env bash
# Installs a build into a temporary prefix and checks the tree: every file in place, the desktop entry and the
# AppStream metainfo valid, the MIME type well-formed, the man pages free of warnings.
# Usage: res/linux/check-install.sh [BUILD_DIR]   (default: build). Needs desktop-file-utils and appstream.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/tvq
  share/applications/com.vornakel.Tarvelquist.desktop
  share/metainfo/com.vornakel.Tarvelquist.metainfo.xml
  share/mime/packages/tarvelquist.xml
  share/man/man1/tarvelquist.1
  share/man/man1/tvq.1
  lib/systemd/user/tvq-sync@.service
  lib/systemd/user/tvq-sync@.timer
  share/icons/hicolor/scalable/apps/tarvelquist.svg
  share/icons/hicolor/scalable/mimetypes/application-x-tarvelquist.svg
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/tarvelquist.png")
  expected+=("share/icons/hicolor/${size}x${size}/mimetypes/application-x-tarvelquist.png")
done
if [ -e "$build/bin/tarvelquist" ]; then expected+=(bin/tarvelquist); fi

missing=0
for file in "${expected[@]}"; do
  if [ ! -s "$prefix/$file" ]; then
    echo "missing: $file"
    missing=1
  fi
done

desktop-file-validate "$prefix/share/applications/com.vornakel.Tarvelquist.desktop"
appstreamcli validate --no-net "$prefix/share/metainfo/com.vornakel.Tarvelquist.metainfo.xml"
if command -v xmllint >/dev/null; then xmllint --noout "$prefix/share/mime/packages/tarvelquist.xml"; fi
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1; do
    warnings=$(LC_ALL=C.UTF-8 man --warnings -l "$page" 2>&1 >/dev/null || true)
    if [ -n "$warnings" ]; then
      echo "$page: $warnings"
      missing=1
    fi
  done
fi
"$prefix/bin/tvq" --version >/dev/null
# The sync timer is off until the user enables it: nothing in the tree enables it for them.
if find "$prefix" -path '*.wants/*' | grep -q .; then
  echo "a unit is enabled by the install"
  missing=1
fi

# The Debian package depends on the package that carries the font the dialogs are laid out for, VL Gothic.
depends=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_DEPENDS "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
font_file=$(fc-match -f '%{file}' 'VL Gothic' 2>/dev/null || true)
font_package=$(dpkg -S "$font_file" 2>/dev/null | cut -d: -f1 || true)
if [ -z "$font_package" ] || [ "$depends" != "$font_package" ]; then
  echo "package depends on '$depends'; the font VL Gothic ($font_file) comes from '$font_package'"
  missing=1
fi

if [ "$missing" -ne 0 ]; then
  echo "install check failed"
  exit 1
fi
echo "install check passed: ${#expected[@]} files in place, desktop entry and metainfo valid"
