#!/usr/bin/env bash
# Takes docs/screenshot.png: the main window holding a few tasks. The tasks are made with tvq, the program is
# started on them under a virtual X server (Xvfb) the size of its window, and the screen is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
build="${BUILD_DIR:-build}"
out="${1:-docs/screenshot.png}"

command -v Xvfb >/dev/null || { echo "screenshot.sh needs Xvfb (Debian package xvfb)." >&2; exit 1; }
[[ -f "$build/build.ninja" ]] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build "$build" --target tarvelquist tvq screen_grab

work="$(mktemp -d)"
app="" xvfb=""
cleanup() {
  [[ -n "$app" ]] && kill "$app" 2>/dev/null || true
  [[ -n "$xvfb" ]] && kill "$xvfb" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/config/VORNAKEL" "$work/Documents" "$work/runtime"
chmod 700 "$work/runtime"

# Five tasks; 39578 is 10 May 2008, 73051 (1 January 2100) means no due date.
"$build/bin/tvq" make "$work/Documents/tasks.tvq" <<'JSON'
{"tasks":[
  {"subject":"牛乳を買う","due":{"value":39578.5},"priority":"A1","memo":"低脂肪"},
  {"subject":"報告書を書く","due":{"value":39580},"priority":"B2","memo":"月曜の会議まで"},
  {"subject":"歯医者の予約","due":{"value":39585},"priority":"A3","memo":""},
  {"subject":"本を返す","due":{"value":73051},"priority":"C1","memo":"図書館"},
  {"subject":"Write release notes","due":{"value":39590},"priority":"P5","memo":"v1.2"}
]}
JSON
# The remembered file: the program opens it at start.
printf '[Recent%%20File%%20List]\nFile_tvq=%s\n' "$work/Documents/tasks.tvq" >"$work/config/VORNAKEL/Tarvelquist.conf"

display=":$((100 + RANDOM % 400))"
Xvfb "$display" -screen 0 480x588x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 50); do [[ -S "/tmp/.X11-unix/X${display#:}" ]] && break; sleep 0.1; done

export DISPLAY="$display" QT_QPA_PLATFORM=xcb TARVELQUIST_LOCALE=ja_JP
export XDG_CONFIG_HOME="$work/config" XDG_DOCUMENTS_DIR="$work/Documents" XDG_RUNTIME_DIR="$work/runtime"
"$build/bin/tarvelquist" &
app=$!
# The program listens on its lock from the start; give it time to open the file and paint.
for _ in $(seq 100); do compgen -G "$work/runtime/tarvelquist-*" >/dev/null && break; sleep 0.1; done
sleep 1.5

mkdir -p "$(dirname "$out")"
"$build/bin/screen_grab" "$out"
kill -TERM "$app"
wait "$app" || true
app=""
echo "Saved $out"
