#!/usr/bin/env bash
# Builds Tarvelquist and runs every test: the unit and GUI tests (headless, through CTest), a bounded fuzzing
# run of the file loader, and the install check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j 2

if [[ -x fuzz/run.sh ]]; then
  fuzz/run.sh "${TARVELQUIST_FUZZ_SECONDS:-30}"
fi
if [[ -x scripts/check-install.sh ]]; then
  scripts/check-install.sh
fi
