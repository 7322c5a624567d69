#!/usr/bin/env bash
# Builds Zelvanor and runs every test: once in a release build and once
# under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
# The test set adds what the page checks use (libxml2, headless Chromium).
scripts/install-deps.sh base test

for preset in release sanitize; do
  echo "=== $preset build and tests ==="
  scripts/configure.sh "$preset"
  cmake --build --preset "$preset"
  ctest --preset "$preset"
done
