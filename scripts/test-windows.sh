#!/usr/bin/env bash
# Cross-compiles a static zelvanor.exe and the tests with MinGW-w64 and runs
# the tests under Wine. libwavpack is built for it first, once per checkout
# (scripts/wavpack-windows.sh). One of them (scripts/compare-windows.sh) compares
# the Windows program's outputs with those of the Linux build that
# scripts/test.sh made in build/release; it is skipped when that is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh windows
scripts/wavpack-windows.sh

echo "=== windows cross build and tests under Wine ==="
scripts/configure.sh windows
cmake --build --preset windows -j "${ZELVANOR_JOBS:-2}"
ctest --preset windows

