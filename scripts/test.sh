#!/usr/bin/env bash
# Builds Tarvelquist and runs every test: the unit and GUI tests (headless, through CTest), a bounded fuzzing
# run of the file loader, and the install check.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh
scripts/build.sh

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j 2

# The file loader under the sanitizers, for a bounded time; any crash, leak or report fails the run.
fuzz/run.sh "${TARVELQUIST_FUZZ_SECONDS:-30}"

# Install into a temporary prefix: the tree complete, the desktop entry and the metainfo valid.
res/linux/check-install.sh build
