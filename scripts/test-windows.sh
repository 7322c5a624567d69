#!/usr/bin/env bash
# Cross-compiles a static zelvanor.exe and the tests with MinGW-w64, runs
# the tests under Wine, and compares the Windows program's outputs with the
# Linux build's (scripts/compare-windows.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-windows-deps.sh

extra=()
[ "${CI:-}" = "true" ] && extra=(-DZELVANOR_WERROR=ON)

echo "=== windows cross build and tests under Wine ==="
cmake --preset windows "${extra[@]}" >/dev/null
cmake --build --preset windows -j "${ZELVANOR_JOBS:-2}"
ctest --preset windows

echo "=== Linux and Windows outputs compared ==="
if [ -x build/release/zelvanor ]; then
  scripts/compare-windows.sh build/release build/windows
else
  echo "build/release is missing: run scripts/test.sh first to compare with Linux"
  exit 1
fi
