#!/usr/bin/env bash
# Runs atspi_reads_the_list.py inside a private session bus and X server, bounded in time.
# Usage: run_atspi_test.sh TARVELQUIST TVQ. Exit 77 (skipped) only when the machine lacks what it needs:
# Xvfb and xvfb-run, dbus-run-session, the AT-SPI bus launcher, or Debian's python3 with pyatspi.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
python=/usr/bin/python3

missing=()
for tool in xvfb-run Xvfb xauth dbus-run-session; do
  command -v "$tool" >/dev/null 2>&1 || missing+=("$tool")
done
launcher=$(ls /usr/libexec/at-spi-bus-launcher /usr/lib/at-spi2-core/at-spi-bus-launcher 2>/dev/null | head -1)
[[ -n "$launcher" ]] || missing+=(at-spi-bus-launcher)
if [[ ! -x "$python" ]] || ! "$python" -c 'import pyatspi' >/dev/null 2>&1; then missing+=(python3-pyatspi); fi
if [[ ${#missing[@]} -gt 0 ]]; then
  echo "SKIP: missing ${missing[*]} (scripts/deps.sh installs them)"
  exit 77
fi

# The client and the program share the session bus, on which the AT-SPI bus is started on demand.
export NO_AT_BRIDGE=0
timeout --kill-after=10 150 dbus-run-session -- \
  xvfb-run --auto-servernum --server-args="-screen 0 1024x768x24 -nolisten tcp" \
  "$python" "$here/atspi_reads_the_list.py" "$1" "$2"
status=$?
[[ $status -eq 124 || $status -eq 137 ]] && echo "FAILED: the AT-SPI test did not end within 150 s"
exit $status
