#!/usr/bin/env bash
# Builds the libFuzzer target (clang, AddressSanitizer + UBSan) and fuzzes
# the whole per-file pipeline for SECONDS (default 60), starting from the
# committed seeds in fuzz/seeds. Inputs that find new paths collect in
# build/fuzz/corpus (kept between runs, not committed); an input that
# breaks a guarantee is written to build/fuzz/artifacts/ and fails the run.
# Usage: scripts/fuzz.sh [SECONDS] [extra libFuzzer flags...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
shift || true

# clang and its sanitizer runtimes (libFuzzer is among them), when missing.
missing=()
for package in clang libclang-rt-dev; do
  dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
done
if [ "${#missing[@]}" -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi

extra=()
[ "${CI:-}" = "true" ] && extra=(-DZELVANOR_WERROR=ON)
echo "=== fuzz build ==="
cmake --preset fuzz "${extra[@]}" >/dev/null
cmake --build --preset fuzz

echo "=== fuzzing for ${seconds} s ==="
mkdir -p build/fuzz/corpus build/fuzz/artifacts
build/fuzz/fuzz/zelvanor_fuzz_retune -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 "$@" build/fuzz/corpus fuzz/seeds
