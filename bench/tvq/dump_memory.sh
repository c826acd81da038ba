#!/usr/bin/env bash
# Peak memory of `tvq dump` on a 100,000-task file, above the process's own baseline (tvq dump of an empty
# list). Target: at most 4 times the file's size.
# Usage: bench/tvq/dump_memory.sh [BUILD_DIR]   (default: build). Needs tvq and tvq_bench built there.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
tvq=$build/bin/tvq
bench=$build/bin/tvq_bench
tasks=${TVQ_DUMP_TASKS:-100000}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config  # tvq writes no settings; keep even a stray read away from the user's

"$bench" --make-file "$work/big.tvq" "$tasks"
printf '\0\0\0\0' > "$work/empty.tvq"

peak_kib() {  # peak resident memory of one run in KiB, output discarded
  timeout 60 /usr/bin/time -f '%M' -o "$work/time" "$tvq" dump "$1" > /dev/null
  cat "$work/time"
}

base=$(peak_kib "$work/empty.tvq")
peak=$(peak_kib "$work/big.tvq")
size=$(stat -c %s "$work/big.tvq")
above=$(( (peak - base) * 1024 ))
awk -v t="$tasks" -v s="$size" -v b="$base" -v p="$peak" -v a="$above" 'BEGIN {
  printf "tasks: %d\nfile size: %.1f MiB\nbaseline peak RSS: %.1f MiB\npeak RSS: %.1f MiB\n", t, s/1048576, b/1024, p/1024
  printf "above baseline: %.1f MiB = %.2f x the file size (target <= 4)\n", a/1048576, a/s
  exit (a <= 4*s) ? 0 : 1
}'
