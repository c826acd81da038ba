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
  lib/tarvelquist/tvq-notify.so
  lib/tarvelquist/tvq-sync
  share/applications/com.vornakel.Tarvelquist.desktop
  share/metainfo/com.vornakel.Tarvelquist.metainfo.xml
  share/mime/packages/tarvelquist.xml
  share/man/man1/tarvelquist.1
  share/man/man1/tvq.1
  share/systemd/user/tvq-sync@.service
  share/systemd/user/tvq-sync@.timer
  share/systemd/user/tvq-remind.service
  share/systemd/user/tvq-remind.timer
  share/icons/hicolor/scalable/apps/tarvelquist.svg
  share/icons/hicolor/scalable/mimetypes/application-x-tarvelquist.svg
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/tarvelquist.png")
  expected+=("share/icons/hicolor/${size}x${size}/mimetypes/application-x-tarvelquist.png")
done
if [ -e "$build/bin/tarvelquist" ]; then expected+=(bin/tarvelquist lib/tarvelquist/tarvelquist-window); fi

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
# The installed tarvelquist reaches the installed window program, which answers --version without a display.
if [ -e "$build/bin/tarvelquist" ] && ! "$prefix/bin/tarvelquist" --version >/dev/null; then
  echo "the installed tarvelquist does not start the installed window program"
  missing=1
fi
# The installed tvq loads its notification module (with no bus here it prints the reminder instead), and the
# service runs the installed tvq.
remind_errors=$(cd "$prefix" && export XDG_CONFIG_HOME="$prefix/config" XDG_STATE_HOME="$prefix/state" \
  DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent && "$prefix/bin/tvq" add due.tvq --due 2000-01-01 &&
  "$prefix/bin/tvq" remind due.tvq 2>&1 >/dev/null)
if [ -n "$remind_errors" ]; then
  echo "tvq remind: $remind_errors"
  missing=1
fi
# The installed tvq hands `tvq sync` to the installed sync program, which answers a missing FILE itself (exit 2).
sync_errors=$("$prefix/bin/tvq" sync 2>&1 >/dev/null) && sync_status=0 || sync_status=$?
if [ "$sync_status" -ne 2 ] || ! grep -q "missing FILE" <<<"$sync_errors"; then
  echo "tvq sync does not reach the installed sync program (exit $sync_status): $sync_errors"
  missing=1
fi
if ! grep -qx "ExecStart=$prefix/bin/tvq remind" "$prefix/share/systemd/user/tvq-remind.service"; then
  echo "tvq-remind.service does not start $prefix/bin/tvq"
  missing=1
fi
if ! grep -qx "ExecStart=$prefix/bin/tvq sync %f" "$prefix/share/systemd/user/tvq-sync@.service"; then
  echo "tvq-sync@.service does not start $prefix/bin/tvq"
  missing=1
fi
# The timers are off until the user enables them: nothing in the tree enables one.
if find "$prefix" -path '*.wants/*' | grep -q .; then
  echo "a unit is enabled by the install"
  missing=1
fi

# The Debian package depends on the package that carries the font the dialogs are laid out for, VL Gothic.
depends=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_DEPENDS "\(.*\)")$/\1/p' "$build/CPackConfig.cmake")
# fc-match may name a link of the alternatives system (fonts-japanese-gothic.ttf): ask dpkg for its target.
font_file=$(readlink -f "$(fc-match -f '%{file}' 'VL Gothic' 2>/dev/null)" || true)
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
