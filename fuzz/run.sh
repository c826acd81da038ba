#!/usr/bin/env bash
# Builds the fuzzers with clang and the sanitizers in build-fuzz and runs each for a bounded time: the file loader,
# then what tvq sync reads from a server (multistatus XML, items' iCalendar).
# Usage: fuzz/run.sh [SECONDS [DAV_SECONDS]]   (defaults 30 and 10). Exits non-zero on any crash, leak or
# sanitizer report.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${TVQ_FUZZ_BUILD_DIR:-$root/build-fuzz}
seconds=${1:-30}
dav_seconds=${2:-10}

flags="-fsanitize=address,undefined -fsanitize=fuzzer-no-link -fno-sanitize-recover=undefined -fno-omit-frame-pointer"
CXX=${CXX_FUZZ:-clang++} cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DTVQ_BUILD_FUZZ=ON -DTVQ_BUILD_TESTS=OFF -DTVQ_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS="$flags" >/dev/null
ninja -C "$build" -j2 fuzz_load fuzz_dav

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/corpus" "$work/corpus-dav" "$build/artifacts"

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
# New inputs go to the scratch folder; the seed corpus in the repository is only read.
"$build/bin/fuzz_load" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$work/corpus" "$root/fuzz/corpus"
"$build/bin/fuzz_dav" -max_total_time="$dav_seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -artifact_prefix="$build/artifacts/" -print_final_stats=1 "$work/corpus-dav" "$root/fuzz/corpus-dav"
