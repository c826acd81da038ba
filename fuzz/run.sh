#!/usr/bin/env bash
# Builds the fuzzers (the file loader, the iCalendar reader, what tvq sync reads from a server) with clang and the
# sanitizers in build-fuzz and runs each for a bounded time.
# Usage: fuzz/run.sh [SECONDS]   (default 30, per target). Exits non-zero on any crash, leak or sanitizer report.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TVQ_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-30}

flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CXX=${CXX_FUZZ:-clang++} cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTVQ_BUILD_FUZZ=ON -DTVQ_BUILD_TESTS=OFF -DTVQ_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" >/dev/null
ninja -C "$build" -j2 fuzz_load fuzz_ics fuzz_dav

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$build/artifacts"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# target:seed corpus. New inputs go to a scratch folder; the seed corpora in the repository are only read.
for entry in fuzz_load:corpus fuzz_ics:corpus-ics fuzz_dav:corpus-dav; do
  target=${entry%%:*}
  mkdir -p "$work/$target"
  "$build/bin/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -artifact_prefix="$build/artifacts/$target-" -print_final_stats=1 "$work/$target" "$root/fuzz/${entry#*:}"
done
