#!/usr/bin/env bash
# Reliability figures for the README: tvq add side by side on one file, and saves killed with SIGKILL.
# Usage: bench/tvq/reliability.sh [BUILD_DIR]   (default: build). Needs tvq and tvq_bench built there.
# PAIRS (default 400) rounds of two tvq add started together; KILLS (default 200) saves of a TASKS-task file
# (default 20000) killed after a random 0-100 ms.
set -uo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
tvq=$build/bin/tvq
bench=$build/bin/tvq_bench
pairs=${PAIRS:-400}
kills=${KILLS:-200}
tasks=${TASKS:-20000}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export XDG_CONFIG_HOME=$work/config

# ---- pairs -------------------------------------------------------------------------------------------------
file=$work/pairs.tvq
refused=0
started=$(date +%s.%N)
for ((i = 0; i < pairs; i++)); do
  "$tvq" add "$file" --subject "a$i" 2>>"$work/pairs.err" & a=$!
  "$tvq" add "$file" --subject "b$i" 2>>"$work/pairs.err" & b=$!
  wait $a || refused=$((refused + 1))
  wait $b || refused=$((refused + 1))
done
ended=$(date +%s.%N)
added=$("$tvq" dump "$file" | grep -o '"subject":' | wc -l)
distinct=$("$tvq" dump "$file" | grep -o '"subject":"[ab][0-9]*"' | sort -u | wc -l)
echo "pairs: $pairs rounds of two tvq add at once: $added tasks in the file ($distinct distinct)," \
  "$refused refused, $(awk -v s="$started" -v e="$ended" -v n="$pairs" 'BEGIN { printf "%.1f ms a round", (e - s) * 1000 / n }')"

# ---- kills during saves --------------------------------------------------------------------------------------
file=$work/kill.tvq
"$bench" --make-file "$file" "$tasks" >/dev/null
broken=0
for ((i = 0; i < kills; i++)); do
  "$tvq" add "$file" --subject "k$i" 2>/dev/null & pid=$!
  sleep "0.$(printf "%03d" $((RANDOM % 100)))"
  kill -9 $pid 2>/dev/null
  wait $pid 2>/dev/null
  "$tvq" dump "$file" >/dev/null 2>&1 || broken=$((broken + 1))
done
left=$(find "$work" -maxdepth 1 -name '.kill.tvq.*' | wc -l)
count=$("$tvq" dump "$file" | grep -o '"subject":' | wc -l)
echo "kills: $kills saves of a $tasks-task file killed at random: $broken left a file that does not load," \
  "$left temporary files left behind; the file holds $count tasks"
